#include "platform/shellns/Folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCollator>
#include <QLocale>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/shellns/Allocator.h"
#include "platform/shellns/ContextMenuInternal.h"
#include "platform/shellns/FoldersInternal.h"
#include "platform/shellns/Places.h"
#include "platform/shellns/Texts.h"
#include "platform/shellns/Wide.h"

namespace shellns {
namespace detail {

bool DecodeItem(std::string_view data, Item* out)
{
    if (data.size() < 2)
        return false;
    const auto flags = static_cast<std::uint8_t>(data[1]);
    Item item;
    item.kind = static_cast<ItemKind>(data[0]);
    switch (item.kind) {
    case ItemKind::Place:
        if (data.size() != 2 || flags >= kPlaceCount)
            return false;
        item.place = static_cast<Place>(flags);
        break;
    case ItemKind::Volume:
    case ItemKind::Entry:
        item.text = data.substr(kItemHeaderSize);
        if (item.text.empty() || item.text.find('\0') != std::string_view::npos)
            return false;
        item.folder = (flags & kItemFolderFlag) != 0 || item.kind == ItemKind::Volume;
        item.removable = (flags & kItemRemovableFlag) != 0;
        break;
    default:
        return false;
    }
    *out = item;
    return true;
}

std::string EncodePlace(Place place)
{
    return {static_cast<char>(ItemKind::Place), static_cast<char>(place)};
}

std::string EncodeVolume(std::string_view mountPath, bool removable)
{
    std::string data{static_cast<char>(ItemKind::Volume), static_cast<char>(removable ? kItemRemovableFlag : 0)};
    return data.append(mountPath);
}

std::string EncodeEntry(std::string_view name, bool folder)
{
    std::string data{static_cast<char>(ItemKind::Entry), static_cast<char>(folder ? kItemFolderFlag : 0)};
    return data.append(name);
}

std::shared_ptr<const Places> CurrentPlaces()
{
    // Everything the places depend on; a change of any of them rereads them.
    struct Key {
        std::string home, dataHome, configHome, desktopEnv;
        timespec dirsTime{};
        off_t dirsSize = -1;
        bool operator==(const Key& o) const
        {
            return home == o.home && dataHome == o.dataHome && configHome == o.configHome
                && desktopEnv == o.desktopEnv && dirsTime.tv_sec == o.dirsTime.tv_sec
                && dirsTime.tv_nsec == o.dirsTime.tv_nsec && dirsSize == o.dirsSize;
        }
    };
    static std::mutex lock;
    static std::optional<Key> cachedKey;
    static std::shared_ptr<const Places> cached;

    Key key{HomeDir(), DataHome(), ConfigHome(), {}};
    if (const char* env = std::getenv("XDG_DESKTOP_DIR"))
        key.desktopEnv = env;
    struct stat st;
    if (::stat(JoinPath(key.configHome, "user-dirs.dirs").c_str(), &st) == 0)
        key.dirsTime = st.st_mtim, key.dirsSize = st.st_size;

    std::lock_guard guard(lock);
    // The desktop falls back to home while its folder is missing, so its existence counts too.
    static std::optional<std::string> desktopCandidate;
    static bool desktopExisted = false;
    if (!cachedKey || !(*cachedKey == key) || (desktopCandidate && IsDirectory(*desktopCandidate) != desktopExisted)) {
        desktopCandidate = UserDir("DESKTOP");
        desktopExisted = desktopCandidate && IsDirectory(*desktopCandidate);
        cached = std::make_shared<const Places>(Places{key.home, desktopExisted ? *desktopCandidate : key.home,
                                                       TrashFilesDir()});
        cachedKey = key;
    }
    return cached;
}

Node DesktopNode(const Places& places)
{
    Node node;
    node.kind = NodeKind::Desktop;
    node.path = places.desktop;
    return node;
}

bool ChildNode(const Node& parent, const Item& item, const Places& places, Node* out)
{
    Node node;
    switch (item.kind) {
    case ItemKind::Place:
        if (parent.kind != NodeKind::Desktop)
            return false;
        switch (item.place) {
        case Place::Home:
            node.kind = NodeKind::Home, node.path = places.home;
            break;
        case Place::Computer:
            node.kind = NodeKind::Computer;
            break;
        case Place::Trash:
            node.kind = NodeKind::Trash, node.path = places.trashFiles;
            break;
        }
        break;
    case ItemKind::Volume:
        if (parent.kind != NodeKind::Computer || item.text[0] != '/')
            return false;
        node.kind = NodeKind::Volume;
        node.path = std::string(item.text);
        node.name = VolumeName(item.text);
        node.removable = item.removable;
        break;
    case ItemKind::Entry:
        if (parent.kind == NodeKind::Computer || !parent.folder || item.text.find('/') != std::string_view::npos
            || item.text == "." || item.text == "..")
            return false;
        node.kind = NodeKind::Entry;
        node.path = JoinPath(parent.path, item.text);
        node.name = std::string(item.text);
        node.folder = item.folder;
        node.inTrash = parent.kind == NodeKind::Trash || parent.inTrash;
        break;
    }
    *out = std::move(node);
    return true;
}

bool ResolveList(const Node& base, PCItemIdList list, const Places& places, Node* out)
{
    Node node = base;
    for (const std::string_view data : SplitIdList(list)) {
        Item item;
        Node child;
        if (!DecodeItem(data, &item) || !ChildNode(node, item, places, &child))
            return false;
        node = std::move(child);
    }
    *out = std::move(node);
    return true;
}

} // namespace detail

namespace {

using namespace detail;

// Class-id paths of the places that are no folder on disk.
constexpr std::string_view kComputerClassPath = "::{6D1C8A0E-4B63-4F0C-9A52-2E8C0F3B7A11}";
constexpr std::string_view kTrashClassPath = "::{B3A5F1C2-7E94-4D2A-8C61-5F0E9D4A2B37}";
constexpr std::string_view kClassPathPrefix = "::{";
constexpr std::size_t kMaxNameBytes = 255;

struct Collator {
    QCollator collator;
    // The C locale compares plain code points in Qt; file managers still sort naturally there.
    Collator() : collator(QLocale::system().language() == QLocale::C ? QLocale(QLocale::English) : QLocale::system())
    {
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
    }
};

// A file manager's order of two names: natural (numbers by value), case-insensitive, then by bytes.
int CompareNames(std::string_view a, std::string_view b)
{
    thread_local Collator sorter; // a collator must not be shared between threads
    const int byCollation = sorter.collator.compare(PathToText(a), PathToText(b));
    if (byCollation != 0)
        return byCollation < 0 ? -1 : 1;
    const int byBytes = a.compare(b);
    return byBytes == 0 ? 0 : (byBytes < 0 ? -1 : 1);
}

int KindRank(const Item& item)
{
    switch (item.kind) {
    case ItemKind::Place: return static_cast<int>(item.place);
    case ItemKind::Volume: return kPlaceCount;
    case ItemKind::Entry: return item.folder ? kPlaceCount + 1 : kPlaceCount + 2;
    }
    return kPlaceCount + 3;
}

int CompareItems(std::string_view a, std::string_view b)
{
    Item x, y;
    const bool okX = DecodeItem(a, &x), okY = DecodeItem(b, &y);
    if (!okX || !okY) // undecodable items sort last, by their bytes
        return okX != okY ? (okX ? -1 : 1) : (a < b ? -1 : (a == b ? 0 : 1));
    const int rankX = KindRank(x), rankY = KindRank(y);
    if (rankX != rankY)
        return rankX < rankY ? -1 : 1;
    if (x.kind == ItemKind::Place)
        return 0;
    if (x.kind == ItemKind::Volume && (x.text == "/" || y.text == "/"))
        return x.text == y.text ? 0 : (x.text == "/" ? -1 : 1);
    const int byName = CompareNames(x.kind == ItemKind::Volume ? VolumeName(x.text) : std::string(x.text),
                                    y.kind == ItemKind::Volume ? VolumeName(y.text) : std::string(y.text));
    return byName != 0 ? byName : CompareNames(x.text, y.text);
}

bool WritableByAnyone(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

// A directory's link count is 2 plus its sub-directories on the common file systems; above 2
// it has one without reading it. Links to folders count too, so at 2 (or on file systems that
// count differently) the folder is read.
constexpr nlink_t kLinksOfALeafDirectory = 2;

bool HasSubFolder(const std::string& path, nlink_t links)
{
    if (links > kLinksOfALeafDirectory)
        return true;
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (!found) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (entry->d_type == DT_DIR)
            found = true;
        else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            found = IsDirectory(JoinPath(path, entry->d_name));
    }
    ::closedir(dir);
    return found;
}

bool HasSubFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && HasSubFolder(path, st.st_nlink);
}

std::uint32_t EntryAttributes(const Node& node, std::uint32_t mask)
{
    struct stat link;
    if (::lstat(node.path.c_str(), &link) != 0)
        return 0; // gone since it was listed
    struct stat target = link;
    const bool isLink = S_ISLNK(link.st_mode);
    if (isLink && ::stat(node.path.c_str(), &target) != 0)
        target = link; // dangling: judged as the link itself
    const bool folder = S_ISDIR(target.st_mode);
    std::uint32_t attrs = kAttrCanCopy | kAttrCanLink | kAttrFileSystem;
    if ((mask & (kAttrCanRename | kAttrCanDelete | kAttrCanMove)) && !node.inTrash)
        if (WritableByAnyone(ParentPath(node.path)))
            attrs |= kAttrCanRename | kAttrCanDelete | kAttrCanMove;
    if (isLink)
        attrs |= kAttrLink;
    if ((target.st_mode & 0222) == 0)
        attrs |= kAttrReadOnly;
    if (!node.name.empty() && node.name[0] == '.')
        attrs |= kAttrGhosted;
    if (folder) {
        attrs |= kAttrFolder | kAttrFileSysAncestor;
        if ((mask & kAttrDropTarget) && WritableByAnyone(node.path))
            attrs |= kAttrDropTarget;
        if ((mask & kAttrHasSubfolder) && HasSubFolder(node.path, target.st_nlink))
            attrs |= kAttrHasSubfolder;
    }
    return attrs;
}

std::uint32_t NodeAttributes(const Node& node, std::uint32_t mask)
{
    std::uint32_t attrs = 0;
    switch (node.kind) {
    case NodeKind::Entry:
        return EntryAttributes(node, mask);
    case NodeKind::Desktop:
    case NodeKind::Home:
        attrs = kAttrFolder | kAttrFileSystem | kAttrFileSysAncestor | kAttrDropTarget | kAttrCanLink;
        break;
    case NodeKind::Computer:
        return kAttrFolder | kAttrHasSubfolder | kAttrFileSysAncestor;
    case NodeKind::Trash:
        attrs = kAttrFolder | kAttrDropTarget;
        break;
    case NodeKind::Volume:
        attrs = kAttrFolder | kAttrFileSystem | kAttrFileSysAncestor | kAttrCanLink;
        if (node.removable)
            attrs |= kAttrRemovable;
        if ((mask & kAttrDropTarget) && WritableByAnyone(node.path))
            attrs |= kAttrDropTarget;
        break;
    }
    if ((mask & kAttrHasSubfolder) && HasSubFolder(node.path))
        attrs |= kAttrHasSubfolder;
    return attrs;
}

bool IsNameForParsing(std::uint32_t flags)
{
    return (flags & kNameForParsing) != 0;
}

// The name of node under the flags, and whether it is a place's name (given as a wide string).
std::string NodeName(const Node& node, std::uint32_t flags, bool* placeName)
{
    const bool parsing = IsNameForParsing(flags);
    const bool fullPath = parsing && (flags & kNameInFolder) == 0;
    *placeName = false;
    switch (node.kind) {
    case NodeKind::Desktop:
        *placeName = !parsing;
        return parsing ? node.path : LocalText(Word::Desktop);
    case NodeKind::Home:
        *placeName = !parsing;
        return parsing ? node.path : LocalText(Word::Home);
    case NodeKind::Computer:
        *placeName = true;
        return parsing ? std::string(kComputerClassPath) : LocalText(Word::Computer);
    case NodeKind::Trash:
        *placeName = true;
        return parsing ? std::string(kTrashClassPath) : LocalText(Word::Trash);
    case NodeKind::Volume:
        return parsing ? JoinPath(node.path, "") : node.name; // a volume's root ends in its separator
    case NodeKind::Entry:
        return fullPath ? node.path : node.name;
    }
    return {};
}

HResult ReturnWide(std::string_view text, StrRet* out)
{
    const std::u16string wide = BytesToWide(text);
    auto* block = static_cast<char16_t*>(Allocator().Alloc((wide.size() + 1) * sizeof(char16_t)));
    if (!block)
        return E_OUTOFMEMORY;
    std::memcpy(block, wide.data(), wide.size() * sizeof(char16_t));
    out->uType = kStrRetWide;
    out->pOleStr = block;
    return S_OK;
}

class Enumerator final : public IEnumIdList {
public:
    Enumerator(std::deque<std::string> places, std::string path, std::uint32_t flags, DIR* dir)
        : FPending(std::move(places)), FPath(std::move(path)), FFlags(flags), FDir(dir)
    {
    }
    ~Enumerator() override
    {
        if (FDir)
            ::closedir(FDir);
    }
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;

