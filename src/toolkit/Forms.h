#pragma once
// Forms: the top-level windows of the program, each built from its form description.
//
// A form class declares its controls as fields and its handlers as published routines:
//
//   class TForm2 : public TForm {
//       Q_OBJECT
//   public:
//       explicit TForm2(TComponent* owner);
//       TListBox* ListBox1 = nullptr;
//   public slots:
//       void ListBox1Click(TObject* sender);
//   };
//
//   TForm2::TForm2(TComponent* owner) : TForm(owner)
//   {
//       LoadFromResource(QStringLiteral(":/forms/Unit2.form"));
//       Bind(ListBox1, "ListBox1");
//   }
//
// Application->CreateForm(Form2) makes it; OnCreate runs once it is complete.

#include "toolkit/Controls.h"

#include <QEventLoop>
#include <QRegion>

class TButton;

using TCloseEvent = TEvent<TObject*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;
Q_DECLARE_METATYPE(TCloseEvent)
Q_DECLARE_METATYPE(TCloseQueryEvent)

class TForm : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth STORED false)
    Q_PROPERTY(int Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(TWinControl* ActiveControl READ ActiveControl WRITE SetActiveControl)
    Q_PROPERTY(toolkit::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
    Q_PROPERTY(toolkit::TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(int PixelsPerInch MEMBER FPixelsPerInch)
    Q_PROPERTY(int TextHeight MEMBER FTextHeight)
    Q_PROPERTY(TNotifyEvent OnCreate MEMBER OnCreate)
    Q_PROPERTY(TNotifyEvent OnShow MEMBER OnShow)
    Q_PROPERTY(TNotifyEvent OnHide MEMBER OnHide)
    Q_PROPERTY(TCloseEvent OnClose MEMBER OnClose)
    Q_PROPERTY(TCloseQueryEvent OnCloseQuery MEMBER OnCloseQuery)
    Q_PROPERTY(TNotifyEvent OnPaint MEMBER OnPaint)
    Q_PROPERTY(TNotifyEvent OnDestroy MEMBER OnDestroy)
    Q_CLASSINFO("Visible", "default False")
    Q_CLASSINFO("Color", "TColor; default clBtnFace; stored IsColorStored")
    Q_CLASSINFO("ParentColor", "default False")
    Q_CLASSINFO("ParentFont", "default False")
    Q_CLASSINFO("BorderStyle", "default bsSizeable")
    Q_CLASSINFO("Position", "default poDesigned")
    Q_CLASSINFO("PixelsPerInch", "default 96")
    Q_CLASSINFO("TextHeight", "default 0")

public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Fires OnCreate; Create<T> and TApplication::CreateForm call it.
    void AfterConstruction() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value);

    void SetBounds(int left, int top, int width, int height) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int value);
    void SetClientHeight(int value);

    // The control with the focus (or to get it when the form is shown).
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);

    void Show();
    void Hide() { SetVisible(false); }
    // Closes by the platform's rules: a modal form ends its modal loop with mrCancel; the
    // main form ends the program; any other form asks OnCloseQuery and OnClose, then hides.
    void Close();
    bool CloseQuery();
    // Shows the form and waits until ModalResult is set (or the form closes); the other
    // windows take no input meanwhile. Returns ModalResult.
    TModalResult ShowModal();
    bool Modal() const { return FModalLoop != nullptr; }
    TModalResult ModalResult() const { return FModalResult; }
    // A non-zero result ends a modal form's loop once the running handler returns.
    void SetModalResult(TModalResult value);
    // Frees the form once the running handler has returned.
    void Release();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnPaint;
    TNotifyEvent OnDestroy;

    // The form of a control, or nullptr.
    static TForm* GetParentForm(const TControl* control);
    // Ends every modal loop (the application is terminating).
    static void EndAllModalLoops();

protected:
    // Reads the form description (a Qt resource) into this form: its controls are made,
    // its handlers bound by name.
    void LoadFromResource(const QString& resourcePath);
    // Points field at the component of that name, which must be a T; throws otherwise.
    template <class T>
    void Bind(T*& field, const char* name)
    {
        field = dynamic_cast<T*>(FindComponent(QString::fromLatin1(name)));
        if (!field)
            BindFailed(name);
    }

    virtual void DoClose(TCloseAction& action);
    void Paint() override;
    void CreateWnd() override;
    void SetTextValue(const QString& value) override;
    void VisibleChanged() override;
    void Notification(TComponent* component, TOperation operation) override;

    void closeEvent(QCloseEvent* event) override;
    // Keys no control took: Enter, Escape and, while a button has the focus, a button's
    // marked letter press that button.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    [[noreturn]] void BindFailed(const char* name) const;
    void ApplyWindowFlags();
    void PlaceOnScreen();
    void FocusChanged(QWidget* now);
    bool CloseModal();
    // The button Enter or Escape presses: the active one, or the one marked Cancel.
    TButton* DialogButton(bool cancel) const;
    // The button whose caption marks this character with '&'.
    TButton* MnemonicButton(QChar character) const;

    TFormBorderStyle FBorderStyle = bsSizeable;
    // The resolution and the font's text height the layout was made with, kept for the
    // description: every window is laid out in logical pixels at 96 per inch, and a denser
    // screen is the device pixel ratio's to serve.
    int FPixelsPerInch = gdi::kLogPixelsY;
    int FTextHeight = 0;
    TPosition FPosition = poDesigned;
    TWinControl* FActiveControl = nullptr;
    TModalResult FModalResult = mrNone;
    QEventLoop* FModalLoop = nullptr;
    bool FPlaced = false;
    QMetaObject::Connection FFocusWatch;
};

// Where a form's client area begins in its outer-window coordinates (origin at the frame's
// top-left corner): the classic frame of its border style, from the frame metrics.
TPoint FormClientOrigin(TFormBorderStyle style);

// Gives control's window the shape region, in outer-window coordinates: outside it the window
// is neither drawn nor clickable. A form's region is moved onto its client area by
// FormClientOrigin and keeps what lies over the frame, so the window manager keeps its frame
// wherever the region does and cuts it only where the region does. Makes the control's
// window if it has none yet.
void SetWindowRgn(TWinControl* control, const QRegion& region);
