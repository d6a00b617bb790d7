#include "toolkit/Controls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <functional>

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

// The drag under way: the control dragged, the control under it and whether that one takes it.
struct DragSession {
    TControl* source = nullptr;
    TControl* target = nullptr;
    bool accepted = false;
};

DragSession& drag()
{
    static DragSession session;
    return session;
}

// While a drag is on, every move and the release of the left button are the drag's, whichever
// of the program's widgets is under the pointer.
class DragWatch : public QObject {
public:
    static DragWatch& Instance()
    {
        static DragWatch watch;
        return watch;
    }

    std::function<void(QPoint)> moved;
    std::function<void(QPoint)> released;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Each mouse event reaches its window first, then the widget: the widget's is taken.
        if (!watched->isWidgetType())
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseMove) {
            Guard([&] { moved(mouse->globalPosition().toPoint()); });
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            Guard([&] { released(mouse->globalPosition().toPoint()); });
            return true;
        }
        return false;
    }
};

// Where the anchors put one axis of a control: both sides kept stretch it, the far side alone
// moves it, neither keeps its centre.
void anchorAxis(int& start, int& length, int grown, bool nearSide, bool farSide)
{
    if (nearSide && farSide)
        length += grown;
    else if (farSide)
        start += grown;
    else if (!nearSide)
        start += grown / 2;
}

}  // namespace

std::vector<TRect> AlignBounds(TRect client, const std::vector<TAlignItem>& items)
{
    std::vector<TRect> result(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        result[i] = items[i].bounds;
    const auto placeKind = [&](TAlign kind, auto before) {
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].align == kind)
                order.push_back(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return before(items[a].bounds, items[b].bounds); });
        for (const std::size_t i : order) {
            const int w = items[i].bounds.width();
            const int h = items[i].bounds.height();
            const int clientW = std::max(0, client.width());
            const int clientH = std::max(0, client.height());
            TRect& r = result[i];
            switch (kind) {
            case alTop:
                r = Rect(client.left, client.top, client.left + clientW, client.top + h);
                client.top += h;
                break;
            case alBottom:
                r = Rect(client.left, client.bottom - h, client.left + clientW, client.bottom);
                client.bottom -= h;
                break;
            case alLeft:
                r = Rect(client.left, client.top, client.left + w, client.top + clientH);
                client.left += w;
                break;
            case alRight:
                r = Rect(client.right - w, client.top, client.right, client.top + clientH);
                client.right -= w;
                break;
            case alClient:
                r = Rect(client.left, client.top, client.left + clientW, client.top + clientH);
                break;
            case alNone:
                break;
            }
        }
    };
    placeKind(alTop, [](const TRect& a, const TRect& b) { return a.top < b.top; });
    placeKind(alBottom, [](const TRect& a, const TRect& b) { return a.bottom > b.bottom; });
    placeKind(alLeft, [](const TRect& a, const TRect& b) { return a.left < b.left; });
    placeKind(alRight, [](const TRect& a, const TRect& b) { return a.right > b.right; });
    placeKind(alClient, [](const TRect&, const TRect&) { return false; });
    return result;
}

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
    if (drag().target == this)
        drag().target = nullptr;
    if (drag().source == this) {
        drag() = DragSession{};
        qApp->removeEventFilter(&DragWatch::Instance());
        QApplication::restoreOverrideCursor();
    }
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

void TControl::SetAnchors(TAnchors value)
{
    if (anchors_ == value)
        return;
    anchors_ = value;
    RememberAnchorPlace();
}

void TControl::RememberAnchorPlace()
{
    anchorPlace_ = BoundsRect();
    anchorParentClient_ = parent_ ? QSize(parent_->ClientWidth(), parent_->ClientHeight()) : QSize();
}

TRect TControl::AnchoredBounds(QSize parentClient) const
{
    int left = anchorPlace_.left;
    int top = anchorPlace_.top;
    int width = anchorPlace_.width();
    int height = anchorPlace_.height();
    anchorAxis(left, width, parentClient.width() - anchorParentClient_.width(), anchors_.testFlag(akLeft),
               anchors_.testFlag(akRight));
    anchorAxis(top, height, parentClient.height() - anchorParentClient_.height(), anchors_.testFlag(akTop),
               anchors_.testFlag(akBottom));
    return Rect(left, top, left + width, top + height);
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

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept)
{
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y)
{
    if (OnDragDrop)
        OnDragDrop(this, source, x, y);
}

