#include "platform/fs/File.h"

#include "platform/fs/FileErrors.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

// O_NONBLOCK keeps a fifo swapped in for a replay from blocking the open; it means nothing for
// regular files.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

bool IsReadOnly(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
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
    if (!S_ISREG(st.st_mode) || (access == Access::ReadWrite && IsReadOnly(st.st_mode))) {
        code = kAccessDenied;
        return file;
    }
    file.fd_ = std::move(fd);
    file.length_ = static_cast<std::uint64_t>(st.st_size);
    file.id_ = {st.st_dev, st.st_ino};
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
    char zeroTerminated[NAME_MAX + 1];
    if (name.size() > NAME_MAX || name.find('\0') != std::string_view::npos) {
        code = kInvalidFilename;
        return {};
    }
    std::memcpy(zeroTerminated, name.data(), name.size());
    zeroTerminated[name.size()] = '\0';
    return FromDescriptor(Descriptor(::openat(folder.Fd(), zeroTerminated, kOpenFlags)), access, code);
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

int DeleteFile(const std::string& path)
{
    if (path.find('\0') != std::string::npos)
        return kInvalidFilename;
    return ::unlink(path.c_str()) == 0 ? kNoError : CodeFromErrno(errno);
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

} // namespace files
