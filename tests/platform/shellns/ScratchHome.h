#pragma once
// A scratch user for namespace tests: a temporary home with a desktop folder, XDG variables
// pointing into it, and a fake volume table (the root file system and one removable volume
// "USB"). Everything is restored and removed when it goes.
#include <map>
#include <optional>
#include <string>

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

    std::map<std::string, std::optional<std::string>> savedEnv_;
    std::map<std::string, std::string> userDirs_;
};

// The user's language for messages while it lives (locale: "ru_RU.UTF-8", "C.UTF-8" ...; LANGUAGE
// as given, empty for none); the variables are restored when it goes.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& locale, const std::string& language = {});
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// True when the process may ignore file permissions (root); permission cases then test less.
bool RunningAsRoot();
