// dupsweep-cli as a process among others: a working folder that is gone, signals, output that
// cannot be written, a low limit of open files. Whatever happens, every deletion is reported and
// nothing is walked that the user did not name.
#include "cli/Commands.h"
#include "support/ReadTrap.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <iterator>
#include <set>
#include <sstream>

namespace {

// A child that has not ended by then is taken for one walking far more than it was asked to.
constexpr unsigned kChildSeconds = 60;

struct ChildOptions {
    std::vector<std::string> chdirs; // entered one after the other, each relative to the last
    bool removeWorkingFolder = false; // remove the last one entered, so the child stands nowhere
    int out = -1; // the child's standard output; -1 captures it, -2 leaves it closed
    rlim_t openFiles = 0; // 0: the limit is left alone
    rlim_t addressSpace = 0; // bytes of memory the child may map; 0: no limit
    std::vector<std::string> environment; // NAME=VALUE set for the child besides the test's own
    int outPipeSize = 0; // 0: the system's
};

struct Outcome {
    int status = -1; // the exit status, or 128 + the signal that ended it
    bool killed = false; // a signal ended it
    std::string out;
    std::string err;
};

// A child started with its standard output and error in pipes, which the test reads when it
// chooses (Collect).
struct Child {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

Child StartChild(const std::vector<std::string>& args, const ChildOptions& options = {})
{
    std::vector<std::string> argv{DUPSWEEP_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable)
        environment.emplace_back(*variable);
    environment.insert(environment.end(), options.environment.begin(), options.environment.end());
    std::vector<char*> envp;
    for (auto& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    if (options.outPipeSize != 0 && ::fcntl(outPipe[1], F_SETPIPE_SZ, options.outPipeSize) < 0)
        throw std::runtime_error("pipe size");

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec.
        for (const auto& folder : options.chdirs) {
            if (::chdir(folder.c_str()) != 0)
                ::_exit(120);
        }
        if (options.removeWorkingFolder && ::rmdir(options.chdirs.back().c_str()) != 0)
            ::_exit(121);
        for (const auto& [resource, value] : {std::pair{RLIMIT_NOFILE, options.openFiles}, {RLIMIT_AS, options.addressSpace}}) {
            const rlimit limit{value, value};
            if (value != 0 && ::setrlimit(resource, &limit) != 0)
                ::_exit(122);
        }
        if (options.out == -2)
            ::close(STDOUT_FILENO);
        else
            ::dup2(options.out >= 0 ? options.out : outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::alarm(kChildSeconds);
        ::execve(raw[0], raw.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    return {pid, outPipe[0], errPipe[0]};
}

// The start of dedupe's count line for count deleted duplicates.
std::string DeletedCount(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " duplicate deleted, " : " duplicates deleted, ");
}

// Reads the child's output to its end and waits for it.
Outcome Collect(const Child& child)
{
    Outcome outcome;
    pollfd fds[2] = {{child.out, POLLIN, 0}, {child.err, POLLIN, 0}};
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
    ::waitpid(child.pid, &raw_status, 0);
    outcome.status = WIFEXITED(raw_status) ? WEXITSTATUS(raw_status) : 128 + WTERMSIG(raw_status);
    outcome.killed = WIFSIGNALED(raw_status);
    return outcome;
}

Outcome RunChild(const std::vector<std::string>& args, const ChildOptions& options = {})
{
    return Collect(StartChild(args, options));
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
    // pairs identical pairs in r/, each pair's first copy (the one deleted) named [prefix]NNa.rep.
    std::vector<std::string> MakePairs(unsigned pairs, std::size_t size = 14000, const std::string& prefix = {},
                                       const std::string& folder = "r/")
    {
        std::vector<std::string> first;
        for (unsigned i = 0; i < pairs; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "%02u", i);
            const auto name = folder + prefix + number;
            const auto bytes = testsupport::MakeReplay(size, "f" + folder + number, "s", {}, i);
            first.push_back(tree.WriteFile(name + "a.rep", bytes));
            tree.WriteFile(name + "b.rep", bytes);
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
        ChildOptions options;
        options.chdirs = {tree.Path("gone")};
        options.removeWorkingFolder = true;
        const auto outcome = RunChild(args, options);
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
    ChildOptions options;
    options.chdirs = chdirs;
    const auto outcome = RunChild({"list", "."}, options);
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
            EXPECT_NE(outcome.out.find(DeletedCount(gone.size())), std::string::npos);
        }
        std::filesystem::remove_all(tree.Path("r"));
    }
}

// Output that cannot be written at all (closed, a pipe nobody reads, a full device) is found out
// before anything is deleted, in lines as in JSON.
TEST_F(CliProcess, OutputThatCannotBeWrittenStopsTheDeletingBeforeItBegins)
{
    enum class Out { Closed, Widowed, Full };
    for (const bool json : {false, true}) {
        for (const auto kind : {Out::Closed, Out::Widowed, Out::Full}) {
            const auto first = MakePairs(20);
            int out = -2;
            if (kind == Out::Widowed) {
                int ends[2];
                ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
                ::close(ends[0]);
                out = ends[1];
            } else if (kind == Out::Full) {
                out = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
                ASSERT_GE(out, 0);
            }
            ChildOptions options;
            options.out = out;
            const auto outcome = RunChild(json ? std::vector<std::string>{"dedupe", "--json", tree.Path("r")}
                                               : std::vector<std::string>{"dedupe", tree.Path("r")},
                                          options);
            if (out >= 0)
                ::close(out);
            const auto what = std::string(json ? "json, " : "lines, ") + std::to_string(static_cast<int>(kind));
            EXPECT_EQ(outcome.status, cli::kExitIncomplete) << what << ": " << outcome.err;
            EXPECT_TRUE(Gone(first).empty()) << what;
            EXPECT_NE(outcome.err.find("cannot write the output"), std::string::npos) << what << ": " << outcome.err;
            std::filesystem::remove_all(tree.Path("r"));
        }
    }
}

// Waits until the child is inside a write to its standard output that cannot go on: the pipe is
// full and nobody reads it. False when the child ended first.
bool AwaitBlockedWrite(const Child& child)
{
    const int capacity = ::fcntl(child.out, F_GETPIPE_SZ);
    const auto proc = "/proc/" + std::to_string(child.pid);
    for (;;) {
        std::ifstream stat(proc + "/stat");
        std::string field, state;
        stat >> field >> field >> state; // the command has no spaces: it is dupsweep-cli
        if (state == "Z" || state.empty())
            return false;
        int queued = 0;
        std::ifstream call(proc + "/syscall");
        std::string number;
        call >> number;
        // Asleep in a write, with more in the pipe than an atomic write may find room for.
        if (state == "S" && number == std::to_string(SYS_write) && ::ioctl(child.out, FIONREAD, &queued) == 0
            && queued > capacity - PIPE_BUF)
            return true;
        std::this_thread::yield();
    }
}

// Sends signal to the child and waits until it has been taken, so that whatever it does to the
// call it came into is done before the test goes on.
void Signal(const Child& child, int signal)
{
    ::kill(child.pid, signal);
    for (bool pending = true; pending;) {
        std::ifstream status("/proc/" + std::to_string(child.pid) + "/status");
        pending = false;
        for (std::string line; std::getline(status, line);) {
            if ((line.starts_with("SigPnd:") || line.starts_with("ShdPnd:")) && line.find_first_not_of("0", 8) != std::string::npos)
                pending = true;
        }
        std::this_thread::yield();
    }
}

// A stop signal, or two, that come while the output waits for a slow reader: the write goes on
// when the reader reads, the run stops after the file in hand, and every deletion is reported.
TEST_F(CliProcess, StopSignalsWhileTheOutputWaitsForItsReaderCutNoReportShort)
{
    const std::string longName(200, 'n'); // a few deleted paths fill the smallest pipe
    struct Case {
        std::vector<int> signals;
        bool json;
        int status;
    };
    const Case cases[] = {
        {{SIGTERM}, false, 128 + SIGTERM},
        {{SIGTERM}, true, 128 + SIGTERM},
        {{SIGINT, SIGINT}, false, cli::kExitInterrupted},
        {{SIGINT, SIGINT}, true, cli::kExitInterrupted},
    };
    for (const auto& c : cases) {
        const auto first = MakePairs(60, 14000, longName);
        ChildOptions options;
        options.outPipeSize = 4096;
        const auto child = StartChild(c.json ? std::vector<std::string>{"dedupe", "--json", tree.Path("r")}
                                             : std::vector<std::string>{"dedupe", tree.Path("r")},
                                      options);
        ASSERT_TRUE(AwaitBlockedWrite(child)) << "the child ended before its output filled the pipe";
        for (const int signal : c.signals)
            Signal(child, signal);
        const auto outcome = Collect(child);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_FALSE(outcome.killed) << "the process was ended before its report";
        const auto gone = Gone(first);
        EXPECT_FALSE(gone.empty());
        for (const auto& path : gone)
            EXPECT_NE(outcome.out.find(path), std::string::npos) << path << " deleted but not reported";
        EXPECT_EQ(outcome.err.find("cannot write"), std::string::npos) << outcome.err;
        if (c.json)
            EXPECT_NE(outcome.out.find("\"cancelled\":true}\n"), std::string::npos);
        else
            EXPECT_NE(outcome.out.find(DeletedCount(gone.size())), std::string::npos);
        std::filesystem::remove_all(tree.Path("r"));
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

// At a limit of 64 open files every duplicate is still deleted, each copy in a folder of its
// own, so that the candidates compared ahead hold many folders.
TEST_F(CliProcess, SixtyFourOpenFilesAreEnoughToDeleteEveryDuplicate)
{
    constexpr unsigned kPairs = 100;
    for (unsigned i = 0; i < kPairs; ++i) {
        const auto bytes = testsupport::MakeReplay(14000, "f" + std::to_string(1000 + i), "s", {}, i);
        tree.WriteFile("r/a" + std::to_string(1000 + i) + "/x.rep", bytes);
        tree.WriteFile("r/b" + std::to_string(1000 + i) + "/x.rep", bytes);
    }
    const auto before = testsupport::FileContentsBelow(tree.Path("r"));
    ChildOptions options;
    options.openFiles = 64;
    const auto outcome = RunChild({"dedupe", tree.Path("r")}, options);
    EXPECT_EQ(outcome.status, cli::kExitDone) << outcome.err;
    EXPECT_NE(outcome.out.find(DeletedCount(kPairs) + "1.4 MB freed\n"), std::string::npos) << outcome.out;
    const auto after = testsupport::FileContentsBelow(tree.Path("r"));
    EXPECT_EQ(after.size(), kPairs);
    EXPECT_TRUE(std::set<std::string>(after.begin(), after.end()) == std::set<std::string>(before.begin(), before.end()));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Under limits of memory from too little to start with to enough, a run either ends well or says
// it ran out, with every deletion reported and nothing left aside; never a crash.
TEST_F(CliProcess, RunningOutOfMemoryEndsTheRunCleanlyAndSaysSo)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' own memory takes no limit of the address space";
    constexpr rlim_t kMiB = 1 << 20;
    for (rlim_t limit = 16 * kMiB; limit <= 192 * kMiB; limit += 8 * kMiB) {
        const auto first = MakePairs(40);
        // An error line: its first fingerprint is empty, and the record to stand in for it missing.
        tree.WriteFile("r/long/" + std::string(200, 'l') + ".rep", testsupport::MakeReplay(14000, "", ""));
        ChildOptions options;
        options.addressSpace = limit;
        const auto outcome = RunChild({"dedupe", "--json", tree.Path("r")}, options);
        const auto at = std::to_string(limit / kMiB) + " MiB: ";
        if (outcome.status == 127 || outcome.status == 122)
            continue; // too little to start the program at all
        EXPECT_FALSE(outcome.killed) << at << outcome.err;
        EXPECT_TRUE(outcome.status == cli::kExitIncomplete || outcome.status == cli::kExitOutOfMemory)
            << at << outcome.status << " " << outcome.err;
        if (outcome.status == cli::kExitOutOfMemory) {
            EXPECT_NE(outcome.err.find("out of memory"), std::string::npos) << at << outcome.err;
        }
        for (const auto& path : Gone(first))
            EXPECT_NE(outcome.out.find(path), std::string::npos) << at << path << " deleted but not reported";
        for (const auto& entry : std::filesystem::directory_iterator(tree.Path("r")))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".dupsweep-")) << at << "left aside";
        std::filesystem::remove_all(tree.Path("r"));
    }
}

// The bytes of every file below folder that a user sees: hidden names left out.
std::multiset<std::string> VisibleContents(const std::string& folder)
{
    std::multiset<std::string> contents;
    for (auto it = std::filesystem::recursive_directory_iterator(folder); it != std::filesystem::recursive_directory_iterator(); ++it) {
        if (it->path().filename().string().starts_with(".")) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && !it->is_symlink()) {
            std::ifstream in(it->path(), std::ios::binary);
            contents.insert({std::istreambuf_iterator<char>(in), {}});
        }
    }
    return contents;
}

// The names in folder a user does not see.
std::set<std::string> HiddenNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("."))
            names.insert(entry.path().filename().string());
    return names;
}

