#include "app/Unit3.h"

#include "app/Resources.h"

#include "gl/glBitBtn.h"
#include "gl/glHShape.h"
#include "gl/glLabel.h"
#include "platform/shellns/Execute.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Guard.h"
#include "toolkit/StdCtrls.h"

TForm3* Form3 = nullptr;

TForm3::TForm3(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/Unit3.form"));
    Bind(Image1, "Image1");
    Bind(glLabel1, "glLabel1");
    Bind(glLabel2, "glLabel2");
    Bind(glLabel3, "glLabel3");
    Bind(glLabel4, "glLabel4");
    Bind(glLabel5, "glLabel5");
    Bind(glLabel6, "glLabel6");
    Bind(Label1, "Label1");
    Bind(Label2, "Label2");
    Bind(Label3, "Label3");
    Bind(glHoleShape1, "glHoleShape1");
    Bind(glBitBtn1, "glBitBtn1");
    Bind(Timer1, "Timer1");
}

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = nullptr;
}

void TForm3::glLabel6Click(TObject*)
{
    // The page opens in another program, started without waiting. Where none can show it (no web
    // browser installed) the user is told so here, not only on the standard error of a program
    // started from the desktop; the window stays as it is either way.
    shellns::OpenInBackground(kClanPage, [](bool opened) {
        if (opened || !Application)
            return;
        Guard([] {
            Application->MessageBox(
                QStringLiteral("Не удалось открыть страницу «%1»: ни один веб-браузер не смог её открыть.")
                    .arg(QLatin1String(kClanPage)),
                QString(), MB_OK | MB_ICONSTOP);
        });
    });
}

void TForm3::glLabel5MouseMove(TObject*, TShiftState, int, int)
{
    Label1->Show();
    Label2->Show();
    Label3->Show();
}

void TForm3::glLabel5MouseLeave(TObject*)
{
    Label1->Hide();
    Label2->Hide();
    Label3->Hide();
}

void TForm3::Timer1Timer(TObject*)
{
    // The timer is stored disabled and nothing starts it: the window has no timed behaviour.
}
