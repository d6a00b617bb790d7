#include "toolkit/StdCtrls.h"

#include "toolkit/Forms.h"
#include "toolkit/Guard.h"

#include "platform/gdi/Draw3D.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

// The focus rectangle lies this far inside the button's edge.
constexpr int kFocusInset = 4;

}  // namespace

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    SetTabStop(true);
    SetFocusByClick(true);
    SetBounds(0, 0, 75, 25);
}

TButton::~TButton() = default;

void TButton::SetDefault(bool value)
{
    if (default_ == value)
        return;
    default_ = value;
    Invalidate();
}

void TButton::SetCancel(bool value)
{
    cancel_ = value;
}

bool TButton::Active() const
{
    if (Focused())
        return true;
    if (!default_)
        return false;
    const TForm* form = TForm::GetParentForm(this);
    const TWinControl* focused = form ? form->ActiveControl() : nullptr;
    return !focused || focused == this || !dynamic_cast<const TButton*>(focused) || !focused->Focused();
}

void TButton::Click()
{
    if (TForm* form = TForm::GetParentForm(this))
        form->SetModalResult(modalResult_);
    TWinControl::Click();
}

unsigned TButton::ItemState() const
{
    unsigned state = 0;
    if (Pressed())
        state |= ODS_SELECTED;
    if (!Enabled())
        state |= ODS_DISABLED;
    if (Focused())
        state |= ODS_FOCUS;
    if (Active())
        state |= ODS_DEFAULT;
    return state;
}

void TButton::PaintSurface(gdi::DeviceContext& dc)
{
    TDrawItemStruct item;
    item.itemState = ItemState();
    item.hwndItem = this;
    item.hDC = &dc;
    item.rcItem = ClientRect();
    DrawItem(item);
}

void TButton::DrawItem(const TDrawItemStruct& item)
{
    gdi::DeviceContext& dc = *item.hDC;
    TRect rect = item.rcItem;
    if (item.itemState & ODS_DEFAULT) {
        dc.FrameRect(rect, gdi::SolidBrush(clWindowFrame));
        rect = rect.inflated(-1, -1);
    }
    const bool pressed = item.itemState & ODS_SELECTED;
    TRect content = gdi::DrawButtonFace(dc, rect, pressed);
    if (pressed)
        content = content.translated(1, 1);
    DrawContent(dc, content, item.itemState);
    if (item.itemState & ODS_FOCUS)
        dc.DrawFocusRect(item.rcItem.inflated(-kFocusInset, -kFocusInset));
}

void TButton::DrawContent(gdi::DeviceContext& dc, const TRect& rect, unsigned state)
{
    dc.SelectFont(Font()->Handle());
    dc.SetBkMode(gdi::TRANSPARENT);
    TRect textRect = rect;
    const unsigned format = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    if (state & ODS_DISABLED) {
        TRect raised = textRect.translated(1, 1);
        dc.SetTextColor(clBtnHighlight);
        dc.DrawText(Caption(), raised, format);
        dc.SetTextColor(clBtnShadow);
    } else {
        dc.SetTextColor(Font()->Color());
    }
    dc.DrawText(Caption(), textRect, format);
}

void TButton::TextChanged()
{
    Invalidate();
    delete mnemonic_;
    mnemonic_ = nullptr;
    const QKeySequence keys = QKeySequence::mnemonic(Caption());
    if (keys.isEmpty())
        return;
    mnemonic_ = new QShortcut(keys, this);
    QObject::connect(mnemonic_, &QShortcut::activated, this, [this] {
        Guard([this] {
            if (CanFocus())
                Click();
        });
    });
}

void TButton::SetPressedByMouse(bool value)
{
    if (pressedByMouse_ == value)
        return;
    pressedByMouse_ = value;
    Repaint();
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TWinControl::MouseDown(button, shift, x, y);
    if (button == mbLeft) {
        mouseHeld_ = true;
        SetPressedByMouse(true);
    }
}

void TButton::MouseMove(TShiftState shift, int x, int y)
{
    TWinControl::MouseMove(shift, x, y);
    if (mouseHeld_)
        SetPressedByMouse(ClientRect().contains(x, y));
}

