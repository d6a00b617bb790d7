#pragma once
// The catalogue as the main window's list shows it: cells are read from the catalogue, and
// turned into text, only when the list draws them, so no second copy of the rows exists and a
// million rows appear at once.

#include "replays/Catalogue.h"
#include "toolkit/ComCtrls.h"

namespace app {

// Columns of the list: the row caption, then the sub-items.
enum CatalogueColumn { kNameColumn = 0, kSizeColumn = 1, kPathColumn = 2 };

class CatalogueRows : public TListViewData {
public:
    explicit CatalogueRows(const replays::Catalogue& catalogue) : FCatalogue(catalogue) {}

    // Shows the catalogue's rows, once it holds those of the last scan.
    void Publish();
    // Shows no rows, so the list reads nothing while the catalogue is replaced.
    void Withdraw() { FRows = 0; }

    int RowCount() const override { return FRows; }
    // Names and paths are bytes on disk, shown as the text that gives the same bytes back.
    QString CellText(int row, int column) const override;

private:
    const replays::Catalogue& FCatalogue;
    int FRows = 0;
};

} // namespace app
