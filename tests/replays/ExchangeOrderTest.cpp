#include "replays/ExchangeOrder.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>

namespace {

// The exchange sort exactly as the removal defines it, on slots numbered from 1.
std::vector<std::uint32_t> LiteralExchangeSort(const std::vector<std::string>& keys)
{
    const std::size_t n = keys.size();
    std::vector<std::pair<std::string, std::uint32_t>> slot(n + 1);
    for (std::size_t i = 0; i < n; ++i)
        slot[i + 1] = {keys[i], static_cast<std::uint32_t>(i)};
    for (std::size_t j = 1; j + 1 <= n; ++j) {
        for (std::size_t m = j + 1; m <= n; ++m) {
            if (slot[j].first > slot[m].first)
                std::swap(slot[j], slot[m]);
        }
    }
    std::vector<std::uint32_t> order;
    for (std::size_t i = 1; i <= n; ++i)
        order.push_back(slot[i].second);
    return order;
}

std::vector<std::uint32_t> Fast(const std::vector<std::string>& keys)
{
    const std::vector<std::string_view> views(keys.begin(), keys.end());
    return replays::ExchangeSortOrder(views);
}

std::vector<std::string> Keys(std::initializer_list<const char*> keys)
{
    return {keys.begin(), keys.end()};
}

TEST(ExchangeOrder, SortsByBytesWithPrefixesFirst)
{
    const auto keys = Keys({"\x03", "\x01", "\x02"});
    EXPECT_EQ(Fast(keys), (std::vector<std::uint32_t>{1, 2, 0}));
    const std::vector<std::string> bytes{"\xff", "a", "", "ab", "\x80"};
    EXPECT_EQ(Fast(bytes), (std::vector<std::uint32_t>{2, 1, 3, 4, 0})); // unsigned: 0x80 after 'b'
}

TEST(ExchangeOrder, EqualKeysEndWhereTheExchangeSortLeavesThem)
{
    // B1, B2, A gives A, B2, B1; B1, A, B2 gives A, B1, B2.
    EXPECT_EQ(Fast(Keys({"B", "B", "A"})), (std::vector<std::uint32_t>{2, 1, 0}));
    EXPECT_EQ(Fast(Keys({"B", "A", "B"})), (std::vector<std::uint32_t>{1, 0, 2}));
    EXPECT_EQ(Fast(Keys({"A", "A", "A"})), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_TRUE(Fast({}).empty());
    EXPECT_EQ(Fast(Keys({"only"})), std::vector<std::uint32_t>{0});
}

// The contract: the very order of the plain exchange sort, on runs rich in equal keys.
TEST(ExchangeOrder, MatchesTheLiteralExchangeSortOnRandomRuns)
{
    std::mt19937 random(20240601);
    const std::vector<std::string> alphabet{"", "a", "b", "ab", "c", "\xff", "a\x01", "ba"};
    for (int round = 0; round < 4000; ++round) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(0, round < 3000 ? 24 : 160)(random);
        const std::size_t distinct = std::uniform_int_distribution<std::size_t>(1, alphabet.size())(random);
        std::uniform_int_distribution<std::size_t> pick(0, distinct - 1);
        std::vector<std::string> keys;
        for (std::size_t i = 0; i < n; ++i)
            keys.push_back(alphabet[pick(random)]);
        ASSERT_EQ(Fast(keys), LiteralExchangeSort(keys)) << "round " << round << ", n " << n;
    }
}

TEST(ExchangeOrder, MatchesTheLiteralExchangeSortOnShapedRuns)
{
    std::vector<std::vector<std::string>> runs;
    std::vector<std::string> descending, alternating, blocks, sawtooth;
    for (int i = 0; i < 300; ++i) {
        descending.push_back(std::string(1, static_cast<char>('z' - i % 26)) + std::to_string(1000 - i));
        alternating.push_back(i % 2 == 0 ? "b" : "a");
        blocks.push_back(std::string(1, static_cast<char>('a' + (i / 37) % 5)));
        sawtooth.push_back(std::string(1, static_cast<char>('a' + (299 - i) % 7)));
    }
    for (const auto& keys : {descending, alternating, blocks, sawtooth})
        EXPECT_EQ(Fast(keys), LiteralExchangeSort(keys));
}

} // namespace