    HResult Next(std::uint32_t count, PItemIdList* items, std::uint32_t* fetched) override
    {
        std::uint32_t done = 0;
        while (done < count) {
            std::string data;
            if (!NextItem(&data))
                break;
            IdListBuilder builder;
            builder.Append(data);
            items[done] = builder.Finish();
            if (!items[done])
                break;
            ++done;
        }
        if (fetched)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }

private:
    bool NextItem(std::string* data)
    {
        if (!FPending.empty()) {
            *data = std::move(FPending.front());
            FPending.pop_front();
            return true;
        }
        while (FDir) {
            const dirent* entry = ::readdir(FDir);
            if (!entry)
                break;
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (name[0] == '.' && !(FFlags & kEnumIncludeHidden))
                continue;
            bool folder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat st;
                if (::stat(JoinPath(FPath, name).c_str(), &st) != 0)
                    continue; // dangling link, or gone since it was listed
                folder = S_ISDIR(st.st_mode);
            }
            if (!(FFlags & (folder ? kEnumFolders : kEnumNonFolders)))
                continue;
            *data = EncodeEntry(name, folder);
            return true;
        }
        return false;
    }

    std::deque<std::string> FPending;
    std::string FPath;
    std::uint32_t FFlags;
    DIR* FDir;
};

