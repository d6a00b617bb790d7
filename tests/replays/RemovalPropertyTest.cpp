// Properties of the removal on random trees rich in equal sizes and fingerprints: comparing on
// several threads decides exactly what one thread decides, and files changed, removed or
// replaced while it runs are never lost.
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

using testsupport::FileContentsBelow;

// Three sizes, four first and two second fingerprints, and a handful of bodies, so that most
// replays have neighbours that match by fingerprints, some of them byte for byte. With symbolic
// set, some names are links (relative, so that two trees made alike lead within themselves) to
// other replays, to other links, to nothing, and to folders.
void MakeRandomTree(testsupport::ScratchTree& tree, unsigned seed, unsigned replays, bool symbolic = false)
{
    std::mt19937 random(seed);
    const auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    std::vector<std::string> names;
    for (unsigned i = 0; i < replays; ++i) {
        const std::string folder = std::to_string(pick(4));
        const std::string name = "r/" + folder + "/" + std::to_string(i) + (pick(5) == 0 ? ".REP" : ".rep");
        if (symbolic && pick(8) == 0) { // a link to a replay or link there already, or yet to come
            const auto target = pick(6) == 0 ? names.size() + 1 + pick(20) : pick(static_cast<unsigned>(names.size() + 1));
            tree.Link(name, target < names.size() ? "../" + names[target].substr(2) : "../0/" + std::to_string(target) + ".rep");
        } else if (symbolic && pick(40) == 0) { // a link to a folder, walked once whatever leads to it
            tree.Link("r/" + folder + "/sub" + std::to_string(i), "../" + std::to_string(pick(4)));
            continue;
        } else if (!names.empty() && pick(12) == 0) { // another name for a replay there already
            tree.HardLink(name, names[pick(static_cast<unsigned>(names.size()))]);
        } else {
            const std::size_t size = 14000 + 256 * pick(3);
            const std::string first(1, static_cast<char>('a' + pick(4)));
            const std::string second(1, static_cast<char>('x' + pick(2)));
            tree.WriteFile(name, testsupport::MakeReplay(size, first, second, {}, pick(3)));
            if (pick(20) == 0)
                tree.SetMode(name, 0444);
        }
        names.push_back(name);
    }
}

// A path below root, without root.
std::string Relative(const std::string& path, const std::string& root)
{
    return path.compare(0, root.size(), root) == 0 ? path.substr(root.size()) : path;
}

struct Outcome {
    std::vector<std::string> deleted;
    std::vector<std::string> kept; // path, reason, code and other path, relative
};

Outcome Remove(testsupport::ScratchTree& tree, bool dryRun, unsigned verifiers)
{
    replays::Catalogue catalogue;
    replays::FindReplays(catalogue, tree.Path("r"));
    replays::RemovalOptions options;
    options.dryRun = dryRun;
    options.verifiers = verifiers;
    const auto result = replays::RemoveDuplicates(catalogue, options);
    Outcome outcome;
    for (const auto& path : result.deleted)
        outcome.deleted.push_back(Relative(path, tree.Root()));
    for (const auto& kept : result.notDeleted)
        outcome.kept.push_back(Relative(kept.path, tree.Root()) + " " + std::to_string(int(kept.reason)) + " "
                               + std::to_string(kept.code) + " " + Relative(kept.other, tree.Root()));
    return outcome;
}

TEST(RemovalProperty, ComparingOnSeveralThreadsDecidesWhatOneThreadDecides)
{
    for (unsigned seed = 1; seed <= 6 && !testing::Test::HasFailure(); ++seed) {
        testsupport::ScratchTree one, many;
        MakeRandomTree(one, seed, 240);
        MakeRandomTree(many, seed, 240);
        const auto dryOne = Remove(one, true, 1);
        const auto dryMany = Remove(many, true, 8);
        EXPECT_EQ(dryMany.deleted, dryOne.deleted) << "seed " << seed;
        EXPECT_EQ(dryMany.kept, dryOne.kept) << "seed " << seed;
        EXPECT_FALSE(dryOne.deleted.empty());

        const auto realOne = Remove(one, false, 1);
        const auto realMany = Remove(many, false, 8);
        EXPECT_EQ(realOne.deleted, dryOne.deleted) << "seed " << seed;
        EXPECT_EQ(realMany.deleted, realOne.deleted) << "seed " << seed;
        EXPECT_EQ(realMany.kept, realOne.kept) << "seed " << seed;
        EXPECT_TRUE(FileContentsBelow(many.Path("r")) == FileContentsBelow(one.Path("r"))) << "seed " << seed;
    }
}

