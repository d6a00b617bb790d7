#include "platform/fs/FileErrors.h"
#include "replays/Catalogue.h"
#include "replays/CatalogueBuilder.h"
#include "replays/Fingerprint.h"
#include "support/ScratchTree.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace {

using replays::AddStatus;

std::string Record(std::initializer_list<int> leading)
{
    std::string record(replays::kRecordSize, '\x7f');
    std::size_t i = 0;
    for (const int b : leading)
        record[i++] = static_cast<char>(b);
    return record;
}

std::string_view Fingerprint(const std::string& record)
{
    return replays::FingerprintOf(reinterpret_cast<const unsigned char*>(record.data()));
}

TEST(Fingerprint, IsTheLengthPrefixedTextCutAtTheFirstZero)
{
    EXPECT_EQ(Fingerprint(Record({9, 65, 66, 0, 1, 2, 3, 4, 5, 6})), "AB");
    EXPECT_EQ(Fingerprint(Record({3, 65, 66, 67, 68})), "ABC");
    EXPECT_EQ(Fingerprint(Record({0, 65, 66})), "");
    EXPECT_EQ(Fingerprint(Record({5, 0, 66})), "");
    auto full = Record({255});
    EXPECT_EQ(Fingerprint(full), std::string(255, '\x7f'));
}

TEST(Catalogue, SizeIsInWholeRecordsAndRecordFiftyMustExist)
{
    testsupport::ScratchTree tree;
    replays::CatalogueBuilder builder;
    EXPECT_EQ(builder.AddReplay(tree.WriteFile("exact.rep", testsupport::MakeReplay(13056, "f", "s"))).status,
              AddStatus::Added);
    EXPECT_EQ(builder.AddReplay(tree.WriteFile("big.rep", testsupport::MakeReplay(1000000, "f", "s"))).status,
              AddStatus::Added);
    // One byte short of record 50 is no replay, rather than a replay that could not be read.
    const auto shorter = builder.AddReplay(tree.WriteFile("short.rep", testsupport::MakeReplay(13055, "f", "s")));
    EXPECT_EQ(shorter.status, AddStatus::TooShort);
    EXPECT_EQ(builder.AddReplay(tree.WriteFile("empty.rep", "")).status, AddStatus::TooShort);

    const auto catalogue = builder.Build();
    ASSERT_EQ(catalogue.RowCount(), 2u);
    EXPECT_EQ(catalogue.Row(0).Size, 51u);
    EXPECT_EQ(catalogue.Row(0).Name, "exact.rep");
    EXPECT_EQ(catalogue.Row(0).FirstFingerprint, "f");
    EXPECT_EQ(catalogue.Row(0).SecondFingerprint, "s");
    EXPECT_EQ(catalogue.Row(1).Size, 3906u);
    EXPECT_EQ(catalogue.Row(1).Path, tree.Path("big.rep"));
}

TEST(Catalogue, EqualSizesKeepTheOrderTheyWereAddedIn)
{
    testsupport::ScratchTree tree;
    replays::CatalogueBuilder builder;
    const auto sixty = 60 * replays::kRecordSize;
    builder.AddReplay(tree.WriteFile("one.rep", testsupport::MakeReplay(sixty, "1", "")));
    builder.AddReplay(tree.WriteFile("two.rep", testsupport::MakeReplay(52 * replays::kRecordSize + 7, "2", "")));
    builder.AddReplay(tree.WriteFile("three.rep", testsupport::MakeReplay(sixty + 255, "3", "")));
    const auto catalogue = builder.Build();
    ASSERT_EQ(catalogue.RowCount(), 3u);
    EXPECT_EQ(catalogue.Row(0).Name, "two.rep");
    EXPECT_EQ(catalogue.Row(1).Name, "one.rep");
    EXPECT_EQ(catalogue.Row(2).Name, "three.rep");
}

TEST(Catalogue, FilesThatCannotBeOpenedAreLeftOutSilently)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("readonly.rep", testsupport::MakeReplay(14000, "f", "s"));
    tree.SetMode("readonly.rep", 0444);
    tree.MakeFolder("folder.rep");
    replays::CatalogueBuilder builder;
    EXPECT_EQ(builder.AddReplay(tree.Path("readonly.rep")).status, AddStatus::Skipped);
    EXPECT_EQ(builder.AddReplay(tree.Path("folder.rep")).status, AddStatus::Skipped);
    EXPECT_EQ(builder.AddReplay(tree.Path("missing.rep")).status, AddStatus::Skipped);
    EXPECT_EQ(builder.Build().RowCount(), 0u);
}

