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
    if (charset_ == value)
        return;
    charset_ = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (color_ == value)
        return;
    color_ = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (height_ == value)
        return;
    height_ = value;
    Changed();
}

void TFont::SetName(const QString& value)
{
    if (name_ == value || value.isEmpty())
        return;
    name_ = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (pitch_ == value)
        return;
    pitch_ = value;
    Changed();
}

int TFont::Size() const
{
    return gdi::PointsFromHeight(height_);
}

void TFont::SetSize(int points)
{
    SetHeight(gdi::HeightFromPoints(points));
}

void TFont::SetStyle(TFontStyles value)
{
    if (style_ == value)
        return;
    style_ = value;
    Changed();
}

gdi::LogFont TFont::LogFont() const
{
    gdi::LogFont lf;
    lf.height = height_;
    lf.weight = style_.testFlag(fsBold) ? gdi::FW_BOLD : gdi::FW_NORMAL;
    lf.italic = style_.testFlag(fsItalic);
    lf.underline = style_.testFlag(fsUnderline);
    lf.strikeOut = style_.testFlag(fsStrikeOut);
    lf.charSet = std::uint8_t(charset_);
    lf.pitchAndFamily = pitch_ == fpFixed      ? gdi::FIXED_PITCH
                        : pitch_ == fpVariable ? gdi::VARIABLE_PITCH
                                               : gdi::DEFAULT_PITCH;
    lf.faceName = name_;
    return lf;
}

const gdi::Font& TFont::Handle() const
{
    if (!handle_)
        handle_ = gdi::CreateFontIndirect(LogFont());
    return *handle_;
}

void TFont::Changed()
{
    handle_.reset();
    TGraphicsObject::Changed();
}

bool TFont::Equals(const TFont& other) const
{
    return charset_ == other.charset_ && color_ == other.color_ && height_ == other.height_
           && name_ == other.name_ && pitch_ == other.pitch_ && style_ == other.style_;
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
    charset_ = font->charset_;
    color_ = font->color_;
    height_ = font->height_;
    name_ = font->name_;
    pitch_ = font->pitch_;
    style_ = font->style_;
    Changed();
}

// ---------------------------------------------------------------- TPen

TPen::TPen(QObject* parent) : TGraphicsObject(parent) {}

void TPen::SetColor(TColor value)
{
    if (color_ == value)
        return;
    color_ = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (style_ == value)
        return;
    style_ = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    if (width_ == value || value < 0)
        return;
    width_ = value;
    Changed();
}

gdi::Pen TPen::Handle() const
{
    gdi::Pen pen = gdi::SolidPen(color_, width_);
    if (style_ == psClear)
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
    color_ = pen->color_;
    style_ = pen->style_;
    width_ = pen->width_;
    Changed();
}

// ---------------------------------------------------------------- TBrush

TBrush::TBrush(QObject* parent) : TGraphicsObject(parent) {}

void TBrush::SetColor(TColor value)
{
    if (color_ == value && style_ != bsClear)
        return;
    color_ = value;
    if (style_ == bsClear)
        style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (style_ == value)
        return;
    style_ = value;
    Changed();
}

gdi::Brush TBrush::Handle() const
{
    return style_ == bsClear ? gdi::HollowBrush() : gdi::SolidBrush(color_);
}

void TBrush::Assign(const TPersistent* source)
{
    const auto* brush = qobject_cast<const TBrush*>(source);
    if (!brush) {
        TPersistent::Assign(source);
        return;
    }
    color_ = brush->color_;
    style_ = brush->style_;
    Changed();
}

// ---------------------------------------------------------------- TCanvas

TCanvas::TCanvas(QObject* parent)
    : TPersistent(parent), font_(new TFont(this)), pen_(new TPen(this)), brush_(new TBrush(this))
{
    font_->OnChange = TNotifyEvent::FromFunction([this](TObject*) { state_ &= ~FontValid; });
    pen_->OnChange = TNotifyEvent::FromFunction([this](TObject*) { state_ &= ~PenValid; });
    brush_->OnChange = TNotifyEvent::FromFunction([this](TObject*) { state_ &= ~BrushValid; });
}

TCanvas::~TCanvas() = default;

void TCanvas::SetHandle(gdi::DeviceContext* handle)
{
    if (handle_ == handle)
        return;
    handle_ = handle;
    state_ = 0;
}

