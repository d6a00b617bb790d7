#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"

#include "gl/Register.h"
#include "shell/ShellCtrls.h"
#include "shell/ShellTreeView.h"
#include "toolkit/Application.h"

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    // The shell's desktop object must exist before the browse dialog builds its tree.
    ShellCtrls::ShellCtrlsModule shell;
    RegisterGlClasses();
    ShellCtrls::RegisterShellClasses();
    Application->SetTitle(QStringLiteral("Dupsweep"));
    // The first form made is the main window, the only one shown at start.
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    Application->CreateForm(Form4);
    Application->Run();
    return 0;
}
