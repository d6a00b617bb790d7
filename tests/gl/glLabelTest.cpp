// The effect label: its size and where its text goes, its pixels in every look that has
// a rule of its own (see-through letters, textures, opaque labels, the pushed style, the
// disabled look, turned text), hovering and face-only paints without a flicker, the focus
// control, its picture sources, and its form description.
#include "gl/glLabel.h"
#include "gl/glHShape.h"
#include "gl/glUTILS.h"

#include "GlTestSupport.h"

#include "toolkit/Application.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "support/ClassicColors.h"
#include "support/Rgb.h"
#include "support/Eventually.h"

#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace {

using gltest::Checker;
using gltest::Enter;
using gltest::Leave;
using gltest::TSwatch;

// A label that keeps every picture it put on the screen, and counts its paints.
class TWatchedLabel : public TglLabel {
public:
    using TglLabel::TglLabel;

    std::vector<QImage> frames;
    int paints = 0;
    bool SurfaceOutOfDate() const { return SurfaceDirty(); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        TglLabel::paintEvent(event);
        frames.push_back(PaintedSurface().Image().copy());
    }
    void Paint() override
    {
        ++paints;
        TglLabel::Paint();
    }
};

// The picture's pixels of one colour.
std::set<std::pair<int, int>> Pixels(const QImage& image, QRgb colour)
{
    std::set<std::pair<int, int>> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                found.emplace(x, y);
    return found;
}

class Label : public testing::Test {
protected:
    void SetUp() override
    {
        form.SetClientWidth(300);
        form.SetClientHeight(200);
    }

    TWatchedLabel* Make(const QString& caption, int left = 10, int top = 10, int height = -21)
    {
        return gltest::NewLabel<TWatchedLabel>(form, caption, left, top, height);
    }

    // What the label shows, after it has sized itself.
    static QImage Shot(TglLabel* label)
    {
        label->grab();
        return gltest::Picture(label);
    }

    // Shown, with the pointer away from it: the tests move the pointer in and out of labels
    // themselves.
    void ShowForm()
    {
        form.Show();
        ASSERT_EVENTUALLY_EXPOSED(&form);
        QCursor::setPos(form.frameGeometry().bottomRight() + QPoint(50, 50));
        QCoreApplication::processEvents();
    }

    gdi::ScopedClassicColors classic;
    TForm form{nullptr};
};

// ---------------------------------------------------------------- size and text origin

TEST(LabelGeometry, TheWorkedExamplesOfTheAutomaticSize)
{
    const QSize extent(100, 20);
    EXPECT_EQ(GlLabelAutoSize(GlTextBox(extent, false, 2, false), fldLeftRight), QSize(103, 22));
    EXPECT_EQ(GlLabelAutoSize(GlTextBox(extent, true, 2, true), fldLeftRight), QSize(107, 26));
    EXPECT_EQ(GlLabelAutoSize(GlTextBox(extent, false, 2, false), fldUpDown), QSize(22, 103));
    EXPECT_EQ(GlLabelAutoSize(GlTextBox(extent, false, 2, false), fldRightLeft), QSize(103, 22));
    EXPECT_EQ(GlLabelAutoSize(GlTextBox(extent, true, 5, false), fldDownUp), QSize(27, 108));
}

TEST(LabelGeometry, TheTextOriginForEveryDirectionAndAlignment)
{
    // W0 103, H0 22, E 0, Sw 103, Sh 22.
    const TglTextBox box = GlTextBox(QSize(100, 20), false, 2, false);
    struct Case {
        TglLabelDir direction;
        TAlignment alignment;
        TPoint origin;
    };
    const Case wide[] = {
        {fldLeftRight, taLeftJustify, TPoint(0, 0)},    {fldLeftRight, taRightJustify, TPoint(47, 0)},
        {fldLeftRight, taCenter, TPoint(23, 0)},        {fldRightLeft, taLeftJustify, TPoint(148, 22)},
        {fldRightLeft, taRightJustify, TPoint(103, 22)}, {fldRightLeft, taCenter, TPoint(126, 22)},
    };
    for (const Case& c : wide)
        EXPECT_EQ(GlLabelTextOrigin(box, c.direction, c.alignment, 150, 40), c.origin)
            << int(c.direction) << " " << int(c.alignment);
    const Case tall[] = {
        {fldUpDown, taLeftJustify, TPoint(22, 1)},  {fldUpDown, taRightJustify, TPoint(22, 47)},
        {fldUpDown, taCenter, TPoint(22, 23)},      {fldDownUp, taLeftJustify, TPoint(0, 148)},
        {fldDownUp, taRightJustify, TPoint(0, 100)}, {fldDownUp, taCenter, TPoint(0, 126)},
    };
    for (const Case& c : tall)
        EXPECT_EQ(GlLabelTextOrigin(box, c.direction, c.alignment, 40, 150), c.origin)
            << int(c.direction) << " " << int(c.alignment);
    // Halves of a negative room are cut toward zero.
    EXPECT_EQ(GlLabelTextOrigin(box, fldLeftRight, taCenter, 100, 40), TPoint(-1, 0));
    // Upward and right-justified the origin lies W0 - 4 from the top, unless the text would
    // then start above the label: a caption 300 wide (W0 305) keeps 301.
    EXPECT_EQ(GlLabelTextOrigin(GlTextBox(QSize(300, 20), false, 2, false), fldDownUp, taRightJustify, 40, 400),
              TPoint(0, 301));
}

