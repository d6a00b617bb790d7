#pragma once
// Controls: components that are widgets. TControl holds what every control has (bounds,
// alignment, visibility, caption, hint, font, colour, mouse events); TWinControl is a
// windowed control that can contain others, take the focus and be tabbed to;
// TGraphicControl is windowless: it paints over its parent, which shows beneath it;
// TCustomControl is a windowed control that paints itself on a canvas.
//
// A control that paints draws its picture afresh on a bitmap made for each paint event.
// One whose picture is wanted outside its paint keeps it instead: a control that draws
// outside the paint cycle (KeepPicture, or its canvas drawn on between paints), and one
// that windowless controls over it show beneath them. Its paint event draws the picture again only
// when it is out of date, so that drawing on it is shown as soon as the widget is updated.
//
// TControl is in Controls.cpp, its alignment and anchors in ControlAlign.cpp, dragging in
// ControlDrag.cpp, painting in ControlPaint.cpp; TWinControl and its kin in WinControl.cpp, TGraphicControl in GraphicControl.cpp.

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"
#include "toolkit/Menus.h"
#include "toolkit/Types.h"

#include <QWidget>
#include <memory>
#include <vector>

class TWinControl;

// What a drag carries beyond its source control; OnStartDrag may give one.
class TDragObject : public TObject {};

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
// Sender, the control dragged, and where it is in the sender's client area.
using TDragDropEvent = TEvent<TObject*, TObject*, int, int>;
// The same, whether it enters, moves over or leaves the sender, and whether the sender takes it.
using TDragOverEvent = TEvent<TObject*, TObject*, int, int, TDragState, bool&>;
// The control dragged, the control it was dropped on (nullptr when none took it), and where.
using TEndDragEvent = TEvent<TObject*, TObject*, int, int>;
using TStartDragEvent = TEvent<TObject*, TDragObject*&>;
Q_DECLARE_METATYPE(TMouseEvent)
Q_DECLARE_METATYPE(TMouseMoveEvent)
Q_DECLARE_METATYPE(TDragDropEvent)
Q_DECLARE_METATYPE(TDragOverEvent)
Q_DECLARE_METATYPE(TStartDragEvent)

// The Qt cursor shape for a toolkit cursor.
Qt::CursorShape CursorShapeOf(TCursor cursor);
// Modifier keys and held buttons of a Qt event as a shift state.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// Where aligned controls go in a client rectangle, by the platform's rules: alTop ones
// from the top down in order of their Top, alBottom from the bottom up, alLeft and
// alRight inwards from the sides over the height that is left, alClient fills the rest.
struct TAlignItem {
    TAlign align;
    TRect bounds;
};
std::vector<TRect> AlignBounds(TRect client, const std::vector<TAlignItem>& items);

