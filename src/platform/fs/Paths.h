#pragma once
// Path texts as byte strings: joining, naming, lexical resolution, the search pattern and the
// order in which a folder's entries are delivered. Pure text work; nothing here touches the disk.

#include <cstddef>
#include <string>
#include <string_view>

namespace files {

inline constexpr char kSeparator = '/';

// The longest path the system's path calls accept (PATH_MAX less its terminating zero).
inline constexpr std::size_t kMaxPathLength = 4095;

// folder + "/" + name; no second separator when the folder already ends in one.
std::string JoinPath(std::string_view folder, std::string_view name);

// Everything after the last separator.
std::string_view FileNamePart(std::string_view path);

// An absolute path with "." and ".." resolved lexically, repeated separators folded and no
// trailing separator except on the root. ".." above the root stays at the root.
std::string NormalizePath(std::string_view absolute);

// Text as the user typed it, absolute or relative to base (itself absolute), normalised.
std::string ResolvePath(std::string_view base, std::string_view text);

// The lexical parent of a normalised absolute path; the root is its own parent.
std::string ParentPath(std::string_view absolute);

// Hidden entries are those whose name begins with ".".
bool IsHiddenName(std::string_view name);

// Wildcard match of a whole name: '*' any run of bytes, '?' one byte, ASCII letters in any case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The order a folder search delivers names in: ASCII letters folded to upper case, ties by raw
// bytes. Negative, zero or positive like strcmp.
int CompareNames(std::string_view a, std::string_view b);

} // namespace files
