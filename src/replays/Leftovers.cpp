#include "replays/Leftovers.h"

#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Process.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <random>

namespace replays {

namespace {

constexpr std::string_view kOldLeftoverExtension = ".rep";
constexpr std::size_t kBootDigits = 8;
constexpr std::string_view kProgram = "dupsweep"; // the command names of this program's processes

// What a hidden name beginning with kAsidePrefix is: a private folder, a file moved aside in its
// own folder (with the name it had), a file an earlier version moved aside, or none of these.
struct Aside {
    enum class Kind { None, Folder, File, Old } kind = Kind::None;
    files::ProcessStamp owner;
    std::string_view name; // for File, the name it had
};

template <class Number>
bool Parse(std::string_view text, Number& value, int base = 10)
{
    const auto end = text.data() + text.size();
    return !text.empty() && std::from_chars(text.data(), end, value, base).ptr == end;
}

bool IsHex(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

Aside ParseAside(std::string_view hidden)
{
    // Up to four fields, each up to a "-"; what follows the fourth is the file's name.
    std::string_view fields[4];
    std::size_t count = 0, pos = kAsidePrefix.size();
    bool rest = false;
    while (count < 4) {
        const auto dash = hidden.find('-', pos);
        fields[count++] = hidden.substr(pos, dash == std::string_view::npos ? std::string_view::npos : dash - pos);
        if (dash == std::string_view::npos)
            break;
        pos = dash + 1;
        rest = count == 4;
    }
    Aside aside;
    std::uint64_t number = 0;
    if (count == 4 && fields[0].size() == kBootDigits && IsHex(fields[0]) && Parse(fields[1], aside.owner.pid)
        && Parse(fields[2], aside.owner.started) && IsHex(fields[3])) {
        aside.owner.boot = fields[0];
        aside.kind = rest ? Aside::Kind::File : Aside::Kind::Folder;
        aside.name = rest ? hidden.substr(pos) : std::string_view();
        if (rest && aside.name.empty())
            aside.kind = Aside::Kind::None;
    } else if (count == 3 && Parse(fields[0], aside.owner.pid) && Parse(fields[1], number) && Parse(fields[2], number)) {
        aside.kind = Aside::Kind::Old;
    }
    return aside;
}

// Whether the process that moved a file aside under this name has ended.
bool OwnerEnded(const Aside& aside)
{
    switch (aside.kind) {
    case Aside::Kind::Folder:
    case Aside::Kind::File:
        return files::StateOf(aside.owner) == files::ProcessState::Gone;
    case Aside::Kind::Old:
        return files::StateOfProgram(aside.owner.pid, kProgram) == files::ProcessState::Gone;
    case Aside::Kind::None:
        break;
    }
    return false;
}

// This process's part of every name it moves something aside under.
const std::string& OwnPrefix()
{
    static const std::string prefix = [] {
        const auto& self = files::ThisProcess();
        return std::string(kAsidePrefix) + (self.boot.empty() ? std::string(kBootDigits, '0') : self.boot) + "-"
            + std::to_string(self.pid) + "-" + std::to_string(self.started) + "-";
    }();
    return prefix;
}

// Sixteen unpredictable hex digits.
void Unpredictable(char (&digits)[17])
{
    thread_local std::random_device random;
    std::snprintf(digits, sizeof digits, "%08x%08x", random(), random());
}

void Recovered(const files::Folder& folder, std::string_view given, std::string from,
               std::vector<RestoredFile>& restored)
{
    restored.push_back({files::JoinPath(folder.Path(), given), std::move(from)});
}

void Unrecovered(std::string path, int code, std::vector<ReplayError>& errors)
{
    auto message = "left by an interrupted removal, cannot be brought back: " + files::ErrorText(code);
    errors.push_back({std::move(path), code, std::move(message)});
}

// Everything in a private folder goes back beside it; the folder goes when empty.
void RecoverFolder(const files::Folder& folder, const std::string& name, std::vector<RestoredFile>& restored,
                   std::vector<ReplayError>& errors)
{
    int code = files::kNoError;
    const auto aside = files::Folder::OpenOwnIn(folder, name, code);
    if (!aside) {
        if (code != files::kRefused && code != files::kNotAFolder && code != files::kInvalidFilename
            && code != files::kFileNotFound) // a link, a file by that name, or gone: none of ours
            Unrecovered(files::JoinPath(folder.Path(), name), code, errors);
        return;
    }
    std::vector<std::string> names;
    if ((code = files::ReadAllNames(aside, names)) != files::kNoError)
        return Unrecovered(aside.Path(), code, errors);
    NameBuffer buffer;
    for (const auto& entry : names) {
        std::string_view given;
        if ((code = PutBack(aside, entry, folder, entry, buffer, given)) != files::kNoError)
            Unrecovered(files::JoinPath(aside.Path(), entry), code, errors);
        else
            Recovered(folder, given, files::JoinPath(aside.Path(), entry), restored);
    }
    files::RemoveFolderIn(folder, name);
}

// A file moved aside in its own folder: back under the name it records, or, from an earlier
// version that did not record it, under a visible name made of its hidden one.
void RecoverFile(const files::Folder& folder, const std::string& hidden, std::string_view name,
                 std::vector<RestoredFile>& restored, std::vector<ReplayError>& errors)
{
    files::FileStamp stamp;
    if (files::StampIn(folder, hidden, files::Links::Own, stamp) != files::kNoError || stamp.kind == files::FileKind::Other)
        return;
    const auto visible = name.empty() ? hidden.substr(1) + std::string(kOldLeftoverExtension) : std::string(name);
    NameBuffer buffer;
    std::string_view given;
    if (const int code = PutBack(folder, hidden, folder, visible, buffer, given); code != files::kNoError)
        Unrecovered(files::JoinPath(folder.Path(), hidden), code, errors);
    else
        Recovered(folder, given, files::JoinPath(folder.Path(), hidden), restored);
}

} // namespace

std::string NewAsideFolderName()
{
    char digits[17];
    Unpredictable(digits);
    return OwnPrefix() + digits;
}

std::string_view AsideFileName(std::string_view name, NameBuffer& buffer)
{
    char digits[17];
    Unpredictable(digits);
    const auto& prefix = OwnPrefix();
    if (prefix.size() + 16 + 1 + name.size() > NAME_MAX)
        return {};
    char* at = std::copy(prefix.begin(), prefix.end(), buffer.data());
    at = std::copy(digits, digits + 16, at);
    *at++ = '-';
    at = std::copy(name.begin(), name.end(), at);
    return {buffer.data(), static_cast<std::size_t>(at - buffer.data())};
}

std::string_view BesideName(std::string_view name, unsigned n, NameBuffer& buffer)
{
    const auto dot = name.rfind('.');
    auto stem = dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
    const auto extension = name.substr(stem.size());
    char number[16];
    const int numberLength = std::snprintf(number, sizeof number, " (%u)", n);
    const std::size_t tail = static_cast<std::size_t>(numberLength) + extension.size();
    stem = stem.substr(0, NAME_MAX > tail ? std::min(stem.size(), NAME_MAX - tail) : 0);
    char* at = std::copy(stem.begin(), stem.end(), buffer.data());
    at = std::copy(number, number + numberLength, at);
    at = std::copy(extension.begin(), extension.end(), at);
    return {buffer.data(), static_cast<std::size_t>(at - buffer.data())};
}

int PutBack(const files::Folder& fromFolder, std::string_view from, const files::Folder& folder, std::string_view name,
            NameBuffer& buffer, std::string_view& given)
{
    given = name;
    int code = files::RenameBetween(fromFolder, from, folder, name);
    for (unsigned n = 2; code == files::kAlreadyExists && n < kMaxBesideTries; ++n) {
        given = BesideName(name, n, buffer);
        code = files::RenameBetween(fromFolder, from, folder, given);
    }
    return code;
}

void RecoverLeftovers(const files::Folder& folder, const std::vector<std::string>& hidden,
                      std::vector<RestoredFile>& restored, std::vector<ReplayError>& errors)
{
    for (const auto& name : hidden) {
        if (!name.starts_with(kAsidePrefix))
            continue;
        const auto aside = ParseAside(name);
        if (!OwnerEnded(aside))
            continue;
        if (aside.kind == Aside::Kind::Folder)
            RecoverFolder(folder, name, restored, errors);
        else
            RecoverFile(folder, name, aside.name, restored, errors);
    }
}

} // namespace replays
