// The removal against other programs changing the tree while it runs: whatever they do, no
// content that existed before is lost, and nothing outside the scanned folder changes.
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using testsupport::Exchange;
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

// Which file is at path (looked at without opening it, which a trap's action must not do).
std::pair<dev_t, ino_t> Identity(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino};
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

// Another file exchanged into the name of a copy at a known moment of the removal: what is
// deleted is only ever a compared copy, and no content is lost. The moments: while the copy that
// stays is read for the comparison, while the copy to go is, and after the last check of the copy
// to go, as the removal opens the private folder it moves the copy into (made in a folder that
// others may write). Out of a trap's reach, for the removal opens and reads nothing there: the
// time between the comparison's last look at the copy to go and the check before its move (an
// exchange during the comparison stands in; where renaming marks a file changed, as most file
// systems do, the comparison catches it itself); and, in a folder that only the user may write,
// the time between that check and the move to a hidden name beside the copy.
TEST(RemovalRace, AFileExchangedIntoTheNameIsNeverDeleted)
{
    REQUIRE_READ_TRAP();
    using replays::KeepReason;
    enum class Moment { Never, ReadingTheCopyThatStays, ReadingTheCopyToGo, OpeningThePrivateFolder };
    struct Case {
        Moment moment;
        mode_t folderMode; // others may write 0777: the copy to go is moved into a private folder
        std::vector<KeepReason> reasons; // any of these; none: the copy to go is deleted
    };
    const std::vector<Case> cases{
        {Moment::Never, 0755, {}},
        {Moment::Never, 0777, {}},
        {Moment::ReadingTheCopyThatStays, 0755, {KeepReason::OtherChanged}},
        // The exchange marks the copy being compared changed (Changed), or, where renaming leaves
        // a file's change time alone, the check before the move finds another file (Replaced).
        {Moment::ReadingTheCopyToGo, 0755, {KeepReason::Changed, KeepReason::Replaced}},
        {Moment::OpeningThePrivateFolder, 0777, {KeepReason::Replaced}},
    };
    // The opens inside a folder while its pair is decided: both copies for the comparison, then
    // the private folder, after the last check of the copy to go and before its move.
    constexpr int kPrivateFolderOpen = 3;

    testsupport::ScratchTree tree;
    std::vector<std::string> wanted, others;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto n = std::to_string(i);
        wanted.push_back(Replay(static_cast<unsigned>(i), 100000));
        tree.WriteFile("r/" + n + "/a.rep", wanted.back());
        tree.WriteFile("r/" + n + "/b.rep", wanted.back());
        wanted.push_back(Replay(1000 + static_cast<unsigned>(i), 100000));
        others.push_back(tree.WriteFile("x/" + n + ".dat", wanted.back()));
        tree.SetMode("r/" + n, cases[i].folderMode);
    }
    replays::Catalogue catalogue;
    ASSERT_EQ(replays::FindReplays(catalogue, tree.Path("r")).counts.replays, 2 * cases.size());
    const auto plan = replays::PlanRemoval(catalogue);
    ASSERT_EQ(plan.size(), cases.size());

    testsupport::ReadTrap trap;
    std::vector<std::string> expectedDeleted;
    std::map<std::string, std::size_t> caseOf; // by the path of the copy to go
    for (const auto& candidate : plan) {
        const std::string go(catalogue.Row(candidate.row).Path), stays(catalogue.Row(candidate.keep).Path);
        const auto folder = go.substr(0, go.rfind('/'));
        const auto i = static_cast<std::size_t>(std::stoul(folder.substr(folder.rfind('/') + 1)));
        caseOf[go] = i;
        // Exchanges the copy at with the other file, which it must still be when the trap goes off.
        const auto exchange = [other = others[i]](const std::string& at) {
            return [at, other, id = Identity(at)] {
                if (Identity(at) != id || !Exchange(at, other))
                    throw std::runtime_error("cannot exchange the copy at " + at);
            };
        };
        switch (cases[i].moment) {
        case Moment::Never:
            expectedDeleted.push_back(go);
            break;
        case Moment::ReadingTheCopyThatStays:
            trap.Arm(stays, exchange(stays));
            break;
        case Moment::ReadingTheCopyToGo:
            trap.Arm(go, exchange(go));
            break;
        case Moment::OpeningThePrivateFolder:
            trap.ArmOpenIn(folder, exchange(go), kPrivateFolderOpen);
            break;
        }
    }
    const auto result = replays::RemoveDuplicates(catalogue);

    EXPECT_EQ(trap.Errors(), std::vector<std::string>{});
    EXPECT_EQ(Lost(wanted, tree.Root()), 0u);
    std::sort(expectedDeleted.begin(), expectedDeleted.end());
    auto deleted = result.deleted;
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, expectedDeleted);
    for (const auto& kept : result.notDeleted) {
        const auto& reasons = cases[caseOf.at(kept.path)].reasons;
        EXPECT_NE(std::find(reasons.begin(), reasons.end(), kept.reason), reasons.end())
            << kept.path << " kept as " << static_cast<int>(kept.reason);
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
        : FCatalogue(catalogue), FPlan(replays::PlanRemoval(catalogue)), FCompared(compared)
    {
    }

    void Deleted(const std::string& path) override
    {
        std::size_t next = 0;
        while (next < FPlan.size() && FCatalogue.Row(FPlan[next].row).Path != path)
            ++next;
        if (++next >= FPlan.size() || !(FCompared[next] || (rewritten.empty() && AwaitComparison(next))))
            return;
        // The copy to go, mostly; now and then the copy that stays.
        const bool ours = next % 3 != 0;
        const auto& candidate = FPlan[next];
        const std::string edited(FCatalogue.Row(ours ? candidate.row : candidate.keep).Path);
        rewritten.push_back({edited, RewriteKeepingTimes(edited), std::string(FCatalogue.Row(candidate.row).Path), ours});
    }

    struct Rewrite {
        std::string path;
        std::string bytes;
        std::string candidate;
        bool ours;
    };
    std::vector<Rewrite> rewritten;

    const std::vector<replays::RemovalCandidate>& Plan() const { return FPlan; }

private:
    // The reading threads compare ahead of the deletions, but on a loaded machine they may not
    // have come to the next candidate yet: until one rewrite has happened, it is waited for.
    bool AwaitComparison(std::size_t next) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!FCompared[next] && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        return FCompared[next];
    }

    const replays::Catalogue& FCatalogue;
    const std::vector<replays::RemovalCandidate> FPlan;
    std::vector<std::atomic<bool>>& FCompared;
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
