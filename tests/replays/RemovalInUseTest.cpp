// A file another program has open is not deleted: whatever that program writes into it later
// lands in a file that still has its name. The removal's own comparisons, which may hold the same
// file under another name, never count as such a program.
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

namespace {

// Another program holding a file open, as the test tells it: a process of its own, started
// before the removal, that opens (and maybe maps) the file when told, and lets go of it, after
// appending bytes when asked, when told again. Only calls a forked child of a threaded test may
// make.
class OtherProgram {
public:
    enum class Hold { Read, Write, MapRead, MapWrite };

    OtherProgram(std::string path, Hold hold) : FPath(std::move(path)), FHold(hold)
    {
        if (::pipe(FTell) != 0 || ::pipe(FDone) != 0)
            throw std::runtime_error("pipe");
        FPid = ::fork();
        if (FPid == 0)
            Child();
        ::close(FTell[0]);
        ::close(FDone[1]);
    }

    ~OtherProgram()
    {
        // Told to end rather than left to see its pipe close: programs started later hold it too.
        const char end = kEnd;
        if (::write(FTell[1], &end, 1) == 1 && FPid > 0)
            ::waitpid(FPid, nullptr, 0);
        ::close(FTell[1]);
        ::close(FDone[0]);
    }

    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    // Opens the file now, and returns once it is open.
    void Open() { Ask('o'); }
    // Appends bytes through the descriptor it opened, then lets go of the file.
    void AppendAndClose(char byte) { Ask(byte); }

private:
    static constexpr char kEnd = 'e';

    void Ask(char what)
    {
        char answer = 0;
        if (::write(FTell[1], &what, 1) != 1 || ::read(FDone[0], &answer, 1) != 1 || answer != 'y')
            throw std::runtime_error("the other program failed to do as told with " + FPath);
    }

    [[noreturn]] void Child()
    {
        ::close(FTell[1]);
        ::close(FDone[0]);
        char what = 0;
        int fd = -1;
        void* mapped = MAP_FAILED;
        constexpr std::size_t kMapped = 4096;
        while (::read(FTell[0], &what, 1) == 1 && what != kEnd) {
            bool done = false;
            if (what == 'o') {
                const int flags = FHold == Hold::Read || FHold == Hold::MapRead ? O_RDONLY
                    : FHold == Hold::Write                                      ? O_WRONLY | O_APPEND
                                                                                : O_RDWR;
                fd = ::open(FPath.c_str(), flags);
                done = fd >= 0;
                if (done && (FHold == Hold::MapRead || FHold == Hold::MapWrite)) {
                    const int protection = FHold == Hold::MapWrite ? PROT_READ | PROT_WRITE : PROT_READ;
                    mapped = ::mmap(nullptr, kMapped, protection, MAP_SHARED, fd, 0);
                    done = mapped != MAP_FAILED;
                    ::close(fd); // the mapping alone holds the file now
                    fd = -1;
                }
            } else {
                int writer = fd;
                if (writer < 0 || FHold != Hold::Write) // it appends through a descriptor of its own
                    writer = ::open(FPath.c_str(), O_WRONLY | O_APPEND);
                if (fd >= 0 && fd != writer)
                    ::close(fd);
                done = writer >= 0 && ::write(writer, &what, 1) == 1;
                if (mapped != MAP_FAILED)
                    ::munmap(mapped, kMapped);
                ::close(writer);
            }
            const char answer = done ? 'y' : 'n';
            (void)!::write(FDone[1], &answer, 1);
        }
        ::_exit(0);
    }

    std::string FPath;
    Hold FHold;
    int FTell[2] = {-1, -1};
    int FDone[2] = {-1, -1};
    pid_t FPid = -1;
};

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

// Each copy that would go is held by another program in its own way when the removal reaches it;
// a dry run says what the real run does. What each program writes afterwards is in the file.
TEST_F(RemovalInUse, AFileAnotherProgramHoldsIsKeptAndWhatItWritesLater)
{
    using Hold = OtherProgram::Hold;
    const std::vector<Hold> holds{Hold::Read, Hold::Write, Hold::MapRead, Hold::MapWrite};
    std::vector<std::unique_ptr<OtherProgram>> programs;
    std::set<std::string> held;
    for (unsigned i = 0; i <= holds.size(); ++i) {
        const auto go = tree.WriteFile("r/" + std::to_string(i) + "a.rep", Replay(i));
        tree.WriteFile("r/" + std::to_string(i) + "b.rep", Replay(i));
        if (i == holds.size())
            break; // the last pair nobody holds
        programs.push_back(std::make_unique<OtherProgram>(go, holds[i]));
        programs.back()->Open();
        held.insert(go);
    }
    replays::RemovalOptions dry;
    dry.dryRun = true;
    EXPECT_EQ(InUse(ScanAndRemove(dry)), held);
    const auto result = ScanAndRemove();
    EXPECT_EQ(InUse(result), held);
    EXPECT_EQ(result.deleted, std::vector<std::string>{tree.Path("r/" + std::to_string(holds.size()) + "a.rep")});
    for (unsigned i = 0; i < holds.size(); ++i) {
        programs[i]->AppendAndClose('!');
        EXPECT_EQ(tree.Read("r/" + std::to_string(i) + "a.rep"), Replay(i) + "!") << "held as " << i;
    }
}

// A program opens the copy to go while the removal compares it (held at that moment by the read
// trap), before the copy is moved, and writes into it once the removal is over: not a byte is lost.
TEST_F(RemovalInUse, AWriterThatOpenedTheFileBeforeItMovedLosesNothing)
{
    REQUIRE_READ_TRAP();
    const auto go = tree.WriteFile("r/a.rep", Replay(1));
    tree.WriteFile("r/b.rep", Replay(1));
    OtherProgram writer(go, OtherProgram::Hold::Write);
    replays::Catalogue catalogue;
    ASSERT_TRUE(replays::FindReplays(catalogue, tree.Path("r")).errors.empty());
    testsupport::ReadTrap trap;
    trap.Arm(go, [&] { writer.Open(); });
    const auto result = replays::RemoveDuplicates(catalogue);
    writer.AppendAndClose('!');
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

// Files met under two names, with comparisons running ahead on several threads: whatever the
// removal's own comparisons hold when it deletes a name, it reports no file in use and loses none
// (OwnFilesTest.cpp shows the waiting this takes).
TEST_F(RemovalInUse, FilesUnderTwoNamesWithComparisonsAheadAreNeverInUse)
{
    constexpr unsigned kGroups = 150;
    std::vector<std::string> wanted;
    for (unsigned i = 0; i < kGroups; ++i) {
        const auto folder = "r/" + std::to_string(i) + "/";
        wanted.push_back(Replay(i));
        tree.WriteFile(folder + "1.rep", wanted.back());
        tree.WriteFile(folder + "2.rep", wanted.back());
        tree.HardLink(folder + "3.rep", folder + "1.rep");
    }
    replays::RemovalOptions options;
    options.verifiers = 8;
    const auto result = ScanAndRemove(options);
    EXPECT_EQ(InUse(result), std::set<std::string>{});
    EXPECT_GE(result.deleted.size(), kGroups);
    const auto contents = testsupport::FileContentsBelow(tree.Path("r"));
    for (const auto& bytes : wanted)
        EXPECT_GE(contents.count(bytes), 1u);
}

} // namespace
