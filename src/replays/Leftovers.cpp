#include "replays/Leftovers.h"

#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Process.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <unordered_set>

namespace replays {

namespace {

constexpr std::string_view kLeftoverExtension = ".rep";
constexpr std::size_t kBootDigits = 8;
constexpr std::size_t kRandomDigits = 16;
constexpr std::string_view kProgram = "dupsweep"; // the command names of this program's processes
// A private folder is the running user's alone.
constexpr std::uint32_t kAsideMode = 0700;
constexpr std::uint32_t kOthersBits = 077;
// Private folder names tried before giving up (a name is taken only by chance, or by another
// user's folder swapped in between making and opening it).
constexpr int kAsideFolderTries = 16;

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

// Whether the process stamp in the name names no process running here. Only half of the answer:
// a process of another namespace is not "here" (see the lock).
bool StampEnded(const Aside& aside)
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

// kRandomDigits unpredictable hex digits, zero-terminated.
void Unpredictable(char (&digits)[kRandomDigits + 1])
{
    std::snprintf(digits, sizeof digits, "%016" PRIx64, files::UnpredictableBits());
}

std::string NewAsideFolderName()
{
    char digits[kRandomDigits + 1];
    Unpredictable(digits);
    return OwnPrefix() + digits;
}

// The name a leftover comes back under: the one recorded when a replay could have had it, else
// the visible form of the hidden name it was found under.
std::string VisibleName(std::string_view recorded, std::string_view hidden)
{
    if (!recorded.empty() && !files::IsHiddenName(recorded) && files::MatchesPattern(recorded, kReplayPattern))
        return std::string(recorded);
    auto stem = hidden.substr(std::min(hidden.find_first_not_of('.'), hidden.size()));
    if (files::MatchesPattern(stem, kReplayPattern))
        return std::string(stem);
    stem = stem.substr(0, std::min(stem.size(), NAME_MAX - kLeftoverExtension.size()));
    return std::string(stem) + std::string(kLeftoverExtension);
}

// One folder's leftovers on their way back, or to be reported.
class Recovery {
public:
    Recovery(const files::Folder& folder, const LeftoverHandling& how, std::vector<RestoredFile>& restored,
             std::vector<ReplayError>& errors)
        : FFolder(folder), FHow(how), FRestored(restored), FErrors(errors)
    {
    }

    ~Recovery()
    {
        if (FBeside == files::LockResult::Taken)
            files::Unlock(FFolder);
    }

    Recovery(const Recovery&) = delete;
    Recovery& operator=(const Recovery&) = delete;

    void Take(const std::string& hidden)
    {
        const auto aside = ParseAside(hidden);
        if (aside.kind == Aside::Kind::Folder)
            return TakeFolder(hidden, aside);
        if (aside.kind != Aside::Kind::None && BesideUnheld() && StampEnded(aside))
            TakeFile(hidden, aside);
    }

private:
    // Whether no run of this version holds names beside files here: asked once a folder, and the
    // lock kept while its leftovers are taken, so that no run gives a name meanwhile.
    bool BesideUnheld()
    {
        if (!FBesideAsked) {
            FBesideAsked = true;
            FBeside = files::TryLock(FFolder, files::LockKind::Exclusive);
        }
        return FBeside != files::LockResult::Busy;
    }

    // Everything in a private folder whose run has ended goes back beside it; the folder goes when
    // empty. Its lock is held meanwhile.
    void TakeFolder(const std::string& name, const Aside& owner)
    {
        int code = files::kNoError;
        const auto aside = files::Folder::OpenOwnIn(FFolder, name, code);
        if (!aside) {
            if (code != files::kRefused && code != files::kNotAFolder && code != files::kInvalidFilename
                && code != files::kFileNotFound) // a link, a file by that name, or gone: none of ours
                Unrecovered(files::JoinPath(FFolder.Path(), name), code);
            return;
        }
        if (files::TryLock(aside, files::LockKind::Exclusive) == files::LockResult::Busy || !StampEnded(owner))
            return;
        std::vector<std::string> names;
        if ((code = files::ReadAllNames(aside, names)) != files::kNoError)
            return Unrecovered(aside.Path(), code);
        for (const auto& entry : names)
            Bring(aside, entry, VisibleName(entry, name + "-" + entry));
        if (FHow.bringBack && FHow.foreignLink.empty())
            files::RemoveFolderIn(FFolder, name);
    }

