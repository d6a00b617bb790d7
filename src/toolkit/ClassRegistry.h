#pragma once
// The classes form descriptions may name: "object Edit1: TEdit" makes a TEdit. Every
// layer registers its component classes once at start-up (RegisterClass<TglLabel>()).

#include "toolkit/Component.h"

#include <QMetaObject>
#include <QString>

// A component class: its meta-object (name, published properties) and how to make one.
struct TComponentClass {
    const QMetaObject* meta = nullptr;
    TComponent* (*create)(TComponent* owner) = nullptr;

    QString Name() const { return meta ? QString::fromLatin1(meta->className()) : QString(); }
    explicit operator bool() const { return meta != nullptr; }
    bool operator==(const TComponentClass& other) const { return meta == other.meta; }
    // True when this class is cls or derives from it.
    bool InheritsFrom(const QMetaObject* cls) const { return meta && meta->inherits(cls); }
    TComponent* Create(TComponent* owner) const;
};

template <class T>
TComponentClass ClassOf()
{
    return TComponentClass{&T::staticMetaObject, [](TComponent* owner) -> TComponent* { return new T(owner); }};
}

// Registering a name twice for the same class does nothing; for another class it throws.
void RegisterClass(const TComponentClass& cls);
template <class T>
void RegisterClass()
{
    RegisterClass(ClassOf<T>());
}
// The registered class of that name (exact case), or an empty class.
TComponentClass FindClass(const QString& name);
