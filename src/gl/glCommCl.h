#pragma once
// The appearance settings of the decorative controls: small persistent objects, one per
// aspect (two colours with gradient switches, an alignment with a shadow depth, a text
// style per look, a colour set, a point), and the enumerations and option set the effect
// label uses. A control makes its settings objects in its constructor, publishes each as a
// class-typed property (form descriptions store "Colors.Text", "Gradient.Active") and
// sets their OnChange, so it hears of every change, from a form being read or from code.

#include "toolkit/Events.h"
#include "toolkit/Graphics.h"
#include "toolkit/Persistent.h"
#include "toolkit/Types.h"

#include "platform/gdi/Colors.h"

#include <QObject>
#include <cstdint>

namespace gl {
Q_NAMESPACE

// The enumerations are held in one byte each, as the settings store them.
enum TglGradientDir : std::uint8_t {
    fgdHorizontal,
    fgdVertical,
    fgdLeftBias,
    fgdRightBias,
    fgdRectangle,
    fgdHorzConvergent,
    fgdVertConvergent,
};
Q_ENUM_NS(TglGradientDir)

enum TglHorAlign : std::uint8_t { fhaLeft, fhaCenter, fhaRight };
Q_ENUM_NS(TglHorAlign)

enum TglVertAlign : std::uint8_t { fvaTop, fvaCenter, fvaBottom };
Q_ENUM_NS(TglVertAlign)

enum TglTextStyle : std::uint8_t { fstNone, fstRaised, fstRecessed, fstPushed, fstShadow, fstVolumetric };
Q_ENUM_NS(TglTextStyle)

enum TglLabelDir : std::uint8_t { fldLeftRight, fldRightLeft, fldUpDown, fldDownUp };
Q_ENUM_NS(TglLabelDir)

enum TFontWeight : std::uint8_t {
    fwDONTCARE,
    fwTHIN,
    fwEXTRALIGHT,
    fwLIGHT,
    fwNORMAL,
    fwMEDIUM,
    fwSEMIBOLD,
    fwBOLD,
    fwEXTRABOLD,
    fwHEAVY,
};
Q_ENUM_NS(TFontWeight)

enum TFocusControlMethod : std::uint8_t { fcmOnMouseEnter, fcmOnMouseDown, fcmOnMouseUp };
Q_ENUM_NS(TFocusControlMethod)

// The effect label's options, one bit each from bit 0 in this order.
enum TglLabelOption : std::uint8_t {
    floActiveWhileControlFocused = 0x01,
    floBufferedDraw = 0x02,
    floDelineatedText = 0x04,
    floIgnoreMouse = 0x08,
    floTransparentFont = 0x10,
};
Q_DECLARE_FLAGS(TglLabelOptions, TglLabelOption)
Q_FLAG_NS(TglLabelOptions)

}  // namespace gl

Q_DECLARE_OPERATORS_FOR_FLAGS(gl::TglLabelOptions)

using gl::TglGradientDir;
using enum gl::TglGradientDir;
using gl::TglHorAlign;
using enum gl::TglHorAlign;
using gl::TglVertAlign;
using enum gl::TglVertAlign;
using gl::TglTextStyle;
using enum gl::TglTextStyle;
using gl::TglLabelDir;
using enum gl::TglLabelDir;
using gl::TFontWeight;
using enum gl::TFontWeight;
using gl::TFocusControlMethod;
using enum gl::TFocusControlMethod;
using gl::TglLabelOption;
using gl::TglLabelOptions;
using enum gl::TglLabelOption;

class TglLabel;
class TglLabelColors;
void DeriveAutoColors(TColor base, TglLabelColors* colors);

// The whole of a gradient's span, as a percentage.
inline constexpr int kGlPercentMax = 100;

// Two colours, each kept with the RGB it resolved to when it was set: a system colour is
// looked up then and not again, so a gradient keeps its colours when the theme changes.
class TTwainColors : public TPersistent {
    Q_OBJECT

public:
    explicit TTwainColors(QObject* parent = nullptr);

    TColor FromColor() const { return FFromColor; }
    void SetFromColor(TColor value);
    TColor ToColor() const { return FToColor; }
    void SetToColor(TColor value);
    gdi::ColorRef FromRGB() const { return FFromRGB; }
    gdi::ColorRef ToRGB() const { return FToRGB; }

    // The owner's handler; the sender is this object.
    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor FFromColor = clGray;
    TColor FToColor = clBlack;
    gdi::ColorRef FFromRGB;
    gdi::ColorRef FToRGB;
};

// The switches of a gradient that fills text. Only Active, Orientation and PercentFilling
// take part in drawing; BufferedDraw, Steps and BrushStyle are kept for the form.
class TCustomGradient : public TTwainColors {
    Q_OBJECT

public:
    explicit TCustomGradient(QObject* parent = nullptr);