class Folder final : public IShellFolder {
public:
    Folder(std::shared_ptr<const Places> places, Node self) : FPlaces(std::move(places)), FSelf(std::move(self)) {}

    HResult ParseDisplayName(std::u16string_view name, PItemIdList* out) override;
    HResult EnumObjects(std::uint32_t flags, EnumIdListPtr* out) override;
    HResult BindToObject(PCItemIdList list, ShellFolderPtr* out) override;
    HResult CompareIDs(std::intptr_t column, PCItemIdList a, PCItemIdList b) override;
    HResult CreateViewObject(InterfaceId, UnknownPtr* out) override
    {
        if (out)
            out->reset();
        return E_NOINTERFACE;
    }
    HResult GetAttributesOf(std::uint32_t count, const PCItemIdList* items, std::uint32_t* inOut) override;
    HResult GetUIObjectOf(std::uint32_t count, const PCItemIdList* items, InterfaceId iid, UnknownPtr* out) override;
    HResult GetDisplayNameOf(PCItemIdList list, std::uint32_t flags, StrRet* out) override;
    HResult SetNameOf(PCItemIdList item, std::u16string_view name, std::uint32_t flags, PItemIdList* out) override;

private:
    bool Resolve(PCItemIdList list, Node* node) const { return ResolveList(FSelf, list, *FPlaces, node); }

