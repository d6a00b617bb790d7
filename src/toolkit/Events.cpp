#include "toolkit/Events.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<int, TEventBinding> bindings;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

QByteArray lastComponent(const QByteArray& name)
{
    const int colons = name.lastIndexOf("::");
    return colons < 0 ? name : name.mid(colons + 2);
}

}  // namespace

namespace toolkit::detail {

void RegisterEventBinding(QMetaType type, const TEventBinding& binding)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.bindings.emplace(type.id(), binding);
}

bool TypeNameMatches(QByteArray written, QMetaType type)
{
    written = QMetaObject::normalizedType(written.constData());
    const QByteArray actual = type.name();
    return written == actual || lastComponent(written) == lastComponent(actual);
}

std::uint64_t NextFunctionIdentity()
{
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

}  // namespace toolkit::detail

const TEventBinding* FindEventBinding(QMetaType type)
{
    if (!type.isValid())
        return nullptr;
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto found = r.bindings.find(type.id());
    return found == r.bindings.end() ? nullptr : &found->second;
}
