#include "platform/fs/File.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Resolve.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// O_NONBLOCK keeps a fifo swapped in for a replay from blocking the open; it means nothing for
// regular files.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr mode_t kPermissionBits = 07777;
constexpr std::size_t kCopyChunk = std::size_t{64} << 10;

bool IsReadOnly(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::int64_t Nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * kNanosecondsPerSecond + time.tv_nsec;
}

FileStamp StampOf(const struct stat& st)
{
    FileStamp stamp;
    stamp.id = {st.st_dev, st.st_ino};
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modified = Nanoseconds(st.st_mtim);
    stamp.changed = Nanoseconds(st.st_ctim);
    stamp.kind = S_ISREG(st.st_mode) ? FileKind::Regular : S_ISLNK(st.st_mode) ? FileKind::Link : FileKind::Other;
    stamp.readOnly = IsReadOnly(st.st_mode);
    stamp.owner = st.st_uid;
    stamp.group = st.st_gid;
    stamp.mode = st.st_mode & kPermissionBits;
    stamp.links = st.st_nlink;
    return stamp;
}

} // namespace

File File::FromDescriptor(Descriptor fd, Access access, int& code)
{
    File file;
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0) {
        code = CodeFromErrno(errno);
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        code = kRefused;
        return file;
    }
    if (access == Access::ReadWrite && IsReadOnly(st.st_mode)) {
        code = kReadOnly;
        return file;
    }
    file.FFd = std::move(fd);
    file.FOpened = StampOf(st);
    code = kNoError;
    return file;
}

File File::Open(const std::string& path, int& code, Access access)
{
    if (path.find('\0') != std::string::npos) {
        code = kInvalidFilename;
        return {};
    }
    return FromDescriptor(Descriptor(::open(path.c_str(), kOpenFlags)), access, code);
}

File File::OpenIn(const Folder& folder, std::string_view name, int& code, Access access, LinkTrail* trail,
                  const AbsentNames* absent, Links links)
{
    char entry[NAME_MAX + 1];
    if (!detail::EntryName(name, entry)) {
        code = kInvalidFilename;
        return {};
    }
    if (absent != nullptr && absent->Absent(folder.Id(), name)) {
        code = kFileNotFound;
        return {};
    }
    Descriptor fd(::openat(folder.Fd(), entry, kOpenFlags | O_NOFOLLOW));
    if (fd || errno != ELOOP)
        return FromDescriptor(std::move(fd), access, code);
    if (links == Links::Own) {
        code = kRefused;
        return {};
    }
    // A link: followed by hand, so that its owner is noted and absent names are met on the way.
    detail::FinalEntry final;
    if ((code = detail::FollowEntry(folder, name, trail, absent, final)) != kNoError)
        return {};
    return FromDescriptor(Descriptor(::openat(final.folderFd, final.name, kOpenFlags | O_NOFOLLOW)), access, code);
}

int File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (got < size) {
        const auto n = ::pread(FFd.Get(), bytes + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return CodeFromErrno(errno);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return kNoError;
}

int File::Stamp(FileStamp& stamp) const
{
    struct stat st {};
    if (::fstat(FFd.Get(), &st) != 0)
        return CodeFromErrno(errno);
    stamp = StampOf(st);
    return kNoError;
}

namespace {

// A waiting open's signal must not end the program (see Lease); a handler of the program's own
// stays.
void IgnoreLeaseSignal()
{
    static const bool done = [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL
            && (current.sa_flags & SA_SIGINFO) == 0) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            ::sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGIO, &ignore, nullptr);
        }
        return true;
    }();
    (void)done;
}

} // namespace

Lease File::TakeWriteLease() const
{
    IgnoreLeaseSignal();
    if (::fcntl(FFd.Get(), F_SETLEASE, F_WRLCK) == 0)
        return Lease::Held;
    return errno == EAGAIN || errno == EBUSY ? Lease::InUse : Lease::Unavailable;
}

bool File::LeaseUndisturbed() const
{
    // A lease being broken reads as what it is to become (F_RDLCK or F_UNLCK).
    return ::fcntl(FFd.Get(), F_GETLEASE) == F_WRLCK;
}

void File::DropLease() const
{
    ::fcntl(FFd.Get(), F_SETLEASE, F_UNLCK);
}