    std::shared_ptr<const Places> FPlaces;
    Node FSelf;
};

HResult Folder::EnumObjects(std::uint32_t flags, EnumIdListPtr* out)
{
    if (!out)
        return E_INVALIDARG;
    out->reset();
    std::deque<std::string> places;
    if (FSelf.kind == NodeKind::Computer) {
        if (flags & kEnumFolders)
            for (const Volume& volume : Volumes())
                places.push_back(EncodeVolume(volume.mountPath, volume.removable));
        *out = std::make_shared<Enumerator>(std::move(places), std::string(), flags, nullptr);
        return S_OK;
    }
    if (!FSelf.folder)
        return FromSystemError(kErrorDirectory);
    if (FSelf.kind == NodeKind::Desktop && (flags & kEnumFolders))
        for (const Place place : {Place::Home, Place::Computer, Place::Trash})
            places.push_back(EncodePlace(place));
    DIR* dir = ::opendir(FSelf.path.c_str());
    if (!dir) {
        // An empty trash may not have its folder yet; that is an empty folder, not an error.
        if (FSelf.kind == NodeKind::Trash && errno == ENOENT) {
            *out = std::make_shared<Enumerator>(std::move(places), FSelf.path, flags, nullptr);
            return S_OK;
        }
        return FromErrno(errno);
    }
    *out = std::make_shared<Enumerator>(std::move(places), FSelf.path, flags, dir);
    return S_OK;
}

