#include "toolkit/Controls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

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
        painter.setBrush(gdi::QColorOf(frame));
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
    const auto qcolor = [](TColor color) { return gdi::QColorOf(gdi::ColorRef(ColorToRGB(color))); };
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

// ---------------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintSurface(gdi::DeviceContext& dc)
{
    TWinControl::PaintSurface(dc);
    Canvas()->Refresh();
    Paint();
}
