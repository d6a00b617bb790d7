#pragma once
// A shell folder tree on a scratch home for the tree's tests: the home holds
//   Desktop/Alpha/Sub, Desktop/beta, Desktop/Gamma/Inner, Desktop/Hollow/.git (sub-folders
//   reported, none shown), Desktop/.hidden, Desktop/notes.txt, Docs/Deep and a Docs folder
//   whose name is no UTF-8.
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ScratchHome.h"
#include "shell/RightClick.h"
#include "platform/shellns/Allocator.h"
#include "shell/ShellTreeView.h"
#include "toolkit/Application.h"
#include "toolkit/MessageBox.h"
#include "support/MessageBoxRecorder.h"

// The Docs folder whose name is not valid UTF-8.
inline const std::string kOddName = "Odd \xff name";

class ShellTreeViewTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A tree with its defaults on the shown test form.
    ShellCtrls::TShellTreeView* MakeTree();
    void Show(ShellCtrls::TShellTreeView* tree);

    static int TopLevelCount(const TCustomTreeView* tree);
    // The child with that label, or nullptr.
    static TTreeNode* Child(TTreeNode* parent, const QString& text);
    static QStringList ChildTexts(const TTreeNode* parent);
    static ShellCtrls::TIdListPtr ParsePath(const std::string& path);
    // The message of what action throws, "(no error)" when it throws nothing.
    static std::string ErrorOf(const std::function<void()>& action);
    // The open label editor of the tree, or nullptr.
    static class QLineEdit* Editor(const TCustomTreeView* tree);
    static void EditorText(const TCustomTreeView* tree, const QString& text);

    // Answers the tree's questions (yes, unless a test scripts otherwise) and records them.
    TMessageBoxRecorder boxes{*Application};
    long live = 0;
    std::unique_ptr<ScratchHome> home;
    std::unique_ptr<ShellCtrls::ShellCtrlsModule> module;
    std::unique_ptr<TForm> form;
};
