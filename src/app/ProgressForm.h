#pragma once
// The window a long job shows while it runs: what it has done so far, and a Cancel button.
// It is shown modally, so the other windows take no input until the job is over.

#include "toolkit/Forms.h"

#include <QStringList>

#include <atomic>
#include <functional>

class TButton;
class TLabel;
class TTimer;

class TProgressForm : public TForm {
    Q_OBJECT

public:
    explicit TProgressForm(TComponent* owner);
    ~TProgressForm() override;

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TButton* Button1 = nullptr;
    TTimer* Timer1 = nullptr;

    // The two lines shown, asked for again on every tick of Timer1.
    std::function<QStringList()> Status;
    // Set by Cancel (and by closing the window); the job reads it.
    std::atomic<bool>* CancelFlag = nullptr;

    bool CancelRequested() const { return FCancelRequested; }
    // The job is over: the window closes.
    void JobEnded();

    // The progress window on the screen now, or nullptr.
    static TProgressForm* Current();

public slots:
    void Button1Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormHide(TObject* Sender);

protected:
    // While the job runs, closing asks it to stop instead.
    void DoClose(TCloseAction& action) override;

private:
    void Cancel();

    bool FCancelRequested = false;
    bool FJobEnded = false;
};
