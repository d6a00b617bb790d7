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
    if (parent_)
        parent_->Remove(this);
    // The sub-items belong to the form, which frees them; they only forget this item.
    for (TMenuItem* item : items_)
        item->parent_ = nullptr;
}

void TMenuItem::Add(TMenuItem* item)
{
    if (item->parent_)
        item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item)
{
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    if (item->parent_ == this)
        item->parent_ = nullptr;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const
{
    if (parent_ && parent_->menu_)
        return parent_->menu_;
    return parent_;
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
    for (TMenuItem* item : items_) {
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

TPopupMenu::TPopupMenu(TComponent* owner) : TNonVisualComponent(owner), items_(std::make_unique<TMenuItem>(nullptr))
{
    items_->menu_ = this;
}

TPopupMenu::~TPopupMenu()
{
    delete shown_;
}

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup)
        OnPopup(this);
    delete shown_;
    shown_ = new QMenu;
    shown_->setAttribute(Qt::WA_DeleteOnClose);
    items_->AddTo(*shown_);
    shown_->popup(QPoint(x, y));
}

QMenu* TPopupMenu::Shown() const
{
    return shown_ && shown_->isVisible() ? shown_.data() : nullptr;
}
