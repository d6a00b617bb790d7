#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "ScratchHome.h"
#include "platform/shellns/Allocator.h"
#include "platform/shellns/Folders.h"
#include "platform/shellns/Places.h"
#include "platform/shellns/Wide.h"

using namespace shellns;

namespace {

// An owned list.
struct List {
    PItemIdList p = nullptr;
    List() = default;
    explicit List(PItemIdList list) : p(list) {}
    ~List() { Allocator().Free(p); }
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    operator PCItemIdList() const { return p; }
};

class NamespaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        liveBefore = Allocator().LiveBlocks();
        ASSERT_EQ(S_OK, GetDesktopFolder(&desktop));
    }
    void TearDown() override
    {
        desktop.reset();
        EXPECT_EQ(liveBefore, Allocator().LiveBlocks()) << "identifier lists or names leaked";
    }

    PItemIdList Parse(const std::string& text, HResult* hr = nullptr)
    {
        PItemIdList list = nullptr;
        const HResult result = desktop->ParseDisplayName(BytesToWide(text), &list);
        if (hr)
            *hr = result;
        return list;
    }

    std::string Name(IShellFolder& folder, PCItemIdList list, std::uint32_t flags, std::uint32_t* kind = nullptr)
    {
        StrRet record;
        std::memset(&record, 0, sizeof record);
        EXPECT_EQ(S_OK, folder.GetDisplayNameOf(list, flags, &record));
        if (kind)
            *kind = record.uType;
        switch (record.uType) {
        case kStrRetWide: {
            std::string text = WideToBytes(record.pOleStr);
            Allocator().Free(record.pOleStr);
            return text;
        }
        case kStrRetOffset:
            return std::string(reinterpret_cast<const char*>(IdBytes(list)) + record.uOffset,
                               ReadIdCount(IdBytes(list)) - record.uOffset);
        default:
            return record.cStr;
        }
    }

    std::vector<std::string> Children(IShellFolder& folder, std::uint32_t flags)
    {
        EnumIdListPtr items;
        EXPECT_EQ(S_OK, folder.EnumObjects(flags, &items));
        std::vector<std::string> names;
        PItemIdList item;
        std::uint32_t fetched;
        while (items && items->Next(1, &item, &fetched) == S_OK) {
            EXPECT_EQ(1u, fetched);
            names.push_back(Name(folder, item, kNameInFolder));
            Allocator().Free(item);
        }
        return names;
    }

    std::uint32_t Attributes(const std::string& path, std::uint32_t mask)
    {
        List abs(Parse(path));
        EXPECT_NE(nullptr, abs.p) << path;
        PCItemIdList item = abs;
        desktop->GetAttributesOf(1, &item, &mask);
        return mask;
    }

    ScratchHome scratch;
    ShellFolderPtr desktop;
    long liveBefore = 0;
};

} // namespace

TEST_F(NamespaceTest, DesktopHoldsThePlacesFirstThenItsFoldersAndFilesOnRequest)
{
    scratch.MakeDir("Desktop/Replays");
    scratch.MakeDir("Desktop/.hidden");
    scratch.MakeFile("Desktop/notes.txt");
    std::filesystem::create_symlink(scratch.root + "/nowhere", scratch.desktop + "/dangling");

    EXPECT_EQ((std::vector<std::string>{"Home", "Computer", "Trash", "Replays"}), Children(*desktop, kEnumFolders));
    auto withHidden = Children(*desktop, kEnumFolders | kEnumIncludeHidden);
    EXPECT_EQ(5u, withHidden.size());
    EXPECT_NE(withHidden.end(), std::find(withHidden.begin(), withHidden.end(), ".hidden"));
    EXPECT_EQ((std::vector<std::string>{"notes.txt"}), Children(*desktop, kEnumNonFolders));
}

