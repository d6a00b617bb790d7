// Root removing duplicates in a folder that another user can write: whatever that user does with
// links and names there, root deletes nothing outside the folder, and nothing the user made
// unique there.
#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ScratchTree.h"
#include "support/Users.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <functional>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using testsupport::Exchange;
using testsupport::FileContentsBelow;

// Starts fn on a thread acting as user, and stops and joins it when it goes.
class AsUser {
public:
    AsUser(const testsupport::UserIds& user, std::function<void(const std::atomic<bool>& stop)> fn)
        : FThread([this, user, fn = std::move(fn)] {
              testsupport::BecomeInThisThread(user);
              fn(FStop);
          })
    {
    }
    ~AsUser() { Stop(); }
    void Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
    }

private:
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

class RemovalUsers : public testing::Test {
protected:
    // The scratch root is root's own (0700); the other user must be able to reach x below it.
    void Open() { tree.SetMode("", 0755); }

    replays::RemovalResult ScanAndRemove(const std::string& folder, replays::ScanProgress* progress = nullptr)
    {
        replays::Catalogue catalogue;
        replays::FindReplays(catalogue, folder, {progress, nullptr});
        return replays::RemoveDuplicates(catalogue);
    }

    testsupport::ScratchTree tree;
};

TEST_F(RemovalUsers, NothingIsDeletedThroughAnotherUsersLinks)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    tree.WriteFile("outside/r1.rep", testsupport::NumberedReplay(1));
    tree.WriteFile("outside/r2.rep", testsupport::NumberedReplay(2));
    tree.WriteFile("x/zz/r1.rep", testsupport::NumberedReplay(1));
    tree.WriteFile("x/zz/r2.rep", testsupport::NumberedReplay(2));
    tree.Link("x/aa", tree.Path("outside")); // a folder of root's, through the user's link
    tree.Link("x/bb.rep", tree.Path("outside/r2.rep")); // a replay of root's, likewise
    testsupport::GiveTree(tree.Path("x"), nobody);
    // Root's own links are root's choice, and are followed as before.
    tree.WriteFile("own/r3.rep", testsupport::NumberedReplay(3));
    tree.WriteFile("x/mine/r3.rep", testsupport::NumberedReplay(3)); // root's, in a folder of root's
    tree.Link("x/cc", tree.Path("own"));
    const auto outside = FileContentsBelow(tree.Path("outside"));

    replays::Catalogue catalogue;
    replays::FindReplays(catalogue, tree.Path("x"));
    std::size_t foreign = 0;
    for (std::size_t i = 0; i < catalogue.RowCount(); ++i)
        foreign += catalogue.Row(i).ForeignLink ? 1 : 0;
    EXPECT_EQ(foreign, 3u) << "the replays below the user's links are listed, and marked";
    const auto result = replays::RemoveDuplicates(catalogue);

    EXPECT_TRUE(FileContentsBelow(tree.Path("outside")) == outside);
    EXPECT_TRUE(tree.Exists("x/bb.rep"));
    EXPECT_EQ(result.deleted, std::vector<std::string>{tree.Path("x/cc/r3.rep")});
    ASSERT_EQ(result.notDeleted.size(), 3u);
    for (const auto& kept : result.notDeleted)
        EXPECT_EQ(kept.reason, replays::KeepReason::ForeignLink) << kept.path;
}

