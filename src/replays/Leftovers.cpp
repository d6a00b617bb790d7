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

// The fields of a private name after the prefix, split at "-".
std::vector<std::string_view> Fields(std::string_view name)
{
    std::vector<std::string_view> fields;
    name.remove_prefix(kAsidePrefix.size());
    for (std::size_t pos = 0;;) {
        const auto dash = name.find('-', pos);
        fields.push_back(name.substr(pos, dash == std::string_view::npos ? std::string_view::npos : dash - pos));
        if (dash == std::string_view::npos)
            return fields;
        pos = dash + 1;
    }
}

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

// Whether the process that made a private folder or file by this name has ended; false too when
// the name is none of this program's.
bool OwnerEnded(std::string_view name, bool& folderName)
{
    const auto fields = Fields(name);
    files::ProcessStamp owner;
    std::uint64_t number = 0;
    if (fields.size() == 4 && fields[0].size() == kBootDigits && IsHex(fields[0]) && Parse(fields[1], owner.pid)
        && Parse(fields[2], owner.started) && IsHex(fields[3])) {
        folderName = true;
        owner.boot = fields[0];
        return files::StateOf(owner) == files::ProcessState::Gone;
    }
    if (fields.size() == 3 && Parse(fields[0], owner.pid) && Parse(fields[1], number) && Parse(fields[2], number)) {
        folderName = false;
        return files::StateOfProgram(owner.pid, kProgram) == files::ProcessState::Gone;
    }
    return false;
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

// A file an earlier version left aside, without its name.
void RecoverOldFile(const files::Folder& folder, const std::string& name, std::vector<RestoredFile>& restored,
                    std::vector<ReplayError>& errors)
{
    files::FileStamp stamp;
    if (files::StampIn(folder, name, files::Links::Own, stamp) != files::kNoError || stamp.kind == files::FileKind::Other)
        return;
    const auto visible = name.substr(1) + std::string(kOldLeftoverExtension);
    NameBuffer buffer;
    std::string_view given;
    if (const int code = PutBack(folder, name, folder, visible, buffer, given); code != files::kNoError)
        Unrecovered(files::JoinPath(folder.Path(), name), code, errors);
    else
        Recovered(folder, given, files::JoinPath(folder.Path(), name), restored);
}

} // namespace

std::string NewAsideFolderName()
{
    const auto& self = files::ThisProcess();
    std::random_device random;
    char unpredictable[17];
    std::snprintf(unpredictable, sizeof unpredictable, "%08x%08x", random(), random());
    return std::string(kAsidePrefix) + (self.boot.empty() ? std::string(kBootDigits, '0') : self.boot) + "-"
        + std::to_string(self.pid) + "-" + std::to_string(self.started) + "-" + unpredictable;
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
        bool folderName = false;
        if (!name.starts_with(kAsidePrefix) || !OwnerEnded(name, folderName))
            continue;
        if (folderName)
            RecoverFolder(folder, name, restored, errors);
        else
            RecoverOldFile(folder, name, restored, errors);
    }
}

} // namespace replays
