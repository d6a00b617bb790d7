#include "app/CommandLine.h"
#include "app/Resources.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"

#include "gl/Register.h"
#include "shell/ShellCtrls.h"
#include "shell/ShellTreeView.h"
#include "toolkit/Application.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Read before any application object exists: help, version and usage errors need no display.
    const app::CommandLine line = app::ParseCommandLine(argc, argv);
    if (line.action != app::CommandLine::Action::Run)
        return app::ReportCommandLine(line);
    if (const std::string why = app::NoDisplayReason(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                                     std::getenv("WAYLAND_DISPLAY"));
        !why.empty()) {
        std::fprintf(stderr, "dupsweep: %s\n", why.c_str());
        return app::kExitNoDisplay;
    }

    // Qt sees only the program's name: its own options (-style, -reverse ...) would otherwise
    // take a FOLDER of that name even after "--".
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    // The shell's desktop object must exist before the browse dialog builds its tree.
    ShellCtrls::ShellCtrlsModule shell;
    RegisterGlClasses();
    ShellCtrls::RegisterShellClasses();
    Application->SetTitle(QStringLiteral("Dupsweep"));
    SetProgramIcon();
    // The first form made is the main window, the only one shown at start.
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    Application->CreateForm(Form4);
    app::ShowStartFolder(line);
    Application->Run();
    return 0;
}
