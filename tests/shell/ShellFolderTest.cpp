#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "ScratchHome.h"
#include "platform/shellns/Allocator.h"
#include "platform/shellns/Execute.h"
#include "support/Eventually.h"
#include "support/FakeDesktop.h"
#include "platform/shellns/Icons.h"
#include "platform/shellns/Wide.h"
#include "shell/ShellCtrls.h"

using namespace ShellCtrls;
using shellns::HResult;

namespace {

// Answers name requests with a chosen record; everything else is refused.
class NameFolder final : public shellns::IShellFolder {
public:
    std::function<void(std::uint32_t flags, shellns::StrRet*)> answer;
    std::vector<std::uint32_t> askedFlags;

    HResult GetDisplayNameOf(PCItemIdList, std::uint32_t flags, shellns::StrRet* out) override
    {
        askedFlags.push_back(flags);
        answer(flags, out);
        return shellns::S_OK;
    }
    HResult ParseDisplayName(std::u16string_view, PItemIdList*) override { return shellns::E_NOTIMPL; }
    HResult EnumObjects(std::uint32_t, shellns::EnumIdListPtr*) override { return shellns::E_NOTIMPL; }
    HResult BindToObject(PCItemIdList, ShellFolderIntf*) override { return shellns::E_NOTIMPL; }
    HResult CompareIDs(std::intptr_t, PCItemIdList, PCItemIdList) override { return shellns::E_NOTIMPL; }
    HResult CreateViewObject(shellns::InterfaceId, shellns::UnknownPtr*) override { return shellns::E_NOTIMPL; }
    HResult GetAttributesOf(std::uint32_t, const PCItemIdList*, std::uint32_t*) override { return shellns::E_NOTIMPL; }
    HResult GetUIObjectOf(std::uint32_t, const PCItemIdList*, shellns::InterfaceId, shellns::UnknownPtr*) override
    {
        return shellns::E_NOTIMPL;
    }
    HResult SetNameOf(PCItemIdList, std::u16string_view, std::uint32_t, PItemIdList*) override
    {
        return shellns::E_NOTIMPL;
    }
};

void Narrow(shellns::StrRet* out, const char* text)
{
    out->uType = shellns::kStrRetNarrow;
    std::strcpy(out->cStr, text);
}

std::string NarrowName(const char* text)
{
    NameFolder folder;
    folder.answer = [text](std::uint32_t, shellns::StrRet* out) { Narrow(out, text); };
    return ItemDisplayName(&folder, nullptr, 0);
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no error)";
}

constexpr const char* kComputerPath = "::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}";

class ShellFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        live = shellns::Allocator().LiveBlocks();
        module = std::make_unique<ShellCtrlsModule>();
        ASSERT_NE(nullptr, SharedDesktop());
    }
    void TearDown() override
    {
        module.reset();
        EXPECT_EQ(nullptr, SharedDesktop());
        EXPECT_EQ(live, shellns::Allocator().LiveBlocks()) << "identifier lists or names leaked";
    }

    std::unique_ptr<TShellFolder> Root(const std::string& text)
    {
        std::unique_ptr<TShellFolder> none;
        TRoot root = text;
        return MakeRootFolder(none, "", root);
    }

    // The child of parent named name, as the tree makes its nodes.
    std::unique_ptr<TShellFolder> Child(TShellFolder& parent, const std::string& name)
    {
        shellns::EnumIdListPtr items;
        EXPECT_EQ(shellns::S_OK, parent.FolderIntf()->EnumObjects(EnumFlagsFor(otFolders | otNonFolders | otHidden), &items));
        PItemIdList item = nullptr;
        while (items && items->Next(1, &item, nullptr) == shellns::S_OK) {
            TIdListPtr owned(item);
            auto child = std::make_unique<TShellFolder>(&parent, BindChildFolder(parent.FolderIntf(), item), item);
            if (child->InFolderName() == name)
                return child;
        }
        ADD_FAILURE() << "no child " << name;
        return nullptr;
    }

    ScratchHome scratch;
    std::unique_ptr<ShellCtrlsModule> module;
    long live = 0;
};

} // namespace

