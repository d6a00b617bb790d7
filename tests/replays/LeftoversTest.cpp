// What a removal that ended before its time left hidden is brought back by the next scan.
#include "replays/FolderWalk.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <set>

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

} // namespace
