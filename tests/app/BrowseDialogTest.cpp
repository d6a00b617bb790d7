// The browse dialog on a scratch home: what OK and Cancel do to the folder field, that the
// dialog keeps its selection between showings, and that a picked folder is what the next scan
// walks.
#include "ScratchHome.h"
#include "Windows.h"

#include "app/CatalogueRows.h"
#include "app/Unit4.h"
#include "platform/shellns/wide.h"
#include "shell/ShellTreeView.h"
#include "toolkit/Buttons.h"

#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

// A desktop folder whose name is not UTF-8.
const std::string kOddFolder = "Old \xff\xfe replays";

class BrowseDialog : public testing::Test {
protected:
    void SetUp() override
    {
        home = std::make_unique<ScratchHome>();
        home->MakeDir("Desktop/Replays/Old");
        home->MakeDir("Desktop/Other");
        home->MakeDir("Desktop/" + kOddFolder);
        module = std::make_unique<ShellCtrls::ShellCtrlsModule>();
        ShellCtrls::RegisterShellClasses();
        Application->SetTitle(QStringLiteral("Dupsweep"));
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->CreateForm(Form4);
    }

    void TearDown() override
    {
        delete Form4;
        delete Form2;
        delete Form1;
        module.reset();
        home.reset();
    }

    static TTreeNode* Child(TTreeNode* parent, const QString& text)
    {
        for (int i = 0; parent && i < parent->Count(); ++i)
            if (parent->Item(i)->Text() == text)
                return parent->Item(i);
        return nullptr;
    }

    static TTreeNode* Desktop() { return Form4->ShellTreeView1->Items()->GetFirstNode(); }

    // Clicks "..." and, once the dialog runs modally, answer (OK or Cancel) after prepare.
    static void Browse(TBitBtn* answer, const std::function<void()>& prepare = {})
    {
        bool wasModal = false;
        QTimer::singleShot(0, [&] {
            wasModal = Form4->Modal();
            if (prepare)
                prepare();
            answer->Click();
        });
        Form1->glBitBtn2->Click();
        EXPECT_TRUE(wasModal);
        EXPECT_FALSE(Form4->Visible());
    }

    static QString Field() { return Form1->Edit1->Text(); }

    std::unique_ptr<ScratchHome> home;
    std::unique_ptr<ShellCtrls::ShellCtrlsModule> module;
    TMessageBoxRecorder boxes;
};

TEST_F(BrowseDialog, IsLaidOutWithTheDesktopExpandedAndSelected)
{
    EXPECT_EQ(QStringLiteral("Обзор компьютеров"), Form4->Caption());
    EXPECT_EQ(258, Form4->ClientWidth());
    EXPECT_EQ(283, Form4->ClientHeight());
    EXPECT_EQ(bsDialog, Form4->BorderStyle());
    EXPECT_FALSE(Form4->Visible());

    EXPECT_EQ(QStringLiteral("OK"), Form4->BitBtn1->Caption());
    EXPECT_TRUE(Form4->BitBtn1->Default());
    EXPECT_EQ(mrOk, Form4->BitBtn1->ModalResult());
    EXPECT_EQ(QStringLiteral("Cancel"), Form4->BitBtn2->Caption());
    EXPECT_TRUE(Form4->BitBtn2->Cancel());
    EXPECT_EQ(mrCancel, Form4->BitBtn2->ModalResult());

    TShellTreeView* tree = Form4->ShellTreeView1;
    EXPECT_EQ(alTop, tree->Align());
    EXPECT_EQ(249, tree->Height());
    ASSERT_NE(nullptr, Desktop());
    EXPECT_TRUE(Desktop()->Expanded());
    EXPECT_EQ(Desktop(), tree->Selected());
    EXPECT_NE(nullptr, Child(Desktop(), QStringLiteral("Replays")));
}

