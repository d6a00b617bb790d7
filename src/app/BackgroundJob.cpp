#include "app/BackgroundJob.h"

#include "app/ProgressForm.h"

#include "toolkit/Thread.h"

#include <QEventLoop>
#include <QTimer>


namespace app {

namespace {

class JobThread : public TThread {
public:
    explicit JobThread(const std::function<void()>& work) : TThread(true), FWork(work) {}

protected:
    void Execute() override { FWork(); }

private:
    const std::function<void()>& FWork;
};

// While the worker waits for a call it made (a message box may stay open for long), the
// progress window is put off and looked at again this much later.
constexpr std::chrono::milliseconds kProgressRecheck{100};

// How many RunOnUiThread calls the user-interface thread is serving now (a modal box in one
// of them may stay open for long; the job is not slow meanwhile).
int servingCalls = 0;

} // namespace

void RunOnUiThread(const std::function<void()>& call)
{
    TThread::Synchronize([&call] {
        ++servingCalls;
        struct Leave {
            ~Leave() { --servingCalls; }
        } leave;
        call();
    });
}

void RequestCancel(std::atomic<bool>& cancel)
{
    cancel.store(true);
    cancel.notify_all();
}

void RunJob(const std::function<void()>& work, std::atomic<bool>& cancel, const QString& title,
            const std::function<QStringList()>& status)
{
    JobThread worker(work);
    QEventLoop waiting;
    bool ended = false;
    TProgressForm* progress = nullptr;
    worker.OnTerminate = TNotifyEvent::FromFunction([&](TObject*) {
        ended = true;
        waiting.quit();
        if (progress)
            progress->JobEnded();
    });
    worker.Start();

    // The first moments pass without a window; user input waits until the job is over.
    QTimer delay;
    delay.setSingleShot(true);
    QObject::connect(&delay, &QTimer::timeout, &waiting, [&] {
        if (servingCalls > 0)
            delay.start(kProgressRecheck);
        else
            waiting.quit();
    });
    delay.start(kProgressDelay);
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    delay.stop();

    if (!ended) {
        try {
            TProgressForm window(nullptr);
            window.SetCaption(title);
            window.Status = status;
            window.CancelFlag = &cancel;
            progress = &window;
            window.ShowModal();
            progress = nullptr;
        } catch (...) {
            progress = nullptr;
            RequestCancel(cancel);
            worker.WaitFor();
            throw;
        }
        // The window can end early only when the application is closing: the job stops too.
        if (!ended)
            RequestCancel(cancel);
    }
    worker.WaitFor();
    if (const std::exception_ptr error = worker.FatalException())
        std::rethrow_exception(error);
}

} // namespace app
