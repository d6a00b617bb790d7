// Form descriptions read into and written from components that are not controls, so that
// the format is checked apart from any window.
#include "toolkit/ClassRegistry.h"
#include "toolkit/Collection.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "support/FormWriter.h"
#include "toolkit/Strings.h"
#include "toolkit/Types.h"
#include "platform/gdi/Colors.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

QStringList* journal = nullptr;

void Note(const QString& entry)
{
    if (journal)
        journal->append(entry);
}

class TSettings : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(toolkit::TFontStyles Style READ Style WRITE SetStyle)
    Q_PROPERTY(TColor Shadow READ Shadow WRITE SetShadow)
    Q_CLASSINFO("Height", "default -11")
    Q_CLASSINFO("Shadow", "TColor; default clBtnShadow")

public:
    using TPersistent::TPersistent;
    int Height() const { return FHeight; }
    void SetHeight(int v) { FHeight = v, Note(QStringLiteral("Height")); }
    QString Name() const { return FName; }
    void SetName(const QString& v) { FName = v; }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles v) { FStyle = v; }
    TColor Shadow() const { return FShadow; }
    void SetShadow(TColor v) { FShadow = v; }

private:
    int FHeight = -11;
    QString FName;
    TFontStyles FStyle;
    TColor FShadow = clBtnShadow;
};

class TColumn : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER caption)
    Q_PROPERTY(int Width MEMBER width)
    Q_CLASSINFO("Width", "default 50")

public:
    using TCollectionItem::TCollectionItem;
    QString caption;
    int width = 50;
};

class TPart;

// A root component with one published property of every kind the format knows.
class TSample : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(bool Visible MEMBER visible)
    Q_PROPERTY(QString Caption MEMBER caption)
    Q_PROPERTY(TColor Color MEMBER color)
    Q_PROPERTY(toolkit::TAlign Align MEMBER align)
    Q_PROPERTY(toolkit::TAnchors Anchors MEMBER anchors)
    Q_PROPERTY(double Ratio MEMBER ratio)
    Q_PROPERTY(TSettings* Font READ Font)
    Q_PROPERTY(TStrings* Items READ Items)
    Q_PROPERTY(TCollection* Columns READ Columns)
    Q_PROPERTY(QByteArray Data MEMBER data)
    Q_PROPERTY(TPart* ActiveControl MEMBER activeControl)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER onClick)
    Q_PROPERTY(int Hidden MEMBER hidden)
    Q_CLASSINFO("Visible", "default True")
    Q_CLASSINFO("Color", "TColor; default clBtnFace")
    Q_CLASSINFO("Align", "default alNone")
    Q_CLASSINFO("Anchors", "default [akLeft, akTop]")
    Q_CLASSINFO("Ratio", "default 0")
    Q_CLASSINFO("Hidden", "stored IsHiddenStored")

public:
    explicit TSample(TComponent* owner) : TNonVisualComponent(owner), FColumns(&NewItem<TColumn>, this) {}

    int Left() const { return FLeft; }
    void SetLeft(int v)
    {
        FLeft = v;
        Note(QStringLiteral("Left") + (ComponentState().testFlag(csLoading) ? QStringLiteral(" loading") : QString()));
    }
    TSettings* Font() { return &FFont; }
    TStrings* Items() { return &FItems; }
    TCollection* Columns() { return &FColumns; }
    Q_INVOKABLE bool IsHiddenStored() const { return hidden != 0; }

    bool visible = true;
    QString caption;
    TColor color = clBtnFace;
    TAlign align = alNone;
    TAnchors anchors = akLeft | akTop;
    double ratio = 0;
    QByteArray data;
    TPart* activeControl = nullptr;
    TNotifyEvent onClick;
    int hidden = 0;
    int clicks = 0;
    TObject* clickSender = nullptr;

public slots:
    void Part1Click(TObject* sender) { ++clicks, clickSender = sender; }

protected:
    void Loaded() override
    {
        TNonVisualComponent::Loaded();
        Note(QStringLiteral("Loaded ") + Name());
    }

private:
    int FLeft = 0;
    TSettings FFont{this};
    TStrings FItems{this};
    TCollection FColumns;
};

// A nested component: it records its parent and when it is loaded.
class TPart : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(int Top MEMBER top)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER onClick)
    Q_CLASSINFO("Top", "default 0")

public:
    using TNonVisualComponent::TNonVisualComponent;
    TComponent* GetParentComponent() const override { return FParent; }
    bool HasParent() const override { return true; }
    int top = 0;
    TNotifyEvent onClick;

protected:
    void SetParentComponent(TComponent* parent) override { FParent = parent; }
    void Loaded() override
    {
        TNonVisualComponent::Loaded();
        Note(QStringLiteral("Loaded ") + Name());
    }

private:
    TComponent* FParent = nullptr;
};