// The user exchanges a folder of copies with a link of theirs to root's folder of the same copies,
// again and again, from before root starts: a folder below the one root was asked to clean, or
// that folder itself. Whichever root opens, it deletes nothing of its own outside.
TEST_F(RemovalUsers, AFolderExchangedWithAnotherUsersLinkLeadsNowhereElse)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    constexpr unsigned kPairs = 40;
    struct Case {
        const char* scanned; // below the round's folder, which holds the exchanged folder "x/sub"
        unsigned rounds;
    };
    unsigned round = 0;
    for (const auto& c : {Case{"x", 4}, Case{"x/sub", 10}}) {
        for (unsigned last = round + c.rounds; round < last && !HasFailure(); ++round) {
            const auto parent = "p" + std::to_string(round), outside = "outside" + std::to_string(round);
            for (unsigned i = 0; i < kPairs; ++i) {
                for (const auto& folder : {parent + "/x/sub/", outside + "/"}) {
                    tree.WriteFile(folder + std::to_string(i) + "a.rep", testsupport::NumberedReplay(i));
                    tree.WriteFile(folder + std::to_string(i) + "b.rep", testsupport::NumberedReplay(i));
                }
            }
            testsupport::GiveTree(tree.Path(parent), nobody);
            const auto before = FileContentsBelow(tree.Path(outside));
            const auto sub = tree.Path(parent + "/x/sub"), alt = tree.Path(parent + "/x/alt");
            const auto target = tree.Path(outside);
            std::atomic<bool> exchanging{false};
            AsUser user(nobody, [&](const std::atomic<bool>& stop) {
                if (::symlink(target.c_str(), alt.c_str()) != 0)
                    return;
                while (!stop) {
                    Exchange(sub, alt);
                    exchanging = true;
                }
            });
            while (!exchanging) {
            }
            ScanAndRemove(tree.Path(parent + "/" + c.scanned));
            user.Stop();
            EXPECT_TRUE(FileContentsBelow(tree.Path(outside)) == before) << c.scanned << ", round " << round;
        }
    }
}

// Set off by the scan's first step, so that the folder it was asked for is the one it holds.
class Started : public replays::ScanProgress {
public:
    void ScanAdvanced(const replays::ScanCounts&, std::string_view) override { started = true; }
    std::atomic<bool> started{false};
};

// The folder root was asked to clean is itself exchanged with the user's link to root's folder,
// again and again, once the run has begun: the run goes on in the folder it began in.
TEST_F(RemovalUsers, TheFolderItselfExchangedWithALinkChangesNothing)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    constexpr unsigned kRounds = 4, kFolders = 8, kPairs = 8;
    for (unsigned round = 0; round < kRounds && !HasFailure(); ++round) {
        const auto parent = "p" + std::to_string(round), outside = "outside" + std::to_string(round);
        for (unsigned sub = 0; sub < kFolders; ++sub) {
            for (unsigned i = 0; i < kPairs; ++i) {
                const auto name = "/sub" + std::to_string(sub) + "/" + std::to_string(i);
                for (const auto& folder : {parent + "/x", outside}) {
                    tree.WriteFile(folder + name + "a.rep", testsupport::NumberedReplay(sub * kPairs + i));
                    tree.WriteFile(folder + name + "b.rep", testsupport::NumberedReplay(sub * kPairs + i));
                }
            }
        }
        testsupport::GiveTree(tree.Path(parent), nobody);
        const auto before = FileContentsBelow(tree.Path(outside));
        const auto x = tree.Path(parent + "/x"), alt = tree.Path(parent + "/alt"), target = tree.Path(outside);
        Started progress;
        AsUser user(nobody, [&](const std::atomic<bool>& stop) {
            if (::symlink(target.c_str(), alt.c_str()) != 0)
                return;
            while (!stop && !progress.started) {
            }
            while (!stop)
                Exchange(x, alt);
        });
        const auto result = ScanAndRemove(x, &progress);
        user.Stop();
        EXPECT_TRUE(FileContentsBelow(tree.Path(outside)) == before) << "round " << round;
        EXPECT_EQ(result.deleted.size(), kFolders * kPairs) << "round " << round;
        EXPECT_TRUE(result.notDeleted.empty()) << "round " << round;
    }
}

// The next name in a series that ends in a number ("x-7" gives "x-8"); empty when it has none.
std::string NextInSeries(std::string_view name)
{
    auto digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    if (digits == name.size() || name.size() - digits > 9)
        return {};
    return std::string(name.substr(0, digits)) + std::to_string(std::stoul(std::string(name.substr(digits))) + 1);
}

