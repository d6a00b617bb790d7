#include "app/CatalogueRows.h"

#include "platform/shellns/Wide.h"

#include <algorithm>
#include <climits>

namespace app {

void CatalogueRows::Publish()
{
    FRows = int(std::min<std::size_t>(FCatalogue.RowCount(), INT_MAX));
}

QString CatalogueRows::CellText(int row, int column) const
{
    if (row < 0 || row >= FRows)
        return {};
    const replays::CatalogueRow entry = FCatalogue.Row(std::size_t(row));
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
