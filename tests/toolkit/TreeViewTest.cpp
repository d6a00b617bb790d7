// The tree view control: nodes and their order, the expansion, selection and editing checks,
// update mode, sorting, deletion notices and the mouse and keyboard paths into them.
#include "toolkit/Application.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FormReader.h"
#include "toolkit/TreeView.h"
#include "support/Eventually.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class TTreeForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

// Records what the tree reports through its virtual steps.
class TRecordingTree : public TTreeView {
    Q_OBJECT

public:
    using TTreeView::TTreeView;

    std::vector<QString> deleted;
    std::vector<std::optional<QString>> editsEnded;
    std::vector<TPoint> popups;
    // Children a node gets when it is first expanded.
    int fillCount = 0;

protected:
    bool CanExpand(TTreeNode* node) override
    {
        const bool allow = TTreeView::CanExpand(node);
        if (allow && node->Count() == 0) {
            for (int i = 0; i < fillCount; ++i)
                Items()->AddChild(node, QStringLiteral("%1.%2").arg(node->Text()).arg(i));
            node->SetHasChildren(node->Count() > 0);
        }
        return allow;
    }
    void Delete(TTreeNode* node) override
    {
        deleted.push_back(node->Text());
        TTreeView::Delete(node);
    }
    void Edit(TTreeNode* node, const std::optional<QString>& text) override
    {
        editsEnded.push_back(text);
        TTreeView::Edit(node, text);
    }
    void DoContextPopup(TPoint mousePos, bool& handled) override
    {
        popups.push_back(mousePos);
        TTreeView::DoContextPopup(mousePos, handled);
    }
};

class TreeViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TTreeForm>(nullptr);
        form->SetBounds(100, 100, 300, 300);
        tree = new TRecordingTree(form.get());
        tree->SetParent(form.get());
        tree->SetBounds(0, 0, 280, 260);
        form->Show();
        QApplication::processEvents();
    }

    // A, B (children B.0 .. B.2), C: B expanded.
    void BuildSample()
    {
        a = tree->Items()->Add(nullptr, QStringLiteral("A"));
        b = tree->Items()->Add(nullptr, QStringLiteral("B"));
        c = tree->Items()->Add(nullptr, QStringLiteral("C"));
        for (int i = 0; i < 3; ++i)
            tree->Items()->AddChild(b, QStringLiteral("B.%1").arg(i));
        b->Expand(false);
    }

    QPoint Center(TTreeNode* node) const
    {
        const TRect r = node->DisplayRect();
        return tree->View()->viewport()->mapFrom(tree, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }

    QPoint ButtonOf(TTreeNode* node) const
    {
        const TRect r = node->DisplayRect();
        return tree->View()->viewport()->mapFrom(tree, QPoint(r.left - tree->Indent() / 2, (r.top + r.bottom) / 2));
    }

    QStringList ChildTexts(TTreeNode* node) const
    {
        QStringList texts;
        for (int i = 0; i < node->Count(); ++i)
            texts << node->Item(i)->Text();
        return texts;
    }

    // The open editor (a closed one lingers, hidden, until it is deleted later).
    QLineEdit* Editor() const
    {
        for (QLineEdit* editor : tree->View()->viewport()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    std::unique_ptr<TTreeForm> form;
    TRecordingTree* tree = nullptr;
    TTreeNode* a = nullptr;
    TTreeNode* b = nullptr;
    TTreeNode* c = nullptr;
};

TEST_F(TreeViewTest, NodesKeepTheirOrderLevelsAndDepthFirstPositions)
{
    BuildSample();
    TTreeNode* first = tree->Items()->Insert(a, QStringLiteral("first"));
    EXPECT_EQ(7, tree->Items()->Count());
    EXPECT_EQ(first, tree->Items()->GetFirstNode());
    QStringList walk;
    for (TTreeNode* n = tree->Items()->GetFirstNode(); n; n = n->GetNext())
        walk << QStringLiteral("%1@%2").arg(n->Text()).arg(n->Level());
    EXPECT_EQ(QStringList({"first@0", "A@0", "B@0", "B.0@1", "B.1@1", "B.2@1", "C@0"}), walk);
    for (int i = 0; i < tree->Items()->Count(); ++i)
        EXPECT_EQ(i, tree->Items()->Item(i)->AbsoluteIndex());
    EXPECT_EQ(QStringLiteral("B.2"), tree->Items()->Item(5)->Text());
    EXPECT_EQ(b, b->Item(1)->Parent());
    EXPECT_EQ(nullptr, b->Parent());
    EXPECT_EQ(c, b->GetNextSibling());
    EXPECT_EQ(a, b->GetPrevSibling());
    EXPECT_THROW(tree->Items()->Item(7), Exception);
    EXPECT_EQ(4, tree->View()->model()->rowCount({}));
}

TEST_F(TreeViewTest, ExpansionAsksTheCheckWhichMayVetoOrFillTheNode)
{
    TTreeNode* lazy = tree->Items()->Add(nullptr, QStringLiteral("lazy"));
    lazy->SetHasChildren(true);
    int asked = 0;
    bool allow = false;
    tree->OnExpanding = TTVChangingEvent::FromFunction([&](TObject*, TTreeNode* node, bool& allowExpansion) {
        EXPECT_EQ(lazy, node);
        ++asked;
        allowExpansion = allow;
    });
    tree->fillCount = 3;
    lazy->Expand(false);
    EXPECT_EQ(1, asked);
    EXPECT_FALSE(lazy->Expanded());
    EXPECT_EQ(0, lazy->Count());

    allow = true;
    lazy->Expand(false);
    EXPECT_EQ(2, asked);
    EXPECT_TRUE(lazy->Expanded());
    EXPECT_EQ(QStringList({"lazy.0", "lazy.1", "lazy.2"}), ChildTexts(lazy));
    EXPECT_EQ(3, tree->View()->model()->rowCount(tree->View()->model()->index(0, 0, {})));
    lazy->Expand(false); // already expanded: not asked again
    EXPECT_EQ(2, asked);
}

TEST_F(TreeViewTest, ANodeThatTurnsOutEmptyLosesItsButtonAndStaysCollapsed)
{
    TTreeNode* empty = tree->Items()->Add(nullptr, QStringLiteral("empty"));
    empty->SetHasChildren(true);
    const QModelIndex index = tree->View()->model()->index(0, 0, {});
    EXPECT_TRUE(tree->View()->model()->hasChildren(index));
    empty->Expand(false);
    EXPECT_FALSE(empty->HasChildren());
    EXPECT_FALSE(empty->Expanded());
    EXPECT_FALSE(tree->View()->model()->hasChildren(index));
}

TEST_F(TreeViewTest, TheExpandButtonDoubleClickAndKeysGoThroughTheCheck)
{
    tree->SetShowRoot(true);
    BuildSample();
    b->Collapse(false);
    int asked = 0;
    tree->OnExpanding = TTVChangingEvent::FromFunction([&](TObject*, TTreeNode*, bool&) { ++asked; });
    QApplication::processEvents();

    QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, ButtonOf(b));
    EXPECT_TRUE(b->Expanded());
    EXPECT_EQ(1, asked);
    EXPECT_EQ(nullptr, tree->Selected()); // the button does not select
    QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, ButtonOf(b));
    EXPECT_FALSE(b->Expanded());

    QTest::mouseDClick(tree->View()->viewport(), Qt::LeftButton, {}, Center(b));
    EXPECT_TRUE(b->Expanded());
    EXPECT_EQ(2, asked);
    EXPECT_EQ(b, tree->Selected());

    tree->View()->setFocus();
    QTest::keyClick(tree->View(), Qt::Key_Left);
    EXPECT_FALSE(b->Expanded());
    QTest::keyClick(tree->View(), Qt::Key_Plus);
    EXPECT_TRUE(b->Expanded());
    EXPECT_EQ(3, asked);
    QTest::keyClick(tree->View(), Qt::Key_Minus);
    EXPECT_FALSE(b->Expanded());
    QTest::keyClick(tree->View(), Qt::Key_Asterisk);
    EXPECT_TRUE(b->Expanded());
    EXPECT_EQ(4, asked);
}

TEST_F(TreeViewTest, TheSelectionMovesOnlyWhenTheCheckAllowsIt)
{
    BuildSample();
    std::vector<QString> changes;
    tree->OnChange = TTVChangedEvent::FromFunction(
        [&](TObject*, TTreeNode* node) { changes.push_back(node ? node->Text() : QStringLiteral("(none)")); });
    TTreeNode* refused = nullptr;
    tree->OnChanging = TTVChangingEvent::FromFunction(
        [&](TObject*, TTreeNode* node, bool& allow) { allow = node != refused; });

    tree->SetSelected(a);
    EXPECT_EQ(a, tree->Selected());
    EXPECT_TRUE(a->Selected());
    refused = c;
    tree->SetSelected(c);
    EXPECT_EQ(a, tree->Selected());
    QApplication::processEvents();
    QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, Center(c));
    EXPECT_EQ(a, tree->Selected());
    EXPECT_EQ(1, tree->View()->selectionModel()->selectedIndexes().size());
    QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, Center(b->Item(1)));
    EXPECT_EQ(b->Item(1), tree->Selected());
    tree->View()->setFocus();
    QTest::keyClick(tree->View(), Qt::Key_Down);
    EXPECT_EQ(b->Item(2), tree->Selected());
    QTest::keyClick(tree->View(), Qt::Key_Down); // onto C: refused
    EXPECT_EQ(b->Item(2), tree->Selected());
    EXPECT_EQ(std::vector<QString>({"A", "B.1", "B.2"}), changes);

    // Collapsing the parent of the selection brings the caret up to it.
    b->Collapse(false);
    EXPECT_EQ(b, tree->Selected());
}

