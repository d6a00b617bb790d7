#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

// Each row: what a function gave, and what it must give.
TEST(Paths, JoiningSplittingAndResolvingDotsAreLexical)
{
    const std::pair<std::string, std::string> rows[] = {
        {files::JoinPath("/data", "a.rep"), "/data/a.rep"},  // one separator only
        {files::JoinPath("/", "a.rep"), "/a.rep"},
        {files::JoinPath("/data/", "a.rep"), "/data/a.rep"},
        {std::string(files::FileNamePart("/data/sub/a b.rep")), "a b.rep"},
        {std::string(files::FileNamePart("plain")), "plain"},
        {files::NormalizePath("/a/./b//c/../d/"), "/a/b/d"},
        {files::NormalizePath("/../.."), "/"},
        {files::NormalizePath("/"), "/"},
        {files::ResolvePath("/games/replays", "temp"), "/games/replays/temp"},
        {files::ResolvePath("/games/replays", "../temp/"), "/games/temp"},
        {files::ResolvePath("/games/replays", "/elsewhere/./x"), "/elsewhere/x"},
        {files::ResolvePath("/games", "."), "/games"},
        {files::ParentPath("/games/replays"), "/games"},
        {files::ParentPath("/"), "/"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(rows[i].first, rows[i].second) << "row " << i;
}

TEST(Paths, ReplayPatternMatchesAnyCaseAndOnlyWholeNames)
{
    for (const char* name : {"a.rep", "A.REP", "x.Rep", "two dots.x.rep", "\xff\xfe.rep", ".rep"})
        EXPECT_TRUE(files::MatchesPattern(name, "*.rep")) << name;
    for (const char* name : {"a.rep.txt", "arep", "a.repx", "a.re", ""})
        EXPECT_FALSE(files::MatchesPattern(name, "*.rep")) << name;
    EXPECT_TRUE(files::MatchesPattern("abc", "a?c"));
    EXPECT_TRUE(files::MatchesPattern("anything", "*"));
    EXPECT_TRUE(files::MatchesPattern("a.b.rep", "*.*.rep"));
    EXPECT_FALSE(files::MatchesPattern("ab", "a?c"));
}

TEST(Paths, NamesSortWithLettersFoldedToUpperCaseThenByRawBytes)
{
    std::vector<std::string> names{"b", "a", "_x", "A", "B2", "\xe4", "a1", "Z"};
    std::sort(names.begin(), names.end(),
              [](const std::string& x, const std::string& y) { return files::CompareNames(x, y) < 0; });
    // '_' (0x5F) comes after the upper-case letters; "A" before "a" only as a tie-break.
    const std::vector<std::string> expected{"A", "a", "a1", "b", "B2", "Z", "_x", "\xe4"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(files::CompareNames("same", "same"), 0);
    EXPECT_TRUE(files::IsHiddenName(".x"));
    EXPECT_FALSE(files::IsHiddenName("x."));
}

TEST(FileErrors, ErrnoMapsToPlatformCodesAndTexts)
{
    EXPECT_EQ(files::CodeFromErrno(ENOENT), files::kFileNotFound);
    EXPECT_EQ(files::CodeFromErrno(ENOTDIR), files::kInvalidFilename);
    EXPECT_EQ(files::CodeFromErrno(ENAMETOOLONG), files::kInvalidFilename);
    EXPECT_EQ(files::CodeFromErrno(EMFILE), files::kTooManyOpenFiles);
    EXPECT_EQ(files::CodeFromErrno(ENFILE), files::kTooManyOpenFiles);
    EXPECT_EQ(files::CodeFromErrno(EACCES), files::kAccessDenied);
    EXPECT_EQ(files::CodeFromErrno(EPERM), files::kAccessDenied);
    EXPECT_EQ(files::CodeFromErrno(EROFS), files::kAccessDenied);
    EXPECT_EQ(files::CodeFromErrno(ENOSPC), files::kDiskFull);

    EXPECT_EQ(files::ErrorText(files::kFileNotFound), "File not found");
    EXPECT_EQ(files::ErrorText(files::kInvalidFilename), "Invalid filename");
    EXPECT_EQ(files::ErrorText(files::kTooManyOpenFiles), "Too many open files");
    EXPECT_EQ(files::ErrorText(files::kAccessDenied), "File access denied");
    EXPECT_EQ(files::ErrorText(files::kReadBeyondEnd), "Read beyond end of file");
    EXPECT_EQ(files::ErrorText(files::kDiskFull), "Disk full");
    EXPECT_EQ(files::ErrorText(files::kInvalidNumericInput), "Invalid numeric input");
}

TEST(FileErrors, OtherErrorsKeepTheirNumberWithoutClashingWithTableCodesAndReadAsTheSystemSaysThem)
{
    const int io = files::CodeFromErrno(EIO);
    EXPECT_NE(io, files::kAccessDenied); // EIO is 5 as an errno
    const std::pair<int, std::string> texts[] = {
        {EIO, "Input/output error"},
        {EEXIST, "File exists"},
        {EISDIR, "Is a directory"},
        {EINVAL, "Invalid argument"},
        {ELOOP, "Too many levels of symbolic links"},
    };
    for (const auto& [error, text] : texts)
        EXPECT_EQ(files::ErrorText(files::CodeFromErrno(error)), text) << error;
    EXPECT_EQ(files::ErrorText(files::kUnmappedErrnoBase + 4000), "I/O error 4000"); // no such errno
    EXPECT_EQ(files::ErrorText(files::kNotAFolder), "Not a folder");
}

} // namespace
