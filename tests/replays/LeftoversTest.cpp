// What a removal that ended before its time left hidden is brought back by the next scan.
#include "platform/fs/Process.h"
#include "replays/FolderWalk.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A process that has started and ended, as its private folders would record it.
files::ProcessStamp EndedProcess()
{
    int gate[2];
    if (::pipe(gate) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(gate[1]);
        char byte;
        (void)!::read(gate[0], &byte, 1); // until the parent has read its start
        ::_exit(0);
    }
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(in), {}};
    ::close(gate[1]);
    ::close(gate[0]);
    ::waitpid(pid, nullptr, 0);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 22; ++i) // the start time is the 22nd field
        fields >> field;
    files::ProcessStamp ended{files::ThisProcess().boot, pid, 0};
    fields >> ended.started;
    return ended;
}

std::string PrivateFolder(const files::ProcessStamp& owner)
{
    return ".dupsweep-" + owner.boot + "-" + std::to_string(owner.pid) + "-" + std::to_string(owner.started)
        + "-0123456789abcdef";
}

std::string Replay(unsigned seed)
{
    return testsupport::MakeReplay(14000, "f" + std::to_string(seed), "s", {}, seed);
}

TEST(Leftovers, AScanBringsBackWhatARemovalThatEndedLeftHiddenAndLeavesRunningOnesAlone)
{
    testsupport::ScratchTree tree;
    const auto ended = EndedProcess();
    const auto dead = "r/" + PrivateFolder(ended);
    tree.WriteFile(dead + "/a.rep", Replay(1));
    tree.WriteFile(dead + "/b.rep", Replay(2));
    tree.WriteFile("r/b.rep", Replay(3)); // b.rep's name was taken meanwhile
    // An earlier version's leftover, without its name.
    const auto old = ".dupsweep-" + std::to_string(ended.pid) + "-77-3";
    tree.WriteFile("r/" + old, Replay(4));
    // A removal still running, and hidden names of someone else's.
    const auto running = "r/" + PrivateFolder(files::ThisProcess());
    tree.WriteFile(running + "/c.rep", Replay(5));
    tree.WriteFile("r/.dupsweep-notes", "mine");

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    EXPECT_EQ(tree.Read("r/a.rep"), Replay(1));
    EXPECT_EQ(tree.Read("r/b (2).rep"), Replay(2));
    EXPECT_EQ(tree.Read("r/b.rep"), Replay(3));
    EXPECT_EQ(tree.Read("r/" + old.substr(1) + ".rep"), Replay(4));
    EXPECT_FALSE(tree.Exists(dead));
    EXPECT_FALSE(tree.Exists("r/" + old));
    EXPECT_EQ(tree.Read(running + "/c.rep"), Replay(5));
    EXPECT_EQ(tree.Read("r/.dupsweep-notes"), "mine");

    EXPECT_TRUE(scan.errors.empty());
    ASSERT_EQ(scan.restored.size(), 3u);
    std::set<std::pair<std::string, std::string>> restored;
    for (const auto& file : scan.restored)
        restored.insert({file.path, file.from});
    const std::set<std::pair<std::string, std::string>> expected{
        {tree.Path("r/a.rep"), tree.Path(dead + "/a.rep")},
        {tree.Path("r/b (2).rep"), tree.Path(dead + "/b.rep")},
        {tree.Path("r/" + old.substr(1) + ".rep"), tree.Path("r/" + old)},
    };
    EXPECT_EQ(restored, expected);
    EXPECT_EQ(catalogue.RowCount(), 4u) << "what came back is listed";
}

TEST(Leftovers, WhatCannotBeBroughtBackIsReportedWhereItStays)
{
    if (testsupport::RunningAsRoot())
        GTEST_SKIP() << "root moves files out of folders it may not write";
    testsupport::ScratchTree tree;
    const auto dead = "r/" + PrivateFolder(EndedProcess());
    tree.WriteFile(dead + "/a.rep", Replay(1));
    tree.SetMode("r", 0555);
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    tree.SetMode("r", 0755);
    EXPECT_TRUE(scan.restored.empty());
    ASSERT_EQ(scan.errors.size(), 1u);
    EXPECT_EQ(scan.errors[0].path, tree.Path(dead + "/a.rep"));
    EXPECT_NE(scan.errors[0].message.find("interrupted removal"), std::string::npos) << scan.errors[0].message;
    EXPECT_EQ(tree.Read(dead + "/a.rep"), Replay(1));
}

} // namespace