HResult Folder::BindToObject(PCItemIdList list, ShellFolderPtr* out)
{
    if (!out)
        return E_INVALIDARG;
    out->reset();
    Node node;
    if (!list || !Resolve(list, &node))
        return E_INVALIDARG;
    if (node.kind != NodeKind::Computer && !IsDirectory(node.path))
        return node.folder ? FromErrno(ENOENT) : FromSystemError(kErrorDirectory);
    node.folder = true;
    *out = std::make_shared<Folder>(FPlaces, std::move(node));
    return S_OK;
}

HResult Folder::CompareIDs(std::intptr_t, PCItemIdList a, PCItemIdList b)
{
    const std::vector<std::string_view> x = SplitIdList(a), y = SplitIdList(b);
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
        if (const int order = CompareItems(x[i], y[i]); order != 0)
            return MakeSuccess(static_cast<std::uint16_t>(static_cast<std::int16_t>(order)));
    if (x.size() == y.size())
        return MakeSuccess(0);
    return MakeSuccess(static_cast<std::uint16_t>(static_cast<std::int16_t>(x.size() < y.size() ? -1 : 1)));
}

HResult Folder::GetAttributesOf(std::uint32_t count, const PCItemIdList* items, std::uint32_t* inOut)
{
    if (!inOut || (count > 0 && !items))
        return E_INVALIDARG;
    const std::uint32_t mask = *inOut;
    std::uint32_t common = mask;
    for (std::uint32_t i = 0; i < count; ++i) {
        Node node;
        if (!Resolve(items[i], &node)) {
            *inOut = 0;
            return E_INVALIDARG;
        }
        common &= NodeAttributes(node, mask);
    }
    *inOut = count == 0 ? NodeAttributes(FSelf, mask) & mask : common;
    return S_OK;
}

HResult Folder::GetUIObjectOf(std::uint32_t count, const PCItemIdList* items, InterfaceId iid, UnknownPtr* out)
{
    if (!out)
        return E_INVALIDARG;
    out->reset();
    if (iid == InterfaceId::ShellFolder || count != 1 || !items)
        return E_NOINTERFACE;
    Node node;
    if (!Resolve(items[0], &node))
        return E_INVALIDARG;
    const std::uint32_t attrs = NodeAttributes(node, kAttrCanRename | kAttrCanDelete);
    *out = detail::MakeItemContextMenu(std::move(node), attrs);
    return S_OK;
}