TEST_F(BrowseDialog, OkAtOncePutsTheDesktopFolderIntoTheField)
{
    Browse(Form4->BitBtn1);
    EXPECT_EQ(QString::fromStdString(home->desktop), Field());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(BrowseDialog, CancelLeavesTheFieldAndTheDialogKeepsItsSelection)
{
    const QString before = Field();
    TTreeNode* replays = Child(Desktop(), QStringLiteral("Replays"));
    ASSERT_NE(nullptr, replays);
    Browse(Form4->BitBtn2, [&] {
        replays->Expand(false);
        Form4->ShellTreeView1->SetSelected(Child(replays, QStringLiteral("Old")));
    });
    EXPECT_EQ(before, Field());

    // Shown again: the same node is selected and its parent still expanded; OK takes it.
    Browse(Form4->BitBtn1, [&] {
        EXPECT_TRUE(replays->Expanded());
        EXPECT_EQ(QStringLiteral("Old"), Form4->ShellTreeView1->Selected()->Text());
    });
    EXPECT_EQ(QString::fromStdString(home->desktop + "/Replays/Old"), Field());
}

TEST_F(BrowseDialog, AVirtualPlaceGivesItsNameNotAPath)
{
    Browse(Form4->BitBtn1, [] { Form4->ShellTreeView1->SetSelected(Child(Desktop(), QStringLiteral("Computer"))); });
    EXPECT_EQ(QStringLiteral("Computer"), Field());
    // A scan of that text lists nothing and says nothing.
    Form1->glBitBtn1->Click();
    EXPECT_EQ(0, Form1->ListView1->RowCount());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(BrowseDialog, TheNextScanWalksThePickedFolder)
{
    const std::string replay = testsupport::MakeReplay(60 * kRecord, "first", "second", {}, 1);
    home->MakeFile("Desktop/Replays/Old/game.rep", replay);
    home->MakeFile("Desktop/Other/elsewhere.rep", replay);
    Browse(Form4->BitBtn1, [] {
        TTreeNode* replays = Child(Desktop(), QStringLiteral("Replays"));
        Form4->ShellTreeView1->SetSelected(replays);
    });
    Form1->glBitBtn1->Click();
    ASSERT_EQ(1, Form1->ListView1->RowCount());
    EXPECT_EQ(QStringLiteral("game.rep"), Form1->ListView1->CellText(0, 0));
}

// Names that are not UTF-8 travel from the tree through the field to the scan, the list and the
// report as their bytes.
TEST_F(BrowseDialog, AFolderNamedInBytesThatAreNotUtf8IsPickedScannedAndCleaned)
{
    const std::string& folderName = kOddFolder;
    const std::string replay = testsupport::MakeReplay(60 * kRecord, "same", "same", {}, 5);
    const std::string copy = home->MakeFile("Desktop/" + folderName + "/copy \xe9.rep", replay);
    const std::string kept = home->MakeFile("Desktop/" + folderName + "/zz.rep", replay);
    Browse(Form4->BitBtn1, [&] {
        Form4->ShellTreeView1->SetSelected(Child(Desktop(), shellns::PathToText(folderName)));
    });
    EXPECT_EQ(shellns::TextToPath(Field()), home->desktop + "/" + folderName);

    Form1->glBitBtn1->Click();
    ASSERT_EQ(2, Form1->ListView1->RowCount());
    EXPECT_EQ(shellns::TextToPath(Form1->ListView1->CellText(0, app::kPathColumn)), copy);
    EXPECT_EQ(shellns::TextToPath(Form1->ListView1->CellText(1, app::kPathColumn)), kept);

    // Of the two identical copies the earlier goes, named in the report by its own bytes.
    Form1->glBitBtn3->Click();
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(std::filesystem::exists(kept));
    ASSERT_EQ(1, Form2->ListBox1->Count());
    EXPECT_EQ(shellns::TextToPath(Form2->ListBox1->Items()->Strings(0)), copy);
}

} // namespace
