#pragma once
// Where the user's places are on this machine: home, the XDG user directories, the trash and the
// mounted volumes a file manager shows. Paths are byte strings without a trailing separator
// (except "/" itself).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shellns {

std::string HomeDir();
std::string DataHome();   // $XDG_DATA_HOME or ~/.local/share
std::string ConfigHome(); // $XDG_CONFIG_HOME or ~/.config

// An XDG user directory ("DESKTOP", "DOCUMENTS", "TEMPLATES", ...): the user-dirs.dirs entry,
// else the environment variable XDG_<key>_DIR, else the convention's default folder under home
// (~/Desktop, ~/Documents, ...); nothing for a key without one.
std::optional<std::string> UserDir(std::string_view key);

// The desktop's file-system folder: the XDG desktop directory when it exists, else home.
std::string DesktopDir();
std::string TrashFilesDir();

bool IsDirectory(const std::string& path); // follows links

// Lexical clean-up of an absolute path: repeated separators, "." and ".." resolved, no trailing "/".
std::string NormalizePath(std::string_view path);
std::string JoinPath(std::string_view folder, std::string_view name);
// The folder path lies in: everything before its last separator; "/" for the root and what lies in it.
std::string ParentPath(const std::string& path);
// True when path is folder or lies below it; rest receives the part after folder's separator.
bool PathBelow(std::string_view path, std::string_view folder, std::string_view* rest);

struct Volume {
    std::string mountPath; // absolute, "/" for the root file system
    std::string name;      // as a file manager names it
    bool removable = false;
};

// The root file system first, then the user volumes (mounted under /media, /run/media or /mnt).
std::vector<Volume> Volumes();
// How a file manager names the volume mounted at mountPath.
std::string VolumeName(std::string_view mountPath);
// Replaces the mount table for tests; an empty function restores the real one. It stays a hook in
// the library because a test cannot change the machine's mount table (a volume under /media
// needs root and a mount namespace, and the tests also run as an ordinary user), while the
// places a tree shows must include a removable volume to be tested at all.
void SetVolumeSourceForTesting(std::function<std::vector<Volume>()> source);

} // namespace shellns
