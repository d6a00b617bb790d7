#include "app/Unit3.h"

#include "app/Resources.h"

#include "gl/glBitBtn.h"
#include "gl/glHShape.h"
#include "gl/glLabel.h"
#include "platform/shellns/execute.h"
#include "toolkit/ExtCtrls.h"
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
    // Started without waiting; a desktop that cannot open the page leaves the window as it is.
    shellns::Execute("open", kClanPage, "", "", shellns::kShowShow);
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
