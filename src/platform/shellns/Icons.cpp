#include "platform/shellns/Icons.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/shellns/Folders.h"
#include "platform/shellns/Allocator.h"
#include "platform/shellns/FoldersInternal.h"
#include "platform/shellns/Wide.h"
#include "platform/shellns/Places.h"

namespace shellns {
namespace {

constexpr std::array<const char*, kSystemIconCount> kThemeNames{
    "text-x-generic", "folder", "folder-open", "user-home", "user-desktop",
    "computer", "drive-harddisk", "drive-removable-media", "user-trash",
};
constexpr std::string_view kPreferredTheme = "Adwaita";

// Without a desktop session Qt knows no icon theme; then the installed ones are searched.
void EnsureIconTheme()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!QIcon::themeName().isEmpty())
            return;
        QStringList paths = QIcon::themeSearchPaths();
        const char* dataDirs = std::getenv("XDG_DATA_DIRS");
        std::string_view dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
        // A data folder whose name Qt cannot reach is passed over rather than searched under another name.
        const auto addIcons = [&paths](std::string_view dir) {
            if (dir.empty())
                return;
            if (const std::optional<QString> name = QtFileName(JoinPath(dir, "icons")))
                paths << *name;
        };
        addIcons(DataHome());
        while (!dirs.empty()) {
            const std::size_t colon = dirs.find(':');
            addIcons(dirs.substr(0, colon));
            dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
        }
        QIcon::setThemeSearchPaths(paths);
        for (const QString& path : paths)
            if (QFile::exists(path + u'/' + QString::fromLatin1(kPreferredTheme.data(), kPreferredTheme.size()) + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(QString::fromLatin1(kPreferredTheme.data(), kPreferredTheme.size()));
                return;
            }
    });
}

// Plain drawn icons for a machine without an icon theme: folders, a bin, drives, monitors, a page.
QPixmap DrawnIcon(int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(60, 60, 60), 0.8));
    switch (index) {
    case kIconTrash: {
        p.setBrush(QColor(170, 175, 180));
        p.drawRect(QRectF(2.5, 3, 11, 2));
        QPainterPath bin;
        bin.moveTo(3.5, 5);
        bin.lineTo(12.5, 5);
        bin.lineTo(11.5, 14.5);
        bin.lineTo(4.5, 14.5);
        bin.closeSubpath();
        p.setBrush(QColor(200, 205, 210));
        p.drawPath(bin);
        break;
    }
    case kIconFolder:
    case kIconFolderOpen:
    case kIconHome: {
        QPainterPath tab;
        tab.addRoundedRect(QRectF(1.5, 3, 6, 3), 1, 1);
        p.setBrush(QColor(200, 160, 60));
        p.drawPath(tab);
        p.setBrush(index == kIconFolderOpen ? QColor(250, 215, 110) : QColor(235, 190, 80));
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9.5), 1, 1);
        if (index == kIconHome) {
            p.setBrush(QColor(90, 120, 180));
            p.drawRect(QRectF(6, 7.5, 4, 4));
        }
        break;
    }
    case kIconComputer:
    case kIconDesktop:
        p.setBrush(QColor(200, 200, 205));
        p.drawRoundedRect(QRectF(1.5, 2, 13, 9.5), 1, 1);
        p.setBrush(index == kIconDesktop ? QColor(70, 130, 200) : QColor(40, 60, 90));
        p.drawRect(QRectF(3, 3.5, 10, 6.5));
        p.setBrush(QColor(170, 170, 175));
        p.drawRect(QRectF(5, 12, 6, 2));
        break;
    case kIconDrive:
    case kIconRemovable:
        p.setBrush(index == kIconRemovable ? QColor(215, 215, 220) : QColor(180, 180, 185));
        p.drawRoundedRect(QRectF(1.5, 5, 13, 6.5), 1.5, 1.5);
        p.setBrush(index == kIconRemovable ? QColor(240, 150, 40) : QColor(80, 200, 80));
        p.drawEllipse(QRectF(11, 7.5, 1.8, 1.8));
        break;
    default: {
        QPainterPath page;
        page.moveTo(3.5, 1.5);
        page.lineTo(10, 1.5);
        page.lineTo(12.5, 4);
        page.lineTo(12.5, 14.5);
        page.lineTo(3.5, 14.5);
        page.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(page);
        break;
    }
    }
    return pixmap;
}

int IconForNode(const detail::Node& node, bool open)
{
    switch (node.kind) {
    case detail::NodeKind::Desktop: return kIconDesktop;
    case detail::NodeKind::Home: return kIconHome;
    case detail::NodeKind::Computer: return kIconComputer;
    case detail::NodeKind::Trash: return kIconTrash;
    case detail::NodeKind::Volume: return node.removable ? kIconRemovable : kIconDrive;
    case detail::NodeKind::Entry:
        if (!node.folder)
            return kIconFile;
        return open ? kIconFolderOpen : kIconFolder;
    }
    return kIconFile;
}

} // namespace

bool SystemImageList::FromTheme(int index) const
{
    if (index < 0 || index >= kSystemIconCount)
        return false;
    EnsureIconTheme();
    return QIcon::hasThemeIcon(QString::fromLatin1(kThemeNames[static_cast<std::size_t>(index)]));
}

QIcon SystemImageList::Icon(int index) const
{
    if (index < 0 || index >= kSystemIconCount)
        return {};
    if (FromTheme(index))
        return QIcon::fromTheme(QString::fromLatin1(kThemeNames[static_cast<std::size_t>(index)]));
    return QIcon(DrawnIcon(index, FIconSize));
}

QPixmap SystemImageList::Pixmap(int index) const
{
    const QIcon icon = Icon(index);
    return icon.isNull() ? QPixmap() : icon.pixmap(FIconSize, FIconSize);
}

ImageListHandle SmallSystemImages()
{
    static const SystemImageList images(kSmallIconSize);
    return &images;
}

ImageListHandle LargeSystemImages()
{
    static const SystemImageList images(kLargeIconSize);
    return &images;
}

std::uintptr_t GetFileInfo(const void* item, std::uint32_t flags, FileInfo* info)
{
    if (!item || !(flags & kInfoSysIconIndex))
        return 0;
    PItemIdList parsed = nullptr;
    PCItemIdList list = static_cast<PCItemIdList>(item);
    if (!(flags & kInfoIdList)) {
        ShellFolderPtr desktop;
        const auto* path = static_cast<const char*>(item);
        if (Failed(GetDesktopFolder(&desktop))
            || Failed(desktop->ParseDisplayName(BytesToWide(path), &parsed)))
            return 0;
        list = parsed;
    }
    // An icon depends on the kinds of the items only, not on where the places are.
    static const detail::Places kNowhere;
    detail::Node node;
    const bool known = detail::ResolveList(detail::DesktopNode(kNowhere), list, kNowhere, &node);
    Allocator().Free(parsed);
    if (!known)
        return 0;
    if (info)
        info->iconIndex = IconForNode(node, (flags & kInfoOpenIcon) != 0);
    return reinterpret_cast<std::uintptr_t>((flags & kInfoSmallIcon) ? SmallSystemImages() : LargeSystemImages());
}

} // namespace shellns
