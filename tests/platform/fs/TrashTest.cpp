// The trash as this layer fills it: which trash a file goes to, what is made, what is refused.
#include "platform/fs/FileErrors.h"
#include "platform/fs/Trash.h"
#include "support/Environment.h"
#include "support/ScratchTree.h"
#include "support/ScratchVolume.h"
#include "support/Users.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/fs.h>
#include <map>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// HOME, and XDG_DATA_HOME unless data is empty, set while it lives.
struct Homes {
    Homes(const std::string& home, const std::string& data)
    {
        ::setenv("HOME", home.c_str(), 1);
        if (!data.empty())
            ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    testsupport::ScopedEnvironment saved{"HOME", "XDG_DATA_HOME"};
};

// Every name below root with its owner, links as themselves: what a refused trash must leave as
// it was.
std::map<std::string, uid_t> Owners(const std::string& root)
{
    std::map<std::string, uid_t> owners;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        owners[entry.path()] = st.st_uid;
    }
    return owners;
}

// Asks about the trash for the folder at path, then takes it: the code of each.
struct Verdicts {
    int asked = -1;
    int taken = -1;
};

Verdicts AskAndTake(const std::string& path)
{
    int code = -1;
    const auto folder = files::Folder::Open(path, code);
    EXPECT_TRUE(folder) << path;
    Verdicts verdicts;
    verdicts.asked = files::Trash::Available(folder);
    files::Trash::For(folder, verdicts.taken);
    return verdicts;
}

TEST(Trash, PathsAreEscapedAsInUrls)
{
    EXPECT_EQ(files::EscapeUrlPath("/home/u/Replays/a-b_c.~1.rep"), "/home/u/Replays/a-b_c.~1.rep");
    EXPECT_EQ(files::EscapeUrlPath("/a b%c#d?e"), "/a%20b%25c%23d%3Fe");
    EXPECT_EQ(files::EscapeUrlPath("/\xff\n\xd0\x9f"), "/%FF%0A%D0%9F");
}

TEST(Trash, TheHomeTrashIsMadeWhenNeededAndTakesFilesUnderFreeNames)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("r/a.rep", "first");
    tree.WriteFile("r/sub/a.rep", "second");
    const std::string longName(250, 'l');
    tree.WriteFile("r/" + longName + ".rep", "long");
    const Homes homes(tree.MakeFolder("home"), tree.Path("data"));
    int code = -1;
    const auto folder = files::Folder::Open(tree.Path("r"), code);
    const auto sub = files::Folder::Open(tree.Path("r/sub"), code);
    EXPECT_EQ(files::Trash::Available(folder), files::kNoError);
    EXPECT_FALSE(tree.Exists("data")) << "asking makes nothing";

    const auto trash = files::Trash::For(folder, code);
    ASSERT_TRUE(trash) << files::ErrorText(code);
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("data/Trash/files").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::string first, second, third;
    ASSERT_EQ(trash.Put(folder, "a.rep", folder, "a.rep", first), files::kNoError);
    ASSERT_EQ(trash.Put(sub, "a.rep", sub, "a.rep", second), files::kNoError);
    ASSERT_EQ(trash.Put(folder, longName + ".rep", folder, longName + ".rep", third), files::kNoError);
    EXPECT_EQ(first, "a.rep");
    EXPECT_EQ(second, "a.2.rep");
    EXPECT_EQ(tree.Read("data/Trash/files/a.2.rep"), "second");
    const auto info = tree.Read("data/Trash/info/a.2.rep.trashinfo");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + files::EscapeUrlPath(tree.Path("r/sub/a.rep")) + "\nDeletionDate="))
        << info;
    EXPECT_TRUE(tree.Exists("data/Trash/info/" + third + ".trashinfo")) << third;
    EXPECT_EQ(tree.Read("data/Trash/files/" + third), "long");
    EXPECT_FALSE(tree.Exists("r/a.rep"));
}

