#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/shellns/Allocator.h"
#include "platform/shellns/IdList.h"
#include "platform/shellns/Wide.h"

using namespace shellns;

TEST(IdList, BuildsSplitsAndSizesInTheByteFormat)
{
    const long live = Allocator().LiveBlocks();
    IdListBuilder builder;
    ASSERT_TRUE(builder.Append("ab"));
    ASSERT_TRUE(builder.Append(""));
    PItemIdList list = builder.Finish();
    const std::uint8_t expected[] = {4, 0, 'a', 'b', 2, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(IdBytes(list), expected, sizeof expected));
    EXPECT_EQ(sizeof expected, IdListByteSize(list));
    const auto items = SplitIdList(list);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ("ab", items[0]);
    EXPECT_EQ("", items[1]);
    EXPECT_EQ(live + 1, Allocator().LiveBlocks());
    Allocator().Free(list);
    EXPECT_EQ(live, Allocator().LiveBlocks());
    EXPECT_EQ(0u, IdListByteSize(nullptr));
}

TEST(IdList, RefusesItemsBeyondTheCountAndStopsAtABrokenCount)
{
    IdListBuilder builder;
    EXPECT_FALSE(builder.Append(std::string(kMaxIdItemSize, 'x')));
    EXPECT_TRUE(builder.Append(std::string(kMaxIdItemSize - kIdCountSize, 'x')));
    // A count of 1 cannot hold itself; reading must stop there rather than loop.
    const std::uint8_t broken[] = {3, 0, 'a', 1, 0, 0, 0};
    EXPECT_EQ(1u, SplitIdList(reinterpret_cast<PCItemIdList>(broken)).size());
}

TEST(Wide, ValidTextDecodesAndAnyBytesRoundTrip)
{
    EXPECT_EQ(u"Привет", BytesToWide("Привет"));
    EXPECT_EQ(u"a\U0001F600", BytesToWide("a\xF0\x9F\x98\x80"));
    EXPECT_EQ("Привет", WideToBytes(u"Привет"));
    // Invalid bytes become escapes and come back unchanged.
    const std::string latin1 = "caf\xE9 \xFF\xC0\x80 \xED\xA0\x80";
    const std::u16string wide = BytesToWide(latin1);
    EXPECT_EQ(char16_t(0xDCE9), wide[3]);
    EXPECT_EQ(latin1, WideToBytes(wide));

    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 24, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 256);
        ASSERT_EQ(bytes, WideToBytes(BytesToWide(bytes))) << "round " << round;
    }
    // A lone surrogate that no name produced becomes the replacement character.
    EXPECT_EQ("\xEF\xBF\xBD", WideToBytes(std::u16string(1, char16_t(0xD800))));

    // Qt's own file calls can reach a UTF-8 name only; no stand-in text is offered for the others.
    EXPECT_EQ(QString::fromUtf16(u"/srv/Привет/a\U0001F600"), QtFileName("/srv/Привет/a\xF0\x9F\x98\x80"));
    EXPECT_EQ(std::nullopt, QtFileName(latin1));
    EXPECT_EQ(std::nullopt, QtFileName("/srv/\xED\xA0\x80")); // a surrogate written as UTF-8 is no UTF-8
}
