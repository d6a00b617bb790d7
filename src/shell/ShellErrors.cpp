#include "shell/ShellErrors.h"

#include <cstdio>
#include <stdexcept>

namespace ShellCtrls {

void RaiseShellError(const std::string& message)
{
    throw std::runtime_error(message);
}

void RaiseSystemError(shellns::HResult result)
{
    char code[32];
    std::snprintf(code, sizeof code, "%d", static_cast<int>(result));
    RaiseShellError("System Error.  Code: " + std::string(code) + ".\n" + shellns::ResultText(result));
}

} // namespace ShellCtrls