bool TControl::Dragging() const
{
    return drag().source == this;
}

void TControl::BeginDrag()
{
    if (drag().source)
        return;
    drag() = DragSession{this, nullptr, false};
    QApplication::setOverrideCursor(QCursor(CursorShapeOf(crNoDrop)));
    DragWatch& watch = DragWatch::Instance();
    watch.moved = [this](QPoint screen) { DragMoved(screen); };
    watch.released = [this](QPoint screen) { DragEnded(screen); };
    qApp->installEventFilter(&watch);
    TDragObject* carried = nullptr;
    if (OnStartDrag)
        OnStartDrag(this, carried);
}

void TControl::DragMoved(QPoint screen)
{
    DragSession& session = drag();
    TControl* over = FindControl(QApplication::widgetAt(screen));
    TDragState state = dsDragMove;
    if (over != session.target) {
        if (TControl* left = session.target) {
            bool ignored = false;
            const QPoint p = left->ScreenToClient(screen);
            left->DragOver(this, p.x(), p.y(), dsDragLeave, ignored);
        }
        session.target = over;
        state = dsDragEnter;
    }
    session.accepted = false;
    if (over) {
        const QPoint p = over->ScreenToClient(screen);
        over->DragOver(this, p.x(), p.y(), state, session.accepted);
    }
    QApplication::changeOverrideCursor(QCursor(CursorShapeOf(session.accepted ? dragCursor_ : crNoDrop)));
}

