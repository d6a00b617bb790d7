#pragma once
// The effect label: a windowless text control that draws its caption raised, recessed,
// pushed, shadowed or volumetric, optionally outlined, gradient-filled, textured, over a
// tiled background picture, with letters that show what lies beneath, turned in steps of
// 90 degrees, sized to its text. It has a passive and an active look: active while the
// pointer is over it or, optionally, while a linked focus control has the keyboard focus.
//
// TglCustomLabel holds the pointer, focus and focus-control logic; TglLabel the settings
// objects, the fonts and the painting.

#include "gl/glCommCl.h"

#include "toolkit/Controls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Graphics.h"

#include <QMetaObject>
#include <QPointer>
#include <memory>

class TglFocusWatcher;

// The sizes the caption needs. extent is the caption measured in the label font.
struct TglTextBox {
    int Cx = 0;  // the caption's width as measured
    int W0 = 0;  // text width with its margin
    int H0 = 0;  // text height with its margin
    int Sw = 0;  // W0 plus what the effect and the outline add
    int Sh = 0;  // H0 plus the same
    int E = 0;   // what the effect and the outline add
};
TglTextBox GlTextBox(QSize extent, bool styleHasDepth, int shadowDepth, bool delineated);
// The label's size when it sizes itself: the text box, turned for the upright directions.
QSize GlLabelAutoSize(const TglTextBox& box, TglLabelDir direction);
// Where the text line starts in a label of width x height (for the turned directions the
// start is at the right or bottom edge of the text, which is turned about it).
TPoint GlLabelTextOrigin(const TglTextBox& box, TglLabelDir direction, TAlignment alignment, int width, int height);

// Where the letters of the label's mask go, from the text origin: over the face, so that a
// texture or what lies beneath fills exactly the face.
int GlLabelMaskOffset(TglTextStyle style, bool delineated);

class TglCustomLabel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TNotifyEvent OnMouseEnter MEMBER OnMouseEnter)
    Q_PROPERTY(TNotifyEvent OnMouseLeave MEMBER OnMouseLeave)
    Q_PROPERTY(TWinControl* FocusControl READ FocusControl WRITE SetFocusControl)
    Q_PROPERTY(gl::TFocusControlMethod FocusControlMethod READ FocusControlMethod WRITE SetFocusControlMethod)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_CLASSINFO("FocusControlMethod", "default fcmOnMouseDown")
    Q_CLASSINFO("AutoSize", "default True")
    Q_CLASSINFO("Transparent", "default True")

public:
    explicit TglCustomLabel(TComponent* owner);
    ~TglCustomLabel() override;

    // The control that gets the focus from the label and, while hooked, gives it its
    // active look. Assigning unhooks the previous one and hooks the new one (while the
    // label hooks on focus).
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value);
    TFocusControlMethod FocusControlMethod() const { return FFocusControlMethod; }
    void SetFocusControlMethod(TFocusControlMethod value) { FFocusControlMethod = value; }
    // Takes effect at the next paint.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { FAutoSize = value; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);

    bool IsActive() const { return FIsActive; }
    bool FocusActive() const { return FFocusActive; }

    // The pointer handling run as if the pointer had entered or left; the focus control's
    // watcher runs them when that control gains or loses the focus.
    virtual void EnterNotify();
    virtual void LeaveNotify();

    void MouseEnter(TControl* control) override;
    void MouseLeave(TControl* control) override;

protected:
    // What every label does once it has taken the active look: OnMouseEnter, then the
    // focus to FocusControl when it is to move on entry.
    void MouseEntered();
    void MouseLeft();

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;
    void TextChanged() override;

    // Puts the watcher on the focus control, unless it is on it already.
    void HookFocusControl();
    // Takes the watcher off again; anyone else's watcher stays.
    void UnhookFocusControl();
    // Gives FocusControl the focus when method is the label's and the control can take it.
    void FocusBy(TFocusControlMethod method);

    bool FIsActive = false;
    bool FFocusActive = false;
    bool FHookOnFocus = true;
    bool FRehookPending = false;

private:
    friend class TglFocusWatcher;

    bool FAutoSize = true;
    TWinControl* FFocusControl = nullptr;
    TFocusControlMethod FFocusControlMethod = fcmOnMouseDown;
    bool FTransparent = true;
    // Watches the hooked control's focus and its going; owned by the label.
    TglFocusWatcher* FHookWndProc = nullptr;
    // The control the watcher is on; it may go at any time, and is then never touched.
    QPointer<TWinControl> FHooked;
    QMetaObject::Connection FHookedGoing;
};

