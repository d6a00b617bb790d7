#pragma once
// Replay files as the engine reads, checks and deletes them.
//
//   int code = 0;
//   files::File file = files::File::Open(path, code);   // or File::OpenIn(folder, name, code)
//   if (!file) { ... files::ErrorText(code) ... }
//   std::size_t got = 0;
//   code = file.ReadAt(offset, buffer, size, got);      // got < size only at the end of the file
//
// Only regular files open; anything else is refused with kRefused. Opened for ReadWrite (the
// default, how the engine opens a replay it may delete) a read-only file (no write permission bit
// for anyone, whoever asks, root included) is refused with kReadOnly. Either way the file is only
// read.
//
// Deleting goes by name within an open folder, never by a path that could lead elsewhere by the
// time the call is made: a file is first moved aside into a folder of the deleting run's own
// (never replacing anything there), checked there, and only then removed.
//
// Names are followed as Folder.h says: links by hand, their owners noted in a LinkTrail when one
// is given, and names an AbsentNames list holds taken as gone.

#include "platform/fs/Folder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace files {

enum class Access { ReadWrite, Read };

enum class FileKind : std::uint8_t { Regular, Link, Other };

// What a name or an open file is, and how it stands now: enough to tell that its contents have
// not changed since (device, inode, size and modification time) and that nothing about it has
// (the status change time too, which also moves when the file is renamed).
struct FileStamp {
    FileId id;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    std::int64_t changed = 0;
    FileKind kind = FileKind::Other;
    bool readOnly = false;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0; // permission bits
    std::uint64_t links = 0; // names the file has

    bool SameContents(const FileStamp& other) const
    {
        return id == other.id && size == other.size && modified == other.modified;
    }
    bool Unchanged(const FileStamp& other) const { return SameContents(other) && changed == other.changed; }
};

enum class Links { Follow, Own }; // a link judged by its target, or as the link itself

// A write lease on an open file (fcntl F_SETLEASE, F_WRLCK). The kernel grants it only while no
// other open file description of the file exists: no other descriptor of it for reading or
// writing, in any process, this one included, and no mapping of it, even one whose descriptor is
// closed. While it is held, any other open of the file waits until the lease is let go (or the
// kernel's lease-break-time has passed), and the holder can see that someone is waiting. Only
// the file's owner or a process with CAP_LEASE may take one, and only on file systems that have
// them (Unavailable otherwise). The kernel tells the holder of a waiting open by a signal, SIGIO,
// whose default would end the process: from the first lease on it is ignored, unless the program
// handles it itself.
enum class Lease { Held, InUse, Unavailable };

class File {
public:
    File() = default;

    static File Open(const std::string& path, int& code, Access access = Access::ReadWrite);
    // name is one entry of folder, opened relative to it (a link is followed by hand; with
    // Links::Own a link is refused, kRefused, like any other entry that is no regular file).
    static File OpenIn(const Folder& folder, std::string_view name, int& code, Access access = Access::ReadWrite,
                       LinkTrail* trail = nullptr, const AbsentNames* absent = nullptr, Links links = Links::Follow);

    explicit operator bool() const { return static_cast<bool>(FFd); }
    std::uint64_t Length() const { return FOpened.size; }
    FileId Id() const { return FOpened.id; }
    // The file as it was when it was opened.
    const FileStamp& Opened() const { return FOpened; }

    // Reads up to size bytes from offset. Returns 0 with got = bytes read, or an error code.
    int ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const;

    // The file as it stands now (not as it was opened).
    int Stamp(FileStamp& stamp) const;

    Lease TakeWriteLease() const;
    // Whether the lease taken is still held with nobody waiting to open the file.
    bool LeaseUndisturbed() const;
    void DropLease() const;

private:
    friend int MayMoveOutOf(const Folder& folder, const FileStamp& entry, const File& opened);
    static File FromDescriptor(Descriptor fd, Access access, int& code);

    Descriptor FFd;
    FileStamp FOpened;
};

// What name in folder is now. Returns 0 or an error code (kFileNotFound when there is no such name).
int StampIn(const Folder& folder, std::string_view name, Links links, FileStamp& stamp,
            const AbsentNames* absent = nullptr);

// Gives the entry from in folder the name to in toFolder (which may be folder), failing
// (kAlreadyExists) rather than replacing an entry that has that name already. What moves is
// whatever from names at that moment; a link moves as itself.
int RenameBetween(const Folder& folder, std::string_view from, const Folder& toFolder, std::string_view to);

// Makes the new file name in folder (never replacing anything: kAlreadyExists) with the given
// permission bits and writes bytes into it.
int WriteNewFileIn(const Folder& folder, std::string_view name, std::string_view bytes, std::uint32_t mode);

// Makes the new file name in folder (kAlreadyExists when taken) holding what file holds now, with
// the permission bits of like and, where the running user may give it, its owner. A file that
// cannot be written whole is removed again.
int SaveCopyIn(const File& file, const Folder& folder, std::string_view name, const FileStamp& like);

// What a dry run asks in place of moving a file out of its folder: whether the folder's entries
// may be changed at all (it can be written and searched, and carries no flag that forbids it,
// immutable or append-only), asked once a folder; and whether this file may be moved out of it
// (a sticky folder lets the running user move it, and it carries no such flag itself). Each
// returns 0 or the code the move would most likely fail with.
int MayChangeEntriesOf(const Folder& folder);
int MayMoveOutOf(const Folder& folder, const FileStamp& entry, const File& opened);

// Removes the name from folder (a link itself, not what it leads to). Returns 0 or an error code.
int DeleteIn(const Folder& folder, std::string_view name);

// What path leads to now, links followed: its identity and whether it is read-only.
int Identify(const std::string& path, FileId& id, bool& readOnly);

// The clock file times are taken from, in nanoseconds since the epoch, and the longest step by
// which a file time can lag behind it: two changes within one step may leave the same time.
std::int64_t FileClockNow();
std::int64_t FileClockStep();

} // namespace files
