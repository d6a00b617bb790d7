#include "toolkit/Controls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
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

bool MouseButtonOf(Qt::MouseButton button, TMouseButton& result)
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

TControl::TControl(TComponent* owner) : QWidget(nullptr), TComponent(this, owner), FFont(new TFont(this))
{
    FFont->OnChange = TNotifyEvent::FromFunction([this](TObject*) { FontObjectChanged(); });
    setMouseTracking(true);
    // A control starts with no extent; Qt would give a new widget a size of its own.
    resize(0, 0);
}

TControl::~TControl()
{
    Destroying();
    LeaveDrag();
    // The parent forgets this control before any of its parts go.
    if (FParent)
        FParent->RemoveControl(this);
    FParent = nullptr;
    DestroyComponents();
}

void TControl::SetParent(TWinControl* parent)
{
    if (FParent == parent)
        return;
    if (parent == this)
        throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    // The control keeps its bounds: in the new parent's client area, or as a window.
    const TRect bounds = BoundsRect();
    if (FParent)
        FParent->RemoveControl(this);
    FParent = parent;
    QWidget::setParent(parent);
    if (FParent) {
        FParent->InsertControl(this);
        if (FParentFont)
            TakeParentFont();
        if (FParentColor)
            ParentColorChanged();
        if (FParentShowHint)
            SetShowHintValue(FParent->FShowHint);
    }
    PlaceWidget(bounds);
    QWidget::setVisible(FVisible && FParent);
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
    return FParent;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    const TRect bounds = Rect(left, top, left + std::max(0, width), top + std::max(0, height));
    const TRect old = BoundsRect();
    if (bounds == old)
        return;
    PlaceWidget(bounds);
    if (bounds.Width() != old.Width() || bounds.Height() != old.Height())
        FSurfaceDirty = true;
    if (!FAnchoring)
        RememberAnchorPlace();
    RequestAlign();
    BoundsChanged();
}

void TControl::SetPopupMenu(TPopupMenu* value)
{
    if (FPopupMenu == value)
        return;
    FPopupMenu = value;
    if (value)
        value->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupMenu)
        FPopupMenu = nullptr;
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

TRect TControl::BoundsRect() const
{
    if (isWindow())
        return TRect::FromQRect(frameGeometry());
    const int offset = FParent ? FParent->ClientOffset() : 0;
    return TRect::FromQRect(geometry()).Translated(-offset, -offset);
}

void TControl::PlaceWidget(const TRect& bounds)
{
    if (isWindow()) {
        // The frame takes its part of the bounds; the client gets the rest.
        const QSize frame = frameGeometry().size() - geometry().size();
        resize(std::max(0, bounds.Width() - frame.width()), std::max(0, bounds.Height() - frame.height()));
        move(bounds.left, bounds.top);
    } else {
        const int offset = FParent ? FParent->ClientOffset() : 0;
        setGeometry(bounds.ToQRect().translated(offset, offset));
    }
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
    if (FVisible == value)
        return;
    FVisible = value;
    auto* windowed = dynamic_cast<TWinControl*>(this);
    if (windowed && value && isWindow())
        windowed->HandleNeeded();
    // A control without parent is only shown when it is a window of its own.
    if (FParent || windowed)
        QWidget::setVisible(value);
    VisibleChanged();
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetEnabled(bool value)
{
    if (Enabled() == value)
        return;
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
    FText = value;
}

void TControl::SetHint(const QString& value)
{
    FHint = value;
}

QString TControl::HintAt(TPoint, TRect&) const
{
    return FHint;
}

void TControl::SetShowHint(bool value)
{
    if (FShowHint == value)
        return;
    FParentShowHint = false;
    SetShowHintValue(value);
}

void TControl::SetShowHintValue(bool value)
{
    if (FShowHint == value)
        return;
    FShowHint = value;
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        for (TControl* child : windowed->FControls)
            child->ParentShowHintChanged();
}

void TControl::SetParentShowHint(bool value)
{
    if (FParentShowHint == value)
        return;
    FParentShowHint = value;
    if (value && FParent)
        SetShowHintValue(FParent->FShowHint);
}

void TControl::ParentShowHintChanged()
{
    if (FParentShowHint && FParent)
        SetShowHintValue(FParent->FShowHint);
}

void TControl::FontObjectChanged()
{
    if (!FTakingParentFont)
        FParentFont = false;
    FontChanged();
}

void TControl::FontChanged()
{
    Invalidate();
}

void TControl::TakeParentFont()
{
    const QScopedValueRollback taking(FTakingParentFont, true);
    FFont->Assign(FParent->FFont);
}

void TControl::SetParentFont(bool value)
{
    if (FParentFont == value)
        return;
    FParentFont = value;
    if (value && FParent)
        TakeParentFont();
}

void TControl::ParentFontChanged()
{
    if (FParentFont && FParent)
        TakeParentFont();
}

void TControl::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    FParentColor = false;
    ColorChanged();
}

