#include "toolkit/Graphics.h"

#include "toolkit/Exceptions.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------- TFont

TFont::TFont(QObject* parent) : TGraphicsObject(parent) {}

void TFont::SetCharset(TFontCharset value)
{
    if (FCharset == value)
        return;
    FCharset = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (FHeight == value)
        return;
    FHeight = value;
    Changed();
}

void TFont::SetName(const QString& value)
{
    if (FName == value || value.isEmpty())
        return;
    FName = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (FPitch == value)
        return;
    FPitch = value;
    Changed();
}

int TFont::Size() const
{
    return gdi::PointsFromHeight(FHeight);
}

void TFont::SetSize(int points)
{
    SetHeight(gdi::HeightFromPoints(points));
}

void TFont::SetStyle(TFontStyles value)
{
    if (FStyle == value)
        return;
    FStyle = value;
    Changed();
}

gdi::LogFont TFont::LogFont() const
{
    gdi::LogFont lf;
    lf.height = FHeight;
    lf.weight = FStyle.testFlag(fsBold) ? gdi::FW_BOLD : gdi::FW_NORMAL;
    lf.italic = FStyle.testFlag(fsItalic);
    lf.underline = FStyle.testFlag(fsUnderline);
    lf.strikeOut = FStyle.testFlag(fsStrikeOut);
    lf.charSet = std::uint8_t(FCharset);
    lf.pitchAndFamily = FPitch == fpFixed      ? gdi::FIXED_PITCH
                        : FPitch == fpVariable ? gdi::VARIABLE_PITCH
                                               : gdi::DEFAULT_PITCH;
    lf.faceName = FName;
    return lf;
}

const gdi::Font& TFont::Handle() const
{
    if (!FHandle)
        FHandle = gdi::CreateFontIndirect(LogFont());
    return *FHandle;
}

void TFont::Changed()
{
    FHandle.reset();
    TGraphicsObject::Changed();
}

bool TFont::Equals(const TFont& other) const
{
    return FCharset == other.FCharset && FColor == other.FColor && FHeight == other.FHeight
           && FName == other.FName && FPitch == other.FPitch && FStyle == other.FStyle;
}

void TFont::Assign(const TPersistent* source)
{
    const auto* font = qobject_cast<const TFont*>(source);
    if (!font) {
        TPersistent::Assign(source);
        return;
    }
    if (Equals(*font))
        return;
    FCharset = font->FCharset;
    FColor = font->FColor;
    FHeight = font->FHeight;
    FName = font->FName;
    FPitch = font->FPitch;
    FStyle = font->FStyle;
    Changed();
}

// ---------------------------------------------------------------- TPen

TPen::TPen(QObject* parent) : TGraphicsObject(parent) {}

void TPen::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (FStyle == value)
        return;
    FStyle = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    if (FWidth == value || value < 0)
        return;
    FWidth = value;
    Changed();
}

gdi::Pen TPen::Handle() const
{
    gdi::Pen pen = gdi::SolidPen(FColor, FWidth);
    if (FStyle == psClear)
        pen.style = gdi::PenStyle::Clear;
    return pen;
}

void TPen::Assign(const TPersistent* source)
{
    const auto* pen = qobject_cast<const TPen*>(source);
    if (!pen) {
        TPersistent::Assign(source);
        return;
    }
    FColor = pen->FColor;
    FStyle = pen->FStyle;
    FWidth = pen->FWidth;
    Changed();
}

// ---------------------------------------------------------------- TBrush

TBrush::TBrush(QObject* parent) : TGraphicsObject(parent) {}

void TBrush::SetColor(TColor value)
{
    if (FColor == value && FStyle != bsClear)
        return;
    FColor = value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (FStyle == value)
        return;
    FStyle = value;
    Changed();
}

gdi::Brush TBrush::Handle() const
{
    return FStyle == bsClear ? gdi::HollowBrush() : gdi::SolidBrush(FColor);
}

void TBrush::Assign(const TPersistent* source)
{
    const auto* brush = qobject_cast<const TBrush*>(source);
    if (!brush) {
        TPersistent::Assign(source);
        return;
    }
    FColor = brush->FColor;
    FStyle = brush->FStyle;
    Changed();
}

// ---------------------------------------------------------------- TCanvas

