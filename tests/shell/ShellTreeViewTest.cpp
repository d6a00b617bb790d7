// The shell folder tree on a scratch home: the root node, root settings, lazy filling,
// selection by identifier list, reloads, rename by label edit, the add-folder veto, images
// and loading from a form description. Nothing may leak from the shell's allocator.
#include "ShellTreeViewFixture.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTreeView>

#include <filesystem>

#include "platform/shellns/Execute.h"
#include "support/Eventually.h"
#include "support/FakeDesktop.h"
#include "platform/shellns/Icons.h"
#include "platform/shellns/Places.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "toolkit/MessageBox.h"
#include "support/MessageBoxRecorder.h"

namespace {

using namespace ShellCtrls;

TEST_F(ShellTreeViewTest, TheDesktopIsOneNodeExpandedSelectedWithItsFoldersInTheShellsOrder)
{
    TShellTreeView* tree = MakeTree();
    ASSERT_EQ(1, TopLevelCount(tree));
    TTreeNode* root = tree->Items()->GetFirstNode();
    EXPECT_EQ(QStringLiteral("Desktop"), root->Text());
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(root, tree->Selected());
    EXPECT_EQ(QStringList({"Home", "Computer", "Trash", "Alpha", "beta", "Gamma", "Hollow"}), ChildTexts(root));
    EXPECT_EQ(home->desktop, tree->SelectedPath());
    EXPECT_EQ(shellns::kIconDesktop, root->ImageIndex());
    TTreeNode* alpha = Child(root, "Alpha");
    EXPECT_EQ(shellns::kIconFolder, alpha->ImageIndex());
    EXPECT_EQ(shellns::kIconFolderOpen, alpha->SelectedIndex());
    EXPECT_EQ(shellns::kIconHome, Child(root, "Home")->ImageIndex());
    EXPECT_TRUE(alpha->HasChildren());
    EXPECT_FALSE(Child(root, "beta")->HasChildren());
    EXPECT_EQ(0, alpha->Count()); // filled when first expanded
    EXPECT_FALSE(tree->ShowRoot());
    EXPECT_TRUE(tree->RightClickSelect());
    // The pictures come from the system image list.
    const QModelIndex rootIndex = tree->View()->model()->index(0, 0, {});
    EXPECT_FALSE(rootIndex.data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(ShellTreeViewTest, ExpandingFillsOnceAndAFolderWithoutVisibleSubFoldersLosesItsButton)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    TTreeNode* alpha = Child(root, "Alpha");
    alpha->Expand(false);
    EXPECT_EQ(QStringList({"Sub"}), ChildTexts(alpha));
    alpha->Collapse(false);
    alpha->Expand(false);
    EXPECT_EQ(1, alpha->Count());

    TTreeNode* hollow = Child(root, "Hollow"); // only a hidden folder inside
    EXPECT_TRUE(hollow->HasChildren());
    hollow->Expand(false);
    EXPECT_FALSE(hollow->HasChildren());
    EXPECT_FALSE(hollow->Expanded());
    EXPECT_EQ(0, hollow->Count());
}

TEST_F(ShellTreeViewTest, RootNamesWorkInAnyLetterCaseAndPathsAndVolumeNamesToo)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* before = tree->Items()->GetFirstNode();
    tree->SetRoot("RFDESKTOP"); // the same root: nothing is rebuilt
    EXPECT_EQ(before, tree->Items()->GetFirstNode());

    tree->SetRoot("RfMyComputer");
    ASSERT_EQ(1, TopLevelCount(tree));
    EXPECT_EQ(QStringLiteral("Computer"), tree->Items()->GetFirstNode()->Text());
    EXPECT_EQ(QStringList({QString::fromStdString(shellns::VolumeName("/")), QStringLiteral("USB")}),
              ChildTexts(tree->Items()->GetFirstNode()));
    EXPECT_EQ("Computer", tree->SelectedPath()); // a virtual place reads as its plain name

    tree->SetRoot(home->desktop + "/Gamma");
    EXPECT_EQ(QStringLiteral("Gamma"), tree->Items()->GetFirstNode()->Text());
    EXPECT_EQ(QStringList({"Inner"}), ChildTexts(tree->Items()->GetFirstNode()));
    EXPECT_EQ(home->desktop + "/Gamma", tree->SelectedPath());
    // Paths keep their letter case: this one names no folder.
    EXPECT_EQ("Error setting path: \"" + home->desktop + "/GAMMA\"",
              ErrorOf([&] { tree->SetRoot(home->desktop + "/GAMMA"); }));

    tree->SetRoot("USB:"); // a volume name with its colon is the volume's root
    EXPECT_EQ(home->usb + "/", tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, AnUnusableRootKeepsTheOldTextAndRebuildsTheOldRoot)
{
    TShellTreeView* tree = MakeTree();
    Child(tree->Items()->GetFirstNode(), "Alpha")->Expand(false);
    EXPECT_EQ("Error setting path: \"no such place\"", ErrorOf([&] { tree->SetRoot("no such place"); }));
    EXPECT_EQ("rfDesktop", tree->Root());
    ASSERT_EQ(1, TopLevelCount(tree));
    TTreeNode* root = tree->Items()->GetFirstNode();
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(root, tree->Selected());
    EXPECT_FALSE(Child(root, "Alpha")->Expanded()); // built afresh
    EXPECT_EQ("Error setting path: \"\"", ErrorOf([&] { tree->SetRoot(""); }));
    EXPECT_EQ("rfDesktop", tree->Root());
}

TEST_F(ShellTreeViewTest, AnUnusableRootBeforeAnyBuildLeavesTheTreeEmpty)
{
    auto* tree = new TShellTreeView(form.get());
    EXPECT_EQ("Error setting path: \"nowhere\"", ErrorOf([&] { tree->SetRoot("nowhere"); }));
    EXPECT_EQ(0, tree->Items()->Count());
    EXPECT_EQ("", tree->SelectedPath());
    EXPECT_EQ("rfDesktop", tree->Root());
}

TEST_F(ShellTreeViewTest, SelectedPathIsEmptyWithoutSelectionAndNamesFoldersAndPlaces)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    tree->SetSelected(Child(root, "Gamma"));
    EXPECT_EQ(home->desktop + "/Gamma", tree->SelectedPath());
    tree->SetSelected(Child(root, "Computer"));
    EXPECT_EQ("Computer", tree->SelectedPath());
    tree->SetSelected(Child(root, "Home"));
    EXPECT_EQ(home->home, tree->SelectedPath());
    tree->SetSelected(nullptr);
    EXPECT_EQ(nullptr, tree->SelectedItem());
    EXPECT_EQ("", tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, SelectIdListExpandsDownToTheItem)
{
    TShellTreeView* tree = MakeTree();
    const TIdListPtr inner = ParsePath(home->desktop + "/Gamma/Inner");
    tree->SelectIdList(inner.get());
    EXPECT_EQ(home->desktop + "/Gamma/Inner", tree->SelectedPath());
    EXPECT_TRUE(Child(tree->Items()->GetFirstNode(), "Gamma")->Expanded());

    const TIdListPtr deep = ParsePath(home->home + "/Docs/Deep"); // below Home, not the desktop
    tree->SelectIdList(deep.get());
    EXPECT_EQ(home->home + "/Docs/Deep", tree->SelectedPath());
    EXPECT_TRUE(Child(tree->Items()->GetFirstNode(), "Home")->Expanded());

    const TIdListPtr gone = ParsePath(home->desktop + "/Alpha");
    std::filesystem::remove_all(home->desktop + "/Alpha/Sub");
    tree->SelectIdList(gone.get());
    EXPECT_EQ(home->desktop + "/Alpha", tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, ReloadNodeShowsNewFoldersAndKeepsExpansionAndSelection)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    TTreeNode* gamma = Child(root, "Gamma");
    gamma->Expand(false);
    tree->SetSelected(Child(gamma, "Inner"));
    home->MakeDir("Desktop/Gamma/Zed");
    home->MakeDir("Desktop/Beyond");

    tree->ReloadNode(gamma);
    gamma = Child(root, "Gamma");
    EXPECT_TRUE(gamma->Expanded());
    EXPECT_EQ(QStringList({"Inner", "Zed"}), ChildTexts(gamma));
    EXPECT_EQ(home->desktop + "/Gamma/Inner", tree->SelectedPath());
    EXPECT_EQ(7, root->Count()); // Beyond shows only when the desktop is reloaded

    tree->ReloadSelection(); // Inner: nothing new, still selected
    EXPECT_EQ(home->desktop + "/Gamma/Inner", tree->SelectedPath());

    tree->ReloadNode(root);
    root = tree->Items()->GetFirstNode();
    ASSERT_EQ(1, TopLevelCount(tree));
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(QStringList({"Home", "Computer", "Trash", "Alpha", "beta", "Beyond", "Gamma", "Hollow"}),
              ChildTexts(root));
    EXPECT_TRUE(Child(root, "Gamma")->Expanded());
    EXPECT_EQ(home->desktop + "/Gamma/Inner", tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, ALabelEditRenamesTheFolderOnDisk)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    tree->SetSelected(Child(root, "Alpha"));
    ASSERT_TRUE(tree->Selected()->EditText());
    EditorText(tree, "Alpha renamed");
    tree->Selected()->EndEdit(false);
    EXPECT_TRUE(std::filesystem::is_directory(home->desktop + "/Alpha renamed"));
    EXPECT_FALSE(std::filesystem::exists(home->desktop + "/Alpha"));
    EXPECT_EQ(home->desktop + "/Alpha renamed", tree->SelectedPath());
    TTreeNode* renamed = Child(root, "Alpha renamed");
    ASSERT_NE(nullptr, renamed);
    // The renamed folder still opens: its children are read from the new name.
    renamed->Expand(false);
    EXPECT_EQ(QStringList({"Sub"}), ChildTexts(renamed));
    tree->SetSelected(renamed->Item(0));
    EXPECT_EQ(home->desktop + "/Alpha renamed/Sub", tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, ARenameKeepsWhatWasExpandedAndSelectedInsideTheFolder)
{
    home->MakeDir("Desktop/Alpha/Sub/Leaf");
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    TTreeNode* alpha = Child(root, "Alpha");
    alpha->Expand(false);
    TTreeNode* sub = Child(alpha, "Sub");
    sub->Expand(false);
    tree->SetSelected(alpha);
    ASSERT_TRUE(alpha->EditText());
    EditorText(tree, "Alpha renamed");
    alpha->EndEdit(false);
    ASSERT_TRUE(std::filesystem::is_directory(home->desktop + "/Alpha renamed/Sub/Leaf"));
    EXPECT_EQ(alpha, Child(root, "Alpha renamed"));
    EXPECT_TRUE(alpha->Expanded());
    EXPECT_TRUE(sub->Expanded());
    EXPECT_EQ(home->desktop + "/Alpha renamed", tree->SelectedPath());
    // Everything inside names the folder by its new name.
    tree->SetSelected(Child(sub, "Leaf"));
    EXPECT_EQ(home->desktop + "/Alpha renamed/Sub/Leaf", tree->SelectedPath());
    EXPECT_EQ(home->desktop + "/Alpha renamed/Sub", tree->NodeFolder(sub->AbsoluteIndex())->ParsingName());
}

// A folder whose listing raises an error on the way has no children, as one the shell refuses
// to list: the tree goes on and says nothing. The tree asks nothing else of a folder it fills.
class TUnlistableFolder final : public shellns::IShellFolder {
public:
    shellns::HResult EnumObjects(std::uint32_t, shellns::EnumIdListPtr*) override
    {
        throw std::runtime_error("the listing broke off");
    }
    shellns::HResult ParseDisplayName(std::u16string_view, PItemIdList*) override { return shellns::E_NOTIMPL; }
    shellns::HResult BindToObject(PCItemIdList, ShellFolderIntf*) override { return shellns::E_NOTIMPL; }
    shellns::HResult CompareIDs(std::intptr_t, PCItemIdList, PCItemIdList) override { return shellns::E_NOTIMPL; }
    shellns::HResult CreateViewObject(shellns::InterfaceId, shellns::UnknownPtr*) override { return shellns::E_NOTIMPL; }
    shellns::HResult GetAttributesOf(std::uint32_t, const PCItemIdList*, std::uint32_t*) override
    {
        return shellns::E_NOTIMPL;
    }
    shellns::HResult GetUIObjectOf(std::uint32_t, const PCItemIdList*, shellns::InterfaceId, shellns::UnknownPtr*) override
    {
        return shellns::E_NOTIMPL;
    }
    shellns::HResult GetDisplayNameOf(PCItemIdList, std::uint32_t, shellns::StrRet*) override { return shellns::E_NOTIMPL; }
    shellns::HResult SetNameOf(PCItemIdList, std::u16string_view, std::uint32_t, PItemIdList*) override
    {
        return shellns::E_NOTIMPL;
    }
};

TEST_F(ShellTreeViewTest, AFolderWhoseListingRaisesAnErrorGetsNoChildren)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    TShellFolder* desktop = tree->NodeFolder(0);
    const TIdListPtr alpha(LastIdItem(ParsePath(home->desktop + "/Alpha").get()));
    auto* broken = new TShellFolder(desktop, std::make_shared<TUnlistableFolder>(), alpha.get());
    TTreeNode* node = tree->Items()->AddChild(root, QStringLiteral("Alpha as well"));
    node->SetData(broken);
    node->SetHasChildren(true);
    node->Expand(false);
    EXPECT_EQ(0, node->Count());
    EXPECT_FALSE(node->HasChildren());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ShellTreeViewTest, NamesThatAreNoUtf8SurviveShowingSelectingAndRenaming)
{
    TShellTreeView* tree = MakeTree();
    const std::string odd = home->home + "/Docs/" + kOddName;
    const TIdListPtr list = ParsePath(odd);
    tree->SelectIdList(list.get());
    EXPECT_EQ(odd, tree->SelectedPath());
    ASSERT_TRUE(tree->Selected()->EditText());
    QLineEdit* editor = Editor(tree);
    ASSERT_NE(nullptr, editor);
    editor->setText(editor->text().replace(QStringLiteral("name"), QStringLiteral("renamed")));
    tree->Selected()->EndEdit(false);
    const std::string renamed = home->home + "/Docs/Odd \xff renamed";
    EXPECT_TRUE(std::filesystem::is_directory(renamed));
    EXPECT_EQ(renamed, tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, ARefusedRenameKeepsTheLabelWithoutAMessage)
{
    TShellTreeView* tree = MakeTree();
    TMessageBoxRecorder boxes(*Application);
    TTreeNode* homeNode = Child(tree->Items()->GetFirstNode(), "Home"); // a place cannot be renamed
    tree->SetSelected(homeNode);
    ASSERT_TRUE(homeNode->EditText());
    EditorText(tree, "Elsewhere");
    homeNode->EndEdit(false);
    EXPECT_EQ(QStringLiteral("Home"), homeNode->Text());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(std::filesystem::is_directory(home->home));
}

TEST_F(ShellTreeViewTest, ARenameTheSystemRefusesShowsTheErrorBoxAndKeepsTheLabel)
{
    TShellTreeView* tree = MakeTree();
    TMessageBoxRecorder boxes(*Application);
    TTreeNode* alpha = Child(tree->Items()->GetFirstNode(), "Alpha");
    tree->SetSelected(alpha);
    ASSERT_TRUE(alpha->EditText());
    EditorText(tree, "beta"); // taken: never replaced
    alpha->EndEdit(false);
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(QStringLiteral("Rename to beta failed."), boxes.Shown()[0].text);
    EXPECT_EQ(QStringLiteral("Alpha"), alpha->Text());
    EXPECT_TRUE(std::filesystem::is_directory(home->desktop + "/Alpha/Sub"));
    EXPECT_TRUE(std::filesystem::is_directory(home->desktop + "/beta"));
}

TEST_F(ShellTreeViewTest, OnAddFolderKeepsAVetoedFolderOut)
{
    auto* tree = new TShellTreeView(form.get());
    std::vector<std::string> asked;
    tree->SetOnAddFolder(TAddFolderEvent::FromFunction([&](TObject*, TShellFolder* folder, bool& canAdd) {
        asked.push_back(folder->InFolderName());
        canAdd = folder->InFolderName() != "beta";
    }));
    Show(tree);
    TTreeNode* root = tree->Items()->GetFirstNode();
    EXPECT_EQ(QStringList({"Home", "Computer", "Trash", "Alpha", "Gamma", "Hollow"}), ChildTexts(root));
    EXPECT_EQ(7u, asked.size());
    EXPECT_EQ(7, tree->Items()->Count());
}

TEST_F(ShellTreeViewTest, ExpandingAnItemThatIsNoFolderOpensIt)
{
    testsupport::FakeDesktop desktop;
    auto* tree = new TShellTreeView(form.get());
    tree->SetObjectTypes(otFolders | otNonFolders);
    Show(tree);
    TTreeNode* notes = Child(tree->Items()->GetFirstNode(), "notes.txt");
    ASSERT_NE(nullptr, notes);
    EXPECT_FALSE(notes->HasChildren());
    notes->SetHasChildren(true);
    notes->Expand(false);
    ASSERT_EVENTUALLY_EQ(desktop.Opened(), std::vector<std::string>({home->desktop + "/notes.txt"}));
    EXPECT_FALSE(notes->HasChildren());
    EXPECT_EQ(0, notes->Count());
}

TEST_F(ShellTreeViewTest, ImagesComeFromTheSystemListUnlessTheTreeHasItsOwn)
{
    TShellTreeView* tree = MakeTree();
    const QModelIndex rootIndex = tree->View()->model()->index(0, 0, {});
    tree->SetUseShellImages(false);
    EXPECT_TRUE(rootIndex.data(Qt::DecorationRole).value<QIcon>().isNull());
    tree->SetUseShellImages(true);
    EXPECT_FALSE(rootIndex.data(Qt::DecorationRole).value<QIcon>().isNull());

    auto* own = new TCustomImageList(form.get());
    QPixmap green(16, 16);
    green.fill(Qt::green);
    own->Add(QIcon(green));
    int asked = 0;
    tree->OnGetSelectedIndex = TTVChangedEvent::FromFunction([&](TObject*, TTreeNode* node) {
        ++asked;
        node->SetSelectedIndex(0);
    });
    tree->SetImages(own);
    const QImage shown = rootIndex.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    EXPECT_EQ(QColor(Qt::green), shown.pixelColor(8, 8));
    EXPECT_GE(asked, 1); // painting asks too
}

TEST_F(ShellTreeViewTest, RecreatingTheWindowRebuildsTheTree)
{
    TShellTreeView* tree = MakeTree();
    Child(tree->Items()->GetFirstNode(), "Gamma")->Expand(false);
    EXPECT_EQ(9, tree->Items()->Count());
    tree->RecreateWnd();
    ASSERT_EQ(1, TopLevelCount(tree));
    EXPECT_EQ(8, tree->Items()->Count());
    EXPECT_EQ(home->desktop, tree->SelectedPath());
}

TEST_F(ShellTreeViewTest, NothingOfTheAllocatorOutlivesABuiltAndDroppedTree)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    for (const char* name : {"Alpha", "Gamma", "Home", "Computer"})
        Child(root, name)->Expand(false);
    tree->SelectIdList(ParsePath(home->home + "/Docs/Deep").get());
    tree->ReloadNode(root);
    EXPECT_GT(shellns::Allocator().LiveBlocks(), live);
    tree->DropAllNodes();
    EXPECT_EQ(0, tree->Items()->Count());
    tree->ReloadNode(root = tree->Items()->Add(nullptr, QStringLiteral("no folder"))); // nothing to reload
    EXPECT_EQ(1, tree->Items()->Count());
    // The tree going tells no handler: the handlers' owner may be going too.
    tree->OnDeletion = TTVChangedEvent::FromFunction([](TObject*, TTreeNode*) { FAIL(); });
    delete tree;
    module.reset();
    EXPECT_EQ(live, shellns::Allocator().LiveBlocks());
}

class TBrowseForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

TEST_F(ShellTreeViewTest, TheBrowseDialogsDescriptionLoadsAWorkingTree)
{
    RegisterShellClasses();
    TBrowseForm dialog(nullptr);
    TReader::ReadRootComponent(&dialog, QString::fromUtf8(R"(object Form4: TBrowseForm
  Left = 423
  Top = 192
  BorderStyle = bsDialog
  Caption = 'Обзор компьютеров'
  ClientHeight = 283
  ClientWidth = 258
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  object ShellTreeView1: TShellTreeView
    Left = 0
    Top = 0
    Width = 258
    Height = 249
    ObjectTypes = [otFolders]
    Root = 'rfDesktop'
    UseShellImages = True
    Align = alTop
    AutoRefresh = False
    Indent = 19
    ParentColor = False
    RightClickSelect = True
    ShowRoot = False
    TabOrder = 2
  end
end
)"));
    auto* tree = dialog.FindComponent<TShellTreeView>(QStringLiteral("ShellTreeView1"));
    ASSERT_NE(nullptr, tree);
    EXPECT_EQ(alTop, tree->Align());
    EXPECT_EQ(19, tree->Indent());
    EXPECT_EQ(clWindow, tree->Color());
    EXPECT_FALSE(tree->AutoRefresh());
    EXPECT_TRUE(tree->AutoContextMenus());
    EXPECT_EQ(TShellObjectTypes(otFolders), tree->ObjectTypes());
    // Built when loading ended: the desktop, expanded and selected.
    ASSERT_EQ(1, TopLevelCount(tree));
    EXPECT_TRUE(tree->Items()->GetFirstNode()->Expanded());
    EXPECT_EQ(home->desktop, tree->SelectedPath());
    dialog.Show();
    QApplication::processEvents();
    EXPECT_EQ(258, tree->Width());
    EXPECT_EQ(249, tree->Height());
    EXPECT_EQ(home->desktop, tree->SelectedPath()); // showing keeps what was built
    dialog.Hide();
}

// A description may link the tree with a shell combo box and a shell list view: it loads, and the
// partners are handed the root setting and the folder the tree moves to until they go.
TEST_F(ShellTreeViewTest, PartnersNamedInADescriptionAreLinkedAndFollowTheTree)
{
    RegisterShellClasses();
    TBrowseForm dialog(nullptr);
    TReader::ReadRootComponent(&dialog, QStringLiteral(R"(object Form4: TBrowseForm
  object ShellTreeView1: TShellTreeView
    Width = 258
    Height = 249
    ShellComboBox = ShellComboBox1
    ShellListView = ShellListView1
  end
  object ShellComboBox1: TShellComboBox
    Top = 250
    Width = 258
    Height = 21
    TabOrder = 1
  end
  object ShellListView1: TShellListView
    Top = 272
    Width = 258
    Height = 100
  end
end
)"));
    auto* tree = dialog.FindComponent<TShellTreeView>(QStringLiteral("ShellTreeView1"));
    auto* combo = dialog.FindComponent<TShellComboBox>(QStringLiteral("ShellComboBox1"));
    auto* list = dialog.FindComponent<TShellListView>(QStringLiteral("ShellListView1"));
    ASSERT_TRUE(tree && combo && list);
    EXPECT_EQ(combo, tree->ShellComboBox());
    EXPECT_EQ(list, tree->ShellListView());
    EXPECT_TRUE(TWriter::WriteComponent(tree, &dialog).contains(QStringLiteral("ShellComboBox = ShellComboBox1")));

    TTreeNode* gamma = Child(tree->Items()->GetFirstNode(), "Gamma");
    tree->SetSelected(gamma);
    for (TCustomShellPartner* partner : {static_cast<TCustomShellPartner*>(combo), static_cast<TCustomShellPartner*>(list)}) {
        ASSERT_NE(nullptr, partner->Folder());
        EXPECT_TRUE(SameIdList(tree->SelectedItem()->AbsIdList(), partner->Folder()));
    }
    tree->SelectIdList(ParsePath(home->desktop + "/Gamma/Inner").get());
    EXPECT_TRUE(SameIdList(tree->SelectedItem()->AbsIdList(), list->Folder()));
    tree->SetRoot(home->desktop + "/Gamma");
    EXPECT_EQ(home->desktop + "/Gamma", combo->Root());
    EXPECT_EQ(home->desktop + "/Gamma", list->Root());

    delete combo; // a partner that goes is unlinked
    EXPECT_EQ(nullptr, tree->ShellComboBox());
    tree->SetRoot("rfDesktop");
    EXPECT_EQ("rfDesktop", list->Root());
}

// Draws the tree on a populated home; with DUPSWEEP_TREE_SHOT set, the picture is saved there.
TEST_F(ShellTreeViewTest, TheTreeDrawsItsIconsAndLabels)
{
    TShellTreeView* tree = MakeTree();
    TTreeNode* root = tree->Items()->GetFirstNode();
    Child(root, "Gamma")->Expand(false);
    Child(root, "Computer")->Expand(false);
    tree->SetSelected(Child(Child(root, "Gamma"), "Inner"));
    QApplication::processEvents();
    const QImage shot = tree->grab().toImage();
    if (const QByteArray path = qgetenv("DUPSWEEP_TREE_SHOT"); !path.isEmpty())
        shot.save(QString::fromLocal8Bit(path));
    // The row of the desktop holds its picture: some pixels differ from the window colour.
    const TRect row = root->DisplayRect();
    const QColor base = tree->View()->palette().color(QPalette::Base);
    int painted = 0;
    for (int x = row.left; x < row.left + 20; ++x)
        for (int y = row.top; y < row.bottom; ++y)
            painted += shot.pixelColor(x, y) != base;
    EXPECT_GT(painted, 20);
}

} // namespace

#include "ShellTreeViewTest.moc"
