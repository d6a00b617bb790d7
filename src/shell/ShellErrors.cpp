#include "shell/ShellErrors.h"

#include <QString>

#include <cstdio>

#include "toolkit/Exceptions.h"

namespace ShellCtrls {

void RaiseShellError(const std::string& message)
{
    throw Exception(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

void RaiseSystemError(shellns::HResult result)
{
    char code[32];
    std::snprintf(code, sizeof code, "%d", static_cast<int>(result));
    RaiseShellError("System Error.  Code: " + std::string(code) + ".\n" + shellns::ResultText(result));
}

} // namespace ShellCtrls
