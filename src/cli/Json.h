#pragma once
// The little JSON the command line writes: strings and lower-case hex.

#include <string>
#include <string_view>

namespace cli {

// Appends bytes as a JSON string literal. Valid UTF-8 passes through unchanged; each byte that
// is not part of valid UTF-8 becomes \udcXX (U+DC00 + the byte), the escape Python's
// "surrogateescape" error handler reads back as that very byte, so no path is lost.
void AppendJsonString(std::string& out, std::string_view bytes);

void AppendHex(std::string& out, std::string_view bytes);

} // namespace cli
