#pragma once
// The one check of UTF-8 that every lossless byte escape shares (the JSON of the command line, the
// text a widget shows of a path): a byte that does not begin a valid sequence stands for itself.

#include <cstddef>
#include <string_view>

namespace files {

// The length of the valid UTF-8 sequence that begins at bytes[at] (1 for ASCII), with the
// character it encodes in codePoint; 0 when none begins there: a stray continuation byte, a
// sequence cut short, an overlong form, an encoded surrogate or a value above U+10FFFF.
std::size_t Utf8Sequence(std::string_view bytes, std::size_t at, char32_t& codePoint);

} // namespace files
