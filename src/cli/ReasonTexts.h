#pragma once
// Why a file that matched its neighbour was kept, in the command line's words.

#include "replays/Removal.h"

#include <string>

namespace cli {

std::string KeptReason(const replays::NotDeleted& kept);

} // namespace cli