bool TCanvas::RequiredState(int needed)
{
    if (!handle_)
        return false;
    const int missing = needed & ~state_;
    if (missing & FontValid) {
        handle_->SelectFont(font_->Handle());
        handle_->SetTextColor(font_->Color());
    }
    if (missing & PenValid)
        handle_->SelectPen(pen_->Handle());
    if (missing & BrushValid) {
        handle_->SelectBrush(brush_->Handle());
        handle_->SetBkColor(brush_->Color());
        handle_->SetBkMode(brush_->Style() == bsClear ? gdi::TRANSPARENT : gdi::OPAQUE);
    }
    state_ |= missing;
    return true;
}

void TCanvas::FillRect(const TRect& rect)
{
    if (RequiredState(BrushValid))
        handle_->FillRect(rect, handle_->GetBrush());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (RequiredState(PenValid | BrushValid))
        handle_->Rectangle(left, top, right, bottom);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    if (RequiredState(PenValid | BrushValid))
        handle_->Ellipse(left, top, right, bottom);
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    if (RequiredState(PenValid | BrushValid))
        handle_->RoundRect(left, top, right, bottom, ellipseWidth, ellipseHeight);
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned format)
{
    if (!RequiredState(FontValid | BrushValid))
        return 0;
    return handle_->DrawText(text, rect, format);
}

QSize TCanvas::TextExtent(const QString& text)
{
    if (!RequiredState(FontValid))
        return QSize();
    return handle_->GetTextExtentPoint(text);
}

void TCanvas::Draw(int x, int y, const TGraphic* graphic)
{
    if (graphic && !graphic->Empty() && handle_)
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
std::vector<TGraphicClass>& graphicClasses()
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
    graphicClasses().push_back(cls);
}

TGraphicClass FindGraphicClass(const QString& name)
{
    for (const TGraphicClass& cls : graphicClasses())
        if (cls.Name() == name)
            return cls;
    return {};
}

// ---------------------------------------------------------------- TBitmap

TBitmap::TBitmap(QObject* parent) : TGraphic(parent) {}

TBitmap::~TBitmap()
{
    if (canvas_)
        canvas_->SetHandle(nullptr);
}

void TBitmap::SetSize(int width, int height)
{
    if (width == Width() && height == Height())
        return;
    bitmap_.setSize(width, height);
    Changed();
}

void TBitmap::SetDevicePixelRatio(qreal ratio)
{
    if (ratio == DevicePixelRatio())
        return;
    bitmap_.setDevicePixelRatio(ratio);
    Changed();
}

TCanvas* TBitmap::Canvas()
{
    if (!canvas_) {
        dc_ = std::make_unique<gdi::DeviceContext>(&bitmap_);
        canvas_ = new TCanvas(this);
        canvas_->SetHandle(dc_.get());
    }
    return canvas_;
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) const
{
    if (gdi::DeviceContext* dc = canvas->Handle())
        dc->StretchDrawBitmap(rect, bitmap_, gdi::SRCCOPY);
}

void TBitmap::SetHandle(const gdi::Bitmap& bitmap)
{
    bitmap_ = bitmap;
    Changed();
}

bool TBitmap::LoadFromResourceName(const QString& name)
{
    if (!bitmap_.loadFromResourceName(name))
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
    bitmap_.image().save(&buffer, "BMP");
    return bytes;
}

void TBitmap::SetData(const QByteArray& data)
{
    QImage image;
    if (!data.isEmpty() && !image.loadFromData(data))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    bitmap_.assign(image);
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
        bitmap_.assign(QImage());
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
    bitmap_ = other->bitmap_;
    Changed();
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture(QObject* parent) : TPersistent(parent) {}

TPicture::~TPicture() = default;

void TPicture::ReplaceGraphic(TGraphic* graphic)
{
    TGraphic* old = std::exchange(graphic_, graphic);
    if (graphic_)
        graphic_->OnChange = TNotifyEvent::FromFunction([this](TObject*) { Changed(); });
    delete old;
    emit GraphicReplaced();
    Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic)
{
    if (graphic == graphic_)
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
    if (auto* bitmap = qobject_cast<TBitmap*>(graphic_))
        return bitmap;
    ReplaceGraphic(new TBitmap(this));
    return static_cast<TBitmap*>(graphic_);
}

QByteArray TPicture::Data() const
{
    if (!graphic_)
        return {};
    const QByteArray name = QByteArray(graphic_->metaObject()->className());
    if (name.size() > kMaxClassNameLength)
        throw EInvalidGraphic(QStringLiteral("The class name %1 is too long to be stored").arg(QLatin1String(name)));
    return char(name.size()) + name + graphic_->WriteData();
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
            SetGraphic(picture->graphic_);
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