// A dry run decides what a real run over an identical tree decides, where deleting a file leaves
// links to it leading nowhere and takes a name from a file that has others.
TEST(RemovalProperty, ADryRunDecidesWhatARealRunDecidesLinksIncluded)
{
    for (unsigned seed = 1; seed <= 12 && !testing::Test::HasFailure(); ++seed) {
        testsupport::ScratchTree dry, real;
        MakeRandomTree(dry, seed, 200, true);
        MakeRandomTree(real, seed, 200, true);
        const auto planned = Remove(dry, true, 0);
        const auto done = Remove(real, false, 0);
        EXPECT_EQ(planned.deleted, done.deleted) << "seed " << seed;
        EXPECT_EQ(planned.kept, done.kept) << "seed " << seed;
        EXPECT_FALSE(done.deleted.empty());
    }
}

// While the removal runs, a mutator replaces files by others, removes them and exchanges their
// names, each in one step (renames), keeping every content it takes out of the tree in a folder
// beside it. Whatever the removal deletes, every content there ever was must still be somewhere.
TEST(RemovalProperty, FilesReplacedRemovedOrExchangedWhileItRunsAreNeverLost)
{
    for (unsigned seed = 1; seed <= 6 && !testing::Test::HasFailure(); ++seed) {
        testsupport::ScratchTree tree;
        MakeRandomTree(tree, seed, 300);
        tree.MakeFolder("kept");
        auto wanted = FileContentsBelow(tree.Path("r"));
        replays::Catalogue catalogue;
        replays::FindReplays(catalogue, tree.Path("r"));
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < catalogue.RowCount(); ++i)
            paths.emplace_back(catalogue.Row(i).Path);

        std::atomic<bool> stop{false};
        std::vector<std::string> written;
        std::thread mutator([&] {
            std::mt19937 random(seed);
            for (unsigned n = 0; !stop.load(); ++n) {
                const auto& path = paths[random() % paths.size()];
                const auto keep = tree.Path("kept/" + std::to_string(n));
                switch (random() % 3) {
                case 0: { // replaced: the old file kept aside under a second name, the new one renamed in
                    if (::link(path.c_str(), keep.c_str()) != 0)
                        break;
                    written.push_back(testsupport::MakeReplay(14000, "a", "x", {}, 100 + n));
                    const auto fresh = tree.WriteFile("kept/new" + std::to_string(n), written.back());
                    if (::rename(fresh.c_str(), path.c_str()) != 0)
                        ::unlink(fresh.c_str());
                    break;
                }
                case 1: // removed from the tree
                    ::rename(path.c_str(), keep.c_str());
                    break;
                default: // two names exchanged
                    ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, paths[random() % paths.size()].c_str(),
                                RENAME_EXCHANGE);
                }
            }
        });
        replays::RemoveDuplicates(catalogue);
        stop = true;
        mutator.join();

        wanted.insert(written.begin(), written.end());
        auto contents = FileContentsBelow(tree.Path("r"));
        const auto aside = FileContentsBelow(tree.Path("kept"));
        contents.insert(aside.begin(), aside.end());
        std::size_t lost = 0;
        for (auto it = wanted.begin(); it != wanted.end(); it = wanted.upper_bound(*it))
            lost += contents.count(*it) == 0 ? 1 : 0;
        EXPECT_EQ(lost, 0u) << "seed " << seed;
    }
}

} // namespace
