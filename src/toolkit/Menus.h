#pragma once
// Pop-up menus: a menu of items that shows where the pointer is when the user right-clicks a
// control naming it as its PopupMenu. A form description nests the items in their menu, and
// sub-items in their item:
//
//   object PopupMenu1: TPopupMenu
//     object Copy1: TMenuItem
//       Caption = '&Copy'
//       OnClick = Copy1Click
//     end
//   end

#include "toolkit/Component.h"
#include "toolkit/Events.h"

#include <QPointer>
#include <memory>
#include <vector>

class QMenu;
class TPopupMenu;

class TMenuItem : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER OnClick)
    Q_CLASSINFO("Checked", "default False")
    Q_CLASSINFO("Enabled", "default True")
    Q_CLASSINFO("Visible", "default True")

public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // "-" makes the item a separator line; '&' marks the letter that picks it.
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value) { FChecked = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }

    int Count() const { return int(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(std::size_t(index)); }
    // Makes item the last of this item's sub-items, taking it from where it was.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    TMenuItem* Parent() const { return FParent; }

    // What picking the item does: OnClick.
    virtual void Click();
    TNotifyEvent OnClick;

    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return true; }

    // The item and its sub-items as Qt's menu entries, into menu.
    void AddTo(QMenu& menu);

protected:
    void SetParentComponent(TComponent* parent) override;

private:
    friend class TPopupMenu;

    QString FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    TMenuItem* FParent = nullptr;
    // The menu whose root this is, for the items directly in it.
    TPopupMenu* FMenu = nullptr;
    std::vector<TMenuItem*> FItems;
};

class TPopupMenu : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(bool AutoPopup READ AutoPopup WRITE SetAutoPopup)
    Q_PROPERTY(TNotifyEvent OnPopup MEMBER OnPopup)
    Q_CLASSINFO("AutoPopup", "default True")

public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // The menu's items are the sub-items of this one, which has no caption of its own.
    TMenuItem* Items() const { return FItems.get(); }
    // A right click on a control that names the menu shows it; off, only Popup does.
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    // OnPopup, then the menu shown with its corner at the screen point; returns at once.
    virtual void Popup(int x, int y);
    // The menu on the screen now, or nullptr.
    QMenu* Shown() const;
    TNotifyEvent OnPopup;

private:
    std::unique_ptr<TMenuItem> FItems;
    bool FAutoPopup = true;
    QPointer<QMenu> FShown;
};
