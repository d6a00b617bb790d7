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

TComponent::TComponent(QObject* self, TComponent* owner) : FObject(self)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Those that asked to hear of this component's end forget it now.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& theirs = other->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

QString TComponent::ClassName() const
{
    return QString::fromLatin1(FObject->metaObject()->className());
}

void TComponent::SetName(const QString& name)
{
    if (FName == name)
        return;
    if (!name.isEmpty() && !IsValidIdent(name))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    if (FOwner)
        FOwner->ValidateRename(this, FName, name);
    else
        ValidateRename(nullptr, FName, name);
    FName = name;
    FObject->setObjectName(name);
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
    if (!FOwner)
        return -1;
    const auto& siblings = FOwner->FComponents;
    const auto found = std::find(siblings.begin(), siblings.end(), this);
    return found == siblings.end() ? -1 : int(found - siblings.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (c->FName.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component->FOwner == this)
        return;
    ValidateRename(component, QString(), component->FName);
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    Insert(component);
    if (FState.testFlag(csDesigning))
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
    if (component->FOwner != this)
        return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component)
{
    FComponents.push_back(component);
    component->FOwner = this;
}

void TComponent::Remove(TComponent* component)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), component), FComponents.end());
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        Remove(last);
        delete last;
    }
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // A handler may free components; walk by index and re-check the bound every step.
    for (int i = int(FComponents.size()) - 1; i >= 0; --i) {
        if (i >= int(FComponents.size()))
            continue;
        FComponents[std::size_t(i)]->Notification(component, operation);
    }
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(component);
        component->FFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component), FFreeNotifies.end());
    auto& theirs = component->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Loaded()
{
    FState.setFlag(csLoading, false);
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Destroying()
{
    if (FState.testFlag(csDestroying))
        return;
    FState |= csDestroying;
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::SetDesigning(bool designing)
{
    FState.setFlag(csDesigning, designing);
    for (TComponent* c : FComponents)
        c->SetDesigning(designing);
}

void TComponent::SetLoadingState(bool loading)
{
    FState.setFlag(csLoading, loading);
    FState.setFlag(csReading, loading);
}

TNonVisualComponent::TNonVisualComponent(TComponent* owner) : QObject(nullptr), TComponent(this, owner) {}

TNonVisualComponent::~TNonVisualComponent()
{
    // Owned components go while this object still answers as a TNonVisualComponent.
    Destroying();
    DestroyComponents();
}