TEST(ItemDisplayName, QuestionMarksBeforeADigitAreDropped)
{
    EXPECT_EQ("12-3", NarrowName("?1?2-?3"));
    EXPECT_EQ("?a?b", NarrowName("?a?b"));
    EXPECT_EQ("?", NarrowName("?"));
    EXPECT_EQ("a?1", NarrowName("a?1"));
    EXPECT_EQ("parentfolder = nil", ItemDisplayName(nullptr, nullptr, 0));
}

TEST(ItemDisplayName, AClassIdPathIsReplacedByThePlainName)
{
    NameFolder folder;
    folder.answer = [](std::uint32_t flags, shellns::StrRet* out) {
        Narrow(out, flags == shellns::kNameForParsing ? "::{1234}" : "Plain");
    };
    EXPECT_EQ("Plain", ItemDisplayName(&folder, nullptr, shellns::kNameForParsing));
    EXPECT_EQ((std::vector<std::uint32_t>{shellns::kNameForParsing, shellns::kNameNormal}), folder.askedFlags);
}

TEST(ItemDisplayName, ReadsEveryRecordKindAndFreesWideText)
{
    const long live = shellns::Allocator().LiveBlocks();
    NameFolder folder;
    folder.answer = [](std::uint32_t, shellns::StrRet* out) {
        const std::u16string text = u"Широкий";
        auto* block = static_cast<char16_t*>(shellns::Allocator().Alloc((text.size() + 1) * sizeof(char16_t)));
        std::memcpy(block, text.data(), text.size() * sizeof(char16_t));
        out->uType = shellns::kStrRetWide;
        out->pOleStr = block;
    };
    EXPECT_EQ("Широкий", ItemDisplayName(&folder, nullptr, 0));
    EXPECT_EQ(live, shellns::Allocator().LiveBlocks());

    // An offset into the item: up to the item's end or its first zero byte.
    shellns::IdListBuilder builder;
    builder.Append(std::string("\x01\x02name\0tail", 11));
    TIdListPtr list(builder.Finish());
    folder.answer = [](std::uint32_t, shellns::StrRet* out) {
        out->uType = shellns::kStrRetOffset;
        out->uOffset = 4;
    };
    EXPECT_EQ("name", ItemDisplayName(&folder, list.get(), 0));
    folder.answer = [](std::uint32_t, shellns::StrRet* out) { out->uType = 7; };
    EXPECT_EQ("", ItemDisplayName(&folder, list.get(), 0));
    folder.answer = [](std::uint32_t, shellns::StrRet*) {}; // a request that answered nothing
    EXPECT_EQ("", ItemDisplayName(&folder, list.get(), 0));
}

TEST(EnumFlags, ObjectTypesMapToTheEnumerationFlags)
{
    EXPECT_EQ(0x20u, EnumFlagsFor(otFolders));
    EXPECT_EQ(0x40u, EnumFlagsFor(otNonFolders));
    EXPECT_EQ(0xE0u, EnumFlagsFor(otFolders | otNonFolders | otHidden));
    EXPECT_EQ(0u, EnumFlagsFor({}));
}

TEST_F(ShellFolderTest, DepthAndParentsFollowTheChainOfCreation)
{
    scratch.MakeDir("Desktop/a/b");
    TShellFolder* desktop = SharedDesktop();
    EXPECT_EQ(nullptr, desktop->ParentFolder());
    EXPECT_EQ(0, IdItemCount(desktop->AbsIdList()));
    auto a = Child(*desktop, "a");
    auto b = Child(*a, "b");
    EXPECT_EQ(0, a->Depth());
    EXPECT_EQ(1, b->Depth());
    EXPECT_EQ(desktop, a->ParentFolder());
    EXPECT_EQ(2, IdItemCount(b->AbsIdList()));
    TShellFolder orphan(nullptr, nullptr, a->RelIdList());
    EXPECT_EQ(desktop, orphan.ParentFolder());
    EXPECT_EQ(0, orphan.Depth());
    EXPECT_TRUE(SameIdList(orphan.AbsIdList(), a->AbsIdList()));
    EXPECT_FALSE(SameIdList(a->AbsIdList(), b->AbsIdList()));
}

