#include "support/Eventually.h"
#include "toolkit/Application.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "toolkit/StdCtrls.h"
#include "support/MessageBoxRecorder.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QListView>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class TSampleForm : public TForm {
    Q_OBJECT

public:
    explicit TSampleForm(TComponent* owner) : TForm(owner) {}

    void Load(const QString& text)
    {
        TReader::ReadRootComponent(this, text);
        Bind(ListBox1, "ListBox1");
        Bind(Edit1, "Edit1");
    }
    template <class T>
    void BindForTest(T*& field, const char* name)
    {
        Bind(field, name);
    }

    TListBox* ListBox1 = nullptr;
    TEdit* Edit1 = nullptr;
    int clicks = 0;
    int creates = 0;
    int shows = 0;

public slots:
    void Button1Click(TObject*) { ++clicks; }
    void FormCreate(TObject*) { ++creates; }
    void FormShow(TObject*) { ++shows; }
};

// The list box and the edit as the form's description holds them, and so as writing either
// back must give it.
const char* const kListBox1 = R"(object ListBox1: TListBox
  Left = 0
  Top = 0
  Width = 379
  Height = 400
  ItemHeight = 13
  TabOrder = 2
end
)";
const char* const kEdit1 = R"(object Edit1: TEdit
  Left = 2
  Top = 410
  Width = 279
  Height = 21
  Hint = 'Replays directory'
  ParentShowHint = False
  ShowHint = True
  TabOrder = 0
  Text = 'd:\temp'
end
)";

QString SampleForm()
{
    return QString::fromUtf8(R"(object Sample1: TSampleForm
  Left = 329
  Top = 149
  BorderStyle = bsDialog
  Caption = 'Программа'
  ClientHeight = 438
  ClientWidth = 379
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ActiveControl = Edit1
  OnCreate = FormCreate
  OnShow = FormShow
)") + NestFormText(kListBox1) + NestFormText(kEdit1) + QString::fromUtf8(R"(  object Button1: TButton
    Left = 290
    Top = 410
    Width = 75
    Height = 25
    Caption = 'Go'
    TabOrder = 1
    OnClick = Button1Click
  end
end
)");
}

class Forms : public testing::Test {
protected:
    void SetUp() override { Application->SetTitle(QStringLiteral("Dupsweep")); }
    TMessageBoxRecorder boxes{*Application};
};

TEST_F(Forms, ADescriptionGivesTheFormItsLayoutControlsAndHandlers)
{
    std::unique_ptr<TSampleForm> form(Create<TSampleForm>(nullptr));
    form->Load(SampleForm());
    EXPECT_EQ(form->Name(), QStringLiteral("Sample1"));
    EXPECT_EQ(form->Left(), 329);
    EXPECT_EQ(form->Top(), 149);
    EXPECT_EQ(form->ClientWidth(), 379);
    EXPECT_EQ(form->ClientHeight(), 438);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Программа"));
    EXPECT_EQ(form->ActiveControl(), form->Edit1);
    EXPECT_EQ(form->ListBox1->BoundsRect(), Rect(0, 0, 379, 400));
    EXPECT_EQ(form->ListBox1->ItemHeight(), 13);
    EXPECT_EQ(form->ListBox1->Parent(), form.get());
    EXPECT_EQ(form->Edit1->Text(), QStringLiteral("d:\\temp"));
    EXPECT_TRUE(form->Edit1->ShowHint());
    EXPECT_EQ(form->Edit1->Hint(), QStringLiteral("Replays directory"));
    EXPECT_EQ(form->Edit1->Font()->Height(), -11);
    // Tab order as stored, whatever the order of creation.
    EXPECT_EQ(form->Edit1->TabOrder(), 0);
    EXPECT_EQ(form->FindComponent<TButton>(QStringLiteral("Button1"))->TabOrder(), 1);
    EXPECT_EQ(form->ListBox1->TabOrder(), 2);

    form->FindComponent<TButton>(QStringLiteral("Button1"))->Click();
    EXPECT_EQ(form->clicks, 1);
    EXPECT_FALSE(form->Visible());
}

TEST_F(Forms, ADialogFrameHasNoMinimiseOrMaximiseAndAFixedSize)
{
    std::unique_ptr<TSampleForm> form(Create<TSampleForm>(nullptr));
    form->Load(SampleForm());
    form->Show();
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(form->minimumSize(), QSize(379, 438));
    EXPECT_EQ(form->maximumSize(), QSize(379, 438));
    form->Hide();
}