// Root with HOME naming another user's home (sudo -E, su -m), or any other way to the home trash
// that passes through another user's folder or link: the trash is neither made nor used, and
// nothing is made on the way. Where the running user owns the way, the trash is made as usual.
TEST(Trash, TheHomeTrashIsNeverMadeOrUsedInAnotherUsersPlace)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    // The home, XDG_DATA_HOME ("" for the default), a folder made first, whether me/.local is
    // then a link to elsewhere, what is given to the other user, and the verdict.
    struct Case {
        const char* what;
        const char* home;
        const char* data;
        const char* made;
        bool link;
        const char* given;
        int code;
        const char* trash = ""; // where it is made, when it may be
    };
    const Case cases[] = {
        {"another user's home", "alice", "", "alice", false, "alice", files::kTrashOfAnotherUser},
        {"another user's folder in the home", "me", "", "me/.local", false, "me/.local", files::kTrashOfAnotherUser},
        {"another user's trash in the home", "me", "", "me/.local/share/Trash/files", false, "me/.local/share/Trash",
         files::kTrashOfAnotherUser},
        {"XDG_DATA_HOME in another user's home", "me", "alice/.local/share", "alice/.local/share", false, "alice",
         files::kTrashOfAnotherUser},
        {"XDG_DATA_HOME to be made in another user's folder", "me", "alice/.local/share", "alice/.local", false, "alice",
         files::kTrashOfAnotherUser},
        {"another user's link on the way", "me", "", "elsewhere", true, "me/.local", files::kTrashOfAnotherUser},
        {"the running user's own home", "me", "", "me", false, "", files::kNoError, "me/.local/share/Trash"},
        {"the running user's link on the way", "me", "", "elsewhere", true, "", files::kNoError, "elsewhere/share/Trash"},
        {"XDG_DATA_HOME made where the running user may", "me", "mine/data", "mine", false, "", files::kNoError,
         "mine/data/Trash"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::ScratchTree tree;
        tree.WriteFile("r/a.rep", "replay");
        tree.MakeFolder(c.home);
        tree.MakeFolder(c.made);
        if (c.link)
            tree.Link("me/.local", "../elsewhere");
        if (*c.given)
            testsupport::GiveTree(tree.Path(c.given), nobody);
        const Homes homes(tree.Path(c.home), *c.data ? tree.Path(c.data) : std::string());
        const auto before = Owners(tree.Root());
        const auto verdicts = AskAndTake(tree.Path("r"));
        EXPECT_EQ(verdicts.asked, c.code) << files::ErrorText(verdicts.asked);
        EXPECT_EQ(verdicts.taken, c.code) << files::ErrorText(verdicts.taken);
        if (c.code != files::kNoError) {
            EXPECT_EQ(Owners(tree.Root()), before) << "nothing is made on the way";
            continue;
        }
        struct stat st {};
        ASSERT_EQ(::stat(tree.Path(std::string(c.trash) + "/info").c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
}

// Which trash a file goes to turns on the home's device, as the desktop's does: files there go to
// the home trash, or to none when XDG_DATA_HOME is on another file system; any other file goes to
// the top of its own file system, wherever XDG_DATA_HOME is. Without a home, to none.
TEST(Trash, TheHomesDeviceDecidesBetweenTheHomeTrashAndTheTopOfTheFilesOwn)
{
    testsupport::ScratchTree tree;
    testsupport::ScratchVolume volume(tree.Path("volume"));
    REQUIRE_MOUNTED(volume);
    tree.WriteFile("r/a.rep", "replay");
    tree.WriteFile("volume/r/a.rep", "replay");
    tree.MakeFolder("home");
    struct Case {
        const char* home;
        const char* data;
        const char* folder;
        int code;
        const char* trash;
    };
    const Case cases[] = {
        {"home", "volume/data", "r", files::kHomeTrashElsewhere, ""},
        {"home", "volume/data", "volume/r", files::kNoError, "volume/.Trash-0"},
        {"missing", "volume/data", "volume/r", files::kFileNotFound, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.home) + " " + c.data + " " + c.folder);
        const Homes homes(tree.Path(c.home), tree.Path(c.data));
        const auto before = Owners(tree.Root());
        const auto verdicts = AskAndTake(tree.Path(c.folder));
        EXPECT_EQ(verdicts.asked, c.code) << files::ErrorText(verdicts.asked);
        EXPECT_EQ(verdicts.taken, c.code) << files::ErrorText(verdicts.taken);
        EXPECT_FALSE(tree.Exists("volume/data")) << "the home trash is not what files off the home's device use";
        if (c.code != files::kNoError)
            EXPECT_EQ(Owners(tree.Root()), before) << "nothing is made";
        else
            EXPECT_TRUE(tree.Exists(std::string(c.trash) + "/files"));
    }
}

// Mounts the desktop keeps no trash on (a file manager would never list what went there): the
// file systems of the running system (tmpfs, /), and those marked so.
TEST(Trash, NoneIsMadeWhereTheDesktopKeepsNoTrash)
{
    testsupport::ScratchTree tree;
    const Homes homes(tree.MakeFolder("home"), "");
    const std::pair<testsupport::ScratchVolume::Kind, const char*> kinds[] = {
        {testsupport::ScratchVolume::Kind::Tmpfs, ""},
        {testsupport::ScratchVolume::Kind::Ext2, "x-gvfs-notrash"},
    };
    for (const auto& [kind, options] : kinds) {
        SCOPED_TRACE(options);
        testsupport::ScratchVolume volume(tree.Path("volume"), kind, options);
        REQUIRE_MOUNTED(volume);
        tree.WriteFile("volume/r/a.rep", "replay");
        const auto before = Owners(volume.mount);
        const auto verdicts = AskAndTake(tree.Path("volume/r"));
        EXPECT_EQ(verdicts.asked, files::kNoTrashOnSystemMount) << files::ErrorText(verdicts.asked);
        EXPECT_EQ(verdicts.taken, files::kNoTrashOnSystemMount) << files::ErrorText(verdicts.taken);
        EXPECT_EQ(Owners(volume.mount), before);
    }
}

// A tree on the root file system while the home is elsewhere: the desktop keeps no trash on "/".
TEST(Trash, NoneIsMadeAtTheTopOfTheRootFileSystem)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("r/a.rep", "replay");
    struct stat root {}, here {};
    ASSERT_EQ(::stat("/", &root), 0);
    ASSERT_EQ(::stat(tree.Root().c_str(), &here), 0);
    if (root.st_dev != here.st_dev)
        GTEST_SKIP() << "the scratch tree is not on the root file system";
    testsupport::ScratchVolume volume(tree.Path("home"), testsupport::ScratchVolume::Kind::Tmpfs);
    REQUIRE_MOUNTED(volume);
    const Homes homes(volume.mount, "");
    const bool hadTrash = std::filesystem::exists("/.Trash-" + std::to_string(::geteuid()));
    const auto verdicts = AskAndTake(tree.Path("r"));
    EXPECT_EQ(verdicts.asked, files::kNoTrashOnSystemMount) << files::ErrorText(verdicts.asked);
    EXPECT_EQ(verdicts.taken, files::kNoTrashOnSystemMount) << files::ErrorText(verdicts.taken);
    EXPECT_EQ(std::filesystem::exists("/.Trash-" + std::to_string(::geteuid())), hadTrash);
}

// A file system of its own, mounted in the tree for the test, whose top holds the trash.
class TopTrash : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_MOUNTED(volume);
        tree.WriteFile("mounted/r/a.rep", "replay");
    }

    // Moves mounted/r/a.rep into its trash; returns the code, and the folder it went to.
    int Move(std::string& trashFolder)
    {
        int code = -1;
        const auto folder = files::Folder::Open(tree.Path("mounted/r"), code);
        const auto trash = files::Trash::For(folder, code);
        if (!trash)
            return code;
        std::string as;
        code = trash.Put(folder, "a.rep", folder, "a.rep", as);
        for (const auto* candidate : {"mounted/.Trash/0", "mounted/.Trash-0"}) {
            if (tree.Exists(std::string(candidate) + "/files/" + as))
                trashFolder = candidate;
        }
        return code;
    }

    testsupport::ScratchTree tree;
    const Homes homes{tree.MakeFolder("home"), tree.Path("data")}; // on another file system than the volume
    testsupport::ScratchVolume volume{tree.Path("mounted")};
};

