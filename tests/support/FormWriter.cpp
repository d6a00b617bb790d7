#include "support/FormWriter.h"

#include "platform/gdi/Colors.h"
#include "toolkit/Collection.h"
#include "toolkit/PropertyInfo.h"

#include <QMetaObject>

namespace {

constexpr int kIndent = 2;
constexpr int kBinaryBytesPerLine = 32;

// A scalar property value as a form description writes it on one line; std::nullopt for
// types written otherwise (lists, binary data, objects, events).
std::optional<QString> FormatScalar(const QMetaProperty& property, const TPropertyInfo& info, const QVariant& value)
{
    const QMetaType type = property.metaType();
    if (const QMetaEnum e = EnumOfType(type); e.isValid()) {
        const int v = value.toInt();
        if (e.isFlag()) {
            QStringList names;
            for (int i = 0; i < e.keyCount(); ++i)
                if (e.value(i) != 0 && (v & e.value(i)) == e.value(i))
                    names.append(QString::fromLatin1(e.key(i)));
            return u'[' + names.join(QStringLiteral(", ")) + u']';
        }
        const char* key = e.valueToKey(v);
        return key ? QString::fromLatin1(key) : QString::number(v);
    }
    if (type.id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (IsIntegralType(type)) {
        if (info.isColor)
            return QString::fromStdString(ColorToString(TColor(value.toInt())));
        return QString::number(value.toLongLong());
    }
    switch (type.id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QString:
        return FormatFormString(value.toString());
    default:
        return std::nullopt;
    }
}

class Writing {
public:
    explicit Writing(TComponent* root) : FRoot(root) {}

    void Component(TComponent* component, int level)
    {
        Line(level, QStringLiteral("object %1: %2").arg(component->Name(), component->ClassName()));
        Properties(component->Object(), QString(), level + 1);
        for (int i = 0; i < FRoot->ComponentCount(); ++i) {
            TComponent* child = FRoot->Components(i);
            TComponent* parent = child->GetParentComponent();
            const bool nested = component == FRoot ? (!child->HasParent() || parent == FRoot || !parent)
                                                   : parent == component;
            if (nested)
                Component(child, level + 1);
        }
        Line(level, QStringLiteral("end"));
    }

    void Properties(QObject* object, const QString& prefix, int level)
    {
        const QMetaObject* meta = object->metaObject();
        for (const QMetaProperty& property : PublishedProperties(meta)) {
            const TPropertyInfo info = PropertyInfoOf(meta, property.name());
            if (!IsStored(object, property, info))
                continue;
            const QString name = prefix + QLatin1String(property.name());
            const QVariant value = property.read(object);
            const QMetaType type = property.metaType();

            if (const TEventBinding* binding = FindEventBinding(type)) {
                const QByteArray method = binding->methodName(value);
                if (!method.isEmpty())
                    Line(level, name + QStringLiteral(" = ") + QLatin1String(method));
                continue;
            }
            switch (PointerKindOf(type)) {
            case TPointerKind::SubObject:
                if (QObject* sub = value.value<QObject*>()) {
                    if (auto* collection = qobject_cast<TCollection*>(sub))
                        Collection(collection, name, level);
                    else
                        Properties(sub, name + u'.', level);
                }
                continue;
            case TPointerKind::Reference:
                if (QObject* target = value.value<QObject*>())
                    if (const auto* component = dynamic_cast<const TComponent*>(target);
                        component && !component->Name().isEmpty())
                        Line(level, name + QStringLiteral(" = ") + component->Name());
                continue;
            case TPointerKind::None:
                break;
            }
            if (!property.isWritable())
                continue;
            if (type.id() == QMetaType::QStringList) {
                List(value.toStringList(), name, level);
                continue;
            }
            if (type.id() == QMetaType::QByteArray) {
                Binary(value.toByteArray(), name, level);
                continue;
            }
            const std::optional<QString> text = FormatScalar(property, info, value);
            if (!text || IsDefault(property, info, value, *text))
                continue;
            Line(level, name + QStringLiteral(" = ") + *text);
        }
    }

    QString Text() const { return FText; }

private:
    void Line(int level, const QString& line) { FText += QString(level * kIndent, u' ') + line + u'\n'; }

    static bool IsStored(QObject* object, const QMetaProperty& property, const TPropertyInfo& info)
    {
        if (!property.isStored())
            return false;
        if (info.storedMethod.isEmpty())
            return true;
        bool stored = true;
        QMetaObject::invokeMethod(object, info.storedMethod.constData(), Qt::DirectConnection, Q_RETURN_ARG(bool, stored));
        return stored;
    }

    static bool IsDefault(const QMetaProperty& property, const TPropertyInfo& info, const QVariant& value,
                          const QString& text)
    {
        if (!info.defaultText)
            return property.metaType().id() == QMetaType::QString && value.toString().isEmpty();
        const std::optional<QVariant> declared = ConvertFormValue(property, info, ParseFormValue(*info.defaultText), nullptr);
        return declared && FormatScalar(property, info, *declared) == text;
    }

    void List(const QStringList& lines, const QString& name, int level)
    {
        if (lines.isEmpty())
            return;
        Line(level, name + QStringLiteral(" = ("));
        for (qsizetype i = 0; i < lines.size(); ++i)
            Line(level + 1, FormatFormString(lines[i]) + (i + 1 == lines.size() ? QStringLiteral(")") : QString()));
    }

    void Binary(const QByteArray& data, const QString& name, int level)
    {
        if (data.isEmpty())
            return;
        Line(level, name + QStringLiteral(" = {"));
        const QStringList hex = FormatFormBinary(data);
        for (qsizetype i = 0; i < hex.size(); ++i)
            Line(level + 1, hex[i] + (i + 1 == hex.size() ? QStringLiteral("}") : QString()));
    }

    void Collection(TCollection* collection, const QString& name, int level)
    {
        if (collection->Count() == 0)
            return;
        Line(level, name + QStringLiteral(" = <"));
        for (int i = 0; i < collection->Count(); ++i) {
            Line(level + 1, QStringLiteral("item"));
            Properties(collection->Items(i), QString(), level + 2);
            Line(level + 1, i + 1 == collection->Count() ? QStringLiteral("end>") : QStringLiteral("end"));
        }
    }

    TComponent* FRoot;
    QString FText;
};

}  // namespace

QString FormatFormString(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("''");
    QString out;
    bool quoted = false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20) {
            if (quoted)
                out += u'\'';
            quoted = false;
            out += u'#' + QString::number(c.unicode());
            continue;
        }
        if (!quoted)
            out += u'\'';
        quoted = true;
        out += c;
        if (c == u'\'')
            out += c;
    }
    if (quoted)
        out += u'\'';
    return out;
}

