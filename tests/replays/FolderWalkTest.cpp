#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "replays/FolderWalk.h"
#include "support/ScratchTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One size for every replay here, so that row order is walk order.
constexpr std::size_t kReplayBytes = 15000; // room for record 55

std::string Replay(std::string_view first = "f")
{
    return testsupport::MakeReplay(kReplayBytes, first, "s", "fallback");
}

std::vector<std::string> Paths(const replays::Catalogue& catalogue)
{
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < catalogue.RowCount(); ++i)
        paths.emplace_back(catalogue.Row(i).Path);
    return paths;
}

TEST(FolderWalk, VisitsOwnReplaysFirstThenSubfoldersDepthFirst)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("temp/a.rep", Replay());
    tree.WriteFile("temp/z.rep", Replay());
    tree.WriteFile("temp/sub/b.rep", Replay());
    tree.WriteFile("temp/sub/deeper/c.rep", Replay());
    tree.WriteFile("temp/Another/d.rep", Replay());
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("temp"));
    EXPECT_TRUE(scan.entered);
    EXPECT_EQ(scan.folder, tree.Path("temp"));
    EXPECT_TRUE(scan.errors.empty());
    const std::vector<std::string> expected{
        tree.Path("temp/a.rep"),
        tree.Path("temp/z.rep"),
        tree.Path("temp/Another/d.rep"),
        tree.Path("temp/sub/b.rep"),
        tree.Path("temp/sub/deeper/c.rep"),
    };
    EXPECT_EQ(Paths(catalogue), expected);
    EXPECT_EQ(scan.counts.folders, 4u);
    EXPECT_EQ(scan.counts.files, 5u);
    EXPECT_EQ(scan.counts.replays, 5u);
    EXPECT_EQ(files::GetCurrentDir(), tree.Root()); // the scanned folder's parent
}

TEST(FolderWalk, TakesVisibleReplaysOnlyAndWalksEveryVisibleFolder)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("top/A.REP", Replay());
    tree.WriteFile("top/with space.rep", Replay());
    tree.WriteFile("top/\xff\xfe.rep", Replay());
    tree.WriteFile("top/.hidden.rep", Replay());
    tree.WriteFile("top/.hidden folder/x.rep", Replay());
    tree.WriteFile("top/notes.txt", "not a replay");
    tree.WriteFile("top/x.rep/inside.rep", Replay()); // a folder named like a replay
    ASSERT_EQ(::mkfifo(tree.Path("top/pipe.rep").c_str(), 0644), 0);
    tree.WriteFile("top/readonly.rep", Replay());
    tree.SetMode("top/readonly.rep", 0444);
    tree.WriteFile("outside/linked.rep", Replay());
    tree.Link("top/link.rep", tree.Path("outside/linked.rep"));
    tree.Link("top/dangling.rep", "nowhere.rep");

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("top") + "/");
    const std::vector<std::string> expected{
        tree.Path("top/A.REP"),
        tree.Path("top/link.rep"),
        tree.Path("top/with space.rep"),
        tree.Path("top/\xff\xfe.rep"),
        tree.Path("top/x.rep/inside.rep"),
    };
    EXPECT_EQ(Paths(catalogue), expected);
    EXPECT_TRUE(scan.errors.empty()); // read-only and system entries are no failures
    // The read-only replay is named, so that a folder of them does not look empty; the pipe is not.
    EXPECT_EQ(scan.readOnly, std::vector<std::string>{tree.Path("top/readonly.rep")});
}

TEST(FolderWalk, RelativeTextIsTakenFromWhereThePreviousScanLeftOff)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("games/g.rep", Replay());
    tree.WriteFile("temp/t.rep", Replay());
    replays::Catalogue catalogue;
    replays::FindReplays(catalogue, tree.Path("games"));
    ASSERT_EQ(files::GetCurrentDir(), tree.Root());
    const auto scan = replays::FindReplays(catalogue, "temp");
    EXPECT_EQ(scan.folder, tree.Path("temp"));
    EXPECT_EQ(Paths(catalogue), std::vector<std::string>{tree.Path("temp/t.rep")});
}

