#include "platform/fs/FileErrors.h"
#include "platform/fs/Folder.h"
#include "support/ScratchTree.h"
#include "support/Users.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Listed = std::vector<std::pair<std::string, files::EntryKind>>;

Listed List(const std::string& path)
{
    int code = -1;
    const auto folder = files::Folder::Open(path, code);
    EXPECT_TRUE(folder) << files::ErrorText(code);
    files::FolderListing listing;
    EXPECT_EQ(listing.Read(folder), files::kNoError);
    Listed result;
    for (std::size_t i = 0; i < listing.size(); ++i)
        result.emplace_back(std::string(listing.Name(i)), listing.Kind(i));
    return result;
}

// The same answers whether the system follows the links on the way or they are followed by hand.
TEST(Folder, OpensFoldersAndSaysWhyNot)
{
    testsupport::ScratchTree tree;
    tree.MakeFolder("sub");
    tree.WriteFile("file.rep", "x");
    tree.Link("link", "sub");
    ASSERT_EQ(::mkfifo(tree.Path("fifo").c_str(), 0644), 0);
    for (const bool byHand : {false, true}) {
        files::LinkTrail trail;
        const auto open = [&](const std::string& path, int& code) {
            return files::Folder::Open(path, code, byHand ? &trail : nullptr);
        };
        int code = -1;
        const auto folder = open(tree.Path("link"), code);
        ASSERT_TRUE(folder);
        EXPECT_EQ(code, files::kNoError);
        EXPECT_EQ(folder.Path(), tree.Path("link"));
        struct stat st {};
        ASSERT_EQ(::stat(tree.Path("sub").c_str(), &st), 0);
        EXPECT_EQ(folder.Id(), (files::FileId{st.st_dev, st.st_ino}));
        EXPECT_EQ(folder.Group(), st.st_gid);

        const std::vector<std::pair<std::string, int>> refused{
            {tree.Path("missing"), files::kFileNotFound},
            {tree.Path("file.rep"), files::kNotAFolder},
            {tree.Path("fifo"), files::kNotAFolder}, // without waiting for a writer
            {tree.Path("file.rep/sub"), files::kInvalidFilename},
            {tree.Path("sub") + std::string(1, '\0') + "x", files::kInvalidFilename},
        };
        for (const auto& [path, expected] : refused) {
            EXPECT_FALSE(open(path, code)) << path << (byHand ? " by hand" : "");
            EXPECT_EQ(code, expected) << path << (byHand ? " by hand" : "");
        }
    }
}

TEST(Folder, ListingIsInSearchOrderWithoutHiddenOrSystemEntries)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("b.rep", "");
    tree.WriteFile("a.REP", "");
    tree.WriteFile("A.rep", "");
    tree.WriteFile(".hidden.rep", "");
    tree.MakeFolder(".hidden folder");
    tree.MakeFolder("x.rep");
    tree.WriteFile("with space.rep", "");
    tree.WriteFile("\xff\xfe.rep", "");
    ASSERT_EQ(::mkfifo(tree.Path("pipe.rep").c_str(), 0644), 0);
    tree.Link("to file.rep", "b.rep");
    tree.Link("to folder", "x.rep");
    tree.Link("dangling.rep", "nowhere.rep");
    tree.Link("to pipe.rep", "pipe.rep");
    tree.Link("loop.rep", "loop.rep");

    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto socketPath = tree.Path("socket.rep");
    if (socketPath.size() < sizeof address.sun_path) {
        socketPath.copy(address.sun_path, socketPath.size());
        ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }

    const Listed expected{
        {"A.rep", files::EntryKind::File},
        {"a.REP", files::EntryKind::File},
        {"b.rep", files::EntryKind::File},
        {"to file.rep", files::EntryKind::File},
        {"to folder", files::EntryKind::Folder},
        {"with space.rep", files::EntryKind::File},
        {"x.rep", files::EntryKind::Folder},
        {"\xff\xfe.rep", files::EntryKind::File},
    };
    EXPECT_EQ(List(tree.Root()), expected);
    ::close(sock);
}

TEST(Folder, ListingTheSameFolderTwiceGivesTheSameEntries)
{
    testsupport::ScratchTree tree;
    for (const char* name : {"c.rep", "a.rep", "b.rep"})
        tree.WriteFile(name, "");
    int code = -1;
    const auto folder = files::Folder::Open(tree.Root(), code);
    files::FolderListing first, second;
    ASSERT_EQ(first.Read(folder), files::kNoError);
    ASSERT_EQ(second.Read(folder), files::kNoError);
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(first.Name(i), second.Name(i));
    EXPECT_EQ(first.Name(0), "a.rep");
}

