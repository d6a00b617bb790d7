#include "toolkit/Buttons.h"

#include "platform/gdi/Draw3D.h"

#include <QImage>
#include <QScopedValueRollback>
#include <array>
#include <map>
#include <mutex>

// Outside any namespace, as the resource system's initialiser must be.
static void InitGlyphResources()
{
    Q_INIT_RESOURCE(glyphs);
}

namespace {

constexpr int kMaxGlyphs = 4;
constexpr unsigned kTextFormat = gdi::DT_SINGLELINE;

const std::array<TBitBtnStock, 11> kStock = {{
    {nullptr, nullptr, false, false, mrNone},       // bkCustom
    {"OK", "BBOK", true, false, mrOk},              // bkOK
    {"Cancel", "BBCANCEL", false, true, mrCancel},  // bkCancel
    {"&Help", "BBHELP", false, false, mrNone},      // bkHelp
    {"&Yes", "BBYES", true, false, mrYes},          // bkYes
    {"&No", "BBNO", false, true, mrNo},             // bkNo
    {"&Close", "BBCLOSE", false, false, mrNone},    // bkClose
    {"Abort", "BBABORT", false, false, mrAbort},    // bkAbort
    {"&Retry", "BBRETRY", false, false, mrRetry},   // bkRetry
    {"&Ignore", "BBIGNORE", false, false, mrIgnore},  // bkIgnore
    {"&All", "BBALL", false, false, mrAll},         // bkAll
}};

// Each stock glyph is read from the resources once and shared by every button of its kind.
const gdi::Bitmap& StockGlyph(TBitBtnKind kind)
{
    static std::mutex mutex;
    static std::map<TBitBtnKind, gdi::Bitmap> glyphs;
    static std::once_flag resources;
    std::call_once(resources, InitGlyphResources);
    const std::lock_guard lock(mutex);
    auto found = glyphs.find(kind);
    if (found == glyphs.end()) {
        gdi::Bitmap bitmap;
        bitmap.LoadFromResourceName(QString::fromLatin1(BitBtnStock(kind).glyph));
        found = glyphs.emplace(kind, std::move(bitmap)).first;
    }
    return found->second;
}

// One cell of a glyph strip.
gdi::Bitmap GlyphCell(const gdi::Bitmap& glyph, int index, int count)
{
    const int width = glyph.Width() / count;
    return gdi::Bitmap(glyph.Image().copy(index * width, 0, width, glyph.Height()));
}

}  // namespace

const TBitBtnStock& BitBtnStock(TBitBtnKind kind)
{
    return kStock.at(std::size_t(kind));
}

