#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

namespace {

class RealReplays : public testing::Test {
protected:
    void SetUp() override
    {
        source = testsupport::RealReplaysFolder();
        if (source.empty())
            GTEST_SKIP() << "no real replays beside the repository (../shared/testdata/replays/real)";
    }

    // Copies the named replays into the scratch tree, under new names when given.
    void Copy(std::initializer_list<std::pair<const char*, const char*>> files)
    {
        for (const auto& [from, to] : files)
            tree.CopyFile(std::string("replays/") + to, source + "/" + from);
    }

    std::string source;
    testsupport::ScratchTree tree;
    replays::Catalogue catalogue;
};

TEST_F(RealReplays, ShortOnesAreNamedAsNoReplaysAndEmptyFirstFingerprintsFallBack)
{
    Copy({{"r01.rep", "r01.rep"}, {"r03.rep", "r03.rep"}, {"r04.rep", "r04.rep"}, {"r27.rep", "r27.rep"},
          {"r16.rep", "r16.rep"}});
    const auto scan = replays::FindReplays(catalogue, tree.Path("replays"));
    EXPECT_TRUE(scan.errors.empty());
    const std::vector<std::string> tooShort{tree.Path("replays/r01.rep"), tree.Path("replays/r03.rep")};
    EXPECT_EQ(scan.tooShort, tooShort);
    ASSERT_EQ(catalogue.RowCount(), 3u);
    for (std::size_t i = 0; i < catalogue.RowCount(); ++i) {
        EXPECT_FALSE(catalogue.Row(i).FirstFingerprint.empty()) << catalogue.Row(i).Name;
        EXPECT_FALSE(catalogue.Row(i).SecondFingerprint.empty()) << catalogue.Row(i).Name;
    }
    EXPECT_EQ(catalogue.Row(0).Name, "r16.rep"); // 39,402 bytes: 153 records
    EXPECT_EQ(catalogue.Row(0).Size, 153u);
}

TEST_F(RealReplays, IdenticalCopiesGoAndLookalikesStay)
{
    Copy({{"r30.rep", "a/r30.rep"}, {"r31.rep", "b/r31.rep"}, {"r32.rep", "a/r32.rep"}, {"r33.rep", "b/r33.rep"},
          {"r34.rep", "c/r34.rep"}, {"r22.rep", "a/r22.rep"}, {"r23.rep", "b/r23.rep"}, {"r21.rep", "a/r21.rep"},
          {"r24.rep", "a/r24.rep"}});
    ASSERT_TRUE(replays::FindReplays(catalogue, tree.Path("replays")).errors.empty());
    const auto result = replays::RemoveDuplicates(catalogue);
    const std::vector<std::string> expected{
        tree.Path("replays/a/r30.rep"),
        tree.Path("replays/a/r32.rep"),
        tree.Path("replays/b/r33.rep"),
    };
    EXPECT_EQ(result.deleted, expected);
    EXPECT_TRUE(result.notDeleted.empty());
    EXPECT_TRUE(tree.Exists("replays/b/r31.rep"));
    EXPECT_TRUE(tree.Exists("replays/c/r34.rep"));
    EXPECT_TRUE(tree.Exists("replays/a/r22.rep"));
    EXPECT_TRUE(tree.Exists("replays/b/r23.rep"));
}

} // namespace