TCanvas::TCanvas(QObject* parent)
    : TPersistent(parent), FFont(new TFont(this)), FPen(new TPen(this)), FBrush(new TBrush(this))
{
    FFont->OnChange = TNotifyEvent::FromFunction([this](TObject*) { FState &= ~FontValid; });
    FPen->OnChange = TNotifyEvent::FromFunction([this](TObject*) { FState &= ~PenValid; });
    FBrush->OnChange = TNotifyEvent::FromFunction([this](TObject*) { FState &= ~BrushValid; });
}

TCanvas::~TCanvas() = default;

void TCanvas::SetHandle(gdi::DeviceContext* handle)
{
    if (FHandle == handle)
        return;
    FHandle = handle;
    FState = 0;
}

gdi::DeviceContext* TCanvas::Handle()
{
    if (!FHandle)
        CreateHandle();
    return FHandle;
}

bool TCanvas::RequiredState(int needed)
{
    if (!Handle())
        return false;
    const int missing = needed & ~FState;
    if (missing & FontValid) {
        FHandle->SelectFont(FFont->Handle());
        FHandle->SetTextColor(FFont->Color());
    }
    if (missing & PenValid)
        FHandle->SelectPen(FPen->Handle());
    if (missing & BrushValid) {
        FHandle->SelectBrush(FBrush->Handle());
        FHandle->SetBkColor(FBrush->Color());
        FHandle->SetBkMode(FBrush->Style() == bsClear ? gdi::TRANSPARENT : gdi::OPAQUE);
    }
    FState |= missing;
    return true;
}

void TCanvas::FillRect(const TRect& rect)
{
    if (RequiredState(BrushValid))
        FHandle->FillRect(rect, FHandle->GetBrush());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (RequiredState(PenValid | BrushValid))
        FHandle->Rectangle(left, top, right, bottom);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    if (RequiredState(PenValid | BrushValid))
        FHandle->Ellipse(left, top, right, bottom);
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    if (RequiredState(PenValid | BrushValid))
        FHandle->RoundRect(left, top, right, bottom, ellipseWidth, ellipseHeight);
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned format)
{
    if (!RequiredState(FontValid | BrushValid))
        return 0;
    return FHandle->DrawText(text, rect, format);
}

QSize TCanvas::TextExtent(const QString& text)
{
    if (!RequiredState(FontValid))
        return QSize();
    return FHandle->GetTextExtentPoint(text);
}

void TCanvas::Draw(int x, int y, const TGraphic* graphic)
{
    if (graphic && !graphic->Empty() && Handle())
        graphic->Draw(this, Rect(x, y, x + graphic->Width(), y + graphic->Height()));
}

// ---------------------------------------------------------------- TGraphic

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

namespace {

// Graphic classes by name; a picture asks here for the class its stored data names.
std::vector<TGraphicClass>& GraphicClasses()
{
    static std::vector<TGraphicClass> classes{
        TGraphicClass{&TBitmap::staticMetaObject, [](QObject* parent) -> TGraphic* { return new TBitmap(parent); }}};
    return classes;
}

// The length prefix of a stored class name is one byte.
constexpr int kMaxClassNameLength = 255;

}  // namespace

QByteArray TGraphic::WithByteCount(const QByteArray& bytes)
{
    QByteArray data(kByteCountSize, '\0');
    qToLittleEndian(quint32(bytes.size()), data.data());
    return data + bytes;
}

quint32 TGraphic::ByteCountOf(const QByteArray& data)
{
    return qFromLittleEndian<quint32>(data.constData());
}

void RegisterGraphicClass(const TGraphicClass& cls)
{
    if (!cls || FindGraphicClass(cls.Name()))
        return;
    GraphicClasses().push_back(cls);
}

TGraphicClass FindGraphicClass(const QString& name)
{
    for (const TGraphicClass& cls : GraphicClasses())
        if (cls.Name() == name)
            return cls;
    return {};
}

// ---------------------------------------------------------------- TBitmap

TBitmap::TBitmap(QObject* parent) : TGraphic(parent) {}

TBitmap::~TBitmap()
{
    if (FCanvas)
        FCanvas->SetHandle(nullptr);
}

void TBitmap::SetSize(int width, int height)
{
    if (width == Width() && height == Height())
        return;
    FBitmap.SetSize(width, height);
    Changed();
}

