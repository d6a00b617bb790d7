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

TEST_F(ContextMenuTest, DeleteRefusesWhatItCannotTrashFaithfully)
{
    const std::string odd = scratch.MakeDir("Desktop/odd\xFF");
    EXPECT_EQ(FromSystemError(kErrorInvalidName), Invoke(*MenuFor(odd), kCommandDelete));
    EXPECT_TRUE(std::filesystem::exists(odd));
    auto computer = MenuFor("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}");
    MenuHandle popup = CreatePopupMenu();
    computer->QueryContextMenu(popup, 0, 1, 0x7FFF, kMenuCanRename);
    EXPECT_FALSE(popup->items[2].enabled);
    EXPECT_FALSE(popup->items[3].enabled);
    DestroyMenu(popup);
    EXPECT_TRUE(Failed(Invoke(*computer, kCommandDelete)));
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
