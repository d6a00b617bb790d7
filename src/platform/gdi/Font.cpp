#include "Font.h"

#include "Geometry.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <cmath>
#include <optional>

namespace gdi {

struct ResolvedFont {
    std::optional<QFont> qfont;
    TextMetrics metrics;
};

namespace {

// Faces the windows name, mapped to metric-compatible or close faces with Cyrillic glyphs.
struct Substitute {
    const char* face;
    const char* families[2];
};
constexpr Substitute kDefaultSubstitutes[] = {
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"}},
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
};

// The size the cell-to-em ratio of a face is measured at; large so that hinting rounds little.
constexpr int kMeasureSize = 1000;
// Resolved fonts kept for reuse: every paint builds its fonts afresh.
constexpr std::size_t kCacheSize = 64;

void RegisterDefaultsOnce()
{
    static const bool done = [] {
        for (const Substitute& s : kDefaultSubstitutes)
            QFont::insertSubstitutions(QString::fromLatin1(s.face),
                                       {QString::fromLatin1(s.families[0]), QString::fromLatin1(s.families[1])});
        return true;
    }();
    (void)done;
}

QFont BaseFont(const LogFont& d)
{
    QFont f;
    f.setFamilies({ResolvedFamily(d.faceName), QStringLiteral("DejaVu Sans")});
    f.setWeight(QFont::Weight(d.weight <= 0 ? FW_NORMAL : std::min(d.weight, 1000)));
    f.setItalic(d.italic);
    f.setUnderline(d.underline);
    f.setStrikeOut(d.strikeOut);
    f.setKerning(false);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    if (d.pitchAndFamily == FIXED_PITCH)
        f.setFixedPitch(true);
    return f;
}

int EmSizeFor(const LogFont& d, const QFont& base)
{
    const int height = d.height == 0 ? kDefaultFontHeight : d.height;
    if (height < 0)
        return -height;
    // A positive height is the whole cell: find the em size whose cell is that high.
    QFont probe = base;
    probe.setPixelSize(kMeasureSize);
    const QFontMetricsF big(probe);
    const double cellPerEm = (big.ascent() + big.descent()) / kMeasureSize;
    int em = std::max(1, int(std::lround(height / cellPerEm)));
    probe.setPixelSize(em);
    const QFontMetrics m(probe);
    if (m.ascent() + m.descent() > height && em > 1)
        --em;
    return em;
}

ResolvedFont Resolve(const LogFont& d)
{
    RegisterDefaultsOnce();
    ResolvedFont r;
    QFont f = BaseFont(d);
    f.setPixelSize(EmSizeFor(d, f));
    if (d.width > 0) {
        const int natural = QFontMetrics(f).averageCharWidth();
        if (natural > 0)
            f.setStretch(std::clamp(int(std::lround(100.0 * d.width / natural)), 1, 4000));
    }
    const QFontMetrics m(f);
    r.metrics.ascent = m.ascent();
    r.metrics.descent = m.descent();
    r.metrics.height = m.ascent() + m.descent();
    r.metrics.internalLeading = std::max(0, r.metrics.height - f.pixelSize());
    r.metrics.externalLeading = std::max(0, m.leading());
    r.metrics.aveCharWidth = m.averageCharWidth();
    r.metrics.maxCharWidth = m.maxWidth();
    r.qfont = f;
    return r;
}

std::vector<std::pair<LogFont, std::shared_ptr<ResolvedFont>>>& ResolutionCache()
{
    static std::vector<std::pair<LogFont, std::shared_ptr<ResolvedFont>>> cache;
    return cache;
}

std::shared_ptr<ResolvedFont> CachedResolution(const LogFont& d)
{
    auto& cache = ResolutionCache();
    for (const auto& [key, value] : cache)
        if (key == d)
            return value;
    if (cache.size() == kCacheSize)
        cache.erase(cache.begin());
    cache.emplace_back(d, std::make_shared<ResolvedFont>(Resolve(d)));
    return cache.back().second;
}

}  // namespace

int HeightFromPoints(int points) { return -MulDiv(points, kLogPixelsY, 72); }

int PointsFromHeight(int height) { return MulDiv(-height, 72, kLogPixelsY); }

Font::Font() = default;

Font::Font(const LogFont& description) : FDescription(description) {}

const ResolvedFont& Font::Resolved() const
{
    if (!FResolved)
        FResolved = CachedResolution(FDescription);
    return *FResolved;
}

const QFont& Font::ToQFont() const { return *Resolved().qfont; }

const TextMetrics& Font::Metrics() const { return Resolved().metrics; }

Font CreateFontIndirect(const LogFont& description) { return Font(description); }

void RegisterFontSubstitute(const QString& faceName, const QStringList& families)
{
    RegisterDefaultsOnce();
    QFont::removeSubstitutions(faceName);
    QFont::insertSubstitutions(faceName, families);
    ResolutionCache().clear();  // fonts made from now on resolve afresh; existing ones keep theirs
}

QString ResolvedFamily(const QString& faceName)
{
    RegisterDefaultsOnce();
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : QFont::substitutes(faceName))
        for (const QString& name : installed)
            if (name.compare(family, Qt::CaseInsensitive) == 0)
                return name;  // the database's spelling: Qt keeps substitutes in lower case
    return faceName;
}

}  // namespace gdi
