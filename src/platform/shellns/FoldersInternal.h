#pragma once
// What the namespace's items hold and how they resolve to places, shared by the folder, icon,
// execute and menu code of this layer only.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/shellns/IdList.h"

namespace shellns::detail {

enum class Place : std::uint8_t { Home = 0, Computer = 1, Trash = 2 };
constexpr int kPlaceCount = 3;

// First byte of every item's data.
enum class ItemKind : char { Place = 'P', Volume = 'V', Entry = 'E' };

// Entry items: kind, flags, then the name's bytes. Volume items: kind, flags, then the mount path.
constexpr std::size_t kItemHeaderSize = 2;
constexpr std::uint8_t kItemFolderFlag = 0x1;    // entries: the entry is (or links to) a directory
constexpr std::uint8_t kItemRemovableFlag = 0x2; // volumes
// Where an entry's name starts, counted from the start of its item (count field included).
constexpr std::uint32_t kEntryNameOffset = kIdCountSize + kItemHeaderSize;

struct Item {
    ItemKind kind = ItemKind::Entry;
    Place place = Place::Home;
    bool folder = false;
    bool removable = false;
    std::string_view text; // entry name or volume mount path
};

bool DecodeItem(std::string_view data, Item* out);
std::string EncodePlace(Place place);
std::string EncodeVolume(std::string_view mountPath, bool removable);
std::string EncodeEntry(std::string_view name, bool folder);

// The user's places, read once per change of the environment or of user-dirs.dirs.
struct Places {
    std::string home;
    std::string desktop;
    std::string trashFiles;
};
std::shared_ptr<const Places> CurrentPlaces();

enum class NodeKind { Desktop, Home, Computer, Trash, Volume, Entry };
struct Node {
    NodeKind kind = NodeKind::Desktop;
    std::string path; // file-system folder or file; empty for Computer
    std::string name; // the entry's or volume's own name
    bool folder = true;
    bool removable = false;
    bool inTrash = false; // the trash keeps its own records of what it holds: leave its items as they are
};

Node DesktopNode(const Places& places);
bool ChildNode(const Node& parent, const Item& item, const Places& places, Node* out);
// Follows every item of list from base; false when an item does not belong where it stands.
bool ResolveList(const Node& base, PCItemIdList list, const Places& places, Node* out);

} // namespace shellns::detail