QStringList FormatFormBinary(const QByteArray& data)
{
    QStringList lines;
    for (qsizetype i = 0; i < data.size(); i += kBinaryBytesPerLine)
        lines.append(QString::fromLatin1(data.mid(i, kBinaryBytesPerLine).toHex().toUpper()));
    return lines;
}

TFormValue ParseFormValue(const QString& text)
{
    // The reader's own parser, given the value as the one property of a description.
    const TFormNode node = ParseFormText(QStringLiteral("object V: TValue\n  Value = %1\nend\n").arg(text));
    return node.properties.at(0).value;
}

QString NestFormText(const char* component)
{
    QString nested;
    for (const QString& line : QString::fromUtf8(component).split(u'\n', Qt::SkipEmptyParts))
        nested += QString(kIndent, u' ') + line + u'\n';
    return nested;
}

QString TWriter::WriteRootComponent(TComponent* root)
{
    return WriteComponent(root, root, 0);
}

QString TWriter::WriteComponent(TComponent* component, TComponent* root, int level)
{
    Writing writing(root);
    writing.Component(component, level);
    return writing.Text();
}

QString TWriter::WriteProperties(QObject* object, TComponent* root)
{
    Writing writing(root);
    writing.Properties(object, QString(), 0);
    return writing.Text();
}
