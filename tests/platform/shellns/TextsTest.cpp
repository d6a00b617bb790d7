// The namespace's words follow the language of the user's messages, chosen as any translated
// program chooses it.
#include <gtest/gtest.h>

#include "ScratchHome.h"
#include "platform/shellns/Texts.h"

using namespace shellns;

TEST(LocalText, FollowsTheLanguageOfTheUsersMessages)
{
    struct Case {
        const char* locale;
        const char* language;
        bool russian;
    };
    const Case cases[] = {
        {"ru_RU.UTF-8", "", true},
        {"ru_UA.UTF-8", "", true},
        {"C.UTF-8", "", false},
        {"C", "ru", false}, // the plain locale is English whatever LANGUAGE says
        {"en_US.UTF-8", "", false},
        {"de_DE.UTF-8", "", false},
        {"en_US.UTF-8", "ru:en", true},
        {"ru_RU.UTF-8", "de:en:ru", false}, // the first language we have decides
        {"ru_RU.UTF-8", "de", false},       // none of ours: the words as written
        {"de_DE.UTF-8", "ru_RU", true},
        {"rue_UA.UTF-8", "", false},        // another language that merely begins the same
    };
    for (const Case& c : cases) {
        const ScopedLocale locale(c.locale, c.language);
        EXPECT_EQ(c.russian, RussianMessages()) << c.locale << " / " << c.language;
        EXPECT_EQ(c.russian ? "Компьютер" : "Computer", LocalText(Word::Computer)) << c.locale;
    }
}

TEST(LocalText, LcMessagesAndLangCountWhenLcAllIsUnset)
{
    const ScopedLocale clear("");
    ::unsetenv("LC_ALL");
    ::setenv("LANG", "ru_RU.UTF-8", 1);
    EXPECT_TRUE(RussianMessages());
    ::setenv("LC_MESSAGES", "C", 1); // messages have a category of their own
    EXPECT_FALSE(RussianMessages());
}
