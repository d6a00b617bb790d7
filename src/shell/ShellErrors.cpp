#include "shell/ShellErrors.h"

#include <cstdio>

#include "platform/shellns/Wide.h"
#include "toolkit/Exceptions.h"

namespace ShellCtrls {

void RaiseShellError(const std::string& message)
{
    // The message may carry a name that is not UTF-8 (a refused rename's new name).
    throw Exception(shellns::PathToText(message));
}

void RaiseSystemError(shellns::HResult result)
{
    char code[32];
    std::snprintf(code, sizeof code, "%d", static_cast<int>(result));
    RaiseShellError("System Error.  Code: " + std::string(code) + ".\n" + shellns::ResultText(result));
}

} // namespace ShellCtrls
