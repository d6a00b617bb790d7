#include "platform/fs/FileErrors.h"

#include <cerrno>
#include <cstring>

namespace files {

int CodeFromErrno(int error)
{
    switch (error) {
    case 0:
        return kNoError;
    case ENOENT:
        return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return kInvalidFilename;
    case EMFILE:
    case ENFILE:
        return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return kAccessDenied;
    case ENOSPC:
        return kDiskFull;
    default:
        return kUnmappedErrnoBase + error;
    }
}

std::string ErrorText(int code)
{
    switch (code) {
    case kFileNotFound:
        return "File not found";
    case kInvalidFilename:
        return "Invalid filename";
    case kTooManyOpenFiles:
        return "Too many open files";
    case kAccessDenied:
    case kRefused:
    case kReadOnly:
        return "File access denied";
    case kReadBeyondEnd:
        return "Read beyond end of file";
    case kDiskFull:
        return "Disk full";
    case kInvalidNumericInput:
        return "Invalid numeric input";
    case kNotAFolder:
        return "Not a folder";
    case kSystemFileSystem:
        return "A system file system (such as /proc), not a folder of files";
    case kNoTrash:
        return "No trash on its file system";
    case kTrashOfAnotherUser:
        return "The trash, or a folder on the way to it, belongs to another user";
    case kNoTrashOnSystemMount:
        return "A system-internal mount (such as / or tmpfs) or one marked x-gvfs-notrash, where the desktop keeps"
               " no trash";
    case kHomeTrashElsewhere:
        return "The home trash is on another file system than the home";
    case kPathTooLong:
        return "Path too long";
    default:
        break;
    }
    // The system's own words, which do not follow the locale: the same text for every user.
    const int error = code >= kUnmappedErrnoBase ? code - kUnmappedErrnoBase : code;
    if (const char* description = code >= kUnmappedErrnoBase ? ::strerrordesc_np(error) : nullptr)
        return description;
    return "I/O error " + std::to_string(error);
}

} // namespace files