// Removals killed at moments all through their work: a list afterwards changes nothing, the next
// removal brings back whatever they left aside, and every content is where a user sees it.
TEST_F(CliProcess, WhatAKilledRemovalLeftAsideIsBroughtBackByTheNextRemoval)
{
    REQUIRE_READ_TRAP();
    constexpr unsigned kRounds = 12, kPairs = 30;
    for (unsigned round = 0; round < kRounds && !HasFailure(); ++round) {
        const auto first = MakePairs(kPairs);
        const auto wanted = VisibleContents(tree.Path("r"));
        {
            testsupport::ReadTrap trap;
            // The scan reads each replay once; a later read is the removal comparing it, ahead of
            // the deletions or not.
            trap.Arm(first[3 + round % (kPairs - 3)], [&trap] { ::kill(trap.LastReader(), SIGKILL); }, 2);
            const auto killed = RunChild({"dedupe", tree.Path("r")});
            EXPECT_TRUE(killed.killed) << "round " << round;
        }
        const auto hidden = HiddenNames(tree.Path("r"));
        const auto listed = RunChild({"list", tree.Path("r")});
        EXPECT_EQ(listed.status, cli::kExitDone) << listed.err;
        EXPECT_EQ(HiddenNames(tree.Path("r")), hidden) << "round " << round << ": the list changed the tree";
        const auto again = RunChild({"dedupe", tree.Path("r")});
        EXPECT_EQ(again.status, cli::kExitDone) << again.err;
        const auto seen = VisibleContents(tree.Path("r"));
        for (auto it = wanted.begin(); it != wanted.end(); it = wanted.upper_bound(*it))
            EXPECT_GE(seen.count(*it), 1u) << "round " << round << ": a content is nowhere to be seen";
        for (const auto& entry : std::filesystem::directory_iterator(tree.Path("r")))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".dupsweep-")) << "round " << round;
        std::filesystem::remove_all(tree.Path("r"));
    }
}

