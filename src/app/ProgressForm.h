#pragma once
// The window a long job shows while it runs: what it has done so far, and a Cancel button.
// It is shown modally, so the other windows take no input until the job is over.

#include "toolkit/Forms.h"

#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>

class TButton;

class TProgressForm : public TForm {
    Q_OBJECT

public:
    explicit TProgressForm(TComponent* owner);
    ~TProgressForm() override;

    TButton* Button1 = nullptr;

    // The lines shown, asked for again on every refresh.
    std::function<QStringList()> Status;
    // Set by Cancel (and by closing the window); the job reads it.
    std::atomic<bool>* CancelFlag = nullptr;

    bool CancelRequested() const { return cancelRequested_; }
    // The job is over: the window closes.
    void JobEnded();

    // The progress window on the screen now, or nullptr.
    static TProgressForm* Current();

public slots:
    void Button1Click(TObject* Sender);

protected:
    void Paint() override;
    // While the job runs, closing asks it to stop instead.
    void DoClose(TCloseAction& action) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Cancel();

    QTimer refresh_;
    bool cancelRequested_ = false;
    bool jobEnded_ = false;
};
