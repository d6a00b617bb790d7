// Widget tests run under one toolkit application object, as the program does.
#include "support/QtTestMain.h"

#include "toolkit/Application.h"

std::unique_ptr<QObject> testsupport::MakeTestApplication(int& argc, char** argv)
{
    return std::make_unique<TApplication>(argc, argv);
}
