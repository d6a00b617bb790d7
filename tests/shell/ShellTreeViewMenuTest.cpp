// The shell context menu of the folder tree (picked by the test through the menu hook) and the
// watcher that reloads the selected folder.
#include "ShellTreeViewFixture.h"

#include <QApplication>
#include <QTest>

#include <filesystem>

#include "platform/fs/CurrentDirectory.h"
#include "platform/shellns/Execute.h"
#include "support/Eventually.h"
#include "support/FakeDesktop.h"

namespace {

using namespace ShellCtrls;

// Answers every shell menu with the command whose text is given ("" for none), and records
// what the menu offered and which item was selected when it showed.
class MenuPicker {
public:
    MenuPicker(TShellTreeView* tree, std::string text) : FTree(tree), FText(std::move(text))
    {
        FTree->SetMenuTracker([this](const shellns::Menu& menu, TPoint) -> std::uint32_t {
            ++shown;
            selectedPath = FTree->SelectedPath();
            std::uint32_t command = 0;
            for (const shellns::MenuItem& item : menu.items) {
                if (!item.separator)
                    texts.push_back(item.text);
                if (item.isDefault)
                    defaultText = item.text;
                if (!item.separator && item.text == FText)
                    command = item.id;
            }
            return command;
        });
    }
    ~MenuPicker() { FTree->SetMenuTracker({}); }
    MenuPicker(const MenuPicker&) = delete;
    MenuPicker& operator=(const MenuPicker&) = delete;

    int shown = 0;
    std::string selectedPath;
    std::vector<std::string> texts;
    std::string defaultText;

private:
    TShellTreeView* FTree;
    std::string FText;
};

TEST_F(ShellTreeViewTest, ARightClickSelectsTheFolderAndShowsItsMenu)
{
    TShellTreeView* tree = MakeTree();
    MenuPicker picker(tree, "");
    RightClick(tree, Child(tree->Items()->GetFirstNode(), "Gamma"));
    EXPECT_EQ(1, picker.shown);
    EXPECT_EQ(home->desktop + "/Gamma", picker.selectedPath);
    EXPECT_EQ(std::vector<std::string>({"&Open", "&Delete", "Rena&me"}), picker.texts);
    EXPECT_EQ("&Open", picker.defaultText);
    EXPECT_TRUE(std::filesystem::is_directory(home->desktop + "/Gamma")); // nothing chosen, nothing done
}

TEST_F(ShellTreeViewTest, DeleteFromTheMenuMovesTheFolderToTheTrashAndDropsItsNode)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    Child(root, "Alpha")->Expand(false);
    MenuPicker picker(tree, "&Delete");
    RightClick(tree, Child(root, "Alpha"));
    EXPECT_FALSE(std::filesystem::exists(home->desktop + "/Alpha"));
    EXPECT_TRUE(std::filesystem::is_directory(home->home + "/.local/share/Trash/files/Alpha/Sub"));
    EXPECT_EQ(nullptr, Child(root, "Alpha"));
    EXPECT_EQ(home->desktop + "/beta", tree->SelectedPath()); // the next folder takes the caret
}

TEST_F(ShellTreeViewTest, RenameFromTheMenuStartsTheLabelEdit)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* beta = Child(tree->Items()->GetFirstNode(), "beta");
    MenuPicker picker(tree, "Rena&me");
    RightClick(tree, beta);
    ASSERT_TRUE(tree->IsEditing());
    EditorText(tree, "gamma ray");
    beta->EndEdit(false);
    EXPECT_TRUE(std::filesystem::is_directory(home->desktop + "/gamma ray"));
    EXPECT_EQ(home->desktop + "/gamma ray", tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, OpenFromTheMenuOpensTheFolderAndPutsTheCurrentDirectoryBack)
{
    TShellTreeView* tree = MakeTree();
    const std::string before = files::GetCurrentDir();
    testsupport::FakeDesktop desktop;
    {
        MenuPicker picker(tree, "&Open");
        RightClick(tree, Child(tree->Items()->GetFirstNode(), "Gamma"));
        ASSERT_EVENTUALLY_EQ(desktop.Opened(), std::vector<std::string>({home->desktop + "/Gamma"}));
    }
    EXPECT_EQ(before, files::GetCurrentDir());
    {
        desktop.SetFolderApplication(""); // no handler can be started
        MenuPicker picker(tree, "&Open");
        RightClick(tree, Child(tree->Items()->GetFirstNode(), "beta"));
        EXPECT_EQ(1u, boxes.Shown().size());
    }
    EXPECT_EQ(before, files::GetCurrentDir());
}

TEST_F(ShellTreeViewTest, WithoutAutoContextMenusTheTreesOwnRequestRuns)
{
    TShellTreeView* tree = MakeTree();
    tree->SetAutoContextMenus(false);
    int requests = 0;
    tree->OnContextPopup = TContextPopupEvent::FromFunction([&](TObject*, TPoint, bool&) { ++requests; });
    MenuPicker picker(tree, "&Delete");
    RightClick(tree, Child(tree->Items()->GetFirstNode(), "Alpha"));
    EXPECT_EQ(1, requests);
    EXPECT_EQ(0, picker.shown);
    EXPECT_TRUE(std::filesystem::is_directory(home->desktop + "/Alpha"));
}

TEST_F(ShellTreeViewTest, AutoRefreshWatchesTheSelectedFolderAndReloadsItOnChanges)
{
    TShellTreeView* tree = MakeTree();
    tree->SetAutoRefresh(true);
    ASSERT_NE(nullptr, tree->Watcher());
    EXPECT_EQ(home->desktop, tree->Watcher()->Root()); // no selection change yet: the root
    EXPECT_FALSE(tree->Watcher()->WatchSubTree());

    tree->SetSelected(Child(tree->Items()->GetFirstNode(), "Gamma"));
    ASSERT_NE(nullptr, tree->Watcher());
    EXPECT_EQ(home->desktop + "/Gamma", tree->Watcher()->Root());
    ASSERT_EVENTUALLY(tree->Watcher()->Watching());

    home->MakeDir("Desktop/Gamma/Fresh");
    ASSERT_EVENTUALLY(Child(Child(tree->Items()->GetFirstNode(), "Gamma"), "Fresh") != nullptr);
    EXPECT_EQ(home->desktop + "/Gamma", tree->SelectedPath());
    ASSERT_NE(nullptr, tree->Watcher());
    EXPECT_EQ(home->desktop + "/Gamma", tree->Watcher()->Root());

    tree->SetAutoRefresh(false);
    EXPECT_EQ(nullptr, tree->Watcher());
}

} // namespace
