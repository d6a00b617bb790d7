#pragma once
// The device context: drawing state (colours, pen, brush, font, origin, clip) and the
// drawing calls the controls make, on a bitmap. Calls keep the classic platform's pixel
// rules: text is placed by the top-left of its cell, lines leave out their end point,
// rectangles leave out their right column and bottom row, and text is never anti-aliased.
// The text calls are in DeviceContextText.cpp, the pixel block transfers in
// DeviceContextTransfer.cpp.

#include "Bitmap.h"
#include "Colors.h"
#include "Font.h"
#include "Geometry.h"

#include <QPen>
#include <QPoint>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

class QPainter;

namespace gdi {

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// ExtTextOut options.
constexpr unsigned ETO_OPAQUE = 2;
constexpr unsigned ETO_CLIPPED = 4;

// DrawText formats.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_HIDEPREFIX = 0x100000;

// Raster operations: bits 16..23 are the truth table over pattern (brush), source and
// destination; any such code works, these are the ones with names.
using RasterOp = std::uint32_t;
constexpr RasterOp SRCCOPY = 0x00CC0020;
constexpr RasterOp SRCPAINT = 0x00EE0086;
constexpr RasterOp SRCAND = 0x008800C6;

// Results of clipping calls.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

enum class PenStyle { Solid, Clear };
struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    ColorRef color = 0x000000;
    bool operator==(const Pen&) const = default;
};
// A solid pen of a colour; system colours are resolved now.
Pen SolidPen(TColor color, int width = 1);

enum class BrushStyle { Solid, Clear };
struct Brush {
    BrushStyle style = BrushStyle::Solid;
    ColorRef color = 0xFFFFFF;
    bool operator==(const Brush&) const = default;
};
// A solid brush of a colour; system colours are resolved now.
Brush SolidBrush(TColor color);
inline Brush HollowBrush() { return {BrushStyle::Clear, 0xFFFFFF}; }

// Colour arguments are TColor: a system colour is resolved when the call is made, and only
// the low 24 bits of anything else count (clDefault draws as black, clNone as white).
// Every coordinate is logical: the viewport origin is added to reach the bitmap's pixels.
// Without a bitmap selected, drawing calls do nothing and return false.
class DeviceContext {
public:
    // A memory device context with nothing selected.
    DeviceContext();
    explicit DeviceContext(Bitmap* bitmap);
    // Drawing calls are virtual so that a test double can write them down.
    virtual ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // Returns the bitmap selected before. The state (colours, clip ...) is kept.
    Bitmap* SelectBitmap(Bitmap* bitmap);
    Bitmap* SelectedBitmap() const { return FBitmap; }
    // GetDeviceCaps(BITSPIXEL) of what is selected (32 with nothing selected). Virtual like the
    // drawing calls, so that a test double can stand for a shallower screen.
    virtual int BitsPerPixel() const;
    // Image pixels per logical pixel of what is selected (1 with nothing selected).
    qreal DevicePixelRatio() const { return FBitmap != nullptr ? FBitmap->DevicePixelRatio() : 1; }

    virtual ColorRef SetTextColor(TColor color);
    ColorRef GetTextColor() const { return FState.textColor; }
    virtual ColorRef SetBkColor(TColor color);
    ColorRef GetBkColor() const { return FState.bkColor; }
    virtual int SetBkMode(int mode);
    int GetBkMode() const { return FState.bkMode; }

    virtual Pen SelectPen(const Pen& pen);
    const Pen& GetPen() const { return FState.pen; }
    virtual Brush SelectBrush(const Brush& brush);
    const Brush& GetBrush() const { return FState.brush; }
    virtual Font SelectFont(const Font& font);
    const Font& GetFont() const { return FState.font; }

    // SaveDC returns the new level (from 1); RestoreDC(-1) pops one level,
    // RestoreDC(n) returns to the state saved as level n.
    virtual int SaveDC();
    virtual bool RestoreDC(int level);

    virtual QPoint SetViewportOrg(int x, int y);
    QPoint GetViewportOrg() const { return FState.viewportOrg; }
    // The clip is kept in device pixels, as the platform keeps it.
    virtual int IntersectClipRect(const Rect& logical);

