#pragma once
// The bitmap button: a push button drawn by its owner-draw step with a glyph beside its
// caption, and the stock kinds (OK, Cancel, Yes ...) with their captions, glyphs and results.

#include "toolkit/StdCtrls.h"

#include <QSize>

// Where the glyph and the caption go inside a button's face.
struct TGlyphPlacement {
    TPoint glyph;
    TRect text;
};
// The whole block is centred when margin is -1; with spacing -1 too, the free space is
// shared equally before, between and after. With no glyph or no caption there is no spacing.
TGlyphPlacement PlaceGlyphAndText(const TRect& client, QSize glyph, QSize text, TButtonLayout layout, int margin,
                                  int spacing);

struct TBitBtnStock {
    const char* caption;  // nullptr for bkCustom
    const char* glyph;    // the bitmap resource name
    bool isDefault;
    bool isCancel;
    TModalResult modalResult;
};
const TBitBtnStock& BitBtnStock(TBitBtnKind kind);

class TBitBtn : public TButton {
    Q_OBJECT
    Q_PROPERTY(TBitmap* Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(toolkit::TBitBtnKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(toolkit::TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(toolkit::TButtonStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_CLASSINFO("Cancel", "default False; stored IsCustom")
    Q_CLASSINFO("Caption", "stored IsCustomCaption")
    Q_CLASSINFO("Default", "default False; stored IsCustom")
    Q_CLASSINFO("ModalResult", "default 0; stored IsCustom")
    Q_CLASSINFO("Glyph", "stored IsCustom")
    Q_CLASSINFO("Kind", "default bkCustom")
    Q_CLASSINFO("Layout", "default blGlyphLeft")
    Q_CLASSINFO("Margin", "default -1")
    Q_CLASSINFO("NumGlyphs", "default 1")
    Q_CLASSINFO("Style", "default bsAutoDetect")
    Q_CLASSINFO("Spacing", "default 4")

public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    // The picture: NumGlyphs cells side by side (up, disabled, down); the bottom-left
    // pixel's colour is left out.
    TBitmap* Glyph() const { return FGlyph; }
    void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }

    // A stock kind sets Default, Cancel and ModalResult and the stock glyph and caption (a
    // caption read from a form description before the kind stays). The kind reads as
    // bkCustom once any of these no longer matches it.
    TBitBtnKind Kind() const;
    void SetKind(TBitBtnKind value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int value);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);

    Q_INVOKABLE bool IsCustom() const { return Kind() == bkCustom; }
    Q_INVOKABLE bool IsCustomCaption() const;

protected:
    void DrawContent(gdi::DeviceContext& dc, const TRect& rect, unsigned state) override;

private:
    void GlyphChanged();

    TBitmap* FGlyph;
    TBitBtnKind FKind = bkCustom;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FNumGlyphs = 1;
    TButtonStyle FStyle = bsAutoDetect;
    int FSpacing = 4;
    bool FGlyphModified = false;
    bool FSettingStockGlyph = false;
};
