#include "platform/fs/CurrentDirectory.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Folder.h"
#include "platform/fs/Paths.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace files {

namespace {

struct LogicalDirectory {
    LogicalDirectory()
    {
        std::vector<char> buffer(kMaxPathLength + 1);
        if (::getcwd(buffer.data(), buffer.size()) != nullptr)
            path = buffer.data();
        else // removed, out of reach, or longer than a path may be (the buffer was too small)
            error = errno == ERANGE ? kInvalidFilename : CodeFromErrno(errno);
    }

    std::mutex mutex;
    std::string path; // empty: none
    int error = kNoError; // why there is none
};

LogicalDirectory& Current()
{
    static LogicalDirectory current;
    return current;
}

int Resolve(const LogicalDirectory& current, std::string_view text, std::string& resolved)
{
    if (text.empty())
        return kInvalidFilename;
    if (text.front() != kSeparator && current.path.empty())
        return current.error;
    resolved = ResolvePath(current.path, text);
    return kNoError;
}

} // namespace

std::string GetCurrentDir()
{
    auto& current = Current();
    const std::lock_guard lock(current.mutex);
    return current.path;
}

int ResolveFromCurrentDir(std::string_view text, std::string& resolved)
{
    auto& current = Current();
    const std::lock_guard lock(current.mutex);
    return Resolve(current, text, resolved);
}

int SetCurrentDir(std::string_view text)
{
    auto& current = Current();
    const std::lock_guard lock(current.mutex);
    std::string target;
    if (const int code = Resolve(current, text, target); code != kNoError)
        return code;
    int code = kNoError;
    if (!Folder::Open(target, code))
        return code;
    current.path = std::move(target);
    return kNoError;
}

} // namespace files
