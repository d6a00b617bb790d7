// A file another program has open is not deleted: whatever that program writes into it later
// lands in a file that still has its name. (The removal's own comparisons never count as such a
// program: OwnFilesTest.cpp.)
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

std::string Replay(unsigned i)
{
    return testsupport::NumberedReplay(i);
}

class RemovalInUse : public testing::Test {
protected:
    replays::RemovalResult ScanAndRemove(replays::RemovalOptions options = {})
    {
        replays::Catalogue catalogue;
        EXPECT_TRUE(replays::FindReplays(catalogue, tree.Path("r")).errors.empty());
        return replays::RemoveDuplicates(catalogue, options);
    }

    static std::set<std::string> InUse(const replays::RemovalResult& result)
    {
        std::set<std::string> paths;
        for (const auto& kept : result.notDeleted) {
            if (kept.reason == replays::KeepReason::InUse)
                paths.insert(kept.path);
        }
        return paths;
    }

    testsupport::ScratchTree tree;
};

// Each copy that would go is held, in its own way, when the removal reaches it: by a descriptor
// for reading or for writing, or by a mapping whose descriptor is closed (the kernel tells any
// open file description apart from the removal's own, whoever holds it). What the holder writes
// afterwards is in the file.
TEST_F(RemovalInUse, AFileAnotherProgramHoldsIsKeptAndWhatItWritesLater)
{
    struct Hold {
        const char* what;
        int flags;
        int mapping; // 0: none; else the protection of a shared mapping, its descriptor closed
    };
    const std::vector<Hold> holds{{"a reader", O_RDONLY, 0},
                                  {"a writer", O_WRONLY | O_APPEND, 0},
                                  {"a read-only mapping", O_RDONLY, PROT_READ},
                                  {"a writable mapping", O_RDWR, PROT_READ | PROT_WRITE}};
    constexpr std::size_t kMapped = 4096;
    std::vector<int> descriptors;
    std::vector<void*> mappings;
    std::set<std::string> held;
    for (unsigned i = 0; i <= holds.size(); ++i) {
        const auto go = tree.WriteFile("r/" + std::to_string(i) + "a.rep", Replay(i));
        tree.WriteFile("r/" + std::to_string(i) + "b.rep", Replay(i));
        if (i == holds.size())
            break; // the last pair nobody holds
        int fd = ::open(go.c_str(), holds[i].flags | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        if (holds[i].mapping != 0) {
            mappings.push_back(::mmap(nullptr, kMapped, holds[i].mapping, MAP_SHARED, fd, 0));
            ASSERT_NE(mappings.back(), MAP_FAILED) << holds[i].what;
            ::close(std::exchange(fd, -1));
        }
        descriptors.push_back(fd);
        held.insert(go);
    }
    const auto result = ScanAndRemove();
    EXPECT_EQ(InUse(result), held);
    EXPECT_EQ(result.deleted, std::vector<std::string>{tree.Path("r/" + std::to_string(holds.size()) + "a.rep")});
    for (auto* mapped : mappings)
        ::munmap(mapped, kMapped);
    for (unsigned i = 0; i < holds.size(); ++i) {
        const auto name = "r/" + std::to_string(i) + "a.rep";
        const int writer = descriptors[i] >= 0 && holds[i].flags != O_RDONLY
            ? descriptors[i]
            : ::open(tree.Path(name).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        ASSERT_EQ(::write(writer, "!", 1), 1) << holds[i].what;
        ::close(writer);
        if (descriptors[i] >= 0 && descriptors[i] != writer)
            ::close(descriptors[i]);
        EXPECT_EQ(tree.Read(name), Replay(i) + "!") << holds[i].what;
    }
}

// A program opens the copy to go while the removal compares it (held at that moment by the read
// trap), before the copy is moved, and writes into it once the removal is over: not a byte is lost.
TEST_F(RemovalInUse, AWriterThatOpenedTheFileBeforeItMovedLosesNothing)
{
    REQUIRE_READ_TRAP();
    const auto go = tree.WriteFile("r/a.rep", Replay(1));
    tree.WriteFile("r/b.rep", Replay(1));
    replays::Catalogue catalogue;
    ASSERT_TRUE(replays::FindReplays(catalogue, tree.Path("r")).errors.empty());
    int writer = -1;
    testsupport::ReadTrap trap;
    trap.Arm(go, [&] { writer = ::open(go.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC); });
    const auto result = replays::RemoveDuplicates(catalogue);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "!", 1), 1);
    ::close(writer);
    EXPECT_TRUE(trap.Errors().empty());
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_EQ(InUse(result), std::set<std::string>{go});
    EXPECT_EQ(tree.Read("r/a.rep"), Replay(1) + "!");
}

// A program reaches for the file while the removal holds it aside: it finds the file leased, which
// it breaks (the program is kept waiting no longer than that), and the file gets its name back.
// The program comes by another name of the file, so that only the removal's own opens are held by
// the trap; the removal's process lives on through the signal the kernel sends it.
TEST_F(RemovalInUse, AProgramReachingForTheFileWhileItIsRemovedGetsItBack)
{
    REQUIRE_READ_TRAP();
    const auto go = tree.WriteFile("r/a.rep", Replay(1));
    tree.WriteFile("r/b.rep", Replay(1));
    tree.HardLink("elsewhere/a.rep", "r/a.rep");
    tree.SetMode("r", 0777); // the copy goes into a private folder, whose opening the trap holds
    replays::Catalogue catalogue;
    ASSERT_TRUE(replays::FindReplays(catalogue, tree.Path("r")).errors.empty());
    // The opens in r while the pair is decided: both copies compared, the copy to go opened again,
    // then the private folder, under the lease.
    constexpr int kPrivateFolderOpen = 4;
    testsupport::ReadTrap trap;
    const auto other = tree.Path("elsewhere/a.rep");
    trap.ArmOpenIn(tree.Path("r"), [&] {
        const pid_t opener = ::fork();
        if (opener == 0)
            ::_exit(::open(other.c_str(), O_RDONLY | O_NONBLOCK) < 0 && errno == EWOULDBLOCK ? 0 : 1);
        int status = -1;
        if (::waitpid(opener, &status, 0) != opener || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("the file was not leased when the other program reached for it");
    }, kPrivateFolderOpen);
    const auto result = replays::RemoveDuplicates(catalogue);
    EXPECT_EQ(trap.Errors(), std::vector<std::string>{});
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_EQ(InUse(result), std::set<std::string>{go});
    EXPECT_EQ(tree.Read("r/a.rep"), Replay(1));
}

} // namespace
