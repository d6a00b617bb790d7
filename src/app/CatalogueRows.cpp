#include "app/CatalogueRows.h"

#include "platform/shellns/Wide.h"

#include <algorithm>
#include <climits>

namespace app {

void CatalogueRows::Publish()
{
    rows_ = int(std::min<std::size_t>(catalogue_.RowCount(), INT_MAX));
}

QString CatalogueRows::CellText(int row, int column) const
{
    if (row < 0 || row >= rows_)
        return {};
    const replays::CatalogueRow entry = catalogue_.Row(std::size_t(row));
    switch (column) {
    case kNameColumn:
        return shellns::PathToText(entry.Name);
    case kSizeColumn:
        return QString::number(entry.Size);
    case kPathColumn:
        return shellns::PathToText(entry.Path);
    default:
        return {};
    }
}

} // namespace app
