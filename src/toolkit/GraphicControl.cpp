#include "toolkit/Controls.h"

// ---------------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Invalidate()
{
    TControl::Invalidate();
    InvalidateControlsAbove();
}

void TGraphicControl::InvalidateControlsAbove()
{
    if (TWinControl* parent = Parent()) {
        bool above = false;
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* sibling = parent->Controls(i);
            if (sibling == this) {
                above = true;
                continue;
            }
            if (above && dynamic_cast<TGraphicControl*>(sibling)
                && !gdi::Intersect(sibling->BoundsRect(), BoundsRect()).IsEmpty())
                sibling->TControl::Invalidate();
        }
    }
}

void TGraphicControl::PaintSurface(gdi::DeviceContext& dc)
{
    // What lies beneath: the parent's picture, then the windowless siblings under this one.
    if (TWinControl* parent = Parent()) {
        parent->DrawPicture(dc, -Left(), -Top());
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* sibling = parent->Controls(i);
            if (sibling == this)
                break;
            if (!dynamic_cast<TGraphicControl*>(sibling) || !sibling->Visible()
                || gdi::Intersect(sibling->BoundsRect(), BoundsRect()).IsEmpty())
                continue;
            sibling->DrawPicture(dc, sibling->Left() - Left(), sibling->Top() - Top());
        }
    }
    Canvas()->Refresh();
    Paint();
}

void TGraphicControl::PaintOwn(gdi::DeviceContext&)
{
    Canvas()->Refresh();
    Paint();
}

bool TGraphicControl::PaintOver()
{
    if (FSurfaceDirty || !FSurface || !isVisible() || ComponentState().testFlag(csLoading)) {
        Invalidate();
        return false;
    }
    // The picture stays; only the drawing state starts afresh, as for every paint.
    gdi::DeviceContext& dc = SurfaceDC();
    dc.RestoreDC(FSurfaceLevel);
    FSurfaceLevel = dc.SaveDC();
    Canvas()->Refresh();
    Paint();
    InvalidateControlsAbove();
    repaint();
    return true;
}
