// The removal against other programs changing the tree while it runs: whatever they do, no
// content that existed before is lost, and nothing outside the scanned folder changes.
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using testsupport::FileContentsBelow;

// How many of wanted are not the contents of any file below folder.
std::size_t Lost(const std::vector<std::string>& wanted, const std::string& folder)
{
    const auto contents = FileContentsBelow(folder);
    std::size_t lost = 0;
    for (const auto& bytes : wanted)
        lost += contents.count(bytes) == 0 ? 1 : 0;
    return lost;
}

std::string Replay(unsigned i, std::size_t size = 14000)
{
    return testsupport::MakeReplay(size, "first " + std::to_string(i), "second", {}, i);
}

bool Exchange(const std::string& a, const std::string& b)
{
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// Two removals at once over the same replays, reached through two views of the tree that list
// each pair in opposite orders: each would delete the copy the other keeps.
TEST(RemovalRace, TwoRemovalsInOppositeOrdersNeverDeleteBothCopies)
{
    constexpr unsigned kPairs = 300;
    testsupport::ScratchTree tree;
    std::vector<std::string> wanted;
    for (unsigned i = 0; i < kPairs; ++i) {
        wanted.push_back(Replay(i, 60000));
        tree.WriteFile("shared/p/" + std::to_string(i) + ".rep", wanted.back());
        tree.WriteFile("shared/q/" + std::to_string(i) + ".rep", wanted.back());
    }
    tree.Link("x/1", tree.Path("shared/p"));
    tree.Link("x/2", tree.Path("shared/q"));
    tree.Link("y/1", tree.Path("shared/q"));
    tree.Link("y/2", tree.Path("shared/p"));
    replays::Catalogue x, y;
    ASSERT_EQ(replays::FindReplays(x, tree.Path("x")).counts.replays, 2 * kPairs);
    ASSERT_EQ(replays::FindReplays(y, tree.Path("y")).counts.replays, 2 * kPairs);
    ASSERT_EQ(replays::PlanRemoval(x).size(), kPairs);

    std::atomic<int> ready{0};
    replays::RemovalResult fromX, fromY;
    const auto run = [&](const replays::Catalogue& catalogue, replays::RemovalResult& result) {
        ++ready;
        while (ready.load() < 2) {
        }
        result = replays::RemoveDuplicates(catalogue);
    };
    std::thread other(run, std::cref(y), std::ref(fromY));
    run(x, fromX);
    other.join();

    EXPECT_EQ(Lost(wanted, tree.Path("shared")), 0u);
    EXPECT_EQ(fromX.deleted.size() + fromY.deleted.size() + fromX.notDeleted.size() + fromY.notDeleted.size(),
              2 * kPairs);
    EXPECT_LE(fromX.deleted.size() + fromY.deleted.size(), kPairs);
}

class RemovalTrap : public testing::Test {
protected:
    replays::RemovalResult Run(const replays::RemovalOptions& options = {})
    {
        return replays::RemoveDuplicates(catalogue, options);
    }

    void Scan()
    {
        const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
        ASSERT_TRUE(scan.errors.empty());
    }

    testsupport::ScratchTree tree;
    replays::Catalogue catalogue;
};

// The copy that stays goes, or is replaced by other bytes, while the other is being compared.
TEST_F(RemovalTrap, TheCopyThatStaysChangingDuringTheComparisonKeepsTheOther)
{
    REQUIRE_READ_TRAP();
    const auto removed = Replay(1, 600000), replaced = Replay(2, 600000);
    tree.WriteFile("r/a1.rep", removed);
    tree.WriteFile("r/b1.rep", removed);
    tree.WriteFile("r/a2.rep", replaced);
    tree.WriteFile("r/b2.rep", replaced);
    tree.WriteFile("other.rep", Replay(3, 600000));
    Scan();
    testsupport::ReadTrap trap;
    trap.Arm(tree.Path("r/a1.rep"), [&] { tree.Remove("r/b1.rep"); });
    trap.Arm(tree.Path("r/a2.rep"),
             [&] { ASSERT_EQ(::rename(tree.Path("other.rep").c_str(), tree.Path("r/b2.rep").c_str()), 0); });
    const auto result = Run();
    EXPECT_TRUE(trap.Errors().empty());
    EXPECT_EQ(Lost({removed, replaced}, tree.Path("r")), 0u);
    EXPECT_TRUE(result.deleted.empty());
    ASSERT_EQ(result.notDeleted.size(), 2u);
    for (const auto& kept : result.notDeleted)
        EXPECT_EQ(kept.reason, replays::KeepReason::OtherChanged) << kept.path;
}

// Bytes written into either file after the part they land in was compared.
TEST_F(RemovalTrap, DataWrittenDuringTheComparisonIsNeverDeletedUnseen)
{
    REQUIRE_READ_TRAP();
    constexpr std::size_t kBig = std::size_t{5} << 20; // several blocks of any comparison
    for (unsigned i = 1; i <= 3; ++i) {
        tree.WriteFile("r/a" + std::to_string(i) + ".rep", Replay(i, kBig));
        tree.WriteFile("r/b" + std::to_string(i) + ".rep", Replay(i, kBig));
    }
    Scan();
    const auto append = [&](const std::string& name) {
        const int fd = ::open(tree.Path(name).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "more", 4), 4);
        ::close(fd);
    };
    testsupport::ReadTrap trap;
    trap.Arm(tree.Path("r/a1.rep"), [&] { append("r/a1.rep"); }); // beyond the length seen at the start
    trap.Arm(tree.Path("r/b2.rep"), [&] { append("r/b2.rep"); }); // the copy that stays grows
    trap.Arm(tree.Path("r/a3.rep"), [&] { // into the first block, already compared
        const int fd = ::open(tree.Path("r/a3.rep").c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "changed", 7, 0), 7);
        ::close(fd);
    }, 2);
    const auto result = Run();
    EXPECT_TRUE(trap.Errors().empty());
    EXPECT_TRUE(result.deleted.empty());
    for (const auto* name : {"r/a1.rep", "r/a2.rep", "r/a3.rep"})
        EXPECT_TRUE(tree.Exists(name)) << name;
    // Appended bytes are met by reading to the end; a write into what was compared already shows
    // in the file's stamp.
    const std::vector<replays::KeepReason> expected{replays::KeepReason::ContentsDiffer,
                                                    replays::KeepReason::ContentsDiffer, replays::KeepReason::Changed};
    std::vector<replays::KeepReason> reasons;
    for (const auto& kept : result.notDeleted)
        reasons.push_back(kept.reason);
    EXPECT_EQ(reasons, expected);
}

