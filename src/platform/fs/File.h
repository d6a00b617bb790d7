#pragma once
// Replay files as the engine reads and deletes them.
//
//   int code = 0;
//   files::File file = files::File::Open(path, code);   // or File::OpenIn(folder, name, code)
//   if (!file) { ... files::ErrorText(code) ... }
//   std::size_t got = 0;
//   code = file.ReadAt(offset, buffer, size, got);      // got < size only at the end of the file
//
// Only regular files open; anything else is refused with kAccessDenied. Opened for ReadWrite (the
// default, how the engine opens a replay it may delete) a read-only file (no write permission bit
// for anyone, whoever asks, root included) is refused as well. Either way the file is only read.

#include "platform/fs/Folder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace files {

enum class Access { ReadWrite, Read };

class File {
public:
    File() = default;

    static File Open(const std::string& path, int& code, Access access = Access::ReadWrite);
    // name is one entry of folder, opened relative to it.
    static File OpenIn(const Folder& folder, std::string_view name, int& code, Access access = Access::ReadWrite);

    explicit operator bool() const { return static_cast<bool>(fd_); }
    std::uint64_t Length() const { return length_; }
    FileId Id() const { return id_; }

    // Reads up to size bytes from offset. Returns 0 with got = bytes read, or an error code.
    int ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const;

private:
    static File FromDescriptor(Descriptor fd, Access access, int& code);

    Descriptor fd_;
    std::uint64_t length_ = 0;
    FileId id_;
};

// Removes the name path (a link itself, not what it leads to). Returns 0 or an error code.
int DeleteFile(const std::string& path);

// What path leads to now, links followed: its identity and whether it is read-only.
int Identify(const std::string& path, FileId& id, bool& readOnly);

} // namespace files
