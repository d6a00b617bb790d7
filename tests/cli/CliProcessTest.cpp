// dupsweep-cli as a process among others: a working folder that is gone, signals, output that
// cannot be written, a low limit of open files. Whatever happens, every deletion is reported and
// nothing is walked that the user did not name.
#include "cli/Commands.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

namespace {

// A child that has not ended by then is taken for one walking far more than it was asked to.
constexpr unsigned kChildSeconds = 60;

struct ChildOptions {
    std::vector<std::string> chdirs; // entered one after the other, each relative to the last
    bool removeWorkingFolder = false; // remove the last one entered, so the child stands nowhere
    int out = -1; // the child's standard output; -1 captures it
    rlim_t openFiles = 0; // 0: the limit is left alone
};

struct Outcome {
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

Outcome RunChild(const std::vector<std::string>& args, const ChildOptions& options = {})
{
    std::vector<std::string> argv{DUPSWEEP_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec.
        for (const auto& folder : options.chdirs) {
            if (::chdir(folder.c_str()) != 0)
                ::_exit(120);
        }
        if (options.removeWorkingFolder && ::rmdir(options.chdirs.back().c_str()) != 0)
            ::_exit(121);
        if (options.openFiles != 0) {
            const rlimit limit{options.openFiles, options.openFiles};
            if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
                ::_exit(122);
        }
        ::dup2(options.out >= 0 ? options.out : outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::alarm(kChildSeconds);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Outcome outcome;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    for (int open = 2; open > 0;) {
        if (::poll(fds, 2, -1) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const auto n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int raw_status = 0;
    ::waitpid(pid, &raw_status, 0);
    outcome.status = WIFEXITED(raw_status) ? WEXITSTATUS(raw_status) : 128 + WTERMSIG(raw_status);
    return outcome;
}

std::set<std::string> Lines(const std::string& text)
{
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

class CliProcess : public testing::Test {
protected:
    // pairs identical pairs in r/, each pair's first copy (the one deleted) named NNa.rep.
    std::vector<std::string> MakePairs(unsigned pairs, std::size_t size = 14000)
    {
        std::vector<std::string> first;
        for (unsigned i = 0; i < pairs; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%02u", i);
            const auto bytes = testsupport::MakeReplay(size, "f" + std::string(name), "s", {}, i);
            first.push_back(tree.WriteFile("r/" + std::string(name) + "a.rep", bytes));
            tree.WriteFile("r/" + std::string(name) + "b.rep", bytes);
        }
        return first;
    }

    // Of paths, those no longer there.
    std::set<std::string> Gone(const std::vector<std::string>& paths)
    {
        std::set<std::string> gone;
        for (const auto& path : paths) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0)
                gone.insert(path);
        }
        return gone;
    }

    testsupport::ScratchTree tree;
};

TEST_F(CliProcess, AWorkingFolderThatIsGoneIsNoFolderToWalk)
{
    tree.WriteFile("here/a.rep", testsupport::MakeReplay(14000, "f", "s"));
    for (const auto& args : std::vector<std::vector<std::string>>{{"list", "."}, {"dedupe", "--dry-run", "."}}) {
        tree.MakeFolder("gone");
        const auto outcome = RunChild(args, {{tree.Path("gone")}, true});
        EXPECT_EQ(outcome.status, cli::kExitNoFolder) << args[0];
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "dupsweep-cli: .: not a folder that can be entered (File not found)\n");
    }
    EXPECT_TRUE(tree.Exists("here/a.rep"));
}

TEST_F(CliProcess, AWorkingFolderBeyondTheLongestPathIsNoFolderToWalk)
{
    // Made one level at a time, each relative to the last: the whole path is too long to name.
    const std::string name(200, 'd');
    std::vector<std::string> chdirs{tree.Root()};
    int fd = ::open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 25; ++level) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        chdirs.push_back(name);
    }
    ::close(fd);
    const auto outcome = RunChild({"list", "."}, {chdirs});
    EXPECT_EQ(outcome.status, cli::kExitNoFolder);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "dupsweep-cli: .: not a folder that can be entered (Invalid filename)\n");
    // The tree cannot be removed by its full names either.
    fd = ::open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<int> levels{fd};
    for (int level = 0; level < 25; ++level)
        levels.push_back(::openat(levels.back(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t level = levels.size() - 1; level > 0; --level) {
        ::close(levels[level]);
        ::unlinkat(levels[level - 1], name.c_str(), AT_REMOVEDIR);
    }
    ::close(fd);
}

// Stopped by SIGTERM in the middle of a removal, it reports everything it deleted, in lines and
// in JSON alike.
TEST_F(CliProcess, SigtermStopsAfterTheFileInHandAndEveryDeletionIsReported)
{
    REQUIRE_READ_TRAP();
    for (const bool json : {false, true}) {
        const auto first = MakePairs(10, 3 << 20);
        testsupport::ReadTrap trap;
        // The scan reads each replay once; the second read of the sixth pair's first copy is the
        // removal comparing it (ahead of deciding on the pairs before it, perhaps).
        trap.Arm(first[5], [&trap] { ::kill(trap.LastReader(), SIGTERM); }, 2);
        const auto outcome = RunChild(json ? std::vector<std::string>{"dedupe", "--json", tree.Path("r")}
                                           : std::vector<std::string>{"dedupe", tree.Path("r")});
        EXPECT_EQ(outcome.status, 128 + SIGTERM) << outcome.err;
        const auto gone = Gone(first);
        EXPECT_LE(gone.size(), 5u);
        for (const auto& path : gone)
            EXPECT_NE(outcome.out.find(path), std::string::npos) << path << " deleted but not reported";
        if (json) {
            EXPECT_EQ(outcome.out.back(), '\n');
            EXPECT_NE(outcome.out.find("\"cancelled\":true}"), std::string::npos);
        } else {
            EXPECT_NE(outcome.out.find(std::to_string(gone.size()) + " duplicates deleted\n"), std::string::npos);
        }
        std::filesystem::remove_all(tree.Path("r"));
    }
}

// Output that cannot be written (a pipe nobody reads, a full disk) stops the deleting at once;
// what was deleted by then is told on standard error.
TEST_F(CliProcess, OutputThatCannotBeWrittenStopsTheDeleting)
{
    for (const bool json : {false, true}) {
        for (const bool pipe : {true, false}) {
            const auto first = MakePairs(20);
            int out = -1;
            if (pipe) {
                int ends[2];
                ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
                ::close(ends[0]);
                out = ends[1];
            } else {
                out = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
                ASSERT_GE(out, 0);
            }
            ChildOptions options;
            options.out = out;
            const auto outcome = RunChild(json ? std::vector<std::string>{"dedupe", "--json", tree.Path("r")}
                                               : std::vector<std::string>{"dedupe", tree.Path("r")},
                                          options);
            ::close(out);
            EXPECT_EQ(outcome.status, cli::kExitIncomplete) << outcome.err;
            const auto gone = Gone(first);
            EXPECT_LE(gone.size(), 1u) << (json ? "json " : "lines ") << (pipe ? "pipe" : "full");
            for (const auto& path : gone)
                EXPECT_NE(outcome.err.find(path), std::string::npos) << path << " deleted but not reported";
            std::filesystem::remove_all(tree.Path("r"));
        }
    }
}

// With few descriptors to go round, every replay is listed or reported, itself or its folder.
TEST_F(CliProcess, UnderALowLimitOfOpenFilesNothingIsLeftOutInSilence)
{
    std::vector<std::string> replays;
    for (int folder = 0; folder < 40; ++folder) {
        for (int i = 0; i < 5; ++i) {
            const auto path = "r/d" + std::to_string(folder) + "/" + std::to_string(i) + ".rep";
            replays.push_back(tree.WriteFile(path, testsupport::MakeReplay(14000, "f", "s", {}, folder * 5 + i)));
        }
    }
    for (const rlim_t limit : {12, 16, 24}) {
        ChildOptions options;
        options.openFiles = limit;
        const auto outcome = RunChild({"list", tree.Path("r")}, options);
        const auto listed = Lines(outcome.out);
        for (const auto& path : replays) {
            const auto folder = path.substr(0, path.rfind('/'));
            const bool reported = outcome.err.find(path + ": ") != std::string::npos
                || outcome.err.find(folder + ": ") != std::string::npos;
            EXPECT_TRUE(listed.count("54\t" + path) == 1 || reported) << path << " left out at limit " << limit;
        }
    }
}

} // namespace
