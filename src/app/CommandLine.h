#pragma once
// The desktop program's command line: dupsweep [--help] [--version] [--] [FOLDER]. It is read
// before the application object exists, so that help, version and usage errors need no display.

#include <optional>
#include <string>

namespace app {

struct CommandLine {
    enum class Action { Run, Help, Version, UsageError };

    Action action = Action::Run;
    // The folder to put in the folder field, byte for byte as given; none keeps the stored text.
    std::optional<std::string> folder;
    // What to print for Help and Version (standard output) or a usage error (standard error).
    std::string message;
};

// Exit status of a usage error, as dupsweep-cli has it.
inline constexpr int kExitUsage = 2;
// Exit status when no window can be opened.
inline constexpr int kExitNoDisplay = 1;

CommandLine ParseCommandLine(int argc, const char* const* argv);

// Prints what a command line that does not start the windows has to say and returns the exit
// status the program ends with.
int ReportCommandLine(const CommandLine& line);

// Why no window can be opened, from the environment's QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY
// (null when unset); empty when one may be. Asked before Qt, which would abort with a message
// about reinstalling the application.
std::string NoDisplayReason(const char* platform, const char* x11Display, const char* waylandDisplay);

// Puts the folder of the command line into the main window's folder field, as the browse dialog
// would; nothing is scanned until the user asks.
void ShowStartFolder(const CommandLine& line);

} // namespace app