TEST(LabelGeometry, TheMaskLiesOverTheFaceAndPushedLettersHalfTheEffectOffsetIn)
{
    for (TglTextStyle style : {fstNone, fstRaised, fstRecessed, fstShadow, fstVolumetric})
        for (bool delineated : {false, true})
            EXPECT_EQ(GlLabelMaskOffset(style, delineated), GlFaceOffset(style, delineated))
                << int(style) << " " << delineated;
    EXPECT_EQ(GlLabelMaskOffset(fstPushed, false), 1);
    EXPECT_EQ(GlLabelMaskOffset(fstPushed, true), 2);
}

TEST_F(Label, ItTakesTheSizeItsCaptionNeedsAtItsPaintUnlessAligned)
{
    TWatchedLabel* label = Make(QStringLiteral("Clan Vexal"));
    gdi::DeviceContext measure;
    measure.SelectFont(label->LabelFont());
    const QSize extent = measure.GetTextExtentPoint(QStringLiteral("Clan Vexal"));
    EXPECT_EQ(label->Width(), 100);  // not before it paints
    Shot(label);
    EXPECT_EQ(QSize(label->Width(), label->Height()), GlLabelAutoSize(GlTextBox(extent, false, 2, false), fldLeftRight));

    label->TextStyles()->SetPassive(fstShadow);
    label->SetOptions(label->Options() | floDelineatedText);
    label->Illumination()->SetShadowDepth(4);
    Shot(label);
    EXPECT_EQ(QSize(label->Width(), label->Height()), GlLabelAutoSize(GlTextBox(extent, true, 4, true), fldLeftRight));

    label->SetDirection(fldUpDown);
    Shot(label);
    EXPECT_EQ(QSize(label->Width(), label->Height()), GlLabelAutoSize(GlTextBox(extent, true, 4, true), fldUpDown));

    TWatchedLabel* aligned = Make(QStringLiteral("Clan Vexal"));
    aligned->SetAlign(alTop);
    const QSize before(aligned->Width(), aligned->Height());
    Shot(aligned);
    EXPECT_EQ(QSize(aligned->Width(), aligned->Height()), before);
}

TEST_F(Label, AnEmptyCaptionDrawsNothingNotEvenItsBackgroundAndKeepsItsSize)
{
    form.SetColor(clTeal);
    TWatchedLabel* label = Make(QString());
    label->SetTransparent(false);
    label->Colors()->SetBackground(clRed);
    const QImage shot = Shot(label);
    EXPECT_EQ(QSize(label->Width(), label->Height()), QSize(100, 16));
    EXPECT_EQ(Pixels(shot, RgbOf(clTeal)).size(), std::size_t(100 * 16));
}

// ---------------------------------------------------------------- pixels

// The label drawn plainly with a face colour nothing else has; its face is where that
// colour is.
std::set<std::pair<int, int>> FaceOf(const QImage& plain)
{
    return Pixels(plain, RgbOf(clLime));
}

