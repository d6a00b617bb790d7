#include "app/Unit1.h"
#include "app/Unit2.h"

#include "gl/Register.h"
#include "toolkit/Application.h"

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    RegisterGlClasses();
    Application->SetTitle(QStringLiteral("Dupsweep"));
    // The first form made is the main window, the only one shown at start.
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->Run();
    return 0;
}
