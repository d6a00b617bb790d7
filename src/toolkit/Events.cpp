#include "toolkit/Events.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<int, TEventBinding> bindings;
};

Registry& GlobalRegistry()
{
    static Registry instance;
    return instance;
}

QByteArray LastComponent(const QByteArray& name)
{
    const int colons = name.lastIndexOf("::");
    return colons < 0 ? name : name.mid(colons + 2);
}

}  // namespace

namespace toolkit::detail {

void RegisterEventBinding(QMetaType type, const TEventBinding& binding)
{
    Registry& r = GlobalRegistry();
    const std::lock_guard lock(r.mutex);
    r.bindings.emplace(type.id(), binding);
}

bool TypeNameMatches(QByteArray written, QMetaType type)
{
    written = QMetaObject::normalizedType(written.constData());
    const QByteArray actual = type.name();
    return written == actual || LastComponent(written) == LastComponent(actual);
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
    Registry& r = GlobalRegistry();
    const std::lock_guard lock(r.mutex);
    const auto found = r.bindings.find(type.id());
    return found == r.bindings.end() ? nullptr : &found->second;
}