class TglLabel : public TglCustomLabel {
    Q_OBJECT
    Q_PROPERTY(gl::TglLabelDir Direction READ Direction WRITE SetDirection)
    Q_PROPERTY(TglLabelTextStyles* TextStyles READ TextStyles)
    Q_PROPERTY(TglLabelColors* Colors READ Colors)
    Q_PROPERTY(gl::TFontWeight FontWeight READ FontWeight WRITE SetFontWeight)
    Q_PROPERTY(gl::TglLabelOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TGradient* Gradient READ Gradient)
    Q_PROPERTY(TIllumination* Illumination READ Illumination)
    Q_PROPERTY(TBitmap* Texture READ Texture WRITE SetTexture)
    Q_PROPERTY(TBitmap* Background READ Background WRITE SetBackground)
    Q_PROPERTY(TImage* TextureImage READ TextureImage WRITE SetTextureImage)
    Q_PROPERTY(TImage* BackgroundImage READ BackgroundImage WRITE SetBackgroundImage)
    Q_PROPERTY(toolkit::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_CLASSINFO("Direction", "default fldLeftRight")

public:
    explicit TglLabel(TComponent* owner);
    ~TglLabel() override;

    // Every assignment, even of the direction it has, makes the label font anew.
    TglLabelDir Direction() const { return FDirection; }
    void SetDirection(TglLabelDir value);
    TglLabelTextStyles* TextStyles() const { return FTextStyles; }
    TglLabelColors* Colors() const { return FColors; }
    // Stored only: the weight of the label font comes from fsBold of Font.
    TFontWeight FontWeight() const { return FFontWeight; }
    void SetFontWeight(TFontWeight value);
    // floTransparentFont brings floBufferedDraw with it.
    TglLabelOptions Options() const { return FOptions; }
    void SetOptions(TglLabelOptions value);
    TGradient* Gradient() const { return FGradient; }
    TIllumination* Illumination() const { return FIllumination; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    // The label's own texture and background bitmaps; reading one makes it (empty) if the
    // label has none. Setting one copies the bitmap; an own bitmap with a picture comes
    // before a linked image's.
    TBitmap* Texture();
    void SetTexture(TBitmap* value);
    TBitmap* Background();
    void SetBackground(TBitmap* value);
    TImage* TextureImage() const { return FTextureImage; }
    void SetTextureImage(TImage* value);
    TImage* BackgroundImage() const { return FBackgroundImage; }
    void SetBackgroundImage(TImage* value);

    // The font the caption is drawn with: Font, turned for Direction.
    const gdi::Font& LabelFont() const { return FLabelFont; }

    void EnterNotify() override;
    void LeaveNotify() override;

protected:
    void Paint() override;
    void Loaded() override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

    // The label's rectangle on its parent drawn afresh, background first.
    void InvalidateParentArea();
    // Paints now over what the label shows (a face-only paint draws only the face), or,
    // when there is nothing up to date to paint over, asks for a full paint instead.
    void PaintAtOnce();

private:
    // The fields of one of the two picture sources, texture or background: the label's
    // own bitmap, the linked image and the bitmap actually drawn.
    struct Source {
        std::unique_ptr<TBitmap>& own;
        TImage*& image;
        QPointer<TBitmap>& graphic;
        // Whether a bitmap was taken: a null graphic then means that it has gone.
        bool& taken;
        // The linked picture's word that its graphic was replaced.
        QMetaObject::Connection& replaced;
    };
    Source TextureSource();
    Source BackgroundSource();
    struct Look;

    Look CurrentLook() const;
    TColor ParentBrushColor() const;
    void RebuildLabelFont();
    void GradientChanged();
    void SettingsChanged();
    // The repaint the pointer's entry or leave needs, by what differs between the looks.
    void ChooseRepaint();
    static TBitmap* OwnBitmap(Source source);
    void SetOwnBitmap(Source source, TBitmap* value);
    void SetImage(Source source, TImage* value);
    // The bitmap to draw for a source: its own one with a picture, else its image's.
    void TakeGraphic(Source source);
    // The source's bitmap if it can be drawn; a bitmap that has gone drops the source.
    TBitmap* DrawableGraphic(Source source);
    void Tile(gdi::DeviceContext& dc, const TBitmap& bitmap, gdi::RasterOp rop) const;

    TglLabelDir FDirection = fldLeftRight;
    TglLabelTextStyles* FTextStyles;
    TglLabelColors* FColors;
    TFontWeight FFontWeight = fwDONTCARE;
    TglLabelOptions FOptions;
    TGradient* FGradient;
    TIllumination* FIllumination;
    std::unique_ptr<TBitmap> FOwnTexture;
    std::unique_ptr<TBitmap> FOwnBackground;
    TImage* FTextureImage = nullptr;
    TImage* FBackgroundImage = nullptr;
    QPointer<TBitmap> FTextureGraphic;
    QPointer<TBitmap> FBackgroundGraphic;
    bool FTextureTaken = false;
    bool FBackgroundTaken = false;
    QMetaObject::Connection FTextureReplaced;
    QMetaObject::Connection FBackgroundReplaced;
    TAlignment FAlignment = taLeftJustify;
    bool FPainted = false;
    bool FFaceOnly = false;
    // Set while the label itself asks a linked picture for its bitmap.
    bool FTakingGraphic = false;
    std::unique_ptr<TBitmap> FBuffer;
    std::unique_ptr<TBitmap> FMask;
    TCanvas* FDrawCanvas = nullptr;
    gdi::Font FLabelFont;
};
