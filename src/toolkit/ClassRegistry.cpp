#include "toolkit/ClassRegistry.h"

#include "toolkit/Exceptions.h"

#include <QHash>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, TComponentClass> classes;
};

Registry& GlobalRegistry()
{
    static Registry instance;
    return instance;
}

}  // namespace

TComponent* TComponentClass::Create(TComponent* owner) const
{
    TComponent* component = create(owner);
    try {
        component->AfterConstruction();
    } catch (...) {
        delete component;
        throw;
    }
    return component;
}

void RegisterClass(const TComponentClass& cls)
{
    Registry& r = GlobalRegistry();
    const std::lock_guard lock(r.mutex);
    const auto found = r.classes.constFind(cls.Name());
    if (found != r.classes.constEnd()) {
        if (found->meta == cls.meta)
            return;
        throw EComponentError(QStringLiteral("A class named %1 already exists").arg(cls.Name()));
    }
    r.classes.insert(cls.Name(), cls);
}

TComponentClass FindClass(const QString& name)
{
    Registry& r = GlobalRegistry();
    const std::lock_guard lock(r.mutex);
    return r.classes.value(name);
}

