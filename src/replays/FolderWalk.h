#pragma once
// Finding the replays below a folder.
//
//   replays::Catalogue catalogue;
//   std::atomic<bool> cancel{false};
//   replays::ScanResult scan = replays::FindReplays(catalogue, folderText, {&progress, &cancel});
//   if (!scan.entered) ...        // the folder could not be entered: nothing was scanned
//   for (auto& e : scan.errors)   // replays and folders that could not be read: path + text
//   scan.readOnly                 // replays left alone because they are read-only
//   scan.tooShort                 // "*.rep" files too short to be replays
//   scan.restored                 // files brought back that a removal which died had left hidden
//
// FindReplays is what the find button does: walk the folder into a new catalogue (ScanFolder),
// run the fallback pass, and put the catalogue in place of the old one. It may run on a worker
// thread; see Progress.h.
//
// The walk resolves a relative folder text against the logical current directory
// (platform/fs/CurrentDirectory.h) and leaves that at the scanned folder's parent, so a relative
// text typed next is taken from there. Order of the walk: a folder's own "*.rep" files first, then
// its subfolders, both in the folder search's order; hidden and system entries are left out,
// links are followed, and a folder already being walked (reached again through a link) is not
// entered a second time.
//
// The walk goes down from one handle of the folder, opened once at the start, entering each
// subfolder through its parent: a folder renamed or exchanged for a link on the way changes
// nothing of what is walked. Links are followed by hand (platform/fs/Folder.h), on the way to the
// folder itself as below it; replays reached through a link of another user, there or below, are
// marked (CatalogueRow::ForeignLink, Catalogue::ForeignLinkOf), so that a removal run by root over
// a folder others can write never acts where their links lead. File systems of the kernel's own
// making (/proc, /sys and the like) are not walked: a folder on one cannot be entered, and one
// met below is passed over. In every folder it walks, the scan brings back what a removal that
// ended before its time left hidden there, unless the way there passed another user's link
// (Leftovers.h).

#include "replays/Catalogue.h"
#include "replays/CatalogueBuilder.h"
#include "replays/Progress.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace replays {

struct ScanOptions {
    ScanProgress* progress = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    // Threads that read replays side by side (0: as many as the reads need, up to 16, so that
    // many requests are in flight when the files come from the disk). Rows and errors come out
    // in walk order whatever the number, and progress is reported from the calling thread.
    unsigned readers = 0;
    // Bring back what removals that ended before their time left hidden (a removal's scan, the
    // window's). A listing and a dry run change nothing: they only say what would come back.
    bool bringBack = true;
};

struct ScanResult {
    bool entered = false; // false: the folder does not exist or cannot be entered
    int enterError = 0; // why not, as a file error code
    std::string folder; // the folder as resolved: absolute and normalised
    std::vector<ReplayError> errors; // in the order met: the walk's, then the fallback pass's
    // Replays passed over because they are read-only, in walk order. Not a failure: the owner
    // marked them not to be changed, so they are neither listed nor ever deleted; but a user
    // whose whole collection is read-only must learn why nothing was found.
    std::vector<std::string> readOnly;
    // "*.rep" files too short to hold the records a replay's fingerprints are read from, in walk
    // order. Not a failure either: they are no replays, but a user who took them for some must
    // learn why they are not listed.
    std::vector<std::string> tooShort;
    // Files brought back from where removals that ended before their time had left them, in the
    // order met. They are listed like any other replay. Without bringBack, the files that would
    // have been, where they would be (not listed: they stay hidden).
    std::vector<RestoredFile> restored;
    bool cancelled = false;
    ScanCounts counts;
};

// The folder walk alone: adds every replay below folder to builder.
ScanResult ScanFolder(CatalogueBuilder& builder, std::string_view folder, const ScanOptions& options = {});

// The whole scan: ScanFolder into a new builder, its FallbackPass, and what it built replaces
// catalogue, whose old rows are let go first. A scan that ends in an exception still leaves what
// it found until then in catalogue.
ScanResult FindReplays(Catalogue& catalogue, std::string_view folder, const ScanOptions& options = {});

} // namespace replays