// Another file exchanged into the name of a compared copy, again and again, while the removal
// runs: what is deleted is only ever a compared copy. The exchange has to land in a gap of a few
// system calls, so the race is run for several rounds.
TEST(RemovalRace, AFileExchangedIntoTheNameIsNeverDeleted)
{
    REQUIRE_READ_TRAP();
    constexpr unsigned kRounds = 5;
    constexpr unsigned kPairs = 200;
    for (unsigned round = 0; round < kRounds && !testing::Test::HasFailure(); ++round) {
        testsupport::ScratchTree tree;
        std::vector<std::string> wanted, names, others;
        for (unsigned i = 0; i < kPairs; ++i) {
            const auto n = std::to_string(i);
            wanted.push_back(Replay(i, 100000));
            names.push_back(tree.WriteFile("r/" + n + "a.rep", wanted.back()));
            tree.WriteFile("r/" + n + "b.rep", wanted.back());
            wanted.push_back(Replay(1000 + i, 100000));
            others.push_back(tree.WriteFile("x/" + n + ".dat", wanted.back()));
        }
        replays::Catalogue catalogue;
        ASSERT_EQ(replays::FindReplays(catalogue, tree.Path("r")).counts.replays, 2 * kPairs);
        // Set on a pair's first read, the mutator exchanges that pair's first copy with its other
        // file as fast as it can until the next pair begins.
        std::atomic<int> target{-1};
        std::atomic<bool> stop{false};
        std::thread mutator([&] {
            while (!stop.load()) {
                if (const int i = target.load(); i >= 0)
                    Exchange(names[static_cast<std::size_t>(i)], others[static_cast<std::size_t>(i)]);
            }
        });
        {
            testsupport::ReadTrap trap;
            for (unsigned i = 0; i < kPairs; ++i)
                trap.Arm(names[i], [&target, i] { target = static_cast<int>(i); });
            replays::RemoveDuplicates(catalogue);
            stop = true;
            mutator.join();
        }
        EXPECT_EQ(Lost(wanted, tree.Root()), 0u) << "round " << round;
    }
}

// A folder on the way to the replays exchanged, again and again, with a link to a folder outside
// that holds copies of the same replays: nothing outside is touched.
TEST(RemovalRace, AFolderExchangedWithALinkLeadsTheRemovalNowhereElse)
{
    constexpr unsigned kRounds = 4;
    constexpr unsigned kPairs = 100;
    for (unsigned round = 0; round < kRounds && !testing::Test::HasFailure(); ++round) {
        testsupport::ScratchTree tree;
        for (unsigned i = 0; i < kPairs; ++i) {
            const auto n = std::to_string(i);
            for (const auto* folder : {"r/sub/", "outside/"}) {
                tree.WriteFile(folder + n + "a.rep", Replay(i, 50000));
                tree.WriteFile(folder + n + "b.rep", Replay(i, 50000));
            }
        }
        replays::Catalogue catalogue;
        ASSERT_EQ(replays::FindReplays(catalogue, tree.Path("r")).counts.replays, 2 * kPairs);
        tree.Link("r/alt", tree.Path("outside"));
        const auto before = FileContentsBelow(tree.Path("outside"));
        const auto sub = tree.Path("r/sub"), alt = tree.Path("r/alt");
        std::atomic<bool> stop{false};
        std::thread mutator([&] {
            while (!stop.load())
                Exchange(sub, alt);
        });
        replays::RemoveDuplicates(catalogue);
        stop = true;
        mutator.join();
        const auto after = FileContentsBelow(tree.Path("outside"));
        EXPECT_EQ(after.size(), before.size()) << "files outside, round " << round;
        EXPECT_TRUE(after == before);
    }
}

