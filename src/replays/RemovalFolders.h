#pragma once
// The folders a removal works in, and what it keeps of each. Internal to the engine (Removal.cpp).
//
// Every folder is found from the folder the scan started in and checked against the identity the
// scan recorded; from then on it is used by handle only (Removal.h).

#include "platform/fs/File.h"
#include "platform/fs/Folder.h"
#include "platform/fs/Trash.h"
#include "replays/Catalogue.h"
#include "replays/Leftovers.h"

#include <array>
#include <climits>
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace replays {

// A folder of the files in hand, and where its files are moved to be checked just before they
// go (Leftovers.h says how either records the file's name and shows that its run lives):
// - in a folder that no other user may write (the running user's, writable by no group and no
//   others), a hidden name beside the file does: only the user's own processes could reach it,
//   and those can do anything the user can anyway;
// - elsewhere, a private folder inside it, made at the first need and removed with it when empty
//   (one that could not be emptied stays for a later scan). Making and removing a folder costs a
//   file system like ext4 about a millisecond, a hundred renames: it is made only where another
//   user could reach a name.
class OpenFolder {
public:
    explicit OpenFolder(files::Folder folder);
    ~OpenFolder();
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    const files::Folder& Get() const { return FFolder; }

    // Where the file name goes aside, with the name it has there in entry (written into buffer);
    // null with code set when there is nowhere.
    const files::Folder* Aside(std::string_view name, NameBuffer& buffer, std::string_view& entry, int& code);

    // Whether entries of the folder may be changed (a dry run's question), asked once.
    int MayChangeEntries();

    // Appends to path where an entry aside lies below this folder, within the room it has.
    void AppendAside(const files::Folder& aside, std::string_view entry, std::string& path) const;
    std::size_t AsideRoom() const;

private:
    files::Folder FFolder;
    const bool FOwnOnly;
    std::optional<bool> FBeside; // whether names beside files may be given here, asked once
    std::optional<int> FMayChange;
    files::Folder FPrivate;
    std::string FPrivateName;
};

// The folders of the files in hand, found from the folder the scan started in and checked
// against the identities the scan recorded; everything afterwards goes through the handles. As
// many stay open as the descriptor budget allows, so that a collection's folders are mostly
// opened once.
class Folders {
public:
    Folders(const Catalogue& catalogue, std::size_t capacity) : FCatalogue(catalogue), FCapacity(capacity) {}

    // The folder at path, or null with code set (0 when it is not the folder the scan walked).
    std::shared_ptr<OpenFolder> Get(std::string_view path, int& code);

private:
    struct Entry {
        std::string path;
        std::shared_ptr<OpenFolder> folder;
    };
    using Used = std::list<Entry>; // most recently used first

    files::Folder Open(std::string_view path, int& code) const;
    void Shrink(std::size_t size);

    const Catalogue& FCatalogue;
    const std::size_t FCapacity;
    Used FUsed;
    std::unordered_map<std::string_view, Used::iterator> FIndex; // keys view the entries' own paths
};

// The names a dry run would have deleted, by folder and name: gone for every later decision.
// Asked at every name a dry run looks at, so a question takes no memory.
class GoneNames : public files::AbsentNames {
public:
    bool Absent(const files::FileId& folder, std::string_view name) const override;
    void Add(const files::FileId& folder, std::string_view name);

private:
    using KeyBuffer = std::array<char, sizeof(files::FileId) + NAME_MAX>;
    static std::string_view Key(const files::FileId& folder, std::string_view name, KeyBuffer& buffer);

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> FNames;
};

// The trash of each file system met, found (and made) once; or why there is none.
class Trashes {
public:
    const files::Trash* For(const files::Folder& folder, int& code);
    int Available(const files::Folder& folder);

private:
    struct Found {
        files::Trash trash;
        int code = 0;
    };
    std::map<dev_t, Found> FTrashes;
    std::map<dev_t, int> FAvailable;
};

} // namespace replays
