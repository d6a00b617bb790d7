#pragma once
// File-call failures in the platform's numbering, and their fixed texts.
//
// Every call of this layer that can fail returns an int code: 0 for success, otherwise one of
// the codes below. ErrorText(code) gives the text a user sees ("File not found", ...).

#include <cerrno>
#include <string>

namespace files {

inline constexpr int kNoError = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kInvalidFilename = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kReadBeyondEnd = 100;
inline constexpr int kDiskFull = 101;
inline constexpr int kInvalidNumericInput = 106;

// Not a failure of the system: this layer itself refuses to open, for the engine, what is not a
// regular file, or a read-only file asked for ReadWrite. Such files are left alone on purpose, so
// callers pass over them in silence; the text is the one users have always seen for them,
// "File access denied".
inline constexpr int kRefused = 1000;
// The same refusal for a read-only file asked for ReadWrite: its owner marked it not to be
// changed, so the engine neither lists nor deletes it, but says that it passed over it.
inline constexpr int kReadOnly = 1001;

// A file, fifo or device where a folder was named.
inline constexpr int kNotAFolder = 1002;
// A folder on a file system of the kernel's own making (/proc, /sys ...): never walked.
inline constexpr int kSystemFileSystem = 1003;
// No trash on a file system that a file could be moved into without copying it.
inline constexpr int kNoTrash = 1004;
// The trash a file would go to, or a folder on the way to it, is another user's: under sudo -E
// the home trash would be in the home of the user who called sudo. Never made or used.
inline constexpr int kTrashOfAnotherUser = 1005;
// A file system the desktop keeps no trash on: a system-internal mount (/, tmpfs, ...), or one
// marked x-gvfs-notrash. A file manager would never list what went there.
inline constexpr int kNoTrashOnSystemMount = 1006;
// The home trash is on another file system than the home, so no file of the home's can be
// renamed into it.
inline constexpr int kHomeTrashElsewhere = 1007;
// A path longer than the system's path calls take (kMaxPathLength): it names nothing they can reach.
inline constexpr int kPathTooLong = 1008;

// An errno the table does not name keeps its own number above this base, so it can never be
// mistaken for a table code (EIO is 5, like kAccessDenied); its text is the system's description
// of it in English ("File exists"), or "I/O error <errno>" for one the system has none for.
inline constexpr int kUnmappedErrnoBase = 0x10000;

// A name that is taken already, where a call was asked not to replace anything (no table code).
inline constexpr int kAlreadyExists = kUnmappedErrnoBase + EEXIST;

int CodeFromErrno(int error);

std::string ErrorText(int code);

} // namespace files