TEST_F(ShellFolderTest, NamesOfFileSystemItemsAndOfVirtualPlaces)
{
    scratch.MakeDir("Desktop/Replays");
    EXPECT_EQ(scratch.desktop, SharedDesktop()->ParsingName());
    EXPECT_EQ("Desktop", SharedDesktop()->InFolderName());
    auto replays = Child(*SharedDesktop(), "Replays");
    EXPECT_EQ(scratch.desktop + "/Replays", replays->ParsingName());
    auto computer = Child(*SharedDesktop(), "Computer");
    EXPECT_EQ("Computer", computer->ParsingName()); // a class-id path shows as the plain name
    auto home = Child(*SharedDesktop(), "Home");
    EXPECT_EQ(scratch.home, home->ParsingName());
    auto usb = Child(*computer, "USB");
    EXPECT_EQ(scratch.usb + "/", usb->ParsingName());
    EXPECT_TRUE(usb->Traits().testFlag(trRemovable));
    EXPECT_TRUE(usb->IsFolderItem());
    EXPECT_EQ(shellns::kIconRemovable, usb->IconIndex(false));
    EXPECT_EQ(shellns::kIconFolder, replays->IconIndex(true));
}

TEST_F(ShellFolderTest, AbilitiesAndTraitsOfLinksReadOnlyAndHiddenFolders)
{
    const std::string plain = scratch.MakeDir("Desktop/plain/sub");
    std::filesystem::create_directory_symlink(scratch.desktop + "/plain", scratch.desktop + "/link");
    scratch.MakeDir("Desktop/.hidden");
    const std::string locked = scratch.MakeDir("Desktop/locked");
    ::chmod(locked.c_str(), 0555);
    auto folder = Child(*SharedDesktop(), "plain");
    EXPECT_TRUE(folder->IsFolderItem());
    EXPECT_TRUE(folder->HasFolderChildren());
    const TAbilities abilities = folder->Abilities();
    for (TAbility ability : {abCopy, abDelete, abLink, abMove, abRename, abDropTarget})
        EXPECT_TRUE(abilities.testFlag(ability)) << ability;
    EXPECT_FALSE(abilities.testFlag(abPropSheet));
    EXPECT_EQ(TTraits(trFileSystem | trFileSystemAncestor), folder->Traits());
    EXPECT_TRUE(Child(*SharedDesktop(), "link")->Traits().testFlag(trLink));
    EXPECT_TRUE(Child(*SharedDesktop(), ".hidden")->Traits().testFlag(trGhosted));
    auto lockedFolder = Child(*SharedDesktop(), "locked");
    EXPECT_TRUE(lockedFolder->Traits().testFlag(trReadOnly));
    EXPECT_FALSE(lockedFolder->Abilities().testFlag(abDropTarget));
    auto sub = Child(*folder, "sub");
    EXPECT_FALSE(sub->HasFolderChildren());
    EXPECT_FALSE(Child(*SharedDesktop(), "Computer")->Abilities().testFlag(abRename));
}

TEST_F(ShellFolderTest, RootsByNameInAnyCaseByPathAndByVolumeName)
{
    EXPECT_EQ("Computer", Root("RFMYCOMPUTER")->ParsingName());
    EXPECT_EQ("Computer", Root("rfmycomputer")->ParsingName());
    EXPECT_EQ(scratch.desktop, Root("rfDesktop")->ParsingName());
    EXPECT_EQ(scratch.home, Root("rfPersonal")->ParsingName()); // no documents folder: home
    EXPECT_EQ(scratch.usb + "/", Root("usb:")->ParsingName());  // "NAME:" is the volume's root
    EXPECT_EQ("/", Root("File System:")->ParsingName());
    const std::string deep = scratch.MakeDir("Documents/replays");
    EXPECT_EQ(deep, Root(deep)->ParsingName());
    EXPECT_EQ(0, Root("rfDesktop")->Depth());
}

