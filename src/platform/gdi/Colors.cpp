#include "Colors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <cstdlib>
#include <cstring>

namespace gdi {
namespace {

ColorRef FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// Which palette role stands for a system colour; colours without one keep the classic value.
struct RoleFor {
    int index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

constexpr RoleFor kPaletteRoles[] = {
    {COLOR_SCROLLBAR, QPalette::Active, QPalette::Button},
    {COLOR_MENU, QPalette::Active, QPalette::Window},
    {COLOR_WINDOW, QPalette::Active, QPalette::Base},
    {COLOR_WINDOWFRAME, QPalette::Active, QPalette::Shadow},
    {COLOR_MENUTEXT, QPalette::Active, QPalette::WindowText},
    {COLOR_WINDOWTEXT, QPalette::Active, QPalette::Text},
    {COLOR_APPWORKSPACE, QPalette::Active, QPalette::Dark},
    {COLOR_HIGHLIGHT, QPalette::Active, QPalette::Highlight},
    {COLOR_HIGHLIGHTTEXT, QPalette::Active, QPalette::HighlightedText},
    {COLOR_BTNFACE, QPalette::Active, QPalette::Button},
    {COLOR_BTNSHADOW, QPalette::Active, QPalette::Dark},
    {COLOR_GRAYTEXT, QPalette::Disabled, QPalette::Text},
    {COLOR_BTNTEXT, QPalette::Active, QPalette::ButtonText},
    {COLOR_BTNHIGHLIGHT, QPalette::Active, QPalette::Light},
    {COLOR_3DDKSHADOW, QPalette::Active, QPalette::Shadow},
    {COLOR_3DLIGHT, QPalette::Active, QPalette::Midlight},
    {COLOR_INFOTEXT, QPalette::Active, QPalette::ToolTipText},
    {COLOR_INFOBK, QPalette::Active, QPalette::ToolTipBase},
    {COLOR_HOTLIGHT, QPalette::Active, QPalette::Link},
    {COLOR_MENUHILIGHT, QPalette::Active, QPalette::Highlight},
    {COLOR_MENUBAR, QPalette::Active, QPalette::Window},
};

ColorRef FromPalette(int index)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return ClassicSystemColors()[std::size_t(index)];
    const QPalette palette = QGuiApplication::palette();
    for (const RoleFor& r : kPaletteRoles)
        if (r.index == index)
            return FromQColor(palette.color(r.group, r.role));
    return ClassicSystemColors()[std::size_t(index)];
}

struct NamedColor {
    TColor value;
    const char* name;
};

// Plain colours first so that a value shared with a system colour's RGB keeps its plain name;
// clLtGray and clDkGray are read but never written, as the platform's own table does.
constexpr NamedColor kNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
};

bool EqualsIgnoringCase(std::string_view a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

}  // namespace

const SystemColorTable& ClassicSystemColors()
{
    static const SystemColorTable table = [] {
        SystemColorTable t{};
        t[COLOR_SCROLLBAR] = RGB(192, 192, 192);
        t[COLOR_BACKGROUND] = RGB(0, 128, 128);
        t[COLOR_ACTIVECAPTION] = RGB(0, 0, 128);
        t[COLOR_INACTIVECAPTION] = RGB(128, 128, 128);
        t[COLOR_MENU] = RGB(192, 192, 192);
        t[COLOR_WINDOW] = RGB(255, 255, 255);
        t[COLOR_WINDOWFRAME] = RGB(0, 0, 0);
        t[COLOR_MENUTEXT] = RGB(0, 0, 0);
        t[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
        t[COLOR_CAPTIONTEXT] = RGB(255, 255, 255);
        t[COLOR_ACTIVEBORDER] = RGB(192, 192, 192);
        t[COLOR_INACTIVEBORDER] = RGB(192, 192, 192);
        t[COLOR_APPWORKSPACE] = RGB(128, 128, 128);
        t[COLOR_HIGHLIGHT] = RGB(0, 0, 128);
        t[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
        t[COLOR_BTNFACE] = RGB(192, 192, 192);
        t[COLOR_BTNSHADOW] = RGB(128, 128, 128);
        t[COLOR_GRAYTEXT] = RGB(128, 128, 128);
        t[COLOR_BTNTEXT] = RGB(0, 0, 0);
        t[COLOR_INACTIVECAPTIONTEXT] = RGB(192, 192, 192);
        t[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
        t[COLOR_3DDKSHADOW] = RGB(0, 0, 0);
        t[COLOR_3DLIGHT] = RGB(223, 223, 223);
        t[COLOR_INFOTEXT] = RGB(0, 0, 0);
        t[COLOR_INFOBK] = RGB(255, 255, 225);
        t[25] = RGB(192, 192, 192);
        t[COLOR_HOTLIGHT] = RGB(0, 0, 128);
        t[COLOR_GRADIENTACTIVECAPTION] = RGB(16, 132, 208);
        t[COLOR_GRADIENTINACTIVECAPTION] = RGB(181, 181, 181);
        t[COLOR_MENUHILIGHT] = RGB(0, 0, 128);
        t[COLOR_MENUBAR] = RGB(192, 192, 192);
        return t;
    }();
    return table;
}

QPalette PaletteOf(const SystemColorTable& table)
{
    const auto colour = [&table](int index) { return QColorOf(table[std::size_t(index)]); };
    // Roles no system colour stands for get their nearest kin.
    QPalette palette(colour(COLOR_BTNFACE), colour(COLOR_BTNFACE));
    palette.setColor(QPalette::Mid, colour(COLOR_BTNSHADOW));
    palette.setColor(QPalette::BrightText, colour(COLOR_HIGHLIGHTTEXT));
    palette.setColor(QPalette::AlternateBase, colour(COLOR_3DLIGHT));
    palette.setColor(QPalette::PlaceholderText, colour(COLOR_GRAYTEXT));
    for (const RoleFor& r : kPaletteRoles) {
        if (r.group == QPalette::Disabled) {
            for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                palette.setColor(QPalette::Disabled, role, colour(r.index));
            continue;
        }
        palette.setColor(QPalette::Active, r.role, colour(r.index));
        palette.setColor(QPalette::Inactive, r.role, colour(r.index));
        // What the disabled look has no text of its own for stays as it is.
        if (r.role != QPalette::Text && r.role != QPalette::WindowText && r.role != QPalette::ButtonText)
            palette.setColor(QPalette::Disabled, r.role, colour(r.index));
    }
    return palette;
}

ColorRef SystemColors::Get(int index)
{
    if (index < 0 || index >= kSystemColorCount)
        return 0;
    return FromPalette(index);
}

}  // namespace gdi

std::int32_t ColorToRGB(TColor color)
{
    if (!gdi::IsSystemColor(color))
        return color;
    return std::int32_t(gdi::SystemColors::Get(int(std::uint32_t(color) & 0xFF)));
}

std::optional<std::string> ColorToIdent(TColor color)
{
    for (const auto& n : gdi::kNames)
        if (n.value == color)
            return std::string(n.name);
    return std::nullopt;
}

std::optional<TColor> IdentToColor(std::string_view ident)
{
    for (const auto& n : gdi::kNames)
        if (gdi::EqualsIgnoringCase(ident, n.name))
            return n.value;
    return std::nullopt;
}

std::string ColorToString(TColor color)
{
    if (auto name = ColorToIdent(color))
        return *name;
    return std::to_string(color);
}