int StampIn(const Folder& folder, std::string_view name, Links links, FileStamp& stamp, const AbsentNames* absent)
{
    char entry[NAME_MAX + 1];
    if (!detail::EntryName(name, entry))
        return kInvalidFilename;
    if (absent != nullptr && absent->Absent(folder.Id(), name))
        return kFileNotFound;
    struct stat st {};
    if (::fstatat(folder.Fd(), entry, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return CodeFromErrno(errno);
    if (S_ISLNK(st.st_mode) && links == Links::Follow) {
        detail::FinalEntry final;
        if (const int code = detail::FollowEntry(folder, name, nullptr, absent, final); code != kNoError)
            return code;
        if (::fstatat(final.folderFd, final.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return CodeFromErrno(errno);
    }
    stamp = StampOf(st);
    return kNoError;
}

int RenameBetween(const Folder& folder, std::string_view from, const Folder& toFolder, std::string_view to)
{
    char source[NAME_MAX + 1], target[NAME_MAX + 1];
    if (!detail::EntryName(from, source) || !detail::EntryName(to, target))
        return kInvalidFilename;
    return ::renameat2(folder.Fd(), source, toFolder.Fd(), target, RENAME_NOREPLACE) == 0 ? kNoError
                                                                                           : CodeFromErrno(errno);
}

int DeleteIn(const Folder& folder, std::string_view name)
{
    char entry[NAME_MAX + 1];
    if (!detail::EntryName(name, entry))
        return kInvalidFilename;
    return ::unlinkat(folder.Fd(), entry, 0) == 0 ? kNoError : CodeFromErrno(errno);
}

namespace {

// A new file that is removed again unless Keep is called: one that cannot be written whole
// must not be left looking like what it was meant to hold.
class NewFile {
public:
    NewFile(const Folder& folder, std::string_view name, std::uint32_t mode, int& code) : FFolder(folder)
    {
        if (!detail::EntryName(name, FName)) {
            code = kInvalidFilename;
            return;
        }
        FFd = Descriptor(::openat(folder.Fd(), FName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                  static_cast<mode_t>(mode & kPermissionBits)));
        code = FFd ? kNoError : CodeFromErrno(errno);
    }
    ~NewFile()
    {
        if (FFd && !FKept)
            ::unlinkat(FFolder.Fd(), FName, 0);
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int Fd() const { return FFd.Get(); }
    void Keep() { FKept = true; }

    int Write(const char* bytes, std::size_t size) const
    {
        while (size > 0) {
            const auto n = ::write(FFd.Get(), bytes, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return CodeFromErrno(errno);
            }
            bytes += n;
            size -= static_cast<std::size_t>(n);
        }
        return kNoError;
    }

private:
    const Folder& FFolder;
    char FName[NAME_MAX + 1] = {};
    Descriptor FFd;
    bool FKept = false;
};

} // namespace

int WriteNewFileIn(const Folder& folder, std::string_view name, std::string_view bytes, std::uint32_t mode)
{
    int code = kNoError;
    NewFile file(folder, name, mode, code);
    if (code != kNoError || (code = file.Write(bytes.data(), bytes.size())) != kNoError)
        return code;
    file.Keep();
    return kNoError;
}

int SaveCopyIn(const File& file, const Folder& folder, std::string_view name, const FileStamp& like)
{
    int code = kNoError;
    NewFile copy(folder, name, like.mode, code);
    if (code != kNoError)
        return code;
    char buffer[kCopyChunk]; // on the stack: saving what would be lost must not need memory that ran out
    for (std::uint64_t offset = 0;;) {
        std::size_t got = 0;
        if ((code = file.ReadAt(offset, buffer, sizeof buffer, got)) != kNoError || (code = copy.Write(buffer, got)) != kNoError)
            return code;
        if (got < sizeof buffer)
            break;
        offset += got;
    }
    if (::geteuid() == 0) // a copy root makes for another user's file stays that user's
        (void)!::fchown(copy.Fd(), like.owner, like.group);
    copy.Keep();
    return kNoError;
}

namespace {

// Flags the owner set with chattr that forbid moving an entry; a file system without them has
// nothing to forbid.
bool Fixed(int fd)
{
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

} // namespace

int MayChangeEntriesOf(const Folder& folder)
{
    if (::faccessat(folder.Fd(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return CodeFromErrno(errno);
    return Fixed(folder.Fd()) ? kAccessDenied : kNoError;
}

int MayMoveOutOf(const Folder& folder, const FileStamp& entry, const File& opened)
{
    const uid_t me = RunningUser();
    if ((folder.Mode() & S_ISVTX) != 0 && me != 0 && me != folder.Owner() && me != entry.owner)
        return kAccessDenied;
    return entry.kind == FileKind::Regular && Fixed(opened.FFd.Get()) ? kAccessDenied : kNoError;
}

int Identify(const std::string& path, FileId& id, bool& readOnly)
{
    if (path.find('\0') != std::string::npos)
        return kInvalidFilename;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return CodeFromErrno(errno);
    id = {st.st_dev, st.st_ino};
    readOnly = IsReadOnly(st.st_mode);
    return kNoError;
}

std::int64_t FileClockNow()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

std::int64_t FileClockStep()
{
    // File times come from the kernel's coarse clock, which moves in steps of its resolution.
    static const std::int64_t step = [] {
        timespec resolution {};
        ::clock_getres(CLOCK_REALTIME_COARSE, &resolution);
        return Nanoseconds(resolution);
    }();
    return step;
}

} // namespace files