class FormStream : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterClass<TPart>();
        journal = &log;
    }
    void TearDown() override { journal = nullptr; }

    QStringList log;
};

const char* const kSample = R"(object Sample1: TSample
  Left = -12
  Caption = 'It''s '#1058#1077'ст' +
    ' and more'
  Color = clNavy
  Align = alTop
  Anchors = [akLeft, akRight]
  Ratio = 1.5
  Font.Height = -13
  Font.Style = [fsBold, fsUnderline]
  Font.Shadow = 8294290
  Items.Strings = (
    'first'
    'second')
  Columns = <
    item
      Caption = 'Name'
      Width = 250
    end
    item
      Caption = 'Size'
    end>
  Data = {
    0A0BFF}
  ActiveControl = Part2
  OnClick = Part1Click
  object Part1: TPart
    Top = 5
    OnClick = Part1Click
    object Part2: TPart
    end
  end
end
)";

TEST_F(FormStream, EveryKindOfValueReachesItsProperty)
{
    TSample root(nullptr);
    TReader::ReadRootComponent(&root, QString::fromUtf8(kSample));

    EXPECT_EQ(root.Name(), QStringLiteral("Sample1"));
    EXPECT_EQ(root.Left(), -12);
    EXPECT_EQ(root.caption, QStringLiteral("It's Тест and more"));
    EXPECT_EQ(root.color, clNavy);
    EXPECT_EQ(root.align, alTop);
    EXPECT_EQ(root.anchors, akLeft | akRight);
    EXPECT_DOUBLE_EQ(root.ratio, 1.5);
    EXPECT_EQ(root.Font()->Height(), -13);
    EXPECT_EQ(root.Font()->Style(), fsBold | fsUnderline);
    EXPECT_EQ(root.Font()->Shadow(), 8294290);
    EXPECT_EQ(root.Items()->ToStringList(), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    ASSERT_EQ(root.Columns()->Count(), 2);
    EXPECT_EQ(static_cast<TColumn*>(root.Columns()->Items(0))->width, 250);
    EXPECT_EQ(static_cast<TColumn*>(root.Columns()->Items(1))->caption, QStringLiteral("Size"));
    EXPECT_EQ(static_cast<TColumn*>(root.Columns()->Items(1))->width, 50);
    EXPECT_EQ(root.data, QByteArray("\x0A\x0B\xFF", 3));

    auto* part1 = root.FindComponent<TPart>(QStringLiteral("Part1"));
    auto* part2 = root.FindComponent<TPart>(QStringLiteral("Part2"));
    ASSERT_TRUE(part1 && part2);
    EXPECT_EQ(part1->Owner(), &root);
    EXPECT_EQ(part2->Owner(), &root);
    EXPECT_EQ(part1->GetParentComponent(), &root);
    EXPECT_EQ(part2->GetParentComponent(), part1);
    EXPECT_EQ(part1->top, 5);
    EXPECT_EQ(root.activeControl, part2);  // a reference to a component read later

    part1->onClick(part1);
    EXPECT_EQ(root.clicks, 1);
    EXPECT_EQ(root.clickSender, part1);
    EXPECT_EQ(root.onClick.MethodName(), QByteArray("Part1Click"));
}

TEST_F(FormStream, SettersRunWhileLoadingAndLoadedRunsAfterwardsInReadingOrder)
{
    TSample root(nullptr);
    TReader::ReadRootComponent(&root, QString::fromUtf8(kSample));
    EXPECT_EQ(log, (QStringList{QStringLiteral("Left loading"), QStringLiteral("Height"), QStringLiteral("Loaded Sample1"),
                                QStringLiteral("Loaded Part1"), QStringLiteral("Loaded Part2")}));
    EXPECT_FALSE(root.ComponentState().testFlag(csLoading));
    EXPECT_FALSE(root.FindComponent(QStringLiteral("Part2"))->ComponentState().testFlag(csLoading));
}

TEST_F(FormStream, WritingBackGivesOnlyValuesThatDifferFromTheDefaultsInPublishedOrder)
{
    TSample root(nullptr);
    TReader::ReadRootComponent(&root, QString::fromUtf8(kSample));
    // The caption comes back as one literal; everything else as it was read.
    const QString expected = QString::fromUtf8(kSample).replace(
        QString::fromUtf8("'It''s '#1058#1077'ст' +\n    ' and more'"), QString::fromUtf8("'It''s Тест and more'"));
    EXPECT_EQ(TWriter::WriteRootComponent(&root), expected);
}

TEST_F(FormStream, ADefaultObjectWritesOnlyWhatHasNoDefault)
{
    TSample root(nullptr);
    root.SetName(QStringLiteral("S"));
    EXPECT_EQ(TWriter::WriteRootComponent(&root), QStringLiteral("object S: TSample\n  Left = 0\n  Font.Style = []\nend\n"));
    root.hidden = 3;  // stored only while IsHiddenStored says so
    root.visible = false;
    EXPECT_TRUE(TWriter::WriteProperties(root.Object(), &root).contains(QStringLiteral("Visible = False\n")));
    EXPECT_TRUE(TWriter::WriteProperties(root.Object(), &root).contains(QStringLiteral("Hidden = 3\n")));
}

TEST_F(FormStream, ReadingWhatWasWrittenGivesTheSameDescription)
{
    TSample first(nullptr);
    TReader::ReadRootComponent(&first, QString::fromUtf8(kSample));
    const QString written = TWriter::WriteRootComponent(&first);
    TSample second(nullptr);
    TReader::ReadRootComponent(&second, written);
    EXPECT_EQ(TWriter::WriteRootComponent(&second), written);
}

struct BadCase {
    const char* text;
    const char* message;
};

class FormStreamErrors : public FormStream, public testing::WithParamInterface<BadCase> {};

TEST_P(FormStreamErrors, NameTheLineAndTheFault)
{
    TSample root(nullptr);
    try {
        TReader::ReadRootComponent(&root, QString::fromUtf8(GetParam().text));
        FAIL() << "no error for: " << GetParam().text;
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(GetParam().message))) << e.Message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormStreamErrors,
    testing::Values(BadCase{"object S: TSample\n  Nope = 1\nend\n", "Line 2: Property TSample.Nope does not exist"},
                    BadCase{"object S: TSample\n  Align = alSideways\nend\n", "Line 2: Invalid enumeration value alSideways"},
                    BadCase{"object S: TSample\n\n  Anchors = [akUp]\nend\n", "Line 3: Invalid set element akUp"},
                    BadCase{"object S: TSample\n  Left = 'x'\nend\n", "Line 2: Invalid property value"},
                    BadCase{"object S: TSample\n  Color = clPlaid\nend\n", "Invalid colour clPlaid"},
                    BadCase{"object S: TSample\n  OnClick = Missing\nend\n", "Line 2: Method Missing not found"},
                    BadCase{"object S: TSample\n  object X: TNoSuchClass\n  end\nend\n", "Line 2: Class TNoSuchClass not found"},
                    BadCase{"object S: TSample\n  ActiveControl = Nobody\nend\n", "Line 2: Component Nobody not found"},
                    BadCase{"object S: TOther\nend\n", "Line 1: A description of TOther cannot be read into a TSample"},
                    BadCase{"object S: TSample\n  Caption = 'open\nend\n", "Line 2: Unterminated string"},
                    BadCase{"object S: TSample\n  Left = 1\n", "'end' expected for S"},
                    BadCase{"object S: TSample\n  object P: TPart\n    Top = 1\n  end\n  object P: TPart\n  end\nend\n",
                            "A component named P already exists"},
                    BadCase{"object S: TSample\nend\nobject T: TSample\nend\n", "Text after the end of the form"}));

