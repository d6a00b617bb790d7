#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/FileErrors.h"
#include "support/ScratchTree.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

std::string ProcessDirectory()
{
    std::vector<char> buffer(4096);
    return ::getcwd(buffer.data(), buffer.size()) != nullptr ? buffer.data() : "";
}

TEST(CurrentDirectory, StartsAsTheProcessWorkingDirectory)
{
    // A fresh process, so that nothing before has fixed the logical directory yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (::chdir("/") != 0)
                std::exit(2);
            std::exit(files::GetCurrentDir() == "/" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(CurrentDirectory, ResolvesRelativeTextAndLeavesTheProcessAlone)
{
    testsupport::ScratchTree tree;
    tree.MakeFolder("games/replays");
    tree.MakeFolder("temp");
    const auto before = ProcessDirectory();

    ASSERT_EQ(files::SetCurrentDir(tree.Path("games")), files::kNoError);
    EXPECT_EQ(files::GetCurrentDir(), tree.Path("games"));
    ASSERT_EQ(files::SetCurrentDir("replays/"), files::kNoError);
    EXPECT_EQ(files::GetCurrentDir(), tree.Path("games/replays"));
    ASSERT_EQ(files::SetCurrentDir("../../temp"), files::kNoError);
    EXPECT_EQ(files::GetCurrentDir(), tree.Path("temp"));
    EXPECT_EQ(ProcessDirectory(), before);
}

TEST(CurrentDirectory, FailureLeavesItWhereItWas)
{
    testsupport::ScratchTree tree;
    tree.WriteFile("file.rep", "");
    ASSERT_EQ(files::SetCurrentDir(tree.Root()), files::kNoError);
    EXPECT_EQ(files::SetCurrentDir("missing"), files::kFileNotFound);
    EXPECT_EQ(files::SetCurrentDir("file.rep"), files::kNotAFolder);
    EXPECT_EQ(files::SetCurrentDir("file.rep/x"), files::kInvalidFilename);
    EXPECT_EQ(files::SetCurrentDir(""), files::kInvalidFilename);
    EXPECT_EQ(files::GetCurrentDir(), tree.Root());
    ASSERT_EQ(files::SetCurrentDir("/"), files::kNoError);
    ASSERT_EQ(files::SetCurrentDir(".."), files::kNoError);
    EXPECT_EQ(files::GetCurrentDir(), "/");
}

} // namespace