TEST_F(Forms, OnCreateRunsOnceTheFormIsCompleteAndOnShowWhenItShows)
{
    std::unique_ptr<TSampleForm> form(new TSampleForm(nullptr));
    form->Load(SampleForm());
    EXPECT_EQ(form->creates, 0);
    form->AfterConstruction();
    EXPECT_EQ(form->creates, 1);
    form->Show();
    EXPECT_EQ(form->shows, 1);
    form->Hide();
}

TEST_F(Forms, WritingBackLeavesOutDefaultsAndKeepsPublishedOrder)
{
    std::unique_ptr<TSampleForm> form(Create<TSampleForm>(nullptr));
    form->Load(SampleForm());
    EXPECT_EQ(TWriter::WriteComponent(form->ListBox1, form.get()), QString::fromUtf8(kListBox1));
    EXPECT_EQ(TWriter::WriteComponent(form->Edit1, form.get()), QString::fromUtf8(kEdit1));
    const QString whole = TWriter::WriteRootComponent(form.get());
    EXPECT_TRUE(whole.startsWith(QStringLiteral("object Sample1: TSampleForm\n  Left = 329\n  Top = 149\n")));
    EXPECT_FALSE(whole.contains(QStringLiteral("\n  Width = ")));  // forms store their client size
    EXPECT_TRUE(whole.contains(QStringLiteral("  ClientWidth = 379\n")));
    EXPECT_TRUE(whole.contains(QStringLiteral("  BorderStyle = bsDialog\n")));
    EXPECT_TRUE(whole.contains(QStringLiteral("  Font.Name = 'MS Sans Serif'\n")));
    EXPECT_TRUE(whole.contains(QStringLiteral("  OnCreate = FormCreate\n")));
    EXPECT_FALSE(whole.contains(QStringLiteral("Color = clBtnFace")));

    // What was written reads back into the same form.
    std::unique_ptr<TSampleForm> again(Create<TSampleForm>(nullptr));
    TReader::ReadRootComponent(again.get(), whole);
    EXPECT_EQ(TWriter::WriteRootComponent(again.get()), whole);
}

TEST_F(Forms, BindingAFieldToAMissingOrWrongComponentFails)
{
    std::unique_ptr<TSampleForm> form(Create<TSampleForm>(nullptr));
    form->Load(SampleForm());
    TEdit* wrong = nullptr;
    EXPECT_THROW(form->BindForTest(wrong, "ListBox1"), EComponentError);
    EXPECT_THROW(form->BindForTest(wrong, "Nothing"), EComponentError);
}

TEST_F(Forms, ShowModalReturnsTheResultThatEndsIt)
{
    TForm form(nullptr);
    QTimer::singleShot(0, &form, [&] {
        EXPECT_TRUE(form.Modal());
        EXPECT_TRUE(form.Visible());
        form.SetModalResult(mrYes);
    });
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.Modal());
}

