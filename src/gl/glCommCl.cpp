#include "gl/glCommCl.h"

#include <algorithm>

namespace {

constexpr int kMinSteps = 1;
constexpr int kMaxSteps = 255;
// Shallower devices show gradients as bands: the text is drawn plainly there.
constexpr int kGradientMinBitsPerPixel = 16;

gdi::ColorRef RgbOf(TColor color)
{
    return gdi::ColorRef(ColorToRGB(color));
}

}  // namespace

// ---------------------------------------------------------------- TTwainColors

TTwainColors::TTwainColors(QObject* parent)
    : TPersistent(parent), FFromRGB(RgbOf(FFromColor)), FToRGB(RgbOf(FToColor))
{
}

void TTwainColors::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TTwainColors::SetFromColor(TColor value)
{
    if (FFromColor == value)
        return;
    FFromColor = value;
    FFromRGB = RgbOf(value);
    Changed();
}

void TTwainColors::SetToColor(TColor value)
{
    if (FToColor == value)
        return;
    FToColor = value;
    FToRGB = RgbOf(value);
    Changed();
}

// ---------------------------------------------------------------- TCustomGradient

TCustomGradient::TCustomGradient(QObject* parent) : TTwainColors(parent) {}

void TCustomGradient::SetBufferedDraw(bool value)
{
    FBufferedDraw = value;
}

void TCustomGradient::SetSteps(int value)
{
    value = std::clamp(value, kMinSteps, kMaxSteps);
    if (FSteps == value)
        return;
    FSteps = value;
    Changed();
}

void TCustomGradient::SetPercentFilling(int value)
{
    // Kept as given, so that a description written back says what it said when read; only
    // the drawing holds it to a percentage.
    if (FPercentFilling == value)
        return;
    FPercentFilling = value;
    Changed();
}

void TCustomGradient::SetBrushStyle(TBrushStyle value)
{
    FBrushStyle = value;
    Changed();
}

void TCustomGradient::SetOrientation(TglGradientDir value)
{
    if (FOrientation == value)
        return;
    FOrientation = value;
    // An inactive gradient draws nothing that the orientation could change.
    if (FActive)
        Changed();
}

void TCustomGradient::SetActive(bool value)
{
    if (FActive == value)
        return;
    FActive = value;
    Changed();
}

void TCustomGradient::GradientTextOut(gdi::DeviceContext& dc, const QString& text, const TRect& clip, int x,
                                      int y) const
{
    if (!FActive || dc.BitsPerPixel() < kGradientMinBitsPerPixel) {
        dc.TextOut(x, y, text);
        return;
    }
    TRect strip = clip;
    const bool acrossColumns = FOrientation == fgdVertical;
    const int span = acrossColumns ? strip.right - strip.left : strip.bottom - strip.top;
    // A rectangle turned inside out has no strips at all.
    if (span < 0)
        return;
    struct Channel {
        float value;
        float step;
    };
    const auto channel = [span](int from, int to) {
        // Over a span of 0 there is only strip 0, drawn in the From colour.
        return Channel{float(from), span == 0 ? 0.0f : float(to - from) / float(span)};
    };
    Channel red = channel(gdi::GetRValue(FromRGB()), gdi::GetRValue(ToRGB()));
    Channel green = channel(gdi::GetGValue(FromRGB()), gdi::GetGValue(ToRGB()));
    Channel blue = channel(gdi::GetBValue(FromRGB()), gdi::GetBValue(ToRGB()));

    const gdi::ColorRef remembered = dc.SetTextColor(clBlack);
    // Strip i is the pixel row (or column) i of the device, counted from 0 whatever the
    // rectangle's own edge; n + 1 strips are drawn, the last one just past the span.
    const int n = gdi::MulDiv(span, std::clamp(FPercentFilling, 0, kGlPercentMax), kGlPercentMax);
    for (int i = 0; i <= n; ++i) {
        dc.SetTextColor(TColor(gdi::RGB(int(red.value), int(green.value), int(blue.value))));
        if (acrossColumns) {
            strip.left = i;
            strip.right = i + 1;
        } else {
            strip.top = i;
            strip.bottom = i + 1;
        }
        dc.ExtTextOut(x, y, gdi::ETO_CLIPPED, &strip, text);
        red.value += red.step;
        green.value += green.step;
        blue.value += blue.step;
    }
    dc.SetTextColor(TColor(remembered));
}