TEST_F(Label, LettersThatShowWhatLiesBeneathAndTexturedLettersFillExactlyTheFace)
{
    form.SetColor(clBtnFace);
    auto* block = new TSwatch(&form, clRed);
    block->SetParent(&form);
    block->SetBounds(0, 0, 300, 200);
    for (TglTextStyle style : {fstNone, fstRaised, fstRecessed, fstShadow, fstVolumetric})
        for (bool delineated : {false, true}) {
            SCOPED_TRACE(testing::Message() << "style " << int(style) << (delineated ? " outlined" : ""));
            const auto configure = [&](TWatchedLabel* label) {
                label->TextStyles()->SetPassive(style);
                label->Colors()->SetHighlight(clWhite);
                label->Colors()->SetShadow(clNavy);
                label->Colors()->SetDelineate(clYellow);
                label->Illumination()->SetShadowDepth(3);
                if (delineated)
                    label->SetOptions(label->Options() | floDelineatedText);
            };
            // Side by side: a see-through label would show another one below it.
            TWatchedLabel* plain = Make(QStringLiteral("Harro"), 10, 10);
            configure(plain);
            plain->Colors()->SetText(clLime);
            const QImage plainShot = Shot(plain);
            const auto face = FaceOf(plainShot);
            ASSERT_GT(face.size(), 50u);

            TWatchedLabel* seeThrough = Make(QStringLiteral("Harro"), 10, 70);
            configure(seeThrough);
            seeThrough->SetOptions(seeThrough->Options() | floTransparentFont);
            TWatchedLabel* textured = Make(QStringLiteral("Harro"), 10, 130);
            configure(textured);
            textured->SetTexture(Checker(&form, clBlue, clFuchsia));
            const QImage seeShot = Shot(seeThrough);
            const QImage textureShot = Shot(textured);
            ASSERT_EQ(seeShot.size(), plainShot.size());
            ASSERT_EQ(textureShot.size(), plainShot.size());
            int wrong = 0;
            for (int y = 0; y < plainShot.height(); ++y)
                for (int x = 0; x < plainShot.width(); ++x) {
                    const bool inFace = face.count({x, y}) > 0;
                    const QRgb texel = RgbOf((x + y) % 2 ? clBlue : clFuchsia);
                    wrong += seeShot.pixel(x, y) != (inFace ? RgbOf(clRed) : plainShot.pixel(x, y));
                    wrong += textureShot.pixel(x, y) != (inFace ? texel : plainShot.pixel(x, y));
                }
            EXPECT_EQ(wrong, 0);
            delete plain;
            delete seeThrough;
            delete textured;
        }
}

TEST_F(Label, AnOpaqueLabelIgnoresItsTextureAndItsLettersShowItsBackgroundPicture)
{
    TWatchedLabel* opaque = Make(QStringLiteral("Pellin"));
    opaque->SetTransparent(false);
    opaque->Colors()->SetBackground(clCream);
    opaque->SetTexture(Checker(&form, clBlue, clFuchsia));
    const QImage shot = Shot(opaque);
    EXPECT_EQ(Pixels(shot, RgbOf(clCream)).size(), std::size_t(shot.width() * shot.height()));

    // With a background picture the letters (where the face would be) show the picture.
    TWatchedLabel* plain = Make(QStringLiteral("Pellin"));
    plain->Colors()->SetText(clLime);
    const auto face = FaceOf(Shot(plain));
    opaque->SetBackground(Checker(&form, clRed, clYellow));
    const QImage pictured = Shot(opaque);
    for (int y = 0; y < pictured.height(); ++y)
        for (int x = 0; x < pictured.width(); ++x) {
            const QRgb expected = face.count({x, y}) ? RgbOf((x + y) % 2 ? clRed : clYellow) : RgbOf(clCream);
            ASSERT_EQ(pictured.pixel(x, y), expected) << x << "," << y;
        }
}

TEST_F(Label, ThePushedStyleIsTheSameWithATextureOrSeeThroughLetters)
{
    const auto pushed = [&](int top) {
        TWatchedLabel* label = Make(QStringLiteral("Korvane"), 10, top);
        label->TextStyles()->SetPassive(fstPushed);
        return label;
    };
    const QImage plain = Shot(pushed(10));
    TWatchedLabel* textured = pushed(50);
    textured->SetTexture(Checker(&form, clBlue, clFuchsia));
    TWatchedLabel* seeThrough = pushed(90);
    seeThrough->SetOptions(floTransparentFont);
    EXPECT_EQ(Shot(textured), plain);
    EXPECT_EQ(Shot(seeThrough), plain);
}

TEST_F(Label, TheDisabledLookUsesItsOwnStyleAndColourAndNoGradient)
{
    TWatchedLabel* label = Make(QStringLiteral("Harro"));
    label->TextStyles()->SetDisabled(fstNone);
    label->Colors()->SetTextDisabled(clRed);
    label->Gradient()->SetFromColor(clNavy);
    label->Gradient()->SetToColor(clLime);
    label->Gradient()->SetActive(true);
    label->SetEnabled(false);
    const QImage shot = Shot(label);
    const std::size_t red = Pixels(shot, RgbOf(clRed)).size();
    EXPECT_GT(red, 50u);
    EXPECT_EQ(red + Pixels(shot, RgbOf(clBtnFace)).size(), std::size_t(shot.width() * shot.height()));
    EXPECT_TRUE(label->Gradient()->Active());  // switched off for the paint only
}

TEST_F(Label, TheActiveLookDrawsItsOwnTextColourWithoutTheGradientThePassiveOneWithIt)
{
    TWatchedLabel* label = Make(QStringLiteral("Clan Vexal"));
    label->TextStyles()->SetPassive(fstNone);
    label->TextStyles()->SetActive(fstNone);
    label->Gradient()->SetFromColor(clNavy);
    label->Gradient()->SetToColor(clRed);
    label->Gradient()->SetActive(true);
    label->Colors()->SetTextActive(clLime);
    const auto colours = [](const QImage& image) {
        std::set<QRgb> found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                found.insert(image.pixel(x, y));
        return found;
    };
    EXPECT_GT(colours(Shot(label)).size(), 10u);  // the strips
    label->EnterNotify();
    const QImage active = Shot(label);
    EXPECT_EQ(colours(active), (std::set<QRgb>{RgbOf(clBtnFace), RgbOf(clLime)}));
    label->LeaveNotify();
    EXPECT_GT(colours(Shot(label)).size(), 10u);
}