TEST_F(NamespaceTest, ComputerHoldsTheRootFileSystemAndTheUserVolumes)
{
    List computer(Parse("::{6d1c8a0e-4b63-4f0c-9a52-2e8c0f3b7a11}"));
    ASSERT_NE(nullptr, computer.p);
    ShellFolderPtr folder;
    ASSERT_EQ(S_OK, desktop->BindToObject(computer, &folder));
    EXPECT_EQ((std::vector<std::string>{"File System", "USB"}), Children(*folder, kEnumFolders));
    EXPECT_EQ("Computer", Name(*desktop, computer, kNameNormal));
}

TEST_F(NamespaceTest, ComparesInTheShellsOrder)
{
    for (const char* name : {"b", "A", "a10", "a9", "Z"})
        scratch.MakeDir(std::string("Desktop/") + name);
    scratch.MakeFile("Desktop/0file");
    EnumIdListPtr items;
    ASSERT_EQ(S_OK, desktop->EnumObjects(kEnumFolders | kEnumNonFolders, &items));
    std::vector<PItemIdList> lists;
    PItemIdList item;
    while (items->Next(1, &item, nullptr) == S_OK)
        lists.push_back(item);
    std::sort(lists.begin(), lists.end(), [&](PItemIdList a, PItemIdList b) {
        return static_cast<std::int16_t>(desktop->CompareIDs(0, a, b) & 0xFFFF) < 0;
    });
    std::vector<std::string> names;
    for (PItemIdList list : lists) {
        names.push_back(Name(*desktop, list, kNameInFolder));
        EXPECT_EQ(0, desktop->CompareIDs(0, list, list));
        Allocator().Free(list);
    }
    EXPECT_EQ((std::vector<std::string>{"Home", "Computer", "Trash", "A", "a9", "a10", "b", "Z", "0file"}), names);
}

TEST_F(NamespaceTest, ParsesPathsToTheShortestRouteFromTheDesktop)
{
    const std::string inDesktop = scratch.MakeDir("Desktop/games/replays");
    const std::string inHome = scratch.MakeDir("Documents");
    List desktopItem(Parse(inDesktop + "/"));
    List homeItem(Parse(inHome));
    List rootItem(Parse("/tmp"));
    List usbItem(Parse("usb:"));
    List usbChild(Parse("USB:/"));
    ASSERT_TRUE(desktopItem.p && homeItem.p && rootItem.p && usbItem.p && usbChild.p);
    EXPECT_EQ(2u, SplitIdList(desktopItem).size());
    EXPECT_EQ(2u, SplitIdList(homeItem).size());
    EXPECT_EQ(3u, SplitIdList(rootItem).size()); // Computer, the root file system, tmp
    EXPECT_EQ(2u, SplitIdList(usbItem).size());
    EXPECT_EQ(inDesktop, Name(*desktop, desktopItem, kNameForParsing));
    EXPECT_EQ(inHome, Name(*desktop, homeItem, kNameForParsing));
    EXPECT_EQ("/tmp", Name(*desktop, rootItem, kNameForParsing));
    EXPECT_EQ(scratch.usb + "/", Name(*desktop, usbItem, kNameForParsing));
    EXPECT_EQ(scratch.desktop, Name(*desktop, List(Parse(scratch.desktop)), kNameForParsing));

    HResult hr;
    for (const char* bad : {"", "relative/path", "Nowhere:", "::{00000000-0000-0000-0000-000000000000}"}) {
        EXPECT_EQ(nullptr, Parse(bad, &hr)) << bad;
        EXPECT_TRUE(Failed(hr)) << bad;
    }
    EXPECT_EQ(nullptr, Parse(scratch.home + "/missing", &hr));
    EXPECT_EQ(FromSystemError(kErrorFileNotFound), hr);
}

