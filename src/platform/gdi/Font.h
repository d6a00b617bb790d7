#pragma once
// Fonts described as the windows describe them, resolved to Qt fonts whose pixel metrics
// stay close to the classic platform's on any machine and at any screen resolution.

#include <QFont>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace gdi {

// Weights and character sets as the font description numbers them.
constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t RUSSIAN_CHARSET = 204;
constexpr std::uint8_t DEFAULT_PITCH = 0;
constexpr std::uint8_t FIXED_PITCH = 1;
constexpr std::uint8_t VARIABLE_PITCH = 2;

// The resolution that point sizes are measured against, whatever the real screen says.
constexpr int kLogPixelsY = 96;
// The height of the default form font ("MS Sans Serif", 8 points).
constexpr int kDefaultFontHeight = -11;
constexpr const char* kDefaultFontName = "MS Sans Serif";

// Height < 0: character height in pixels (the em size); > 0: cell height (ascent + descent);
// 0: the default height.
struct LogFont {
    int height = kDefaultFontHeight;
    int width = 0;        // 0: the face's natural width
    int escapement = 0;   // text direction, tenths of a degree counter-clockwise
    int orientation = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = DEFAULT_CHARSET;
    std::uint8_t pitchAndFamily = DEFAULT_PITCH;
    QString faceName = QString::fromLatin1(kDefaultFontName);

    bool operator==(const LogFont&) const = default;
};

// Points at 96 dpi to a character height, and back, rounding as the platform's MulDiv does.
int HeightFromPoints(int points);
int PointsFromHeight(int height);

// Cell metrics of a font, in pixels.
struct TextMetrics {
    int height = 0;          // ascent + descent: one line of text
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0; // cell height less the character (em) height
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
};

struct ResolvedFont;  // the Qt side of a font, shared by its copies

// A created font: the description, the Qt font it resolves to, and that font's metrics.
// Resolved on first use and shared by copies, so copies are cheap.
class Font {
public:
    Font();  // the default form font
    explicit Font(const LogFont& description);

    const LogFont& Description() const { return FDescription; }
    const QFont& ToQFont() const;
    const TextMetrics& Metrics() const;
    // The pixel (em) size given to Qt, after resolving a cell height.
    int PixelSize() const { return ToQFont().pixelSize(); }

    bool operator==(const Font& other) const { return FDescription == other.FDescription; }

private:
    const ResolvedFont& Resolved() const;

    LogFont FDescription;
    mutable std::shared_ptr<ResolvedFont> FResolved;  // filled on first use
};

Font CreateFontIndirect(const LogFont& description);

// Makes a face name resolve to the first installed family of a list (Qt's substitution table).
void RegisterFontSubstitute(const QString& faceName, const QStringList& families);
// The family a face name resolves to on this machine.
QString ResolvedFamily(const QString& faceName);

}  // namespace gdi