TEST_F(Label, TurnedTextStartsWhereTheOriginTableSays)
{
    for (TglLabelDir direction : {fldLeftRight, fldRightLeft, fldUpDown, fldDownUp})
        for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
            SCOPED_TRACE(testing::Message() << "direction " << int(direction) << " alignment " << int(alignment));
            TWatchedLabel* label = Make(QStringLiteral("Made by"), 10, 10, -16);
            label->TextStyles()->SetPassive(fstNone);
            label->SetDirection(direction);
            label->SetAlignment(alignment);
            label->SetAutoSize(false);
            const bool upright = direction == fldUpDown || direction == fldDownUp;
            label->SetBounds(10, 10, upright ? 40 : 160, upright ? 160 : 40);
            const QImage shot = Shot(label);

            gdi::DeviceContext measure;
            measure.SelectFont(label->LabelFont());
            const QSize extent = measure.GetTextExtentPoint(label->Caption());
            const TPoint o = GlLabelTextOrigin(GlTextBox(extent, false, 2, false), direction, alignment,
                                               label->Width(), label->Height());
            // The text cell, turned about the origin.
            const int w = extent.width();
            const int h = extent.height();
            QRect cell;
            switch (direction) {
            case fldLeftRight:
                cell = QRect(o.x(), o.y(), w, h);
                break;
            case fldRightLeft:
                cell = QRect(o.x() - w, o.y() - h, w, h);
                break;
            case fldUpDown:
                cell = QRect(o.x() - h, o.y(), h, w);
                break;
            case fldDownUp:
                cell = QRect(o.x(), o.y() - w, h, w);
                break;
            }
            // The whole text cell lies on the label: nothing of the caption is cut off.
            EXPECT_TRUE(QRect(0, 0, label->Width(), label->Height()).contains(cell));
            QRect ink;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (shot.pixel(x, y) != RgbOf(clBtnFace))
                        ink |= QRect(x, y, 1, 1);
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_TRUE(cell.adjusted(-1, -1, 1, 1).contains(ink)) << "ink " << ink.x() << "," << ink.y() << " "
                                                                     << ink.width() << "x" << ink.height();
            // The ink runs most of the cell's length along the text.
            EXPECT_GT(upright ? ink.height() : ink.width(), w * 8 / 10);
            delete label;
        }
}

// ---------------------------------------------------------------- hovering

TEST_F(Label, ALinkLabelRepaintsOnlyItsFaceAtOnceAndNeverShowsAFrameWithoutIt)
{
    ShowForm();
    TWatchedLabel* link = Make(QStringLiteral("www.vexal.example"), 10, 10, -11);
    link->Font()->SetStyle(fsBold | fsUnderline);
    link->Colors()->SetText(clNavy);
    link->Colors()->SetTextActive(clBlue);
    ASSERT_EVENTUALLY(!link->frames.empty() && !link->SurfaceOutOfDate());
    const QImage before = Shot(link);
    const auto navy = Pixels(before, RgbOf(clNavy));
    ASSERT_GT(navy.size(), 50u);
    link->frames.clear();

    Enter(link);
    // Painted and shown at once, before any event is processed.
    EXPECT_TRUE(link->IsActive());
    EXPECT_FALSE(link->SurfaceOutOfDate());
    ASSERT_FALSE(link->frames.empty());
    QImage expected = before;
    for (const auto& [x, y] : navy)
        expected.setPixel(x, y, RgbOf(clBlue));
    EXPECT_EQ(link->frames.back(), expected);  // the face over what was there, nothing else

    Leave(link);
    EXPECT_EQ(link->frames.back(), before);
    QCoreApplication::processEvents();
    for (const QImage& frame : link->frames) {
        // Every picture shown had the whole face, in one colour or the other.
        const std::size_t face = Pixels(frame, RgbOf(clNavy)).size() + Pixels(frame, RgbOf(clBlue)).size();
        EXPECT_EQ(face, navy.size());
    }
    EXPECT_EQ(Shot(link), before);
}

