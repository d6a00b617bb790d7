#include "platform/fs/Folder.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Resolve.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace files {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (FFd >= 0)
            ::close(FFd);
        FFd = other.Release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (FFd >= 0)
        ::close(FFd);
}

int Descriptor::Release()
{
    const int fd = FFd;
    FFd = -1;
    return fd;
}

std::uint32_t RunningUser()
{
    static const uid_t user = ::geteuid(); // the programs never change it once started
    return user;
}

bool TrustedLinkOwner(std::uint32_t owner)
{
    return owner == 0 || owner == RunningUser();
}

Folder Folder::FromDescriptor(Descriptor fd, std::string path, int& code)
{
    Folder folder;
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0) {
        code = CodeFromErrno(errno);
        return folder;
    }
    folder.FFd = std::move(fd);
    folder.FPath = std::move(path);
    folder.FId = {st.st_dev, st.st_ino};
    folder.FOwnership = {st.st_uid, st.st_gid, st.st_mode & 07777};
    code = kNoError;
    return folder;
}

Folder Folder::Open(const std::string& path, int& code, LinkTrail* trail)
{
    if (path.find('\0') != std::string::npos) {
        code = kInvalidFilename;
        return {};
    }
    Descriptor fd;
    if (trail == nullptr) {
        fd = Descriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        code = fd ? kNoError : CodeFromErrno(errno);
    } else {
        int hops = 0;
        fd = detail::OpenFolderText(AT_FDCWD, path, hops, trail, code);
    }
    if (!fd) {
        // A file, fifo or device where a folder was named says so; a path through one does not
        // lead anywhere at all.
        struct stat st {};
        if (code == kInvalidFilename && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            code = kNotAFolder;
        return {};
    }
    return FromDescriptor(std::move(fd), path, code);
}

Folder Folder::OpenIn(const Folder& parent, std::string_view relative, int& code, LinkTrail* trail)
{
    int hops = 0;
    auto fd = detail::OpenFolderText(parent.Fd(), relative, hops, trail, code);
    if (!fd)
        return {};
    return FromDescriptor(std::move(fd), JoinPath(parent.Path(), relative), code);
}

Folder Folder::OpenOwnIn(const Folder& parent, std::string_view name, int& code)
{
    char entry[NAME_MAX + 1];
    if (!detail::EntryName(name, entry)) {
        code = kInvalidFilename;
        return {};
    }
    Descriptor fd(::openat(parent.Fd(), entry, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd && (errno == ELOOP || errno == ENOTDIR)) { // a link is refused as either
        struct stat st {};
        code = ::fstatat(parent.Fd(), entry, &st, AT_SYMLINK_NOFOLLOW) != 0 ? CodeFromErrno(errno)
            : S_ISLNK(st.st_mode)                                        ? kRefused
                                                                         : kNotAFolder;
        return {};
    }
    return FromDescriptor(std::move(fd), JoinPath(parent.Path(), name), code);
}

bool IsSystemFileSystem(const Folder& folder)
{
    static constexpr std::array<std::uint32_t, 18> kSystemKinds{
        PROC_SUPER_MAGIC, SYSFS_MAGIC,      DEVPTS_SUPER_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,
        DEBUGFS_MAGIC,    TRACEFS_MAGIC,    SECURITYFS_MAGIC,   SELINUX_MAGIC,      SMACK_MAGIC,
        BPF_FS_MAGIC,     PSTOREFS_MAGIC,   EFIVARFS_MAGIC,     BINFMTFS_MAGIC,     NSFS_MAGIC,
        AUTOFS_SUPER_MAGIC, DEVMEM_MAGIC,   ANON_INODE_FS_MAGIC,
    };
    struct statfs fs {};
    if (::fstatfs(folder.Fd(), &fs) != 0)
        return false;
    return std::find(kSystemKinds.begin(), kSystemKinds.end(), static_cast<std::uint32_t>(fs.f_type)) != kSystemKinds.end();
}

LockResult TryLock(const Folder& folder, LockKind kind)
{
    while (::flock(folder.Fd(), (kind == LockKind::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        if (errno != EINTR)
            return errno == EWOULDBLOCK ? LockResult::Busy : LockResult::Unsupported;
    }
    return LockResult::Taken;
}

void Unlock(const Folder& folder)
{
    ::flock(folder.Fd(), LOCK_UN);
}

int MakeFolderIn(const Folder& parent, std::string_view name, std::uint32_t mode)
{
    char entry[NAME_MAX + 1];
    if (!detail::EntryName(name, entry))
        return kInvalidFilename;
    return ::mkdirat(parent.Fd(), entry, static_cast<mode_t>(mode)) == 0 ? kNoError : CodeFromErrno(errno);
}

int RemoveFolderIn(const Folder& parent, std::string_view name)
{
    char entry[NAME_MAX + 1];
    if (!detail::EntryName(name, entry))
        return kInvalidFilename;
    return ::unlinkat(parent.Fd(), entry, AT_REMOVEDIR) == 0 ? kNoError : CodeFromErrno(errno);
}

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// What a directory entry is, a link judged by its target; false for entries a search never
// delivers (sockets, fifos, devices, dangling links).
bool Classify(int folderFd, const dirent& entry, EntryKind& kind)
{
    switch (entry.d_type) {
    case DT_REG:
        kind = EntryKind::File;
        return true;
    case DT_DIR:
        kind = EntryKind::Folder;
        return true;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat st {};
        if (::fstatat(folderFd, entry.d_name, &st, 0) != 0)
            return false;
        if (S_ISREG(st.st_mode)) {
            kind = EntryKind::File;
            return true;
        }
        if (S_ISDIR(st.st_mode)) {
            kind = EntryKind::Folder;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

// Calls each with every entry of folder, in no particular order, on a search of its own:
// fdopendir takes the descriptor it is given, so it gets a copy; the copy shares the read
// position, hence the rewind for a folder listed more than once. Returns 0 or the error that
// ended the search (the entries before it were given).
template <class Each>
int ForEachEntry(const Folder& folder, Each each)
{
    const int copy = ::fcntl(folder.Fd(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return CodeFromErrno(errno);
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
    if (!dir) {
        const int error = errno;
        ::close(copy);
        return CodeFromErrno(error);
    }
    ::rewinddir(dir.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr)
            return CodeFromErrno(errno);
        each(*entry);
    }
}

} // namespace

int ReadAllNames(const Folder& folder, std::vector<std::string>& names)
{
    return ForEachEntry(folder, [&names](const dirent& entry) {
        const std::string_view name(entry.d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
    });
}

int FolderListing::Read(const Folder& folder, std::string_view hiddenPrefix)
{
    FNames.clear();
    FItems.clear();
    FHidden.clear();
    const int code = ForEachEntry(folder, [&](const dirent& entry) {
        const std::string_view name(entry.d_name);
        if (IsHiddenName(name)) {
            if (!hiddenPrefix.empty() && name.starts_with(hiddenPrefix))
                FHidden.emplace_back(name);
            return;
        }
        EntryKind kind{};
        if (!Classify(folder.Fd(), entry, kind))
            return;
        FItems.push_back({static_cast<std::uint32_t>(FNames.size()), static_cast<std::uint16_t>(name.size()), kind});
        FNames.insert(FNames.end(), name.begin(), name.end());
    });

    std::sort(FItems.begin(), FItems.end(), [this](const Item& a, const Item& b) {
        return CompareNames({FNames.data() + a.offset, a.length}, {FNames.data() + b.offset, b.length}) < 0;
    });
    return code;
}

} // namespace files