TEST(Folder, ListsLargeFoldersCompletely)
{
    testsupport::ScratchTree tree;
    constexpr int kCount = 3000;
    for (int i = kCount; i-- > 0;)
        tree.WriteFile("r" + std::to_string(100000 + i) + ".rep", "");
    const auto listed = List(tree.Root());
    ASSERT_EQ(listed.size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(listed.front().first, "r100000.rep");
    EXPECT_EQ(listed.back().first, "r102999.rep");
}

TEST(Folder, HiddenNamesWithAGivenBeginningAreKeptApartWhateverTheyAre)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("a.rep", "");
    tree.MakeFolder(".keep-folder");
    tree.WriteFile(".keep-file", "");
    tree.WriteFile(".other", "");
    int code = -1;
    const auto folder = files::Folder::Open(tree.Root(), code);
    files::FolderListing listing;
    ASSERT_EQ(listing.Read(folder, ".keep-"), files::kNoError);
    EXPECT_EQ(listing.size(), 1u);
    auto hidden = listing.Hidden();
    std::sort(hidden.begin(), hidden.end());
    EXPECT_EQ(hidden, (std::vector<std::string>{".keep-file", ".keep-folder"}));
    ASSERT_EQ(listing.Read(folder), files::kNoError);
    EXPECT_TRUE(listing.Hidden().empty());
}

// Links on the way to a folder are followed one by one by hand, as the system would, and where
// they lead is the same; a folder's own entry is never followed.
TEST(Folder, LinksAreFollowedByHandToWhereTheSystemWouldGo)
{
    testsupport::ScratchTree tree;
    tree.MakeFolder("sub/deeper");
    tree.WriteFile("file.rep", "");
    tree.Link("relative", "sub");
    tree.Link("absolute", tree.Path("sub"));
    tree.Link("chain", "relative/deeper");
    tree.Link("up", "sub/..");
    tree.Link("to file", "file.rep");
    tree.Link("loop", "loop");
    tree.Link("dangling", "nowhere");
    int code = -1;
    const auto root = files::Folder::Open(tree.Root(), code);
    struct Case {
        const char* relative;
        const char* leadsTo; // nullptr: nowhere
        int code;
    };
    const Case cases[] = {
        {"relative", "sub", files::kNoError},
        {"absolute", "sub", files::kNoError},
        {"chain", "sub/deeper", files::kNoError},
        {"relative/deeper/..", "sub", files::kNoError},
        {"up", "", files::kNoError},
        {"to file", nullptr, files::kInvalidFilename},
        {"loop", nullptr, files::CodeFromErrno(ELOOP)},
        {"dangling", nullptr, files::kFileNotFound},
    };
    for (const auto& c : cases) {
        files::LinkTrail trail;
        const auto folder = files::Folder::OpenIn(root, c.relative, code, &trail);
        EXPECT_EQ(code, c.code) << c.relative;
        EXPECT_FALSE(trail.foreign) << c.relative;
        if (c.leadsTo == nullptr) {
            EXPECT_FALSE(folder) << c.relative;
            continue;
        }
        ASSERT_TRUE(folder) << c.relative;
        struct stat st {};
        ASSERT_EQ(::stat(tree.Path(c.leadsTo).c_str(), &st), 0);
        EXPECT_EQ(folder.Id(), (files::FileId{st.st_dev, st.st_ino})) << c.relative;
        EXPECT_EQ(folder.Path(), tree.Path(c.relative)) << "the path the caller named";
    }
    EXPECT_FALSE(files::Folder::OpenOwnIn(root, "relative", code));
    EXPECT_EQ(code, files::kRefused);
    EXPECT_TRUE(files::Folder::OpenOwnIn(root, "sub", code));
}

TEST(Folder, ALinkOfAnotherUserOnTheWayIsNoted)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    testsupport::ScratchTree tree;
    tree.MakeFolder("sub");
    tree.Link("theirs", "sub");
    tree.Link("through", "theirs");
    tree.Link("mine", "sub");
    tree.MakeFolder("sub/deeper");
    testsupport::GiveTree(tree.Path("theirs"), nobody);
    int code = -1;
    const auto root = files::Folder::Open(tree.Root(), code);
    for (const auto& [relative, foreign] : {std::pair{"theirs", true}, {"through", true}, {"mine", false}}) {
        files::LinkTrail trail;
        EXPECT_TRUE(files::Folder::OpenIn(root, relative, code, &trail)) << relative;
        EXPECT_EQ(trail.foreign, foreign) << relative;
        EXPECT_EQ(trail.foreignLink, foreign ? tree.Path("theirs") : "") << relative;
    }
    // A path given whole, followed by hand from its first name on.
    for (const auto& [relative, foreign] : {std::pair{"through/deeper", true}, {"mine/deeper", false}}) {
        files::LinkTrail trail;
        EXPECT_TRUE(files::Folder::Open(tree.Path(relative), code, &trail)) << relative;
        EXPECT_EQ(trail.foreignLink, foreign ? tree.Path("theirs") : "") << relative;
    }
}

TEST(Folder, FileSystemsOfTheKernelsOwnAreKnown)
{
    testsupport::ScratchTree tree;
    int code = -1;
    EXPECT_FALSE(files::IsSystemFileSystem(files::Folder::Open(tree.Root(), code)));
    for (const auto* path : {"/proc", "/proc/self", "/sys"}) {
        const auto folder = files::Folder::Open(path, code);
        ASSERT_TRUE(folder) << path;
        EXPECT_TRUE(files::IsSystemFileSystem(folder)) << path;
    }
}

} // namespace