    // A file moved aside in its own folder: back under the name it records, or, from an earlier
    // version that did not record it, under a visible name made of its hidden one.
    void TakeFile(const std::string& hidden, const Aside& aside)
    {
        files::FileStamp stamp;
        if (files::StampIn(FFolder, hidden, files::Links::Own, stamp) != files::kNoError
            || stamp.kind == files::FileKind::Other)
            return;
        Bring(FFolder, hidden, VisibleName(aside.name, hidden));
    }

    void Bring(const files::Folder& from, const std::string& entry, const std::string& name)
    {
        auto path = files::JoinPath(from.Path(), entry);
        if (!FHow.foreignLink.empty()) {
            auto message = "left by an interrupted removal; not brought back, for the way here passes "
                + std::string(FHow.foreignLink) + ", a link that belongs to another user";
            FErrors.push_back({std::move(path), files::kRefused, std::move(message)});
            return;
        }
        NameBuffer buffer;
        std::string_view given;
        if (!FHow.bringBack) {
            given = Predict(name, buffer);
            FRestored.push_back({files::JoinPath(FFolder.Path(), given), std::move(path), false});
            return;
        }
        if (const int code = PutBack(from, entry, FFolder, name, buffer, given); code != files::kNoError)
            return Unrecovered(std::move(path), code);
        FRestored.push_back({files::JoinPath(FFolder.Path(), given), std::move(path)});
    }

    // The name PutBack would give, with what this scan would have given before taken into account.
    std::string_view Predict(const std::string& name, NameBuffer& buffer)
    {
        std::string_view given = name;
        files::FileStamp stamp;
        for (unsigned n = 2; n < kMaxBesideTries
             && (FPredicted.contains(std::string(given))
                 || files::StampIn(FFolder, given, files::Links::Own, stamp) != files::kFileNotFound);
             ++n)
            given = BesideName(name, n, buffer);
        FPredicted.emplace(given);
        return given;
    }

    void Unrecovered(std::string path, int code)
    {
        auto message = "left by an interrupted removal, cannot be brought back: " + files::ErrorText(code);
        FErrors.push_back({std::move(path), code, std::move(message)});
    }

    const files::Folder& FFolder;
    const LeftoverHandling& FHow;
    std::vector<RestoredFile>& FRestored;
    std::vector<ReplayError>& FErrors;
    bool FBesideAsked = false;
    files::LockResult FBeside = files::LockResult::Unsupported;
    std::unordered_set<std::string> FPredicted; // names a scan that changes nothing would have given
};

} // namespace

files::Folder MakeAsideFolder(const files::Folder& parent, std::string& name, int& code)
{
    code = files::kNoError;
    for (int tries = 0; tries < kAsideFolderTries; ++tries) {
        name = NewAsideFolderName();
        if ((code = files::MakeFolderIn(parent, name, kAsideMode)) == files::kAlreadyExists)
            continue;
        if (code != files::kNoError)
            return {};
        files::Folder made;
        try {
            made = files::Folder::OpenOwnIn(parent, name, code);
        } catch (...) { // out of memory: the folder goes again
            files::RemoveFolderIn(parent, name);
            throw;
        }
        // Someone may have put another folder in its place between making and opening it.
        if (!made || made.Owner() != files::RunningUser() || (made.Mode() & kOthersBits) != 0)
            continue;
        // A scan may have taken it for a dead run's between making and locking it, and removed it.
        files::FileStamp standing;
        if (files::TryLock(made, files::LockKind::Exclusive) == files::LockResult::Busy
            || files::StampIn(parent, name, files::Links::Own, standing) != files::kNoError
            || standing.id != made.Id()) {
            files::RemoveFolderIn(parent, name);
            continue;
        }
        return made;
    }
    if (code == files::kNoError)
        code = files::kAccessDenied;
    return {};
}

bool MayPutAsideIn(const files::Folder& folder)
{
    return files::TryLock(folder, files::LockKind::Shared) != files::LockResult::Busy;
}

std::string_view AsideFileName(std::string_view name, NameBuffer& buffer)
{
    char digits[kRandomDigits + 1];
    Unpredictable(digits);
    const auto& prefix = OwnPrefix();
    if (prefix.size() + kRandomDigits + 1 + name.size() > NAME_MAX)
        return {};
    char* at = std::copy(prefix.begin(), prefix.end(), buffer.data());
    at = std::copy(digits, digits + kRandomDigits, at);
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

void RecoverLeftovers(const files::Folder& folder, const std::vector<std::string>& hidden, const LeftoverHandling& how,
                      std::vector<RestoredFile>& restored, std::vector<ReplayError>& errors)
{
    Recovery recovery(folder, how, restored, errors);
    for (const auto& name : hidden) {
        if (name.starts_with(kAsidePrefix))
            recovery.Take(name);
    }
}

} // namespace replays