    QPoint MoveTo(int x, int y);
    QPoint GetCurrentPosition() const { return FState.position; }
    // Draws from the current position up to, but not including, (x, y), then moves there.
    bool LineTo(int x, int y);

    virtual bool FillRect(const Rect& rect, const Brush& brush);
    // A one-pixel frame drawn with the brush just inside the rectangle.
    bool FrameRect(const Rect& rect, const Brush& brush);
    // Outline in the pen, inside in the brush; covers (left..right-1, top..bottom-1).
    bool Rectangle(int left, int top, int right, int bottom);
    bool Ellipse(int left, int top, int right, int bottom);
    bool RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

    // Text whose cell's top-left corner is (x, y), in the text colour; in OPAQUE mode the
    // cell is first filled with the background colour.
    virtual bool TextOut(int x, int y, QStringView text);
    // ETO_CLIPPED clips to rect, ETO_OPAQUE fills rect with the background colour first.
    virtual bool ExtTextOut(int x, int y, unsigned options, const Rect* rect, QStringView text);
    // Formatted text in a rectangle; returns the height of the text. With DT_CALCRECT
    // nothing is drawn: rect's right and bottom are set to fit the text.
    int DrawText(QStringView text, Rect& rect, unsigned format);
    // Transparent text is copied from a cached picture of its line (the same pixels, drawn
    // once per font and text); off, every output lays the text out again. Tests and
    // benchmarks compare the two.
    void UseTextMasks(bool use) { FTextMasks = use; }
    // Width and cell height of the text on one line.
    QSize GetTextExtentPoint(QStringView text) const;
    TextMetrics GetTextMetrics() const { return FState.font.Metrics(); }

    // Pixel block transfers; the pattern is this context's brush. A monochrome source
    // copied to colour turns 1 into this context's background colour and 0 into its text
    // colour; a colour source copied to monochrome gives 1 where the pixel equals the
    // source context's background colour and 0 elsewhere.
    virtual bool BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sx, int sy,
                        RasterOp rop);
    // Copies a bitmap without a context of its own (its background counts as white).
    bool DrawBitmap(int x, int y, const Bitmap& source, RasterOp rop = SRCCOPY);
    // A whole bitmap scaled into the rectangle by dropping or repeating pixels, as the
    // platform's default stretch mode does, without a context of its own.
    bool StretchDrawBitmap(const Rect& rect, const Bitmap& source, RasterOp rop = SRCCOPY);

    // The dotted focus frame: every other pixel of the rectangle's edge is inverted, so
    // drawing it twice restores the picture.
    bool DrawFocusRect(const Rect& rect);

private:
    struct State {
        ColorRef textColor = 0x000000;
        ColorRef bkColor = 0xFFFFFF;
        int bkMode = OPAQUE;
        Pen pen;
        Brush brush;
        Font font;
        QPoint viewportOrg;
        QPoint position;
        bool clipped = false;
        QRegion clip;  // device pixels, meaningful while clipped
    };

    friend class Bitmap;

    QPainter* Painter();
    void EndPainting();
    void ApplyClip(QPainter& p) const;
    ColorRef DeviceColor(ColorRef c) const;
    QRect DeviceRect(const Rect& logical) const;
    QRegion VisibleRegion() const;
    void PlotSpan(const std::vector<QPoint>& devicePixels, ColorRef color);
    enum class Figure { Ellipse, RoundRect };
    QPen OutlinePen(ColorRef color) const;
    QRectF FigureOutline(const QRect& box) const;
    bool DrawFigure(int left, int top, int right, int bottom, Figure figure, int ew, int eh);
    bool DrawTextRun(int x, int y, unsigned options, const Rect* rect, QStringView text);
    void TextLineAt(int x, int y, QStringView text, int underlineAt);
    void MaskedTextLine(int x, int y, QStringView text, const QRegion& area);
    void ConvertForTransfer(QImage& pixels, bool fromMono, ColorRef sourceBk) const;
    bool Transfer(int x, int y, int width, int height, const Bitmap* source, ColorRef sourceBk, QPoint sourceOrigin,
                  RasterOp rop);

    Bitmap* FBitmap = nullptr;
    State FState;
    std::vector<State> FSaved;
    std::unique_ptr<QPainter> FPainter;
    bool FTextMasks = true;
};

}  // namespace gdi