TEST(FolderWalk, FoldersThatCannotBeEnteredAddNothingAndMoveNothing)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("file.rep", Replay());
    tree.MakeFolder("empty");
    ASSERT_EQ(files::SetCurrentDir(tree.Path("empty")), files::kNoError);
    replays::CatalogueBuilder builder;
    builder.AddEntry("/old.rep", 60, "", "");
    replays::Catalogue catalogue = builder.Build();

    for (const std::string& text : {tree.Path("missing"), std::string(), tree.Path("file.rep")}) {
        const auto scan = replays::FindReplays(catalogue, text);
        EXPECT_FALSE(scan.entered) << text;
        EXPECT_NE(scan.enterError, files::kNoError);
        EXPECT_EQ(catalogue.RowCount(), 0u);
        EXPECT_EQ(files::GetCurrentDir(), tree.Path("empty"));
    }
    const auto scan = replays::FindReplays(catalogue, ".");
    EXPECT_TRUE(scan.entered);
    EXPECT_EQ(catalogue.RowCount(), 0u);
    EXPECT_EQ(files::GetCurrentDir(), tree.Root());
}

TEST(FolderWalk, AnUnreadableReplayIsReportedAndTheScanGoesOn)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("r/a.rep", Replay());
    tree.WriteFile("r/b short.rep", testsupport::MakeReplay(13055, "f", "s"));
    tree.WriteFile("r/c.rep", Replay());
    tree.WriteFile("r/sub/d.rep", testsupport::MakeReplay(14000, "", "s")); // fallback read fails
    tree.WriteFile("r/sub/e.rep", Replay(""));
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    const std::vector<std::string> expected{
        tree.Path("r/sub/d.rep"), tree.Path("r/a.rep"), tree.Path("r/c.rep"), tree.Path("r/sub/e.rep")};
    EXPECT_EQ(Paths(catalogue), expected);
    // Too short for record 50: no replay, and no error either.
    EXPECT_EQ(scan.tooShort, std::vector<std::string>{tree.Path("r/b short.rep")});
    ASSERT_EQ(scan.errors.size(), 1u);
    EXPECT_EQ(scan.errors[0].path, tree.Path("r/sub/d.rep"));
    EXPECT_EQ(scan.errors[0].code, files::kReadBeyondEnd);
    EXPECT_EQ(scan.errors[0].message, "Read beyond end of file");
    EXPECT_EQ(catalogue.Row(3).FirstFingerprint, "fallback");
    EXPECT_FALSE(scan.cancelled);
    EXPECT_EQ(files::GetCurrentDir(), tree.Root());
}

TEST(FolderWalk, RecordFiftyFiveComesInWithTheWalkForTheFallbackPass)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("r/a.rep", Replay(""));
    replays::CatalogueBuilder walked, passed;
    replays::ScanFolder(walked, tree.Path("r"));
    ASSERT_EQ(walked.Build().Row(0).FirstFingerprint, ""); // the walk alone leaves it empty
    replays::ScanFolder(passed, tree.Path("r"));
    tree.Remove("r/a.rep"); // the pass need not open it again
    std::vector<replays::ReplayError> errors;
    EXPECT_TRUE(passed.FallbackPass(errors));
    EXPECT_EQ(passed.Build().Row(0).FirstFingerprint, "fallback");
    EXPECT_TRUE(errors.empty());
}

TEST(FolderWalk, LinksAreFollowedButEveryFolderIsWalkedOnceByTheFirstPathThatReachesIt)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("top/a.rep", Replay());
    tree.WriteFile("top/sub/b.rep", Replay());
    tree.Link("top/sub/up", "..");
    tree.Link("top/sub/self", ".");
    tree.Link("top/sub/root", tree.Root());
    tree.WriteFile("other/o.rep", Replay());
    tree.Link("top/other", tree.Path("other"));
    tree.Link("top/twice", tree.Path("other"));

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("top"));
    // "root" leads above the walk's start; of what lies there, "other" and "top" were walked already.
    const std::vector<std::string> expected{
        tree.Path("top/a.rep"),
        tree.Path("top/other/o.rep"),
        tree.Path("top/sub/b.rep"),
    };
    EXPECT_EQ(Paths(catalogue), expected);
    EXPECT_TRUE(scan.errors.empty());
}