void TButton::mouseReleaseEvent(QMouseEvent* event)
{
    // The face comes up before the click runs.
    if (event->button() == Qt::LeftButton) {
        mouseHeld_ = false;
        Guard([this] { SetPressedByMouse(false); });
    }
    TWinControl::mouseReleaseEvent(event);
}

void TButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat() && !pressedByKey_) {
            pressedByKey_ = true;
            Guard([this] { Repaint(); });
        }
        event->accept();
        return;
    }
    // Enter and Escape go on to the form, which presses its active or cancel button.
    TWinControl::keyPressEvent(event);
}

void TButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && pressedByKey_) {
        pressedByKey_ = false;
        event->accept();
        Guard([this] {
            Repaint();
            Click();
        });
        return;
    }
    TWinControl::keyReleaseEvent(event);
}

void TButton::focusInEvent(QFocusEvent* event)
{
    TWinControl::focusInEvent(event);
    Invalidate();
}

void TButton::focusOutEvent(QFocusEvent* event)
{
    TWinControl::focusOutEvent(event);
    pressedByKey_ = false;
    Invalidate();
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 65, 17);
}

TLabel::~TLabel() = default;

void TLabel::SetAlignment(TAlignment value)
{
    if (alignment_ == value)
        return;
    alignment_ = value;
    Invalidate();
}