// Rewrites bytes of a file in place and puts its times back as they were, as a restore tool or
// rsync --inplace --times does: its size and modification time are what they were before.
std::string RewriteKeepingTimes(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("cannot stat " + path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (fd < 0 || ::pwrite(fd, "rewritten", 8, 1000) != 8 || ::futimens(fd, times) != 0)
        throw std::runtime_error("cannot rewrite " + path);
    ::close(fd);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Told of each deletion, it rewrites a file of the next candidate that has been compared already
// (comparisons run ahead of the deletions), before the removal comes to decide on it.
class RewritingReport : public replays::RemovalReport {
public:
    RewritingReport(const replays::Catalogue& catalogue, std::vector<std::atomic<bool>>& compared)
        : catalogue_(catalogue), plan_(replays::PlanRemoval(catalogue)), compared_(compared)
    {
    }

    void Deleted(const std::string& path) override
    {
        std::size_t next = 0;
        while (next < plan_.size() && catalogue_.Row(plan_[next].row).Path != path)
            ++next;
        if (++next >= plan_.size() || !compared_[next])
            return;
        // The copy to go, mostly; now and then the copy that stays.
        const bool ours = next % 3 != 0;
        const auto& candidate = plan_[next];
        const std::string edited(catalogue_.Row(ours ? candidate.row : candidate.keep).Path);
        rewritten.push_back({edited, RewriteKeepingTimes(edited), std::string(catalogue_.Row(candidate.row).Path), ours});
    }

    struct Rewrite {
        std::string path;
        std::string bytes;
        std::string candidate;
        bool ours;
    };
    std::vector<Rewrite> rewritten;

    const std::vector<replays::RemovalCandidate>& Plan() const { return plan_; }

private:
    const replays::Catalogue& catalogue_;
    const std::vector<replays::RemovalCandidate> plan_;
    std::vector<std::atomic<bool>>& compared_;
};

// Either copy rewritten in place with its times put back, after the comparison read it and before
// the removal came to it: the rewrite is never deleted.
TEST_F(RemovalTrap, AnEditThatPutsTheTimesBackAfterTheComparisonIsNeverDeleted)
{
    REQUIRE_READ_TRAP();
    constexpr unsigned kPairs = 150;
    std::vector<std::string> wanted;
    for (unsigned i = 0; i < kPairs; ++i) {
        wanted.push_back(Replay(i));
        tree.WriteFile("r/" + std::to_string(i) + "a.rep", wanted.back());
        tree.WriteFile("r/" + std::to_string(i) + "b.rep", wanted.back());
    }
    Scan();
    std::vector<std::atomic<bool>> compared(kPairs);
    RewritingReport report(catalogue, compared);
    testsupport::ReadTrap trap;
    // A comparison closes the copy that stays once it has taken its last stamps.
    for (std::size_t i = 0; i < report.Plan().size(); ++i)
        trap.ArmClose(std::string(catalogue.Row(report.Plan()[i].keep).Path), [&compared, i] { compared[i] = true; });
    replays::RemovalOptions options;
    options.verifiers = 8;
    options.report = &report;
    const auto result = Run(options);
    EXPECT_TRUE(trap.Errors().empty());
    ASSERT_FALSE(report.rewritten.empty()) << "no comparison ran ahead of a deletion";
    for (const auto& rewrite : report.rewritten) {
        EXPECT_TRUE(tree.Exists(rewrite.path.substr(tree.Root().size() + 1)) && tree.Read(rewrite.path.substr(tree.Root().size() + 1)) == rewrite.bytes)
            << rewrite.path << " deleted although it was rewritten";
        const auto kept = std::find_if(result.notDeleted.begin(), result.notDeleted.end(),
                                       [&](const replays::NotDeleted& n) { return n.path == rewrite.candidate; });
        ASSERT_NE(kept, result.notDeleted.end()) << rewrite.candidate;
        EXPECT_EQ(kept->reason, rewrite.ours ? replays::KeepReason::Changed : replays::KeepReason::OtherChanged);
        wanted.push_back(rewrite.bytes);
    }
    EXPECT_EQ(Lost(wanted, tree.Path("r")), 0u);
}

TEST_F(RemovalTrap, CancellingStopsWithinTheComparisonOfALargePair)
{
    REQUIRE_READ_TRAP();
    constexpr std::size_t kBig = std::size_t{5} << 20;
    tree.WriteFile("r/a.rep", Replay(1, kBig));
    tree.WriteFile("r/b.rep", Replay(1, kBig));
    Scan();
    std::atomic<bool> cancel{false};
    testsupport::ReadTrap trap;
    trap.Arm(tree.Path("r/a.rep"), [&] { cancel = true; });
    const auto result = Run({false, nullptr, &cancel});
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_TRUE(tree.Exists("r/a.rep"));
}

} // namespace
