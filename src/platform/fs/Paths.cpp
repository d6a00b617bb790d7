#include "platform/fs/Paths.h"

#include <vector>

namespace files {

namespace {

constexpr unsigned char FoldCase(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

} // namespace

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (path.empty() || path.back() != kSeparator)
        path.push_back(kSeparator);
    path.append(name);
    return path;
}

std::string_view FileNamePart(std::string_view path)
{
    const auto slash = path.rfind(kSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string NormalizePath(std::string_view absolute)
{
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos < absolute.size()) {
        auto end = absolute.find(kSeparator, pos);
        if (end == std::string_view::npos)
            end = absolute.size();
        const auto part = absolute.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    if (parts.empty())
        return std::string(1, kSeparator);
    std::string result;
    for (const auto part : parts) {
        result.push_back(kSeparator);
        result.append(part);
    }
    return result;
}

std::string ResolvePath(std::string_view base, std::string_view text)
{
    if (!text.empty() && text.front() == kSeparator)
        return NormalizePath(text);
    return NormalizePath(JoinPath(base, text));
}

std::string ParentPath(std::string_view absolute)
{
    return NormalizePath(JoinPath(absolute, ".."));
}

bool IsHiddenName(std::string_view name)
{
    return !name.empty() && name.front() == '.';
}

bool MatchesPattern(std::string_view name, std::string_view pattern)
{
    // Greedy matching with one backtrack point: the last '*' seen.
    std::size_t n = 0, p = 0;
    std::size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size()
                   && (pattern[p] == '?'
                       || FoldCase(static_cast<unsigned char>(pattern[p]))
                           == FoldCase(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int CompareNames(std::string_view a, std::string_view b)
{
    const auto common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = FoldCase(static_cast<unsigned char>(a[i]));
        const auto cb = FoldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace files
