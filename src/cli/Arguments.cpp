#include "cli/Arguments.h"

namespace cli {

const char* const kHelpText = R"(Usage: dupsweep-cli list [--json] FOLDER
  or:  dupsweep-cli dedupe [--dry-run] [--trash] [--json] FOLDER

Finds the replay files ("*.rep", in any letter case) in FOLDER and in every
visible folder below it, and deletes identical copies, keeping one of each.
Hidden entries (names beginning with ".") are left out; links are followed,
and every folder is walked once, under the first path that reaches it. File
systems of the kernel's own (/proc, /sys and the like) are not walked. A
relative FOLDER is taken relative to the working directory.

Commands:
  list       Print the replays in ascending order of size, one per line as
             SIZE<TAB>PATH, SIZE in records of 256 bytes.
  dedupe     Delete every replay that is identical to its neighbour when the
             replays of one size are ordered by their first fingerprint (the
             short text a replay stores in record 50, or in record 55 when
             that one is empty), and keep the last of each group of
             identical replays. A file is deleted only when its whole
             contents equal, byte for byte, those of the copy it was matched
             with, and never when both names lead to the same file; a file
             that either copy's changing, moving or going away (another
             program, another dedupe) puts in doubt is kept, even when a
             change put the file's times back as they were. A file another
             program has open (or mapped) is kept. Replays reached through a
             link that belongs to another user (neither you nor root), below
             FOLDER or on the way to it, are listed, but neither deleted nor
             deleted for; nor is a file deleted for a copy that another user
             could remove or change but not the file. Prints each deleted
             path in the order of deletion, then the count and the bytes:
             "2 duplicates deleted, 135.2 KB freed".

Options:
  --json     Print one JSON object instead of lines (see JSON below).
  --dry-run  (dedupe) Make every check a real run makes, contents compared,
             but change nothing; print what would be deleted. It decides what
             a real run over the same unchanged tree decides, links included.
  --trash    (dedupe) Move each duplicate into the trash instead of deleting
             it, where a file manager lists it and can put it back: the trash
             the desktop's own would use, the home trash ($XDG_DATA_HOME/Trash,
             by default ~/.local/share/Trash) for files on the home's file
             system, else the trash at the top of the duplicate's own file
             system ($TOP/.Trash/UID when $TOP/.Trash is a folder with the
             sticky bit, else $TOP/.Trash-UID, made when missing). A file is
             only ever renamed into the trash, never copied. It is kept and
             reported where the desktop keeps no trash (/, a tmpfs, a mount
             marked x-gvfs-notrash), where the home trash is on another file
             system than the home, and where the trash or the way to it is
             another user's (as under "sudo -E", with HOME naming another
             user's home). With --dry-run, tells what would be moved.
  --         End of options (for a FOLDER that begins with "-").
  -h, --help Show this help.
  --version  Show the version.

JSON:
  With --json each command prints one object. A key means the same in both,
  and each leaves out the keys of the other's work:
    "folder"       the folder as resolved: absolute, normalised
    "replays"      the number of replays listed
    "rows"         (list) the replays, [{"name", "size", "path", "fp1",
                   "fp2"}], their two fingerprints in lower-case hex
    "deleted"      (dedupe) [paths], in the order of deletion
    "bytes"        (dedupe) the sizes of those files in bytes, summed
    "not_deleted"  (dedupe) [{"path", "reason"}]: files kept although they
                   matched their neighbour
    "dry_run"      (dedupe) true with --dry-run
    "trash"        (dedupe) true with --trash
    "errors"       [{"path", "message"}]: what could not be read
    "read_only"    [paths]: replays left alone (see below)
    "too_short"    [paths]: files too short to be replays (see below)
    "restored"     [{"path", "from", "brought_back"}]: files brought back
                   from an interrupted removal (see below), and where they
                   were found; "brought_back" is false where they only
                   would be
    "cancelled"    true when the work was stopped before its end

Paths:
  Paths are file-system bytes and need not be valid UTF-8. Lines print them
  byte for byte (use --json for names that contain a line break). JSON prints
  valid UTF-8 as it is and every other byte as \udcXX (U+DC00 plus the byte),
  which Python's "surrogateescape" reads back losslessly:
    os.fsencode(json.loads(text)["deleted"][0]) gives the exact bytes.

Files passed over:
  Replays that nobody may write are neither listed nor deleted; neither are
  "*.rep" files shorter than 51 records (13,056 bytes), which hold no
  fingerprint and so are no replays. Both are named on standard error
  ("read-only, left alone", "too short to be a replay") and in "read_only"
  and "too_short", and do not change the exit status.

Interrupted removals:
  Just before a file is deleted it is moved aside where no other user can
  reach it: under a hidden name (".dupsweep-...") in a folder only you may
  write, elsewhere into a hidden folder of the run's own. Should the run end
  before its time (killed, out of memory, a power cut), a file may be left
  there: every later dedupe over that folder brings it back to its name, or
  to "NAME (2).rep" when the name has been taken, and says so on standard
  error ("brought back from ...") and in "restored". A list or a dry run
  changes nothing: it says where each would come back to ("would be brought
  back from ..."). A run that still lives, in whatever container or
  namespace, is never taken for one that ended.

Progress:
  On a terminal a one-line progress is shown on standard error; Ctrl-C or
  SIGTERM stops the work after the file in hand and reports what was done
  (more of them change nothing: the report is always written whole). Each
  deleted path is written out before the next file is deleted. Output that
  cannot be written at all (closed, full, a reader that went away) is found
  out before anything is deleted; when it fails later, deleting stops at
  once and standard error says what was deleted last.

Exit status:
  0    done
  1    FOLDER is not a folder that can be entered
  2    usage error
  3    done, but some replays could not be read or some files were not
       deleted (each reported on standard error, or in the JSON), or the
       output could not be written
  4    stopped because memory ran out; every file deleted until then was
       reported
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
        } else if (arg == "--trash") {
            parsed.disposal = Disposal::Trash;
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
    if ((parsed.dryRun || parsed.disposal != Disposal::Delete) && parsed.action != Action::Dedupe) {
        error = std::string(parsed.dryRun ? "--dry-run" : "--trash") + " belongs to dedupe";
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
