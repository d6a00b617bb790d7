#include "app/Resources.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QtGlobal>

#include <mutex>

// Outside any namespace, as the resource system's initialiser must be.
static void InitFormResources()
{
    Q_INIT_RESOURCE(app_forms);
    Q_INIT_RESOURCE(app_icons);
}

void EnsureAppResources()
{
    static std::once_flag once;
    std::call_once(once, InitFormResources);
}

void SetProgramIcon()
{
    EnsureAppResources();
    // Each size as drawn, so that a window manager asking for 16 or 32 pixels gets the picture
    // made for that size rather than a scaled larger one.
    QIcon icon;
    for (QDirIterator pictures(QStringLiteral(":/icons")); pictures.hasNext();)
        icon.addFile(pictures.next());
    QApplication::setWindowIcon(icon);
    // A Wayland desktop's task bar finds the program's name and icon through its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Dupsweep"));
}
