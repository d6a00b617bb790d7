#include "toolkit/Component.h"

#include "toolkit/Exceptions.h"

#include <QMetaObject>
#include <algorithm>

bool IsValidIdent(const QString& name)
{
    if (name.isEmpty())
        return false;
    const auto isAsciiLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    };
    if (!isAsciiLetter(name.front()))
        return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [&](QChar c) { return isAsciiLetter(c) || (c >= u'0' && c <= u'9'); });
}

TComponent::TComponent(QObject* self, TComponent* owner) : object_(self)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Those that asked to hear of this component's end forget it now.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

QString TComponent::ClassName() const
{
    return QString::fromLatin1(object_->metaObject()->className());
}

void TComponent::SetName(const QString& name)
{
    if (name_ == name)
        return;
    if (!name.isEmpty() && !IsValidIdent(name))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    if (owner_)
        owner_->ValidateRename(this, name_, name);
    else
        ValidateRename(nullptr, name_, name);
    name_ = name;
    object_->setObjectName(name);
}

void TComponent::ValidateRename(TComponent* component, const QString& currentName, const QString& newName)
{
    if (newName.isEmpty() || newName.compare(currentName, Qt::CaseInsensitive) == 0)
        return;
    TComponent* existing = FindComponent(newName);
    if (existing && existing != component)
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
}

int TComponent::ComponentIndex() const
{
    if (!owner_)
        return -1;
    const auto& siblings = owner_->components_;
    const auto found = std::find(siblings.begin(), siblings.end(), this);
    return found == siblings.end() ? -1 : int(found - siblings.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent* c : components_)
        if (c->name_.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component->owner_ == this)
        return;
    ValidateRename(component, QString(), component->name_);
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    Insert(component);
    if (state_.testFlag(csDesigning))
        component->SetDesigning(true);
    try {
        Notification(component, opInsert);
    } catch (...) {
        // Those already told hear of the removal, so nothing keeps a refused component.
        RemoveComponent(component);
        throw;
    }
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (component->owner_ != this)
        return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component)
{
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component)
{
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent* last = components_.back();
        Remove(last);
        delete last;
    }
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // A handler may free components; walk by index and re-check the bound every step.
    for (int i = int(components_.size()) - 1; i >= 0; --i) {
        if (i >= int(components_.size()))
            continue;
        components_[std::size_t(i)]->Notification(component, operation);
    }
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
    auto& theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Loaded()
{
    state_.setFlag(csLoading, false);
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Destroying()
{
    if (state_.testFlag(csDestroying))
        return;
    state_ |= csDestroying;
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::SetDesigning(bool designing)
{
    state_.setFlag(csDesigning, designing);
    for (TComponent* c : components_)
        c->SetDesigning(designing);
}

void TComponent::SetLoadingState(bool loading)
{
    state_.setFlag(csLoading, loading);
    state_.setFlag(csReading, loading);
}

TNonVisualComponent::TNonVisualComponent(TComponent* owner) : QObject(nullptr), TComponent(this, owner) {}

TNonVisualComponent::~TNonVisualComponent()
{
    // Owned components go while this object still answers as a TNonVisualComponent.
    Destroying();
    DestroyComponents();
}
