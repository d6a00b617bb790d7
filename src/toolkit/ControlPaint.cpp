#include "toolkit/Controls.h"

#include "toolkit/Guard.h"

#include <QPainter>
#include <QScopeGuard>
#include <algorithm>
#include <functional>

namespace {

// A control's canvas: drawn on outside a paint, it makes the control keep its picture and
// draws there, as drawing on a window between its paints shows until the next one.
class TControlCanvas : public TCanvas {
public:
    TControlCanvas(QObject* parent, std::function<gdi::DeviceContext*()> picture)
        : TCanvas(parent), FPicture(std::move(picture))
    {
    }

protected:
    void CreateHandle() override { SetHandle(FPicture()); }

private:
    std::function<gdi::DeviceContext*()> FPicture;
};

}  // namespace

void TControl::Invalidate()
{
    FSurfaceDirty = true;
    update();
}

void TControl::Repaint()
{
    Invalidate();
    repaint();
}

void TControl::Update()
{
    if (FSurfaceDirty)
        repaint();
}

void TControl::PaintSurface(gdi::DeviceContext&) {}

gdi::DeviceContext& TControl::SurfaceDC()
{
    if (!FSurface) {
        FSurface = std::make_unique<Surface>();
        FSurfaceLevel = FSurface->dc.SaveDC();
    }
    const int w = std::max(0, ClientWidth());
    const int h = std::max(0, ClientHeight());
    if (FSurface->bitmap.Width() != w || FSurface->bitmap.Height() != h)
        FSurface->bitmap.SetSize(w, h);
    // The picture is kept at the density of the screen the window is on, so that it shows as
    // sharp as Qt's own widgets; a window moved to another screen paints afresh.
    const qreal ratio = devicePixelRatioF();
    if (FSurface->bitmap.DevicePixelRatio() != ratio) {
        FSurface->bitmap.SetDevicePixelRatio(ratio);
        FSurfaceDirty = true;
    }
    return FSurface->dc;
}

void TControl::KeepPicture()
{
    if (FSurface)
        return;
    // What is drawn from now on goes over what the control shows now.
    const bool shown = !FSurfaceDirty;
    gdi::DeviceContext& dc = SurfaceDC();
    if (FCanvas && !FCanvas->HandleAllocated())
        FCanvas->SetHandle(&dc);
    FSurfaceDirty = true;
    if (!shown)
        return;
    // Filling the picture must leave the tools as the drawing that asked for it set them.
    TCanvas* canvas = SurfaceCanvas();
    TCanvas tools;
    tools.Font()->Assign(canvas->Font());
    tools.Pen()->Assign(canvas->Pen());
    tools.Brush()->Assign(canvas->Brush());
    PaintedSurface();
    canvas->Font()->Assign(tools.Font());
    canvas->Pen()->Assign(tools.Pen());
    canvas->Brush()->Assign(tools.Brush());
}

TCanvas* TControl::SurfaceCanvas()
{
    if (!FCanvas) {
        FCanvas = new TControlCanvas(this, [this] {
            KeepPicture();
            return &SurfaceDC();
        });
        if (FSurface)
            FCanvas->SetHandle(&SurfaceDC());
    }
    return FCanvas;
}

void TControl::PaintWith(gdi::DeviceContext& dc, void (TControl::*paint)(gdi::DeviceContext&))
{
    TCanvas* canvas = SurfaceCanvas();
    gdi::DeviceContext* own = canvas->HandleAllocated() ? canvas->Handle() : nullptr;
    canvas->SetHandle(&dc);
    const auto giveBack = qScopeGuard([&] { canvas->SetHandle(own); });
    (this->*paint)(dc);
}

const gdi::Bitmap& TControl::PaintedSurface()
{
    gdi::DeviceContext& dc = SurfaceDC();
    if (FSurfaceDirty) {
        FSurfaceDirty = false;
        // Every paint starts from a fresh device context state, as the platform's does.
        dc.RestoreDC(FSurfaceLevel);
        FSurfaceLevel = dc.SaveDC();
        PaintWith(dc, &TControl::PaintSurface);
    }
    return FSurface->bitmap;
}

void TControl::DrawPicture(gdi::DeviceContext& dc, int x, int y)
{
    // Shown beneath a windowless control, the picture is used outside this control's paint.
    KeepPicture();
    dc.DrawBitmap(x, y, PaintedSurface());
}

void TControl::PaintTo(gdi::DeviceContext& dc)
{
    PaintWith(dc, &TControl::PaintOwn);
}

void TControl::PresentSurface(QPainter& painter, const gdi::Bitmap& picture)
{
    painter.drawImage(ClientOffset(), ClientOffset(), picture.Image());
}

void TControl::paintEvent(QPaintEvent*)
{
    if (!UsesSurface())
        return;
    Guard([this] {
        QPainter painter(this);
        if (FSurface) {
            PresentSurface(painter, PaintedSurface());
            return;
        }
        // The picture lives for this paint only, at the density of the window's screen.
        gdi::Bitmap picture(ClientWidth(), ClientHeight(), gdi::PixelFormat::Device, devicePixelRatioF());
        gdi::DeviceContext dc(&picture);
        FSurfaceDirty = false;
        PaintWith(dc, &TControl::PaintSurface);
        PresentSurface(painter, picture);
    });
}
