#pragma once
// The hole shape: a windowless control that cuts a hole of its shape into its owner's window,
// so that whatever lies behind the window shows through, and draws a 3-D bevel along the
// hole's edge. The owner's region is rebuilt from a 2000-pixel square and the holes of all its
// hole shapes; the hole and the bevel's figures come from plain functions below.

#include "gl/glCommCl.h"
#include "toolkit/Controls.h"

#include <QObject>
#include <QRegion>
#include <vector>

namespace glHShape {
Q_NAMESPACE

enum THoleShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
Q_ENUM_NS(THoleShapeType)

// How a hole goes into the owner's region: intersection, copy of the region so far, difference,
// union, exclusive or.
enum TRGNCombineMode { cmAND, cmCOPY, cmDIFF, cmOR, cmXOR };
Q_ENUM_NS(TRGNCombineMode)

}  // namespace glHShape

using glHShape::THoleShapeType;
using enum glHShape::THoleShapeType;
using glHShape::TRGNCombineMode;
using enum glHShape::TRGNCombineMode;

// The owner's region reaches this far from its window's outer top-left corner, in both
// directions; a larger window is cut off there.
inline constexpr int kHoleShapeRegionExtent = 2000;

// The drawing layer's combination for a mode.
int RegionCombineOf(TRGNCombineMode mode);

// What a hole and its bevel are made of: the shape's settings.
struct THoleLook {
    THoleShapeType shape = stRectangle;
    TBevelCut outer = bvLowered;
    bool outerBold = true;
    TBevelCut inner = bvNone;
    bool innerBold = true;
    int offset = 0;      // between the outer and the inner bevel
    QPoint corner;       // the corner ellipse of the rounded kinds (RectEllipse)
};

// The working rectangle at the control's top-left corner: squares and circles take the shorter
// side.
TRect HoleShapeRect(THoleShapeType shape, int width, int height);
// r inside one bevel: one pixel all round, and the bold line on the bevel's dark sides.
TRect ShrinkForBevel(TRect r, TBevelCut cut, bool bold);
// The hole of a geometric shape of width x height, in the control's own coordinates.
QRegion GeometricHole(const THoleLook& look, int width, int height);
// How far a hole moves, beyond the shape's place in the client area, to reach the owner
// form's outer-window coordinates: the shape's own reckoning of the frame by border style,
// which for a dialog frame lands the hole just inside the bevel.
TPoint HoleFrameOffset(TFormBorderStyle style);

// One figure of the bevels: drawn with a pen of its colour (and filled with it when the
// drawing fills), in its box.
struct THoleBevelFigure {
    TColor color;
    TRect box;
    bool operator==(const THoleBevelFigure&) const = default;
};

struct THoleBevelDrawing {
    bool ellipses = false;  // otherwise rounded rectangles with corner ellipse `corner`
    QPoint corner;          // (0, 0) for the plain rectangular kinds
    // Curved figures are filled, plain rectangles outlined (the rule is that of the corner
    // sizes' bitwise AND, so some rounded rectangles are outlined too).
    bool filled = false;
    std::vector<THoleBevelFigure> figures;  // in drawing order: outer bevel, then inner
};

// The bevels of a shape of width x height: the lines along the hole's edge.
THoleBevelDrawing HoleBevelDrawing(const THoleLook& look, int width, int height);

class TglHoleShape : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(glHShape::THoleShapeType Shape READ Shape WRITE SetShape)
    Q_PROPERTY(toolkit::TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(toolkit::TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(bool BevelOuterBold READ BevelOuterBold WRITE SetBevelOuterBold)
    Q_PROPERTY(bool BevelInnerBold READ BevelInnerBold WRITE SetBevelInnerBold)
    Q_PROPERTY(int BevelOffset READ BevelOffset WRITE SetBevelOffset)
    Q_PROPERTY(glHShape::TRGNCombineMode CombineMode READ CombineMode WRITE SetCombineMode)
    Q_PROPERTY(TPointClass* RectEllipse READ RectEllipse)
    Q_PROPERTY(TBitmap* ShapeBitmap READ ShapeBitmap WRITE SetShapeBitmap)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool EnabledAllInDesignTime READ EnabledAllInDesignTime WRITE SetEnabledAllInDesignTime)
    Q_CLASSINFO("Shape", "default stRectangle")
    Q_CLASSINFO("BevelOuter", "default bvLowered")
    Q_CLASSINFO("BevelInner", "default bvNone")
    Q_CLASSINFO("BevelOuterBold", "default True")
    Q_CLASSINFO("BevelInnerBold", "default True")
    Q_CLASSINFO("BevelOffset", "default 0")
    Q_CLASSINFO("CombineMode", "default cmDIFF")
    Q_CLASSINFO("Enabled", "default True")
    Q_CLASSINFO("EnabledAllInDesignTime", "default True")

public:
    explicit TglHoleShape(TComponent* owner);
    ~TglHoleShape() override;

    THoleShapeType Shape() const { return FShape; }
    void SetShape(THoleShapeType value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    bool BevelOuterBold() const { return FBevelOuterBold; }
    void SetBevelOuterBold(bool value);
    bool BevelInnerBold() const { return FBevelInnerBold; }
    void SetBevelInnerBold(bool value);
    int BevelOffset() const { return FBevelOffset; }
    // Negative values are ignored; one that leaves no room inside the shape is cut down.
    void SetBevelOffset(int value);
    TRGNCombineMode CombineMode() const { return FCombineMode; }
    void SetCombineMode(TRGNCombineMode value);
    TPointClass* RectEllipse() const { return FRectEllipse; }
    // When not empty, the hole is the set of the bitmap's pixels that are not exactly white.
    TBitmap* ShapeBitmap() const { return FShapeBitmap; }
    // Takes a copy of the picture.
    void SetShapeBitmap(TBitmap* value);
    // The shape's own switch (it does not disable mouse input): the hole is cut while the
    // program runs. Taken only when the owner is a windowed control.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // The same for a form designer; copied to every hole shape of the owner.
    bool EnabledAllInDesignTime() const { return FEnabledAllInDesignTime; }
    void SetEnabledAllInDesignTime(bool value);

    // The hole in the owner window's outer coordinates, as last built.
    const QRegion& HoleRegion() const { return FHoleRgn; }

    // Rebuilds the owner window's region from the holes of all its counting hole shapes.
    void ApplyRegion();

protected:
    void Paint() override;
    void BoundsChanged() override;
    void showEvent(QShowEvent* event) override;

private:
    THoleLook Look() const;
    // Whether this shape's hole goes into the owner's region now.
    bool Counts() const;
    void BuildHoleRegion();
    // Moves the hole from the control's coordinates into the owner form's outer-window ones.
    void MoveIntoForm(TFormBorderStyle style);
    // Re-cuts when the shape has moved or changed size since it last looked.
    void CheckBounds();
    void Changed();
    void BitmapChanged();

    THoleShapeType FShape = stRectangle;
    TBevelCut FBevelOuter = bvLowered;
    TBevelCut FBevelInner = bvNone;
    bool FBevelOuterBold = true;
    bool FBevelInnerBold = true;
    int FBevelOffset = 0;
    TRGNCombineMode FCombineMode = cmDIFF;
    TPointClass* FRectEllipse;
    TBitmap* FShapeBitmap;
    bool FEnabled = false;
    bool FEnabledAllInDesignTime = false;

    QRegion FHoleRgn;
    TRect FLastBounds;
    bool FBitmapChanged = false;
};
