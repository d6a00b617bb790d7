#include "platform/shellns/Places.h"

#include "platform/shellns/Texts.h"

#include <mntent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace shellns {
namespace {

std::string EnvPath(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? NormalizePath(value) : std::string();
}

// One value of user-dirs.dirs: "$HOME/rest" or "/absolute", in double quotes, with backslash escapes.
std::optional<std::string> ParseUserDirValue(std::string_view value)
{
    if (value.size() < 2 || value.front() != '"')
        return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        text += value[i];
    }
    constexpr std::string_view kHome = "$HOME";
    if (text.compare(0, kHome.size(), kHome) == 0)
        return NormalizePath(HomeDir() + "/" + text.substr(kHome.size()));
    if (!text.empty() && text[0] == '/')
        return NormalizePath(text);
    return std::nullopt;
}

std::mutex& VolumeSourceLock()
{
    static std::mutex lock;
    return lock;
}

std::function<std::vector<Volume>()>& VolumeSource()
{
    static std::function<std::vector<Volume>()> source;
    return source;
}

std::vector<Volume> ReadMountTable()
{
    std::vector<Volume> volumes{{"/", VolumeName("/"), false}};
    FILE* table = setmntent("/proc/self/mounts", "r");
    if (!table)
        return volumes;
    static constexpr std::string_view kUserMountRoots[] = {"/media/", "/run/media/", "/mnt/"};
    mntent entry;
    char buffer[8192];
    while (getmntent_r(table, &entry, buffer, sizeof buffer)) {
        const std::string path = entry.mnt_dir;
        for (const std::string_view root : kUserMountRoots) {
            if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0)
                continue;
            const bool removable = root != "/mnt/";
            Volume volume{path, VolumeName(path), removable};
            bool replaced = false;
            for (Volume& known : volumes) // a later mount on the same point hides the earlier one
                if (known.mountPath == path)
                    known = volume, replaced = true;
            if (!replaced)
                volumes.push_back(volume);
        }
    }
    endmntent(table);
    return volumes;
}

} // namespace

std::string HomeDir()
{
    std::string home = EnvPath("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return NormalizePath(pw->pw_dir);
    return "/";
}

std::string DataHome()
{
    const std::string data = EnvPath("XDG_DATA_HOME");
    return data.empty() ? JoinPath(HomeDir(), ".local/share") : data;
}

std::string ConfigHome()
{
    const std::string config = EnvPath("XDG_CONFIG_HOME");
    return config.empty() ? JoinPath(HomeDir(), ".config") : config;
}

std::optional<std::string> UserDir(std::string_view key)
{
    const std::string variable = "XDG_" + std::string(key) + "_DIR";
    std::optional<std::string> result;
    if (const std::string fromEnv = EnvPath(variable.c_str()); !fromEnv.empty())
        result = fromEnv;
    std::ifstream file(JoinPath(ConfigHome(), "user-dirs.dirs"), std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        if (line.compare(0, variable.size(), variable) != 0 || line.size() <= variable.size()
            || line[variable.size()] != '=')
            continue;
        if (auto value = ParseUserDirValue(std::string_view(line).substr(variable.size() + 1)))
            result = std::move(value);
    }
    if (result)
        return result;
    // Where neither says, the folders the user-dirs convention creates under home by default.
    static constexpr std::pair<std::string_view, std::string_view> kDefaults[] = {
        {"DESKTOP", "Desktop"},     {"DOCUMENTS", "Documents"}, {"DOWNLOAD", "Downloads"},
        {"MUSIC", "Music"},         {"PICTURES", "Pictures"},   {"PUBLICSHARE", "Public"},
        {"TEMPLATES", "Templates"}, {"VIDEOS", "Videos"},
    };
    for (const auto& [name, folder] : kDefaults)
        if (name == key)
            return JoinPath(HomeDir(), std::string(folder));
    return std::nullopt;
}

std::string DesktopDir()
{
    if (const auto desktop = UserDir("DESKTOP"); desktop && IsDirectory(*desktop))
        return *desktop;
    return HomeDir();
}

std::string TrashFilesDir()
{
    return JoinPath(DataHome(), "Trash/files");
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string NormalizePath(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        const std::size_t end = std::min(path.find('/', i), path.size());
        const std::string_view part = path.substr(i, end - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = end + 1;
    }
    std::string result;
    for (const std::string_view part : parts) {
        result += '/';
        result += part;
    }
    return result.empty() ? "/" : result;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string ParentPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

bool PathBelow(std::string_view path, std::string_view folder, std::string_view* rest)
{
    if (folder == "/") {
        *rest = path.substr(1);
        return !path.empty() && path[0] == '/';
    }
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0)
        return false;
    if (path.size() == folder.size()) {
        *rest = {};
        return true;
    }
    if (path[folder.size()] != '/')
        return false;
    *rest = path.substr(folder.size() + 1);
    return true;
}

std::string VolumeName(std::string_view mountPath)
{
    if (mountPath == "/")
        return LocalText(Word::FileSystem);
    return std::string(mountPath.substr(mountPath.rfind('/') + 1)); // the label, as the automounter names the folder
}

std::vector<Volume> Volumes()
{
    std::function<std::vector<Volume>()> source;
    {
        std::lock_guard guard(VolumeSourceLock());
        source = VolumeSource();
    }
    return source ? source() : ReadMountTable();
}

void SetVolumeSourceForTesting(std::function<std::vector<Volume>()> source)
{
    std::lock_guard guard(VolumeSourceLock());
    VolumeSource() = std::move(source);
}

} // namespace shellns
