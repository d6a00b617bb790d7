#pragma once
// How this layer follows names and links by hand (internal to platform/fs).
//
// The system follows a link without saying whose it is; here every link is opened as itself
// first (O_PATH, O_NOFOLLOW), its owner read from that very link and its text read through the
// same descriptor, so that what is noted in a LinkTrail is the owner of the link followed, not of
// one that stood at the name a moment before.

#include "platform/fs/Folder.h"

#include <climits>
#include <string_view>

namespace files::detail {

// Links followed on the way to one entry before giving up, as the system does (ELOOP).
inline constexpr int kMaxLinkHops = 40;

// A name as the system calls want it: one entry, zero-terminated. False when it cannot be one.
bool EntryName(std::string_view name, char (&zeroTerminated)[NAME_MAX + 1]);

// Opens text (names joined by "/", absolute or relative to startFd) as a folder, following every
// link by hand. hops counts the links followed so far. Empty with code set on failure.
Descriptor OpenFolderText(int startFd, std::string_view text, int& hops, LinkTrail* trail, int& code);

// Where an entry name of a folder leads once every link on the way is followed: the folder that
// holds the last entry, which is no link (or a name the absent list takes as gone), and its name.
struct FinalEntry {
    Descriptor owned; // the folder, when it is not the one the walk started in
    int folderFd = -1;
    FileId folderId;
    char name[NAME_MAX + 1] = {};
};

// Follows name in folder. Returns 0, or the error that ended the way (kFileNotFound for an
// absent name).
int FollowEntry(const Folder& folder, std::string_view name, LinkTrail* trail, const AbsentNames* absent,
                FinalEntry& final);

} // namespace files::detail
