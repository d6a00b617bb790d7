#pragma once
// The one main of every Qt test program. It runs headless on Qt's offscreen platform (unless the
// program asks for another) in the plain C locale, gives Qt a private runtime folder that is
// removed again when the run ends, makes the program's application object and runs the steps
// the program registered before the first test.
//
// Each program links the main and one of the application kinds below; a program that makes
// its application object inside a test defines MakeTestApplication itself and returns none.

#include <QObject>

#include <memory>

namespace testsupport {

// The application object the tests run under; defined once per program.
std::unique_ptr<QObject> MakeTestApplication(int& argc, char** argv);

// Runs step once the application object exists, before the first test (a registration the
// program's windows need, for example). Used as a namespace-scope constant.
struct AtTestStart {
    explicit AtTestStart(void (*step)());
};

// Runs the program on another Qt platform than the offscreen one (a real X server for what
// only it shows: window shapes, frames). Used as a namespace-scope constant.
struct OnPlatform {
    explicit OnPlatform(const char* platform);
};

// Prefix of the runtime folders the main makes in the temporary folder.
inline constexpr char kRuntimeFolderPrefix[] = "dupsweep-test-runtime-";

} // namespace testsupport