TEST_F(Label, AChangeOfStyleRedrawsTheAreaUnlessBufferedWhichPaintsAtOnce)
{
    ShowForm();
    TWatchedLabel* label = Make(QStringLiteral("Pellin"));
    label->TextStyles()->SetActive(fstRecessed);
    ASSERT_EVENTUALLY(!label->SurfaceOutOfDate());
    const int paints = label->paints;
    Enter(label);
    EXPECT_EQ(label->paints, paints);  // asked for, not done yet
    EXPECT_TRUE(label->SurfaceOutOfDate());
    ASSERT_EVENTUALLY(label->paints > paints);

    label->SetOptions(label->Options() | floBufferedDraw);
    ASSERT_EVENTUALLY(!label->SurfaceOutOfDate());
    const int buffered = label->paints;
    Leave(label);
    EXPECT_EQ(label->paints, buffered + 1);
    EXPECT_FALSE(label->SurfaceOutOfDate());
}

TEST_F(Label, WithTheSameLookForBothNothingIsRepaintedOnEntry)
{
    ShowForm();
    TWatchedLabel* label = Make(QStringLiteral("Made by Korvane"));
    label->SetOptions(floActiveWhileControlFocused | floBufferedDraw | floTransparentFont);
    label->Colors()->SetHighlight(clWhite);
    ASSERT_EVENTUALLY(!label->SurfaceOutOfDate() && label->paints > 0);
    const int paints = label->paints;
    int entered = 0;
    label->OnMouseEnter = TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, label);
        ++entered;
    });
    Enter(label);
    QCoreApplication::processEvents();
    EXPECT_EQ(label->paints, paints);
    EXPECT_TRUE(label->IsActive());
    EXPECT_EQ(entered, 1);
}

TEST_F(Label, AGradientChangedAtRunTimeRepaintsTheFaceAtOnce)
{
    ShowForm();
    TWatchedLabel* label = Make(QStringLiteral("Clan Vexal"));
    label->TextStyles()->SetPassive(fstNone);
    label->Gradient()->SetFromColor(clNavy);
    label->Gradient()->SetToColor(clRed);
    label->Gradient()->SetActive(true);
    ASSERT_EVENTUALLY(!label->SurfaceOutOfDate() && label->paints > 0);
    const std::size_t background = Pixels(Shot(label), RgbOf(clBtnFace)).size();
    const int paints = label->paints;
    label->Gradient()->SetFromColor(clLime);
    EXPECT_EQ(label->paints, paints + 1);
    label->Gradient()->SetToColor(clLime);
    EXPECT_EQ(label->paints, paints + 2);
    // Both shown at once; the face is now all the one new colour.
    const QImage shot = label->frames.back();
    EXPECT_EQ(Pixels(shot, RgbOf(clBtnFace)).size(), background);
    EXPECT_EQ(Pixels(shot, RgbOf(clLime)).size() + background, std::size_t(shot.width() * shot.height()));
}

TEST_F(Label, IgnoringThePointerAndTheDisabledLabel)
{
    TWatchedLabel* label = Make(QStringLiteral("Harro"));
    int events = 0;
    label->OnMouseEnter = TNotifyEvent::FromFunction([&](TObject*) { ++events; });
    label->OnMouseLeave = TNotifyEvent::FromFunction([&](TObject*) { ++events; });
    label->SetOptions(label->Options() | floIgnoreMouse);
    Enter(label);
    EXPECT_FALSE(label->IsActive());
    Leave(label);
    EXPECT_EQ(events, 0);

    label->SetOptions(floActiveWhileControlFocused);
    label->SetEnabled(false);
    Enter(label);
    EXPECT_FALSE(label->IsActive());
    EXPECT_EQ(events, 0);

    // Disabled while active: the active look stays until it is enabled and the pointer leaves.
    label->SetEnabled(true);
    Enter(label);
    ASSERT_TRUE(label->IsActive());
    label->SetEnabled(false);
    Leave(label);
    EXPECT_TRUE(label->IsActive());
    label->SetEnabled(true);
    Leave(label);
    EXPECT_FALSE(label->IsActive());
    EXPECT_EQ(events, 2);
}

TEST_F(Label, SettingTransparentFontBringsBufferedDrawAndDirectionAlwaysRebuilds)
{
    ShowForm();
    TWatchedLabel* label = Make(QStringLiteral("Harro"));
    label->SetOptions(floTransparentFont);
    EXPECT_EQ(label->Options(), floBufferedDraw | floTransparentFont);
    ASSERT_EVENTUALLY(!label->SurfaceOutOfDate());
    label->SetDirection(label->Direction());
    EXPECT_TRUE(label->SurfaceOutOfDate());
}

// ---------------------------------------------------------------- focus control

class FocusLabel : public Label {
protected:
    void SetUp() override
    {
        Label::SetUp();
        edit = new TEdit(&form);
        edit->SetParent(&form);
        edit->SetBounds(10, 100, 100, 21);
        button = new TButton(&form);
        button->SetParent(&form);
        button->SetBounds(150, 100, 75, 25);
        label = Make(QStringLiteral("Pellin"));
        label->Colors()->SetTextActive(clBlue);
        ShowForm();
        ASSERT_EVENTUALLY_ACTIVE(&form);
        // The window gives its first control the focus; the tests start elsewhere.
        Focus(button);
    }