HResult Folder::GetDisplayNameOf(PCItemIdList list, std::uint32_t flags, StrRet* out)
{
    if (!out)
        return E_INVALIDARG;
    Node node;
    if (!Resolve(list, &node))
        return E_INVALIDARG;
    bool placeName;
    const std::string name = NodeName(node, flags, &placeName);
    if (placeName)
        return ReturnWide(name, out);
    if (node.kind == NodeKind::Entry && name == node.name && SplitIdList(list).size() == 1) {
        out->uType = kStrRetOffset; // the name is stored in the item itself
        out->uOffset = kEntryNameOffset;
        return S_OK;
    }
    if (name.size() < kStrRetTextSize) {
        out->uType = kStrRetNarrow;
        std::memcpy(out->cStr, name.c_str(), name.size() + 1);
        return S_OK;
    }
    return ReturnWide(name, out);
}

HResult RenameEntry(const std::string& from, const std::string& to)
{
    struct stat source, target;
    if (::lstat(from.c_str(), &source) != 0)
        return FromErrno(errno);
    const bool sameFile = ::lstat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev
        && target.st_ino == source.st_ino; // a change of letter case on a case-folding file system
    if (sameFile)
        return ::rename(from.c_str(), to.c_str()) == 0 ? S_OK : FromErrno(errno);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return S_OK;
    if (errno != EINVAL && errno != ENOSYS)
        return FromErrno(errno);
    // The file system cannot refuse to replace by itself: look first (a narrow race, but never a silent replace).
    if (::lstat(to.c_str(), &target) == 0)
        return FromErrno(EEXIST);
    return ::rename(from.c_str(), to.c_str()) == 0 ? S_OK : FromErrno(errno);
}

HResult Folder::SetNameOf(PCItemIdList item, std::u16string_view name, std::uint32_t, PItemIdList* out)
{
    if (out)
        *out = nullptr;
    Node node;
    const std::vector<std::string_view> items = SplitIdList(item);
    if (items.empty() || !Resolve(item, &node))
        return E_INVALIDARG;
    if (node.kind != NodeKind::Entry)
        return FromSystemError(kErrorAccessDenied);
    const std::string newName = WideToBytes(name);
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos
        || newName.find('\0') != std::string::npos)
        return FromSystemError(kErrorInvalidName);
    if (newName.size() > kMaxNameBytes)
        return FromSystemError(kErrorFilenameTooLong);
    if (newName != node.name)
        if (const HResult hr = RenameEntry(node.path, JoinPath(ParentPath(node.path), newName)); Failed(hr))
            return hr;
    if (out) { // the same list with its last item renamed
        IdListBuilder builder;
        for (std::size_t i = 0; i + 1 < items.size(); ++i)
            builder.Append(items[i]);
        builder.Append(EncodeEntry(newName, node.folder));
        *out = builder.Finish();
        if (!*out)
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

// The absolute list of an existing absolute path: below the desktop folder if it lies there, else
// below Home, else on the volume that holds it.
HResult ListForPath(const Places& places, const std::string& path, PItemIdList* out)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return FromErrno(errno == ENOTDIR ? ENOENT : errno);
    IdListBuilder builder;
    std::string_view rest;
    std::string base;
    if (PathBelow(path, places.desktop, &rest)) {
        base = places.desktop;
    } else if (PathBelow(path, places.home, &rest)) {
        builder.Append(EncodePlace(Place::Home));
        base = places.home;
    } else {
        builder.Append(EncodePlace(Place::Computer));
        Volume holder{"/", VolumeName("/"), false};
        for (const Volume& volume : Volumes()) {
            std::string_view below;
            if (PathBelow(path, volume.mountPath, &below) && volume.mountPath.size() >= holder.mountPath.size())
                holder = volume;
        }
        builder.Append(EncodeVolume(holder.mountPath, holder.removable));
        PathBelow(path, holder.mountPath, &rest);
        base = holder.mountPath;
    }
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view name = rest.substr(0, slash);
        base = JoinPath(base, name);
        if (!builder.Append(EncodeEntry(name, IsDirectory(base))))
            return FromSystemError(kErrorFilenameTooLong);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    *out = builder.Finish();
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return PathToText(a).compare(PathToText(b), Qt::CaseInsensitive) == 0;
}