// Folders that each hold two links to the next one: without a cycle anywhere, level k can be
// reached by 2^k paths.
TEST(FolderWalk, LinksThatFanOutDoNotMultiplyTheWalk)
{
    constexpr int kLevels = 12;
    testsupport::ScratchTree tree;
    tree.WriteFile("top/0.rep", Replay());
    std::vector<std::string> expected{tree.Path("top/0.rep")};
    std::string firstPath = tree.Path("top");
    for (int level = 1; level <= kLevels; ++level) {
        const auto folder = level == 1 ? std::string("top") : "levels/" + std::to_string(level - 1);
        const auto next = tree.Path("levels/" + std::to_string(level));
        tree.WriteFile("levels/" + std::to_string(level) + "/" + std::to_string(level) + ".rep", Replay());
        tree.Link(folder + "/x", next);
        tree.Link(folder + "/y", next);
        firstPath += "/x";
        expected.push_back(firstPath + "/" + std::to_string(level) + ".rep");
    }
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("top"));
    EXPECT_EQ(Paths(catalogue), expected);
    EXPECT_EQ(scan.counts.folders, static_cast<std::uint64_t>(kLevels + 1));
}

TEST(FolderWalk, PathsUpToTheSystemLimitWorkAndLongerOnesAreReported)
{
    testsupport::ScratchTree tree;
    const std::size_t folderLength = files::kMaxPathLength - std::string_view("/x.rep").size();
    const std::string segment(200, 'd');
    std::string relative = "deep";
    while (tree.Path(relative).size() + 1 + segment.size() + 2 <= folderLength)
        relative += "/" + segment;
    relative += "/" + std::string(folderLength - tree.Path(relative).size() - 1, 'p');
    tree.WriteFile(relative + "/x.rep", Replay());
    ASSERT_EQ(tree.Path(relative + "/x.rep").size(), files::kMaxPathLength);
    // One byte too long for a path: made relative to its folder, which the system still allows.
    const int folder = ::open(tree.Path(relative).c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    const auto bytes = Replay();
    const int file = ::openat(folder, "xx.rep", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(file);
    ASSERT_EQ(::mkdirat(folder, "xxxxxx", 0755), 0); // a folder whose path is one byte too long

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("deep"));
    ::unlinkat(folder, "xx.rep", 0); // the tree's own clean-up works by path
    ::unlinkat(folder, "xxxxxx", AT_REMOVEDIR);
    ::close(folder);
    ASSERT_EQ(catalogue.RowCount(), 1u);
    EXPECT_EQ(catalogue.Row(0).Path, tree.Path(relative + "/x.rep"));
    ASSERT_EQ(scan.errors.size(), 2u);
    EXPECT_EQ(scan.errors[0].path, tree.Path(relative + "/xx.rep"));
    EXPECT_EQ(scan.errors[0].message, "Path too long");
    EXPECT_FALSE(scan.errors[0].folder);
    EXPECT_EQ(scan.errors[1].message, "Path too long");
    EXPECT_EQ(scan.errors[1].path, tree.Path(relative + "/xxxxxx"));
    EXPECT_TRUE(scan.errors[1].folder); // the user is told a folder, not a file, was passed over
}

class CancelAfter : public replays::ScanProgress {
public:
    CancelAfter(std::uint64_t files, std::atomic<bool>& cancel) : FFiles(files), FCancel(cancel) {}
    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view folder) override
    {
        ++calls;
        lastFolder = folder;
        if (counts.files >= FFiles)
            FCancel = true;
    }
    int calls = 0;
    std::string lastFolder;

private:
    std::uint64_t FFiles;
    std::atomic<bool>& FCancel;
};

TEST(FolderWalk, ReportsProgressAndStopsWhenCancelled)
{
    testsupport::ScratchTree tree;
    for (int i = 0; i < 10; ++i)
        tree.WriteFile("r/" + std::to_string(i) + ".rep", Replay(""));
    tree.WriteFile("r/sub/x.rep", Replay());
    std::atomic<bool> cancel{false};
    CancelAfter progress(3, cancel);
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"), {&progress, &cancel});
    EXPECT_TRUE(scan.cancelled);
    EXPECT_EQ(catalogue.RowCount(), 3u);
    EXPECT_EQ(catalogue.Row(0).FirstFingerprint, ""); // no fallback pass after a cancel
    EXPECT_GE(progress.calls, 4);
    EXPECT_EQ(progress.lastFolder, tree.Path("r"));
}