TEST_F(NamespaceTest, VolumeNamesThatAreNotUtf8AreToldApartByEveryByte)
{
    // Two labels written on machines with another encoding, alike but for one byte.
    const std::string second = scratch.root + "/media/second";
    std::filesystem::create_directories(second);
    const std::string usb = scratch.usb;
    SetVolumeSourceForTesting([usb, second] {
        return std::vector<Volume>{{"/", VolumeName("/"), false}, {usb, "Disk\xe9", true}, {second, "Disk\xe8", true}};
    });
    EXPECT_EQ(usb + "/", Name(*desktop, List(Parse("Disk\xe9:")), kNameForParsing));
    EXPECT_EQ(second + "/", Name(*desktop, List(Parse("disk\xe8:")), kNameForParsing));
}

TEST_F(NamespaceTest, NamesComeInAllThreeRecordKinds)
{
    scratch.MakeDir("Desktop/short");
    const std::string deep = scratch.MakeDir("Desktop/" + std::string(120, 'd') + "/" + std::string(120, 'e'));
    List shortItem(Parse(scratch.desktop + "/short"));
    List deepItem(Parse(deep));
    List home(Parse(scratch.home));
    std::uint32_t kind;
    EXPECT_EQ("short", Name(*desktop, shortItem, kNameInFolder, &kind));
    EXPECT_EQ(kStrRetOffset, kind);
    EXPECT_EQ(scratch.desktop + "/short", Name(*desktop, shortItem, kNameForParsing, &kind));
    EXPECT_EQ(kStrRetNarrow, kind);
    EXPECT_EQ(deep, Name(*desktop, deepItem, kNameForParsing, &kind));
    EXPECT_EQ(kStrRetWide, kind);
    EXPECT_EQ("Desktop", Name(*desktop, nullptr, kNameNormal));
    List trash(Parse("::{B3A5F1C2-7E94-4D2A-8C61-5F0E9D4A2B37}"));
    EXPECT_EQ("::{B3A5F1C2-7E94-4D2A-8C61-5F0E9D4A2B37}", Name(*desktop, trash, kNameForParsing, &kind));
    EXPECT_EQ(kStrRetWide, kind);
    EXPECT_EQ(scratch.home, Name(*desktop, List(Parse(scratch.home)), kNameForParsing));
}

TEST_F(NamespaceTest, AttributesOfFoldersLinksReadOnlyHiddenAndVolumes)
{
    const std::string plain = scratch.MakeDir("Desktop/plain");
    scratch.MakeDir("Desktop/parent/child");
    const std::string hidden = scratch.MakeDir("Desktop/.secret");
    const std::string locked = scratch.MakeDir("Desktop/locked");
    ::chmod(locked.c_str(), 0555);
    std::filesystem::create_directory_symlink(plain, scratch.desktop + "/link");

    const std::uint32_t all = 0xFFFFFFFF;
    const std::uint32_t plainAttrs = Attributes(plain, all);
    EXPECT_TRUE(plainAttrs & kAttrFolder);
    EXPECT_TRUE(plainAttrs & kAttrFileSystem);
    EXPECT_TRUE(plainAttrs & kAttrCanRename);
    EXPECT_FALSE(plainAttrs & kAttrHasSubfolder);
    EXPECT_FALSE(plainAttrs & (kAttrLink | kAttrReadOnly | kAttrGhosted | kAttrRemovable));
    EXPECT_TRUE(Attributes(scratch.desktop + "/parent", all) & kAttrHasSubfolder);
    EXPECT_TRUE(Attributes(hidden, all) & kAttrGhosted);
    EXPECT_TRUE(Attributes(locked, all) & kAttrReadOnly);
    const std::uint32_t linkAttrs = Attributes(scratch.desktop + "/link", all);
    EXPECT_TRUE(linkAttrs & kAttrLink);
    EXPECT_TRUE(linkAttrs & kAttrFolder);
    EXPECT_TRUE(Attributes("USB:", all) & kAttrRemovable);
    EXPECT_FALSE(Attributes("USB:", all) & kAttrCanRename);
    // Only what is asked for is answered.
    EXPECT_EQ(kAttrFolder, Attributes(plain, kAttrFolder));
    EXPECT_EQ(0u, Attributes(plain, 0));
    // Items in a folder nobody may write to cannot be renamed or deleted.
    const std::string inLocked = scratch.MakeDir("Desktop/fixed/item");
    ::chmod((scratch.desktop + "/fixed").c_str(), 0555);
    EXPECT_FALSE(Attributes(inLocked, all) & (kAttrCanRename | kAttrCanDelete));
}

