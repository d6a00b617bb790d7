#include <gtest/gtest.h>

#include "ScratchHome.h"
#include "platform/shellns/Allocator.h"
#include "platform/shellns/Folders.h"
#include "platform/shellns/Icons.h"
#include "platform/shellns/Wide.h"

using namespace shellns;

namespace {

int IconOf(const std::string& path, std::uint32_t extra = 0)
{
    ShellFolderPtr desktop;
    GetDesktopFolder(&desktop);
    PItemIdList list = nullptr;
    EXPECT_EQ(S_OK, desktop->ParseDisplayName(BytesToWide(path), &list)) << path;
    FileInfo info;
    info.iconIndex = -1;
    const std::uintptr_t images = GetFileInfo(list, kInfoSysIconIndex | kInfoIdList | kInfoSmallIcon | extra, &info);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(SmallSystemImages()), images);
    Allocator().Free(list);
    return info.iconIndex;
}

} // namespace

TEST(SystemImages, EachKindOfItemHasItsIcon)
{
    ScratchHome scratch;
    const std::string folder = scratch.MakeDir("Desktop/f");
    EXPECT_EQ(kIconDesktop, IconOf(scratch.desktop));
    EXPECT_EQ(kIconHome, IconOf(scratch.home));
    EXPECT_EQ(kIconFolder, IconOf(folder));
    EXPECT_EQ(kIconFolderOpen, IconOf(folder, kInfoOpenIcon));
    EXPECT_EQ(kIconFile, IconOf(scratch.MakeFile("Desktop/a.rep")));
    EXPECT_EQ(kIconComputer, IconOf("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}"));
    EXPECT_EQ(kIconTrash, IconOf("::{B3A5F1C2-7E94-4D2A-8C61-5F0E9D4A2B37}"));
    EXPECT_EQ(kIconRemovable, IconOf("USB:"));
    EXPECT_EQ(kIconDrive, IconOf("/"));
    // A path gives the same answer; the large list answers without the small flag.
    FileInfo info;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(LargeSystemImages()),
              GetFileInfo(folder.c_str(), kInfoSysIconIndex, &info));
    EXPECT_EQ(kIconFolder, info.iconIndex);
    EXPECT_EQ(0u, GetFileInfo("/no/such/place", kInfoSysIconIndex, &info));
}

TEST(SystemImages, EveryIndexHasAPictureOfTheListsSize)
{
    for (ImageListHandle images : {SmallSystemImages(), LargeSystemImages()}) {
        for (int index = 0; index < images->Count(); ++index) {
            const QPixmap pixmap = images->Pixmap(index);
            ASSERT_FALSE(pixmap.isNull()) << index;
            EXPECT_EQ(images->IconSize(), pixmap.width() / pixmap.devicePixelRatio()) << index;
        }
        EXPECT_TRUE(images->Pixmap(images->Count()).isNull());
    }
}