TEST_F(TreeViewTest, ARightClickSelectsOnlyWithRightClickSelect)
{
    BuildSample();
    tree->SetSelected(a);
    QApplication::processEvents();
    QTest::mouseClick(tree->View()->viewport(), Qt::RightButton, {}, Center(c));
    EXPECT_EQ(a, tree->Selected());

    tree->SetRightClickSelect(true);
    bool popupSawSelection = false;
    tree->OnContextPopup = TContextPopupEvent::FromFunction(
        [&](TObject*, TPoint, bool& handled) { popupSawSelection = tree->Selected() == c; handled = true; });
    QTest::mousePress(tree->View()->viewport(), Qt::RightButton, {}, Center(c));
    QContextMenuEvent request(QContextMenuEvent::Mouse, Center(c), tree->View()->viewport()->mapToGlobal(Center(c)));
    QApplication::sendEvent(tree->View()->viewport(), &request);
    QTest::mouseRelease(tree->View()->viewport(), Qt::RightButton, {}, Center(c));
    EXPECT_EQ(c, tree->Selected());
    EXPECT_TRUE(popupSawSelection);
    ASSERT_EQ(1u, tree->popups.size());
    // The request arrives in the tree's client coordinates, on the node's row.
    EXPECT_EQ(c, tree->GetNodeAt(tree->popups[0].x(), tree->popups[0].y()));
}

TEST_F(TreeViewTest, UpdateModeHoldsBackPaintingUntilTheOutermostEnd)
{
    BuildSample();
    tree->Items()->BeginUpdate();
    tree->Items()->BeginUpdate();
    EXPECT_FALSE(tree->View()->updatesEnabled());
    for (int i = 0; i < 100; ++i)
        tree->Items()->AddChild(c, QStringLiteral("c%1").arg(i));
    a->SetText(QStringLiteral("A renamed"));
    tree->Items()->EndUpdate();
    EXPECT_FALSE(tree->View()->updatesEnabled());
    EXPECT_TRUE(tree->Items()->Updating());
    tree->Items()->EndUpdate();
    EXPECT_TRUE(tree->View()->updatesEnabled());
    EXPECT_FALSE(tree->Items()->Updating());
    tree->Items()->EndUpdate(); // one too many does nothing
    EXPECT_TRUE(tree->View()->updatesEnabled());
    EXPECT_EQ(106, tree->Items()->Count());
    EXPECT_TRUE(c->HasChildren());
    EXPECT_EQ(QStringLiteral("A renamed"), tree->View()->model()->index(0, 0, {}).data().toString());
}

TEST_F(TreeViewTest, CustomSortOrdersDirectChildrenAndKeepsExpansionAndSelection)
{
    TTreeNode* root = tree->Items()->Add(nullptr, QStringLiteral("root"));
    for (const char* name : {"delta", "alpha", "charlie", "bravo"})
        tree->Items()->AddChild(root, QString::fromLatin1(name));
    TTreeNode* charlie = root->Item(2);
    for (const char* name : {"z", "y"})
        tree->Items()->AddChild(charlie, QString::fromLatin1(name));
    root->Expand(false);
    charlie->Expand(false);
    tree->SetSelected(charlie->Item(0));
    const auto byText = [](TTreeNode* x, TTreeNode* y) { return QString::compare(x->Text(), y->Text()); };

    root->CustomSort(byText);
    EXPECT_EQ(QStringList({"alpha", "bravo", "charlie", "delta"}), ChildTexts(root));
    EXPECT_EQ(QStringList({"z", "y"}), ChildTexts(charlie)); // one level only
    EXPECT_TRUE(charlie->Expanded());
    EXPECT_EQ(QStringLiteral("z"), tree->Selected()->Text());
    for (int i = 0; i < root->Count(); ++i)
        EXPECT_EQ(i, root->Item(i)->Index());
    EXPECT_EQ(QStringLiteral("charlie"), tree->View()->model()->index(2, 0, tree->View()->model()->index(0, 0, {})).data());

    root->CustomSort(byText, true);
    EXPECT_EQ(QStringList({"y", "z"}), ChildTexts(charlie));
    EXPECT_EQ(QStringLiteral("z"), tree->Selected()->Text());
    EXPECT_EQ(1, tree->Selected()->Index());
}

