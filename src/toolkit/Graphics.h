#pragma once
// Fonts, pens, brushes, bitmaps and canvases: the drawing objects of controls, as persistent
// objects over the drawing layer's device context. A canvas selects its font, pen and
// brush into the device context only when they have changed since it last did, so a
// background mode or colour set on the device context directly stays until then.

#include "toolkit/Events.h"
#include "toolkit/Persistent.h"
#include "toolkit/Types.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Geometry.h"

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <memory>
#include <optional>
#include <vector>

using TRect = gdi::Rect;
using TPoint = QPoint;

constexpr TRect Rect(int left, int top, int right, int bottom)
{
    return TRect{left, top, right, bottom};
}

// Base of TFont, TPen and TBrush: OnChange after every change of a value.
class TGraphicsObject : public TPersistent {
    Q_OBJECT

public:
    using TPersistent::TPersistent;
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

class TFont : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(toolkit::TFontCharset Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(toolkit::TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(toolkit::TFontStyles Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Color", "TColor")
    Q_CLASSINFO("Pitch", "default fpDefault")

public:
    // The default form font: "MS Sans Serif", height -11, clWindowText.
    explicit TFont(QObject* parent = nullptr);

    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return FHeight; }
    void SetHeight(int value);
    const QString& Name() const { return FName; }
    void SetName(const QString& value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    // Points at 96 pixels per inch, derived from Height.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);

    // The description the drawing layer creates the font from.
    gdi::LogFont LogFont() const;
    // The created font, made again only after a change.
    const gdi::Font& Handle() const;

    void Assign(const TPersistent* source) override;
    bool Equals(const TFont& other) const;

protected:
    void Changed() override;

private:
    TFontCharset FCharset = DEFAULT_CHARSET;
    TColor FColor = clWindowText;
    int FHeight = gdi::kDefaultFontHeight;
    QString FName = QString::fromLatin1(gdi::kDefaultFontName);
    TFontPitch FPitch = fpDefault;
    TFontStyles FStyle;
    mutable std::optional<gdi::Font> FHandle;
};

class TPen : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(toolkit::TPenStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Color", "TColor; default clBlack")
    Q_CLASSINFO("Style", "default psSolid")
    Q_CLASSINFO("Width", "default 1")

public:
    explicit TPen(QObject* parent = nullptr);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    int Width() const { return FWidth; }
    void SetWidth(int value);

    // System colours resolved now; every style but psClear draws solid.
    gdi::Pen Handle() const;
    void Assign(const TPersistent* source) override;

private:
    TColor FColor = clBlack;
    TPenStyle FStyle = psSolid;
    int FWidth = 1;
};

class TBrush : public TGraphicsObject {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(toolkit::TBrushStyle Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Color", "TColor; default clWhite")
    Q_CLASSINFO("Style", "default bsSolid")

public:
    explicit TBrush(QObject* parent = nullptr);

    TColor Color() const { return FColor; }
    // Setting a colour makes a clear brush solid.
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);

    // System colours resolved now; hatch styles fill solid.
    gdi::Brush Handle() const;
    void Assign(const TPersistent* source) override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TGraphic;
class TBitmap;

class TCanvas : public TPersistent {
    Q_OBJECT

public:
    explicit TCanvas(QObject* parent = nullptr);
    ~TCanvas() override;

    // The device context drawn on; the canvas does not own it. A canvas without one asks
    // for it (CreateHandle) when it is first needed.
    gdi::DeviceContext* Handle();
    void SetHandle(gdi::DeviceContext* handle);
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Selects font, pen and brush afresh at the next drawing call (the device context's
    // state was reset under the canvas).
    void Refresh() { FState = 0; }

    TFont* Font() const { return FFont; }
    TPen* Pen() const { return FPen; }
    TBrush* Brush() const { return FBrush; }
    void SetFont(const TFont* font) { FFont->Assign(font); }

    void FillRect(const TRect& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

    // Formatted text (gdi::DT_* flags); returns its height. DT_CALCRECT measures into rect.
    int DrawText(const QString& text, TRect& rect, unsigned format);
    QSize TextExtent(const QString& text);

    // A graphic at its natural size with its top-left corner at (x, y).
    void Draw(int x, int y, const TGraphic* graphic);

protected:
    // Gives the canvas a device context (SetHandle) when it has none; the base has none to give.
    virtual void CreateHandle() {}

private:
    enum StateFlag { FontValid = 0x1, PenValid = 0x2, BrushValid = 0x4 };
    // Selects what has changed since it was last selected; false without a handle.
    bool RequiredState(int needed);

    gdi::DeviceContext* FHandle = nullptr;
    TFont* FFont;
    TPen* FPen;
    TBrush* FBrush;
    int FState = 0;
};

// What a picture shows: a bitmap, or any other kind of graphic a layer registers (see
// RegisterGraphicClass). Pictures store a graphic as its class name and its own data.
class TGraphic : public TPersistent {
    Q_OBJECT

public:
    using TPersistent::TPersistent;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    // Draws the graphic scaled into rect (at its natural size when rect has that size).
    virtual void Draw(TCanvas* canvas, const TRect& rect) const = 0;

    // The graphic's own part of a stored picture (what follows the class name), and
    // reading that part back; ReadData throws EInvalidGraphic for data it cannot read.
    virtual QByteArray WriteData() const = 0;
    virtual void ReadData(const QByteArray& data) = 0;

    // After every change of the graphic's content.
    TNotifyEvent OnChange;

protected:
    void Changed();

    // The stored layout of bitmaps and JPEG pictures alike: the byte count of what follows
    // as 32 bits, little-endian, then those bytes.
    static constexpr qsizetype kByteCountSize = 4;
    static QByteArray WithByteCount(const QByteArray& bytes);
    // The count that data begins with; data holds at least kByteCountSize bytes.
    static quint32 ByteCountOf(const QByteArray& data);
};

// How a picture makes a graphic of a class it finds in a form description.
struct TGraphicClass {
    const QMetaObject* meta = nullptr;
    TGraphic* (*create)(QObject* parent) = nullptr;

    QString Name() const { return meta ? QString::fromLatin1(meta->className()) : QString(); }
    explicit operator bool() const { return meta != nullptr; }
};

// Makes a graphic class known to pictures by its class name; TBitmap is known from the
// start. Registering a class twice does nothing.
void RegisterGraphicClass(const TGraphicClass& cls);
template <class T>
void RegisterGraphicClass()
{
    RegisterGraphicClass(TGraphicClass{&T::staticMetaObject, [](QObject* parent) -> TGraphic* { return new T(parent); }});
}
// The registered graphic class of that name, or an empty class.
TGraphicClass FindGraphicClass(const QString& name);

class TBitmap : public TGraphic {
    Q_OBJECT
    // Form descriptions keep the picture as the bytes of a bitmap (or PNG) file.
    Q_PROPERTY(QByteArray Data READ Data WRITE SetData)

public:
    explicit TBitmap(QObject* parent = nullptr);
    ~TBitmap() override;

    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    void SetSize(int width, int height);
    bool Empty() const override { return FBitmap.IsEmpty(); }
    void Draw(TCanvas* canvas, const TRect& rect) const override;
    bool Monochrome() const { return FBitmap.IsMonochrome(); }
    // Image pixels per pixel: a bitmap drawn on the screen's picture takes the screen's.
    qreal DevicePixelRatio() const { return FBitmap.DevicePixelRatio(); }
    void SetDevicePixelRatio(qreal ratio);

    // A canvas drawing on the bitmap, made at first use.
    TCanvas* Canvas();
    const gdi::Bitmap& Handle() const { return FBitmap; }
    gdi::Bitmap& Handle() { return FBitmap; }
    // The bottom-left pixel: the colour glyphs leave out.
    gdi::ColorRef TransparentColor() const { return FBitmap.BottomLeftPixel(); }

    // A copy of the picture.
    void SetHandle(const gdi::Bitmap& bitmap);
    // The program's bitmap resource of that name; false (bitmap unchanged) when missing.
    bool LoadFromResourceName(const QString& name);

    // The bytes of a bitmap file; setting them throws EInvalidGraphic for bytes that are
    // no picture.
    QByteArray Data() const;
    void SetData(const QByteArray& data);
    // In a picture: the byte count of Data as 32 bits, little-endian, then Data.
    QByteArray WriteData() const override;
    void ReadData(const QByteArray& data) override;

    void Assign(const TPersistent* source) override;

private:
    gdi::Bitmap FBitmap;
    std::unique_ptr<gdi::DeviceContext> FDc;
    TCanvas* FCanvas = nullptr;
};

// A picture holds one graphic, or none; it owns it. Form descriptions store it as
// Picture.Data: the graphic's class name (one byte of length, then the name) and the
// graphic's own data.
class TPicture : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(QByteArray Data READ Data WRITE SetData)

public:
    explicit TPicture(QObject* parent = nullptr);
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic; }
    // Holds a copy of graphic (a new graphic of its class, assigned from it); nullptr
    // empties the picture.
    void SetGraphic(const TGraphic* graphic);
    // The graphic as a bitmap: a picture holding any other kind of graphic, or none, is
    // first given a new empty bitmap in its place.
    TBitmap* Bitmap();

    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Empty for a picture without a graphic. Setting data of an unregistered class or data
    // the graphic cannot read throws EInvalidGraphic and leaves the picture as it was.
    QByteArray Data() const;
    void SetData(const QByteArray& data);

    // From another picture, a graphic, or nullptr (empties the picture).
    void Assign(const TPersistent* source) override;

    // After every change of the picture, its graphic replaced or changed.
    TNotifyEvent OnChange;

signals:
    // The graphic object has been replaced or dropped: whoever kept a pointer to the old
    // one must let it go (it is freed).
    void GraphicReplaced();

private:
    // Takes ownership of graphic (nullptr allowed) and frees the previous one.
    void ReplaceGraphic(TGraphic* graphic);
    void Changed();

    TGraphic* FGraphic = nullptr;
};
