#include "toolkit/PropertyInfo.h"

#include "toolkit/Persistent.h"
#include "platform/gdi/Colors.h"

#include <QMetaObject>
#include <QSet>
#include <string>

namespace {

QByteArray Tail(const QByteArray& name)
{
    const int colons = name.lastIndexOf("::");
    return colons < 0 ? name : name.mid(colons + 2);
}

bool IsQtClass(const QMetaObject* meta)
{
    const char* name = meta->className();
    return name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z';
}

}  // namespace

bool IsIntegralType(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

TPropertyInfo PropertyInfoOf(const QMetaObject* meta, const char* property)
{
    TPropertyInfo info;
    const int index = meta->indexOfClassInfo(property);
    if (index < 0)
        return info;
    const QString text = QString::fromUtf8(meta->classInfo(index).value());
    for (const QString& part : text.split(u';')) {
        const QString item = part.trimmed();
        const qsizetype space = item.indexOf(u' ');
        const QString key = space < 0 ? item : item.left(space);
        const QString rest = space < 0 ? QString() : item.mid(space + 1).trimmed();
        if (key == QLatin1String("TColor"))
            info.isColor = true;
        else if (key == QLatin1String("default"))
            info.defaultText = rest;
        else if (key == QLatin1String("nodefault"))
            info.defaultText.reset();
        else if (key == QLatin1String("stored"))
            info.storedMethod = rest.toLatin1();
    }
    return info;
}

std::vector<QMetaProperty> PublishedProperties(const QMetaObject* meta)
{
    std::vector<const QMetaObject*> chain;
    for (const QMetaObject* m = meta; m && !IsQtClass(m); m = m->superClass())
        chain.push_back(m);
    std::vector<QMetaProperty> result;
    QSet<QByteArray> seen;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const QMetaObject* m = *it;
        for (int i = m->propertyOffset(); i < m->propertyCount(); ++i) {
            const QByteArray name = m->property(i).name();
            if (seen.contains(name))
                continue;
            seen.insert(name);
            result.push_back(meta->property(meta->indexOfProperty(name.constData())));
        }
    }
    return result;
}

QMetaEnum EnumOfType(QMetaType type)
{
    if (!(type.flags() & QMetaType::IsEnumeration))
        return {};
    const QMetaObject* scope = type.metaObject();
    if (!scope)
        return {};
    QByteArray name = type.name();
    if (name.startsWith("QFlags<") && name.endsWith('>')) {
        const QByteArray enumName = Tail(name.mid(7, name.size() - 8));
        for (int i = 0; i < scope->enumeratorCount(); ++i) {
            const QMetaEnum e = scope->enumerator(i);
            if (e.isFlag() && enumName == e.enumName())
                return e;
        }
        return {};
    }
    const int index = scope->indexOfEnumerator(Tail(name).constData());
    return index < 0 ? QMetaEnum() : scope->enumerator(index);
}

TPointerKind PointerKindOf(QMetaType type)
{
    if (!(type.flags() & QMetaType::PointerToQObject) || !type.metaObject())
        return TPointerKind::None;
    return type.metaObject()->inherits(&TPersistent::staticMetaObject) ? TPointerKind::SubObject
                                                                       : TPointerKind::Reference;
}

std::optional<QVariant> ConvertFormValue(const QMetaProperty& property, const TPropertyInfo& info,
                                         const TFormValue& value, QString* error)
{
    using Kind = TFormValue::Kind;
    const QMetaType type = property.metaType();
    const auto fail = [&](const QString& why) -> std::optional<QVariant> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString invalid = QStringLiteral("Invalid property value");

    if (const QMetaEnum e = EnumOfType(type); e.isValid()) {
        if (value.kind == Kind::Integer)
            return QVariant(int(value.integer));
        if (e.isFlag() && value.kind == Kind::Set) {
            int bits = 0;
            for (const QString& name : value.names) {
                bool ok = false;
                bits |= e.keyToValue(name.toLatin1().constData(), &ok);
                if (!ok)
                    return fail(QStringLiteral("Invalid set element %1").arg(name));
            }
            return QVariant(bits);
        }
        if (!e.isFlag() && value.kind == Kind::Ident) {
            bool ok = false;
            const int v = e.keyToValue(value.text.toLatin1().constData(), &ok);
            if (!ok)
                return fail(QStringLiteral("Invalid enumeration value %1").arg(value.text));
            return QVariant(v);
        }
        return fail(invalid);
    }
    if (type.id() == QMetaType::Bool) {
        if (value.kind == Kind::Ident && value.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return QVariant(true);
        if (value.kind == Kind::Ident && value.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return QVariant(false);
        return fail(invalid);
    }
    if (IsIntegralType(type)) {
        if (value.kind == Kind::Integer) {
            QVariant v(qlonglong(value.integer));
            v.convert(type);
            return v;
        }
        if (info.isColor && value.kind == Kind::Ident) {
            if (const auto color = IdentToColor(value.text.toStdString()))
                return QVariant(int(*color));
            return fail(QStringLiteral("Invalid colour %1").arg(value.text));
        }
        return fail(invalid);
    }
    switch (type.id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        if (value.kind == Kind::Float)
            return QVariant(value.real);
        if (value.kind == Kind::Integer)
            return QVariant(double(value.integer));
        return fail(invalid);
    case QMetaType::QString:
        if (value.kind == Kind::String)
            return QVariant(value.text);
        return fail(invalid);
    case QMetaType::QStringList:
        if (value.kind == Kind::List) {
            QStringList lines;
            for (const TFormValue& item : value.list) {
                if (item.kind == Kind::String || item.kind == Kind::Ident)
                    lines.append(item.text);
                else if (item.kind == Kind::Integer)
                    lines.append(QString::number(item.integer));
                else
                    return fail(invalid);
            }
            return QVariant(lines);
        }
        return fail(invalid);
    case QMetaType::QByteArray:
        if (value.kind == Kind::Binary)
            return QVariant(value.binary);
        return fail(invalid);
    default:
        return fail(QStringLiteral("Properties of type %1 cannot be read").arg(QLatin1String(type.name())));
    }
}

