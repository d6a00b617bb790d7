#include <gtest/gtest.h>

#include <filesystem>

#include "ScratchHome.h"
#include "platform/shellns/allocator.h"
#include "platform/shellns/contextmenu.h"
#include "platform/shellns/execute.h"
#include "platform/shellns/wide.h"

using namespace shellns;

namespace {

class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, GetDesktopFolder(&desktop));
        SetOpenerForTesting([this](const std::string& target) {
            opened.push_back(target);
            return true;
        });
    }
    void TearDown() override { SetOpenerForTesting({}); }

    std::shared_ptr<IContextMenu2> MenuFor(const std::string& path)
    {
        PItemIdList list = nullptr;
        EXPECT_EQ(S_OK, desktop->ParseDisplayName(BytesToWide(path), &list)) << path;
        UnknownPtr object;
        PCItemIdList item = list;
        EXPECT_EQ(S_OK, desktop->GetUIObjectOf(1, &item, InterfaceId::ContextMenu, &object));
        Allocator().Free(list);
        return std::dynamic_pointer_cast<IContextMenu2>(object);
    }

    HResult Invoke(IContextMenu& menu, std::uint32_t command)
    {
        InvokeCommandInfo info;
        info.verb = command;
        return menu.InvokeCommand(info);
    }

    ScratchHome scratch;
    ShellFolderPtr desktop;
    std::vector<std::string> opened;
};

} // namespace

TEST_F(ContextMenuTest, FillsOpenDeleteAndRenameWithTheirVerbs)
{
    auto menu = MenuFor(scratch.MakeDir("Desktop/folder"));
    ASSERT_TRUE(menu);
    MenuHandle popup = CreatePopupMenu();
    const HResult hr = menu->QueryContextMenu(popup, 0, 1, 0x7FFF, kMenuExplore | kMenuCanRename);
    EXPECT_EQ(MakeSuccess(kCommandCount), hr);
    ASSERT_EQ(4u, popup->items.size());
    EXPECT_TRUE(popup->items[0].isDefault);
    EXPECT_TRUE(popup->items[1].separator);
    char verb[256];
    std::vector<std::string> verbs;
    for (const MenuItem& item : popup->items) {
        if (item.separator)
            continue;
        EXPECT_TRUE(item.enabled);
        ASSERT_EQ(S_OK, menu->GetCommandString(item.id - 1, kCommandStringVerb, verb, sizeof verb));
        verbs.push_back(verb);
    }
    EXPECT_EQ((std::vector<std::string>{"open", "delete", "rename"}), verbs);
    EXPECT_TRUE(DestroyMenu(popup));

    MenuHandle plain = CreatePopupMenu();
    menu->QueryContextMenu(plain, 0, 1, 0x7FFF, kMenuExplore);
    EXPECT_EQ(3u, plain->items.size()); // no rename unless offered
    DestroyMenu(plain);
    EXPECT_EQ(E_INVALIDARG, menu->GetCommandString(kCommandCount, kCommandStringVerb, verb, sizeof verb));
    EXPECT_EQ(S_OK, menu->HandleMenuMsg(0x0117, 0, 0));
}

TEST_F(ContextMenuTest, OpenStartsTheDefaultHandlerForThePath)
{
    const std::string folder = scratch.MakeDir("Desktop/open me");
    auto menu = MenuFor(folder);
    EXPECT_EQ(S_OK, Invoke(*menu, kCommandOpen));
    InvokeCommandInfo byText;
    byText.verb = std::string("open");
    EXPECT_EQ(S_OK, menu->InvokeCommand(byText));
    EXPECT_EQ((std::vector<std::string>{folder, folder}), opened);
    // The computer item has no folder to open.
    EXPECT_TRUE(Failed(Invoke(*MenuFor("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}"), kCommandOpen)));
}

