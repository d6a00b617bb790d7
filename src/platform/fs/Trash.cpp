#include "platform/fs/Trash.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

constexpr std::uint32_t kTrashMode = 0700;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// Names tried in files/ before the trash is taken to be full of this one.
constexpr int kTrashNameTries = 1000;

std::string OwnUid()
{
    return std::to_string(RunningUser());
}

std::string HomeTrashPath()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == kSeparator)
        return JoinPath(data, "Trash");
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable != nullptr && variable[0] == kSeparator)
        home = variable;
    else if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_dir != nullptr)
        home = entry->pw_dir;
    return home.empty() ? std::string() : JoinPath(home, ".local/share/Trash");
}

// The mount table writes a space, tab, newline or backslash in a path as a backslash and three
// octal digits.
std::string UnescapeMountPath(const std::string& text)
{
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            path += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            path += text[i];
        }
    }
    return path;
}

bool IsWithin(std::string_view path, std::string_view top)
{
    return top == "/" || path == top || (path.starts_with(top) && path.size() > top.size() && path[top.size()] == kSeparator);
}

// The mount point below which realPath lies (the deepest; a later mount over the same point
// hides an earlier one). Empty when the mount table cannot be read.
std::string MountPointOf(const std::string& realPath)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line, best;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        point = UnescapeMountPath(point);
        if (!point.empty() && IsWithin(realPath, point) && point.size() >= best.size())
            best = point;
    }
    return best;
}

// A folder of the trash below parent: a real folder of the running user's (made when missing and
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
    if (folder.Owner() != RunningUser()) { // another user's folder where this user's trash should be
        code = kAccessDenied;
        return {};
    }
    return folder;
}

// Opens the folder at path, making it and its missing parents (the home trash's own place may
// not exist yet). With make unset nothing is made: a missing folder comes back empty, with code 0
// when it could be made.
Folder OpenOrMakePath(const std::string& path, bool make, int& code)
{
    auto folder = Folder::Open(path, code);
    if (folder || code != kFileNotFound || path == "/")
        return folder;
    const auto parent = OpenOrMakePath(ParentPath(path), make, code);
    if (!parent)
        return {};
    if (!make) {
        code = ::faccessat(parent.Fd(), ".", W_OK | X_OK, AT_EACCESS) == 0 ? kNoError : CodeFromErrno(errno);
        return {};
    }
    if ((code = MakeFolderIn(parent, FileNamePart(path), kTrashMode)) != kNoError && code != kAlreadyExists)
        return {};
    return Folder::OpenIn(parent, FileNamePart(path), code);
}

// The device the folder at path, or the nearest of its parents that exists, lies on.
bool DeviceOf(std::string path, dev_t& device)
{
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        if (errno != ENOENT || path == "/")
            return false;
        path = ParentPath(path);
    }
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
    Trash trash;
    // The home trash, for files on its file system.
    const auto home = HomeTrashPath();
    dev_t homeDevice = 0;
    if (!home.empty() && DeviceOf(home, homeDevice) && homeDevice == folder.Id().device) {
        const auto place = OpenOrMakePath(home, make, code);
        if (!place)
            return trash; // missing and makeable (code 0) is what a dry run asks
        if ((trash.FFiles = TrashFolder(place, "files", make, code)) && (trash.FInfo = TrashFolder(place, "info", make, code)))
            return trash;
        return {};
    }
    // The trash at the top of the folder's own file system.
    const auto real = RealPath(folder);
    trash.FTop = real.empty() ? std::string() : MountPointOf(real);
    auto top = trash.FTop.empty() ? Folder() : Folder::Open(trash.FTop, code);
    if (!top || top.Id().device != folder.Id().device) {
        code = kNoTrash;
        return {};
    }
    Folder place;
    if (auto common = Folder::OpenOwnIn(top, ".Trash", code); common && (common.Mode() & S_ISVTX) != 0)
        place = TrashFolder(common, OwnUid(), make, code);
    if (!place)
        place = TrashFolder(top, ".Trash-" + OwnUid(), make, code);
    if (!place)
        return {}; // with code 0 when a dry run finds it could be made
    if ((trash.FFiles = TrashFolder(place, "files", make, code)) && (trash.FInfo = TrashFolder(place, "info", make, code)))
        return trash;
    return {};
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