// ---------------------------------------------------------------- T2DAlign, TIllumination

T2DAlign::T2DAlign(QObject* parent) : TPersistent(parent) {}

void T2DAlign::Changed()
{
    if (OnChange)
        OnChange(this);
}

void T2DAlign::SetHorizontal(TglHorAlign value)
{
    if (FHorizontal == value)
        return;
    FHorizontal = value;
    Changed();
}

void T2DAlign::SetVertical(TglVertAlign value)
{
    if (FVertical == value)
        return;
    FVertical = value;
    Changed();
}

TIllumination::TIllumination(QObject* parent) : T2DAlign(parent) {}

void TIllumination::SetShadowDepth(int value)
{
    value = std::max(value, 0);
    if (FShadowDepth == value)
        return;
    FShadowDepth = value;
    Changed();
}

// ---------------------------------------------------------------- TPointClass

TPointClass::TPointClass(QObject* parent) : TPersistent(parent) {}

void TPointClass::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TPointClass::SetX(int value)
{
    if (FX == value)
        return;
    FX = value;
    Changed();
}

void TPointClass::SetY(int value)
{
    if (FY == value)
        return;
    FY = value;
    Changed();
}

// ---------------------------------------------------------------- TglLabelTextStyles

TglLabelTextStyles::TglLabelTextStyles(QObject* parent) : TPersistent(parent) {}

void TglLabelTextStyles::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TglLabelTextStyles::SetPassive(TglTextStyle value)
{
    if (FPassive == value)
        return;
    FPassive = value;
    Changed();
}

void TglLabelTextStyles::SetActive(TglTextStyle value)
{
    if (FActive == value)
        return;
    FActive = value;
    Changed();
}

void TglLabelTextStyles::SetDisabled(TglTextStyle value)
{
    if (FDisabled == value)
        return;
    FDisabled = value;
    Changed();
}

// ---------------------------------------------------------------- colour sets

TglCustomTextColors::TglCustomTextColors(QObject* parent) : TPersistent(parent) {}

void TglCustomTextColors::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TglCustomTextColors::SetText(TColor value) { Change(FText, value); }
void TglCustomTextColors::SetTextDisabled(TColor value) { Change(FTextDisabled, value); }
void TglCustomTextColors::SetDelineate(TColor value) { Change(FDelineate, value); }
void TglCustomTextColors::SetBackground(TColor value) { Change(FBackground, value); }
void TglCustomTextColors::SetHighlight(TColor value) { Change(FHighlight, value); }
void TglCustomTextColors::SetShadow(TColor value) { Change(FShadow, value); }

TglCustomLabelColors::TglCustomLabelColors(QObject* parent) : TglCustomTextColors(parent) {}

void TglCustomLabelColors::SetTextActive(TColor value) { Change(FTextActive, value); }
void TglCustomLabelColors::SetDelineateActive(TColor value) { Change(FDelineateActive, value); }
void TglCustomLabelColors::SetAutoHighlight(bool value) { Change(FAutoHighlight, value); }
void TglCustomLabelColors::SetAutoShadow(bool value) { Change(FAutoShadow, value); }
void TglCustomLabelColors::SetBackgroundActive(TColor value) { Change(FBackgroundActive, value); }
void TglCustomLabelColors::SetColorHighlightShift(int value) { Change(FColorHighlightShift, value); }
void TglCustomLabelColors::SetColorShadowShift(int value) { Change(FColorShadowShift, value); }