    void Focus(TWinControl* control)
    {
        control->SetFocus();
        ASSERT_EVENTUALLY(control->Focused());
    }

    void Press(QEvent::Type type)
    {
        QMouseEvent event(type, QPointF(3, 3), QPointF(3, 3), label->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(label, &event);
    }

    TEdit* edit = nullptr;
    TButton* button = nullptr;
    TWatchedLabel* label = nullptr;
};

TEST_F(FocusLabel, ActiveWhileTheControlHasTheFocusDeafToThePointerAndPassiveWhenItGoes)
{
    Focus(button);
    label->SetFocusControl(edit);
    Focus(edit);
    EXPECT_TRUE(label->IsActive());
    EXPECT_TRUE(label->FocusActive());
    Leave(label);
    EXPECT_TRUE(label->IsActive());
    Enter(label);  // the pointer over it now, and the focus goes elsewhere
    Focus(button);
    EXPECT_FALSE(label->IsActive());
    EXPECT_FALSE(label->FocusActive());
}

TEST_F(FocusLabel, TheFocusMovesByTheChosenMethodOnlyToAControlThatCanTakeIt)
{
    label->SetOptions(label->Options() & ~floActiveWhileControlFocused);
    label->SetFocusControl(edit);
    Focus(button);
    Press(QEvent::MouseButtonPress);
    ASSERT_EVENTUALLY(edit->Focused());
    EXPECT_FALSE(label->IsActive());  // not hooked: the focus gives no look

    label->SetFocusControlMethod(fcmOnMouseUp);
    Focus(button);
    Press(QEvent::MouseButtonPress);
    QCoreApplication::processEvents();
    EXPECT_TRUE(button->Focused());
    Press(QEvent::MouseButtonRelease);
    ASSERT_EVENTUALLY(edit->Focused());

    label->SetFocusControlMethod(fcmOnMouseEnter);
    Focus(button);
    Enter(label);
    ASSERT_EVENTUALLY(edit->Focused());
    Leave(label);

    edit->SetEnabled(false);
    Focus(button);
    Enter(label);  // cannot take the focus: nothing happens, no error
    QCoreApplication::processEvents();
    EXPECT_TRUE(button->Focused());
}

TEST_F(FocusLabel, ALabelDeafToThePointerStillGivesTheFocusOnPressAndRelease)
{
    label->SetOptions(floIgnoreMouse);
    label->SetFocusControl(edit);
    for (const TFocusControlMethod method : {fcmOnMouseDown, fcmOnMouseUp}) {
        label->SetFocusControlMethod(method);
        Focus(button);
        Press(QEvent::MouseButtonPress);
        Press(QEvent::MouseButtonRelease);
        ASSERT_EVENTUALLY(edit->Focused()) << int(method);
        EXPECT_FALSE(label->IsActive());
    }
}

// Counts the focus events of a control beside the label's watcher.
class FocusCounter : public QObject {
public:
    int ins = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        ins += event->type() == QEvent::FocusIn;
        return false;
    }
};

TEST_F(FocusLabel, UnhookingLeavesAnyOtherWatcherInPlace)
{
    label->SetFocusControl(edit);
    FocusCounter counter;
    edit->Editor()->installEventFilter(&counter);
    edit->installEventFilter(&counter);
    label->SetFocusControl(button);
    label->SetFocusControl(nullptr);
    Focus(edit);
    EXPECT_EQ(counter.ins, 1);
    EXPECT_FALSE(label->IsActive());
    Focus(button);
    EXPECT_FALSE(label->IsActive());
}

TEST_F(FocusLabel, AFreedFocusControlIsForgottenAndNeverTouched)
{
    label->SetFocusControl(edit);
    Focus(edit);
    ASSERT_TRUE(label->IsActive());
    delete edit;  // with the focus, and hooked
    edit = nullptr;
    EXPECT_EQ(label->FocusControl(), nullptr);
    Shot(label);
    label->SetFocusControl(button);
    Focus(button);
    EXPECT_TRUE(label->FocusActive());

    // A control of another owner: the label hears of it all the same.
    TForm other(nullptr);
    auto* foreign = new TEdit(&other);
    foreign->SetParent(&form);
    label->SetFocusControl(foreign);
    delete foreign;
    EXPECT_EQ(label->FocusControl(), nullptr);
    Shot(label);
}

TEST_F(FocusLabel, ALabelThatGoesTakesItsWatcherWithItWhateverItsOptionsSayNow)
{
    label->SetFocusControl(edit);
    label->SetOptions(label->Options() & ~floActiveWhileControlFocused);
    delete label;  // hooked, though it no longer hooks on focus
    label = nullptr;
    Focus(edit);
    Focus(button);
    EXPECT_TRUE(button->Focused());
}

// ---------------------------------------------------------------- picture sources

