#include "platform/shellns/execute.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <mutex>
#include <thread>

#include "platform/shellns/folders.h"
#include "platform/shellns/folders_internal.h"

extern char** environ;

namespace shellns {
namespace {

std::mutex& OpenerLock()
{
    static std::mutex lock;
    return lock;
}

std::function<bool(const std::string&)>& Opener()
{
    static std::function<bool(const std::string&)> opener;
    return opener;
}

bool SpawnDesktopOpener(const std::string& target)
{
    std::string program = "xdg-open";
    std::string argument = target;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid;
    if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach(); // reaps the handler whenever it ends
    return true;
}

bool IsVerbOpen(const char* verb)
{
    return !verb || !*verb || std::strcmp(verb, "open") == 0;
}

} // namespace

bool OpenWithDefaultHandler(const std::string& target)
{
    std::function<bool(const std::string&)> opener;
    {
        std::lock_guard guard(OpenerLock());
        opener = Opener();
    }
    return opener ? opener(target) : SpawnDesktopOpener(target);
}

void SetOpenerForTesting(std::function<bool(const std::string& target)> opener)
{
    std::lock_guard guard(OpenerLock());
    Opener() = std::move(opener);
}

bool ExecuteEx(ExecuteInfo* info)
{
    if (!info || !IsVerbOpen(info->verb))
        return false;
    if ((info->mask & kExecuteInvokeIdList) != kExecuteInvokeIdList || !info->idList)
        return info->file && Execute(info->verb, info->file, info->parameters, info->directory, info->show)
            > kExecuteSucceededAbove;
    const auto places = detail::CurrentPlaces();
    detail::Node node;
    if (!detail::ResolveList(detail::DesktopNode(*places), info->idList, *places, &node) || node.path.empty())
        return false;
    return OpenWithDefaultHandler(node.path);
}

std::intptr_t Execute(const char* verb, const char* file, const char*, const char*, int)
{
    if (!file || !*file)
        return kExecuteFileNotFound;
    if (!IsVerbOpen(verb))
        return kExecuteNoAssociation;
    return OpenWithDefaultHandler(file) ? kExecuteSucceededAbove + 1 : kExecuteNoAssociation;
}

} // namespace shellns
