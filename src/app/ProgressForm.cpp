#include "app/ProgressForm.h"

#include "app/BackgroundJob.h"
#include "app/Resources.h"

#include "toolkit/StdCtrls.h"

namespace {

// Where the status lines go: the left margin, the first line's top and the line pitch.
constexpr int kTextLeft = 12;
constexpr int kTextTop = 10;
constexpr int kLinePitch = 16;

TProgressForm* shownWindow = nullptr;

} // namespace

TProgressForm::TProgressForm(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/ProgressForm.dfm"));
    Bind(Button1, "Button1");
    refresh_.setInterval(app::kProgressRefresh);
    connect(&refresh_, &QTimer::timeout, this, [this] { Invalidate(); });
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
    jobEnded_ = true;
    SetModalResult(mrOk);
}

void TProgressForm::Button1Click(TObject*)
{
    Cancel();
}

void TProgressForm::Cancel()
{
    if (cancelRequested_)
        return;
    cancelRequested_ = true;
    if (CancelFlag)
        app::RequestCancel(*CancelFlag);
    Button1->SetEnabled(false);
    Invalidate();
}

void TProgressForm::DoClose(TCloseAction& action)
{
    if (!jobEnded_) {
        Cancel();
        action = caNone;
        return;
    }
    TForm::DoClose(action);
}

void TProgressForm::Paint()
{
    TForm::Paint();
    QStringList lines = Status ? Status() : QStringList();
    if (cancelRequested_)
        lines.append(QStringLiteral("Отмена…"));
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    canvas->Brush()->SetStyle(bsClear);
    int top = kTextTop;
    for (const QString& line : lines) {
        canvas->TextOut(kTextLeft, top, line);
        top += kLinePitch;
    }
}

void TProgressForm::showEvent(QShowEvent* event)
{
    TForm::showEvent(event);
    shownWindow = this;
    refresh_.start();
}

void TProgressForm::hideEvent(QHideEvent* event)
{
    refresh_.stop();
    if (shownWindow == this)
        shownWindow = nullptr;
    TForm::hideEvent(event);
}
