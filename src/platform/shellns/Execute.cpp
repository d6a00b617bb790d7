#include "platform/shellns/Execute.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "platform/shellns/Folders.h"
#include "platform/shellns/FoldersInternal.h"
#include "platform/shellns/Places.h"

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

// What "xdg-mime query default" names as the desktop's application for a kind of item (a
// ".desktop" name), "" when there is none or nothing answers. It prints its answer and ends.
std::string DefaultApplication(const char* mimeType)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-mime", query = "query", which = "default", type = mimeType;
    char* argv[] = {program.data(), query.data(), which.data(), type.data(), nullptr};
    pid_t pid;
    const bool started = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; started && (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            answer.append(buffer, std::size_t(n));
        else if (errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    if (started)
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back())))
        answer.pop_back();
    return answer;
}

// Reaps the handler whenever it ends. With ended, its answer comes back by the event loop of this
// (the user-interface) thread: whether it ended in success. Without an event loop to watch it
// by, a thread of its own waits for it and nothing is answered.
void WatchHandler(pid_t pid, std::function<void(bool opened)> ended)
{
    // Readable once the handler ends. Asked of the kernel directly: glibc 2.36 declares its
    // wrapper without C linkage for C++.
    const int ending = ended && QCoreApplication::instance() ? int(::syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (ending < 0) {
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
        return;
    }
    auto* watch = new QSocketNotifier(ending, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(watch, &QSocketNotifier::activated, watch, [watch, pid, ending, ended = std::move(ended)] {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != pid)
            return;
        watch->setEnabled(false);
        watch->deleteLater();
        ::close(ending);
        ended(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    });
}

bool SpawnDesktopOpener(const std::string& target, std::function<void(bool opened)> ended)
{
    // xdg-open reports a folder it has no application for only on its standard error, long
    // after it was started: a folder without a file manager to show it is refused here.
    if (IsDirectory(target) && DefaultApplication("inode/directory").empty())
        return false;
    std::string program = "xdg-open";
    std::string argument = target;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid;
    if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    WatchHandler(pid, std::move(ended));
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
    return opener ? opener(target) : SpawnDesktopOpener(target, {});
}

void OpenInBackground(const std::string& target, std::function<void(bool opened)> ended)
{
    std::function<bool(const std::string&)> opener;
    {
        std::lock_guard guard(OpenerLock());
        opener = Opener();
    }
    if (opener)
        ended(opener(target));
    else if (!SpawnDesktopOpener(target, ended))
        ended(false);
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
