#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Remembers each deletion it is told of and, at that moment, which of the watched files exist.
class RecordingReport : public replays::RemovalReport {
public:
    void Deleted(const std::string& path) override
    {
        deleted.push_back(path);
        std::vector<std::string> present;
        for (const auto& watched : watch) {
            if (::access(watched.c_str(), F_OK) == 0)
                present.push_back(watched);
        }
        existing.push_back(std::move(present));
    }

    std::vector<std::string> watch;
    std::vector<std::string> deleted;
    std::vector<std::vector<std::string>> existing; // per deletion
};

class Removal : public testing::Test {
protected:
    // A replay of the given size; equal (first, second, seed) give equal bytes.
    std::string Put(const std::string& name, std::string_view first, std::string_view second = "s",
                    std::size_t size = 14000, unsigned seed = 0)
    {
        return tree.WriteFile("r/" + name, testsupport::MakeReplay(size, first, second, {}, seed));
    }

    replays::RemovalResult Run(replays::RemovalOptions options = {})
    {
        const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
        EXPECT_TRUE(scan.entered);
        options.report = &report;
        return replays::RemoveDuplicates(catalogue, options);
    }

    testsupport::ScratchTree tree;
    replays::Catalogue catalogue;
    RecordingReport report;
};

TEST_F(Removal, AnEmptyCatalogueOrOneRowDeletesNothing)
{
    auto result = replays::RemoveDuplicates(catalogue, {false, nullptr, nullptr, &report});
    EXPECT_TRUE(result.deleted.empty());
    Put("a.rep", "f");
    result = Run();
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_TRUE(result.notDeleted.empty());
    EXPECT_EQ(result.counts.candidates, 0u);
    EXPECT_TRUE(report.deleted.empty());
}

TEST_F(Removal, OfTwoIdenticalReplaysTheOneFoundFirstGoes)
{
    const auto first = Put("a.rep", "f");
    const auto second = Put("b.rep", "f");
    const auto result = Run();
    EXPECT_EQ(result.deleted, std::vector<std::string>{first});
    EXPECT_FALSE(tree.Exists("r/a.rep"));
    EXPECT_TRUE(tree.Exists("r/b.rep"));
    EXPECT_EQ(report.deleted, result.deleted);
    EXPECT_EQ(result.counts.candidates, 1u);
    EXPECT_EQ(result.counts.compared, 1u);
    EXPECT_EQ(result.counts.deleted, 1u);
    EXPECT_EQ(result.counts.bytesDeleted, tree.Read("r/b.rep").size()); // bytes, not records
    EXPECT_EQ(catalogue.RowCount(), 2u); // rows stay until the next scan
}

TEST_F(Removal, OfThreeIdenticalReplaysOnlyTheLastStaysAndEachDeletionIsToldAsItHappens)
{
    const auto a = Put("a.rep", "f");
    const auto b = Put("b.rep", "f");
    const auto c = Put("c.rep", "f");
    report.watch = {a, b, c};
    const auto result = Run();
    EXPECT_EQ(result.deleted, (std::vector<std::string>{a, b}));
    EXPECT_EQ(report.deleted, result.deleted);
    // a was told of once it had gone, and before b went.
    const std::vector<std::vector<std::string>> existing{{b, c}, {c}};
    EXPECT_EQ(report.existing, existing);
}

TEST_F(Removal, DifferentSizesOrSecondFingerprintsKeepReplays)
{
    Put("a.rep", "f", "s", 14000);
    Put("b.rep", "f", "s", 14400); // another size in records
    // A, B, C share the first fingerprint; A and C also the second, but never meet.
    Put("c1.rep", "g", "x", 15000);
    Put("c2.rep", "g", "y", 15000);
    Put("c3.rep", "g", "x", 15000);
    const auto result = Run();
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_TRUE(result.notDeleted.empty());
    EXPECT_TRUE(replays::PlanRemoval(catalogue).empty());
}

