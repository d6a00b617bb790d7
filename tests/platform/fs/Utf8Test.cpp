#include "platform/fs/Utf8.h"

#include <gtest/gtest.h>
#include <string_view>

namespace {

// Each row: bytes, where to look, the length of the valid sequence there (0: none) and, when
// there is one, the character.
TEST(Utf8, ValidSequencesAreDecodedAndEveryInvalidFormIsRefused)
{
    struct Row {
        std::string_view bytes;
        std::size_t at;
        std::size_t length;
        char32_t codePoint;
    };
    const Row rows[] = {
        {"a", 0, 1, U'a'},
        {std::string_view("\0", 1), 0, 1, 0},
        {"\xc2\x80", 0, 2, 0x80}, // the least of each length
        {"\xe0\xa0\x80", 0, 3, 0x800},
        {"\xf0\x90\x80\x80", 0, 4, 0x10000},
        {"\xdf\xbf", 0, 2, 0x7FF}, // the most of each length
        {"\xef\xbf\xbf", 0, 3, 0xFFFF},
        {"\xf4\x8f\xbf\xbf", 0, 4, 0x10FFFF},
        {"x\xd0\x96y", 1, 2, U'Ж'},
        {"\xed\x9f\xbf", 0, 3, 0xD7FF}, // just below the surrogates
        {"\x80", 0, 0, 0}, // a stray continuation byte
        {"\xc0\x80", 0, 0, 0}, // overlong
        {"\xc1\xbf", 0, 0, 0},
        {"\xe0\x9f\xbf", 0, 0, 0},
        {"\xf0\x8f\xbf\xbf", 0, 0, 0},
        {"\xed\xa0\x80", 0, 0, 0}, // an encoded surrogate
        {"\xed\xbf\xbf", 0, 0, 0},
        {"\xf4\x90\x80\x80", 0, 0, 0}, // above U+10FFFF
        {"\xf8\x88\x80\x80\x80", 0, 0, 0}, // five bytes
        {"\xe2\x82", 0, 0, 0}, // cut short by the end
        {"\xe2\x82x", 0, 0, 0}, // cut short by another byte
        {"\xd0\xd0\x96", 0, 0, 0},
    };
    for (const auto& row : rows) {
        char32_t codePoint = 0xFFFFFFFF;
        const auto length = files::Utf8Sequence(row.bytes, row.at, codePoint);
        EXPECT_EQ(length, row.length) << testing::PrintToString(row.bytes);
        if (row.length != 0) {
            EXPECT_EQ(codePoint, row.codePoint) << testing::PrintToString(row.bytes);
        }
    }
}

} // namespace
