#pragma once
// Where this unit raises its errors: every throw site goes through these two functions.
#include <string>

#include "platform/shellns/Result.h"

namespace ShellCtrls {

[[noreturn]] void RaiseShellError(const std::string& message);
// The platform's system error for a failed shell request.
[[noreturn]] void RaiseSystemError(shellns::HResult result);

} // namespace ShellCtrls
