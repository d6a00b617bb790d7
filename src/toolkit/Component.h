#pragma once
// Components: objects with an owner that frees them, a name unique among the owner's
// components, a loading state and the insert/remove notification.
//
// A component has two sides. TComponent (no QObject) holds ownership and naming; its
// QObject side carries the published properties (Q_PROPERTY) that form descriptions read
// and write. Controls are QWidgets (TControl), everything else derives from
// TNonVisualComponent. The QObject side must be the first base so that it outlives the
// TComponent part while a component is being destroyed.

#include "toolkit/Events.h"
#include "toolkit/Object.h"

#include <QFlags>
#include <QObject>
#include <QString>
#include <vector>

enum TComponentStateFlag {
    csLoading = 0x1,     // properties are being read from a form description
    csReading = 0x2,
    csWriting = 0x4,
    csDestroying = 0x8,  // the destructor has started; owned components go with it
    csDesigning = 0x10,  // a form designer shows the component (never set by this program)
};
Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponentState)

enum TOperation { opInsert, opRemove };

class TReader;

class TComponent : public TObject {
public:
    // self is the component's own QObject side; the component joins owner's components.
    // Every component of owner, and owner itself, hear of the insertion through
    // Notification; one of them may refuse it by throwing, and then the component is
    // not made. During that notification the new component is not yet fully built (its
    // class reads as its base): a component that refuses siblings of its own class also
    // checks in its constructor.
    TComponent(QObject* self, TComponent* owner);
    ~TComponent() override;

    QObject* Object() const { return FObject; }
    QString ClassName() const override;

    const QString& Name() const { return FName; }
    // Throws EComponentError for a name that is no identifier or already taken in the owner.
    void SetName(const QString& name);

    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return int(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(std::size_t(index)); }
    // Position among the owner's components, -1 without owner.
    int ComponentIndex() const;
    // The owned component of that name, names compared without regard to ASCII case.
    TComponent* FindComponent(const QString& name) const;
    template <class T>
    T* FindComponent(const QString& name) const
    {
        return dynamic_cast<T*>(FindComponent(name));
    }

    TComponentState ComponentState() const { return FState; }

    // Takes ownership of component (from its previous owner, if any). Throws when the
    // name is taken or a component refuses the insertion; the component is then left
    // without owner.
    void InsertComponent(TComponent* component);
    // Gives up ownership; the component is not freed.
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last one first.
    void DestroyComponents();

    // Asks component to be notified (opRemove) when this one is freed, across owners.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // The component a form description nests this one in (a control's parent).
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }

protected:
    // An inserted or removed component; the base passes it on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);
    // After a form description has been read and its references resolved.
    virtual void Loaded();
    // Reading a form description nests this component inside parent.
    virtual void SetParentComponent(TComponent* parent);
    // Marks this component and all it owns as being destroyed; subclasses' destructors
    // call it first so that owned components see their owner going.
    void Destroying();
    void SetDesigning(bool designing);
    virtual void ValidateRename(TComponent* component, const QString& currentName, const QString& newName);

    // Lets a component that delegates to another pass a notification on.
    static void Notify(TComponent* target, TComponent* component, TOperation operation)
    {
        target->Notification(component, operation);
    }

private:
    friend class TReader;

    void SetLoadingState(bool loading);
    void Insert(TComponent* component);
    void Remove(TComponent* component);

    QObject* FObject;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    QString FName;
    TComponentState FState;
    int FTag = 0;
};

// A component without a window: its QObject side has no parent (its owner frees it).
class TNonVisualComponent : public QObject, public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("Tag", "default 0")

public:
    explicit TNonVisualComponent(TComponent* owner);
    ~TNonVisualComponent() override;
};

// True when name is a valid component name: a letter or '_' then letters, digits or '_'.
bool IsValidIdent(const QString& name);