HResult Folder::ParseDisplayName(std::u16string_view name, PItemIdList* out)
{
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    if (FSelf.kind != NodeKind::Desktop)
        return E_NOTIMPL;
    const std::string text = WideToBytes(name);
    if (text.compare(0, kClassPathPrefix.size(), kClassPathPrefix) == 0) {
        IdListBuilder builder;
        if (EqualIgnoringCase(text, kComputerClassPath))
            builder.Append(EncodePlace(Place::Computer));
        else if (EqualIgnoringCase(text, kTrashClassPath))
            builder.Append(EncodePlace(Place::Trash));
        else
            return FromSystemError(kErrorFileNotFound);
        *out = builder.Finish();
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    if (!text.empty() && text[0] == '/')
        return ListForPath(*FPlaces, NormalizePath(text), out);
    // "NAME:" or "NAME:/rest": the volume a file manager names NAME, as a drive letter names a drive.
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || (colon + 1 < text.size() && text[colon + 1] != '/'))
        return E_INVALIDARG;
    const std::string_view volumeName = std::string_view(text).substr(0, colon);
    for (const Volume& volume : Volumes())
        if (EqualIgnoringCase(volume.name, volumeName))
            return ListForPath(*FPlaces, NormalizePath(volume.mountPath + "/" + text.substr(colon + 1)), out);
    return FromSystemError(kErrorPathNotFound);
}

bool ExistingDirectory(const std::string& path, std::string* out)
{
    if (!IsDirectory(path))
        return false;
    *out = path;
    return true;
}

// The file-system folder that serves the purpose of a special folder on this machine.
bool SpecialFolderPath(int folder, std::string* path)
{
    switch (folder) {
    case kFolderDesktopDirectory:
        return ExistingDirectory(DesktopDir(), path);
    case kFolderPersonal: {
        const auto documents = UserDir("DOCUMENTS");
        return ExistingDirectory(documents && IsDirectory(*documents) ? *documents : HomeDir(), path);
    }
    case kFolderTemplates: {
        const auto templates = UserDir("TEMPLATES");
        return templates && ExistingDirectory(*templates, path);
    }
    case kFolderAppData:
        return ExistingDirectory(DataHome(), path);
    case kFolderFonts:
        return ExistingDirectory(JoinPath(DataHome(), "fonts"), path);
    case kFolderPrograms:
    case kFolderStartMenu:
        return ExistingDirectory(JoinPath(DataHome(), "applications"), path);
    case kFolderStartup:
        return ExistingDirectory(JoinPath(ConfigHome(), "autostart"), path);
    case kFolderCommonPrograms:
    case kFolderCommonStartMenu:
        return ExistingDirectory("/usr/share/applications", path);
    case kFolderCommonStartup:
        return ExistingDirectory("/etc/xdg/autostart", path);
    default:
        return false;
    }
}

} // namespace

HResult GetDesktopFolder(ShellFolderPtr* out)
{
    if (!out)
        return E_INVALIDARG;
    auto places = CurrentPlaces();
    Node desktop = DesktopNode(*places);
    *out = std::make_shared<Folder>(std::move(places), std::move(desktop));
    return S_OK;
}

HResult GetSpecialFolderLocation(int folder, PItemIdList* out)
{
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    IdListBuilder builder;
    switch (folder) {
    case kFolderDesktop:
        break;
    case kFolderComputer:
        builder.Append(EncodePlace(Place::Computer));
        break;
    case kFolderRecycleBin:
        builder.Append(EncodePlace(Place::Trash));
        break;
    default: {
        std::string path;
        if (!SpecialFolderPath(folder, &path))
            return E_INVALIDARG;
        return ListForPath(*CurrentPlaces(), path, out);
    }
    }
    *out = builder.Finish();
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace shellns
