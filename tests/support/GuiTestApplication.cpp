// Tests of the layers beneath the toolkit draw and load icons: a GUI application, no widgets.
#include "support/QtTestMain.h"

#include <QGuiApplication>

std::unique_ptr<QObject> testsupport::MakeTestApplication(int& argc, char** argv)
{
    return std::make_unique<QGuiApplication>(argc, argv);
}
