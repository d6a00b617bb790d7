#pragma once
// The one error box that lists what a scan could not read or a removal did not delete.

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

namespace app {

struct Problem {
    std::string path; // bytes on disk
    std::string text; // why, UTF-8
};

// The box lists this many problems; the rest are counted.
inline constexpr std::size_t kProblemsListed = 20;
// Longer paths are shortened in the middle.
inline constexpr qsizetype kPathShown = 160;

// heading + ": " + count, then "path: text" per problem, as many as kProblemsListed, then how
// many more there are.
QString ProblemList(const QString& heading, const std::vector<Problem>& problems);

} // namespace app
