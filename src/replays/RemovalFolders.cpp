#include "replays/RemovalFolders.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"

#include <cstring>

namespace replays {

namespace {

constexpr std::uint32_t kOthersWriteBits = 022;
// A private folder's name is about 60 bytes long; room for it in a report's path.
constexpr std::size_t kPrivateFolderNameRoom = 80;

bool IsWithin(std::string_view path, std::string_view top)
{
    return path == top
        || (path.starts_with(top) && path.size() > top.size() && (top.back() == files::kSeparator || path[top.size()] == files::kSeparator));
}

bool OthersCannotWrite(const files::Folder& folder)
{
    return folder.Owner() == files::RunningUser() && (folder.Mode() & kOthersWriteBits) == 0;
}

} // namespace

OpenFolder::OpenFolder(files::Folder folder) : FFolder(std::move(folder)), FOwnOnly(OthersCannotWrite(FFolder)) {}

OpenFolder::~OpenFolder()
{
    if (FPrivate)
        files::RemoveFolderIn(FFolder, FPrivateName); // then its lock goes with it
}

const files::Folder* OpenFolder::Aside(std::string_view name, NameBuffer& buffer, std::string_view& entry, int& code)
{
    code = files::kNoError;
    if (!FBeside)
        FBeside = FOwnOnly && MayPutAsideIn(FFolder);
    if (*FBeside && !(entry = AsideFileName(name, buffer)).empty())
        return &FFolder;
    entry = name;
    if (!FPrivate)
        FPrivate = MakeAsideFolder(FFolder, FPrivateName, code);
    return FPrivate ? &FPrivate : nullptr;
}

int OpenFolder::MayChangeEntries()
{
    if (!FMayChange)
        FMayChange = files::MayChangeEntriesOf(FFolder);
    return *FMayChange;
}

void OpenFolder::AppendAside(const files::Folder& aside, std::string_view entry, std::string& path) const
{
    if (&aside != &FFolder) {
        path += FPrivateName;
        path += files::kSeparator;
    }
    path += entry;
}

std::size_t OpenFolder::AsideRoom() const
{
    return kPrivateFolderNameRoom + 2 * NAME_MAX + 2;
}

std::shared_ptr<OpenFolder> Folders::Get(std::string_view path, int& code)
{
    code = files::kNoError;
    if (const auto found = FIndex.find(path); found != FIndex.end()) {
        FUsed.splice(FUsed.begin(), FUsed, found->second);
        return FUsed.front().folder;
    }
    auto folder = Open(path, code);
    if (!folder && code == files::kTooManyOpenFiles && !FUsed.empty()) {
        Shrink(FUsed.size() / 2); // the process needs descriptors elsewhere: give some back
        folder = Open(path, code);
    }
    if (!folder)
        return nullptr;
    if (files::FileId walked; FCatalogue.FolderIdentity(path, walked) && walked != folder.Id())
        return nullptr;
    Shrink(FCapacity - 1);
    FUsed.push_front({std::string(path), std::make_shared<OpenFolder>(std::move(folder))});
    FIndex.emplace(FUsed.front().path, FUsed.begin());
    return FUsed.front().folder;
}

// Below the scan's folder, from its handle: an exchange of any folder on the way since the
// scan, the scanned one included, leads nowhere else.
files::Folder Folders::Open(std::string_view path, int& code) const
{
    const auto& top = FCatalogue.Top();
    if (!top || !IsWithin(path, top->Path()))
        return files::Folder::Open(std::string(path), code);
    const auto below = path.size() == top->Path().size() ? std::string_view(".")
                                                          : path.substr(top->Path().size() + (top->Path().size() > 1));
    return files::Folder::OpenIn(*top, below, code);
}

void Folders::Shrink(std::size_t size)
{
    while (FUsed.size() > size) {
        FIndex.erase(FUsed.back().path);
        FUsed.pop_back();
    }
}

bool GoneNames::Absent(const files::FileId& folder, std::string_view name) const
{
    KeyBuffer buffer;
    return !FNames.empty() && FNames.contains(Key(folder, name, buffer));
}

void GoneNames::Add(const files::FileId& folder, std::string_view name)
{
    KeyBuffer buffer;
    FNames.emplace(Key(folder, name, buffer));
}

std::string_view GoneNames::Key(const files::FileId& folder, std::string_view name, KeyBuffer& buffer)
{
    std::memcpy(buffer.data(), &folder, sizeof folder);
    const auto length = std::min(name.size(), std::size_t{NAME_MAX});
    std::memcpy(buffer.data() + sizeof folder, name.data(), length);
    return {buffer.data(), sizeof folder + length};
}

const files::Trash* Trashes::For(const files::Folder& folder, int& code)
{
    auto [at, added] = FTrashes.try_emplace(folder.Id().device);
    if (added)
        at->second.trash = files::Trash::For(folder, at->second.code);
    code = at->second.code;
    return at->second.trash ? &at->second.trash : nullptr;
}

int Trashes::Available(const files::Folder& folder)
{
    auto [at, added] = FAvailable.try_emplace(folder.Id().device, files::kNoError);
    if (added)
        at->second = files::Trash::Available(folder);
    return at->second;
}

} // namespace replays
