#include "app/ProgressForm.h"

#include "app/BackgroundJob.h"
#include "app/Resources.h"

#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

namespace {

TProgressForm* shownWindow = nullptr;

} // namespace

TProgressForm::TProgressForm(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/ProgressForm.form"));
    Bind(Label1, "Label1");
    Bind(Label2, "Label2");
    Bind(Label3, "Label3");
    Bind(Button1, "Button1");
    Bind(Timer1, "Timer1");
}

TProgressForm::~TProgressForm()
{
    if (shownWindow == this)
        shownWindow = nullptr;
}

TProgressForm* TProgressForm::Current()
{
    return shownWindow;
}

void TProgressForm::JobEnded()
{
    FJobEnded = true;
    SetModalResult(mrOk);
}

void TProgressForm::Button1Click(TObject*)
{
    Cancel();
}

void TProgressForm::Cancel()
{
    if (FCancelRequested)
        return;
    FCancelRequested = true;
    if (CancelFlag)
        app::RequestCancel(*CancelFlag);
    Button1->SetEnabled(false);
    Label3->Show();
}

void TProgressForm::Timer1Timer(TObject*)
{
    const QStringList lines = Status ? Status() : QStringList();
    Label1->SetCaption(lines.value(0));
    Label2->SetCaption(lines.value(1));
}

void TProgressForm::FormShow(TObject*)
{
    shownWindow = this;
    Timer1Timer(this);
}

void TProgressForm::FormHide(TObject*)
{
    if (shownWindow == this)
        shownWindow = nullptr;
}

void TProgressForm::DoClose(TCloseAction& action)
{
    if (!FJobEnded) {
        Cancel();
        action = caNone;
        return;
    }
    TForm::DoClose(action);
}