// The user watches the folder and exchanges whatever hidden name the removal makes there with a
// file of its own, unique, as fast as it can; and, should names come in a series, lies in wait for
// the next one and exchanges it the moment it appears.
TEST_F(RemovalUsers, AnotherUserCannotExchangeWhatIsAboutToBeDeleted)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    constexpr unsigned kRounds = 3, kPairs = 300;
    for (unsigned round = 0; round < kRounds && !HasFailure(); ++round) {
        const auto x = "x" + std::to_string(round);
        for (unsigned i = 0; i < kPairs; ++i) {
            tree.WriteFile(x + "/" + std::to_string(i) + "a.rep", testsupport::NumberedReplay(i));
            tree.WriteFile(x + "/" + std::to_string(i) + "b.rep", testsupport::NumberedReplay(i));
        }
        const auto folder = tree.Path(x);
        // Files of the user's own, unique, made beforehand so that an exchange follows a name's
        // appearing at once.
        std::vector<std::string> unique, mine;
        for (unsigned i = 0; i < kPairs; ++i) {
            unique.push_back(testsupport::NumberedReplay(100000 + i));
            mine.push_back(tree.WriteFile(x + "/.unique-" + std::to_string(i), unique.back()));
        }
        testsupport::GiveTree(folder, nobody);
        std::atomic<bool> watching{false};
        AsUser user(nobody, [&](const std::atomic<bool>& stop) {
            const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO);
            watching = true;
            alignas(inotify_event) char events[4096];
            std::string awaited;
            for (std::size_t n = 0; !stop;) {
                if (!awaited.empty() && Exchange(folder + "/" + awaited, mine[n % mine.size()])) {
                    ++n;
                    awaited = NextInSeries(awaited);
                }
                const auto length = ::read(watch, events, sizeof events);
                for (auto at = events; length > 0 && at < events + length;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(at);
                    at += sizeof(inotify_event) + event->len;
                    const std::string_view name(event->name);
                    if (event->len == 0 || !name.starts_with(".dupsweep-"))
                        continue;
                    if (Exchange(folder + "/" + event->name, mine[n % mine.size()]))
                        ++n;
                    awaited = NextInSeries(name);
                }
            }
            ::close(watch);
        });
        while (!watching) {
        }
        ScanAndRemove(folder);
        user.Stop();
        auto contents = FileContentsBelow(folder);
        std::size_t lost = 0;
        for (const auto& bytes : unique)
            lost += contents.count(bytes) == 0 ? 1 : 0;
        EXPECT_EQ(lost, 0u) << "round " << round;
    }
}

// A link of the user's on the way to the folder root was asked to clean: the folder itself, or a
// folder above it. Everything reached through it is listed, nothing is deleted or deleted for, in
// a dry run as in a real one, and the reason names the link.
TEST_F(RemovalUsers, AFolderReachedThroughAnotherUsersLinkIsListedButNothingIsDeletedThere)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    for (unsigned i = 0; i < 3; ++i) {
        tree.WriteFile("out/" + std::to_string(i) + "a.rep", testsupport::NumberedReplay(i));
        tree.WriteFile("out/sub/" + std::to_string(i) + "b.rep", testsupport::NumberedReplay(i));
    }
    tree.MakeFolder("x");
    tree.Link("x/top", tree.Path("out"));
    tree.Link("x/mid", tree.Path(""));
    testsupport::GiveTree(tree.Path("x"), nobody);
    const auto before = FileContentsBelow(tree.Path("out"));
    struct Case {
        std::string folder;
        std::string link;
    };
    for (const auto& c : {Case{"x/top", "x/top"}, Case{"x/mid/out", "x/mid"}}) {
        for (const bool dryRun : {true, false}) {
            replays::Catalogue catalogue;
            replays::FindReplays(catalogue, tree.Path(c.folder));
            ASSERT_EQ(catalogue.RowCount(), 6u) << c.folder;
            for (std::size_t i = 0; i < catalogue.RowCount(); ++i)
                EXPECT_TRUE(catalogue.Row(i).ForeignLink) << catalogue.Row(i).Path;
            const auto result = replays::RemoveDuplicates(catalogue, {dryRun});
            EXPECT_TRUE(result.deleted.empty()) << c.folder;
            ASSERT_EQ(result.notDeleted.size(), 3u) << c.folder;
            for (const auto& kept : result.notDeleted) {
                EXPECT_EQ(kept.reason, replays::KeepReason::ForeignLink) << kept.path;
                EXPECT_EQ(kept.link, tree.Path(c.link)) << kept.path;
            }
        }
    }
    EXPECT_TRUE(FileContentsBelow(tree.Path("out")) == before);
}

