#pragma once
// The command line of dupsweep-cli, parsed.

#include <string>
#include <vector>

namespace cli {

enum class Action { List, Dedupe, Help, Version };

// What dedupe does with each duplicate.
enum class Disposal { Delete, Trash };

struct Arguments {
    Action action = Action::Help;
    bool json = false;
    bool dryRun = false;
    Disposal disposal = Disposal::Delete;
    std::string folder;
};

// Parses args (without the program name). On a usage error returns false with error set.
bool ParseArguments(const std::vector<std::string>& args, Arguments& parsed, std::string& error);

extern const char* const kHelpText;

} // namespace cli
