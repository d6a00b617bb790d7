#include "ShellTreeViewFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTreeView>

#include "platform/shellns/Wide.h"
#include "toolkit/Exceptions.h"

using namespace ShellCtrls;

void ShellTreeViewTest::SetUp()
{
    live = shellns::Allocator().LiveBlocks();
    home = std::make_unique<ScratchHome>();
    for (const char* folder : {"Desktop/Alpha/Sub", "Desktop/beta", "Desktop/Gamma/Inner", "Desktop/Hollow/.git",
                               "Desktop/.hidden", "Docs/Deep"})
        home->MakeDir(folder);
    home->MakeDir("Docs/" + kOddName);
    home->MakeFile("Desktop/notes.txt");
    module = std::make_unique<ShellCtrlsModule>();
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(40, 40, 320, 420);
}

void ShellTreeViewTest::TearDown()
{
    form.reset();
    module.reset();
    EXPECT_EQ(live, shellns::Allocator().LiveBlocks());
    home.reset();
}

TShellTreeView* ShellTreeViewTest::MakeTree()
{
    auto* tree = new TShellTreeView(form.get());
    Show(tree);
    return tree;
}

void ShellTreeViewTest::Show(TShellTreeView* tree)
{
    tree->SetParent(form.get());
    tree->SetBounds(0, 0, 300, 400);
    form->Show();
    QApplication::processEvents();
}

int ShellTreeViewTest::TopLevelCount(const TCustomTreeView* tree)
{
    int count = 0;
    for (TTreeNode* node = tree->Items()->GetFirstNode(); node; node = node->GetNextSibling())
        ++count;
    return count;
}

TTreeNode* ShellTreeViewTest::Child(TTreeNode* parent, const QString& text)
{
    for (int i = 0; parent && i < parent->Count(); ++i)
        if (parent->Item(i)->Text() == text)
            return parent->Item(i);
    return nullptr;
}

QStringList ShellTreeViewTest::ChildTexts(const TTreeNode* parent)
{
    QStringList texts;
    for (int i = 0; i < parent->Count(); ++i)
        texts << parent->Item(i)->Text();
    return texts;
}

TIdListPtr ShellTreeViewTest::ParsePath(const std::string& path)
{
    ShellFolderIntf desktop;
    shellns::GetDesktopFolder(&desktop);
    PItemIdList list = nullptr;
    desktop->ParseDisplayName(shellns::BytesToWide(path), &list);
    return TIdListPtr(list);
}

std::string ShellTreeViewTest::ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(no error)";
}

QLineEdit* ShellTreeViewTest::Editor(const TCustomTreeView* tree)
{
    // A closed editor lingers, hidden, until it is deleted later.
    for (QLineEdit* editor : tree->View()->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

void ShellTreeViewTest::EditorText(const TCustomTreeView* tree, const QString& text)
{
    QLineEdit* editor = Editor(tree);
    ASSERT_NE(nullptr, editor);
    editor->setText(text);
}
