#include "platform/fs/CurrentDirectory.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Folder.h"
#include "platform/fs/Paths.h"

#include <mutex>
#include <unistd.h>
#include <vector>

namespace files {

namespace {

std::string ProcessWorkingDirectory()
{
    std::vector<char> buffer(kMaxPathLength + 1);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return std::string(1, kSeparator); // the working directory was removed or is out of reach
    return buffer.data();
}

struct LogicalDirectory {
    std::mutex mutex;
    std::string path = ProcessWorkingDirectory();
};

LogicalDirectory& Current()
{
    static LogicalDirectory current;
    return current;
}

} // namespace

std::string GetCurrentDir()
{
    auto& current = Current();
    const std::lock_guard lock(current.mutex);
    return current.path;
}

int SetCurrentDir(std::string_view text)
{
    auto& current = Current();
    const std::lock_guard lock(current.mutex);
    if (text.empty())
        return kInvalidFilename;
    auto target = ResolvePath(current.path, text);
    int code = kNoError;
    if (!Folder::Open(target, code))
        return code;
    current.path = std::move(target);
    return kNoError;
}

} // namespace files
