#pragma once
// Events hold method references: an object and one of its routines. Two references are
// equal when they name the same routine of the same object, so a handler can be saved,
// replaced and put back. Form descriptions bind handlers by name to the published
// routines (slots or Q_INVOKABLE methods) of the form.

#include "toolkit/Object.h"

#include <QByteArray>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

// How form descriptions find, bind and name the handlers of one event type.
struct TEventBinding {
    // Index of the object's published routine of that name whose parameters fit, or -1.
    int (*findMethod)(const QMetaObject* meta, const QByteArray& name);
    QVariant (*bind)(QObject* object, int methodIndex);
    // Published name of the routine a stored event refers to; empty when it has none.
    QByteArray (*methodName)(const QVariant& event);
};

namespace toolkit::detail {
void RegisterEventBinding(QMetaType type, const TEventBinding& binding);
// True when the name written for a parameter type denotes the type (qualified or not).
bool TypeNameMatches(QByteArray written, QMetaType type);
std::uint64_t NextFunctionIdentity();
}  // namespace toolkit::detail

// The binding of an event type, or nullptr when the type is no event.
const TEventBinding* FindEventBinding(QMetaType type);

template <class... Args>
class TEvent {
public:
    TEvent() { EnsureRegistered(); }
    TEvent(std::nullptr_t) : TEvent() {}

    // A routine of an object: TEvent(this, &TForm1::Button1Click).
    template <class C, class Owner>
        requires std::is_base_of_v<Owner, C>
    TEvent(C* object, void (Owner::*routine)(Args...)) : TEvent()
    {
        static_assert(sizeof(routine) <= sizeof(FCode), "routine identity does not fit");
        FKind = Kind::Member;
        FData = static_cast<const void*>(object);
        std::memcpy(FCode.data(), &routine, sizeof(routine));
        Owner* target = object;
        FCall = [target, routine](Args... args) { (target->*routine)(std::forward<Args>(args)...); };
    }

    // Any callable; equal only to copies of itself.
    template <class F>
    static TEvent FromFunction(F&& function)
    {
        TEvent event;
        event.FKind = Kind::Function;
        const std::uint64_t identity = toolkit::detail::NextFunctionIdentity();
        std::memcpy(event.FCode.data(), &identity, sizeof(identity));
        event.FCall = std::function<void(Args...)>(std::forward<F>(function));
        return event;
    }

    // A published routine of a QObject, found by FindMethod. Calling it after the object
    // is gone does nothing.
    static TEvent FromMetaMethod(QObject* object, int methodIndex)
    {
        TEvent event;
        event.FKind = Kind::Meta;
        event.FData = static_cast<const void*>(object);
        std::memcpy(event.FCode.data(), &methodIndex, sizeof(methodIndex));
        event.FName = object->metaObject()->method(methodIndex).name();
        QPointer<QObject> target(object);
        event.FCall = [target, methodIndex](Args... args) {
            if (!target)
                return;
            void* argv[] = {nullptr, const_cast<void*>(static_cast<const void*>(std::addressof(args)))...};
            QMetaObject::metacall(target.data(), QMetaObject::InvokeMetaMethod, methodIndex, argv);
        };
        return event;
    }

    // Index of meta's published routine called name whose parameters are this event's.
    static int FindMethod(const QMetaObject* meta, const QByteArray& name)
    {
        for (int i = meta->methodCount() - 1; i >= 0; --i) {
            const QMetaMethod method = meta->method(i);
            if (method.name() == name && Fits(method))
                return i;
        }
        return -1;
    }

    explicit operator bool() const noexcept { return static_cast<bool>(FCall); }
    bool Assigned() const noexcept { return static_cast<bool>(FCall); }

    void operator()(Args... args) const
    {
        if (FCall)
            FCall(std::forward<Args>(args)...);
    }

    // The object the routine belongs to (nullptr for free functions).
    const void* Data() const { return FData; }
    // The routine's published name when bound by name, as form descriptions write it.
    const QByteArray& MethodName() const { return FName; }

    bool operator==(const TEvent& other) const
    {
        return FKind == other.FKind && FData == other.FData && FCode == other.FCode;
    }

private:
    enum class Kind : unsigned char { None, Member, Meta, Function };

    template <std::size_t... I>
    static bool FitsAt(const QMetaMethod& method, std::index_sequence<I...>)
    {
        return (ParameterFits<Args>(method, int(I)) && ...);
    }

    static bool Fits(const QMetaMethod& method)
    {
        if (method.parameterCount() != int(sizeof...(Args)))
            return false;
        return FitsAt(method, std::index_sequence_for<Args...>{});
    }

    template <class A>
    static bool ParameterFits(const QMetaMethod& method, int index)
    {
        using Plain = std::remove_cvref_t<A>;
        QByteArray written = method.parameterTypes().at(index);
        if constexpr (std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>) {
            if (!written.endsWith('&'))
                return false;
            written.chop(1);
            return toolkit::detail::TypeNameMatches(written, QMetaType::fromType<Plain>());
        } else {
            return method.parameterMetaType(index) == QMetaType::fromType<Plain>()
                || toolkit::detail::TypeNameMatches(written, QMetaType::fromType<Plain>());
        }
    }

    static void EnsureRegistered()
    {
        [[maybe_unused]] static const bool registered = [] {
            toolkit::detail::RegisterEventBinding(
                QMetaType::fromType<TEvent>(),
                TEventBinding{&TEvent::FindMethod,
                              [](QObject* object, int index) {
                                  return QVariant::fromValue(TEvent::FromMetaMethod(object, index));
                              },
                              [](const QVariant& value) { return value.value<TEvent>().MethodName(); }});
            return true;
        }();
    }

    std::function<void(Args...)> FCall;
    const void* FData = nullptr;
    std::array<unsigned char, 16> FCode{};
    QByteArray FName;
    Kind FKind = Kind::None;
};

// An event with only its sender.
using TNotifyEvent = TEvent<TObject*>;
// A routine without arguments, as threads hand to Synchronize.
using TThreadMethod = TEvent<>;

Q_DECLARE_METATYPE(TNotifyEvent)
