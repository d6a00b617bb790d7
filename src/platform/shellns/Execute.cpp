#include "platform/shellns/Execute.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <thread>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include "platform/shellns/Folders.h"
#include "platform/shellns/FoldersInternal.h"
#include "platform/shellns/Places.h"

extern char** environ;

namespace shellns {
namespace {

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

// True when the desktop's application of that name (a desktop entry's, "files.desktop") is this
// program: its own entry, or one that starts its executable.
bool IsThisProgram(const std::string& desktopId)
{
    const QString own = QGuiApplication::desktopFileName();
    if (!own.isEmpty() && desktopId == own.toStdString() + ".desktop")
        return true;
    GDesktopAppInfo* entry = g_desktop_app_info_new(desktopId.c_str());
    if (!entry)
        return false;
    const char* executable = g_app_info_get_executable(G_APP_INFO(entry));
    gchar* program = executable ? g_find_program_in_path(executable) : nullptr;
    struct stat found, self;
    const bool same = program && ::stat(program, &found) == 0 && ::stat("/proc/self/exe", &self) == 0
        && found.st_dev == self.st_dev && found.st_ino == self.st_ino;
    g_free(program);
    g_object_unref(entry);
    return same;
}

bool SpawnDesktopOpener(const std::string& target, std::function<void(bool opened)> ended)
{
    // xdg-open reports a folder it has no application for only on its standard error, long
    // after it was started: a folder without a file manager to show it is refused here. So is
    // one this program would be started for: installed, it offers itself for folders, and
    // opening a folder would only start it once more.
    if (IsDirectory(target)) {
        const std::string application = DefaultApplication("inode/directory");
        if (application.empty() || IsThisProgram(application))
            return false;
    }
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
    return SpawnDesktopOpener(target, {});
}

void OpenInBackground(const std::string& target, std::function<void(bool opened)> ended)
{
    if (!SpawnDesktopOpener(target, ended))
        ended(false);
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