TEST_F(Label, ALinkedImageThatGoesOrReplacesItsPictureLeavesNothingDangling)
{
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(200, 150, 10, 10);
    image->Picture()->SetGraphic(Checker(&form, clBlue, clFuchsia));
    TWatchedLabel* label = Make(QStringLiteral("Harro"));
    label->SetTextureImage(image);
    EXPECT_FALSE(Pixels(Shot(label), RgbOf(clFuchsia)).empty());

    // A new picture: the old bitmap is freed; the label follows the new one.
    image->Picture()->SetGraphic(Checker(&form, clRed, clYellow));
    const QImage replaced = Shot(label);
    EXPECT_TRUE(Pixels(replaced, RgbOf(clFuchsia)).empty());
    EXPECT_FALSE(Pixels(replaced, RgbOf(clYellow)).empty());
    image->Picture()->Assign(nullptr);
    EXPECT_TRUE(Pixels(Shot(label), RgbOf(clYellow)).empty());

    image->Picture()->SetGraphic(Checker(&form, clRed, clYellow));
    label->SetBackgroundImage(image);  // one image, both sources
    Shot(label);
    delete image;
    EXPECT_EQ(label->TextureImage(), nullptr);
    EXPECT_EQ(label->BackgroundImage(), nullptr);
    label->Invalidate();  // dropping a link asks for no repaint of its own
    const QImage gone = Shot(label);
    EXPECT_TRUE(Pixels(gone, RgbOf(clYellow)).empty());
}

TEST_F(Label, AnOwnTextureComesBeforeALinkedImageAndMaySetItself)
{
    auto* image = new TImage(&form);
    image->Picture()->SetGraphic(Checker(&form, clRed, clYellow));
    TWatchedLabel* label = Make(QStringLiteral("Harro"));
    label->SetTexture(Checker(&form, clBlue, clFuchsia));
    label->SetTextureImage(image);
    QImage shot = Shot(label);
    EXPECT_FALSE(Pixels(shot, RgbOf(clFuchsia)).empty());
    EXPECT_TRUE(Pixels(shot, RgbOf(clYellow)).empty());

    label->SetTexture(label->Texture());  // the very bitmap it holds
    EXPECT_FALSE(Pixels(Shot(label), RgbOf(clFuchsia)).empty());

    label->SetTexture(nullptr);  // without its own, the image's
    shot = Shot(label);
    EXPECT_TRUE(Pixels(shot, RgbOf(clFuchsia)).empty());
    EXPECT_FALSE(Pixels(shot, RgbOf(clYellow)).empty());
}

// ---------------------------------------------------------------- form descriptions

