#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace {

TEST(File, ReadsAtOffsetsAndReportsShortReadsByCount)
{
    testsupport::ScratchTree tree;
    const auto path = tree.WriteFile("a.rep", "0123456789");
    int code = -1;
    const auto file = files::File::Open(path, code);
    ASSERT_TRUE(file) << files::ErrorText(code);
    EXPECT_EQ(file.Length(), 10u);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(file.Id(), (files::FileId{st.st_dev, st.st_ino}));

    char buffer[8] = {};
    std::size_t got = 0;
    EXPECT_EQ(file.ReadAt(2, buffer, 4, got), files::kNoError);
    EXPECT_EQ(std::string(buffer, got), "2345");
    EXPECT_EQ(file.ReadAt(6, buffer, 8, got), files::kNoError);
    EXPECT_EQ(std::string(buffer, got), "6789");
    EXPECT_EQ(file.ReadAt(1000, buffer, 8, got), files::kNoError);
    EXPECT_EQ(got, 0u);
}

TEST(File, RefusesWhatCannotBeOpenedToWrite)
{
    testsupport::ScratchTree tree;
    tree.MakeFolder("folder.rep");
    tree.WriteFile("readonly.rep", "x");
    tree.SetMode("readonly.rep", 0444);
    ASSERT_EQ(::mkfifo(tree.Path("pipe.rep").c_str(), 0644), 0);
    int code = -1;
    // Read-only goes by the permission bits, so root is refused too.
    EXPECT_FALSE(files::File::Open(tree.Path("readonly.rep"), code));
    EXPECT_EQ(code, files::kReadOnly);
    EXPECT_EQ(files::ErrorText(code), "File access denied");
    EXPECT_TRUE(files::File::Open(tree.Path("readonly.rep"), code, files::Access::Read)); // only to be read
    EXPECT_FALSE(files::File::Open(tree.Path("folder.rep"), code, files::Access::Read));
    EXPECT_FALSE(files::File::Open(tree.Path("folder.rep"), code));
    EXPECT_EQ(code, files::kRefused);
    EXPECT_FALSE(files::File::Open(tree.Path("pipe.rep"), code)); // and does not wait for a writer
    EXPECT_EQ(code, files::kRefused);
    EXPECT_FALSE(files::File::Open(tree.Path("missing.rep"), code));
    EXPECT_EQ(code, files::kFileNotFound);
    EXPECT_FALSE(files::File::Open(tree.Path("a") + std::string(1, '\0'), code));
    EXPECT_EQ(code, files::kInvalidFilename);
}

TEST(File, UnreadableFilesAreRefusedUnlessRoot)
{
    if (testsupport::RunningAsRoot())
        GTEST_SKIP() << "root reads files without read permission; nothing to refuse";
    testsupport::ScratchTree tree;
    tree.WriteFile("secret.rep", "x");
    tree.SetMode("secret.rep", 0200);
    int code = -1;
    EXPECT_FALSE(files::File::Open(tree.Path("secret.rep"), code));
    EXPECT_EQ(code, files::kAccessDenied);
}

// A folder "sub" holding a.rep ("abc") and link.rep, a link to it, open.
class FileInAFolder : public testing::Test {
protected:
    void SetUp() override
    {
        tree.WriteFile("sub/a.rep", "abc");
        tree.Link("sub/link.rep", "a.rep");
        folder = files::Folder::Open(tree.Path("sub"), code);
        ASSERT_TRUE(folder) << files::ErrorText(code);
    }

    testsupport::ScratchTree tree;
    int code = -1;
    files::Folder folder;
};

TEST_F(FileInAFolder, OpensByNameWithinAFolderAndFollowsLinks)
{
    const auto direct = files::File::OpenIn(folder, "a.rep", code);
    ASSERT_TRUE(direct);
    const auto linked = files::File::OpenIn(folder, "link.rep", code);
    ASSERT_TRUE(linked);
    EXPECT_EQ(direct.Id(), linked.Id());
    EXPECT_EQ(linked.Length(), 3u);
    EXPECT_FALSE(files::File::OpenIn(folder, std::string(300, 'n'), code));
    EXPECT_EQ(code, files::kInvalidFilename);
}

TEST(File, IdentifyingFollowsLinks)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("target.rep", "x");
    tree.Link("link.rep", "target.rep");
    files::FileId id, targetId;
    bool readOnly = true;
    ASSERT_EQ(files::Identify(tree.Path("link.rep"), id, readOnly), files::kNoError);
    ASSERT_EQ(files::Identify(tree.Path("target.rep"), targetId, readOnly), files::kNoError);
    EXPECT_EQ(id, targetId);
    EXPECT_FALSE(readOnly);
    tree.SetMode("target.rep", 0444);
    ASSERT_EQ(files::Identify(tree.Path("target.rep"), id, readOnly), files::kNoError);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(files::Identify(tree.Path("gone.rep"), id, readOnly), files::kFileNotFound);
}

