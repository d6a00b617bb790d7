#include "support/FakeDesktop.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace testsupport {
namespace {

// Single quotes for sh: any bytes pass through as they are.
std::string ScriptQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string SearchPath()
{
    const char* path = std::getenv("PATH");
    return path ? path : "/usr/bin:/bin";
}

} // namespace

FakeDesktop::FakeDesktop() : FSearchPath(FFolder.MakeFolder("bin") + ":" + SearchPath())
{
    ::setenv("PATH", FSearchPath.c_str(), 1);
    WriteScripts();
}

void FakeDesktop::SetOpens(bool opens)
{
    FOpens = opens;
    WriteScripts();
}

void FakeDesktop::SetFolderApplication(const std::string& desktopId)
{
    FFolderApplication = desktopId;
    WriteScripts();
}

std::vector<std::string> FakeDesktop::Opened() const
{
    std::vector<std::string> opened;
    if (!FFolder.Exists("opened"))
        return opened;
    std::istringstream lines(FFolder.Read("opened"));
    for (std::string line; std::getline(lines, line);)
        opened.push_back(line);
    std::sort(opened.begin(), opened.end());
    return opened;
}

void FakeDesktop::WriteScripts()
{
    const std::string log = ScriptQuoted(FFolder.Path("opened"));
    FFolder.WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + log + "\nexit "
                                          + (FOpens ? "0" : "3") + "\n");
    FFolder.WriteFile("bin/xdg-mime", "#!/bin/sh\n[ \"$1 $2 $3\" = \"query default inode/directory\" ] && printf '%s\\n' "
                                          + ScriptQuoted(FFolderApplication) + "\nexit 0\n");
    for (const char* script : {"bin/xdg-open", "bin/xdg-mime"})
        FFolder.SetMode(script, 0755);
}

} // namespace testsupport