TEST_F(Label, ADescriptionWithEveryOwnPropertyReadsAndWritesBack)
{
    const QString text = QString::fromUtf8(R"(object Form1: TForm
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  object Image1: TImage
    Left = 0
    Top = 0
    Width = 10
    Height = 10
  end
  object Edit1: TEdit
    Left = 0
    Top = 50
    Width = 100
    Height = 21
    TabOrder = 0
  end
  object glLabel1: TglLabel
    Left = 312
    Top = 68
    Width = 184
    Height = 26
    Cursor = crHandPoint
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -21
    Font.Name = 'Arial'
    Font.Style = [fsBold]
    ParentFont = False
    Caption = 'Made by Korvane'
    FocusControl = Edit1
    FocusControlMethod = fcmOnMouseUp
    AutoSize = False
    Transparent = False
    Direction = fldDownUp
    TextStyles.Passive = fstShadow
    Colors.TextDisabled = clSkyBlue
    Colors.Shadow = 8294290
    Colors.Highlight = clWhite
    FontWeight = fwBOLD
    Options = [floActiveWhileControlFocused, floBufferedDraw, floTransparentFont]
    Gradient.Active = True
    Gradient.Orientation = fgdHorizontal
    Illumination.ShadowDepth = 4
    TextureImage = Image1
    BackgroundImage = Image1
    Alignment = taCenter
  end
end
)");
    TForm read(nullptr);
    TReader::ReadRootComponent(&read, text);
    auto* label = read.FindComponent<TglLabel>(QStringLiteral("glLabel1"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->FocusControl(), read.FindComponent(QStringLiteral("Edit1")));
    EXPECT_EQ(label->TextureImage(), read.FindComponent(QStringLiteral("Image1")));
    EXPECT_EQ(label->Direction(), fldDownUp);
    EXPECT_EQ(label->Colors()->Shadow(), 8294290);
    EXPECT_EQ(label->Options(), floActiveWhileControlFocused | floBufferedDraw | floTransparentFont);
    EXPECT_EQ(label->Alignment(), taCenter);
    EXPECT_EQ(label->LabelFont().Description().escapement, 900);
    const qsizetype begin = text.indexOf(QStringLiteral("  object glLabel1"));
    const qsizetype end = text.indexOf(QStringLiteral("  end\n"), begin) + 6;
    EXPECT_EQ(TWriter::WriteComponent(label, &read, 1), text.mid(begin, end - begin));
}

// A form with handlers for the toolkit's events a label publishes.
class THandlersForm : public TForm {
    Q_OBJECT

public:
    THandlersForm() : TForm(nullptr) {}

public slots:
    void LabelDblClick(TObject*) {}
    void LabelDragDrop(TObject*, TObject*, int, int) {}
    void LabelDragOver(TObject*, TObject*, int, int, TDragState, bool&) {}
    void LabelEndDrag(TObject*, TObject*, int, int) {}
    void LabelStartDrag(TObject*, TDragObject*&) {}
};

TEST_F(Label, ADescriptionNamingTheToolkitsPublishedPropertiesReadsAndWritesBack)
{
    const QStringList labelLines = {
        QStringLiteral("Anchors = [akTop, akRight]"), QStringLiteral("DragCursor = crHandPoint"),
        QStringLiteral("DragMode = dmAutomatic"),      QStringLiteral("HelpType = htKeyword"),
        QStringLiteral("HelpKeyword = 'about'"),       QStringLiteral("HelpContext = 7"),
        QStringLiteral("PopupMenu = PopupMenu1"),      QStringLiteral("OnDblClick = LabelDblClick"),
        QStringLiteral("OnDragDrop = LabelDragDrop"),  QStringLiteral("OnDragOver = LabelDragOver"),
        QStringLiteral("OnEndDrag = LabelEndDrag"),    QStringLiteral("OnStartDrag = LabelStartDrag"),
    };
    const QStringList formLines = {QStringLiteral("PixelsPerInch = 120"), QStringLiteral("TextHeight = 13")};
    THandlersForm read;
    TReader::ReadRootComponent(&read, QStringLiteral("object Form1: THandlersForm\n  %1\n"
                                                     "  object PopupMenu1: TPopupMenu\n  end\n"
                                                     "  object glLabel1: TglLabel\n    %2\n  end\n"
                                                     "  object glHoleShape1: TglHoleShape\n    PopupMenu = PopupMenu1\n  end\n"
                                                     "end\n")
                                          .arg(formLines.join(QStringLiteral("\n  ")),
                                               labelLines.join(QStringLiteral("\n    "))));
    auto* label = read.FindComponent<TglLabel>(QStringLiteral("glLabel1"));
    auto* menu = read.FindComponent<TPopupMenu>(QStringLiteral("PopupMenu1"));
    ASSERT_TRUE(label && menu);
    EXPECT_EQ(label->Anchors(), akTop | akRight);
    EXPECT_EQ(label->DragMode(), dmAutomatic);
    EXPECT_EQ(label->HelpContext(), 7);
    EXPECT_EQ(label->PopupMenu(), menu);
    EXPECT_TRUE(label->OnDblClick && label->OnDragDrop && label->OnDragOver && label->OnEndDrag && label->OnStartDrag);
    EXPECT_EQ(read.FindComponent<TglHoleShape>(QStringLiteral("glHoleShape1"))->PopupMenu(), menu);
    const QString written = TWriter::WriteRootComponent(&read);
    for (const QString& line : labelLines + formLines)
        EXPECT_TRUE(written.contains(line + u'\n')) << line.toStdString() << "\n" << written.toStdString();
    EXPECT_EQ(written.count(QStringLiteral("PopupMenu = PopupMenu1")), 2);
}

// A form as a form designer shows it.
class TDesignedForm : public TForm {
public:
    TDesignedForm() : TForm(nullptr) { SetDesigning(true); }
};

TEST_F(Label, InAFormDesignerANewLabelIsInArialAndBufferedDrawAloneIsIgnored)
{
    // A buffered, transparent label copies its parent's own picture through the parent's
    // paint; unbuffered it draws straight over what its parent shows.
    const auto parentPaints = [](TForm& parent) {
        int paints = 0;
        parent.OnPaint = TNotifyEvent::FromFunction([&](TObject*) { ++paints; });
        auto* label = new TglLabel(&parent);
        label->SetParent(&parent);
        label->SetCaption(QStringLiteral("Harro"));
        label->SetOptions(floBufferedDraw);
        parent.grab();
        label->grab();
        paints = 0;
        label->Invalidate();
        label->grab();
        parent.OnPaint = nullptr;
        return paints;
    };
    TDesignedForm designed;
    EXPECT_EQ(parentPaints(designed), 0);
    EXPECT_EQ(parentPaints(form), 1);

    auto* label = new TglLabel(&designed);
    label->SetParent(&designed);
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
    auto* running = new TglLabel(&form);
    running->SetParent(&form);
    EXPECT_EQ(running->Font()->Name(), QStringLiteral("MS Sans Serif"));
}

}  // namespace

#include "glLabelTest.moc"
