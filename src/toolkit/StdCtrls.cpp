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
    if (FDefault == value)
        return;
    FDefault = value;
    Invalidate();
}

void TButton::SetCancel(bool value)
{
    FCancel = value;
}

bool TButton::Active() const
{
    if (Focused())
        return true;
    if (!FDefault)
        return false;
    const TForm* form = TForm::GetParentForm(this);
    const TWinControl* focused = form ? form->ActiveControl() : nullptr;
    return !focused || focused == this || !dynamic_cast<const TButton*>(focused) || !focused->Focused();
}

void TButton::Click()
{
    if (TForm* form = TForm::GetParentForm(this))
        form->SetModalResult(FModalResult);
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
        rect = rect.Inflated(-1, -1);
    }
    const bool pressed = item.itemState & ODS_SELECTED;
    TRect content = gdi::DrawButtonFace(dc, rect, pressed);
    if (pressed)
        content = content.Translated(1, 1);
    DrawContent(dc, content, item.itemState);
    if (item.itemState & ODS_FOCUS)
        dc.DrawFocusRect(item.rcItem.Inflated(-kFocusInset, -kFocusInset));
}

void TButton::DrawContent(gdi::DeviceContext& dc, const TRect& rect, unsigned state)
{
    dc.SelectFont(Font()->Handle());
    dc.SetBkMode(gdi::TRANSPARENT);
    TRect textRect = rect;
    const unsigned format = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    if (state & ODS_DISABLED) {
        TRect raised = textRect.Translated(1, 1);
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
    delete FMnemonic;
    FMnemonic = nullptr;
    const QKeySequence keys = QKeySequence::mnemonic(Caption());
    if (keys.isEmpty())
        return;
    FMnemonic = new QShortcut(keys, this);
    QObject::connect(FMnemonic, &QShortcut::activated, this, [this] {
        Guard([this] {
            if (CanFocus())
                Click();
        });
    });
}

void TButton::SetPressedByMouse(bool value)
{
    if (FPressedByMouse == value)
        return;
    FPressedByMouse = value;
    Repaint();
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TWinControl::MouseDown(button, shift, x, y);
    if (button == mbLeft) {
        FMouseHeld = true;
        SetPressedByMouse(true);
    }
}

void TButton::MouseMove(TShiftState shift, int x, int y)
{
    TWinControl::MouseMove(shift, x, y);
    if (FMouseHeld)
        SetPressedByMouse(ClientRect().Contains(x, y));
}

void TButton::mouseReleaseEvent(QMouseEvent* event)
{
    // The face comes up before the click runs.
    if (event->button() == Qt::LeftButton) {
        FMouseHeld = false;
        Guard([this] { SetPressedByMouse(false); });
    }
    TWinControl::mouseReleaseEvent(event);
}

void TButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat() && !FPressedByKey) {
            FPressedByKey = true;
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
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && FPressedByKey) {
        FPressedByKey = false;
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
    FPressedByKey = false;
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
    if (FAlignment == value)
        return;
    FAlignment = value;
    Invalidate();
}

void TLabel::SetAutoSize(bool value)
{
    if (FAutoSize == value)
        return;
    FAutoSize = value;
    AdjustBounds();
}

void TLabel::SetBiDiMode(TBiDiMode value)
{
    if (FBiDiMode == value)
        return;
    FBiDiMode = value;
    FParentBiDiMode = false;
    Invalidate();
}

void TLabel::SetTransparent(bool value)
{
    if (FTransparent == value)
        return;
    FTransparent = value;
    Invalidate();
}

