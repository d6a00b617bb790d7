#include "platform/fs/Folder.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int Descriptor::Release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

Folder Folder::Open(const std::string& path, int& code)
{
    Folder folder;
    if (path.find('\0') != std::string::npos) {
        code = kInvalidFilename;
        return folder;
    }
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0) {
        code = CodeFromErrno(errno);
        return folder;
    }
    folder.fd_ = std::move(fd);
    folder.path_ = path;
    folder.id_ = {st.st_dev, st.st_ino};
    code = kNoError;
    return folder;
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

} // namespace

int FolderListing::Read(const Folder& folder)
{
    names_.clear();
    items_.clear();
    // fdopendir takes the descriptor it is given, so it gets a copy; the copy shares the read
    // position, hence the rewind for a folder listed more than once.
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

    int code = kNoError;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            code = CodeFromErrno(errno);
            break;
        }
        const std::string_view name(entry->d_name);
        EntryKind kind{};
        if (IsHiddenName(name) || !Classify(folder.Fd(), *entry, kind))
            continue;
        items_.push_back({static_cast<std::uint32_t>(names_.size()), static_cast<std::uint16_t>(name.size()), kind});
        names_.insert(names_.end(), name.begin(), name.end());
    }

    std::sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
        return CompareNames({names_.data() + a.offset, a.length}, {names_.data() + b.offset, b.length}) < 0;
    });
    return code;
}

} // namespace files
