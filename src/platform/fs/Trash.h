#pragma once
// The desktop's trash (the freedesktop.org trash layout), as this program moves files into it.
//
//   int code = 0;
//   files::Trash trash = files::Trash::For(folder, code);       // the trash of folder's file system
//   code = trash.Put(folder, name, from, entry, trashedAs);    // name of folder, now entry of from
//
// Each file system has its own trash, so that a file reaches it by a rename and is never copied.
// Which trash, and whether there may be one at all, follows the desktop's own trash (GIO's), so
// that a file manager lists everything moved there:
// - Files on the home's file system (the device of $HOME, or of the account's home) go to the home
//   trash, $XDG_DATA_HOME/Trash, by default ~/.local/share/Trash. When that lies on another file
//   system than the home, there is none (kHomeTrashElsewhere).
// - Any other file goes to the trash at the top of its mount, $top/.Trash/$uid when $top/.Trash
//   is a real folder with the sticky bit, else $top/.Trash-$uid; but none on a mount GIO keeps no
//   trash on (system-internal, such as / or tmpfs, or marked x-gvfs-notrash: kNoTrashOnSystemMount).
// - A home that cannot be found leaves no trash anywhere, as with GIO.
// On top of GIO's rules, never a trash in another user's place (kTrashOfAnotherUser), which that
// user's own trash calls would then fail on:
// - the home, when the home trash lies below it, and every folder from there on to the trash
//   belong to the running user; when the trash lies elsewhere ($XDG_DATA_HOME outside the home),
//   every folder from $XDG_DATA_HOME on does. Folders above (/, /home) are the system's.
// - a missing folder on the way is made (mode 0700) only in a folder of the running user's;
// - links on the way are followed by hand, and only when they belong to the running user or root;
// - the folders of a trash ($top/.Trash/$uid or $top/.Trash-$uid, and files/ and info/ in every
//   trash) are real folders of the running user's, never links.
//
// What a file manager needs to list a file and put it back is written first, a "<name>.trashinfo"
// in info/ that holds the file's path (absolute for the home trash, relative to $top otherwise,
// escaped as in URLs) and the local time of the move; then the file is renamed into files/ under
// the same name. When the rename fails the info goes again.
//
// GIO's own trash call moves by path, and the file it moves could be another by then; this one
// moves the entry from a folder the caller holds open.

#include "platform/fs/File.h"
#include "platform/fs/Folder.h"

#include <string>
#include <string_view>

namespace files {

class Trash {
public:
    Trash() = default;

    // The trash for the files of folder, made where missing. Empty with code set when its file
    // system has none that can be used.
    static Trash For(const Folder& folder, int& code);

    // Whether For would find or make one, without making anything: 0 or the code For would give.
    static int Available(const Folder& folder);

    explicit operator bool() const { return static_cast<bool>(FFiles); }
    dev_t Device() const { return FFiles.Id().device; }

    // Moves the file that was name in original, and is entry in from now (on this trash's file
    // system), into the trash, recorded as name of original; says under which name it lies in
    // files/.
    int Put(const Folder& original, std::string_view name, const Folder& from, std::string_view entry,
            std::string& trashedAs) const;

    // The trash's files/ folder, to take what Put moved back out of it by its name there; and
    // dropping the info of what was taken out.
    const Folder& Files() const { return FFiles; }
    void DropInfo(const std::string& trashedAs) const;

private:
    static Trash Locate(const Folder& folder, bool make, int& code);
    static Trash LocateAtTop(const Folder& folder, bool make, int& code);
    // Takes place's files/ and info/ (made when missing, with make); false with code set when it
    // cannot, or with code 0 when a dry run finds one missing that could be made.
    bool TakeFolders(const Folder& place, bool make, int& code);

    Folder FFiles;
    Folder FInfo;
    std::string FTop; // the file system's top folder; empty for the home trash
};

// The folder's path as the system knows it, links resolved; empty when it cannot be told.
std::string RealPath(const Folder& folder);

// path, escaped as a URL's path: bytes other than letters, digits and "-._~/" as %XX.
std::string EscapeUrlPath(std::string_view path);

} // namespace files