void TControl::DragEnded(QPoint screen)
{
    const DragSession session = std::exchange(drag(), DragSession{});
    qApp->removeEventFilter(&DragWatch::Instance());
    QApplication::restoreOverrideCursor();
    TControl* target = session.accepted ? session.target : nullptr;
    const QPoint p = target ? target->ScreenToClient(screen) : ScreenToClient(screen);
    if (target)
        target->DragDrop(this, p.x(), p.y());
    if (OnEndDrag)
        OnEndDrag(this, target, p.x(), p.y());
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

void TControl::RequestAlign()
{
    if (parent_ && align_ != alNone)
        parent_->Realign();
}

TPoint TControl::ClientToScreen(TPoint point) const
{
    return mapToGlobal(point + QPoint(ClientOffset(), ClientOffset()));
}

TPoint TControl::ScreenToClient(TPoint point) const
{
    return mapFromGlobal(point) - QPoint(ClientOffset(), ClientOffset());
}

void TControl::SetAlign(TAlign value)
{
    if (align_ == value)
        return;
    const TAlign old = align_;
    align_ = value;
    if (parent_ && (old != alNone || value != alNone))
        parent_->Realign();
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

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(new TBrush(this))
{
    brush_->SetColor(Color());
    UpdateFocusPolicy();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TWinControl::~TWinControl()
{
    Destroying();
    // Children go first, while this is still whole: they may notify it as they go.
    while (!controls_.empty())
        delete controls_.back();
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control))
        tabList_.push_back(windowed);
}

void TWinControl::RemoveControl(TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    if (control->align_ != alNone)
        Realign();
}

int TWinControl::TabOrder() const
{
    TWinControl* parent = Parent();
    if (!parent)
        return -1;
    const auto& list = parent->tabList_;
    const auto found = std::find(list.begin(), list.end(), this);
    return found == list.end() ? -1 : int(found - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (ComponentState().testFlag(csLoading)) {
        loadedTabOrder_ = value;
        return;
    }
    TWinControl* parent = Parent();
    if (!parent || value < 0)
        return;
    auto& list = parent->tabList_;
    const int current = TabOrder();
    const int target = std::min(value, int(list.size()) - 1);
    if (current < 0 || current == target)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + target, this);
    UpdateTabChain();
}

void TWinControl::FixupTabList()
{
    std::stable_sort(tabList_.begin(), tabList_.end(), [](const TWinControl* a, const TWinControl* b) {
        const int ka = a->loadedTabOrder_ < 0 ? INT_MAX : a->loadedTabOrder_;
        const int kb = b->loadedTabOrder_ < 0 ? INT_MAX : b->loadedTabOrder_;
        return ka < kb;
    });
}

void TWinControl::SetTabStop(bool value)
{
    if (tabStop_ == value)
        return;
    tabStop_ = value;
    UpdateFocusPolicy();
}

void TWinControl::SetFocusByClick(bool value)
{
    focusByClick_ = value;
    UpdateFocusPolicy();
}

void TWinControl::UpdateFocusPolicy()
{
    setFocusPolicy(tabStop_ ? Qt::StrongFocus : focusByClick_ ? Qt::ClickFocus : Qt::NoFocus);
}

void TWinControl::CollectTabChain(std::vector<QWidget*>& chain) const
{
    for (TWinControl* child : tabList_) {
        if (child->tabStop_)
            chain.push_back(child);
        child->CollectTabChain(chain);
    }
}

void TWinControl::UpdateTabChain()
{
    const TWinControl* top = this;
    while (top->Parent())
        top = top->Parent();
    std::vector<QWidget*> chain;
    top->CollectTabChain(chain);
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

bool TWinControl::CanFocus() const
{
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

bool TWinControl::Focused() const
{
    return hasFocus();
}

void TWinControl::SetFocus()
{
    if (!CanFocus())
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    setFocus(Qt::OtherFocusReason);
}

void TWinControl::Realign()
{
    if (aligning_ || ComponentState().testFlag(csLoading))
        return;
    AlignControls();
}

void TWinControl::AlignControls()
{
    std::vector<TControl*> placed;
    std::vector<TRect> bounds;
    std::vector<TAlignItem> items;
    for (TControl* c : controls_)
        if (c->Align() != alNone && c->Visible()) {
            placed.push_back(c);
            items.push_back({c->Align(), c->BoundsRect()});
        }
    bounds = AlignBounds(ClientRect(), items);
    // Controls placed by hand follow their anchors; the usual left and top ones stay put.
    for (TControl* c : controls_)
        if (c->Align() == alNone && c->anchors_ != (akLeft | akTop) && c->anchorParentClient_.isValid()) {
            placed.push_back(c);
            bounds.push_back(c->AnchoredBounds(QSize(ClientWidth(), ClientHeight())));
        }
    aligning_ = true;
    try {
        for (std::size_t i = 0; i < placed.size(); ++i) {
            placed[i]->anchoring_ = placed[i]->Align() == alNone;
            placed[i]->SetBounds(bounds[i].left, bounds[i].top, bounds[i].width(), bounds[i].height());
            placed[i]->anchoring_ = false;
        }
    } catch (...) {
        for (TControl* c : placed)
            c->anchoring_ = false;
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::BoundsChanged()
{
    Realign();
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    FixupTabList();
    for (TWinControl* child : tabList_)
        child->loadedTabOrder_ = -1;
    Realign();
    if (!Parent())
        UpdateTabChain();
}

void TWinControl::HandleNeeded()
{
    if (handleAllocated_)
        return;
    handleAllocated_ = true;
    CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Style = Parent() ? WS_CHILD : 0u;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    borderWidth_ = (params.Style & WS_BORDER) ? 1 : 0;
    if (isWindow() && (params.Style & WS_POPUP)) {
        Qt::WindowFlags flags = (params.ExStyle & WS_EX_TOOLWINDOW) ? Qt::ToolTip : Qt::Window;
        flags |= Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
        if (params.ExStyle & WS_EX_TOPMOST)
            flags |= Qt::WindowStaysOnTopHint;
        setWindowFlags(flags);
        setAttribute(Qt::WA_ShowWithoutActivating);
        ApplyGeometry();
    }
    surfaceDirty_ = true;
}

void TWinControl::ActivationChanged(bool) {}

void TWinControl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange)
        Guard([this] { ActivationChanged(isActiveWindow()); });
    TControl::changeEvent(event);
}

void TWinControl::Invalidate()
{
    TControl::Invalidate();
    for (TControl* child : controls_)
        if (child->UsesSurface() && !dynamic_cast<TWinControl*>(child))
            child->surfaceDirty_ = true;
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    for (TControl* child : controls_)
        child->ParentFontChanged();
}

void TWinControl::ColorChanged()
{
    brush_->SetColor(Color());
    TControl::ColorChanged();
    for (TControl* child : controls_)
        child->ParentColorChanged();
}

void TWinControl::PaintSurface(gdi::DeviceContext& dc)
{
    dc.FillRect(ClientRect(), gdi::SolidBrush(Color()));
}

void TWinControl::PresentSurface(QPainter& painter)
{
    if (borderWidth_ > 0) {
        const gdi::ColorRef frame = gdi::ColorRef(ColorToRGB(clWindowFrame));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(gdi::GetRValue(frame), gdi::GetGValue(frame), gdi::GetBValue(frame)));
        painter.drawRect(rect());
    }
    TControl::PresentSurface(painter);
}

// ---------------------------------------------------------------- TWidgetHostControl

TWidgetHostControl::TWidgetHostControl(TComponent* owner) : TWinControl(owner)
{
    // The hosted widget may leave pixels unpainted (the rounded corners of an edit's frame): the
    // parent shows there, never whatever the window held before.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetFocusByClick(true);
}

TWidgetHostControl::~TWidgetHostControl() = default;

void TWidgetHostControl::SetHostedWidget(QWidget* widget)
{
    hosted_ = widget;
    setFocusProxy(widget);
    widget->setGeometry(0, 0, Width(), Height());
    ApplyLook();
}

void TWidgetHostControl::ApplyLook()
{
    if (!hosted_)
        return;
    hosted_->setFont(Font()->Handle().qfont());
    const auto qcolor = [](TColor color) {
        const auto rgb = gdi::ColorRef(ColorToRGB(color));
        return QColor(gdi::GetRValue(rgb), gdi::GetGValue(rgb), gdi::GetBValue(rgb));
    };
    QPalette palette = hosted_->palette();
    palette.setColor(QPalette::Base, qcolor(Color()));
    palette.setColor(QPalette::Text, qcolor(Font()->Color()));
    hosted_->setPalette(palette);
}

void TWidgetHostControl::FontChanged()
{
    TWinControl::FontChanged();
    ApplyLook();
}

void TWidgetHostControl::ColorChanged()
{
    TWinControl::ColorChanged();
    ApplyLook();
}

void TWidgetHostControl::BoundsChanged()
{
    TWinControl::BoundsChanged();
    if (hosted_)
        hosted_->setGeometry(0, 0, Width(), Height());
}

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
                && !gdi::Intersect(sibling->BoundsRect(), BoundsRect()).isEmpty())
                sibling->TControl::Invalidate();
        }
    }
}

