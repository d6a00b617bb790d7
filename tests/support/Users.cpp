#include "support/Users.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <linux/capability.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

bool FindUser(const char* name, UserIds& ids)
{
    const passwd* entry = ::getpwnam(name);
    if (entry == nullptr)
        return false;
    ids = {entry->pw_uid, entry->pw_gid};
    return true;
}

void BecomeInThisThread(const UserIds& ids)
{
    if (::syscall(SYS_setgroups, 0, nullptr) != 0 || ::syscall(SYS_setresgid, ids.gid, ids.gid, ids.gid) != 0
        || ::syscall(SYS_setresuid, ids.uid, ids.uid, ids.uid) != 0)
        throw std::runtime_error(std::string("cannot become another user: ") + std::strerror(errno));
}

void GiveTree(const std::string& path, const UserIds& ids)
{
    if (::lchown(path.c_str(), ids.uid, ids.gid) != 0)
        throw std::runtime_error("cannot give " + path + " away: " + std::strerror(errno));
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path)))
        return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (::lchown(entry.path().c_str(), ids.uid, ids.gid) != 0)
            throw std::runtime_error("cannot give " + entry.path().string() + " away: " + std::strerror(errno));
    }
}

void DropCapabilityInThisThread(int capability)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0}; // pid 0: the calling thread
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] {};
    const auto word = static_cast<std::size_t>(capability) / 32;
    const auto bit = 1u << (static_cast<unsigned>(capability) % 32);
    if (::syscall(SYS_capget, &header, data) != 0)
        throw std::runtime_error(std::string("cannot read capabilities: ") + std::strerror(errno));
    data[word].effective &= ~bit;
    if (::syscall(SYS_capset, &header, data) != 0)
        throw std::runtime_error(std::string("cannot drop a capability: ") + std::strerror(errno));
}

} // namespace testsupport