TEST(FormText, StringsAreQuotedWithControlCharactersAsCodes)
{
    EXPECT_EQ(FormatFormString(QString()), QStringLiteral("''"));
    EXPECT_EQ(FormatFormString(QStringLiteral("a'b")), QStringLiteral("'a''b'"));
    EXPECT_EQ(FormatFormString(QStringLiteral("x\r\ny")), QStringLiteral("'x'#13#10'y'"));
    EXPECT_EQ(FormatFormString(QStringLiteral("\t")), QStringLiteral("#9"));
    EXPECT_EQ(ParseFormValue(QStringLiteral("'x'#13#10'y'")).text, QStringLiteral("x\r\ny"));
    EXPECT_EQ(ParseFormValue(QStringLiteral("#$41#66")).text, QStringLiteral("AB"));
}

TEST(FormText, NumbersMayBeNegativeHexadecimalOrFractional)
{
    EXPECT_EQ(ParseFormValue(QStringLiteral("-11")).integer, -11);
    EXPECT_EQ(ParseFormValue(QStringLiteral("$FF")).integer, 255);
    EXPECT_EQ(ParseFormValue(QStringLiteral("-2.5e1")).kind, TFormValue::Kind::Float);
    EXPECT_DOUBLE_EQ(ParseFormValue(QStringLiteral("-2.5e1")).real, -25.0);
    EXPECT_EQ(ParseFormValue(QStringLiteral("[]")).names, QStringList());
}

TEST(ClassRegistry, ANameBelongsToOneClass)
{
    RegisterClass<TPart>();
    RegisterClass<TPart>();
    EXPECT_EQ(FindClass(QStringLiteral("TPart")), ClassOf<TPart>());
    EXPECT_FALSE(FindClass(QStringLiteral("TNoSuchClass")));
}

}  // namespace

#include "FormStreamTest.moc"