// a.rep, its copy b.rep, and c.rep leading to a.rep: deleting a.rep leaves c.rep leading nowhere,
// so b.rep must stay. The dry run says what the real run then does.
TEST_F(CliProcess, TheDryRunPromisesWhatTheRealRunDoesLinksIncluded)
{
    const auto bytes = testsupport::MakeReplay(14000, "f", "s");
    tree.WriteFile("r/a.rep", bytes);
    tree.WriteFile("r/b.rep", bytes);
    tree.Link("r/c.rep", "a.rep");
    const auto dry = RunChild({"dedupe", "--dry-run", tree.Path("r")});
    const auto real = RunChild({"dedupe", tree.Path("r")});
    EXPECT_EQ(dry.status, real.status);
    const auto paths = [](const std::string& out) { return out.substr(0, out.rfind('\n', out.size() - 2) + 1); };
    EXPECT_EQ(paths(dry.out), paths(real.out));
    EXPECT_EQ(paths(real.out), tree.Path("r/a.rep") + "\n");
    EXPECT_EQ(tree.Read("r/b.rep"), bytes);
}

TEST_F(CliProcess, AFolderThatIsAFileOrASystemFileSystemSaysWhatItIs)
{
    tree.WriteFile("file.rep", "x");
    ASSERT_EQ(::mkfifo(tree.Path("fifo").c_str(), 0644), 0);
    const std::pair<std::string, std::string> cases[] = {
        {tree.Path("file.rep"), "Not a folder"},
        {tree.Path("fifo"), "Not a folder"},
        {"/dev/null", "Not a folder"},
        {"/proc/self", "A system file system (such as /proc), not a folder of files"},
    };
    for (const auto& [folder, text] : cases) {
        const auto outcome = RunChild({"list", folder});
        EXPECT_EQ(outcome.status, cli::kExitNoFolder) << folder;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "dupsweep-cli: " + folder + ": not a folder that can be entered (" + text + ")\n");
    }
}

