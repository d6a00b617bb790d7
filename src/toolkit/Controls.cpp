#include "toolkit/Controls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

// ---------------------------------------------------------------- helpers

Qt::CursorShape CursorShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
    case crVSplit:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
    case crHSplit:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case crDefault:
    case crArrow:
        break;
    }
    return Qt::ArrowCursor;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState state;
    state.setFlag(ssShift, modifiers.testFlag(Qt::ShiftModifier));
    state.setFlag(ssAlt, modifiers.testFlag(Qt::AltModifier));
    state.setFlag(ssCtrl, modifiers.testFlag(Qt::ControlModifier));
    state.setFlag(ssLeft, buttons.testFlag(Qt::LeftButton));
    state.setFlag(ssRight, buttons.testFlag(Qt::RightButton));
    state.setFlag(ssMiddle, buttons.testFlag(Qt::MiddleButton));
    return state;
}

namespace {

bool mouseButtonOf(Qt::MouseButton button, TMouseButton& result)
{
    switch (button) {
    case Qt::LeftButton:
        result = mbLeft;
        return true;
    case Qt::RightButton:
        result = mbRight;
        return true;
    case Qt::MiddleButton:
        result = mbMiddle;
        return true;
    default:
        return false;
    }
}

}  // namespace

TControl* FindControl(QWidget* widget)
{
    for (; widget; widget = widget->parentWidget())
        if (auto* control = dynamic_cast<TControl*>(widget))
            return control;
    return nullptr;
}

// ---------------------------------------------------------------- TControl

struct TControl::Surface {
    gdi::Bitmap bitmap;
    gdi::DeviceContext dc{&bitmap};
};

TControl::TControl(TComponent* owner) : QWidget(nullptr), TComponent(this, owner), font_(new TFont(this))
{
    font_->OnChange = TNotifyEvent::FromFunction([this](TObject*) { FontObjectChanged(); });
    setMouseTracking(true);
}

TControl::~TControl()
{
    Destroying();
    LeaveDrag();
    // The parent forgets this control before any of its parts go.
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = nullptr;
    DestroyComponents();
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent_ == parent)
        return;
    if (parent == this)
        throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = parent;
    QWidget::setParent(parent);
    if (parent_) {
        parent_->InsertControl(this);
        if (parentFont_)
            TakeParentFont();
        if (parentColor_)
            ParentColorChanged();
        if (parentShowHint_)
            SetShowHintValue(parent_->showHint_);
    }
    ApplyGeometry();
    QWidget::setVisible(visible_ && parent_);
    RememberAnchorPlace();
    RequestAlign();
}

void TControl::SetParentComponent(TComponent* parent)
{
    if (auto* windowed = dynamic_cast<TWinControl*>(parent))
        SetParent(windowed);
}

TComponent* TControl::GetParentComponent() const
{
    return parent_;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    if (resized)
        surfaceDirty_ = true;
    if (!anchoring_)
        RememberAnchorPlace();
    RequestAlign();
    BoundsChanged();
}

void TControl::SetPopupMenu(TPopupMenu* value)
{
    if (popupMenu_ == value)
        return;
    popupMenu_ = value;
    if (value)
        value->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_)
        popupMenu_ = nullptr;
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::ApplyGeometry()
{
    syncingGeometry_ = true;
    if (isWindow()) {
        const QRect frame = frameGeometry();
        const QRect client = geometry();
        resize(std::max(0, width_ - (frame.width() - client.width())),
               std::max(0, height_ - (frame.height() - client.height())));
        move(left_, top_);
    } else {
        const int offset = parent_ ? parent_->ClientOffset() : 0;
        setGeometry(left_ + offset, top_ + offset, width_, height_);
    }
    syncingGeometry_ = false;
}

void TControl::SyncWindowGeometry()
{
    const QRect frame = frameGeometry();
    left_ = frame.left();
    top_ = frame.top();
    width_ = frame.width();
    height_ = frame.height();
}

TPoint TControl::ClientToScreen(TPoint point) const
{
    return mapToGlobal(point + QPoint(ClientOffset(), ClientOffset()));
}

TPoint TControl::ScreenToClient(TPoint point) const
{
    return mapFromGlobal(point) - QPoint(ClientOffset(), ClientOffset());
}

