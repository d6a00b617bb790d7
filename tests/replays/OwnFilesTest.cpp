// The removal's own descriptors and its write leases: its comparisons never count as another
// program holding a file.
#include "replays/OwnFiles.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

// A thread of this process, seen from outside: whether it is asleep waiting (on a condition or
// a lock, a futex to the kernel).
bool WaitsOnAFutex(pid_t thread)
{
    std::ifstream syscall("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    return syscall >> number && number == SYS_futex;
}

// Runs work on a thread of its own and tells when it has either ended or fallen asleep waiting.
class Waiter {
public:
    explicit Waiter(std::function<void()> work)
        : FThread([this, work = std::move(work)] {
              FId = static_cast<pid_t>(::syscall(SYS_gettid));
              work();
              FEnded = true;
          })
    {
    }
    ~Waiter() { Join(); }

    // True when it ended, false when it waits; returns once it is one or the other.
    bool EndedOrWaiting()
    {
        for (;;) {
            if (FEnded)
                return true;
            if (const pid_t id = FId; id != 0 && WaitsOnAFutex(id))
                return false;
            std::this_thread::yield();
        }
    }
    void Join()
    {
        if (FThread.joinable())
            FThread.join();
    }

private:
    std::atomic<pid_t> FId{0};
    std::atomic<bool> FEnded{false};
    std::thread FThread;
};

class OwnFilesTest : public testing::Test {
protected:
    // x.rep has a second name, y.rep: a comparison may hold it under one while the removal
    // deletes the other.
    void SetUp() override
    {
        tree.WriteFile("x.rep", "contents");
        tree.HardLink("y.rep", "x.rep");
        int code = -1;
        folder = files::Folder::Open(tree.Root(), code);
        ASSERT_TRUE(folder);
    }

    files::File Reopen() const
    {
        int code = -1;
        return files::File::OpenIn(folder, "x.rep", code, files::Access::Read);
    }

    testsupport::ScratchTree tree;
    files::Folder folder;
    replays::OwnFiles own{4};
};

// A comparison holds the file under its other name: the lease is asked for again once it lets
// go, never reported refused.
TEST_F(OwnFilesTest, ALeaseWaitsForTheRemovalsOwnComparison)
{
    int code = -1;
    auto held = std::make_unique<replays::OwnFiles::Held>(own.Open(folder, "y.rep", code, files::Access::Read, nullptr, nullptr));
    ASSERT_TRUE(*held);
    const auto file = Reopen();
    files::Lease lease = files::Lease::Unavailable;
    Waiter owner([&] { lease = own.Lease(file); });
    EXPECT_FALSE(owner.EndedOrWaiting()) << "it did not wait for the comparison";
    held.reset();
    owner.Join();
    EXPECT_EQ(lease, files::Lease::Held);
    own.EndLease(file);
}

// Another program's descriptor is no comparison of the removal's: refused at once.
TEST_F(OwnFilesTest, ALeaseIsRefusedForAnotherProgramsDescriptor)
{
    const int other = ::open(tree.Path("x.rep").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_EQ(own.Lease(Reopen()), files::Lease::InUse);
    ::close(other);
}

// While the lease on a file with several names is held, a comparison that opens a file waits, so
// that its open does not read as another program reaching for the leased file.
TEST_F(OwnFilesTest, ComparisonsOpenNothingWhileALeaseIsHeld)
{
    const auto file = Reopen();
    ASSERT_EQ(own.Lease(file), files::Lease::Held);
    bool opened = false;
    Waiter reader([&] {
        int code = -1;
        opened = static_cast<bool>(own.Open(folder, "y.rep", code, files::Access::Read, nullptr, nullptr));
    });
    EXPECT_FALSE(reader.EndedOrWaiting()) << "it opened the file under the lease";
    EXPECT_TRUE(file.LeaseUndisturbed());
    own.EndLease(file);
    reader.Join();
    EXPECT_TRUE(opened);
}

} // namespace
