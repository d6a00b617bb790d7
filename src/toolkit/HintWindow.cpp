#include "toolkit/HintWindow.h"

#include "toolkit/Application.h"

namespace {

// Text starts this far in from the client area's left edge.
constexpr int kTextIndent = 2;
// Measured text grows by these to the window size: text indents and border.
constexpr int kExtraWidth = 6;
constexpr int kExtraHeight = 2;

}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner)
{
    FVisible = false;
    SetColor(clInfoBk);
    if (Screen)
        Canvas()->Font()->Assign(Screen->HintFont());
    Canvas()->Brush()->SetStyle(bsClear);
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.WindowClassStyle |= CS_SAVEBITS;
}

TRect THintWindow::CalcHintRect(int maxWidth, const QString& hint)
{
    TRect rect = Rect(0, 0, maxWidth, 0);
    Canvas()->DrawText(hint, rect, gdi::DT_CALCRECT | gdi::DT_LEFT | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX);
    rect.right += kExtraWidth;
    rect.bottom += kExtraHeight;
    return rect;
}

void THintWindow::ActivateHint(TRect rect, const QString& hint)
{
    HandleNeeded();
    SetCaption(hint);
    const int width = rect.Width();
    const int height = rect.Height();
    int left = rect.left;
    int top = rect.top;
    const int screenWidth = Screen ? Screen->Width() : left + width;
    const int screenHeight = Screen ? Screen->Height() : top + height;
    if (top + height > screenHeight)
        top = screenHeight - height;
    if (left + width > screenWidth)
        left = screenWidth - width;
    left = std::max(0, left);
    top = std::max(0, top);
    SetBounds(left, top, width, height);
    Invalidate();
    Show();
    raise();
}

void THintWindow::Paint()
{
    TRect rect = ClientRect();
    rect.left += kTextIndent;
    rect.right -= kTextIndent;
    Canvas()->Font()->SetColor(clInfoText);
    Canvas()->DrawText(Caption(), rect, gdi::DT_LEFT | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX);
}