void TControl::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    auto* windowed = dynamic_cast<TWinControl*>(this);
    if (windowed && value && isWindow())
        windowed->HandleNeeded();
    // A control without parent is only shown when it is a window of its own.
    if (parent_ || windowed)
        QWidget::setVisible(value);
    VisibleChanged();
    if (parent_ && align_ != alNone)
        parent_->Realign();
}

void TControl::SetEnabled(bool value)
{
    if (enabled_ == value)
        return;
    enabled_ = value;
    QWidget::setEnabled(value);
    EnabledChanged();
}

void TControl::EnabledChanged()
{
    Invalidate();
}

void TControl::SetText(const QString& value)
{
    if (GetText() == value)
        return;
    SetTextValue(value);
    TextChanged();
}

void TControl::SetTextValue(const QString& value)
{
    text_ = value;
}

void TControl::SetHint(const QString& value)
{
    hint_ = value;
}

QString TControl::HintAt(TPoint, TRect&) const
{
    return hint_;
}

void TControl::SetShowHint(bool value)
{
    if (showHint_ == value)
        return;
    parentShowHint_ = false;
    SetShowHintValue(value);
}

void TControl::SetShowHintValue(bool value)
{
    if (showHint_ == value)
        return;
    showHint_ = value;
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        for (TControl* child : windowed->controls_)
            child->ParentShowHintChanged();
}

void TControl::SetParentShowHint(bool value)
{
    if (parentShowHint_ == value)
        return;
    parentShowHint_ = value;
    if (value && parent_)
        SetShowHintValue(parent_->showHint_);
}

void TControl::ParentShowHintChanged()
{
    if (parentShowHint_ && parent_)
        SetShowHintValue(parent_->showHint_);
}

void TControl::FontObjectChanged()
{
    if (!takingParentFont_)
        parentFont_ = false;
    FontChanged();
}

void TControl::FontChanged()
{
    Invalidate();
}

void TControl::TakeParentFont()
{
    takingParentFont_ = true;
    try {
        font_->Assign(parent_->font_);
    } catch (...) {
        takingParentFont_ = false;
        throw;
    }
    takingParentFont_ = false;
}

void TControl::SetParentFont(bool value)
{
    if (parentFont_ == value)
        return;
    parentFont_ = value;
    if (value && parent_)
        TakeParentFont();
}

void TControl::ParentFontChanged()
{
    if (parentFont_ && parent_)
        TakeParentFont();
}

void TControl::SetColor(TColor value)
{
    if (color_ == value)
        return;
    color_ = value;
    parentColor_ = false;
    ColorChanged();
}

void TControl::SetParentColor(bool value)
{
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    if (value)
        ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (!parentColor_ || !parent_ || color_ == parent_->color_)
        return;
    color_ = parent_->color_;
    ColorChanged();
}

void TControl::ColorChanged()
{
    Invalidate();
}

void TControl::SetCursor(TCursor value)
{
    if (cursor_ == value)
        return;
    cursor_ = value;
    if (value == crDefault)
        unsetCursor();
    else
        setCursor(QCursor(CursorShapeOf(value)));
}

void TControl::Click()
{
    if (onClick_)
        onClick_(this);
}

void TControl::Invalidate()
{
    surfaceDirty_ = true;
    update();
}

void TControl::Repaint()
{
    Invalidate();
    repaint();
}

void TControl::Update()
{
    if (surfaceDirty_)
        repaint();
}

void TControl::MouseEnter(TControl* control)
{
    if (control == this && OnMouseEnter)
        OnMouseEnter(this);
    if (parent_)
        parent_->MouseEnter(control);
}

