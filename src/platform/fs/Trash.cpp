#include "platform/fs/Trash.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Resolve.h"

#include <gio/gunixmounts.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace files {

namespace {

constexpr std::uint32_t kTrashMode = 0700;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// Names tried in files/ before the trash is taken to be full of this one.
constexpr int kTrashNameTries = 1000;
// Room for one account's entry in the user database (the system's own suggestion is far less).
constexpr std::size_t kAccountBufferBytes = 16384;

std::string OwnUid()
{
    return std::to_string(RunningUser());
}

// $HOME, or the account's home when it is not set, as GLib takes them; $XDG_DATA_HOME likewise.
// Read on each call rather than through g_get_home_dir() and g_get_user_data_dir(), which keep the
// first answer for the life of the process: one process may look for trashes under several.
std::string HomePath()
{
    if (const char* variable = std::getenv("HOME"); variable != nullptr && variable[0] == kSeparator)
        return variable;
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer(kAccountBufferBytes);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && entry.pw_dir != nullptr)
        return entry.pw_dir;
    return {};
}

std::string DataHomePath(const std::string& home)
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == kSeparator)
        return data;
    return JoinPath(home, ".local/share");
}

// The names an absolute path walks through from "/", without empty ones and ".".
std::vector<std::string> PathNames(std::string_view path)
{
    std::vector<std::string> names;
    for (std::size_t pos = 0; pos < path.size();) {
        auto end = path.find(kSeparator, pos);
        if (end == std::string_view::npos)
            end = path.size();
        if (const auto name = path.substr(pos, end - pos); !name.empty() && name != ".")
            names.emplace_back(name);
        pos = end + 1;
    }
    return names;
}

bool IsWithin(std::string_view path, std::string_view top)
{
    return top == "/" || path == top || (path.starts_with(top) && path.size() > top.size() && path[top.size()] == kSeparator);
}

// A folder of a trash below parent: a real folder of the running user's (made when missing and
// make is set). With make unset and the folder missing, code says whether it could be made.
Folder TrashFolder(const Folder& parent, std::string_view name, bool make, int& code)
{
    auto folder = Folder::OpenOwnIn(parent, name, code);
    if (!folder && code == kFileNotFound) {
        if (!make) {
            code = ::faccessat(parent.Fd(), ".", W_OK | X_OK, AT_EACCESS) == 0 ? kNoError : CodeFromErrno(errno);
            return {};
        }
        if ((code = MakeFolderIn(parent, name, kTrashMode)) != kNoError && code != kAlreadyExists)
            return {};
        folder = Folder::OpenOwnIn(parent, name, code);
    }
    if (!folder)
        return {};
    if (folder.Owner() != RunningUser()) {
        code = kTrashOfAnotherUser;
        return {};
    }
    return folder;
}