class TControl : public QWidget, public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(toolkit::TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(toolkit::TAnchors Anchors READ Anchors WRITE SetAnchors)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(toolkit::TCursor Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(toolkit::TCursor DragCursor READ DragCursor WRITE SetDragCursor)
    Q_PROPERTY(toolkit::TDragMode DragMode READ DragMode WRITE SetDragMode)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(toolkit::THelpType HelpType MEMBER FHelpType)
    Q_PROPERTY(QString HelpKeyword MEMBER FHelpKeyword)
    Q_PROPERTY(int HelpContext MEMBER FHelpContext)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(TPopupMenu* PopupMenu READ PopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TNotifyEvent OnClick READ OnClick WRITE SetOnClick)
    Q_PROPERTY(TNotifyEvent OnDblClick MEMBER OnDblClick)
    Q_PROPERTY(TDragDropEvent OnDragDrop MEMBER OnDragDrop)
    Q_PROPERTY(TDragOverEvent OnDragOver MEMBER OnDragOver)
    Q_PROPERTY(TEndDragEvent OnEndDrag MEMBER OnEndDrag)
    Q_PROPERTY(TStartDragEvent OnStartDrag MEMBER OnStartDrag)
    Q_PROPERTY(TMouseEvent OnMouseDown MEMBER OnMouseDown)
    Q_PROPERTY(TMouseMoveEvent OnMouseMove MEMBER OnMouseMove)
    Q_PROPERTY(TMouseEvent OnMouseUp MEMBER OnMouseUp)
    Q_CLASSINFO("Align", "default alNone")
    Q_CLASSINFO("Anchors", "default [akLeft, akTop]")
    Q_CLASSINFO("Color", "TColor; stored IsColorStored")
    Q_CLASSINFO("Cursor", "default crDefault")
    Q_CLASSINFO("DragCursor", "default crDrag")
    Q_CLASSINFO("DragMode", "default dmManual")
    Q_CLASSINFO("HelpType", "default htContext")
    Q_CLASSINFO("HelpContext", "default 0")
    Q_CLASSINFO("Enabled", "default True")
    Q_CLASSINFO("Font", "stored IsFontStored")
    Q_CLASSINFO("ParentColor", "default True")
    Q_CLASSINFO("ParentFont", "default True")
    Q_CLASSINFO("ParentShowHint", "default True")
    Q_CLASSINFO("ShowHint", "stored IsShowHintStored")
    Q_CLASSINFO("Tag", "default 0")
    Q_CLASSINFO("Visible", "default True")

public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    void SetParent(TWinControl* parent);

    // The widget holds the bounds: a window's are its frame's on the screen (what was set,
    // until the window has a frame), a child's are in its parent's client area.
    TRect BoundsRect() const;
    int Left() const { return BoundsRect().left; }
    int Top() const { return BoundsRect().top; }
    int Width() const { return BoundsRect().Width(); }
    int Height() const { return BoundsRect().Height(); }
    void SetLeft(int value) { SetBounds(value, Top(), Width(), Height()); }
    void SetTop(int value) { SetBounds(Left(), value, Width(), Height()); }
    void SetWidth(int value) { SetBounds(Left(), Top(), value, Height()); }
    void SetHeight(int value) { SetBounds(Left(), Top(), Width(), value); }
    virtual void SetBounds(int left, int top, int width, int height);

    virtual int ClientWidth() const { return Width(); }
    virtual int ClientHeight() const { return Height(); }
    TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
    // Client coordinates to and from the screen's.
    TPoint ClientToScreen(TPoint point) const;
    TPoint ScreenToClient(TPoint point) const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    // The sides of the parent the control keeps its distance to when the parent is resized:
    // with both sides of an axis it stretches, with neither it keeps its centre.
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors value);

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // The control's own setting, which the widget keeps: false only when it was disabled itself,
    // not when a parent was.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    void SetEnabled(bool value);

    // The text of the control: the caption of labels, buttons and forms, the text of edits.
    QString Caption() const { return GetText(); }
    void SetCaption(const QString& value) { SetText(value); }
    QString Text() const { return GetText(); }
    void SetText(const QString& value);

    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value);
    // The hint at a client point, and in area (the client area on entry) the part of the control
    // it holds for. A control whose parts say different things (the lines of a list) gives each
    // its own; the base gives Hint everywhere.
    virtual QString HintAt(TPoint clientPos, TRect& area) const;
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);

    TFont* Font() const { return FFont; }
    void SetFont(TFont* value) { FFont->Assign(value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);

    // Help references are kept for the description; the program has no help to show.
    THelpType HelpType() const { return FHelpType; }
    const QString& HelpKeyword() const { return FHelpKeyword; }
    int HelpContext() const { return FHelpContext; }

    // The menu a right click on the control shows (its parent's when it has none).
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);

    // Dragging: with dmAutomatic a left-button press drags the control instead of pressing
    // it; the pointer shows DragCursor over a control that takes it, crNoDrop elsewhere.
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor value) { FDragCursor = value; }
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode value) { FDragMode = value; }
    // Starts dragging the control now (OnStartDrag), until the left button is released.
    void BeginDrag();
    bool Dragging() const;
    TNotifyEvent OnDblClick;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;

    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(const TNotifyEvent& value) { FOnClick = value; }
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // Fires OnClick, as a click with the mouse does.
    virtual void Click();

    // Marks the picture out of date; it is drawn again at the next paint.
    virtual void Invalidate();
    // Draws the control now.
    virtual void Repaint();
    // Shows what is pending at once.
    void Update();
    // Paints the control's own picture into dc, whose origin stands for the control's
    // top-left corner: a windowed control its client area, a windowless one only what it
    // draws itself, not what lies beneath it. This is the paint message with a device
    // context given: a control copies what it covers through it.
    void PaintTo(gdi::DeviceContext& dc);

    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

    Q_INVOKABLE bool IsColorStored() const { return !FParentColor; }
    Q_INVOKABLE bool IsFontStored() const { return !FParentFont; }
    Q_INVOKABLE bool IsShowHintStored() const { return !FParentShowHint; }

    // Parent changes reach the children that follow them.
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void ParentShowHintChanged();

    // Mouse entering or leaving: the control the pointer entered or left (this one, or a
    // child passing the notification on). The base fires OnMouseEnter or OnMouseLeave for
    // the control itself, then passes the notification on to the parent.
    virtual void MouseEnter(TControl* control);
    virtual void MouseLeave(TControl* control);