TEST(Catalogue, FallbackPassFillsEmptyFirstFingerprintsFromRecordFiftyFive)
{
    testsupport::ScratchTree tree;
    replays::CatalogueBuilder builder;
    builder.AddReplay(tree.WriteFile("a.rep", testsupport::MakeReplay(15000, "", "s", "from55")));
    // 13,056..14,335 bytes: record 50 is there, record 55 is not.
    builder.AddReplay(tree.WriteFile("b.rep", testsupport::MakeReplay(14000, "", "s")));
    builder.AddReplay(tree.WriteFile("c.rep", testsupport::MakeReplay(16000, "", "s", "later")));
    builder.AddReplay(tree.WriteFile("d.rep", testsupport::MakeReplay(16000, "kept", "s", "unused")));
    auto gone = testsupport::MakeReplay(17000, "", "s", "gone");
    builder.AddReplay(tree.WriteFile("e.rep", gone));
    tree.Remove("e.rep");
    auto zeroLength = testsupport::MakeReplay(17000, "", "s");
    testsupport::PutRecord(zeroLength, replays::kFallbackFingerprintRecord, std::string(1, '\0'));
    builder.AddReplay(tree.WriteFile("f.rep", zeroLength));

    std::vector<replays::ReplayError> errors;
    EXPECT_TRUE(builder.FallbackPass(errors));
    const auto catalogue = builder.Build();
    ASSERT_EQ(catalogue.RowCount(), 6u);
    EXPECT_EQ(catalogue.Row(0).Name, "b.rep");
    EXPECT_EQ(catalogue.Row(0).FirstFingerprint, ""); // keeps its empty text
    EXPECT_EQ(catalogue.Row(1).FirstFingerprint, "from55");
    EXPECT_EQ(catalogue.Row(1).SecondFingerprint, "s");
    EXPECT_EQ(catalogue.Row(1).Path, tree.Path("a.rep"));
    EXPECT_EQ(catalogue.Row(2).FirstFingerprint, "later"); // the pass went on after b.rep
    EXPECT_EQ(catalogue.Row(3).FirstFingerprint, "kept");
    EXPECT_EQ(catalogue.Row(4).FirstFingerprint, "gone"); // record 55 came in with the first read
    EXPECT_EQ(catalogue.Row(5).FirstFingerprint, "");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].path, tree.Path("b.rep"));
    EXPECT_EQ(errors[0].code, files::kReadBeyondEnd);
    EXPECT_EQ(errors[0].message, "Read beyond end of file");
}

TEST(Catalogue, FallbackPassReadsRecordFiftyFiveItselfForRowsItWasNotReadFor)
{
    testsupport::ScratchTree tree;
    replays::CatalogueBuilder builder;
    const auto present = tree.WriteFile("a.rep", testsupport::MakeReplay(15000, "", "s", "from disk"));
    const auto shorter = tree.WriteFile("b.rep", testsupport::MakeReplay(14000, "", "s"));
    builder.AddEntry(present, 58, "", "s");
    builder.AddEntry(tree.Path("gone.rep"), 58, "", "s");
    builder.AddEntry(shorter, 58, "", "s");
    std::vector<replays::ReplayError> errors;
    EXPECT_TRUE(builder.FallbackPass(errors, nullptr, 2));
    const auto catalogue = builder.Build();
    EXPECT_EQ(catalogue.Row(0).FirstFingerprint, "from disk");
    EXPECT_EQ(catalogue.Row(1).FirstFingerprint, ""); // cannot be opened: left as it is
    EXPECT_EQ(catalogue.Row(2).FirstFingerprint, "");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].path, shorter);
    EXPECT_EQ(errors[0].code, files::kReadBeyondEnd);
}

TEST(Catalogue, FallbackPassStopsWhenCancelled)
{
    testsupport::ScratchTree tree;
    replays::CatalogueBuilder builder;
    builder.AddReplay(tree.WriteFile("a.rep", testsupport::MakeReplay(15000, "", "s", "x")));
    std::vector<replays::ReplayError> errors;
    const std::atomic<bool> cancel{true};
    EXPECT_FALSE(builder.FallbackPass(errors, &cancel));
    EXPECT_EQ(builder.Build().Row(0).FirstFingerprint, "");
}

TEST(Catalogue, ManyRowsComeOutInSizeOrderStableAcrossInterleavedPasses)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<std::uint64_t> size(51, 120);
    replays::CatalogueBuilder builder;
    std::vector<std::pair<std::uint64_t, std::string>> expected;
    std::vector<replays::ReplayError> errors;
    for (int i = 0; i < 20000; ++i) {
        const auto s = size(random);
        const auto path = "/replays/" + std::to_string(i) + ".rep";
        builder.AddEntry(path, s, "f", "s");
        expected.emplace_back(s, path);
        if (i % 4999 == 0) {
            ASSERT_TRUE(builder.FallbackPass(errors)); // ordering in between must not upset the order
        }
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    auto catalogue = builder.Build();
    ASSERT_EQ(catalogue.RowCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(catalogue.Row(i).Size, expected[i].first) << i;
        ASSERT_EQ(catalogue.Row(i).Path, expected[i].second) << i;
    }
    // Compact: the texts here are about 20 bytes a row.
    EXPECT_LT(catalogue.BytesUsed() / catalogue.RowCount(), 150u);

    catalogue = {};
    EXPECT_EQ(catalogue.RowCount(), 0u);
    EXPECT_EQ(catalogue.BytesUsed(), 0u);
}

