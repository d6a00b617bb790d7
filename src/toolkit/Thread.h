#pragma once
// Worker threads: one body (Execute) on its own thread, a stop request, and a blocking call
// onto the GUI thread (Synchronize). A thread made suspended starts with Start or Resume;
// one made running starts in AfterConstruction, so make it with Create<T>(false).

#include "toolkit/Events.h"
#include "toolkit/Object.h"

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class TThread : public TObject {
public:
    // name, when given, is what the system shows for the thread (ps -L, a debugger, /proc): at
    // most 15 bytes are kept.
    explicit TThread(bool createSuspended, std::string name = {});
    // Asks a running body to stop and waits for it, unless the body is the caller.
    ~TThread() override;

    void AfterConstruction() override;

    // Starts a suspended thread; does nothing once it has started.
    void Start();
    void Resume() { Start(); }

    // The stop request; the body reads Terminated() and ends by itself.
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }

    // Waits until the body and OnTerminate have run; on the GUI thread, Synchronize calls
    // from the worker are served meanwhile. Returns ReturnValue.
    int WaitFor();

    bool Suspended() const;
    bool Finished() const;

    // The thread object deletes itself after its body and OnTerminate have run.
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }

    int ReturnValue() const { return FReturnValue; }
    // What escaped Execute, if anything.
    std::exception_ptr FatalException() const { return FFatalException; }

    // Runs on the GUI thread once the body has ended (sender = the thread).
    TNotifyEvent OnTerminate;

    // Runs method on the GUI thread and waits for it; an exception it throws is thrown
    // again here. Called on the GUI thread, it just runs method.
    static void Synchronize(const std::function<void()>& method);

    // True on the thread that runs the application's event loop.
    static bool IsMainThread();

protected:
    virtual void Execute() = 0;
    // Fires OnTerminate on the GUI thread.
    virtual void DoTerminate();
    void SetReturnValue(int value) { FReturnValue = value; }

private:
    void Run();

    std::thread FThread;
    const std::string FName;
    bool FCreateSuspended;
    bool FStarted = false;
    bool FFinished = false;
    std::atomic<bool> FTerminated{false};
    bool FFreeOnTerminate = false;
    int FReturnValue = 0;
    std::exception_ptr FFatalException;
};

// Serves the Synchronize calls that wait for the GUI thread; the event loop does this by
// itself, a GUI thread that blocks does it by hand. Returns whether any call ran.
bool CheckSynchronize();
