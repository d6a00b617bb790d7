#include "platform/fs/Resolve.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace files::detail {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Where the link name in folderFd lies, for a user to find it: the folder's path as the system
// names it (or "..." when it cannot say) joined with the name.
std::string LinkPath(int folderFd, const char* name)
{
    char folder[PATH_MAX];
    const auto length = ::readlink(("/proc/self/fd/" + std::to_string(folderFd)).c_str(), folder, sizeof folder);
    const bool known = length > 0 && static_cast<std::size_t>(length) < sizeof folder;
    return JoinPath(known ? std::string_view(folder, static_cast<std::size_t>(length)) : std::string_view("..."), name);
}

// Reads the link name in folderFd: its owner into trail, its text into target, both from the one
// link opened as itself. notLink is the code to give when name is no link (any more).
int ReadLink(int folderFd, const char* name, LinkTrail* trail, std::string& target, int notLink)
{
    const Descriptor link(::openat(folderFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!link || ::fstat(link.Get(), &st) != 0)
        return CodeFromErrno(errno);
    if (!S_ISLNK(st.st_mode))
        return notLink;
    if (trail != nullptr && !TrustedLinkOwner(st.st_uid) && !trail->foreign) {
        trail->foreign = true;
        trail->foreignLink = LinkPath(folderFd, name);
    }
    char text[PATH_MAX];
    const auto length = ::readlinkat(link.Get(), "", text, sizeof text);
    if (length < 0)
        return CodeFromErrno(errno);
    if (static_cast<std::size_t>(length) == sizeof text)
        return kInvalidFilename;
    target.assign(text, static_cast<std::size_t>(length));
    return kNoError;
}

// One name of a folder, opened as a folder; a link there is followed by hand.
Descriptor OpenFolderEntry(int folderFd, const char* name, int& hops, LinkTrail* trail, int& code)
{
    Descriptor fd(::openat(folderFd, name, kFolderFlags | O_NOFOLLOW));
    // A link refuses a folder's opening without following: as not a folder (ENOTDIR), or ELOOP.
    if (fd || (errno != ELOOP && errno != ENOTDIR)) {
        code = fd ? kNoError : CodeFromErrno(errno);
        return fd;
    }
    std::string target;
    if ((code = ReadLink(folderFd, name, trail, target, CodeFromErrno(errno))) != kNoError)
        return {};
    if (++hops > kMaxLinkHops) {
        code = CodeFromErrno(ELOOP);
        return {};
    }
    return OpenFolderText(folderFd, target, hops, trail, code);
}

// Names below startFd in one call, when no link lies on the way (the system is told to refuse
// every link rather than follow it); empty otherwise, the way then taken name by name.
Descriptor OpenWithoutLinks(int startFd, std::string_view text)
{
    if (text.empty() || text.front() == kSeparator || text.find(kSeparator) == std::string_view::npos
        || text.size() > kMaxPathLength)
        return {}; // one name, or none below startFd: name by name costs no more
    char path[kMaxPathLength + 1];
    text.copy(path, text.size());
    path[text.size()] = '\0';
    open_how how {};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return Descriptor(static_cast<int>(::syscall(SYS_openat2, startFd, path, &how, sizeof how)));
}

// Notes in trail the folder a link led to.
int NoteFolder(int folderFd, LinkTrail& trail)
{
    struct stat st {};
    if (::fstat(folderFd, &st) != 0)
        return CodeFromErrno(errno);
    trail.followed = true;
    trail.folder = {st.st_uid, st.st_gid, st.st_mode & 07777};
    return kNoError;
}

} // namespace

bool EntryName(std::string_view name, char (&zeroTerminated)[NAME_MAX + 1])
{
    if (name.empty() || name.size() > NAME_MAX || name.find_first_of(std::string_view("\0/", 2)) != std::string_view::npos)
        return false;
    std::memcpy(zeroTerminated, name.data(), name.size());
    zeroTerminated[name.size()] = '\0';
    return true;
}

Descriptor OpenFolderText(int startFd, std::string_view text, int& hops, LinkTrail* trail, int& code)
{
    if (text.find('\0') != std::string_view::npos) {
        code = kInvalidFilename;
        return {};
    }
    if (auto direct = OpenWithoutLinks(startFd, text)) {
        code = kNoError;
        return direct;
    }
    Descriptor current;
    if (!text.empty() && text.front() == kSeparator) {
        current = Descriptor(::open("/", kFolderFlags));
        if (!current) {
            code = CodeFromErrno(errno);
            return {};
        }
    }
    for (std::size_t pos = 0; pos <= text.size();) {
        auto end = text.find(kSeparator, pos);
        if (end == std::string_view::npos)
            end = text.size();
        const auto part = text.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".")
            continue;
        char name[NAME_MAX + 1];
        if (!EntryName(part, name)) {
            code = kInvalidFilename;
            return {};
        }
        auto next = OpenFolderEntry(current ? current.Get() : startFd, name, hops, trail, code);
        if (!next)
            return {};
        current = std::move(next);
    }
    if (!current) { // the text named the starting folder itself
        current = Descriptor(::openat(startFd, ".", kFolderFlags));
        if (!current) {
            code = CodeFromErrno(errno);
            return {};
        }
    }
    code = kNoError;
    return current;
}

int FollowEntry(const Folder& folder, std::string_view name, LinkTrail* trail, const AbsentNames* absent,
                FinalEntry& final)
{
    final.folderFd = folder.Fd();
    final.folderId = folder.Id();
    if (!EntryName(name, final.name))
        return kInvalidFilename;
    for (int hops = 0;;) {
        if (absent != nullptr && absent->Absent(final.folderId, final.name))
            return kFileNotFound;
        struct stat st {};
        if (::fstatat(final.folderFd, final.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return CodeFromErrno(errno);
        if (!S_ISLNK(st.st_mode))
            return hops > 0 && trail != nullptr ? NoteFolder(final.folderFd, *trail) : kNoError;
        std::string target;
        if (const int code = ReadLink(final.folderFd, final.name, trail, target, kFileNotFound); code != kNoError)
            return code;
        if (++hops > kMaxLinkHops)
            return CodeFromErrno(ELOOP);
        // The folder part is walked by hand like any other; the last name is looked at again. A
        // link to a folder ends at the folder itself.
        const auto slash = target.rfind(kSeparator);
        const auto base = slash == std::string::npos ? std::string_view(target) : std::string_view(target).substr(slash + 1);
        const bool namesFolder = base.empty() || base == "." || base == "..";
        if (namesFolder || slash != std::string::npos) {
            const auto folderText = namesFolder ? std::string_view(target)
                                                : std::string_view(target).substr(0, slash == 0 ? 1 : slash);
            int code = kNoError;
            auto next = OpenFolderText(final.folderFd, folderText, hops, trail, code);
            if (!next)
                return code;
            if (::fstat(next.Get(), &st) != 0)
                return CodeFromErrno(errno);
            final.owned = std::move(next);
            final.folderFd = final.owned.Get();
            final.folderId = {st.st_dev, st.st_ino};
        }
        EntryName(namesFolder ? std::string_view(".") : base, final.name);
    }
}

} // namespace files::detail
