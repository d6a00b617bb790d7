// The decorative controls are known to form descriptions from the start, as in the program.
#include "gl/Register.h"
#include "support/QtTestMain.h"

namespace {

const testsupport::AtTestStart registerGlClasses(RegisterGlClasses);

} // namespace
