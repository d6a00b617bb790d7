#include "SystemMetrics.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <map>

namespace gdi {
namespace {

std::map<int, int>& Overrides()
{
    static std::map<int, int> values;
    return values;
}

QScreen* PrimaryScreen()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return QGuiApplication::primaryScreen();
}

// Frame and caption sizes of the classic look with its default fonts.
int ClassicMetric(int index)
{
    switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    default: return 0;
    }
}

}  // namespace

int GetSystemMetrics(int index)
{
    if (const auto it = Overrides().find(index); it != Overrides().end())
        return it->second;
    if (index == SM_CXSCREEN || index == SM_CYSCREEN) {
        const QScreen* screen = PrimaryScreen();
        if (screen == nullptr)
            return 0;
        return index == SM_CXSCREEN ? screen->geometry().width() : screen->geometry().height();
    }
    return ClassicMetric(index);
}

void SetSystemMetricOverride(int index, int value) { Overrides()[index] = value; }

void ClearSystemMetricOverrides() { Overrides().clear(); }

}  // namespace gdi
