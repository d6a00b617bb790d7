#pragma once
// Opened folders and the folder search.
//
//   int code = 0;
//   files::Folder folder = files::Folder::Open("/data/replays", code);
//   if (!folder) { ... files::ErrorText(code) ... }
//   files::FolderListing listing;
//   code = listing.Read(folder);
//   for (std::size_t i = 0; i < listing.size(); ++i) { listing.Name(i); listing.Kind(i); }
//
// A listing holds the visible entries only (hidden names, sockets, fifos, devices and dangling
// links left out; a link counts as what it points at), in the order of CompareNames.
//
// Links are followed by this layer itself, one at a time, never by the system on the way: so
// the owner of every link met is known, and a caller can tell a path its user laid from one that
// another user's link leads it along (LinkTrail). A user who can write in a folder can put a link
// there to anywhere; a program run by another user (root, say) must not act through it as if
// the folder's own user had chosen it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace files {

// Which object on disk a name leads to.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const
    {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(id.inode) * 31 + id.device);
    }
};

// Whether a link may be acted through: it was made by the running user or by root. Anyone else's
// link could lead the running user's program where its owner could not go.
bool TrustedLinkOwner(std::uint32_t owner);

// The user the process acts as (its effective user id).
std::uint32_t RunningUser();

// Who owns an entry, and its mode bits (permissions, the sticky bit).
struct Ownership {
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0;
};

// What the links on the way to an entry were.
struct LinkTrail {
    bool foreign = false; // one of them belongs to neither the running user nor root
    // The first of those: the path of the folder that holds it, as the system names that folder,
    // joined with its name.
    std::string foreignLink;
    // Where a file opened through a link lies (File::OpenIn): the folder that holds its entry.
    bool followed = false;
    Ownership folder;
};

// Names to be taken as gone although they are still on disk, by folder and name: what a dry run
// would have deleted, so that it decides as a real run would once they are gone.
class AbsentNames {
public:
    virtual bool Absent(const FileId& folder, std::string_view name) const = 0;

protected:
    ~AbsentNames() = default;
};

// A descriptor owned by exactly one holder; closed when the holder goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : FFd(fd) {}
    Descriptor(Descriptor&& other) noexcept : FFd(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int Get() const { return FFd; }
    explicit operator bool() const { return FFd >= 0; }
    int Release();

private:
    int FFd = -1;
};

class Folder {
public:
    Folder() = default;

    // Opens the folder at path. On failure the result is empty and code says why (kNotAFolder when
    // something else is there). Without trail the system follows the links on the way; with it
    // they are followed by hand from the first name on, and noted there, as OpenIn does.
    static Folder Open(const std::string& path, int& code, LinkTrail* trail = nullptr);
    // Opens relative (one name, or names joined by "/") below parent, following links by hand and
    // noting their owners in trail. Its path is parent's joined with relative.
    static Folder OpenIn(const Folder& parent, std::string_view relative, int& code, LinkTrail* trail = nullptr);
    // Opens the folder name of parent itself: a link there is refused (kRefused), never followed.
    static Folder OpenOwnIn(const Folder& parent, std::string_view name, int& code);

    explicit operator bool() const { return static_cast<bool>(FFd); }
    int Fd() const { return FFd.Get(); }
    const std::string& Path() const { return FPath; }
    FileId Id() const { return FId; }
    // Its owner, group and mode bits (permissions, the sticky bit) when it was opened.
    std::uint32_t Owner() const { return FOwnership.owner; }
    std::uint32_t Group() const { return FOwnership.group; }
    std::uint32_t Mode() const { return FOwnership.mode; }
    const Ownership& Owners() const { return FOwnership; }

private:
    static Folder FromDescriptor(Descriptor fd, std::string path, int& code);

    Descriptor FFd;
    std::string FPath;
    FileId FId;
    Ownership FOwnership;
};

// Whether folder lies on a file system of the kernel's own making (/proc, /sys, cgroups, ...),
// whose "folders" are views of the running system: /proc/self/root leads back to the whole tree.
bool IsSystemFileSystem(const Folder& folder);

// Every name in folder but "." and "..", whatever it is, hidden or not, in no particular order.
int ReadAllNames(const Folder& folder, std::vector<std::string>& names);

// Advisory locks on a folder (flock). A lock belongs to this opening of the folder: it goes when
// the folder is closed or unlocked, and the kernel drops it when the process ends, which every
// process sees alike, whatever pid or time namespace it runs in. Another opening's shared locks
// let a shared one be taken and keep an exclusive one out; an exclusive one keeps out both.
// Neither waits.
enum class LockKind { Shared, Exclusive };
enum class LockResult { Taken, Busy, Unsupported }; // Busy: held elsewhere; Unsupported: no locks there
LockResult TryLock(const Folder& folder, LockKind kind);
void Unlock(const Folder& folder);

// Makes the folder name in parent with mode (never replacing anything). Returns 0 or an error code.
int MakeFolderIn(const Folder& parent, std::string_view name, std::uint32_t mode);
// Removes the empty folder name from parent. Returns 0 or an error code.
int RemoveFolderIn(const Folder& parent, std::string_view name);

enum class EntryKind : std::uint8_t { File, Folder };

class FolderListing {
public:
    // Replaces the listing with the folder's visible entries. Returns 0 or an error code; on an
    // error the entries read before it are kept. Hidden names that begin with hiddenPrefix (when
    // it is not empty) are kept apart, in Hidden(), whatever they are.
    int Read(const Folder& folder, std::string_view hiddenPrefix = {});

    std::size_t size() const { return FItems.size(); }
    bool empty() const { return FItems.empty(); }
    std::string_view Name(std::size_t i) const { return {FNames.data() + FItems[i].offset, FItems[i].length}; }
    EntryKind Kind(std::size_t i) const { return FItems[i].kind; }
    const std::vector<std::string>& Hidden() const { return FHidden; }

private:
    struct Item {
        std::uint32_t offset;
        std::uint16_t length;
        EntryKind kind;
    };
    std::vector<char> FNames; // all names back to back; one allocation for a whole folder
    std::vector<Item> FItems;
    std::vector<std::string> FHidden;
};

} // namespace files
