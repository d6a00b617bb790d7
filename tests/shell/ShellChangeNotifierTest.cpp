#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <fstream>
#include <memory>

#include "ScratchHome.h"
#include "shell/ShellChangeNotifier.h"
#include "support/Eventually.h"

using namespace ShellCtrls;

namespace {

// The watcher threads running in this process, found by the name the system shows for them.
int Watchers()
{
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        count += name == TShellChangeThread::kThreadName;
    }
    return count;
}

class NotifierTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        notifier.reset();
        ASSERT_EVENTUALLY(Watchers() == 0) << "a watcher thread outlived its notifier";
    }

    // A notifier on folder that counts its callbacks and checks where they run.
    void Watch(const std::string& folder, bool subtree, TNotifyFilters filters = nfFileNameChange | nfDirNameChange)
    {
        notifier = std::make_unique<TShellChangeNotifier>(nullptr);
        notifier->SetRoot(folder);
        notifier->SetWatchSubTree(subtree);
        notifier->SetNotifyFilters(filters);
        notifier->SetOnChange(TThreadMethod::FromFunction([this] {
            ++calls;
            onGuiThread = onGuiThread && TThread::IsMainThread();
        }));
        ASSERT_EVENTUALLY(notifier->Watching());
    }

    // Creates one more file in folder and says whether the callback has run since calls was
    // before. New parameters are in force once the watcher has reopened its watch, so a test
    // probes until then: ASSERT_EVENTUALLY(Probed("Other", before)).
    bool Probed(const std::string& folder, int before)
    {
        scratch.MakeFile(folder + "/probe-" + std::to_string(++probes));
        return calls > before;
    }

    ScratchHome scratch;
    std::unique_ptr<TShellChangeNotifier> notifier;
    int calls = 0;
    int probes = 0;
    bool onGuiThread = true;
};

} // namespace

TEST_F(NotifierTest, WithoutOnChangeNoWatcherRuns)
{
    notifier = std::make_unique<TShellChangeNotifier>(nullptr);
    EXPECT_EQ("/", notifier->Root());
    EXPECT_TRUE(notifier->WatchSubTree());
    EXPECT_EQ(nfFileNameChange | nfDirNameChange, notifier->NotifyFilters());
    EXPECT_FALSE(notifier->WatcherRunning());
    EXPECT_EQ(0, Watchers());
    EXPECT_EQ(0x11Fu, NotifyFilterBits(nfFileNameChange | nfDirNameChange | nfAttributeChange | nfSizeChange
                                       | nfWriteChange | nfSecurityChange));
}

// Left at its defaults, a notifier would watch every folder of the machine, a watch each from the
// user's shared budget: given a callback, its watcher refuses and ends at once instead.
TEST_F(NotifierTest, AtItsDefaultsAWatcherNeverWatchesTheWholeMachine)
{
    notifier = std::make_unique<TShellChangeNotifier>(nullptr);
    notifier->SetOnChange(TThreadMethod::FromFunction([this] { ++calls; }));
    ASSERT_EVENTUALLY(!notifier->WatcherRunning());
    EXPECT_FALSE(notifier->Watching());
    // Narrowed to one folder, the same notifier watches.
    notifier->SetWatchSubTree(false);
    ASSERT_EVENTUALLY(notifier->Watching());
}

TEST_F(NotifierTest, ACreatedFileRunsTheCallbackOnTheGuiThread)
{
    Watch(scratch.desktop, true);
    scratch.MakeFile("Desktop/new.rep");
    ASSERT_EVENTUALLY(calls >= 1);
    EXPECT_TRUE(onGuiThread);
    // Re-armed: the next change is reported too.
    const int before = calls;
    scratch.MakeDir("Desktop/folder");
    ASSERT_EVENTUALLY(calls > before);
}

