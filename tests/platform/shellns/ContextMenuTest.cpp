#include <gtest/gtest.h>

#include <QByteArray>
#include <QGuiApplication>
#include <glib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "ScratchHome.h"
#include "platform/shellns/Allocator.h"
#include "platform/shellns/ContextMenu.h"
#include "platform/shellns/Execute.h"
#include "platform/shellns/Wide.h"
#include "support/Eventually.h"
#include "support/FakeDesktop.h"
#include "support/ScratchVolume.h"

using namespace shellns;

namespace {

class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, GetDesktopFolder(&desktop));
    }

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
    testsupport::FakeDesktop opener;
    ShellFolderPtr desktop;
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
    ASSERT_EVENTUALLY_EQ(opener.Opened(), (std::vector<std::string>{folder, folder}));
    // The computer item has no folder to open.
    EXPECT_TRUE(Failed(Invoke(*MenuFor("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}"), kCommandOpen)));
}

// The path a trash record gives, its %XX escapes undone as a file manager undoes them to put the
// item back; nothing when the record has none.
std::optional<std::string> RecordedPath(const std::string& record)
{
    std::ifstream file(record, std::ios::binary);
    std::string line;
    if (!std::getline(file, line) || line != "[Trash Info]")
        return std::nullopt;
    constexpr std::string_view kPath = "Path=";
    while (std::getline(file, line))
        if (line.rfind(kPath, 0) == 0)
            return QByteArray::fromPercentEncoding(QByteArray::fromStdString(line.substr(kPath.size()))).toStdString();
    return std::nullopt;
}

// Deleting moves the folder with what it holds into a trash, whose record gives back its exact path.
void ExpectTrashedWithRecord(const std::string& folder, const std::string& trash, const std::string& recordedAs)
{
    const std::string name = folder.substr(folder.rfind('/') + 1);
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_TRUE(std::filesystem::exists(trash + "/files/" + name + "/keep.rep"));
    EXPECT_EQ(std::optional<std::string>(recordedAs), RecordedPath(trash + "/info/" + name + ".trashinfo"));
}

TEST_F(ContextMenuTest, DeleteMovesTheFolderToTheUsersTrashWithARecordThatNamesItExactly)
{
    // GLib keeps the folders it read first; they must be the scratch user's, never the real one's.
    ASSERT_EQ(scratch.home + "/.local/share", std::string(g_get_user_data_dir()));
    const std::string trash = scratch.home + "/.local/share/Trash";
    for (const std::string name : {"unwanted", "50%41 100%", "with  spaces ", "#1 of #2", "Папка é",
                                   "odd \xff\xfe%zz name"}) {
        SCOPED_TRACE(name);
        const std::string folder = scratch.MakeDir("Desktop/" + name);
        scratch.MakeFile("Desktop/" + name + "/keep.rep", "data");
        const auto menu = MenuFor(folder);
        ASSERT_TRUE(menu);
        EXPECT_EQ(S_OK, Invoke(*menu, kCommandDelete));
        ExpectTrashedWithRecord(folder, trash, folder);
    }
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

TEST_F(ContextMenuTest, DeleteIsOfferedWhereATrashCanTakeTheItem)
{
    // Any name the file system takes: the trash works on the name's bytes.
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"&Delete", true}, {"Rena&me", true}}),
              Commands(*MenuFor(scratch.MakeDir("Desktop/odd\xFF"))));
    // No folder on disk, so no trash for it.
    auto computer = MenuFor("::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}");
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"Rena&me", false}}), Commands(*computer));
    EXPECT_TRUE(Failed(Invoke(*computer, kCommandDelete)));
    // A place on disk the user may not remove is offered, but disabled.
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"&Delete", false}, {"Rena&me", false}}),
              Commands(*MenuFor(scratch.home)));
}

TEST_F(ContextMenuTest, AFolderOnAnotherFileSystemGoesToThatVolumesOwnTrash)
{
    testsupport::ScratchVolume volume(scratch.root + "/volume");
    REQUIRE_MOUNTED(volume);
    const std::string name = "Replays 50%41 #2 \xff";
    const std::string folder = volume.mount + "/" + name;
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/keep.rep") << "data";
    EXPECT_EQ((std::vector<std::pair<std::string, bool>>{{"&Open", true}, {"&Delete", true}, {"Rena&me", true}}),
              Commands(*MenuFor(folder)));
    EXPECT_EQ(S_OK, Invoke(*MenuFor(folder), kCommandDelete));
    // The volume's trash records the path from the volume's top, so it still fits when mounted elsewhere.
    ExpectTrashedWithRecord(folder, volume.mount + "/.Trash-0", name);
    EXPECT_FALSE(std::filesystem::exists(scratch.home + "/.local/share/Trash/files/" + name));
}

// The desktop's opener is xdg-open; a folder goes to it only when the desktop names an application
// for folders (xdg-mime), since xdg-open reports the lack of one only on its standard error, and
// that application is not this program itself, which would only be started again.
TEST(DesktopOpener, AFolderIsOpenedOnlyWhenAnApplicationOtherThanThisProgramOpensFolders)
{
    ScratchHome scratch;
    testsupport::FakeDesktop opener;
    scratch.MakeFile(".local/share/applications/files.desktop",
                     "[Desktop Entry]\nType=Application\nName=Files\nExec=/bin/true %U\n");
    // An entry the user made that starts this very program, under a name of its own.
    scratch.MakeFile(".local/share/applications/mine.desktop",
                     "[Desktop Entry]\nType=Application\nName=Mine\nExec="
                         + std::filesystem::read_symlink("/proc/self/exe").string() + " %f\n");
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Own"));
    const struct {
        const char* application;
        bool opens;
    } kCases[] = {{"", false}, {"org.example.Own.desktop", false}, {"mine.desktop", false}, {"files.desktop", true}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.application);
        opener.SetFolderApplication(c.application);
        EXPECT_EQ(c.opens, OpenWithDefaultHandler(scratch.desktop));
        std::optional<bool> answer;
        OpenInBackground(scratch.desktop, [&](bool ok) { answer = ok; });
        ASSERT_EVENTUALLY(answer.has_value());
        EXPECT_EQ(c.opens, *answer);
    }
    QGuiApplication::setDesktopFileName({});
    ASSERT_EVENTUALLY_EQ(opener.Opened(), (std::vector<std::string>{scratch.desktop, scratch.desktop}));
}

// A caller that must know whether it worked hears once xdg-open has ended: it exits 3 when it
// finds nothing to open a page with; without xdg-open at all it hears at once.
TEST(DesktopOpener, APageOpensWhenXdgOpenEndsInSuccess)
{
    ScratchHome scratch;
    const std::string page = "https://example.org/";
    for (const bool opens : {true, false}) {
        testsupport::FakeDesktop opener;
        opener.SetOpens(opens);
        std::optional<bool> answer;
        OpenInBackground(page, [&](bool ok) { answer = ok; });
        ASSERT_EVENTUALLY(answer.has_value());
        EXPECT_EQ(opens, *answer);
    }
    const testsupport::ScopedEnvironment path{"PATH"};
    ::setenv("PATH", scratch.MakeDir("empty").c_str(), 1);
    std::optional<bool> answer;
    OpenInBackground(page, [&](bool ok) { answer = ok; });
    EXPECT_EQ(std::optional<bool>(false), answer);
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
    ASSERT_EVENTUALLY_EQ(opener.Opened(), (std::vector<std::string>{scratch.home, "https://example.org/"}));
}
