#include "support/Eventually.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Thread.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <stdexcept>
#include <thread>

namespace {

class Body : public TThread {
public:
    explicit Body(std::function<void(Body&)> body, bool suspended = true) : TThread(suspended), FBody(std::move(body)) {}
    ~Body() override
    {
        if (FDestroyed)
            *FDestroyed = true;
    }
    using TThread::SetReturnValue;
    using TThread::Terminated;
    void Sync(const std::function<void()>& f) { Synchronize(f); }
    std::atomic<bool>* FDestroyed = nullptr;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(Body&)> FBody;
};

TEST(Thread, ASuspendedThreadRunsOnlyOnceStarted)
{
    std::atomic<int> runs{0};
    Body t([&](Body& self) {
        ++runs;
        self.SetReturnValue(42);
    });
    EXPECT_TRUE(t.Suspended());
    EXPECT_EQ(runs, 0);
    t.Start();
    t.Start();
    EXPECT_EQ(t.WaitFor(), 42);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(t.Finished());
}

TEST(Thread, CreatedRunningItStartsAfterConstruction)
{
    std::atomic<bool> ran{false};
    std::unique_ptr<Body> t(Create<Body>([&](Body&) { ran = true; }, false));
    t->WaitFor();
    EXPECT_TRUE(ran);
}

TEST(Thread, TheStopRequestEndsABodyThatWatchesIt)
{
    std::atomic<bool> looping{false};
    Body t([&](Body& self) {
        while (!self.Terminated())
            looping = true;
    });
    t.Start();
    ASSERT_EVENTUALLY(looping.load());
    t.Terminate();
    t.WaitFor();
    EXPECT_TRUE(t.Terminated());
}

TEST(Thread, SynchronizeRunsOnTheGuiThreadWhileItWaitsInWaitFor)
{
    std::atomic<int> onMain{0};
    Body t([&](Body& self) {
        for (int i = 0; i < 3; ++i)
            self.Sync([&] { onMain += TThread::IsMainThread() ? 1 : 100; });
    });
    EXPECT_TRUE(TThread::IsMainThread());
    t.Start();
    t.WaitFor();
    EXPECT_EQ(onMain, 3);
}

TEST(Thread, SynchronizeIsServedByTheEventLoop)
{
    std::atomic<bool> served{false};
    Body t([&](Body& self) { self.Sync([&] { served = TThread::IsMainThread(); }); });
    t.Start();
    ASSERT_EVENTUALLY(t.Finished());
    EXPECT_TRUE(served);
}

TEST(Thread, AnErrorInASynchronizedCallReturnsToTheWorkerAndIsKept)
{
    Body t([](Body& self) { self.Sync([] { throw Exception(QStringLiteral("on the GUI thread")); }); });
    t.Start();
    t.WaitFor();
    ASSERT_TRUE(t.FatalException());
    try {
        std::rethrow_exception(t.FatalException());
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("on the GUI thread"));
    }
}

TEST(Thread, OnTerminateRunsOnTheGuiThreadAfterTheBody)
{
    std::atomic<int> order{0};
    int terminateSaw = -1;
    bool terminateOnMain = false;
    TObject* sender = nullptr;
    Body t([&](Body&) { order = 1; });
    t.OnTerminate = TNotifyEvent::FromFunction([&](TObject* s) {
        terminateSaw = order;
        terminateOnMain = TThread::IsMainThread();
        sender = s;
    });
    t.Start();
    t.WaitFor();
    EXPECT_EQ(terminateSaw, 1);
    EXPECT_TRUE(terminateOnMain);
    EXPECT_EQ(sender, &t);
}

TEST(Thread, FreeOnTerminateDeletesTheThreadObjectWhenItsBodyEnds)
{
    std::atomic<bool> destroyed{false};
    auto* t = new Body([](Body&) {});
    t->FDestroyed = &destroyed;
    t->SetFreeOnTerminate(true);
    t->Start();
    ASSERT_EVENTUALLY(destroyed.load());
}

TEST(Thread, DestroyingARunningThreadStopsAndWaitsForIt)
{
    std::atomic<bool> ended{false};
    std::atomic<bool> started{false};
    {
        Body t([&](Body& self) {
            started = true;
            while (!self.Terminated())
                std::this_thread::yield();
            ended = true;
        });
        t.Start();
        ASSERT_EVENTUALLY(started.load());
    }
    EXPECT_TRUE(ended);
}

TEST(Thread, ANeverStartedThreadIsDestroyedWithoutRunning)
{
    bool ran = false;
    {
        Body t([&](Body&) { ran = true; });
    }
    EXPECT_FALSE(ran);
}

}  // namespace