TEST_F(TreeViewTest, EditingIsCheckedAndEndsWithTheTextOrNone)
{
    BuildSample();
    tree->SetSelected(a);
    bool allowEdit = false;
    tree->OnEditing = TTVChangingEvent::FromFunction([&](TObject*, TTreeNode*, bool& allow) { allow = allowEdit; });
    EXPECT_FALSE(a->EditText());
    EXPECT_FALSE(tree->IsEditing());

    allowEdit = true;
    ASSERT_TRUE(a->EditText());
    EXPECT_TRUE(tree->IsEditing());
    ASSERT_NE(nullptr, Editor());
    Editor()->setText(QStringLiteral("discarded"));
    a->EndEdit(true);
    EXPECT_FALSE(tree->IsEditing());
    ASSERT_EQ(1u, tree->editsEnded.size());
    EXPECT_FALSE(tree->editsEnded[0].has_value());
    EXPECT_EQ(QStringLiteral("A"), a->Text());

    tree->OnEdited = TTVEditedEvent::FromFunction([](TObject*, TTreeNode*, QString& text) { text += u'!'; });
    ASSERT_TRUE(a->EditText());
    Editor()->setText(QStringLiteral("kept"));
    QTest::keyClick(Editor(), Qt::Key_Return); // Qt commits on its next turn
    ASSERT_EVENTUALLY(!tree->IsEditing());
    ASSERT_EQ(2u, tree->editsEnded.size());
    EXPECT_EQ(QStringLiteral("kept"), tree->editsEnded[1].value());
    EXPECT_EQ(QStringLiteral("kept!"), a->Text());

    ASSERT_TRUE(a->EditText());
    QTest::keyClick(Editor(), Qt::Key_Escape);
    ASSERT_EQ(3u, tree->editsEnded.size());
    EXPECT_FALSE(tree->editsEnded[2].has_value());

    tree->SetReadOnly(true);
    EXPECT_FALSE(a->EditText());
}

TEST_F(TreeViewTest, ASlowSecondClickOnTheSelectedNodeStartsTheEdit)
{
    BuildSample();
    QApplication::processEvents();
    int asked = 0;
    tree->OnEditing = TTVChangingEvent::FromFunction([&](TObject*, TTreeNode* node, bool&) {
        EXPECT_EQ(c, node);
        ++asked;
    });
    QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, Center(c));
    EXPECT_EQ(c, tree->Selected());
    QTest::mouseClick(tree->View()->viewport(), Qt::LeftButton, {}, Center(c), QApplication::doubleClickInterval() + 50);
    ASSERT_EVENTUALLY(tree->IsEditing());
    EXPECT_EQ(1, asked);
    c->EndEdit(true);
}

TEST_F(TreeViewTest, DeletionTellsOfEveryNodeChildrenFirstAndMovesTheSelection)
{
    BuildSample();
    tree->SetSelected(b->Item(1));
    std::vector<QString> changes;
    tree->OnChange = TTVChangedEvent::FromFunction(
        [&](TObject*, TTreeNode* node) { changes.push_back(node ? node->Text() : QStringLiteral("(none)")); });
    std::vector<QString> deletions;
    tree->OnDeletion = TTVChangedEvent::FromFunction([&](TObject*, TTreeNode* node) {
        deletions.push_back(node->Text());
        EXPECT_NE(node, tree->Selected());
    });

    b->Delete();
    EXPECT_EQ(std::vector<QString>({"B.0", "B.1", "B.2", "B"}), deletions);
    EXPECT_EQ(std::vector<QString>({"B.0", "B.1", "B.2", "B"}), tree->deleted);
    EXPECT_EQ(c, tree->Selected()); // the next sibling takes the caret
    EXPECT_EQ(std::vector<QString>({"C"}), changes);
    EXPECT_EQ(2, tree->Items()->Count());

    TTreeNode* child = tree->Items()->AddChild(c, QStringLiteral("only"));
    EXPECT_TRUE(c->HasChildren());
    tree->SetSelected(child);
    child->Delete();
    EXPECT_FALSE(c->HasChildren()); // the last child took the button with it
    EXPECT_EQ(c, tree->Selected());  // no sibling: the parent

    tree->deleted.clear();
    tree->OnDeletion = nullptr;
    tree->Items()->Clear();
    EXPECT_EQ(std::vector<QString>({"A", "C"}), tree->deleted);
    EXPECT_EQ(0, tree->Items()->Count());
    EXPECT_EQ(nullptr, tree->Selected());
    EXPECT_EQ(nullptr, tree->Items()->GetFirstNode());
}