TEST_F(Removal, TheExchangeOrderDecidesWhichCopySurvives)
{
    // B1, B2, A: sorted A, B2, B1, so B2 goes and B1 (found first) stays.
    Put("1.rep", "B", "s", 14000);
    const auto b2 = Put("2.rep", "B", "s", 14000);
    Put("3.rep", "A", "s", 14000);
    // B1, A, B2 in a larger size: sorted A, B1, B2, so B1 goes.
    const auto c1 = Put("4.rep", "B", "s", 15000);
    Put("5.rep", "A", "s", 15000);
    Put("6.rep", "B", "s", 15000);
    // Identical replays of the largest size are found like any other.
    const auto d1 = Put("7.rep", "", "", 20000);
    Put("8.rep", "", "", 20000);
    const auto result = Run();
    EXPECT_EQ(result.deleted, (std::vector<std::string>{b2, c1, d1}));
}

TEST_F(Removal, FilesWithDifferentContentsAreKeptAndReported)
{
    const auto a = Put("a.rep", "f", "s", 14000, 1);
    const auto b = Put("b.rep", "f", "s", 14000, 2); // same fingerprints, other bytes
    const auto result = Run();
    EXPECT_TRUE(result.deleted.empty());
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_EQ(result.notDeleted[0].path, a);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::ContentsDiffer);
    EXPECT_EQ(result.notDeleted[0].other, b);
    EXPECT_TRUE(tree.Exists("r/a.rep"));
    EXPECT_TRUE(report.deleted.empty());
}

TEST_F(Removal, SameSizeInRecordsButOtherLengthIsNoDuplicate)
{
    const auto replay = testsupport::MakeReplay(14000, "f", "s");
    tree.WriteFile("r/a.rep", replay);
    tree.WriteFile("r/b.rep", replay + "tail");
    const auto result = Run();
    EXPECT_TRUE(result.deleted.empty());
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::ContentsDiffer);
    EXPECT_EQ(result.notDeleted[0].other, tree.Path("r/b.rep"));
}

TEST_F(Removal, OneFileUnderTwoNamesIsNeverDeletedForItself)
{
    const auto a = Put("a.rep", "f");
    tree.HardLink("r/b.rep", "r/a.rep");
    tree.Link("r/c.rep", "a.rep");
    tree.Link("r/d", ".");
    const auto result = Run();
    EXPECT_TRUE(result.deleted.empty());
    ASSERT_EQ(result.notDeleted.size(), 2u);
    EXPECT_EQ(result.notDeleted[0].path, a);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::SameFile);
    EXPECT_EQ(result.notDeleted[0].other, tree.Path("r/b.rep"));
    EXPECT_EQ(result.notDeleted[1].reason, replays::KeepReason::SameFile);
    EXPECT_EQ(result.notDeleted[1].other, tree.Path("r/c.rep"));
    EXPECT_EQ(tree.Read("r/a.rep"), testsupport::MakeReplay(14000, "f", "s"));
}

TEST_F(Removal, FilesChangedSinceTheScanAreKeptAndReported)
{
    const auto gone = Put("a.rep", "f");
    const auto b = Put("b.rep", "f");
    const auto readOnly = Put("c.rep", "f");
    Put("d.rep", "f");
    const auto beforeVanished = Put("e.rep", "g");
    Put("f.rep", "g");
    ASSERT_TRUE(replays::FindReplays(catalogue, tree.Path("r")).errors.empty());
    tree.Remove("r/a.rep");
    tree.SetMode("r/c.rep", 0444);
    tree.Remove("r/f.rep");

    const auto result = replays::RemoveDuplicates(catalogue, {false, nullptr, nullptr, &report});
    EXPECT_EQ(result.deleted, std::vector<std::string>{b});
    ASSERT_EQ(result.notDeleted.size(), 3u);
    EXPECT_EQ(result.notDeleted[0].path, gone);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::CannotOpen);
    EXPECT_EQ(result.notDeleted[0].code, files::kFileNotFound);
    EXPECT_EQ(result.notDeleted[1].path, readOnly);
    EXPECT_EQ(result.notDeleted[1].reason, replays::KeepReason::CannotOpen);
    EXPECT_EQ(result.notDeleted[1].code, files::kReadOnly);
    EXPECT_EQ(result.notDeleted[2].path, beforeVanished);
    EXPECT_EQ(result.notDeleted[2].reason, replays::KeepReason::CannotCompare);
    EXPECT_EQ(result.notDeleted[2].code, files::kFileNotFound);
    EXPECT_EQ(result.notDeleted[2].other, tree.Path("r/f.rep"));
    EXPECT_TRUE(tree.Exists("r/c.rep"));
    EXPECT_TRUE(tree.Exists("r/e.rep"));
    EXPECT_EQ(report.deleted, result.deleted);
}

