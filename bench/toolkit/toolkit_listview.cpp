// How long a list view of 1,000,000 owner-data rows takes from being handed its data
// provider until it has laid out and painted once, and the heap it takes for that, beside
// a plain Qt tree view over a trivial model of as many rows, measured in the same run.
// Counters: "heap_KiB" is the heap the view holds once painted (the rows' data excluded).
// Also: the report window's list box filled with 15,000 deleted paths in batches, as a removal
// delivers them, measuring each line for its sideways extent, beside a plain Qt list view given
// the same lines the same way.
#include "toolkit/ComCtrls.h"
#include "toolkit/StdCtrls.h"

#include "support/WindowBenchMain.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QListView>
#include <QStringListModel>
#include <QTreeView>
#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 3;
constexpr int kWidth = 764;
constexpr int kHeight = 417;

std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// The catalogue as the main window shows it: name, size, path, made up from the row.
class TCatalogue : public TListViewData {
public:
    int RowCount() const override { return kRows; }
    QString CellText(int row, int column) const override
    {
        switch (column) {
        case 0:
            return QStringLiteral("replay%1.rep").arg(row);
        case 1:
            return QString::number(row % 4000);
        default:
            return QStringLiteral("/home/user/replays/%1/replay%2.rep").arg(row % 97).arg(row);
        }
    }
};

class TrivialModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kColumns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row())) : QVariant();
    }
};

void BM_PlainTreeViewMillionRows(benchmark::State& state)
{
    TrivialModel model;
    std::size_t heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = HeapInUse();
        auto view = std::make_unique<QTreeView>();
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->resize(kWidth, kHeight);
        state.ResumeTiming();
        view->setModel(&model);
        benchmark::DoNotOptimize(view->grab());
        state.PauseTiming();
        heap = HeapInUse() - before;
        view.reset();
        state.ResumeTiming();
    }
    state.counters["heap_KiB"] = double(heap) / 1024;
}
BENCHMARK(BM_PlainTreeViewMillionRows)->Unit(benchmark::kMillisecond);

void BM_ListViewMillionOwnerDataRows(benchmark::State& state)
{
    TCatalogue rows;
    std::size_t heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = HeapInUse();
        auto list = std::make_unique<TListView>(nullptr);
        for (const auto& [caption, width] : {std::pair{"Name", 250}, {"Size", 80}, {"Path", 400}}) {
            TListColumn* column = list->Columns()->Add();
            column->SetCaption(QString::fromLatin1(caption));
            column->SetWidth(width);
        }
        list->SetViewStyle(vsReport);
        list->SetReadOnly(true);
        list->SetRowSelect(true);
        list->SetColumnClick(false);
        list->SetOwnerData(true);
        list->SetBounds(0, 0, kWidth, kHeight);
        state.ResumeTiming();
        list->SetDataProvider(&rows);
        benchmark::DoNotOptimize(list->grab());
        state.PauseTiming();
        heap = HeapInUse() - before;
        list.reset();
        state.ResumeTiming();
    }
    state.counters["heap_KiB"] = double(heap) / 1024;
}
BENCHMARK(BM_ListViewMillionOwnerDataRows)->Unit(benchmark::kMillisecond);

constexpr int kReportLines = 15000;
constexpr int kReportBatch = 100;

QString ReportLine(int i)
{
    return QStringLiteral("/home/user/replays/%1/season %2/replay%3.rep").arg(i % 97).arg(i % 13).arg(i);
}

void BM_PlainListViewReportFill(benchmark::State& state)
{
    for (auto _ : state) {
        QStringListModel model;
        QListView view;
        view.setUniformItemSizes(true);
        view.setModel(&model);
        view.resize(379, 438);
        for (int first = 0; first < kReportLines; first += kReportBatch) {
            model.insertRows(first, kReportBatch);
            for (int i = first; i < first + kReportBatch; ++i)
                model.setData(model.index(i), ReportLine(i));
        }
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(BM_PlainListViewReportFill)->Unit(benchmark::kMillisecond);

void BM_ListBoxReportFill(benchmark::State& state)
{
    for (auto _ : state) {
        TListBox box(nullptr);
        box.SetBounds(0, 0, 379, 438);
        box.SetItemHeight(13);
        for (int first = 0; first < kReportLines; first += kReportBatch) {
            box.Items()->BeginUpdate();
            for (int i = first; i < first + kReportBatch; ++i)
                box.Items()->Add(ReportLine(i));
            box.Items()->EndUpdate();
        }
        benchmark::DoNotOptimize(box.grab());
    }
}
BENCHMARK(BM_ListBoxReportFill)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return benchsupport::RunWindowBenchmarks(argc, argv);
}
