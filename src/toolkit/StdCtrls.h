#pragma once
// Standard controls: push button, single-line edit and list box.

#include "toolkit/Controls.h"
#include "toolkit/Strings.h"

class QLineEdit;
class QListView;
class QShortcut;

// The owner-draw record a button paints itself from.
constexpr unsigned ODT_BUTTON = 4;
constexpr unsigned ODA_DRAWENTIRE = 0x1;
constexpr unsigned ODS_SELECTED = 0x1;  // held down
constexpr unsigned ODS_DISABLED = 0x4;
constexpr unsigned ODS_FOCUS = 0x10;
constexpr unsigned ODS_DEFAULT = 0x20;  // the active button: Enter presses it

struct TDrawItemStruct {
    unsigned CtlType = ODT_BUTTON;
    unsigned itemAction = ODA_DRAWENTIRE;
    unsigned itemState = 0;
    TWinControl* hwndItem = nullptr;
    gdi::DeviceContext* hDC = nullptr;
    TRect rcItem;
};

class TButton : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_CLASSINFO("Cancel", "default False")
    Q_CLASSINFO("Default", "default False")
    Q_CLASSINFO("ModalResult", "default 0")
    Q_CLASSINFO("TabStop", "default True")

public:
    explicit TButton(TComponent* owner);
    ~TButton() override;

    // Enter presses the default button (unless another button has the focus).
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    // Escape presses the cancel button.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value);
    // Stored in the form on a click, which ends a modal form's loop when non-zero.
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }

    // Held down: by the mouse while the pointer is over it, or by the space bar.
    bool Pressed() const { return FPressedByMouse || FPressedByKey; }
    // Focused, or the default button while no other button has the focus.
    bool Active() const;

    void Click() override;

protected:
    // The one owner-draw step: every redraw of the button comes through here. The base
    // draws the one-pixel clWindowFrame frame of the active button, the 3-D face (flat
    // with a clBtnShadow outline while held down), the content and the focus rectangle
    // four pixels in.
    virtual void DrawItem(const TDrawItemStruct& item);
    // The caption (subclasses add a glyph) inside the face.
    virtual void DrawContent(gdi::DeviceContext& dc, const TRect& rect, unsigned state);
    // The flags a redraw now would carry.
    unsigned ItemState() const;

    void PaintSurface(gdi::DeviceContext& dc) override;
    // The caption's marked letter ("&Yes") with Alt presses the button from anywhere in its window.
    void TextChanged() override;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetPressedByMouse(bool value);

    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
    bool FMouseHeld = false;
    bool FPressedByMouse = false;
    bool FPressedByKey = false;
    QShortcut* FMnemonic = nullptr;
};

// A line of text drawn over the parent; it sizes itself to its caption unless AutoSize is off.
class TLabel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(toolkit::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(toolkit::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_CLASSINFO("Alignment", "default taLeftJustify")
    Q_CLASSINFO("AutoSize", "default True")
    Q_CLASSINFO("BiDiMode", "default bdLeftToRight")
    Q_CLASSINFO("ParentBiDiMode", "default True")
    Q_CLASSINFO("Transparent", "default False")
    Q_CLASSINFO("WordWrap", "default False")

public:
    explicit TLabel(TComponent* owner);
    ~TLabel() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // Right-to-left modes draw the text from the right edge.
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool value) { FParentBiDiMode = value; }
    // Without a background of its own the parent shows between the letters.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void Loaded() override;

private:
    unsigned TextFormat() const;
    void AdjustBounds();

    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    bool FTransparent = false;
    bool FWordWrap = false;
};

class TEdit : public TWidgetHostControl {
    Q_OBJECT
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_CLASSINFO("MaxLength", "default 0")
    Q_CLASSINFO("ReadOnly", "default False")

public:
    explicit TEdit(TComponent* owner);
    ~TEdit() override;

    // 0: no limit.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);

    // After every change of the text, by the user or by the program.
    TNotifyEvent OnChange;

    QLineEdit* Editor() const { return FEditor; }

protected:
    QString GetText() const override;
    void SetTextValue(const QString& value) override;

private:
    QLineEdit* FEditor;
    int FMaxLength = 0;
};

class TListBox : public TWidgetHostControl {
    Q_OBJECT
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
    Q_PROPERTY(TStrings* Items READ Items WRITE SetItems)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_CLASSINFO("ItemHeight", "default 16")

public:
    explicit TListBox(TComponent* owner);
    ~TListBox() override;

    TStrings* Items() const { return FItems; }
    void SetItems(TStrings* value) { FItems->Assign(value); }
    int Count() const { return FItems->Count(); }
    void Clear() { FItems->Clear(); }

    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value);
    // -1 when nothing is selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The first line shown.
    int TopIndex() const;
    void SetTopIndex(int index);

    QListView* View() const { return FView; }
    // How far the lines reach: the longest line's width, to which the view scrolls sideways.
    int ScrollWidth() const { return FScrollWidth; }

    // The whole line under the pointer, which may reach past the control's right edge.
    QString HintAt(TPoint clientPos, TRect& area) const override;

protected:
    void FontChanged() override;

private:
    class Model;

    // Take in the widths of count lines from first; true when the lines now reach further.
    bool MeasureLines(int first, int count);
    // Measures every line afresh; true when the extent changed.
    bool RemeasureLines();

    TStrings* FItems;
    Model* FModel;
    QListView* FView;
    int FItemHeight = 16;
    int FScrollWidth = 0;
};