TEST(Catalogue, ABuilderStartsAgainFromNothingOnceItHasBuilt)
{
    replays::CatalogueBuilder builder;
    builder.AddEntry("/r/b.rep", 60, "f", "s");
    builder.AddFolder("/r", {1, 10});
    const auto first = builder.Build();
    const auto empty = builder.Build();
    EXPECT_EQ(empty.RowCount(), 0u);
    EXPECT_EQ(empty.BytesUsed(), 0u);
    builder.AddEntry("/q/a.rep", 70, "g", "t");
    builder.AddEntry("/q/c.rep", 55, "h", "u");
    const auto second = builder.Build();
    ASSERT_EQ(second.RowCount(), 2u);
    EXPECT_EQ(second.Row(0).Path, "/q/c.rep");
    EXPECT_EQ(second.Row(1).Path, "/q/a.rep");
    files::FileId id;
    EXPECT_FALSE(second.FolderIdentity("/r", id));
    EXPECT_TRUE(first.FolderIdentity("/r", id));
    EXPECT_EQ(first.Row(0).Path, "/r/b.rep"); // the first catalogue is untouched by what came later
}

TEST(Catalogue, MovesToTheWindowAndLeavesAnEmptyUsableCatalogue)
{
    replays::CatalogueBuilder builder;
    builder.AddEntry("/r/b.rep", 60, "f", "s");
    builder.AddEntry("/r/a.rep", 55, "g", "t");
    replays::Catalogue scanned = builder.Build();
    replays::Catalogue shown = std::move(scanned);
    ASSERT_EQ(shown.RowCount(), 2u);
    EXPECT_EQ(shown.Row(0).Path, "/r/a.rep");
    EXPECT_EQ(scanned.RowCount(), 0u); // what is left after the move must be usable
    builder.AddEntry("/r/c.rep", 70, "h", "u");
    scanned = builder.Build();
    EXPECT_EQ(scanned.Row(0).Path, "/r/c.rep");
    EXPECT_EQ(shown.Row(1).Path, "/r/b.rep");
    shown = std::move(scanned);
    EXPECT_EQ(shown.Row(0).Path, "/r/c.rep");
}

TEST(Catalogue, EntriesKeepTheirBytesAndRefuseOversizedTexts)
{
    replays::CatalogueBuilder builder;
    const std::string odd = "/x/\xff name\n.rep";
    const std::string binary("\x01\x80\xff", 3);
    builder.AddEntry(odd, 70, binary, std::string(255, 'z'));
    EXPECT_THROW(builder.AddEntry("/p", 1, std::string(256, 'a'), ""), std::length_error);
    EXPECT_THROW(builder.AddEntry(std::string(70000, 'p'), 1, "", ""), std::length_error);
    const auto catalogue = builder.Build();
    EXPECT_EQ(catalogue.RowCount(), 1u);
    const auto row = catalogue.Row(0);
    EXPECT_EQ(row.Path, odd);
    EXPECT_EQ(row.Name, "\xff name\n.rep");
    EXPECT_EQ(row.FirstFingerprint, binary);
    EXPECT_EQ(row.SecondFingerprint.size(), 255u);
}

TEST(Catalogue, RemembersTheFoldersItsRowsCameFromAndWhichTheyWere)
{
    replays::CatalogueBuilder builder;
    builder.AddFolder("/b", {1, 20});
    builder.AddFolder("/a/\xff", {1, 10});
    builder.AddFolder("/", {1, 2});
    auto catalogue = builder.Build();
    files::FileId id;
    ASSERT_TRUE(catalogue.FolderIdentity("/a/\xff", id));
    EXPECT_EQ(id, (files::FileId{1, 10}));
    ASSERT_TRUE(catalogue.FolderIdentity("/", id));
    EXPECT_EQ(id, (files::FileId{1, 2}));
    EXPECT_FALSE(catalogue.FolderIdentity("/a", id));
    replays::Catalogue moved(std::move(catalogue));
    EXPECT_TRUE(moved.FolderIdentity("/b", id));
    EXPECT_FALSE(catalogue.FolderIdentity("/b", id)); // a moved-from catalogue is empty
    moved = {};
    EXPECT_FALSE(moved.FolderIdentity("/b", id));
}

} // namespace
