// The trash as this layer fills it: which trash a file goes to, what is made, what is refused.
#include "platform/fs/FileErrors.h"
#include "platform/fs/Trash.h"
#include "support/Environment.h"
#include "support/ScratchTree.h"
#include "support/Users.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// XDG_DATA_HOME set to a folder of the tree while it lives.
struct HomeData {
    explicit HomeData(const std::string& path) { ::setenv("XDG_DATA_HOME", path.c_str(), 1); }
    testsupport::ScopedEnvironment saved{"XDG_DATA_HOME"};
};

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
    const HomeData home(tree.Path("data"));
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

// A file system of its own, mounted in the tree for the test, whose top holds the trash.
class TopTrash : public testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a file system of the test's own needs root";
        top = tree.MakeFolder("mounted");
        ASSERT_EQ(::mount("tmpfs", top.c_str(), "tmpfs", 0, "size=4m"), 0) << std::strerror(errno);
        mounted = true;
        tree.WriteFile("mounted/r/a.rep", "replay");
    }
    void TearDown() override
    {
        if (mounted)
            ::umount2(top.c_str(), MNT_DETACH);
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
    const HomeData home{tree.Path("data")}; // on another file system than the mounted one
    std::string top;
    bool mounted = false;
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
    EXPECT_EQ(Move(folder), files::kAccessDenied);
    EXPECT_EQ(tree.Read("mounted/r/a.rep"), "replay");
    EXPECT_TRUE(std::filesystem::is_empty(tree.Path("mounted/elsewhere")));
}

} // namespace
