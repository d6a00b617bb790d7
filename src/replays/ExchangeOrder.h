#pragma once
// The order in which the removal's exchange sort leaves a run of replays.
//
// The sort is fixed: for j = 1..n-1, for m = j+1..n, exchange slots j and m when key j is
// greater than key m (keys compared byte by byte as unsigned values, a proper prefix first).
// Keys end sorted; which of several equal keys ends first is that sort's own and decides
// which copy of a duplicate survives. ExchangeSortOrder computes exactly that order in
// O(n log n) instead of the sort's O(n^2).

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace replays {

// result[slot] = index into keys of the key the exchange sort leaves in that slot.
std::vector<std::uint32_t> ExchangeSortOrder(std::span<const std::string_view> keys);

} // namespace replays