void TGraphicControl::PaintSurface(gdi::DeviceContext& dc)
{
    // What lies beneath: the parent's picture, then the windowless siblings under this one.
    if (TWinControl* parent = Parent()) {
        dc.DrawBitmap(-Left(), -Top(), parent->PaintedSurface());
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* sibling = parent->Controls(i);
            if (sibling == this)
                break;
            if (!dynamic_cast<TGraphicControl*>(sibling) || !sibling->Visible()
                || gdi::Intersect(sibling->BoundsRect(), BoundsRect()).isEmpty())
                continue;
            dc.DrawBitmap(sibling->Left() - Left(), sibling->Top() - Top(), sibling->PaintedSurface());
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
    if (surfaceDirty_ || !surface_ || !isVisible() || ComponentState().testFlag(csLoading)) {
        Invalidate();
        return false;
    }
    // The picture stays; only the drawing state starts afresh, as for every paint.
    gdi::DeviceContext& dc = SurfaceDC();
    dc.RestoreDC(surfaceLevel_);
    surfaceLevel_ = dc.SaveDC();
    Canvas()->Refresh();
    Paint();
    InvalidateControlsAbove();
    repaint();
    return true;
}

// ---------------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintSurface(gdi::DeviceContext& dc)
{
    TWinControl::PaintSurface(dc);
    Canvas()->Refresh();
    Paint();
}