TEST_F(NamespaceTest, TheTrashListsWhatItHoldsButLeavesItAlone)
{
    scratch.MakeDir(".local/share/Trash/files/thrown away");
    List trash(Parse("::{B3A5F1C2-7E94-4D2A-8C61-5F0E9D4A2B37}"));
    ShellFolderPtr folder;
    ASSERT_EQ(S_OK, desktop->BindToObject(trash, &folder));
    EXPECT_EQ((std::vector<std::string>{"thrown away"}), Children(*folder, kEnumFolders));
    EnumIdListPtr items;
    ASSERT_EQ(S_OK, folder->EnumObjects(kEnumFolders, &items));
    PItemIdList item = nullptr;
    ASSERT_EQ(S_OK, items->Next(1, &item, nullptr));
    List owned(item);
    std::uint32_t attrs = 0xFFFFFFFF;
    PCItemIdList one = owned;
    folder->GetAttributesOf(1, &one, &attrs);
    EXPECT_TRUE(attrs & kAttrFolder);
    EXPECT_FALSE(attrs & (kAttrCanRename | kAttrCanDelete | kAttrCanMove));
    // An empty trash whose folder does not exist yet is an empty folder.
    std::filesystem::remove_all(scratch.home + "/.local/share/Trash");
    EXPECT_TRUE(Children(*folder, kEnumFolders).empty());
}

TEST_F(NamespaceTest, SetNameRenamesOnDiskButNeverOverAnExistingName)
{
    scratch.MakeDir("Desktop/old");
    scratch.MakeDir("Desktop/taken");
    List item(Parse(scratch.desktop + "/old"));
    PItemIdList renamed = nullptr;
    ASSERT_EQ(S_OK, desktop->SetNameOf(item, u"new", kNameNormal, &renamed));
    List newItem(renamed);
    EXPECT_TRUE(std::filesystem::is_directory(scratch.desktop + "/new"));
    EXPECT_FALSE(std::filesystem::exists(scratch.desktop + "/old"));
    EXPECT_EQ(scratch.desktop + "/new", Name(*desktop, newItem, kNameForParsing));

    PItemIdList refused = nullptr;
    EXPECT_EQ(FromSystemError(kErrorAlreadyExists), desktop->SetNameOf(newItem, u"taken", 0, &refused));
    EXPECT_EQ(nullptr, refused);
    EXPECT_TRUE(std::filesystem::is_directory(scratch.desktop + "/new"));
    for (const char16_t* bad : {u"", u".", u"..", u"a/b"})
        EXPECT_EQ(FromSystemError(kErrorInvalidName), desktop->SetNameOf(newItem, bad, 0, &refused));
    List computer(Parse("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}"));
    EXPECT_TRUE(Failed(desktop->SetNameOf(computer, u"Mine", 0, &refused)));
}

TEST_F(NamespaceTest, NonUtf8NamesSurviveEveryRoute)
{
    const std::string name = "r\xE9plays\xFF";
    scratch.MakeDir("Desktop/" + name);
    const auto children = Children(*desktop, kEnumFolders);
    EXPECT_NE(children.end(), std::find(children.begin(), children.end(), name));
    List item(Parse(scratch.desktop + "/" + name));
    ASSERT_NE(nullptr, item.p);
    EXPECT_EQ(scratch.desktop + "/" + name, Name(*desktop, item, kNameForParsing));
    PItemIdList renamed = nullptr;
    const std::string newName = "\xC0\xC1-new";
    ASSERT_EQ(S_OK, desktop->SetNameOf(item, BytesToWide(newName), 0, &renamed));
    List newItem(renamed);
    EXPECT_TRUE(std::filesystem::is_directory(scratch.desktop + "/" + newName));
}

