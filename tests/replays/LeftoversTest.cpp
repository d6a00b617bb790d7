// What a removal that ended before its time left hidden is brought back by the next scan.
#include "replays/FolderWalk.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <stdexcept>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

TEST(Leftovers, AScanBringsBackWhatARemovalThatEndedLeftHiddenAndLeavesRunningOnesAlone)
{
    testsupport::ScratchTree tree;
    const auto deadName = testsupport::LeftoverFolderName();
    const auto dead = "r/" + deadName;
    tree.WriteFile(dead + "/a.rep", testsupport::NumberedReplay(1));
    tree.WriteFile(dead + "/b.rep", testsupport::NumberedReplay(2));
    tree.WriteFile("r/b.rep", testsupport::NumberedReplay(3)); // b.rep's name was taken meanwhile
    // A file moved aside beside its name, in a folder only its user could write.
    tree.WriteFile("r/" + deadName + "-with-dashes.rep", testsupport::NumberedReplay(6));
    // An earlier version named a file it moved aside after the process and a counter.
    const auto pidAt = deadName.find('-', std::string_view(".dupsweep-").size()) + 1;
    const auto old = ".dupsweep-" + deadName.substr(pidAt, deadName.find('-', pidAt) - pidAt) + "-77-3";
    tree.WriteFile("r/" + old, testsupport::NumberedReplay(4));
    // A removal still running, and hidden names of someone else's.
    const auto running = "r/" + testsupport::LeftoverFolderName(true);
    tree.WriteFile(running + "/c.rep", testsupport::NumberedReplay(5));
    tree.WriteFile("r/.dupsweep-notes", "mine");

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    EXPECT_EQ(tree.Read("r/a.rep"), testsupport::NumberedReplay(1));
    EXPECT_EQ(tree.Read("r/b (2).rep"), testsupport::NumberedReplay(2));
    EXPECT_EQ(tree.Read("r/b.rep"), testsupport::NumberedReplay(3));
    EXPECT_EQ(tree.Read("r/" + old.substr(1) + ".rep"), testsupport::NumberedReplay(4));
    EXPECT_EQ(tree.Read("r/with-dashes.rep"), testsupport::NumberedReplay(6));
    EXPECT_FALSE(tree.Exists(dead));
    EXPECT_FALSE(tree.Exists("r/" + old));
    EXPECT_EQ(tree.Read(running + "/c.rep"), testsupport::NumberedReplay(5));
    EXPECT_EQ(tree.Read("r/.dupsweep-notes"), "mine");

    EXPECT_TRUE(scan.errors.empty());
    ASSERT_EQ(scan.restored.size(), 4u);
    std::set<std::pair<std::string, std::string>> restored;
    for (const auto& file : scan.restored)
        restored.insert({file.path, file.from});
    const std::set<std::pair<std::string, std::string>> expected{
        {tree.Path("r/a.rep"), tree.Path(dead + "/a.rep")},
        {tree.Path("r/b (2).rep"), tree.Path(dead + "/b.rep")},
        {tree.Path("r/" + old.substr(1) + ".rep"), tree.Path("r/" + old)},
        {tree.Path("r/with-dashes.rep"), tree.Path("r/" + deadName + "-with-dashes.rep")},
    };
    EXPECT_EQ(restored, expected);
    EXPECT_EQ(catalogue.RowCount(), 5u) << "what came back is listed";
}

TEST(Leftovers, WhatCannotBeBroughtBackIsReportedWhereItStays)
{
    if (testsupport::RunningAsRoot())
        GTEST_SKIP() << "root moves files out of folders it may not write";
    testsupport::ScratchTree tree;
    const auto dead = "r/" + testsupport::LeftoverFolderName();
    tree.WriteFile(dead + "/a.rep", testsupport::NumberedReplay(1));
    tree.SetMode("r", 0555);
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    tree.SetMode("r", 0755);
    EXPECT_TRUE(scan.restored.empty());
    ASSERT_EQ(scan.errors.size(), 1u);
    EXPECT_EQ(scan.errors[0].path, tree.Path(dead + "/a.rep"));
    EXPECT_NE(scan.errors[0].message.find("interrupted removal"), std::string::npos) << scan.errors[0].message;
    EXPECT_EQ(tree.Read(dead + "/a.rep"), testsupport::NumberedReplay(1));
}

