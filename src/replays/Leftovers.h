#pragma once
// The folders a removal moves files into before deleting them, and bringing back what a removal
// that died left in one. Internal to the engine.
//
// A removal moves each file it deletes aside first, where no other user can reach it, so that the
// file checked there is the file deleted: in a folder that only the running user may write, to a
// hidden name beside it, ".dupsweep-BOOT-PID-START-RANDOM-NAME"; elsewhere into a folder of its
// own inside the file's folder, ".dupsweep-BOOT-PID-START-RANDOM" of mode 0700, where the file
// keeps its name NAME. Either way the name says which process moved it (the boot, the process
// id and its start, see platform/fs/Process.h), is unpredictable, and records the file's name.
// When that process ends (killed, out of memory, a power cut) before it could delete a file or
// put it back, the file would stay hidden for good: every scan brings such files back to their
// names (or, when a name has been taken meanwhile, to a visible name beside it, "a (2).rep") and
// says so.
//
// Earlier versions moved a file aside in its own folder as ".dupsweep-PID-RAND-N", which does not
// record its name: such a file whose process has ended comes back as "dupsweep-PID-RAND-N.rep".

#include "platform/fs/Folder.h"
#include "replays/Catalogue.h"

#include <array>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

namespace replays {

inline constexpr std::string_view kAsidePrefix = ".dupsweep-";

// A fresh name for a private folder of this process.
std::string NewAsideFolderName();

// A fresh hidden name for the file name beside it, of this process, recording name. Written
// into buffer; empty when it would be longer than a name may be.
using NameBuffer = std::array<char, NAME_MAX + 1>;
std::string_view AsideFileName(std::string_view name, NameBuffer& buffer);

// A name beside name for a file that cannot have name back: n = 2 gives "a (2).rep". Written into
// buffer, so that putting a file back needs no memory that may be running out.
inline constexpr unsigned kMaxBesideTries = 100; // names beside tried before giving up
std::string_view BesideName(std::string_view name, unsigned n, NameBuffer& buffer);

// Gives the entry from of fromFolder a visible name in folder: name itself when it is free, else
// one beside it. Returns 0 with the name given in buffer, or the error that prevented it.
int PutBack(const files::Folder& fromFolder, std::string_view from, const files::Folder& folder, std::string_view name,
            NameBuffer& buffer, std::string_view& given);

// Brings back what removals that have ended left in folder. hidden holds the folder's hidden
// names that begin with kAsidePrefix (FolderListing::Hidden); what cannot be brought back is
// reported in errors with the path where it stays.
void RecoverLeftovers(const files::Folder& folder, const std::vector<std::string>& hidden,
                      std::vector<RestoredFile>& restored, std::vector<ReplayError>& errors);

} // namespace replays
