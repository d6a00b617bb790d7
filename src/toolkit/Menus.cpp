#include "toolkit/Menus.h"

#include "toolkit/Guard.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace {

const QString kSeparatorCaption = QStringLiteral("-");

}  // namespace

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TNonVisualComponent(owner) {}

TMenuItem::~TMenuItem()
{
    if (FParent)
        FParent->Remove(this);
    // The sub-items belong to the form, which frees them; they only forget this item.
    for (TMenuItem* item : FItems)
        item->FParent = nullptr;
}

void TMenuItem::Add(TMenuItem* item)
{
    if (item->FParent)
        item->FParent->Remove(item);
    FItems.push_back(item);
    item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item)
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
    if (item->FParent == this)
        item->FParent = nullptr;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const
{
    if (FParent && FParent->FMenu)
        return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
        menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
}

void TMenuItem::AddTo(QMenu& menu)
{
    for (TMenuItem* item : FItems) {
        if (!item->Visible())
            continue;
        if (item->Caption() == kSeparatorCaption) {
            menu.addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item->Count() > 0) {
            QMenu* sub = menu.addMenu(item->Caption());
            item->AddTo(*sub);
            action = sub->menuAction();
        } else {
            action = menu.addAction(item->Caption());
            // The item may go while its menu is shown; a pick then does nothing.
            const QPointer<TMenuItem> picked(item);
            QObject::connect(action, &QAction::triggered, &menu, [picked] {
                if (picked)
                    Guard([&] { picked->Click(); });
            });
        }
        action->setEnabled(item->Enabled());
        action->setCheckable(item->Checked());
        action->setChecked(item->Checked());
    }
}

// ---------------------------------------------------------------- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TNonVisualComponent(owner), FItems(std::make_unique<TMenuItem>(nullptr))
{
    FItems->FMenu = this;
}

TPopupMenu::~TPopupMenu()
{
    delete FShown;
}

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup)
        OnPopup(this);
    delete FShown;
    FShown = new QMenu;
    FShown->setAttribute(Qt::WA_DeleteOnClose);
    FItems->AddTo(*FShown);
    FShown->popup(QPoint(x, y));
}

QMenu* TPopupMenu::Shown() const
{
    return FShown && FShown->isVisible() ? FShown.data() : nullptr;
}