TEST_F(TopTrash, WithoutASharedTrashTheUsersOwnIsMadeAtTheTop)
{
    std::string folder;
    ASSERT_EQ(Move(folder), files::kNoError);
    EXPECT_EQ(folder, "mounted/.Trash-0");
    EXPECT_EQ(tree.Read("mounted/.Trash-0/info/a.rep.trashinfo").substr(0, 30), "[Trash Info]\nPath=r/a.rep\nDele")
        << "the path is relative to the top";
    EXPECT_FALSE(tree.Exists("data/Trash"));
}

// Only the sticky bit keeps one user out of another's folder in a shared trash at the top:
// without it, the user's own trash there is made instead. A mode, and the folder a file goes to.
class SharedTrash : public TopTrash, public testing::WithParamInterface<std::pair<std::uint32_t, std::string>> {};

TEST_P(SharedTrash, IsUsedWithTheStickyBitAsAFolderPerUserAndPassedOverWithout)
{
    tree.MakeFolder("mounted/.Trash");
    tree.SetMode("mounted/.Trash", GetParam().first);
    std::string folder;
    ASSERT_EQ(Move(folder), files::kNoError);
    EXPECT_EQ(folder, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(TopTrash, SharedTrash,
                         testing::Values(std::pair{01777u, "mounted/.Trash/0"}, std::pair{0777u, "mounted/.Trash-0"}));

// A dry run asks whether the user's folder in a sticky shared trash could be made, and says yes
// where a real run makes it, even on a top where nothing may be made (immutable: not even root may).
TEST_F(TopTrash, ADryRunSaysYesWhereTheSharedTrashWouldTakeIt)
{
    tree.MakeFolder("mounted/.Trash");
    tree.SetMode("mounted/.Trash", 01777);
    const files::Descriptor top(::open(tree.Path("mounted").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int flags = 0;
    ASSERT_EQ(::ioctl(top.Get(), FS_IOC_GETFLAGS, &flags), 0);
    flags |= FS_IMMUTABLE_FL;
    ASSERT_EQ(::ioctl(top.Get(), FS_IOC_SETFLAGS, &flags), 0);
    int code = -1;
    const auto folder = files::Folder::Open(tree.Path("mounted/r"), code);
    EXPECT_EQ(files::Trash::Available(folder), files::kNoError);
    std::string trashFolder;
    EXPECT_EQ(Move(trashFolder), files::kNoError);
    EXPECT_EQ(trashFolder, "mounted/.Trash/0");
    flags &= ~FS_IMMUTABLE_FL;
    EXPECT_EQ(::ioctl(top.Get(), FS_IOC_SETFLAGS, &flags), 0);
}

TEST_F(TopTrash, ATrashThatIsALinkOrAnotherUsersIsNeverUsed)
{
    REQUIRE_ROOT_AND_NOBODY(nobody);
    tree.MakeFolder("mounted/elsewhere");
    tree.Link("mounted/.Trash-0", "elsewhere");
    std::string folder;
    EXPECT_NE(Move(folder), files::kNoError);
    tree.Remove("mounted/.Trash-0");
    tree.MakeFolder("mounted/.Trash-0");
    testsupport::GiveTree(tree.Path("mounted/.Trash-0"), nobody);
    EXPECT_EQ(Move(folder), files::kTrashOfAnotherUser);
    EXPECT_EQ(tree.Read("mounted/r/a.rep"), "replay");
    EXPECT_TRUE(std::filesystem::is_empty(tree.Path("mounted/elsewhere")));
}

} // namespace
