#pragma once
// Colours as the windows and controls name them: TColor values, the named constants,
// their names in form descriptions, and the one table that system colours resolve through.

#include <QPalette>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// 0x00BBGGRR for a plain colour; 0x80000000 + n names system colour n, resolved when drawn.
using TColor = std::int32_t;

namespace gdi {

// A colour reference as the device context takes it: 0x00BBGGRR, never a system colour.
using ColorRef = std::uint32_t;

constexpr ColorRef RGB(int r, int g, int b)
{
    return ColorRef(r & 0xFF) | (ColorRef(g & 0xFF) << 8) | (ColorRef(b & 0xFF) << 16);
}
constexpr int GetRValue(ColorRef c) { return int(c & 0xFF); }
constexpr int GetGValue(ColorRef c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(ColorRef c) { return int((c >> 16) & 0xFF); }
// The colour bits of a colour reference or of an image pixel.
constexpr ColorRef kRgbMask = 0xFFFFFF;
// A colour reference as Qt's colour, and as an opaque image pixel.
inline QColor QColorOf(ColorRef c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline QRgb QRgbOf(ColorRef c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

constexpr std::uint32_t kSystemColorFlag = 0x80000000u;
constexpr int kSystemColorCount = 31;

constexpr TColor SystemColor(int index) { return TColor(kSystemColorFlag | std::uint32_t(index)); }
constexpr bool IsSystemColor(TColor c) { return (std::uint32_t(c) & kSystemColorFlag) != 0; }

// System colour indexes, numbered as the platform numbers them.
enum SystemColorIndex : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    // 25 is unused by the platform.
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
};

using SystemColorTable = std::array<ColorRef, kSystemColorCount>;

// The classic grey scheme: fixed values that pixel tests can rely on.
const SystemColorTable& ClassicSystemColors();

// A Qt palette whose roles are the table's system colours, so that Qt's own widgets and the
// system colours read back from it agree with the table.
QPalette PaletteOf(const SystemColorTable& table);

// Every system colour resolves through the application's palette (through the classic table while
// no GUI application exists, and for colours no palette role stands for). A test that needs the
// classic colours sets the palette PaletteOf(ClassicSystemColors()) gives.
class SystemColors {
public:
    static ColorRef Get(int index);
};

}  // namespace gdi

// System colours.
inline constexpr TColor clScrollBar = gdi::SystemColor(gdi::COLOR_SCROLLBAR);
inline constexpr TColor clBackground = gdi::SystemColor(gdi::COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = gdi::SystemColor(gdi::COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = gdi::SystemColor(gdi::COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = gdi::SystemColor(gdi::COLOR_MENU);
inline constexpr TColor clWindow = gdi::SystemColor(gdi::COLOR_WINDOW);
inline constexpr TColor clWindowFrame = gdi::SystemColor(gdi::COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = gdi::SystemColor(gdi::COLOR_MENUTEXT);
inline constexpr TColor clWindowText = gdi::SystemColor(gdi::COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = gdi::SystemColor(gdi::COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = gdi::SystemColor(gdi::COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = gdi::SystemColor(gdi::COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = gdi::SystemColor(gdi::COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = gdi::SystemColor(gdi::COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = gdi::SystemColor(gdi::COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = gdi::SystemColor(gdi::COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = gdi::SystemColor(gdi::COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = gdi::SystemColor(gdi::COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = gdi::SystemColor(gdi::COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = gdi::SystemColor(gdi::COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = gdi::SystemColor(gdi::COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = gdi::SystemColor(gdi::COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = gdi::SystemColor(gdi::COLOR_3DLIGHT);
inline constexpr TColor clInfoText = gdi::SystemColor(gdi::COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = gdi::SystemColor(gdi::COLOR_INFOBK);
inline constexpr TColor clHotLight = gdi::SystemColor(gdi::COLOR_HOTLIGHT);
inline constexpr TColor clGradientActiveCaption = gdi::SystemColor(gdi::COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = gdi::SystemColor(gdi::COLOR_GRADIENTINACTIVECAPTION);
inline constexpr TColor clMenuHighlight = gdi::SystemColor(gdi::COLOR_MENUHILIGHT);
inline constexpr TColor clMenuBar = gdi::SystemColor(gdi::COLOR_MENUBAR);

// Plain colours.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;

// Special values: no colour at all, and "whatever the control's default is".
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// A system colour becomes its current RGB; anything else is returned unchanged.
std::int32_t ColorToRGB(TColor color);

// Colour names as form descriptions write them ("clBtnFace"); std::nullopt when unnamed.
std::optional<std::string> ColorToIdent(TColor color);
std::optional<TColor> IdentToColor(std::string_view ident);

// Form-description text of a colour: its name where one exists, otherwise a decimal integer.
std::string ColorToString(TColor color);
