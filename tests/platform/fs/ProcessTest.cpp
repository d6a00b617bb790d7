#include "platform/fs/Process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(Process, ThisOneRunsAndOneThatEndedIsGoneThoughItsIdComesRoundAgain)
{
    const auto& self = files::ThisProcess();
    EXPECT_EQ(self.pid, ::getpid());
    EXPECT_EQ(self.boot.size(), 8u);
    EXPECT_GT(self.started, 0u);
    EXPECT_EQ(files::StateOf(self), files::ProcessState::Running);

    auto earlier = self;
    --earlier.started; // the same id, started at another moment: another process
    EXPECT_EQ(files::StateOf(earlier), files::ProcessState::Gone);
    auto otherBoot = self;
    otherBoot.boot = otherBoot.boot == "00000000" ? "00000001" : "00000000";
    EXPECT_EQ(files::StateOf(otherBoot), files::ProcessState::Gone);

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(files::StateOf({self.boot, child, self.started}), files::ProcessState::Gone);
    EXPECT_EQ(files::StateOfProgram(child, "platform_fs"), files::ProcessState::Gone);
    EXPECT_EQ(files::StateOfProgram(self.pid, "platform_fs"), files::ProcessState::Running);
    EXPECT_EQ(files::StateOfProgram(self.pid, "another"), files::ProcessState::Gone);
}

} // namespace