protected:
    void SetParentComponent(TComponent* parent) override;
    void Notification(TComponent* component, TOperation operation) override;
    // A double click: OnDblClick.
    virtual void DblClick();
    // A dragged control over this one: OnDragOver decides whether it is taken (not taken
    // without a handler); dropped on it when taken: OnDragDrop.
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);

    virtual QString GetText() const { return FText; }
    virtual void SetTextValue(const QString& value);
    virtual void TextChanged() {}
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged() {}
    virtual void BoundsChanged() {}

    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // A control that paints answers true to UsesSurface and draws its whole picture in
    // PaintSurface, with its canvas drawing on dc.
    virtual bool UsesSurface() const { return false; }
    virtual void PaintSurface(gdi::DeviceContext& dc);
    // What PaintTo draws, with the control's canvas drawing on dc.
    virtual void PaintOwn(gdi::DeviceContext& dc) { PaintSurface(dc); }
    // From now on the control keeps its picture, and its canvas draws on it outside a paint:
    // for a control that draws outside the paint cycle.
    void KeepPicture();
    // The kept picture, sized to the client area and drawn if it is out of date.
    const gdi::Bitmap& PaintedSurface();
    gdi::DeviceContext& SurfaceDC();
    // Draws the control's picture into dc with its top-left corner at (x, y); the control
    // keeps its picture from then on.
    void DrawPicture(gdi::DeviceContext& dc, int x, int y);
    // The control's canvas, made at first use.
    TCanvas* SurfaceCanvas();
    // The control has not been drawn since it last changed.
    bool SurfaceDirty() const { return FSurfaceDirty; }
    // Offset of the client area inside the widget (a window's one-pixel border).
    virtual int ClientOffset() const { return 0; }

    // Gives the widget these bounds (in the parent's client area, or a window's frame).
    void PlaceWidget(const TRect& bounds);
    void RequestAlign();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

    // The window-level part of painting: presents the picture (subclasses add a frame).
    virtual void PresentSurface(QPainter& painter, const gdi::Bitmap& picture);

    // What the program asked for, kept apart from the widget because the widget cannot hold it: a
    // control without a parent is Visible while its widget, which would be a window of its own if
    // shown, stays hidden. Windows start hidden: their constructors clear it.
    bool FVisible = true;

private:
    friend class TWinControl;
    friend class TGraphicControl;

    // Runs a paint with the canvas drawing on dc, then gives the canvas back its own.
    void PaintWith(gdi::DeviceContext& dc, void (TControl::*paint)(gdi::DeviceContext&));
    void FontObjectChanged();
    void TakeParentFont();
    void SetShowHintValue(bool value);
    // The anchoring starts afresh from the control's place in its parent as it is now.
    void RememberAnchorPlace();
    // The place the anchors give in a parent of that client size.
    TRect AnchoredBounds(QSize parentClient) const;
    // Drag steps, with the pointer at a screen point.
    void DragMoved(QPoint screen);
    void DragEnded(QPoint screen);
    // A control that goes is no longer dragged, nor the place a drag is over.
    void LeaveDrag();

    TWinControl* FParent = nullptr;
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    // The bounds and the parent's client size the anchors measure from.
    TRect FAnchorPlace;
    QSize FAnchorParentClient;
    bool FAnchoring = false;
    THelpType FHelpType = htContext;
    QString FHelpKeyword;
    int FHelpContext = 0;
    TPopupMenu* FPopupMenu = nullptr;
    TCursor FDragCursor = crDrag;
    TDragMode FDragMode = dmManual;
    QString FText;
    QString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TFont* FFont;
    bool FParentFont = true;
    bool FTakingParentFont = false;
    TColor FColor = clWindow;
    bool FParentColor = true;
    TCursor FCursor = crDefault;
    TNotifyEvent FOnClick;
    bool FClicked = false;
    int FSurfaceLevel = 0;

    // The kept picture, and the device context that draws on it.
    struct Surface {
        gdi::Bitmap bitmap;
        gdi::DeviceContext dc{&bitmap};
    };
    std::unique_ptr<Surface> FSurface;
    bool FSurfaceDirty = true;
    TCanvas* FCanvas = nullptr;
};

// Window styles a windowed control is created with (CreateParams).
constexpr unsigned WS_POPUP = 0x80000000u;
constexpr unsigned WS_CHILD = 0x40000000u;
constexpr unsigned WS_BORDER = 0x00800000u;
constexpr unsigned WS_EX_TOPMOST = 0x00000008u;
constexpr unsigned WS_EX_TOOLWINDOW = 0x00000080u;
constexpr unsigned CS_SAVEBITS = 0x0800u;

