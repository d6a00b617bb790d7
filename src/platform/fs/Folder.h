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

// A descriptor owned by exactly one holder; closed when the holder goes.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release();

private:
    int fd_ = -1;
};

class Folder {
public:
    Folder() = default;

    // Opens the folder at path (links followed). On failure the result is empty and code says why.
    static Folder Open(const std::string& path, int& code);

    explicit operator bool() const { return static_cast<bool>(fd_); }
    int Fd() const { return fd_.Get(); }
    const std::string& Path() const { return path_; }
    FileId Id() const { return id_; }

private:
    Descriptor fd_;
    std::string path_;
    FileId id_;
};

enum class EntryKind : std::uint8_t { File, Folder };

class FolderListing {
public:
    // Replaces the listing with the folder's visible entries. Returns 0 or an error code; on an
    // error the entries read before it are kept.
    int Read(const Folder& folder);

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    std::string_view Name(std::size_t i) const { return {names_.data() + items_[i].offset, items_[i].length}; }
    EntryKind Kind(std::size_t i) const { return items_[i].kind; }

private:
    struct Item {
        std::uint32_t offset;
        std::uint16_t length;
        EntryKind kind;
    };
    std::vector<char> names_; // all names back to back; one allocation for a whole folder
    std::vector<Item> items_;
};

} // namespace files
