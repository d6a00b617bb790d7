// The classes the windows' form descriptions name are registered from the start, as the
// program's start-up registers them.
#include "gl/Register.h"
#include "shell/ShellTreeView.h"
#include "support/QtTestMain.h"

namespace {

const testsupport::AtTestStart registerClasses([] {
    RegisterGlClasses();
    ShellCtrls::RegisterShellClasses();
});

} // namespace
