#include "replays/Fingerprint.h"

#include <cstring>

namespace replays {

std::string_view FingerprintOf(const unsigned char* record)
{
    const std::size_t length = record[0];
    const auto* text = record + 1;
    const auto* zero = static_cast<const unsigned char*>(std::memchr(text, 0, length));
    const std::size_t cut = zero != nullptr ? static_cast<std::size_t>(zero - text) : length;
    return {reinterpret_cast<const char*>(text), cut};
}

} // namespace replays
