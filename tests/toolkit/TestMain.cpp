// Widget tests run headless, whatever the caller's environment says, under one application
// object as the program has.
#include "toolkit/Application.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/toolkit-tests-XXXXXX";
        if (mkdtemp(runtime.data()))
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    TApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