    bool BufferedDraw() const { return FBufferedDraw; }
    // Stored without comparison and without OnChange: no drawing reads it.
    void SetBufferedDraw(bool value);
    int Steps() const { return FSteps; }
    // Clamped to 1..255.
    void SetSteps(int value);
    int PercentFilling() const { return FPercentFilling; }
    // Any value is kept; one outside 0..100 draws as the nearer end of that range.
    void SetPercentFilling(int value);
    TBrushStyle BrushStyle() const { return FBrushStyle; }
    // Raises OnChange on every assignment, even of the value it holds.
    void SetBrushStyle(TBrushStyle value);
    TglGradientDir Orientation() const { return FOrientation; }
    // Raises OnChange only while the gradient is active; stored either way.
    void SetOrientation(TglGradientDir value);
    bool Active() const { return FActive; }
    void SetActive(bool value);

    // The text at (x, y) in one-pixel strips of colour from FromRGB to ToRGB (rows from
    // the top, or columns from the left for fgdVertical), clipped to clip; only the first
    // PercentFilling percent of the span is drawn. Plain and unclipped in the text colour
    // while the gradient is off or the device shows fewer than 16 bits per pixel.
    void GradientTextOut(gdi::DeviceContext& dc, const QString& text, const TRect& clip, int x, int y) const;

private:
    // A label draws its active look without the gradient by switching it off for one
    // paint, without telling itself through OnChange.
    friend class TglLabel;

    bool FBufferedDraw = false;
    int FSteps = 255;
    int FPercentFilling = kGlPercentMax;
    TBrushStyle FBrushStyle = bsSolid;
    TglGradientDir FOrientation = fgdHorizontal;
    bool FActive = false;
};

class TGradient : public TCustomGradient {
    Q_OBJECT
    Q_PROPERTY(TColor FromColor READ FromColor WRITE SetFromColor)
    Q_PROPERTY(TColor ToColor READ ToColor WRITE SetToColor)
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(bool BufferedDraw READ BufferedDraw WRITE SetBufferedDraw)
    Q_PROPERTY(gl::TglGradientDir Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(int Steps READ Steps WRITE SetSteps)
    Q_PROPERTY(int PercentFilling READ PercentFilling WRITE SetPercentFilling)
    Q_PROPERTY(toolkit::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle)
    Q_CLASSINFO("FromColor", "TColor; default clGray")
    Q_CLASSINFO("ToColor", "TColor; default clBlack")
    Q_CLASSINFO("BufferedDraw", "default False")
    Q_CLASSINFO("Steps", "default 255")
    Q_CLASSINFO("PercentFilling", "default 100")
    Q_CLASSINFO("BrushStyle", "default bsSolid")

public:
    using TCustomGradient::TCustomGradient;
};

class T2DAlign : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(gl::TglHorAlign Horizontal READ Horizontal WRITE SetHorizontal)
    Q_PROPERTY(gl::TglVertAlign Vertical READ Vertical WRITE SetVertical)
    Q_CLASSINFO("Horizontal", "default fhaLeft")
    Q_CLASSINFO("Vertical", "default fvaTop")

public:
    explicit T2DAlign(QObject* parent = nullptr);

    TglHorAlign Horizontal() const { return FHorizontal; }
    void SetHorizontal(TglHorAlign value);
    TglVertAlign Vertical() const { return FVertical; }
    void SetVertical(TglVertAlign value);

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TglHorAlign FHorizontal = fhaLeft;
    TglVertAlign FVertical = fvaTop;
};

// An alignment with a shadow depth; only the depth takes part in drawing.
class TIllumination : public T2DAlign {
    Q_OBJECT
    Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
    Q_CLASSINFO("ShadowDepth", "default 2")

public:
    explicit TIllumination(QObject* parent = nullptr);

    int ShadowDepth() const { return FShadowDepth; }
    // A negative depth becomes 0.
    void SetShadowDepth(int value);

private:
    int FShadowDepth = 2;
};

// A point; a new one is (0, 0) and its owner sets the point it starts from.
class TPointClass : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int X READ X WRITE SetX)
    Q_PROPERTY(int Y READ Y WRITE SetY)

public:
    explicit TPointClass(QObject* parent = nullptr);

    int X() const { return FX; }
    void SetX(int value);
    int Y() const { return FY; }
    void SetY(int value);

    TNotifyEvent OnChange;

private:
    void Changed();

    int FX = 0;
    int FY = 0;
};

// The text effect of each look of a label.
class TglLabelTextStyles : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(gl::TglTextStyle Passive READ Passive WRITE SetPassive)
    Q_PROPERTY(gl::TglTextStyle Active READ Active WRITE SetActive)
    Q_PROPERTY(gl::TglTextStyle Disabled READ Disabled WRITE SetDisabled)
    Q_CLASSINFO("Passive", "default fstRaised")
    Q_CLASSINFO("Active", "default fstRaised")
    Q_CLASSINFO("Disabled", "default fstPushed")

public:
    explicit TglLabelTextStyles(QObject* parent = nullptr);

    TglTextStyle Passive() const { return FPassive; }
    void SetPassive(TglTextStyle value);
    TglTextStyle Active() const { return FActive; }
    void SetActive(TglTextStyle value);
    TglTextStyle Disabled() const { return FDisabled; }
    void SetDisabled(TglTextStyle value);

    TNotifyEvent OnChange;

