#pragma once
// A desktop made up for a test: while it lives, xdg-open and xdg-mime of its own come first on
// PATH, so the code under test starts them as it would start the desktop's. xdg-open notes each
// target it is started for and ends as SetOpens says (false: as when no application could open
// the target); xdg-mime names the desktop's application for folders ("" for none).
//
//   testsupport::FakeDesktop desktop;
//   shellns::OpenWithDefaultHandler(folder);
//   ASSERT_EVENTUALLY_EQ(desktop.Opened(), std::vector<std::string>{folder});

#include "support/Environment.h"
#include "support/ScratchTree.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

class FakeDesktop {
public:
    // Opens everything; folders go to "files.desktop".
    FakeDesktop()
    {
        ::setenv("PATH", FSearchPath.c_str(), 1);
        Write();
    }

    void SetOpens(bool opens)
    {
        FOpens = opens;
        Write();
    }
    // A desktop entry's name ("files.desktop"), "" for no application at all.
    void SetFolderApplication(const std::string& desktopId)
    {
        FFolderApplication = desktopId;
        Write();
    }

    // The targets xdg-open has noted so far, sorted: each xdg-open is a process of its own, and
    // two started one after the other may note theirs in either order.
    std::vector<std::string> Opened() const
    {
        std::vector<std::string> opened;
        std::istringstream lines(FFolder.Exists("opened") ? FFolder.Read("opened") : std::string());
        for (std::string line; std::getline(lines, line);)
            opened.push_back(line);
        std::sort(opened.begin(), opened.end());
        return opened;
    }

private:
    // In single quotes for sh, where any bytes pass as they are.
    static std::string Quoted(std::string text)
    {
        for (std::size_t at = 0; (at = text.find('\'', at)) != std::string::npos; at += 4)
            text.replace(at, 1, "'\\''");
        return "'" + text + "'";
    }

    void Write()
    {
        FFolder.WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + Quoted(FFolder.Path("opened"))
                                              + "\nexit " + (FOpens ? "0" : "3") + "\n");
        FFolder.WriteFile("bin/xdg-mime", "#!/bin/sh\n[ \"$*\" = \"query default inode/directory\" ] && echo "
                                              + Quoted(FFolderApplication) + "\nexit 0\n");
        FFolder.SetMode("bin/xdg-open", 0755);
        FFolder.SetMode("bin/xdg-mime", 0755);
    }

    ScratchTree FFolder;
    // The scripts' folder first, then PATH as it was, read before FPath clears it to put it back.
    const std::string FSearchPath = FFolder.MakeFolder("bin") + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/bin");
    ScopedEnvironment FPath{"PATH"};
    bool FOpens = true;
    std::string FFolderApplication = "files.desktop";
};

} // namespace testsupport
