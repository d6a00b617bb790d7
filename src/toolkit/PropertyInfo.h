#pragma once
// What form descriptions need to know of published properties beyond their Q_PROPERTY:
// declared beside them as Q_CLASSINFO(name, "key value; key value"):
//
//   Q_CLASSINFO("Color", "TColor; default clBtnFace; stored IsColorStored")
//
//   TColor         the int holds a TColor: written by colour name where one exists
//   default V      written only when the value differs from V (a form-description value)
//   nodefault      no default, even if a base class declared one: always written
//   stored M       written only while the Q_INVOKABLE bool M() says so
//
// A property without a default is always written, except empty strings, lists and data.

#include "toolkit/FormText.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QVariant>
#include <optional>
#include <vector>

struct TPropertyInfo {
    bool isColor = false;
    std::optional<QString> defaultText;
    QByteArray storedMethod;
};

// The declaration nearest to meta's own class wins.
TPropertyInfo PropertyInfoOf(const QMetaObject* meta, const char* property);

// The properties form descriptions stream, in published order: those declared by the
// toolkit's classes and below (not by Qt's own classes), each name once, taken from its
// most derived declaration.
std::vector<QMetaProperty> PublishedProperties(const QMetaObject* meta);

// The enumeration or set behind a property type; invalid for other types.
QMetaEnum EnumOfType(QMetaType type);

// What a pointer property holds: a persistent sub-object, a reference to a component, or
// neither (not a pointer to a QObject).
enum class TPointerKind { None, SubObject, Reference };
TPointerKind PointerKindOf(QMetaType type);

// A form-description value converted to the property's type; std::nullopt and a reason
// when it does not fit. Handles scalars only (numbers, text, enumerations, sets, booleans,
// colours, string lists, binary data).
std::optional<QVariant> ConvertFormValue(const QMetaProperty& property, const TPropertyInfo& info,
                                         const TFormValue& value, QString* error);
// Whether a property type holds a whole number (a TColor among them).
bool IsIntegralType(QMetaType type);