private:
    void Changed();

    TglTextStyle FPassive = fstRaised;
    TglTextStyle FActive = fstRaised;
    TglTextStyle FDisabled = fstPushed;
};

// The colours of the passive look.
class TglCustomTextColors : public TPersistent {
    Q_OBJECT

public:
    explicit TglCustomTextColors(QObject* parent = nullptr);

    TColor Text() const { return FText; }
    void SetText(TColor value);
    TColor TextDisabled() const { return FTextDisabled; }
    void SetTextDisabled(TColor value);
    TColor Delineate() const { return FDelineate; }
    void SetDelineate(TColor value);
    TColor Background() const { return FBackground; }
    void SetBackground(TColor value);
    TColor Highlight() const { return FHighlight; }
    void SetHighlight(TColor value);
    TColor Shadow() const { return FShadow; }
    void SetShadow(TColor value);

    TNotifyEvent OnChange;

protected:
    void Changed();
    // Stores value into field and tells the owner, unless it is unchanged.
    template <class T>
    void Change(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        Changed();
    }

private:
    // The automatic colours overwrite Highlight and Shadow without telling the owner,
    // which is the one asking for them.
    friend void DeriveAutoColors(TColor base, TglLabelColors* colors);

    TColor FText = clBlack;
    TColor FTextDisabled = clGray;
    TColor FDelineate = clWhite;
    TColor FBackground = clBtnFace;
    TColor FHighlight = clBtnHighlight;
    TColor FShadow = clBtnShadow;
};

// Adds the colours of the active look and the automatic highlight and shadow.
class TglCustomLabelColors : public TglCustomTextColors {
    Q_OBJECT

public:
    explicit TglCustomLabelColors(QObject* parent = nullptr);

    TColor TextActive() const { return FTextActive; }
    void SetTextActive(TColor value);
    TColor DelineateActive() const { return FDelineateActive; }
    void SetDelineateActive(TColor value);
    bool AutoHighlight() const { return FAutoHighlight; }
    void SetAutoHighlight(bool value);
    bool AutoShadow() const { return FAutoShadow; }
    void SetAutoShadow(bool value);
    TColor BackgroundActive() const { return FBackgroundActive; }
    void SetBackgroundActive(TColor value);
    // Any integer, negative ones too.
    int ColorHighlightShift() const { return FColorHighlightShift; }
    void SetColorHighlightShift(int value);
    int ColorShadowShift() const { return FColorShadowShift; }
    void SetColorShadowShift(int value);

private:
    TColor FTextActive = clBlack;
    TColor FDelineateActive = clWhite;
    bool FAutoHighlight = false;
    bool FAutoShadow = false;
    TColor FBackgroundActive = clBtnFace;
    int FColorHighlightShift = 40;
    int FColorShadowShift = 60;
};

class TglLabelColors : public TglCustomLabelColors {
    Q_OBJECT
    Q_PROPERTY(TColor Text READ Text WRITE SetText)
    Q_PROPERTY(TColor TextDisabled READ TextDisabled WRITE SetTextDisabled)
    Q_PROPERTY(TColor Delineate READ Delineate WRITE SetDelineate)
    Q_PROPERTY(TColor Shadow READ Shadow WRITE SetShadow)
    Q_PROPERTY(TColor Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(TColor Background READ Background WRITE SetBackground)
    Q_PROPERTY(TColor TextActive READ TextActive WRITE SetTextActive)
    Q_PROPERTY(TColor DelineateActive READ DelineateActive WRITE SetDelineateActive)
    Q_PROPERTY(bool AutoHighlight READ AutoHighlight WRITE SetAutoHighlight)
    Q_PROPERTY(bool AutoShadow READ AutoShadow WRITE SetAutoShadow)
    Q_PROPERTY(int ColorHighlightShift READ ColorHighlightShift WRITE SetColorHighlightShift)
    Q_PROPERTY(int ColorShadowShift READ ColorShadowShift WRITE SetColorShadowShift)
    Q_PROPERTY(TColor BackgroundActive READ BackgroundActive WRITE SetBackgroundActive)
    Q_CLASSINFO("Text", "TColor; default clBlack")
    Q_CLASSINFO("TextDisabled", "TColor; default clGray")
    Q_CLASSINFO("Delineate", "TColor; default clWhite")
    Q_CLASSINFO("Shadow", "TColor; default clBtnShadow")
    Q_CLASSINFO("Highlight", "TColor; default clBtnHighlight")
    Q_CLASSINFO("Background", "TColor; default clBtnFace")
    Q_CLASSINFO("TextActive", "TColor; default clBlack")
    Q_CLASSINFO("DelineateActive", "TColor; default clWhite")
    Q_CLASSINFO("AutoHighlight", "default False")
    Q_CLASSINFO("AutoShadow", "default False")
    Q_CLASSINFO("ColorHighlightShift", "default 40")
    Q_CLASSINFO("ColorShadowShift", "default 60")
    Q_CLASSINFO("BackgroundActive", "TColor; default clBtnFace")

public:
    using TglCustomLabelColors::TglCustomLabelColors;
};
