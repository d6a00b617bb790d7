// Transparent text copied from a cached picture of its line must give the very pixels
// that laying the text out every time gives: checked on many random outputs (fonts,
// styles, turns, texts, origins, clipping rectangles, viewport origins, clip regions,
// monochrome bitmaps, bitmaps at twice the density), each drawn both ways.
#include "Pixels.h"
#include "platform/gdi/DeviceContext.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

namespace {

using namespace gdi;

struct Output {
    LogFont font;
    QString text;
    int x = 0;
    int y = 0;
    bool clipped = false;
    Rect rect;
    QPoint viewport;
    bool dcClip = false;
    Rect clip;
    bool monochrome = false;
    qreal ratio = 1;
    ColorRef colour = 0;
};

Output RandomOutput(QRandomGenerator& random)
{
    static const QStringList faces = {QStringLiteral("Arial"), QStringLiteral("MS Sans Serif"),
                                      QStringLiteral("Times New Roman"), QStringLiteral("Courier New")};
    static const QStringList texts = {QStringLiteral("Clan Vexal"), QStringLiteral("www.vexal.example"),
                                      QString::fromUtf8("Программа для удаления "), QStringLiteral("Wy/|gj_Q@"),
                                      QStringLiteral("i"), QStringLiteral("MMMMMMMMMMMM")};
    static const int escapements[] = {0, 0, 900, -900, -1800};
    const auto between = [&](int low, int high) { return int(random.bounded(low, high + 1)); };
    Output o;
    o.font.faceName = faces[between(0, int(faces.size()) - 1)];
    o.font.height = -between(8, 30);
    o.font.weight = between(0, 1) ? FW_BOLD : FW_NORMAL;
    o.font.italic = between(0, 3) == 0;
    o.font.underline = between(0, 3) == 0;
    o.font.strikeOut = between(0, 5) == 0;
    o.font.escapement = escapements[between(0, 4)];
    o.text = texts[between(0, int(texts.size()) - 1)];
    o.x = between(-20, 90);
    o.y = between(-20, 90);
    o.clipped = between(0, 2) != 0;
    // Rectangles about the text, where they cut through it.
    const int left = o.x + between(-30, 40);
    const int top = o.y + between(-30, 30);
    // One-pixel strips are what gradients draw; wider rectangles what effect layers clip to.
    o.rect = between(0, 1) ? Rect(left, top, left + between(0, 120), top + 1)
                           : Rect(left, top, left + between(0, 120), top + between(0, 60));
    o.viewport = QPoint(between(-10, 10), between(-10, 10));
    o.dcClip = between(0, 3) == 0;
    o.clip = Rect(between(0, 60), between(0, 60), between(40, 140), between(40, 140));
    o.monochrome = between(0, 7) == 0;
    o.ratio = between(0, 3) == 0 ? 2 : 1;
    o.colour = RGB(between(0, 200), between(0, 255), between(0, 255));
    return o;
}

Bitmap DrawOutput(const Output& o, bool masks)
{
    Bitmap b(130, 110, o.monochrome ? PixelFormat::Monochrome : PixelFormat::Device, o.ratio);
    DeviceContext dc(&b);
    dc.UseTextMasks(masks);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(TColor(o.colour));
    dc.SelectFont(Font(o.font));
    dc.SetViewportOrg(o.viewport.x(), o.viewport.y());
    if (o.dcClip)
        dc.IntersectClipRect(o.clip);
    if (o.clipped)
        dc.ExtTextOut(o.x, o.y, ETO_CLIPPED, &o.rect, o.text);
    else
        dc.TextOut(o.x, o.y, o.text);
    return b;
}

TEST(TextMasks, CopyingTheLineFromItsMaskGivesTheSamePixelsAsLayingItOut)
{
    QRandomGenerator random(20261207);
    int differing = 0;
    int inked = 0;
    for (int i = 0; i < 600; ++i) {
        const Output o = RandomOutput(random);
        const Bitmap masked = DrawOutput(o, true);
        const Bitmap laidOut = DrawOutput(o, false);
        const bool same = masked.Image() == laidOut.Image();
        if (!same && ++differing <= 5)
            ADD_FAILURE() << "output " << i << ": " << o.font.faceName.toStdString() << " " << o.font.height
                          << " esc " << o.font.escapement << " '" << o.text.toStdString() << "' at " << o.x << ","
                          << o.y << " ratio " << o.ratio;
        if (!test::InkBounds(laidOut, 0xFFFFFF).isEmpty())
            ++inked;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 150);  // many outputs put pixels on the bitmap: the comparison means something
}

TEST(TextMasks, OpaqueTextAndTheOpaqueRectangleStillDrawAsBefore)
{
    Bitmap masked(60, 30);
    Bitmap laidOut(60, 30);
    for (Bitmap* b : {&masked, &laidOut}) {
        DeviceContext dc(b);
        dc.UseTextMasks(b == &masked);
        dc.SetBkColor(clYellow);
        dc.SetTextColor(clNavy);
        const Rect rect{2, 2, 50, 20};
        dc.ExtTextOut(3, 3, ETO_OPAQUE | ETO_CLIPPED, &rect, u"Opaque");
        dc.SetBkMode(TRANSPARENT);
        dc.ExtTextOut(3, 12, ETO_OPAQUE, &rect, u"Filled first");
    }
    EXPECT_EQ(masked.Image(), laidOut.Image());
}

}  // namespace
