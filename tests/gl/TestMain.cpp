// Widget tests run headless, whatever the caller's environment says, under one application
// object with the decorative controls registered, as the program has.
#include "gl/Register.h"
#include "toolkit/Application.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/dupsweep-tests-XXXXXX";
        if (mkdtemp(runtime.data()))
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    TApplication application(argc, argv);
    RegisterGlClasses();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
