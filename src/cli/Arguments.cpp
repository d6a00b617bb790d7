#include "cli/Arguments.h"

namespace cli {

const char* const kHelpText = R"(Usage: dupsweep-cli list [--json] FOLDER
       dupsweep-cli dedupe [--dry-run] [--json] FOLDER

Finds the replay files ("*.rep", in any letter case) in FOLDER and in every
visible folder below it, and deletes identical copies, keeping one of each.
Hidden entries (names beginning with ".") are left out; links are followed,
and every folder is walked once, under the first path that reaches it.
A relative FOLDER is taken relative to the working directory.

Commands:
  list       Print the replays in ascending order of size, one per line as
             SIZE<TAB>PATH, SIZE in records of 256 bytes.
  dedupe     Delete every replay that is identical to its neighbour when the
             replays of one size are ordered by their first fingerprint, and
             keep the last of each group of identical replays. A file is
             deleted only when its whole contents equal, byte for byte, those
             of the copy it was matched with, and never when both names lead
             to the same file; a file that either copy's changing, moving or
             going away (another program, another dedupe) puts in doubt is
             kept. Prints each deleted path in the order of deletion, then a
             count line.

Options:
  --json     Print one JSON object instead of lines:
               list:   {"folder", "rows": [{"name", "size", "path", "fp1",
                       "fp2"}], "errors": [{"path", "message"}], "cancelled"}
               dedupe: {"folder", "rows", "deleted": [paths],
                       "not_deleted": [{"path", "reason"}], "dry_run",
                       "errors": [{"path", "message"}], "cancelled"}
             Fingerprints are lower-case hex.
  --dry-run  (dedupe) Make every check a real run makes, contents compared,
             but delete nothing; print what would be deleted.
  --         End of options (for a FOLDER that begins with "-").
  -h, --help Show this help.
  --version  Show the version.

Paths:
  Paths are file-system bytes and need not be valid UTF-8. Lines print them
  byte for byte (use --json for names that contain a line break). JSON prints
  valid UTF-8 as it is and every other byte as \udcXX (U+DC00 plus the byte),
  which Python's "surrogateescape" reads back losslessly:
    os.fsencode(json.loads(text)["deleted"][0]) gives the exact bytes.

Progress:
  On a terminal a one-line progress is shown on standard error; Ctrl-C or
  SIGTERM stops the work after the file in hand and reports what was done (a
  second one ends at once). When the output cannot be written (a reader that
  went away, a full disk), deleting stops at once and standard error says
  what was deleted last.

Exit status:
  0    done
  1    FOLDER is not a folder that can be entered
  2    usage error
  3    done, but some replays could not be read or some files were not
       deleted (each reported on standard error, or in the JSON), or the
       output could not be written
  130  stopped by Ctrl-C (SIGINT)
  143  stopped by SIGTERM
)";

bool ParseArguments(const std::vector<std::string>& args, Arguments& parsed, std::string& error)
{
    parsed = {};
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (const auto& arg : args) {
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            parsed.action = Action::Help;
            return true;
        } else if (arg == "--version") {
            parsed.action = Action::Version;
            return true;
        } else if (arg == "--json") {
            parsed.json = true;
        } else if (arg == "--dry-run") {
            parsed.dryRun = true;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (operands.empty()) {
        error = "missing command (list or dedupe)";
        return false;
    }
    if (operands[0] == "list") {
        parsed.action = Action::List;
    } else if (operands[0] == "dedupe") {
        parsed.action = Action::Dedupe;
    } else {
        error = "unknown command '" + operands[0] + "'";
        return false;
    }
    if (parsed.dryRun && parsed.action != Action::Dedupe) {
        error = "--dry-run belongs to dedupe";
        return false;
    }
    if (operands.size() != 2) {
        error = operands.size() < 2 ? "missing FOLDER" : "only one FOLDER may be given";
        return false;
    }
    parsed.folder = operands[1];
    return true;
}

} // namespace cli
