// Who besides root and the running user could remove, replace or change a file, and whether one
// copy is at least as safe as another: what a removal asks before it deletes a file in favour of
// the copy that stays.
#include "platform/fs/Exposure.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kMe = 1000, kOther = 1001, kThird = 1002;
constexpr std::uint32_t kMyGroup = 1000, kTheirGroup = 1001;

files::Ownership Own(std::uint32_t owner, std::uint32_t group, std::uint32_t mode)
{
    return {owner, group, mode};
}

struct Copy {
    files::Ownership file;
    files::Ownership folder;
};

TEST(Exposure, ACopyIsAsSafeAsAnotherOnlyWhenNobodyMoreCouldTouchIt)
{
    struct Case {
        const char* what;
        Copy kept; // the copy that would stay
        Copy gone; // the file that would be deleted for it
        bool safe;
    };
    const Copy mine{Own(kMe, kMyGroup, 0644), Own(kMe, kMyGroup, 0755)};
    const Copy rootOnly{Own(0, 0, 0644), Own(0, 0, 0755)};
    const Copy theirs{Own(kOther, kTheirGroup, 0644), Own(kOther, kTheirGroup, 0755)};
    const std::vector<Case> cases{
        {"the user's own tree", mine, mine, true},
        {"root's and the user's alike", rootOnly, mine, true},
        {"both in the same other user's tree", theirs, theirs, true},
        {"the copy is another user's", Copy{Own(kOther, kMyGroup, 0644), mine.folder}, mine, false},
        {"its folder is another user's", Copy{mine.file, Own(kOther, kMyGroup, 0755)}, mine, false},
        {"its folder anyone may write", Copy{mine.file, Own(kMe, kMyGroup, 0777)}, mine, false},
        {"its folder anyone may write, sticky", Copy{mine.file, Own(0, 0, 01777)}, mine, true},
        {"another user's copy in a sticky folder", Copy{Own(kOther, kMyGroup, 0644), Own(0, 0, 01777)}, mine, false},
        {"its folder a group may write", Copy{mine.file, Own(kMe, kTheirGroup, 0775)}, mine, false},
        {"both folders that group may write", Copy{mine.file, Own(kMe, kTheirGroup, 0775)},
         Copy{mine.file, Own(kMe, kTheirGroup, 0775)}, true},
        {"a group's folder against another group's", Copy{mine.file, Own(kMe, kTheirGroup, 0775)},
         Copy{mine.file, Own(kMe, kMyGroup, 0775)}, false},
        {"the copy anyone may write", Copy{Own(kMe, kMyGroup, 0666), mine.folder}, mine, false},
        {"the copy its group may write", Copy{Own(kMe, kTheirGroup, 0664), mine.folder}, mine, false},
        {"the file anyone could remove", theirs, Copy{mine.file, Own(0, 0, 0777)}, true},
        {"another user for a third", Copy{Own(kOther, kMyGroup, 0644), mine.folder},
         Copy{Own(kThird, kMyGroup, 0644), mine.folder}, false},
        {"the same other user on both sides", Copy{Own(kOther, kMyGroup, 0644), mine.folder},
         Copy{mine.file, Own(kOther, kMyGroup, 0755)}, true},
    };
    for (const auto& c : cases) {
        const auto kept = files::Exposure::Of(c.kept.file, c.kept.folder, kMe);
        const auto gone = files::Exposure::Of(c.gone.file, c.gone.folder, kMe);
        EXPECT_EQ(kept.Within(gone), c.safe) << c.what;
    }
}

TEST(Exposure, RootAndTheRunningUserAreNobodyToFear)
{
    const auto rootsFileInUsersFolder = files::Exposure::Of(Own(0, 0, 0644), Own(kMe, kMyGroup, 0755), kMe);
    const auto nothing = files::Exposure::Of(Own(0, 0, 0644), Own(0, 0, 0755), kMe);
    EXPECT_TRUE(rootsFileInUsersFolder.Within(nothing));
    // Run by root, the same user's folder is someone else's.
    EXPECT_FALSE(files::Exposure::Of(Own(0, 0, 0644), Own(kMe, kMyGroup, 0755), 0)
                     .Within(files::Exposure::Of(Own(0, 0, 0644), Own(0, 0, 0755), 0)));
}

} // namespace
