#include "toolkit/Controls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner), FBrush(new TBrush(this))
{
    FBrush->SetColor(Color());
    UpdateFocusPolicy();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TWinControl::~TWinControl()
{
    Destroying();
    // Children go first, while this is still whole: they may notify it as they go.
    while (!FControls.empty())
        delete FControls.back();
}

void TWinControl::InsertControl(TControl* control)
{
    FControls.push_back(control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control))
        FTabList.push_back(windowed);
}

void TWinControl::RemoveControl(TControl* control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
    if (control->FAlign != alNone)
        Realign();
}

int TWinControl::TabOrder() const
{
    TWinControl* parent = Parent();
    if (!parent)
        return -1;
    const auto& list = parent->FTabList;
    const auto found = std::find(list.begin(), list.end(), this);
    return found == list.end() ? -1 : int(found - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (ComponentState().testFlag(csLoading)) {
        FLoadedTabOrder = value;
        return;
    }
    TWinControl* parent = Parent();
    if (!parent || value < 0)
        return;
    auto& list = parent->FTabList;
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
    std::stable_sort(FTabList.begin(), FTabList.end(), [](const TWinControl* a, const TWinControl* b) {
        const int ka = a->FLoadedTabOrder < 0 ? INT_MAX : a->FLoadedTabOrder;
        const int kb = b->FLoadedTabOrder < 0 ? INT_MAX : b->FLoadedTabOrder;
        return ka < kb;
    });
}

void TWinControl::SetTabStop(bool value)
{
    if (FTabStop == value)
        return;
    FTabStop = value;
    UpdateFocusPolicy();
}

void TWinControl::SetFocusByClick(bool value)
{
    FFocusByClick = value;
    UpdateFocusPolicy();
}

void TWinControl::UpdateFocusPolicy()
{
    setFocusPolicy(FTabStop ? Qt::StrongFocus : FFocusByClick ? Qt::ClickFocus : Qt::NoFocus);
}

void TWinControl::CollectTabChain(std::vector<QWidget*>& chain) const
{
    for (TWinControl* child : FTabList) {
        if (child->FTabStop)
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

void TWinControl::BoundsChanged()
{
    Realign();
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    FixupTabList();
    for (TWinControl* child : FTabList)
        child->FLoadedTabOrder = -1;
    Realign();
    if (!Parent())
        UpdateTabChain();
}

void TWinControl::HandleNeeded()
{
    if (FHandleAllocated)
        return;
    FHandleAllocated = true;
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
    FBorderWidth = (params.Style & WS_BORDER) ? 1 : 0;
    if (isWindow() && (params.Style & WS_POPUP)) {
        Qt::WindowFlags flags = (params.ExStyle & WS_EX_TOOLWINDOW) ? Qt::ToolTip : Qt::Window;
        flags |= Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
        if (params.ExStyle & WS_EX_TOPMOST)
            flags |= Qt::WindowStaysOnTopHint;
        const TRect bounds = BoundsRect();
        setWindowFlags(flags);
        setAttribute(Qt::WA_ShowWithoutActivating);
        PlaceWidget(bounds);
    }
    FSurfaceDirty = true;
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
    for (TControl* child : FControls)
        if (child->UsesSurface() && !dynamic_cast<TWinControl*>(child))
            child->FSurfaceDirty = true;
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    for (TControl* child : FControls)
        child->ParentFontChanged();
}

void TWinControl::ColorChanged()
{
    FBrush->SetColor(Color());
    TControl::ColorChanged();
    for (TControl* child : FControls)
        child->ParentColorChanged();
}

void TWinControl::PaintSurface(gdi::DeviceContext& dc)
{
    dc.FillRect(ClientRect(), gdi::SolidBrush(Color()));
}

void TWinControl::PresentSurface(QPainter& painter, const gdi::Bitmap& picture)
{
    if (FBorderWidth > 0) {
        const gdi::ColorRef frame = gdi::ColorRef(ColorToRGB(clWindowFrame));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gdi::QColorOf(frame));
        painter.drawRect(rect());
    }
    TControl::PresentSurface(painter, picture);
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
    FHosted = widget;
    setFocusProxy(widget);
    widget->setGeometry(0, 0, Width(), Height());
    ApplyLook();
}

void TWidgetHostControl::ApplyLook()
{
    if (!FHosted)
        return;
    FHosted->setFont(Font()->Handle().ToQFont());
    const auto qcolor = [](TColor color) { return gdi::QColorOf(gdi::ColorRef(ColorToRGB(color))); };
    QPalette palette = FHosted->palette();
    palette.setColor(QPalette::Base, qcolor(Color()));
    palette.setColor(QPalette::Text, qcolor(Font()->Color()));
    FHosted->setPalette(palette);
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
    if (FHosted)
        FHosted->setGeometry(0, 0, Width(), Height());
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
