#include "toolkit/FormReader.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/Collection.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FormText.h"
#include "toolkit/PropertyInfo.h"

#include <QFile>
#include <QPointer>
#include <vector>

namespace {

[[noreturn]] void Fail(int line, const QString& message)
{
    throw EReadError(QStringLiteral("Line %1: %2").arg(line).arg(message));
}

struct Fixup {
    QPointer<QObject> target;
    QMetaProperty property;
    QString name;
    int line;
};

}  // namespace

class TReader::Reading {
public:
    explicit Reading(TComponent* root) : FRoot(root) {}

    void Run(const TFormNode& node)
    {
        if (node.className != FRoot->ClassName())
            Fail(node.line, QStringLiteral("A description of %1 cannot be read into a %2")
                                .arg(node.className, FRoot->ClassName()));
        Begin(FRoot);
        try {
            FRoot->SetName(node.name);
            ReadProperties(FRoot->Object(), node.properties);
            for (const TFormNode& child : node.children)
                ReadChild(child, FRoot);
            ResolveFixups();
        } catch (...) {
            for (const auto& [object, component] : FLoaded)
                if (object)
                    component->SetLoadingState(false);
            throw;
        }
        for (const auto& [object, component] : FLoaded)
            if (object)
                component->SetLoadingState(false);
        for (const auto& [object, component] : FLoaded)
            if (object)
                component->Loaded();
    }

private:
    void Begin(TComponent* component)
    {
        component->SetLoadingState(true);
        FLoaded.emplace_back(component->Object(), component);
    }

    void ReadChild(const TFormNode& node, TComponent* parent)
    {
        const TComponentClass cls = FindClass(node.className);
        if (!cls)
            Fail(node.line, QStringLiteral("Class %1 not found").arg(node.className));
        TComponent* component = cls.Create(FRoot);
        try {
            Begin(component);
            component->SetName(node.name);
            component->SetParentComponent(parent);
            ReadProperties(component->Object(), node.properties);
        } catch (const EReadError&) {
            delete component;
            throw;
        } catch (const Exception& e) {
            delete component;
            Fail(node.line, e.Message());
        } catch (...) {
            delete component;
            throw;
        }
        for (const TFormNode& child : node.children)
            ReadChild(child, component);
    }

    void ReadProperties(QObject* object, const std::vector<TFormProperty>& properties)
    {
        for (const TFormProperty& p : properties) {
            try {
                ReadProperty(object, p);
            } catch (const EReadError&) {
                throw;
            } catch (const Exception& e) {
                Fail(p.line, e.Message());
            }
        }
    }

    void ReadProperty(QObject* object, const TFormProperty& p)
    {
        const QStringList path = p.path.split(u'.');
        for (qsizetype i = 0; i + 1 < path.size(); ++i) {
            const QMetaProperty sub = FindProperty(object, path[i], p.line);
            if (PointerKindOf(sub.metaType()) != TPointerKind::SubObject)
                Fail(p.line, QStringLiteral("Property %1 has no properties of its own").arg(path[i]));
            object = sub.read(object).value<QObject*>();
            if (!object)
                Fail(p.line, QStringLiteral("Property %1 is not assigned").arg(path[i]));
        }
        const QMetaProperty property = FindProperty(object, path.last(), p.line);
        WriteValue(object, property, p.value);
    }

    QMetaProperty FindProperty(QObject* object, const QString& name, int line)
    {
        const QMetaObject* meta = object->metaObject();
        for (const QMetaProperty& property : PublishedProperties(meta))
            if (QLatin1String(property.name()) == name)
                return property;
        Fail(line, QStringLiteral("Property %1.%2 does not exist").arg(QLatin1String(meta->className()), name));
    }

    void WriteValue(QObject* object, const QMetaProperty& property, const TFormValue& value)
    {
        using Kind = TFormValue::Kind;
        const QMetaType type = property.metaType();
        const QString invalid = QStringLiteral("Invalid value for property %1").arg(QLatin1String(property.name()));

        if (const TEventBinding* binding = FindEventBinding(type)) {
            if (value.kind != Kind::Ident)
                Fail(value.line, invalid);
            const int index = binding->findMethod(FRoot->Object()->metaObject(), value.text.toLatin1());
            if (index < 0)
                Fail(value.line, QStringLiteral("Method %1 not found in %2 or its parameters do not fit %3")
                                     .arg(value.text, FRoot->ClassName(), QLatin1String(property.name())));
            Write(object, property, binding->bind(FRoot->Object(), index), value.line);
            return;
        }
        switch (PointerKindOf(type)) {
        case TPointerKind::SubObject: {
            auto* collection = qobject_cast<TCollection*>(property.read(object).value<QObject*>());
            if (!collection || value.kind != Kind::Collection)
                Fail(value.line, invalid);
            collection->BeginUpdate();
            collection->Clear();
            for (const auto& item : value.items)
                ReadProperties(collection->Add(), item);
            collection->EndUpdate();
            return;
        }
        case TPointerKind::Reference:
            if (value.kind != Kind::Ident)
                Fail(value.line, invalid);
            if (value.text.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0) {
                QObject* none = nullptr;
                Write(object, property, QVariant(type, &none), value.line);
                return;
            }
            FFixups.push_back(Fixup{object, property, value.text, value.line});
            return;
        case TPointerKind::None:
            break;
        }
        QString error;
        const std::optional<QVariant> converted =
            ConvertFormValue(property, PropertyInfoOf(object->metaObject(), property.name()), value, &error);
        if (!converted)
            Fail(value.line, QStringLiteral("%1 (property %2)").arg(error, QLatin1String(property.name())));
        Write(object, property, *converted, value.line);
    }

    void Write(QObject* object, const QMetaProperty& property, const QVariant& value, int line)
    {
        if (!property.isWritable() || !property.write(object, value))
            Fail(line, QStringLiteral("Property %1 cannot be set").arg(QLatin1String(property.name())));
    }

    void ResolveFixups()
    {
        for (const Fixup& f : FFixups) {
            if (!f.target)
                continue;
            TComponent* found = f.name.compare(FRoot->Name(), Qt::CaseInsensitive) == 0
                                    ? FRoot
                                    : FRoot->FindComponent(f.name);
            if (!found)
                Fail(f.line, QStringLiteral("Component %1 not found").arg(f.name));
            QObject* object = found->Object();
            if (!object->metaObject()->inherits(f.property.metaType().metaObject()))
                Fail(f.line, QStringLiteral("%1 is no %2").arg(f.name, QLatin1String(f.property.metaType().name())));
            Write(f.target, f.property, QVariant(f.property.metaType(), &object), f.line);
        }
    }

    TComponent* FRoot;
    std::vector<std::pair<QPointer<QObject>, TComponent*>> FLoaded;
    std::vector<Fixup> FFixups;
};

void TReader::ReadRootComponent(TComponent* root, const QString& text)
{
    Reading(root).Run(ParseFormText(text));
}

void TReader::ReadRootFromResource(TComponent* root, const QString& resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(QStringLiteral("Form description %1 not found").arg(resourcePath));
    ReadRootComponent(root, QString::fromUtf8(file.readAll()));
}
