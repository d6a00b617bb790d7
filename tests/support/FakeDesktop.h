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

#include <string>
#include <vector>

namespace testsupport {

class FakeDesktop {
public:
    // Opens everything; folders go to "files.desktop".
    FakeDesktop();

    void SetOpens(bool opens);
    // A desktop entry's name ("files.desktop"), "" for no application at all.
    void SetFolderApplication(const std::string& desktopId);

    // The targets xdg-open has noted so far, sorted: each xdg-open is a process of its own, and
    // two started one after the other may note theirs in either order.
    std::vector<std::string> Opened() const;

private:
    void WriteScripts();

    ScratchTree FFolder;
    const std::string FSearchPath; // the scripts' folder first, then PATH as it was
    ScopedEnvironment FPath{"PATH"}; // made after FSearchPath has read PATH, and puts it back
    bool FOpens = true;
    std::string FFolderApplication = "files.desktop";
};

} // namespace testsupport