// The device the home lies on, found by hand (the home itself is not read: the running user may
// not read another's, and the home trash is then not wanted anyway).
int HomeDevice(const std::string& home, dev_t& device)
{
    if (home.empty())
        return kFileNotFound;
    int code = kNoError;
    const auto root = Folder::Open("/", code);
    auto names = PathNames(home);
    if (!root || names.empty()) {
        device = root.Id().device;
        return code;
    }
    const auto last = std::move(names.back());
    names.pop_back();
    std::string parentText;
    for (const auto& name : names)
        parentText = JoinPath(parentText, name);
    LinkTrail trail;
    const auto parent = Folder::OpenIn(root, parentText, code, &trail);
    detail::FinalEntry final;
    if (!parent || (code = detail::FollowEntry(parent, last, &trail, nullptr, final)) != kNoError)
        return code;
    if (trail.foreign)
        return kTrashOfAnotherUser;
    struct stat st {};
    if (::fstatat(final.folderFd, final.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return CodeFromErrno(errno);
    if (!S_ISDIR(st.st_mode))
        return kNotAFolder;
    device = st.st_dev;
    return kNoError;
}

// The home trash's folder, walked to by hand from "/" along names: folders from the ownFrom-th on
// ("/" is the 0th) must be the running user's, and missing ones are made on the home's device
// only in a folder of the running user's. With make unset nothing is made: a missing folder ends
// the walk with an empty result and code 0 when it could be made.
Folder WalkToHomeTrash(const std::vector<std::string>& names, std::size_t ownFrom, dev_t device, bool make, int& code)
{
    auto current = Folder::Open("/", code);
    for (std::size_t i = 0; current; ++i) {
        if (i >= ownFrom && current.Owner() != RunningUser()) {
            code = kTrashOfAnotherUser;
            return {};
        }
        if (i == names.size())
            break;
        LinkTrail trail;
        auto next = Folder::OpenIn(current, names[i], code, &trail);
        if (trail.foreign) {
            code = kTrashOfAnotherUser;
            return {};
        }
        if (!next && code == kFileNotFound) {
            if (current.Owner() != RunningUser()) {
                code = kTrashOfAnotherUser;
                return {};
            }
            if (current.Id().device != device) {
                code = kHomeTrashElsewhere;
                return {};
            }
            next = TrashFolder(current, names[i], make, code);
        }
        current = std::move(next);
    }
    if (current && current.Id().device != device) {
        code = kHomeTrashElsewhere;
        return {};
    }
    return current;
}

// The top of the mount realPath lies on, where the desktop keeps that file system's trash, or
// why it keeps none there. GIO's mount table and verdicts, so that a file manager finds whatever
// goes there. GIO's own answer for a file (its can-trash attribute) mixes them with permissions
// and keeps the home's device from its first call on, so its two reasons not to trash on a mount
// (a system-internal one, or one whose options, in the table or in fstab, say x-gvfs-notrash)
// are asked one by one.
int DesktopTrashTop(const std::string& realPath, std::string& top)
{
    const std::unique_ptr<GUnixMountEntry, decltype(&g_unix_mount_free)> mount(g_unix_mount_for(realPath.c_str(), nullptr),
                                                                               g_unix_mount_free);
    if (!mount)
        return kNoTrash;
    top = g_unix_mount_get_mount_path(mount.get());
    if (g_unix_mount_is_system_internal(mount.get()))
        return kNoTrashOnSystemMount;
    const char* options = g_unix_mount_get_options(mount.get());
    const std::unique_ptr<GUnixMountPoint, decltype(&g_unix_mount_point_free)> point(
        options == nullptr ? g_unix_mount_point_at(top.c_str(), nullptr) : nullptr, g_unix_mount_point_free);
    if (point)
        options = g_unix_mount_point_get_options(point.get());
    return options != nullptr && std::strstr(options, "x-gvfs-notrash") != nullptr ? kNoTrashOnSystemMount : kNoError;
}

std::string LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The n-th name tried for name in files/: name itself, then "stem.2.rep" and so on, kept short
// enough for its info file's name.
std::string TrashName(std::string_view name, int n)
{
    const auto dot = name.rfind('.');
    auto stem = dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
    const auto extension = name.substr(stem.size());
    const std::string number = n == 1 ? std::string() : "." + std::to_string(n);
    const std::size_t room = NAME_MAX - kInfoSuffix.size();
    if (stem.size() + number.size() + extension.size() > room)
        stem = stem.substr(0, room - std::min(room, number.size() + extension.size()));
    return std::string(stem) + number + std::string(extension);
}

} // namespace

std::string RealPath(const Folder& folder)
{
    char path[PATH_MAX + 1];
    const auto link = "/proc/self/fd/" + std::to_string(folder.Fd());
    const auto length = ::readlink(link.c_str(), path, PATH_MAX);
    if (length <= 0 || path[0] != kSeparator)
        return {};
    return std::string(path, static_cast<std::size_t>(length));
}

std::string EscapeUrlPath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
            || c == '-' || c == '.' || c == '_' || c == '~' || c == kSeparator;
        if (plain) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        }
    }
    return escaped;
}

