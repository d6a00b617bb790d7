#include "app/CatalogueRows.h"

#include <QFile>

#include <algorithm>
#include <climits>

namespace app {

namespace {

QString decoded(std::string_view bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

} // namespace

void CatalogueRows::Publish()
{
    rows_ = int(std::min<std::size_t>(catalogue_.RowCount(), INT_MAX));
    // Reading a row puts the catalogue in order, so later reads (from any thread) only read.
    if (rows_ > 0)
        catalogue_.Row(0);
}

QString CatalogueRows::CellText(int row, int column) const
{
    if (row < 0 || row >= rows_)
        return {};
    const replays::CatalogueRow entry = catalogue_.Row(std::size_t(row));
    switch (column) {
    case kNameColumn:
        return decoded(entry.Name);
    case kSizeColumn:
        return QString::number(entry.Size);
    case kPathColumn:
        return decoded(entry.Path);
    default:
        return {};
    }
}

} // namespace app
