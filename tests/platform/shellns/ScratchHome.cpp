#include "ScratchHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/shellns/Places.h"

#include <glib.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// GLib reads home and the XDG folders once per process and keeps them; the trash, which goes
// through GIO, must find the scratch user's. This is the call GLib's own test isolation makes to
// point them elsewhere (exported since 2.60, declared only in a header GLib does not install).
extern "C" void g_set_user_dirs(const char* firstDirType, ...) __attribute__((sentinel));

namespace {

void MakeParents(const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
}

} // namespace

ScratchHome::ScratchHome()
{
    root = FFolder.Root();
    home = root + "/home";
    desktop = home + "/Desktop";
    usb = root + "/media/USB";
    std::filesystem::create_directories(desktop);
    std::filesystem::create_directories(usb);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    // Left pointing here when the scratch home goes: a trash of a later test without one then
    // fails rather than reaching the real user's. GLib keeps the values it replaces alive on
    // purpose, for callers that may still hold them.
    [[maybe_unused]] const void* replaced[] = {g_get_home_dir(), g_get_user_config_dir(), g_get_user_data_dir()};
    g_set_user_dirs("HOME", home.c_str(), "XDG_CONFIG_HOME", std::getenv("XDG_CONFIG_HOME"), "XDG_DATA_HOME",
                    std::getenv("XDG_DATA_HOME"), nullptr);
#if defined(__SANITIZE_ADDRESS__)
    for (const void* value : replaced)
        __lsan_ignore_object(value);
#endif
    SetUserDir("DESKTOP", "Desktop");
    const std::string usbMount = usb;
    shellns::SetVolumeSourceForTesting([usbMount] {
        return std::vector<shellns::Volume>{{"/", shellns::VolumeName("/"), false},
                                            {usbMount, shellns::VolumeName(usbMount), true}};
    });
}

ScratchHome::~ScratchHome()
{
    shellns::SetVolumeSourceForTesting({});
}

std::string ScratchHome::MakeDir(const std::string& relative) const
{
    const std::string path = home + "/" + relative;
    std::filesystem::create_directories(path);
    return path;
}

std::string ScratchHome::MakeFile(const std::string& relative, const std::string& content) const
{
    const std::string path = home + "/" + relative;
    MakeParents(path);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

void ScratchHome::SetUserDir(const std::string& key, const std::string& relative)
{
    FUserDirs[key] = relative;
    WriteUserDirs();
}

void ScratchHome::WriteUserDirs() const
{
    const std::string path = home + "/.config/user-dirs.dirs";
    MakeParents(path);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "# written by the test\n";
    for (const auto& [key, relative] : FUserDirs)
        file << "XDG_" << key << "_DIR=\"$HOME/" << relative << "\"\n";
}

ScopedLocale::ScopedLocale(const std::string& locale, const std::string& language)
{
    ::setenv("LC_ALL", locale.c_str(), 1);
    if (!language.empty())
        ::setenv("LANGUAGE", language.c_str(), 1);
}