Trash Trash::Locate(const Folder& folder, bool make, int& code)
{
    const auto home = HomePath();
    dev_t homeDevice = 0;
    if ((code = HomeDevice(home, homeDevice)) != kNoError)
        return {};
    if (homeDevice != folder.Id().device)
        return LocateAtTop(folder, make, code);
    const auto homeNames = PathNames(home);
    auto names = PathNames(DataHomePath(home));
    const std::size_t dataFolder = names.size();
    names.emplace_back("Trash");
    const bool belowHome = names.size() > homeNames.size() && std::equal(homeNames.begin(), homeNames.end(), names.begin());
    const auto place = WalkToHomeTrash(names, belowHome ? homeNames.size() : dataFolder, homeDevice, make, code);
    Trash trash;
    if (!place || !trash.TakeFolders(place, make, code))
        return {}; // with code 0 when a dry run finds the rest could be made
    return trash;
}

Trash Trash::LocateAtTop(const Folder& folder, bool make, int& code)
{
    const auto real = RealPath(folder);
    Trash trash;
    if (real.empty()) {
        code = kNoTrash;
        return {};
    }
    if ((code = DesktopTrashTop(real, trash.FTop)) != kNoError)
        return {};
    LinkTrail trail;
    const auto root = Folder::Open("/", code);
    const auto top = root ? Folder::OpenIn(root, trash.FTop, code, &trail) : Folder();
    if (trail.foreign) {
        code = kTrashOfAnotherUser;
        return {};
    }
    if (!top || top.Id().device != folder.Id().device) {
        code = kNoTrash;
        return {};
    }
    // As the desktop does: the shared trash when it is sticky and the user's folder there will
    // do, else the user's own at the top.
    Folder place;
    if (auto common = Folder::OpenOwnIn(top, ".Trash", code); common && (common.Mode() & S_ISVTX) != 0) {
        place = TrashFolder(common, OwnUid(), make, code);
        if (!place && code == kNoError)
            return {}; // a dry run: it would be made there
    }
    if (!place && !(place = TrashFolder(top, ".Trash-" + OwnUid(), make, code)))
        return {};
    if (!trash.TakeFolders(place, make, code))
        return {};
    return trash;
}

bool Trash::TakeFolders(const Folder& place, bool make, int& code)
{
    // Both asked even when a dry run finds files/ missing: info/ could still be another user's.
    FFiles = TrashFolder(place, "files", make, code);
    if (!FFiles && code != kNoError)
        return false;
    FInfo = TrashFolder(place, "info", make, code);
    return FFiles && FInfo;
}

Trash Trash::For(const Folder& folder, int& code)
{
    return Locate(folder, true, code);
}

int Trash::Available(const Folder& folder)
{
    int code = kNoError;
    Locate(folder, false, code);
    return code;
}

int Trash::Put(const Folder& original, std::string_view name, const Folder& from, std::string_view entry,
               std::string& trashedAs) const
{
    const auto folder = RealPath(original);
    if (folder.empty() || (!FTop.empty() && !IsWithin(folder, FTop)))
        return kNoTrash; // nowhere a file manager could put it back
    auto path = JoinPath(folder, name);
    if (!FTop.empty())
        path = path.substr(FTop == "/" ? 1 : FTop.size() + 1);
    const auto info = "[Trash Info]\nPath=" + EscapeUrlPath(path) + "\nDeletionDate=" + LocalTimeNow() + "\n";
    for (int n = 1; n <= kTrashNameTries; ++n) {
        trashedAs = TrashName(name, n);
        const auto infoName = trashedAs + std::string(kInfoSuffix);
        int code = WriteNewFileIn(FInfo, infoName, info, 0600);
        if (code == kAlreadyExists)
            continue;
        if (code != kNoError)
            return code;
        code = RenameBetween(from, entry, FFiles, trashedAs);
        if (code == kNoError)
            return kNoError;
        DeleteIn(FInfo, infoName);
        if (code != kAlreadyExists)
            return code;
    }
    return kAlreadyExists;
}

void Trash::DropInfo(const std::string& trashedAs) const
{
    DeleteIn(FInfo, trashedAs + std::string(kInfoSuffix));
}

} // namespace files
