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

CommandLine ParseCommandLine(int argc, const char* const* argv);

// Prints what a command line that does not start the windows has to say and returns the exit
// status the program ends with.
int ReportCommandLine(const CommandLine& line);

// Puts the folder of the command line into the main window's folder field, as the browse dialog
// would; nothing is scanned until the user asks.
void ShowStartFolder(const CommandLine& line);

} // namespace app