TGlyphPlacement PlaceGlyphAndText(const TRect& client, QSize glyph, QSize text, TButtonLayout layout, int margin,
                                  int spacing)
{
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    const int room = horizontal ? client.Width() : client.Height();
    const int glyphSize = horizontal ? glyph.width() : glyph.height();
    const int textSize = horizontal ? text.width() : text.height();
    if (glyph.isEmpty() || text.isEmpty())
        spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            spacing = (room - glyphSize - textSize) / 3;
            margin = spacing;
        } else {
            margin = (room - (glyphSize + spacing + textSize)) / 2;
        }
    } else if (spacing == -1) {
        spacing = (room - margin - glyphSize - textSize) / 2;
    }
    // Offsets along the layout's axis from the client's start edge.
    int glyphAt = margin;
    int textAt = margin + glyphSize + spacing;
    if (layout == blGlyphRight || layout == blGlyphBottom) {
        glyphAt = room - margin - glyphSize;
        textAt = glyphAt - spacing - textSize;
    }
    TGlyphPlacement placement;
    if (horizontal) {
        placement.glyph = TPoint(client.left + glyphAt, client.top + (client.Height() - glyph.height()) / 2);
        const int top = client.top + (client.Height() - text.height()) / 2;
        placement.text = Rect(client.left + textAt, top, client.left + textAt + text.width(), top + text.height());
    } else {
        placement.glyph = TPoint(client.left + (client.Width() - glyph.width()) / 2, client.top + glyphAt);
        const int left = client.left + (client.Width() - text.width()) / 2;
        placement.text = Rect(left, client.top + textAt, left + text.width(), client.top + textAt + text.height());
    }
    return placement;
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), FGlyph(new TBitmap(this))
{
    FGlyph->OnChange = TNotifyEvent::FromFunction([this](TObject*) { GlyphChanged(); });
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::GlyphChanged()
{
    if (!FSettingStockGlyph) {
        FGlyphModified = true;
        // A strip of square cells tells how many glyphs it holds.
        const int height = FGlyph->Height();
        if (height > 0 && FGlyph->Width() % height == 0) {
            const int count = FGlyph->Width() / height;
            FNumGlyphs = count > kMaxGlyphs ? 1 : std::max(1, count);
        }
    }
    Invalidate();
}

TBitBtnKind TBitBtn::Kind() const
{
    if (FKind == bkCustom)
        return bkCustom;
    const TBitBtnStock& stock = BitBtnStock(FKind);
    if (FGlyphModified || Default() != stock.isDefault || Cancel() != stock.isCancel
        || ModalResult() != stock.modalResult)
        return bkCustom;
    return FKind;
}

void TBitBtn::SetKind(TBitBtnKind value)
{
    if (value == Kind())
        return;
    FKind = value;
    if (value != bkCustom) {
        const TBitBtnStock& stock = BitBtnStock(value);
        SetDefault(stock.isDefault);
        SetCancel(stock.isCancel);
        SetModalResult(stock.modalResult);
        const bool keepCaption = ComponentState().testFlag(csLoading) && !Caption().isEmpty();
        if (!keepCaption)
            SetCaption(QString::fromLatin1(stock.caption));
        {
            const QScopedValueRollback setting(FSettingStockGlyph, true);
            FGlyph->SetHandle(StockGlyph(value));
        }
        FGlyphModified = false;
        FNumGlyphs = 1;
    }
    Invalidate();
}

bool TBitBtn::IsCustomCaption() const
{
    const TBitBtnKind kind = Kind();
    return kind == bkCustom || Caption() != QLatin1String(BitBtnStock(kind).caption);
}

void TBitBtn::SetLayout(TButtonLayout value)
{
    if (FLayout == value)
        return;
    FLayout = value;
    Invalidate();
}

void TBitBtn::SetMargin(int value)
{
    if (FMargin == value || value < -1)
        return;
    FMargin = value;
    Invalidate();
}

void TBitBtn::SetNumGlyphs(int value)
{
    value = std::clamp(value, 1, kMaxGlyphs);
    if (FNumGlyphs == value)
        return;
    FNumGlyphs = value;
    Invalidate();
}

void TBitBtn::SetStyle(TButtonStyle value)
{
    FStyle = value;
}

void TBitBtn::SetSpacing(int value)
{
    if (FSpacing == value || value < -1)
        return;
    FSpacing = value;
    Invalidate();
}

void TBitBtn::DrawContent(gdi::DeviceContext& dc, const TRect& rect, unsigned state)
{
    const gdi::Bitmap& strip = FGlyph->Handle();
    const int count = std::max(1, std::min(FNumGlyphs, strip.Width()));
    const bool hasGlyph = !strip.IsEmpty();
    const QSize glyphSize = hasGlyph ? QSize(strip.Width() / count, strip.Height()) : QSize();

    dc.SelectFont(Font()->Handle());
    dc.SetBkMode(gdi::TRANSPARENT);
    TRect measured = Rect(0, 0, rect.Width(), 0);
    const QString caption = Caption();
    if (!caption.isEmpty())
        dc.DrawText(caption, measured, kTextFormat | gdi::DT_CALCRECT);
    const QSize textSize = caption.isEmpty() ? QSize() : QSize(measured.Width(), measured.Height());
    const TGlyphPlacement at = PlaceGlyphAndText(rect, glyphSize, textSize, FLayout, FMargin, FSpacing);

    const bool disabled = state & ODS_DISABLED;
    if (hasGlyph) {
        const gdi::ColorRef transparent = strip.BottomLeftPixel();
        const int index = disabled ? 1 : (state & ODS_SELECTED) ? 2 : 0;
        if (index < count) {
            gdi::DrawTransparentBitmap(dc, at.glyph.x(), at.glyph.y(), GlyphCell(strip, index, count), transparent);
        } else if (disabled) {
            const gdi::Bitmap look = gdi::CreateDisabledGlyph(GlyphCell(strip, 0, count), transparent);
            gdi::DrawTransparentBitmap(dc, at.glyph.x(), at.glyph.y(), look, transparent);
        } else {
            gdi::DrawTransparentBitmap(dc, at.glyph.x(), at.glyph.y(), GlyphCell(strip, 0, count), transparent);
        }
    }
    if (caption.isEmpty())
        return;
    TRect text = at.text;
    if (disabled) {
        TRect raised = text.Translated(1, 1);
        dc.SetTextColor(clBtnHighlight);
        dc.DrawText(caption, raised, kTextFormat);
        dc.SetTextColor(clBtnShadow);
    } else {
        dc.SetTextColor(Font()->Color());
    }
    dc.DrawText(caption, text, kTextFormat);
}