void TControl::SetParentColor(bool value)
{
    if (FParentColor == value)
        return;
    FParentColor = value;
    if (value)
        ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (!FParentColor || !FParent || FColor == FParent->FColor)
        return;
    FColor = FParent->FColor;
    ColorChanged();
}

void TControl::ColorChanged()
{
    Invalidate();
}

void TControl::SetCursor(TCursor value)
{
    if (FCursor == value)
        return;
    FCursor = value;
    if (value == crDefault)
        unsetCursor();
    else
        setCursor(QCursor(CursorShapeOf(value)));
}

void TControl::Click()
{
    if (FOnClick)
        FOnClick(this);
}

void TControl::MouseEnter(TControl* control)
{
    if (control == this && OnMouseEnter)
        OnMouseEnter(this);
    if (FParent)
        FParent->MouseEnter(control);
}

void TControl::MouseLeave(TControl* control)
{
    if (control == this && OnMouseLeave)
        OnMouseLeave(this);
    if (FParent)
        FParent->MouseLeave(control);
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

void TControl::mousePressEvent(QMouseEvent* event)
{
    Guard([&] {
        TMouseButton button;
        if (!MouseButtonOf(event->button(), button))
            return;
        // A control that drags itself is dragged, not pressed.
        if (button == mbLeft && FDragMode == dmAutomatic && !ComponentState().testFlag(csDesigning)) {
            BeginDrag();
            return;
        }
        if (button == mbLeft)
            FClicked = true;
        const QPoint p = event->position().toPoint() - QPoint(ClientOffset(), ClientOffset());
        MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    });
}

void TControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    Guard([&] {
        TMouseButton button;
        if (!MouseButtonOf(event->button(), button))
            return;
        if (button == mbLeft) {
            FClicked = true;
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
        if (!MouseButtonOf(event->button(), button))
            return;
        const QPoint p = event->position().toPoint() - QPoint(ClientOffset(), ClientOffset());
        if (button == mbLeft && FClicked) {
            FClicked = false;
            if (ClientRect().Contains(p.x(), p.y()))
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
    if (!FPopupMenu || !FPopupMenu->AutoPopup()) {
        event->ignore();
        return;
    }
    Guard([&] { FPopupMenu->Popup(event->globalPos().x(), event->globalPos().y()); });
}

void TControl::enterEvent(QEnterEvent*)
{
    Guard([this] { MouseEnter(this); });
}

void TControl::leaveEvent(QEvent*)
{
    Guard([this] { MouseLeave(this); });
}

void TControl::resizeEvent(QResizeEvent* event)
{
    Guard([&] {
        // Rendering a hidden widget repeats its last resize; only a new size needs a paint.
        if (!FSurface || FSurface->bitmap.Width() != ClientWidth() || FSurface->bitmap.Height() != ClientHeight())
            FSurfaceDirty = true;
        // A size the window system gives (the user dragging the frame) reaches the layout
        // here; the program's own sizes reach it through SetBounds.
        if (isWindow() && event->spontaneous())
            BoundsChanged();
    });
}

bool TControl::event(QEvent* event)
{
    // Hints are the application's; Qt's own tooltips never show.
    if (event->type() == QEvent::ToolTip || event->type() == QEvent::WhatsThis)
        return true;
    return QWidget::event(event);
}