TEST_F(Forms, AButtonWithAModalResultEndsTheModalLoop)
{
    TForm form(nullptr);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetModalResult(mrOk);
    QTimer::singleShot(0, ok, [ok] { ok->Click(); });
    EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST_F(Forms, ClosingAModalFormEndsItWithCancelEvenAfterAButtonStoredItsResult)
{
    TForm form(nullptr);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetModalResult(mrOk);
    ok->SetOnClick(TNotifyEvent::FromFunction([&](TObject*) { form.Close(); }));
    QTimer::singleShot(0, ok, [ok] { ok->Click(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST_F(Forms, TheFramesCloseBoxEndsAModalFormWithCancel)
{
    TForm form(nullptr);
    QTimer::singleShot(0, &form, [&] { form.close(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST_F(Forms, CloseQueryCanKeepAModalFormOpen)
{
    TForm form(nullptr);
    int asked = 0;
    form.OnCloseQuery = TCloseQueryEvent::FromFunction([&](TObject*, bool& canClose) { canClose = ++asked > 1; });
    QTimer::singleShot(0, &form, [&] {
        form.SetModalResult(mrOk);
        QTimer::singleShot(0, &form, [&] {
            EXPECT_TRUE(form.Visible());  // the first close was refused
            EXPECT_EQ(form.ModalResult(), mrNone);
            form.SetModalResult(mrAbort);
        });
    });
    EXPECT_EQ(form.ShowModal(), mrAbort);
    EXPECT_EQ(asked, 2);
}

TEST_F(Forms, AVisibleFormCannotBeMadeModal)
{
    TForm form(nullptr);
    form.Show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
    form.Hide();
}

TEST_F(Forms, EnterPressesTheDefaultButtonAndEscapeTheCancelButton)
{
    TForm form(nullptr);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(&form);
    cancel->SetParent(&form);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    form.SetActiveControl(edit);

    QTimer::singleShot(0, &form, [&] { QTest::keyClick(edit->Editor(), Qt::Key_Return); });
    EXPECT_EQ(form.ShowModal(), mrOk);
    QTimer::singleShot(0, &form, [&] { QTest::keyClick(edit->Editor(), Qt::Key_Escape); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

// Two buttons marked "&Yes" and "&Нет" and an edit, on a form of their own.
struct TMarkedButtons {
    TMarkedButtons()
    {
        yes->SetParent(&form);
        yes->SetCaption(QStringLiteral("&Yes"));
        yes->SetModalResult(mrYes);
        no->SetParent(&form);
        no->SetCaption(QStringLiteral("&Нет"));
        no->SetModalResult(mrNo);
        edit->SetParent(&form);
    }
    TForm form{nullptr};
    TButton* yes = new TButton(&form);
    TButton* no = new TButton(&form);
    TEdit* edit = new TEdit(&form);
};

TEST_F(Forms, AltAndAButtonsMarkedLetterPressItFromAnywhereInTheWindow)
{
    TMarkedButtons marked;
    marked.form.SetActiveControl(marked.edit);
    QTimer::singleShot(0, &marked.form, [&] {
        QTest::keyClick(marked.edit->Editor(), Qt::Key_Y);  // typed into the edit
        EXPECT_EQ(marked.edit->Text(), QStringLiteral("y"));
        // Alt and a letter are the window's shortcut: the window must be the active one.
        ASSERT_EVENTUALLY_ACTIVE(&marked.form);
        QTest::keyClick(marked.edit->Editor(), Qt::Key_Y, Qt::AltModifier);
    });
    EXPECT_EQ(marked.form.ShowModal(), mrYes);
    EXPECT_EQ(marked.edit->Text(), QStringLiteral("y"));
}

TEST_F(Forms, AButtonsMarkedLetterAlonePressesItWhileAButtonHasTheFocus)
{
    TMarkedButtons marked;
    marked.form.SetActiveControl(marked.yes);
    QTimer::singleShot(0, &marked.form, [&] {
        ASSERT_EVENTUALLY_ACTIVE(&marked.form);
        ASSERT_EVENTUALLY(marked.yes->Focused());
        QKeyEvent letter(QEvent::KeyPress, QChar(u'Н').unicode(), Qt::NoModifier, QStringLiteral("н"));
        QCoreApplication::sendEvent(marked.yes, &letter);
    });
    EXPECT_EQ(marked.form.ShowModal(), mrNo);
}

TEST_F(Forms, ClosingAFormThatIsNotTheMainFormHidesIt)
{
    TForm form(nullptr);
    form.Show();
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(Application->Terminated());

    TCloseAction wanted = caNone;
    form.OnClose = TCloseEvent::FromFunction([&](TObject*, TCloseAction& action) { action = wanted; });
    form.Show();
    form.Close();
    EXPECT_TRUE(form.Visible());
    form.Hide();
}

TEST_F(Forms, ReleasingAFormFreesItOnceTheHandlerHasReturned)
{
    QPointer<TForm> form = new TForm(Application);
    form->OnClose = TCloseEvent::FromFunction([](TObject*, TCloseAction& action) { action = caFree; });
    form->Show();
    form->Close();
    EXPECT_FALSE(form.isNull());
    ASSERT_EVENTUALLY(form.isNull());
}

// ---------------------------------------------------------------- the error box

class TThrower : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
    void Fire(std::function<void()> what)
    {
        action = std::move(what);
        auto* button = new TButton(this);
        button->SetParent(this);
        button->SetBounds(0, 0, 50, 20);
        button->SetOnClick(TNotifyEvent::FromFunction([this](TObject*) { action(); }));
        Show();
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        Hide();
    }
    std::function<void()> action;
};

TEST_F(Forms, AnErrorInAHandlerShowsTheStandardErrorBoxAndTheProgramGoesOn)
{
    TThrower form(nullptr);
    form.Fire([] { throw Exception(QStringLiteral("Rename to x failed")); });
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Rename to x failed."));
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("Dupsweep"));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);

    form.Fire([] { throw Exception(QStringLiteral("Read beyond end of file.")); });
    form.Fire([] { throw std::runtime_error("plain"); });
    form.Fire([] { Abort(); });
    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[1].text, QStringLiteral("Read beyond end of file."));
    EXPECT_EQ(boxes.Shown()[2].text, QStringLiteral("plain."));

    bool ranAgain = false;
    form.Fire([&] { ranAgain = true; });
    EXPECT_TRUE(ranAgain);
}

TEST_F(Forms, AnErrorEscapingAnyQtCallbackEndsInTheErrorBoxToo)
{
    QTimer::singleShot(0, Application, [] { throw Exception(QStringLiteral("from a timer")); });
    ASSERT_EVENTUALLY_EQ(boxes.Shown().size(), std::size_t(1));
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("from a timer."));
}

TEST_F(Forms, AnErrorInOnCreateIsShownAndTheFormIsMadeAllTheSame)
{
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->OnCreate = TNotifyEvent::FromFunction([](TObject*) { throw Exception(QStringLiteral("no")); });
    form->AfterConstruction();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("no."));
}

TEST_F(Forms, MessageBoxesGoThroughThePresenterAndReturnItsAnswer)
{
    boxes.Answer(IDNO);
    EXPECT_EQ(Application->MessageBox(QStringLiteral("Delete?"), QString(), MB_YESNO | MB_ICONQUESTION), IDNO);
    ShowMessage(QStringLiteral("Дубликатов: 3"));
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("Dupsweep"));
    EXPECT_EQ(boxes.Shown()[1].text, QStringLiteral("Дубликатов: 3"));
    EXPECT_EQ(boxes.Shown()[1].flags, MB_OK);
}

class TResourcedForm : public TForm {
    Q_OBJECT

public:
    explicit TResourcedForm(TComponent* owner) : TForm(owner)
    {
        LoadFromResource(QStringLiteral(":/forms/Sample.form"));
        Bind(Edit1, "Edit1");
    }
    TEdit* Edit1 = nullptr;
};

TEST(MessageBoxes, AShortMessageIsShownInTheFormFontWithPlainButtonsAndItsWholeCaption)
{
    const auto box = MakeQtMessageBox({QStringLiteral("Дубликатов: 3"), QStringLiteral("Dupsweep"), MB_OK});
    EXPECT_EQ(box->font(), gdi::Font().ToQFont());
    ASSERT_NE(box->button(QMessageBox::Ok), nullptr);
    EXPECT_TRUE(box->button(QMessageBox::Ok)->icon().isNull());
    box->show();
    const int caption = QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Dupsweep"));
    const int text = QFontMetrics(gdi::Font().ToQFont()).horizontalAdvance(QStringLiteral("Дубликатов: 3"));
    // Wider than the caption needs in a title bar, and so wider than the text alone made it.
    EXPECT_GE(box->width(), caption + 100);
    EXPECT_GT(box->width(), text + 100);
}

TEST(StockWords, AQuestionUnderARussianLocaleOffersRussianButtonsAndTheCLocaleKeepsEnglish)
{
    QTranslator russian;
    ASSERT_TRUE(LoadStockWords(russian, QLocale(QLocale::Russian, QLocale::Russia)));
    QCoreApplication::installTranslator(&russian);
    {
        QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
        EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Нет"));
    }
    QCoreApplication::removeTranslator(&russian);

    QTranslator plain;
    EXPECT_FALSE(LoadStockWords(plain, QLocale::c()));
    QMessageBox box(QMessageBox::Question, QString(), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Yes"));
}

TEST_F(Forms, AFormReadsItsDescriptionFromTheProgramsResources)
{
    std::unique_ptr<TResourcedForm> form(Create<TResourcedForm>(nullptr));
    EXPECT_EQ(form->Caption(), QStringLiteral("Из ресурса"));
    EXPECT_EQ(form->Edit1->Text(), QStringLiteral("loaded"));
    EXPECT_EQ(form->ClientWidth(), 200);
    TForm other(nullptr);
    EXPECT_THROW(TReader::ReadRootFromResource(&other, QStringLiteral(":/forms/Missing.form")), EReadError);
}

TEST(Screen, TheHourglassCoversEveryWindowUntilTheDefaultIsBack)
{
    ASSERT_NE(Screen, nullptr);
    Screen->SetCursor(crHourGlass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crHandPoint);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_GT(Screen->Width(), 0);
}

}  // namespace

#include "FormsTest.moc"