TEST_F(TreeViewTest, DeletingTheNodeBeingEditedCancelsTheEdit)
{
    BuildSample();
    ASSERT_TRUE(b->Item(0)->EditText());
    b->Delete();
    EXPECT_FALSE(tree->IsEditing());
    ASSERT_EQ(1u, tree->editsEnded.size());
    EXPECT_FALSE(tree->editsEnded[0].has_value());
}

TEST_F(TreeViewTest, PicturesComeFromTheImageListThroughTheIndexQueries)
{
    auto* images = new TCustomImageList(form.get());
    QPixmap red(16, 16), blue(16, 16);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    images->Add(QIcon(red));
    images->Add(QIcon(blue));
    BuildSample();
    a->SetImageIndex(0);
    a->SetSelectedIndex(1);
    const QModelIndex index = tree->View()->model()->index(0, 0, {});
    EXPECT_TRUE(index.data(Qt::DecorationRole).value<QIcon>().isNull()); // no list yet

    tree->SetImages(images);
    int queries = 0;
    tree->OnGetImageIndex = TTVChangedEvent::FromFunction([&](TObject*, TTreeNode*) { ++queries; });
    const auto colourOf = [&] {
        return index.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage().pixelColor(8, 8);
    };
    EXPECT_EQ(QColor(Qt::red), colourOf());
    EXPECT_EQ(1, queries);
    tree->SetSelected(a);
    EXPECT_EQ(QColor(Qt::blue), colourOf());

    delete images; // the tree hears of it and shows no pictures
    EXPECT_EQ(nullptr, tree->Images());
    EXPECT_TRUE(index.data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(TreeViewTest, TopItemScrollsAndReportsTheFirstRowShown)
{
    TTreeNode* root = tree->Items()->Add(nullptr, QStringLiteral("root"));
    for (int i = 0; i < 200; ++i)
        tree->Items()->AddChild(root, QStringLiteral("n%1").arg(i));
    root->Expand(false);
    EXPECT_EQ(root, tree->TopItem());
    tree->SetTopItem(root->Item(120));
    EXPECT_EQ(root->Item(120), tree->TopItem());
    EXPECT_TRUE(root->Item(120)->DisplayRect().top <= 2);
}

TEST_F(TreeViewTest, AFormDescriptionSetsThePublishedProperties)
{
    RegisterClass<TTreeView>();
    RegisterClass<TCustomImageList>();
    auto loaded = std::make_unique<TTreeForm>(nullptr);
    TReader::ReadRootComponent(loaded.get(), QStringLiteral(R"(object F: TTreeForm
  ClientHeight = 283
  ClientWidth = 258
  object ImageList1: TCustomImageList
    Width = 24
  end
  object TreeView1: TTreeView
    Left = 0
    Top = 0
    Width = 258
    Height = 249
    Align = alTop
    Images = ImageList1
    Indent = 23
    ParentColor = False
    ReadOnly = True
    RightClickSelect = True
    ShowRoot = False
    TabOrder = 2
  end
end
)"));
    auto* loadedTree = loaded->FindComponent<TTreeView>(QStringLiteral("TreeView1"));
    ASSERT_NE(nullptr, loadedTree);
    EXPECT_EQ(23, loadedTree->Indent());
    EXPECT_EQ(23, loadedTree->View()->indentation());
    EXPECT_TRUE(loadedTree->ReadOnly());
    EXPECT_TRUE(loadedTree->RightClickSelect());
    EXPECT_FALSE(loadedTree->ShowRoot());
    EXPECT_FALSE(loadedTree->View()->rootIsDecorated());
    EXPECT_EQ(alTop, loadedTree->Align());
    EXPECT_EQ(clWindow, loadedTree->Color());
    ASSERT_NE(nullptr, loadedTree->Images());
    EXPECT_EQ(24, loadedTree->Images()->Width());
    EXPECT_EQ(258, loadedTree->Width());
}

}  // namespace

#include "TreeViewTest.moc"