TEST_F(ContextMenuTest, DeleteMovesTheFolderToTheUsersTrash)
{
    const std::string folder = scratch.MakeDir("Desktop/unwanted");
    scratch.MakeFile("Desktop/unwanted/keep.rep", "data");
    EXPECT_EQ(S_OK, Invoke(*MenuFor(folder), kCommandDelete));
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_TRUE(std::filesystem::exists(scratch.home + "/.local/share/Trash/files/unwanted/keep.rep"));
}

// The texts of a menu's commands, with whether each is enabled.
std::vector<std::pair<std::string, bool>> Commands(IContextMenu& menu)
{
    MenuHandle popup = CreatePopupMenu();
    menu.QueryContextMenu(popup, 0, 1, 0x7FFF, kMenuCanRename);
    std::vector<std::pair<std::string, bool>> commands;
    for (const MenuItem& item : popup->items)
        if (!item.separator)
            commands.emplace_back(item.text, item.enabled);
    DestroyMenu(popup);
    return commands;
}

TEST_F(ContextMenuTest, DeleteIsOfferedOnlyWhereATrashCanTakeTheItemFaithfully)
{
    const std::string odd = scratch.MakeDir("Desktop/odd\xFF");
    // The trash keeps names as text, and this one would come back as another.
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"Rena&me", true}}), Commands(*MenuFor(odd)));
    EXPECT_EQ(FromSystemError(kErrorInvalidName), Invoke(*MenuFor(odd), kCommandDelete));
    EXPECT_TRUE(std::filesystem::exists(odd));
    // No folder on disk, so no trash for it.
    auto computer = MenuFor("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}");
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"Rena&me", false}}), Commands(*computer));
    EXPECT_TRUE(Failed(Invoke(*computer, kCommandDelete)));
    // A place on disk the user may not remove is offered, but disabled.
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"&Delete", false}, {"Rena&me", false}}),
              Commands(*MenuFor(scratch.home)));
}

// The desktop's opener is xdg-open; a folder goes to it only when the desktop names an application
// for folders (xdg-mime), since xdg-open reports the lack of one only on its standard error.
TEST(DesktopOpener, AFolderIsOpenedOnlyWhenAnApplicationOpensFolders)
{
    ScratchHome scratch;
    const std::string bin = scratch.MakeDir("bin");
    const std::string opened = scratch.home + "/opened";
    const auto script = [&](const std::string& name, const std::string& body) {
        const std::string path = scratch.MakeFile("bin/" + name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    };
    script("xdg-open", "echo \"$1\" > '" + opened + "'");
    const char* oldPath = std::getenv("PATH");
    const std::string searched = bin + ":" + (oldPath ? oldPath : "");
    const ScopedEnvironment path{"PATH"};
    ::setenv("PATH", searched.c_str(), 1);

    script("xdg-mime", "exit 0"); // no application for folders
    EXPECT_FALSE(OpenWithDefaultHandler(scratch.desktop));
    script("xdg-mime", "[ \"$3\" = inode/directory ] && echo files.desktop");
    EXPECT_TRUE(OpenWithDefaultHandler(scratch.desktop));
}

TEST_F(ContextMenuTest, ExecuteOpensPathsUrlsAndIdentifierLists)
{
    EXPECT_GT(Execute("open", "https://example.org/", nullptr, nullptr, kShowNormal), kExecuteSucceededAbove);
    EXPECT_EQ(kExecuteNoAssociation, Execute("print", "/tmp", nullptr, nullptr, kShowNormal));
    PItemIdList home = nullptr;
    ASSERT_EQ(S_OK, desktop->ParseDisplayName(BytesToWide(scratch.home), &home));
    ExecuteInfo info;
    info.mask = kExecuteInvokeIdList;
    info.idList = home;
    EXPECT_TRUE(ExecuteEx(&info));
    Allocator().Free(home);
    EXPECT_EQ((std::vector<std::string>{"https://example.org/", scratch.home}), opened);
}
