#pragma once
// The system image list: the icons of namespace items from the desktop's icon theme, in a small
// and a large size, and the file-information request that tells an item's index in it.
#include <QIcon>
#include <QPixmap>

#include <cstdint>
#include <string>

#include "platform/shellns/IdList.h"

namespace shellns {

enum SystemIcon : int {
    kIconFile = 0,
    kIconFolder,
    kIconFolderOpen,
    kIconHome,
    kIconDesktop,
    kIconComputer,
    kIconDrive,
    kIconRemovable,
    kIconTrash,
    kSystemIconCount
};

constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

class SystemImageList {
public:
    explicit SystemImageList(int iconSize) : FIconSize(iconSize) {}
    int Count() const { return kSystemIconCount; }
    int IconSize() const { return FIconSize; }
    // Needs a running QGuiApplication. A theme without the icon gives a drawn stand-in.
    QIcon Icon(int index) const;
    QPixmap Pixmap(int index) const;
    bool FromTheme(int index) const; // false when the stand-in is used

private:
    int FIconSize;
};
using ImageListHandle = const SystemImageList*;

ImageListHandle SmallSystemImages();
ImageListHandle LargeSystemImages();

// File-information flags.
constexpr std::uint32_t kInfoSmallIcon = 0x1;
constexpr std::uint32_t kInfoOpenIcon = 0x2;
constexpr std::uint32_t kInfoIdList = 0x8; // the first argument is an absolute identifier list
constexpr std::uint32_t kInfoSysIconIndex = 0x4000;

struct FileInfo {
    int iconIndex = 0;
};

// With kInfoSysIconIndex: fills info->iconIndex and returns the image list (as an integer handle);
// 0 when the item is unknown. The item is a path (bytes) or, with kInfoIdList, an absolute list.
std::uintptr_t GetFileInfo(const void* item, std::uint32_t flags, FileInfo* info);

} // namespace shellns