// Memory running out in the middle of a scan, say: what was found until then is what the list
// shows, in row order, and nothing of the scan before.
class FailAfter : public replays::ScanProgress {
public:
    explicit FailAfter(std::uint64_t replays) : FReplays(replays) {}
    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view) override
    {
        if (counts.replays == FReplays)
            throw std::runtime_error("scan failed");
    }

private:
    std::uint64_t FReplays;
};

TEST(FolderWalk, AScanThatFailsLeavesTheRowsItFoundUntilThen)
{
    testsupport::ScratchTree tree;
    for (int i = 0; i < 6; ++i)
        tree.WriteFile("r/" + std::to_string(i) + ".rep", testsupport::MakeReplay(20000 - 256 * i, "f", "s"));
    replays::CatalogueBuilder builder;
    builder.AddEntry("/old.rep", 60, "", "");
    replays::Catalogue catalogue = builder.Build();
    FailAfter progress(3);
    EXPECT_THROW(replays::FindReplays(catalogue, tree.Path("r"), {&progress, nullptr, 1}), std::runtime_error);
    EXPECT_EQ(Paths(catalogue), (std::vector<std::string>{tree.Path("r/2.rep"), tree.Path("r/1.rep"), tree.Path("r/0.rep")}));
}

TEST(FolderWalk, ReadingSideBySideGivesTheSameRowsAndShortFilesInWalkOrder)
{
    testsupport::ScratchTree tree;
    for (int folder = 0; folder < 12; ++folder) {
        for (int file = 0; file < 40; ++file) {
            const auto name = "r/f" + std::to_string(folder) + "/" + std::to_string(file) + ".rep";
            const auto size = file % 9 == 0 ? 13000 : 14336 + 256 * ((file * 7 + folder) % 5);
            tree.WriteFile(name, testsupport::MakeReplay(size, file % 4 == 0 ? "" : "f", "s", "x"));
        }
    }
    const auto scanWith = [&](unsigned readers, replays::Catalogue& catalogue) {
        return replays::FindReplays(catalogue, tree.Path("r"), {nullptr, nullptr, readers});
    };
    replays::Catalogue alone, together;
    const auto one = scanWith(1, alone);
    const auto four = scanWith(4, together);
    EXPECT_EQ(Paths(together), Paths(alone));
    EXPECT_EQ(one.tooShort.size(), 12u * 5u);
    EXPECT_EQ(four.tooShort, one.tooShort);
    for (std::size_t i = 0; i < alone.RowCount(); ++i)
        EXPECT_EQ(together.Row(i).FirstFingerprint, alone.Row(i).FirstFingerprint);
    EXPECT_EQ(four.counts.files, one.counts.files);
}

// A folder that cannot be opened is reported; so is every replay in a folder that can be listed
// but not entered, rather than dropping out in silence.
TEST(FolderWalk, FoldersThatCannotBeReadOrEnteredAreReported)
{
    if (testsupport::RunningAsRoot())
        GTEST_SKIP() << "root enters folders without permission; nothing to report";
    testsupport::ScratchTree tree;
    tree.WriteFile("r/a.rep", Replay());
    tree.WriteFile("r/listed/b.rep", Replay());
    tree.WriteFile("r/locked/c.rep", Replay());
    tree.SetMode("r/listed", 0644);
    tree.SetMode("r/locked", 0);
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    tree.SetMode("r/listed", 0755);
    EXPECT_EQ(Paths(catalogue), std::vector<std::string>{tree.Path("r/a.rep")});
    ASSERT_EQ(scan.errors.size(), 2u);
    EXPECT_EQ(scan.errors[0].path, tree.Path("r/listed/b.rep"));
    EXPECT_EQ(scan.errors[0].message, "File access denied");
    EXPECT_FALSE(scan.errors[0].folder);
    EXPECT_EQ(scan.errors[1].path, tree.Path("r/locked"));
    EXPECT_EQ(scan.errors[1].message, "File access denied");
    EXPECT_TRUE(scan.errors[1].folder);
}

} // namespace