void TBitmap::SetDevicePixelRatio(qreal ratio)
{
    if (ratio == DevicePixelRatio())
        return;
    FBitmap.SetDevicePixelRatio(ratio);
    Changed();
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas) {
        FDc = std::make_unique<gdi::DeviceContext>(&FBitmap);
        FCanvas = new TCanvas(this);
        FCanvas->SetHandle(FDc.get());
    }
    return FCanvas;
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) const
{
    if (gdi::DeviceContext* dc = canvas->Handle())
        dc->StretchDrawBitmap(rect, FBitmap, gdi::SRCCOPY);
}

void TBitmap::SetHandle(const gdi::Bitmap& bitmap)
{
    FBitmap = bitmap;
    Changed();
}

bool TBitmap::LoadFromResourceName(const QString& name)
{
    if (!FBitmap.LoadFromResourceName(name))
        return false;
    Changed();
    return true;
}

QByteArray TBitmap::Data() const
{
    if (Empty())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    FBitmap.Image().save(&buffer, "BMP");
    return bytes;
}

void TBitmap::SetData(const QByteArray& data)
{
    QImage image;
    if (!data.isEmpty() && !image.loadFromData(data))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    FBitmap.Assign(image);
    Changed();
}

QByteArray TBitmap::WriteData() const
{
    return WithByteCount(Data());
}

void TBitmap::ReadData(const QByteArray& data)
{
    if (data.size() < kByteCountSize || ByteCountOf(data) != quint64(data.size() - kByteCountSize))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    SetData(data.mid(kByteCountSize));
}

void TBitmap::Assign(const TPersistent* source)
{
    if (!source) {
        FBitmap.Assign(QImage());
        Changed();
        return;
    }
    const auto* other = qobject_cast<const TBitmap*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    FBitmap = other->FBitmap;
    Changed();
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture(QObject* parent) : TPersistent(parent) {}

TPicture::~TPicture() = default;

void TPicture::ReplaceGraphic(TGraphic* graphic)
{
    TGraphic* old = std::exchange(FGraphic, graphic);
    if (FGraphic)
        FGraphic->OnChange = TNotifyEvent::FromFunction([this](TObject*) { Changed(); });
    delete old;
    emit GraphicReplaced();
    Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic)
{
    if (graphic == FGraphic)
        return;
    if (!graphic) {
        ReplaceGraphic(nullptr);
        return;
    }
    const TGraphicClass cls{graphic->metaObject(), nullptr};
    const TGraphicClass registered = FindGraphicClass(cls.Name());
    if (!registered)
        throw EInvalidGraphic(QStringLiteral("Unknown picture format %1").arg(cls.Name()));
    std::unique_ptr<TGraphic> copy(registered.create(this));
    copy->Assign(graphic);
    ReplaceGraphic(copy.release());
}

TBitmap* TPicture::Bitmap()
{
    if (auto* bitmap = qobject_cast<TBitmap*>(FGraphic))
        return bitmap;
    ReplaceGraphic(new TBitmap(this));
    return static_cast<TBitmap*>(FGraphic);
}

QByteArray TPicture::Data() const
{
    if (!FGraphic)
        return {};
    const QByteArray name = QByteArray(FGraphic->metaObject()->className());
    if (name.size() > kMaxClassNameLength)
        throw EInvalidGraphic(QStringLiteral("The class name %1 is too long to be stored").arg(QLatin1String(name)));
    return char(name.size()) + name + FGraphic->WriteData();
}

void TPicture::SetData(const QByteArray& data)
{
    if (data.isEmpty()) {
        ReplaceGraphic(nullptr);
        return;
    }
    const int length = quint8(data[0]);
    if (data.size() < 1 + length)
        throw EInvalidGraphic(QStringLiteral("Picture data is cut short"));
    const QString name = QString::fromLatin1(data.mid(1, length));
    const TGraphicClass cls = FindGraphicClass(name);
    if (!cls)
        throw EInvalidGraphic(QStringLiteral("Unknown picture format %1").arg(name));
    // Read into a graphic of its own first, so that bad data leaves the picture as it was.
    std::unique_ptr<TGraphic> graphic(cls.create(this));
    graphic->ReadData(data.mid(1 + length));
    ReplaceGraphic(graphic.release());
}

void TPicture::Assign(const TPersistent* source)
{
    if (!source) {
        ReplaceGraphic(nullptr);
        return;
    }
    if (const auto* picture = qobject_cast<const TPicture*>(source)) {
        if (picture != this)
            SetGraphic(picture->FGraphic);
        return;
    }
    if (const auto* graphic = qobject_cast<const TGraphic*>(source)) {
        SetGraphic(graphic);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::Changed()
{
    if (OnChange)
        OnChange(this);
}
