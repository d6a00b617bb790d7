// A removal running in a pid or time namespace of its own (a container, `unshare`) while a scan
// runs on the host over the same folder: the host sees the removal's process stamp name no
// process of its own, and must still take its private folder for a live run's.
#include "replays/FolderWalk.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Long enough for a loaded machine; a run that has not woken the test by then is taken for hung.
constexpr int kWakeMs = 60000;

struct Elsewhere {
    const char* what;
    std::vector<std::string> unshare; // the command that starts the removal there
};

// Reads what fd gives until it closes.
std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

TEST(RemovalNamespaces, ARunInAnotherNamespaceIsNotTakenForDead)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making namespaces needs root";
    constexpr unsigned kPairs = 60;
    const std::vector<Elsewhere> cases{
        {"another pid namespace", {"unshare", "--pid", "--fork", "--mount-proc"}},
        {"another boot time", {"unshare", "--time", "--fork", "--boottime", "100000"}},
    };
    for (const auto& c : cases) {
        testsupport::ScratchTree tree;
        for (unsigned i = 0; i < kPairs; ++i) {
            tree.WriteFile("d/" + std::to_string(i) + "a.rep", testsupport::NumberedReplay(i));
            tree.WriteFile("d/" + std::to_string(i) + "b.rep", testsupport::NumberedReplay(i));
        }
        tree.SetMode("d", 0777); // the removal moves each copy into a private folder of its run
        int wake[2], go[2], out[2];
        ASSERT_EQ(::pipe(wake), 0);
        ASSERT_EQ(::pipe(go), 0);
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(wake[0]);
            ::close(go[1]);
            ::dup2(out[1], STDOUT_FILENO);
            auto args = c.unshare;
            for (const auto& arg : {std::string(DUPSWEEP_REMOVAL_ELSEWHERE), tree.Path("d"), std::to_string(wake[1]),
                                    std::to_string(go[0])})
                args.push_back(arg);
            std::vector<char*> argv;
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(wake[1]);
        ::close(go[0]);
        ::close(out[1]);
        pollfd woken{wake[0], POLLIN, 0};
        ASSERT_EQ(::poll(&woken, 1, kWakeMs), 1) << c.what;
        char byte = 0;
        ASSERT_EQ(::read(wake[0], &byte, 1), 1) << c.what << ": the removal ended before its first deletion";

        // The host's scan, while the other run holds its private folder.
        replays::Catalogue catalogue;
        const auto scan = replays::FindReplays(catalogue, tree.Path("d"));
        EXPECT_TRUE(scan.restored.empty()) << c.what;
        bool privateFolder = false;
        for (const auto& entry : std::filesystem::directory_iterator(tree.Path("d")))
            privateFolder = privateFolder || entry.path().filename().string().starts_with(".dupsweep-");
        EXPECT_TRUE(privateFolder) << c.what;

        ASSERT_EQ(::write(go[1], "g", 1), 1);
        const auto report = ReadAll(out[0]);
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        for (const int fd : {wake[0], go[1], out[0]})
            ::close(fd);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.what;
        EXPECT_EQ(report, "deleted " + std::to_string(kPairs) + "\n") << c.what;
    }
}

} // namespace