TEST_F(FileInAFolder, StampsTellContentsChangesAndRenamesApart)
{
    const auto file = files::File::OpenIn(folder, "a.rep", code);
    ASSERT_TRUE(file);
    files::FileStamp opened, named, link, through;
    ASSERT_EQ(file.Stamp(opened), files::kNoError);
    EXPECT_EQ(opened.id, file.Id());
    EXPECT_EQ(opened.size, 3u);
    EXPECT_EQ(opened.kind, files::FileKind::Regular);
    ASSERT_EQ(files::StampIn(folder, "a.rep", files::Links::Own, named), files::kNoError);
    EXPECT_TRUE(named.Unchanged(opened));
    ASSERT_EQ(files::StampIn(folder, "link.rep", files::Links::Own, link), files::kNoError);
    EXPECT_EQ(link.kind, files::FileKind::Link);
    EXPECT_NE(link.id, opened.id);
    ASSERT_EQ(files::StampIn(folder, "link.rep", files::Links::Follow, through), files::kNoError);
    EXPECT_TRUE(through.Unchanged(opened));
    EXPECT_EQ(files::StampIn(folder, "gone.rep", files::Links::Own, named), files::kFileNotFound);
    EXPECT_EQ(files::StampIn(folder, "../sub/a.rep", files::Links::Own, named), files::kInvalidFilename)
        << "a name, not a path";

    // A rename moves only the status change time; a write moves the contents' stamp.
    const auto settled = files::FileClockNow() + 2 * files::FileClockStep();
    while (files::FileClockNow() < settled) {
    }
    ASSERT_EQ(files::RenameBetween(folder, "a.rep", folder, "b.rep"), files::kNoError);
    ASSERT_EQ(file.Stamp(named), files::kNoError);
    EXPECT_TRUE(named.SameContents(opened));
    EXPECT_FALSE(named.Unchanged(opened));
    tree.WriteFile("sub/b.rep", "abd");
    ASSERT_EQ(files::StampIn(folder, "b.rep", files::Links::Own, named), files::kNoError);
    EXPECT_FALSE(named.SameContents(opened));
}

TEST(File, RenamingNeverReplacesAndDeletingTakesTheNameOnly)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("a.rep", "a");
    tree.WriteFile("b.rep", "b");
    tree.WriteFile("target.rep", "t");
    tree.Link("link.rep", "target.rep");
    int code = -1;
    const auto folder = files::Folder::Open(tree.Root(), code);
    EXPECT_EQ(files::RenameBetween(folder, "a.rep", folder, "b.rep"), files::kAlreadyExists);
    EXPECT_EQ(tree.Read("b.rep"), "b");
    EXPECT_EQ(files::RenameBetween(folder, "a.rep", folder, "c.rep"), files::kNoError);
    EXPECT_EQ(tree.Read("c.rep"), "a");
    EXPECT_EQ(files::RenameBetween(folder, "a.rep", folder, "d.rep"), files::kFileNotFound);
    EXPECT_EQ(files::RenameBetween(folder, "link.rep", folder, ".aside"), files::kNoError); // the link itself moves
    EXPECT_EQ(files::DeleteIn(folder, ".aside"), files::kNoError);
    EXPECT_EQ(tree.Read("target.rep"), "t");
    EXPECT_EQ(files::DeleteIn(folder, "c.rep"), files::kNoError);
    EXPECT_FALSE(tree.Exists("c.rep"));
    EXPECT_EQ(files::DeleteIn(folder, "c.rep"), files::kFileNotFound);
    EXPECT_EQ(files::DeleteIn(folder, std::string("b.rep\0x", 7)), files::kInvalidFilename);
}

// Names taken as gone are gone whichever way they are reached: by name, or at the end of links.
TEST(File, AbsentNamesAreGoneThroughLinksToo)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("sub/a.rep", "a");
    tree.Link("sub/c.rep", "a.rep");
    tree.Link("d.rep", "sub/c.rep");
    int code = -1;
    const auto root = files::Folder::Open(tree.Root(), code);
    const auto sub = files::Folder::Open(tree.Path("sub"), code);
    struct Gone : files::AbsentNames {
        files::FileId folder;
        std::string name;
        bool Absent(const files::FileId& in, std::string_view entry) const override { return in == folder && entry == name; }
    };
    for (const auto* absent : {"a.rep", "c.rep"}) {
        Gone gone;
        gone.folder = sub.Id();
        gone.name = absent;
        files::FileStamp stamp;
        EXPECT_FALSE(files::File::OpenIn(root, "d.rep", code, files::Access::Read, nullptr, &gone)) << absent;
        EXPECT_EQ(code, files::kFileNotFound) << absent;
        EXPECT_EQ(files::StampIn(root, "d.rep", files::Links::Follow, stamp, &gone), files::kFileNotFound) << absent;
        EXPECT_EQ(files::StampIn(root, "d.rep", files::Links::Own, stamp, &gone), files::kNoError) << absent;
        EXPECT_EQ(files::StampIn(sub, absent, files::Links::Own, stamp, &gone), files::kFileNotFound) << absent;
    }
    Gone other;
    other.folder = root.Id();
    other.name = "a.rep"; // the same name in another folder is another name
    EXPECT_TRUE(files::File::OpenIn(root, "d.rep", code, files::Access::Read, nullptr, &other));
}

// What a file that has lost its last name holds can still be saved, under a name that was free.
TEST(File, ACopyOfAnOpenFileIsSavedUnderAFreeNameOnly)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("a.rep", std::string(200000, 'a') + "end");
    tree.WriteFile("taken.rep", "taken");
    tree.SetMode("a.rep", 0640);
    int code = -1;
    const auto folder = files::Folder::Open(tree.Root(), code);
    const auto file = files::File::OpenIn(folder, "a.rep", code);
    ASSERT_TRUE(file);
    tree.Remove("a.rep");
    files::FileStamp stamp;
    ASSERT_EQ(file.Stamp(stamp), files::kNoError);
    EXPECT_EQ(stamp.links, 0u);
    EXPECT_EQ(files::SaveCopyIn(file, folder, "taken.rep", stamp), files::kAlreadyExists);
    EXPECT_EQ(tree.Read("taken.rep"), "taken");
    ASSERT_EQ(files::SaveCopyIn(file, folder, "saved.rep", stamp), files::kNoError);
    EXPECT_EQ(tree.Read("saved.rep"), std::string(200000, 'a') + "end");
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("saved.rep").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(files::WriteNewFileIn(folder, "saved.rep", "x", 0600), files::kAlreadyExists);
    EXPECT_EQ(files::WriteNewFileIn(folder, "new.rep", "x", 0600), files::kNoError);
    EXPECT_EQ(tree.Read("new.rep"), "x");
}

// What a dry run asks in place of moving a file out of its folder.
TEST(File, WhetherAFileCouldBeMovedOutOfItsFolder)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("free/a.rep", "a");
    tree.WriteFile("fixed/a.rep", "a");
    int code = -1;
    const auto free = files::Folder::Open(tree.Path("free"), code);
    const auto fixed = files::Folder::Open(tree.Path("fixed"), code);
    files::FileStamp stamp;
    ASSERT_EQ(files::StampIn(free, "a.rep", files::Links::Own, stamp), files::kNoError);
    const auto file = files::File::OpenIn(free, "a.rep", code);
    EXPECT_EQ(files::MayChangeEntriesOf(free), files::kNoError);
    EXPECT_EQ(files::MayMoveOutOf(free, stamp, file), files::kNoError);
    if (testsupport::RunningAsRoot()) {
        // Root's permissions are everywhere; a folder marked immutable still keeps its files.
        int flags = FS_IMMUTABLE_FL;
        if (::ioctl(fixed.Fd(), FS_IOC_SETFLAGS, &flags) != 0)
            GTEST_SKIP() << "this file system takes no immutable flag";
        EXPECT_EQ(files::MayChangeEntriesOf(fixed), files::kAccessDenied);
        EXPECT_EQ(files::MayMoveOutOf(free, stamp, file), files::kNoError);
        const int fd = ::open(tree.Path("free/a.rep").c_str(), O_RDONLY | O_CLOEXEC);
        flags = FS_APPEND_FL;
        ASSERT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
        EXPECT_EQ(files::MayMoveOutOf(free, stamp, file), files::kAccessDenied) << "an append-only file stays";
        flags = 0;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        ::close(fd);
        ::ioctl(fixed.Fd(), FS_IOC_SETFLAGS, &flags);
    } else {
        tree.SetMode("fixed", 0555);
        EXPECT_EQ(files::MayChangeEntriesOf(fixed), files::kAccessDenied);
        tree.SetMode("fixed", 0755);
    }
}

} // namespace