// Root's file, and a copy of it in a folder another user controls: root keeps its own, for the
// user could take the copy away after it. Where the copy is as safe as the file, it goes.
TEST_F(RemovalUsers, NoFileIsDeletedInFavourOfACopyAnotherUserControls)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    struct Case {
        const char* what;
        mode_t folderMode;
        bool folderTheirs;
        bool copyTheirs;
        bool deleted;
    };
    const std::vector<Case> cases{
        {"a folder anyone may write", 0777, false, false, false},
        {"a sticky folder anyone may write", 01777, false, false, true},
        {"another user's copy in a sticky folder", 01777, false, true, false},
        {"another user's folder", 0755, true, false, false},
        {"another user's copy in root's folder", 0755, false, true, false},
        {"root's folder", 0755, false, false, true},
    };
    for (unsigned i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        const auto n = std::to_string(i);
        tree.WriteFile("own/" + n + "/root.rep", testsupport::NumberedReplay(i));
        const auto copy = tree.WriteFile("own/" + n + "/shared/copy.rep", testsupport::NumberedReplay(i));
        tree.SetMode("own/" + n + "/shared", c.folderMode);
        if (c.folderTheirs) {
            ASSERT_EQ(::chown(tree.Path("own/" + n + "/shared").c_str(), nobody.uid, nobody.gid), 0);
        }
        if (c.copyTheirs) {
            ASSERT_EQ(::chown(copy.c_str(), nobody.uid, nobody.gid), 0);
        }
    }
    // In a user's own tree, where only they may write, root deletes as they would.
    tree.WriteFile("users/a.rep", testsupport::NumberedReplay(100));
    tree.WriteFile("users/sub/b.rep", testsupport::NumberedReplay(100));
    testsupport::GiveTree(tree.Path("users"), nobody);
    tree.Link("own/users", tree.Path("users"));

    const auto result = ScanAndRemove(tree.Path("own"));
    std::set<std::string> deleted(result.deleted.begin(), result.deleted.end());
    for (unsigned i = 0; i < cases.size(); ++i) {
        const auto file = tree.Path("own/" + std::to_string(i) + "/root.rep");
        EXPECT_EQ(deleted.count(file), cases[i].deleted ? 1u : 0u) << cases[i].what;
        if (!cases[i].deleted) {
            const auto kept = std::find_if(result.notDeleted.begin(), result.notDeleted.end(),
                                           [&](const replays::NotDeleted& n) { return n.path == file; });
            ASSERT_NE(kept, result.notDeleted.end()) << cases[i].what;
            EXPECT_EQ(kept->reason, replays::KeepReason::ExposedCopy) << cases[i].what;
        }
    }
    EXPECT_EQ(deleted.count(tree.Path("own/users/a.rep")), 1u) << "the user's own tree";
}

// The user's link leads to a folder of root's where a removal of root's that died left a file
// hidden: root's listing through the link does not bring it back there.
TEST_F(RemovalUsers, LeftoversBehindAnotherUsersLinkStayWhereTheyAre)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    Open();
    const auto dead = testsupport::LeftoverFolderName();
    const auto hidden = "roots/" + dead + "-a.rep";
    tree.WriteFile(hidden, testsupport::NumberedReplay(1));
    tree.WriteFile("roots/" + dead + "/b.rep", testsupport::NumberedReplay(2));
    tree.MakeFolder("x");
    tree.Link("x/l", tree.Path("roots"));
    testsupport::GiveTree(tree.Path("x"), nobody);
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("x"));
    EXPECT_TRUE(scan.restored.empty());
    EXPECT_EQ(tree.Read(hidden), testsupport::NumberedReplay(1));
    EXPECT_EQ(tree.Read("roots/" + dead + "/b.rep"), testsupport::NumberedReplay(2));
    EXPECT_FALSE(tree.Exists("roots/a.rep"));
    ASSERT_EQ(scan.errors.size(), 2u);
    for (const auto& error : scan.errors)
        EXPECT_NE(error.message.find(tree.Path("x/l")), std::string::npos) << error.message;
}

TEST(FolderWalkSystem, AFolderOnASystemFileSystemIsNeitherEnteredNorWalkedInto)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("r/a.rep", testsupport::NumberedReplay(1));
    tree.Link("r/proc", "/proc/self");
    tree.Link("r/sys", "/sys/kernel");
    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, tree.Path("r"));
    EXPECT_EQ(scan.counts.folders, 1u);
    EXPECT_TRUE(scan.errors.empty());
    for (const auto* folder : {"/proc/self", "/sys/kernel", "/proc"}) {
        const auto refused = replays::FindReplays(catalogue, folder);
        EXPECT_FALSE(refused.entered) << folder;
        EXPECT_EQ(refused.enterError, files::kSystemFileSystem) << folder;
    }
}

} // namespace