TEST_F(NamespaceTest, BindsFoldersOnlyAndEnumeratesTheirEntries)
{
    scratch.MakeDir("Desktop/box/inner");
    scratch.MakeFile("Desktop/box/file.rep");
    List box(Parse(scratch.desktop + "/box"));
    List file(Parse(scratch.desktop + "/box/file.rep"));
    ShellFolderPtr folder;
    ASSERT_EQ(S_OK, desktop->BindToObject(box, &folder));
    EXPECT_EQ((std::vector<std::string>{"inner"}), Children(*folder, kEnumFolders));
    EXPECT_TRUE(Failed(desktop->BindToObject(file, &folder)));
    EXPECT_EQ(nullptr, folder);
    UnknownPtr view;
    EXPECT_EQ(E_NOINTERFACE, desktop->CreateViewObject(InterfaceId::ShellFolder, &view));
    // A folder that is gone can neither be listed nor bound.
    ASSERT_EQ(S_OK, desktop->BindToObject(box, &folder));
    std::filesystem::remove_all(scratch.desktop + "/box");
    EnumIdListPtr items;
    EXPECT_EQ(FromSystemError(kErrorFileNotFound), folder->EnumObjects(kEnumFolders, &items));
    EXPECT_EQ(FromSystemError(kErrorFileNotFound), desktop->BindToObject(box, &folder));
}

TEST_F(NamespaceTest, SpecialFoldersMapToTheLinuxPlaces)
{
    scratch.MakeDir("Docs");
    scratch.SetUserDir("DOCUMENTS", "Docs");
    PItemIdList list = nullptr;
    ASSERT_EQ(S_OK, GetSpecialFolderLocation(kFolderPersonal, &list));
    EXPECT_EQ(scratch.home + "/Docs", Name(*desktop, List(list), kNameForParsing));
    ASSERT_EQ(S_OK, GetSpecialFolderLocation(kFolderDesktop, &list));
    EXPECT_EQ(0u, SplitIdList(List(list)).size());
    ASSERT_EQ(S_OK, GetSpecialFolderLocation(kFolderComputer, &list));
    EXPECT_EQ("Computer", Name(*desktop, List(list), kNameNormal));
    EXPECT_EQ(E_INVALIDARG, GetSpecialFolderLocation(kFolderTemplates, &list)); // not configured
    EXPECT_EQ(E_INVALIDARG, GetSpecialFolderLocation(18, &list));               // no network place here
    EXPECT_EQ(nullptr, list);
}

TEST_F(NamespaceTest, DesktopFallsBackToHomeWithoutADesktopFolder)
{
    std::filesystem::remove_all(scratch.desktop);
    scratch.MakeDir("Music");
    ShellFolderPtr fresh;
    ASSERT_EQ(S_OK, GetDesktopFolder(&fresh));
    EXPECT_EQ(scratch.home, Name(*fresh, nullptr, kNameForParsing));
    const auto children = Children(*fresh, kEnumFolders);
    EXPECT_NE(children.end(), std::find(children.begin(), children.end(), "Music"));
}

TEST_F(NamespaceTest, WithoutAUserDirsEntryTheDesktopIsTheDesktopFolderUnderHome)
{
    // A fresh account: no user-dirs.dirs yet, but the conventional ~/Desktop exists.
    std::filesystem::remove(scratch.home + "/.config/user-dirs.dirs");
    scratch.MakeDir("Desktop/Inside");
    ShellFolderPtr fresh;
    ASSERT_EQ(S_OK, GetDesktopFolder(&fresh));
    EXPECT_EQ(scratch.desktop, Name(*fresh, nullptr, kNameForParsing));
    const auto children = Children(*fresh, kEnumFolders);
    EXPECT_NE(children.end(), std::find(children.begin(), children.end(), "Inside"));
}