struct TCreateParams {
    unsigned Style = 0;
    unsigned ExStyle = 0;
    unsigned WindowClassStyle = 0;
};

// Controls with a window of their own. Those that can take the focus publish TabOrder and
// TabStop themselves, where their streaming order puts them.
class TWinControl : public TControl {
    Q_OBJECT

public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return int(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(std::size_t(index)); }

    int ClientWidth() const override { return Width() - 2 * ClientOffset(); }
    int ClientHeight() const override { return Height() - 2 * ClientOffset(); }

    // Position in the parent's tab order (-1 without a parent).
    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);

    bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();

    // The colour the control's background is painted with.
    TBrush* Brush() const { return FBrush; }

    // Places aligned children; runs by itself when bounds, alignment or visibility change.
    void Realign();

    // The window is made (its creation parameters applied) when first shown.
    bool HandleAllocated() const { return FHandleAllocated; }
    void HandleNeeded();

    void Invalidate() override;

protected:
    virtual void CreateParams(TCreateParams& params);
    // Applies creation parameters to the widget; subclasses extend it.
    virtual void CreateWnd();
    // The platform's activation message: the window is being activated or deactivated.
    virtual void ActivationChanged(bool active);

    void Loaded() override;
    void FontChanged() override;
    void ColorChanged() override;
    void BoundsChanged() override;

    bool UsesSurface() const override { return true; }
    void PaintSurface(gdi::DeviceContext& dc) override;
    int ClientOffset() const override { return FBorderWidth; }
    void PresentSurface(QPainter& painter, const gdi::Bitmap& picture) override;

    void changeEvent(QEvent* event) override;

    // The top-level window's widgets in tab order, chained for Qt's focus movement.
    void UpdateTabChain();
    // Lets a click give the focus to a control that is no tab stop.
    void SetFocusByClick(bool value);

private:
    friend class TControl;

    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void AlignControls();
    void CollectTabChain(std::vector<QWidget*>& chain) const;
    void FixupTabList();
    void UpdateFocusPolicy();

    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    int FLoadedTabOrder = -1;
    bool FTabStop = false;
    bool FFocusByClick = false;
    TBrush* FBrush;
    bool FHandleAllocated = false;
    int FBorderWidth = 0;
    bool FAligning = false;
};

// A windowed control shown by a Qt widget that fills it (an edit, a list): it takes the
// focus for the control, and the control's font, colour and size.
class TWidgetHostControl : public TWinControl {
    Q_OBJECT
    Q_CLASSINFO("Color", "TColor; default clWindow; stored IsColorStored")
    Q_CLASSINFO("ParentColor", "default False")
    Q_CLASSINFO("TabStop", "default True")

public:
    // A tab stop in the window colour.
    explicit TWidgetHostControl(TComponent* owner);
    ~TWidgetHostControl() override;

protected:
    // The widget that shows the control, made by the subclass as the control's child.
    void SetHostedWidget(QWidget* widget);

    void FontChanged() override;
    void ColorChanged() override;
    void BoundsChanged() override;
    bool UsesSurface() const override { return false; }

private:
    void ApplyLook();

    QWidget* FHosted = nullptr;
};

class TGraphicControl : public TControl {
    Q_OBJECT

public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    TCanvas* Canvas() { return SurfaceCanvas(); }
    void Invalidate() override;

protected:
    // Draws the control on Canvas, over what lies beneath it.
    virtual void Paint() {}
    // Runs Paint over the picture the control shows now, without drawing what lies
    // beneath afresh, and shows the result at once: drawing on a window outside its paint
    // cycle. With no up-to-date picture to draw over (never painted, invalidated since,
    // not shown, loading) it asks for a full paint instead and answers false.
    bool PaintOver();
    bool UsesSurface() const override { return true; }
    void PaintSurface(gdi::DeviceContext& dc) override;
    void PaintOwn(gdi::DeviceContext& dc) override;

private:
    // Windowless siblings above this one that overlap it show it beneath them.
    void InvalidateControlsAbove();
};

class TCustomControl : public TWinControl {
    Q_OBJECT

public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;

    TCanvas* Canvas() { return SurfaceCanvas(); }

protected:
    // Draws the control on Canvas, after the background has been filled with Color.
    virtual void Paint() {}
    void PaintSurface(gdi::DeviceContext& dc) override;
};

// The nearest control a widget belongs to (itself or an ancestor), or nullptr.
TControl* FindControl(QWidget* widget);
