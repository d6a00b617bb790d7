#pragma once
// A scratch user for namespace tests: a temporary home with a desktop folder, XDG variables
// pointing into it, and a fake volume table (the root file system and one removable volume
// "USB"). Everything is restored and removed when it goes.
#include <map>
#include <string>

#include "support/Environment.h"
#include "support/ScratchTree.h"

class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    std::string root;    // the temporary folder
    std::string home;    // root/home
    std::string desktop; // home/Desktop
    std::string usb;     // root/media/USB, mounted as the removable volume "USB"

    // Paths are relative to home; parents are made as needed.
    std::string MakeDir(const std::string& relative) const;
    std::string MakeFile(const std::string& relative, const std::string& content = "x") const;
    // Points the XDG user directory key (e.g. "DOCUMENTS") at home/relative in user-dirs.dirs.
    void SetUserDir(const std::string& key, const std::string& relative);

private:
    void WriteUserDirs() const;

    testsupport::ScratchTree FFolder; // root, removed with everything below when it goes
    testsupport::ScopedEnvironment FEnvironment{"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DESKTOP_DIR",
                                   "XDG_DOCUMENTS_DIR", "XDG_TEMPLATES_DIR"};
    std::map<std::string, std::string> FUserDirs;
};

// The user's language for messages while it lives (locale: "ru_RU.UTF-8", "C.UTF-8" ...; LANGUAGE
// as given, empty for none); the variables are restored when it goes.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& locale, const std::string& language = {});

private:
    testsupport::ScopedEnvironment FSaved{"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
};