TEST_F(NotifierTest, WithoutSubTreeAFileInASubFolderRunsNothing)
{
    scratch.MakeDir("Desktop/sub");
    Watch(scratch.desktop, false);
    scratch.MakeFile("Desktop/sub/inner.rep");
    // Looking at once is a real test: the system queues a change inside the call that makes it,
    // and the handle stays signalled until this (the GUI) thread has run the callback.
    EXPECT_FALSE(notifier->ChangePending());
    scratch.MakeFile("Desktop/top.rep");
    EXPECT_TRUE(notifier->ChangePending());
    ASSERT_EVENTUALLY(calls >= 1);
}

TEST_F(NotifierTest, DefaultFiltersIgnoreContentChangesWriteChangesReportThem)
{
    const std::string file = scratch.MakeFile("Desktop/data.rep", "one");
    Watch(scratch.desktop, false);
    std::ofstream(file, std::ios::app) << "two";
    EXPECT_FALSE(notifier->ChangePending());
    notifier->SetNotifyFilters(nfWriteChange);
    // The new filter is in force once the watcher has reopened its watch; keep writing until then.
    const auto written = [&] {
        std::ofstream(file, std::ios::app) << "more";
        return calls >= 1;
    };
    ASSERT_EVENTUALLY(written());
    EXPECT_TRUE(notifier->Watching());
}

TEST_F(NotifierTest, DestroyingTheNotifierEndsItsWatcherPromptly)
{
    Watch(scratch.desktop, true);
    EXPECT_EQ(1, Watchers());
    notifier.reset();
    ASSERT_EVENTUALLY(Watchers() == 0);
    // With its thread gone nothing can call back: what is queued now is all there will be.
    scratch.MakeFile("Desktop/after.rep");
    QCoreApplication::processEvents();
    EXPECT_EQ(0, calls);
}

TEST_F(NotifierTest, AMissingFolderGivesAWatcherThatEndsAtOnce)
{
    notifier = std::make_unique<TShellChangeNotifier>(nullptr);
    notifier->SetRoot(scratch.home + "/missing");
    notifier->SetOnChange(TThreadMethod::FromFunction([this] { ++calls; }));
    ASSERT_EVENTUALLY(!notifier->WatcherRunning());
    EXPECT_FALSE(notifier->Watching());
    // Pointing it at a folder that exists starts watching again.
    notifier->SetRoot(scratch.desktop);
    EXPECT_TRUE(notifier->WatcherRunning());
    ASSERT_EVENTUALLY(Probed("Desktop", 0));
    EXPECT_EQ(1, Watchers());
}

TEST_F(NotifierTest, ARunningWatcherTakesNewParametersAndCallbacksSafely)
{
    const std::string other = scratch.MakeDir("Other");
    Watch(scratch.desktop, false);
    notifier->SetRoot(other);
    // Once the watcher has moved on, changes in the old folder are no longer reported.
    ASSERT_EVENTUALLY(Probed("Other", 0));
    ASSERT_EVENTUALLY(!notifier->ChangePending()); // every probe has been handed over
    scratch.MakeFile("Desktop/old-place.rep");
    EXPECT_FALSE(notifier->ChangePending());

    int replaced = 0;
    notifier->SetOnChange(TThreadMethod::FromFunction([&] { ++replaced; }));
    const int before = calls;
    scratch.MakeFile("Other/for-the-new-callback");
    ASSERT_EVENTUALLY(replaced > 0);
    EXPECT_EQ(before, calls); // the replaced callback is never called again

    notifier->SetOnChange(TThreadMethod());
    EXPECT_FALSE(notifier->Watching());
    ASSERT_EVENTUALLY(Watchers() == 0);
}

TEST_F(NotifierTest, ManyQuickChangesOfParametersLeaveOneWorkingWatch)
{
    const std::string a = scratch.MakeDir("A");
    const std::string b = scratch.MakeDir("B");
    Watch(a, false);
    for (int i = 0; i < 50; ++i) {
        notifier->SetRoot(i % 2 ? a : b);
        notifier->SetWatchSubTree(i % 3 == 0);
    }
    ASSERT_EVENTUALLY(Probed("A", 0));
    EXPECT_EQ(1, Watchers());
}