TEST_F(ShellFolderTest, AnUnusableRootRaisesThePathErrorAndKeepsTheOldOne)
{
    std::unique_ptr<TShellFolder> root;
    TRoot text = "rfDesktop";
    root = MakeRootFolder(root, "", text);
    TShellFolder* kept = root.get();
    for (const std::string bad : {"", "no such place", "rfNetwork", "/no/such/folder", "Floppy:"}) {
        TRoot attempt = bad;
        EXPECT_EQ("Error setting path: \"" + bad + "\"", ErrorOf([&] { MakeRootFolder(root, "rfDesktop", attempt); }));
        EXPECT_EQ("rfDesktop", attempt);
        EXPECT_EQ(kept, root.get());
    }
    TRoot computer = "rfMyComputer";
    std::unique_ptr<TShellFolder> next = MakeRootFolder(root, "rfDesktop", computer);
    EXPECT_EQ(nullptr, root); // the old root object is gone
    EXPECT_EQ("rfMyComputer", computer);
}

TEST_F(ShellFolderTest, RenameToRenamesOnDiskAndFollowsTheNewPath)
{
    scratch.MakeDir("Desktop/games/old name");
    auto games = Child(*SharedDesktop(), "games");
    auto item = Child(*games, "old name");
    ASSERT_TRUE(item->RenameTo(u"новое имя"));
    EXPECT_EQ(scratch.desktop + "/games/новое имя", item->ParsingName());
    EXPECT_EQ("новое имя", item->InFolderName());
    EXPECT_TRUE(std::filesystem::is_directory(scratch.desktop + "/games/новое имя"));
    EXPECT_EQ(1, item->Depth());

    // An object made from an absolute list renames the item at its end.
    auto fromList = FolderFromIdList(item->AbsIdList());
    ASSERT_TRUE(fromList->RenameTo(shellns::BytesToWide("raw\xFF")));
    EXPECT_EQ(scratch.desktop + "/games/raw\xFF", fromList->ParsingName());
    EXPECT_TRUE(std::filesystem::is_directory(scratch.desktop + "/games/raw\xFF"));
}

TEST_F(ShellFolderTest, ARefusedRenameRaisesAndChangesNothing)
{
    scratch.MakeDir("Desktop/mine");
    scratch.MakeDir("Desktop/theirs");
    auto mine = Child(*SharedDesktop(), "mine");
    const std::string before = mine->ParsingName();
    EXPECT_EQ("Rename to theirs failed", ErrorOf([&] { mine->RenameTo(u"theirs"); }));
    EXPECT_EQ("Rename to a/b failed", ErrorOf([&] { mine->RenameTo(u"a/b"); }));
    EXPECT_EQ(before, mine->ParsingName());
    EXPECT_TRUE(std::filesystem::is_directory(before));
    // An item without the rename ability answers false and raises nothing.
    auto computer = Child(*SharedDesktop(), "Computer");
    EXPECT_FALSE(computer->RenameTo(u"Mine"));
}

TEST_F(ShellFolderTest, BindingAndChildQueries)
{
    scratch.MakeDir("Desktop/full/inner");
    scratch.MakeDir("Desktop/empty");
    scratch.MakeFile("Desktop/full/file.rep");
    scratch.MakeDir("Desktop/file.rep"); // a desktop folder with the same name as the file below
    auto full = Child(*SharedDesktop(), "full");
    auto empty = Child(*SharedDesktop(), "empty");
    EXPECT_TRUE(HasAnyChild(full->FolderIntf(), EnumFlagsFor(otFolders)));
    EXPECT_FALSE(HasAnyChild(empty->FolderIntf(), EnumFlagsFor(otFolders)));
    EXPECT_FALSE(HasAnyChild(nullptr, EnumFlagsFor(otFolders)));
    auto file = Child(*full, "file.rep");
    EXPECT_EQ(nullptr, file->FolderIntf()); // never the desktop's folder of that name
    EXPECT_FALSE(file->IsFolderItem());
    auto fromList = FolderFromIdList(full->AbsIdList());
    EXPECT_TRUE(HasAnyChild(fromList->FolderIntf(), EnumFlagsFor(otFolders)));
    EXPECT_EQ(SharedDesktop(), fromList->ParentFolder());
}

TEST_F(ShellFolderTest, RunDefaultVerbOpensTheItemsPath)
{
    testsupport::FakeDesktop desktop;
    scratch.MakeDir("Desktop/show");
    Child(*SharedDesktop(), "show")->RunDefaultVerb();
    ASSERT_EVENTUALLY_EQ(desktop.Opened(), (std::vector<std::string>{scratch.desktop + "/show"}));
}