TEST_F(CliProcess, TrashTakesTheDuplicatesAndADryRunSaysSoWithoutMakingIt)
{
    const auto first = MakePairs(3);
    ChildOptions options;
    options.environment = {"XDG_DATA_HOME=" + tree.Path("home")};
    const auto dry = RunChild({"dedupe", "--trash", "--dry-run", tree.Path("r")}, options);
    EXPECT_EQ(dry.status, cli::kExitDone) << dry.err;
    EXPECT_NE(dry.out.find("3 duplicates would be moved to the trash, 42.0 KB would go to the trash\n"), std::string::npos)
        << dry.out;
    EXPECT_FALSE(tree.Exists("home"));
    const auto real = RunChild({"dedupe", "--trash", "--json", tree.Path("r")}, options);
    EXPECT_EQ(real.status, cli::kExitDone) << real.err;
    EXPECT_NE(real.out.find("],\"bytes\":42000,\n"), std::string::npos) << real.out;
    EXPECT_NE(real.out.find("\"dry_run\":false,\"trash\":true,"), std::string::npos) << real.out;
    for (const auto& path : first) {
        EXPECT_FALSE(tree.Exists(path.substr(tree.Root().size() + 1)));
        const auto name = path.substr(path.rfind('/') + 1);
        EXPECT_TRUE(tree.Exists("home/Trash/files/" + name)) << name;
        EXPECT_TRUE(tree.Exists("home/Trash/info/" + name + ".trashinfo")) << name;
    }
    EXPECT_EQ(RunChild({"list", "--trash", tree.Path("r")}).status, cli::kExitUsage);
}

// The manual page is made from the help: it must name every key the JSON has and every option.
TEST_F(CliProcess, TheHelpNamesEverythingTheProgramDoes)
{
    const auto help = RunChild({"--help"});
    EXPECT_EQ(help.status, cli::kExitDone);
    for (const auto* word : {"\"read_only\"", "\"too_short\"", "\"restored\"", "\"trash\"", "\"bytes\"", "\"replays\"",
                             "\"rows\"", "--trash", "--dry-run", "--json",
                             "  4    ", "  143  ", "Interrupted removals"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace
