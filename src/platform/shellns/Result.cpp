#include "platform/shellns/Result.h"

#include <cerrno>
#include <cstdio>

namespace shellns {

std::uint32_t SystemErrorFromErrno(int err)
{
    switch (err) {
    case 0: return 0;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS: return kErrorAccessDenied;
    case EXDEV: return kErrorNotSameDevice;
    case ENOSPC: return kErrorDiskFull;
    case EINVAL: return kErrorInvalidName;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EEXIST: return kErrorAlreadyExists;
    case ENOMEM: return 8;
    default: return 31; // a device attached to the system is not functioning
    }
}

std::string ResultText(HResult hr)
{
    switch (static_cast<std::uint32_t>(hr)) {
    case 0: return "The operation completed successfully";
    case 0x80004001u: return "Not implemented";
    case 0x80004002u: return "No such interface supported";
    case 0x80004005u: return "Unspecified error";
    case 0x8007000Eu: return "Not enough storage is available to complete this operation";
    case 0x80070057u: return "The parameter is incorrect";
    case 0x80070002u: return "The system cannot find the file specified";
    case 0x80070003u: return "The system cannot find the path specified";
    case 0x80070005u: return "Access is denied";
    case 0x8007007Bu: return "The filename, directory name, or volume label syntax is incorrect";
    case 0x800700B7u: return "Cannot create a file when that file already exists";
    case 0x80070091u: return "The directory is not empty";
    default: break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Error 0x%08X", static_cast<unsigned>(hr));
    return text;
}

} // namespace shellns