void TLabel::SetWordWrap(bool value)
{
    if (FWordWrap == value)
        return;
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

unsigned TLabel::TextFormat() const
{
    TAlignment alignment = FAlignment;
    if (FBiDiMode != bdLeftToRight && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    unsigned format = alignment == taRightJustify ? gdi::DT_RIGHT : alignment == taCenter ? gdi::DT_CENTER : gdi::DT_LEFT;
    if (FWordWrap)
        format |= gdi::DT_WORDBREAK;
    return format;
}

void TLabel::AdjustBounds()
{
    if (!FAutoSize || ComponentState().testFlag(csLoading))
        return;
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    TRect rect = Rect(0, 0, FWordWrap ? Width() : 0, 0);
    canvas->DrawText(Caption().isEmpty() ? QStringLiteral(" ") : Caption(), rect, TextFormat() | gdi::DT_CALCRECT);
    // Growing or shrinking keeps the edge the text is aligned to.
    int left = Left();
    if (FAlignment == taRightJustify)
        left += Width() - rect.Width();
    else if (FAlignment == taCenter)
        left += (Width() - rect.Width()) / 2;
    SetBounds(left, Top(), rect.Width(), rect.Height());
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
    if (!FTransparent) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(ClientRect());
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->SetFont(Font());
    TRect rect = ClientRect();
    if (!Enabled()) {
        TRect raised = rect.Translated(1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(Caption(), raised, TextFormat());
        canvas->Font()->SetColor(clBtnShadow);
    }
    canvas->DrawText(Caption(), rect, TextFormat());
}

// ---------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* owner) : TWidgetHostControl(owner), FEditor(new QLineEdit(this))
{
    SetHostedWidget(FEditor);
    QObject::connect(FEditor, &QLineEdit::textChanged, this, [this] {
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
    return FEditor->text();
}

void TEdit::SetTextValue(const QString& value)
{
    FEditor->setText(value);
}

void TEdit::SetMaxLength(int value)
{
    if (FMaxLength == value || value < 0)
        return;
    FMaxLength = value;
    FEditor->setMaxLength(value == 0 ? 32767 : value);
}

bool TEdit::ReadOnly() const
{
    return FEditor->isReadOnly();
}

void TEdit::SetReadOnly(bool value)
{
    FEditor->setReadOnly(value);
}

// ---------------------------------------------------------------- TListBox

// The lines of the list box, as Qt's list view reads them. Every line is as wide as the longest,
// so the view scrolls sideways to the end of any line instead of cutting it short.
class TListBox::Model : public QAbstractListModel {
public:
    Model(TListBox* owner) : QAbstractListModel(owner), FOwner(owner)
    {
        TStrings* items = owner->Items();
        connect(items, &TStrings::Inserted, this, [this](int first, int count) {
            const bool wider = FOwner->MeasureLines(first, count);
            beginInsertRows({}, first, first + count - 1);
            endInsertRows();
            if (wider)
                emit layoutChanged();
        });
        connect(items, &TStrings::Removed, this, [this](int first, int count) {
            beginRemoveRows({}, first, first + count - 1);
            endRemoveRows();
            Remeasure();
        });
        connect(items, &TStrings::LineChanged, this, [this](int row) {
            emit dataChanged(index(row), index(row));
            Remeasure();
        });
        connect(items, &TStrings::Reset, this, [this] {
            beginResetModel();
            FOwner->RemeasureLines();
            endResetModel();
        });
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FOwner->Count(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= FOwner->Count())
            return {};
        if (role == Qt::DisplayRole)
            return FOwner->Items()->Strings(index.row());
        if (role == Qt::SizeHintRole)
            return QSize(FOwner->FScrollWidth, FOwner->ItemHeight());
        return {};
    }

    // The lines' extent may have changed: the view lays them out again when it has.
    void Remeasure()
    {
        if (FOwner->RemeasureLines())
            emit layoutChanged();
    }

private:
    TListBox* FOwner;
};

TListBox::TListBox(TComponent* owner)
    : TWidgetHostControl(owner), FItems(new TStringList(this)), FModel(new Model(this)), FView(new QListView(this))
{
    FView->setModel(FModel);
    FView->setUniformItemSizes(true);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    SetHostedWidget(FView);
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() = default;

void TListBox::SetItemHeight(int value)
{
    if (FItemHeight == value || value <= 0)
        return;
    FItemHeight = value;
    emit FModel->layoutChanged();
}

int TListBox::ItemIndex() const
{
    const QModelIndex current = FView->currentIndex();
    return current.isValid() && FView->selectionModel()->isSelected(current) ? current.row() : -1;
}

void TListBox::SetItemIndex(int index)
{
    if (index < 0 || index >= Count()) {
        FView->clearSelection();
        FView->setCurrentIndex({});
        return;
    }
    FView->setCurrentIndex(FModel->index(index));
}

int TListBox::TopIndex() const
{
    const QModelIndex top = FView->indexAt(QPoint(0, 0));
    return top.isValid() ? top.row() : 0;
}

void TListBox::SetTopIndex(int index)
{
    if (index < 0 || index >= Count())
        return;
    FView->scrollTo(FModel->index(index), QAbstractItemView::PositionAtTop);
}

bool TListBox::MeasureLines(int first, int count)
{
    const QFontMetrics metrics = FView->fontMetrics();
    int widest = 0;
    for (int i = first; i < first + count; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(FItems->Strings(i)));
    // The room the view's items leave beside their text, on either side.
    const int margin = FView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FView) + 1;
    widest = std::max(FScrollWidth, count > 0 ? widest + 2 * margin : 0);
    return std::exchange(FScrollWidth, widest) != widest;
}

bool TListBox::RemeasureLines()
{
    const int before = std::exchange(FScrollWidth, 0);
    MeasureLines(0, Count());
    return FScrollWidth != before;
}

void TListBox::FontChanged()
{
    TWidgetHostControl::FontChanged();
    FModel->Remeasure();
}

QString TListBox::HintAt(TPoint clientPos, TRect& area) const
{
    const QPoint inView = FView->viewport()->mapFrom(this, QPoint(clientPos.x(), clientPos.y()));
    const QModelIndex line = FView->indexAt(inView);
    if (!line.isValid())
        return TWidgetHostControl::HintAt(clientPos, area);
    const QRect shown = FView->visualRect(line).intersected(FView->viewport()->rect());
    area = TRect::FromQRect(QRect(FView->viewport()->mapTo(this, shown.topLeft()), shown.size()));
    return FItems->Strings(line.row());
}