void TControl::MouseLeave(TControl* control)
{
    if (control == this && OnMouseLeave)
        OnMouseLeave(this);
    if (parent_)
        parent_->MouseLeave(control);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::PaintSurface(gdi::DeviceContext&) {}

gdi::DeviceContext& TControl::SurfaceDC()
{
    if (!surface_) {
        surface_ = std::make_unique<Surface>();
        surfaceLevel_ = surface_->dc.SaveDC();
    }
    const int w = std::max(0, ClientWidth());
    const int h = std::max(0, ClientHeight());
    if (surface_->bitmap.width() != w || surface_->bitmap.height() != h)
        surface_->bitmap.setSize(w, h);
    // The picture is kept at the density of the screen the window is on, so that it shows as
    // sharp as Qt's own widgets; a window moved to another screen paints afresh.
    const qreal ratio = devicePixelRatioF();
    if (surface_->bitmap.devicePixelRatio() != ratio) {
        surface_->bitmap.setDevicePixelRatio(ratio);
        surfaceDirty_ = true;
    }
    return surface_->dc;
}

TCanvas* TControl::SurfaceCanvas()
{
    if (!canvas_) {
        canvas_ = new TCanvas(this);
        canvas_->SetHandle(&SurfaceDC());
    }
    return canvas_;
}

const gdi::Bitmap& TControl::PaintedSurface()
{
    gdi::DeviceContext& dc = SurfaceDC();
    if (surfaceDirty_) {
        surfaceDirty_ = false;
        // Every paint starts from a fresh device context state, as the platform's does.
        dc.RestoreDC(surfaceLevel_);
        surfaceLevel_ = dc.SaveDC();
        PaintSurface(dc);
    }
    return surface_->bitmap;
}

void TControl::PaintTo(gdi::DeviceContext& dc)
{
    TCanvas* canvas = SurfaceCanvas();
    canvas->SetHandle(&dc);
    try {
        PaintOwn(dc);
    } catch (...) {
        canvas->SetHandle(&SurfaceDC());
        throw;
    }
    canvas->SetHandle(&SurfaceDC());
}

void TControl::PresentSurface(QPainter& painter)
{
    painter.drawImage(ClientOffset(), ClientOffset(), PaintedSurface().image());
}

void TControl::paintEvent(QPaintEvent*)
{
    if (!UsesSurface())
        return;
    Guard([this] {
        QPainter painter(this);
        PresentSurface(painter);
    });
}

void TControl::mousePressEvent(QMouseEvent* event)
{
    Guard([&] {
        TMouseButton button;
        if (!mouseButtonOf(event->button(), button))
            return;
        // A control that drags itself is dragged, not pressed.
        if (button == mbLeft && dragMode_ == dmAutomatic && !ComponentState().testFlag(csDesigning)) {
            BeginDrag();
            return;
        }
        if (button == mbLeft)
            clicked_ = true;
        const QPoint p = event->position().toPoint() - QPoint(ClientOffset(), ClientOffset());
        MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    });
}

void TControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    Guard([&] {
        TMouseButton button;
        if (!mouseButtonOf(event->button(), button))
            return;
        if (button == mbLeft) {
            clicked_ = true;
            DblClick();
        }
        const QPoint p = event->position().toPoint() - QPoint(ClientOffset(), ClientOffset());
        MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble, p.x(), p.y());
    });
}

void TControl::mouseReleaseEvent(QMouseEvent* event)
{
    Guard([&] {
        TMouseButton button;
        if (!mouseButtonOf(event->button(), button))
            return;
        const QPoint p = event->position().toPoint() - QPoint(ClientOffset(), ClientOffset());
        if (button == mbLeft && clicked_) {
            clicked_ = false;
            if (ClientRect().contains(p.x(), p.y()))
                Click();
        }
        MouseUp(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    });
}

void TControl::mouseMoveEvent(QMouseEvent* event)
{
    Guard([&] {
        const QPoint p = event->position().toPoint() - QPoint(ClientOffset(), ClientOffset());
        MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    });
}

void TControl::contextMenuEvent(QContextMenuEvent* event)
{
    // Without a menu of its own the control leaves the right click to its parent.
    if (!popupMenu_ || !popupMenu_->AutoPopup()) {
        event->ignore();
        return;
    }
    Guard([&] { popupMenu_->Popup(event->globalPos().x(), event->globalPos().y()); });
}

void TControl::enterEvent(QEnterEvent*)
{
    Guard([this] { MouseEnter(this); });
}

void TControl::leaveEvent(QEvent*)
{
    Guard([this] { MouseLeave(this); });
}

void TControl::resizeEvent(QResizeEvent*)
{
    Guard([&] {
        // Rendering a hidden widget repeats its last resize; only a new size needs a paint.
        if (!surface_ || surface_->bitmap.width() != ClientWidth() || surface_->bitmap.height() != ClientHeight())
            surfaceDirty_ = true;
        if (isWindow() && !syncingGeometry_) {
            SyncWindowGeometry();
            BoundsChanged();
        }
    });
}

void TControl::moveEvent(QMoveEvent*)
{
    if (isWindow() && !syncingGeometry_)
        SyncWindowGeometry();
}

bool TControl::event(QEvent* event)
{
    // Hints are the application's; Qt's own tooltips never show.
    if (event->type() == QEvent::ToolTip || event->type() == QEvent::WhatsThis)
        return true;
    return QWidget::event(event);
}