// A process of another pid or time namespace that holds a lock, as a live run holds its private
// folder's or a shared one on a folder where it gives files hidden names; its stamp names no
// process here. Only calls a forked child of a threaded test may make.
class LockHolder {
public:
    LockHolder(const std::string& folder, int how)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(FRelease) != 0)
            throw std::runtime_error("pipe");
        FPid = ::fork();
        if (FPid == 0) {
            ::close(ready[0]);
            ::close(FRelease[1]);
            const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            const char locked = fd >= 0 && ::flock(fd, how | LOCK_NB) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &locked, 1);
            char byte;
            (void)!::read(FRelease[0], &byte, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(FRelease[0]);
        char locked = 'n';
        const bool told = ::read(ready[0], &locked, 1) == 1;
        ::close(ready[0]);
        if (!told || locked != 'y')
            throw std::runtime_error("cannot lock " + folder);
    }
    ~LockHolder() { End(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    void End()
    {
        if (FPid <= 0)
            return;
        ::close(FRelease[1]);
        ::waitpid(std::exchange(FPid, -1), nullptr, 0);
    }

private:
    pid_t FPid = -1;
    int FRelease[2] = {-1, -1};
};

TEST(Leftovers, ALeftoverIsBroughtBackOnlyOnceItsRunsLockCanBeTaken)
{
    struct Case {
        const char* what;
        bool privateFolder; // else a name beside the file, under the folder's shared lock
    };
    for (const auto& c : {Case{"a private folder", true}, Case{"a hidden name beside the file", false}}) {
        testsupport::ScratchTree tree;
        const auto dead = testsupport::LeftoverFolderName();
        const auto hidden = c.privateFolder ? "r/" + dead + "/a.rep" : "r/" + dead + "-a.rep";
        tree.WriteFile(hidden, testsupport::NumberedReplay(1));
        LockHolder live(tree.Path(c.privateFolder ? "r/" + dead : "r"), c.privateFolder ? LOCK_EX : LOCK_SH);
        replays::Catalogue catalogue;
        auto scan = replays::FindReplays(catalogue, tree.Path("r"));
        EXPECT_TRUE(scan.restored.empty()) << c.what;
        EXPECT_TRUE(scan.errors.empty()) << c.what;
        EXPECT_EQ(tree.Read(hidden), testsupport::NumberedReplay(1)) << c.what;
        live.End();
        scan = replays::FindReplays(catalogue, tree.Path("r"));
        ASSERT_EQ(scan.restored.size(), 1u) << c.what;
        EXPECT_EQ(scan.restored[0].path, tree.Path("r/a.rep")) << c.what;
        EXPECT_EQ(tree.Read("r/a.rep"), testsupport::NumberedReplay(1)) << c.what;
    }
}

// Names no removal of this program gives: "." and "..", hidden names, a name without ".rep".
TEST(Leftovers, ALeftoverComesBackVisibleUnderANameAReplayCouldHave)
{
    testsupport::ScratchTree tree;
    const auto beside = "r/" + testsupport::LeftoverFolderName() + "-";
    const auto folder = "r/" + testsupport::LeftoverFolderName() + "/";
    const std::vector<std::string> forged{beside + ".", beside + "..", beside + ".hidden.rep", beside + "notes",
                                          folder + ".x.rep", folder + "y", folder + "..."};
    std::multiset<std::string> wanted;
    for (unsigned i = 0; i < forged.size(); ++i) {
        tree.WriteFile(forged[i], testsupport::NumberedReplay(i));
        wanted.insert(testsupport::NumberedReplay(i));
    }
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    EXPECT_TRUE(scan.errors.empty());
    ASSERT_EQ(scan.restored.size(), forged.size());
    for (const auto& file : scan.restored) {
        const auto name = file.path.substr(file.path.rfind('/') + 1);
        EXPECT_FALSE(name.starts_with(".")) << file.path;
        EXPECT_TRUE(name.ends_with(".rep")) << file.path;
    }
    EXPECT_EQ(catalogue.RowCount(), forged.size()) << "each is listed";
    EXPECT_TRUE(testsupport::FileContentsBelow(tree.Path("r")) == wanted);
}

// A listing or a dry run only says where each leftover would come back to; a scan that brings
// them back puts them exactly there.
TEST(Leftovers, AScanThatChangesNothingSaysWhereEachWouldComeBack)
{
    testsupport::ScratchTree tree;
    const auto dead = testsupport::LeftoverFolderName();
    tree.WriteFile("r/" + dead + "/a.rep", testsupport::NumberedReplay(1));
    tree.WriteFile("r/" + dead + "/b.rep", testsupport::NumberedReplay(2));
    tree.WriteFile("r/b.rep", testsupport::NumberedReplay(3));
    tree.WriteFile("r/" + dead + "-b.rep", testsupport::NumberedReplay(4)); // b.rep again, beside
    const auto before = testsupport::FileContentsBelow(tree.Path("r"));

    replays::Catalogue catalogue;
    replays::ScanOptions options;
    options.bringBack = false;
    const auto told = replays::FindReplays(catalogue, tree.Path("r"), options);
    EXPECT_TRUE(testsupport::FileContentsBelow(tree.Path("r")) == before);
    EXPECT_TRUE(tree.Exists("r/" + dead + "/a.rep"));
    EXPECT_EQ(catalogue.RowCount(), 1u) << "what would come back stays hidden";
    std::set<std::pair<std::string, std::string>> would;
    std::set<std::string> paths;
    for (const auto& file : told.restored) {
        EXPECT_FALSE(file.broughtBack) << file.path;
        would.insert({file.path, file.from});
        paths.insert(file.path);
    }
    // The two b.rep take the names beside in the order the folder lists them.
    EXPECT_EQ(paths, (std::set<std::string>{tree.Path("r/a.rep"), tree.Path("r/b (2).rep"), tree.Path("r/b (3).rep")}));

    const auto done = replays::FindReplays(catalogue, tree.Path("r"));
    std::set<std::pair<std::string, std::string>> brought;
    for (const auto& file : done.restored) {
        EXPECT_TRUE(file.broughtBack) << file.path;
        brought.insert({file.path, file.from});
    }
    EXPECT_EQ(brought, would);
}

} // namespace
