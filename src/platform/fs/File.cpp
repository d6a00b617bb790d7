#include "platform/fs/File.h"

#include "platform/fs/FileErrors.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// O_NONBLOCK keeps a fifo swapped in for a replay from blocking the open; it means nothing for
// regular files.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

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
    return stamp;
}

// A name as the system calls want it: one entry, zero-terminated. False when it cannot be one.
bool EntryName(std::string_view name, char (&zeroTerminated)[NAME_MAX + 1])
{
    if (name.empty() || name.size() > NAME_MAX || name.find_first_of(std::string_view("\0/", 2)) != std::string_view::npos)
        return false;
    std::memcpy(zeroTerminated, name.data(), name.size());
    zeroTerminated[name.size()] = '\0';
    return true;
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
    file.fd_ = std::move(fd);
    file.opened_ = StampOf(st);
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

File File::OpenIn(const Folder& folder, std::string_view name, int& code, Access access)
{
    char entry[NAME_MAX + 1];
    if (!EntryName(name, entry)) {
        code = kInvalidFilename;
        return {};
    }
    return FromDescriptor(Descriptor(::openat(folder.Fd(), entry, kOpenFlags)), access, code);
}

int File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (got < size) {
        const auto n = ::pread(fd_.Get(), bytes + got, size - got, static_cast<off_t>(offset + got));
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
    if (::fstat(fd_.Get(), &st) != 0)
        return CodeFromErrno(errno);
    stamp = StampOf(st);
    return kNoError;
}

int StampIn(const Folder& folder, std::string_view name, Links links, FileStamp& stamp)
{
    char entry[NAME_MAX + 1];
    if (!EntryName(name, entry))
        return kInvalidFilename;
    struct stat st {};
    if (::fstatat(folder.Fd(), entry, &st, links == Links::Own ? AT_SYMLINK_NOFOLLOW : 0) != 0)
        return CodeFromErrno(errno);
    stamp = StampOf(st);
    return kNoError;
}

int RenameIn(const Folder& folder, std::string_view from, std::string_view to)
{
    char source[NAME_MAX + 1], target[NAME_MAX + 1];
    if (!EntryName(from, source) || !EntryName(to, target))
        return kInvalidFilename;
    return ::renameat2(folder.Fd(), source, folder.Fd(), target, RENAME_NOREPLACE) == 0 ? kNoError
                                                                                         : CodeFromErrno(errno);
}

int DeleteIn(const Folder& folder, std::string_view name)
{
    char entry[NAME_MAX + 1];
    if (!EntryName(name, entry))
        return kInvalidFilename;
    return ::unlinkat(folder.Fd(), entry, 0) == 0 ? kNoError : CodeFromErrno(errno);
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
