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
// put it back, the file would stay hidden for good: a scan brings such files back to their
// names (or, when a name has been taken meanwhile, to a visible name beside it, "a (2).rep") and
// says so. A scan that is to change nothing (a listing, a dry run) only says where each would
// come back to.
//
// Whether the process has ended is what every process sees alike, in whatever pid or time
// namespace (a container, `unshare`) it runs: a lock the kernel drops when the process ends
// (platform/fs/Folder.h). A run holds its private folder's lock from before anything is moved
// into it, and a shared lock on a folder before it gives a file a hidden name there. A leftover
// is brought back only when that lock can be taken and, where its name carries a process stamp,
// the stamp names no process running here: version 1.0.0 took no locks, and its runs in this
// namespace stay recognised by their stamp.
//
// A name is brought back only as one a replay could have had, visible and matching "*.rep"; a
// recorded name that is not (".", "..", a hidden name: none of this program's making) comes back
// as the visible form of the hidden name it was found under. Earlier versions moved a file aside
// in its own folder as ".dupsweep-PID-RAND-N", which does not record its name: such a file whose
// process has ended comes back as "dupsweep-PID-RAND-N.rep".
//
// Leftovers in a folder the walk reached through another user's link are not brought back: that
// user chose where the link leads (see Catalogue.h). They are reported where they stay.

#include "platform/fs/Folder.h"
#include "replays/Catalogue.h"

#include <array>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

namespace replays {

inline constexpr std::string_view kAsidePrefix = ".dupsweep-";

// A fresh private folder of this process in parent: made (mode 0700), opened and locked, its name
// in name. Empty with code set when none could be made.
files::Folder MakeAsideFolder(const files::Folder& parent, std::string& name, int& code);

// Whether this process may give files hidden names beside them in folder (opened by this removal,
// and kept open while any such name may stand): it takes the folder's shared lock. False while a
// scan that brings leftovers back holds it exclusively; a private folder serves then.
bool MayPutAsideIn(const files::Folder& folder);

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

// What a scan does with the leftovers of removals that have ended.
struct LeftoverHandling {
    bool bringBack = true; // false: only say where each would come back to (RestoredFile::broughtBack)
    // Not empty: the way to the folder passed this link of another user, and none is brought back.
    std::string_view foreignLink;
};

// Brings back what removals that have ended left in folder. hidden holds the folder's hidden
// names that begin with kAsidePrefix (FolderListing::Hidden); what cannot be brought back is
// reported in errors with the path where it stays.
void RecoverLeftovers(const files::Folder& folder, const std::vector<std::string>& hidden, const LeftoverHandling& how,
                      std::vector<RestoredFile>& restored, std::vector<ReplayError>& errors);

} // namespace replays