void TLabel::SetAutoSize(bool value)
{
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetBiDiMode(TBiDiMode value)
{
    if (biDiMode_ == value)
        return;
    biDiMode_ = value;
    parentBiDiMode_ = false;
    Invalidate();
}

void TLabel::SetTransparent(bool value)
{
    if (transparent_ == value)
        return;
    transparent_ = value;
    Invalidate();
}

void TLabel::SetWordWrap(bool value)
{
    if (wordWrap_ == value)
        return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

unsigned TLabel::TextFormat() const
{
    TAlignment alignment = alignment_;
    if (biDiMode_ != bdLeftToRight && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    unsigned format = alignment == taRightJustify ? gdi::DT_RIGHT : alignment == taCenter ? gdi::DT_CENTER : gdi::DT_LEFT;
    if (wordWrap_)
        format |= gdi::DT_WORDBREAK;
    return format;
}

void TLabel::AdjustBounds()
{
    if (!autoSize_ || ComponentState().testFlag(csLoading))
        return;
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    TRect rect = Rect(0, 0, wordWrap_ ? Width() : 0, 0);
    canvas->DrawText(Caption().isEmpty() ? QStringLiteral(" ") : Caption(), rect, TextFormat() | gdi::DT_CALCRECT);
    // Growing or shrinking keeps the edge the text is aligned to.
    int left = Left();
    if (alignment_ == taRightJustify)
        left += Width() - rect.width();
    else if (alignment_ == taCenter)
        left += (Width() - rect.width()) / 2;
    SetBounds(left, Top(), rect.width(), rect.height());
}

void TLabel::TextChanged()
{
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::Paint()
{
    TCanvas* canvas = Canvas();
    if (!transparent_) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(ClientRect());
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->SetFont(Font());
    TRect rect = ClientRect();
    if (!Enabled()) {
        TRect raised = rect.translated(1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(Caption(), raised, TextFormat());
        canvas->Font()->SetColor(clBtnShadow);
    }
    canvas->DrawText(Caption(), rect, TextFormat());
}

// ---------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* owner) : TWidgetHostControl(owner), editor_(new QLineEdit(this))
{
    SetHostedWidget(editor_);
    QObject::connect(editor_, &QLineEdit::textChanged, this, [this] {
        Guard([this] {
            if (OnChange)
                OnChange(this);
        });
    });
    SetBounds(0, 0, 121, 21);
}

TEdit::~TEdit() = default;

QString TEdit::GetText() const
{
    return editor_->text();
}

void TEdit::SetTextValue(const QString& value)
{
    editor_->setText(value);
}

void TEdit::SetMaxLength(int value)
{
    if (maxLength_ == value || value < 0)
        return;
    maxLength_ = value;
    editor_->setMaxLength(value == 0 ? 32767 : value);
}

bool TEdit::ReadOnly() const
{
    return editor_->isReadOnly();
}

void TEdit::SetReadOnly(bool value)
{
    editor_->setReadOnly(value);
}

// ---------------------------------------------------------------- TListBox

// The lines of the list box, as Qt's list view reads them. Every line is as wide as the longest,
// so the view scrolls sideways to the end of any line instead of cutting it short.
class TListBox::Model : public QAbstractListModel {
public:
    Model(TListBox* owner) : QAbstractListModel(owner), owner_(owner)
    {
        TStrings* items = owner->Items();
        connect(items, &TStrings::inserted, this, [this](int first, int count) {
            const bool wider = owner_->MeasureLines(first, count);
            beginInsertRows({}, first, first + count - 1);
            endInsertRows();
            if (wider)
                emit layoutChanged();
        });
        connect(items, &TStrings::removed, this, [this](int first, int count) {
            beginRemoveRows({}, first, first + count - 1);
            endRemoveRows();
            Remeasure();
        });
        connect(items, &TStrings::changed, this, [this](int row) {
            emit dataChanged(index(row), index(row));
            Remeasure();
        });
        connect(items, &TStrings::reset, this, [this] {
            beginResetModel();
            owner_->RemeasureLines();
            endResetModel();
        });
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : owner_->Count(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= owner_->Count())
            return {};
        if (role == Qt::DisplayRole)
            return owner_->Items()->Strings(index.row());
        if (role == Qt::SizeHintRole)
            return QSize(owner_->scrollWidth_, owner_->ItemHeight());
        return {};
    }

    // The lines' extent may have changed: the view lays them out again when it has.
    void Remeasure()
    {
        if (owner_->RemeasureLines())
            emit layoutChanged();
    }

private:
    TListBox* owner_;
};

TListBox::TListBox(TComponent* owner)
    : TWidgetHostControl(owner), items_(new TStringList(this)), model_(new Model(this)), view_(new QListView(this))
{
    view_->setModel(model_);
    view_->setUniformItemSizes(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    SetHostedWidget(view_);
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() = default;

void TListBox::SetItemHeight(int value)
{
    if (itemHeight_ == value || value <= 0)
        return;
    itemHeight_ = value;
    emit model_->layoutChanged();
}

int TListBox::ItemIndex() const
{
    const QModelIndex current = view_->currentIndex();
    return current.isValid() && view_->selectionModel()->isSelected(current) ? current.row() : -1;
}

void TListBox::SetItemIndex(int index)
{
    if (index < 0 || index >= Count()) {
        view_->clearSelection();
        view_->setCurrentIndex({});
        return;
    }
    view_->setCurrentIndex(model_->index(index));
}

int TListBox::TopIndex() const
{
    const QModelIndex top = view_->indexAt(QPoint(0, 0));
    return top.isValid() ? top.row() : 0;
}

void TListBox::SetTopIndex(int index)
{
    if (index < 0 || index >= Count())
        return;
    view_->scrollTo(model_->index(index), QAbstractItemView::PositionAtTop);
}

bool TListBox::MeasureLines(int first, int count)
{
    const QFontMetrics metrics = view_->fontMetrics();
    int widest = 0;
    for (int i = first; i < first + count; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(items_->Strings(i)));
    // The room the view's items leave beside their text, on either side.
    const int margin = view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1;
    widest = std::max(scrollWidth_, count > 0 ? widest + 2 * margin : 0);
    return std::exchange(scrollWidth_, widest) != widest;
}

bool TListBox::RemeasureLines()
{
    const int before = std::exchange(scrollWidth_, 0);
    MeasureLines(0, Count());
    return scrollWidth_ != before;
}

void TListBox::FontChanged()
{
    TWidgetHostControl::FontChanged();
    model_->Remeasure();
}

QString TListBox::HintAt(TPoint clientPos, TRect& area) const
{
    const QPoint inView = view_->viewport()->mapFrom(this, QPoint(clientPos.x(), clientPos.y()));
    const QModelIndex line = view_->indexAt(inView);
    if (!line.isValid())
        return TWidgetHostControl::HintAt(clientPos, area);
    const QRect shown = view_->visualRect(line).intersected(view_->viewport()->rect());
    area = TRect::fromQRect(QRect(view_->viewport()->mapTo(this, shown.topLeft()), shown.size()));
    return items_->Strings(line.row());
}