TEST_F(Removal, RefusedDeletionsAreNotCounted)
{
    if (testsupport::RunningAsRoot())
        GTEST_SKIP() << "root deletes from folders without write permission; nothing is refused";
    Put("sub/a.rep", "f");
    Put("sub/b.rep", "f");
    tree.SetMode("r/sub", 0555);
    const auto result = Run();
    tree.SetMode("r/sub", 0755);
    EXPECT_TRUE(result.deleted.empty());
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_EQ(result.notDeleted[0].reason, replays::KeepReason::Refused);
    EXPECT_EQ(result.notDeleted[0].code, files::kAccessDenied);
}

TEST_F(Removal, ADryRunComparesButDeletesNothing)
{
    const auto a = Put("a.rep", "f");
    Put("b.rep", "f");
    const auto c = Put("c.rep", "g", "s", 14000, 1);
    Put("d.rep", "g", "s", 14000, 2);
    const auto result = Run({true, nullptr, nullptr});
    EXPECT_EQ(result.deleted, std::vector<std::string>{a});
    ASSERT_EQ(result.notDeleted.size(), 1u);
    EXPECT_EQ(result.notDeleted[0].path, c);
    EXPECT_TRUE(tree.Exists("r/a.rep"));
}

class Counting : public replays::RemovalProgress {
public:
    Counting(std::atomic<bool>& cancel) : FCancel(cancel) {}
    void RemovalAdvanced(const replays::RemovalCounts& counts) override
    {
        last = counts;
        if (counts.deleted == 2)
            FCancel = true;
    }
    replays::RemovalCounts last;

private:
    std::atomic<bool>& FCancel;
};

TEST_F(Removal, ReportsProgressAndStopsWhenCancelled)
{
    for (int i = 0; i < 6; ++i)
        Put(std::to_string(i) + ".rep", "f");
    std::atomic<bool> cancel{false};
    Counting progress(cancel);
    const auto result = Run({false, &progress, &cancel});
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.deleted.size(), 2u);
    EXPECT_EQ(progress.last.candidates, 5u);
    EXPECT_EQ(progress.last.done, 2u);
    EXPECT_EQ(report.deleted, result.deleted); // what was done is still reported
}

TEST_F(Removal, RunsLongerThanTwoThousandRowsAreWhole)
{
    replays::CatalogueBuilder builder;
    for (int i = 0; i < 2500; ++i)
        builder.AddEntry("/x/" + std::to_string(i) + ".rep", 70, "same", "same");
    catalogue = builder.Build();
    const auto plan = replays::PlanRemoval(catalogue);
    ASSERT_EQ(plan.size(), 2499u);
    EXPECT_EQ(plan.front().row, 0u);
    EXPECT_EQ(plan.back().keep, 2499u);
}

TEST_F(Removal, EveryKeptFileIsInTheResult)
{
    replays::CatalogueBuilder builder;
    for (int i = 0; i < 30; ++i)
        builder.AddEntry(tree.Path("missing" + std::to_string(i) + ".rep"), 70, "f", "s");
    catalogue = builder.Build();
    const auto result = replays::RemoveDuplicates(catalogue, {false, nullptr, nullptr, &report});
    EXPECT_EQ(result.notDeleted.size(), 29u);
    EXPECT_TRUE(report.deleted.empty());
}

} // namespace
