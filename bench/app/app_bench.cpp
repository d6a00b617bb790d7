// The main window's list at the end of a large scan, each figure beside a baseline measured in
// the same run:
//  - time from a filled catalogue to the window showing it (rows handed to the list, the list
//    reset, the whole window painted), for 1,000,000 rows against an empty catalogue, and
//    against the cost of filling the catalogue itself;
//  - the memory the window adds to show the rows (resident set growth), against the memory
//    of the catalogue.
#include "app/CatalogueRows.h"
#include "app/Unit1.h"
#include "app/Unit2.h"

#include "gl/Register.h"
#include "replays/CatalogueBuilder.h"
#include "toolkit/Application.h"
#include "toolkit/ComCtrls.h"

#include "support/WindowBenchMain.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRows = 1'000'000;
constexpr int kRowsPerFolder = 500;

// A catalogue as a scan of a large collection leaves it: paths in folders, sizes spread.
replays::Catalogue Filled(int rows)
{
    replays::CatalogueBuilder builder;
    std::string path;
    for (int i = 0; i < rows; ++i) {
        path = "/home/player/replays/season " + std::to_string(i / kRowsPerFolder) + "/game " + std::to_string(i)
            + ".rep";
        const std::uint64_t size = 51 + std::uint64_t(i * 7919 % 4000);
        builder.AddEntry(path, size, "LT map " + std::to_string(i % 97), "player " + std::to_string(i % 1013));
    }
    return builder.Build();
}

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The window as the program shows it, its list given rows over catalogue.
class ShownWindow {
public:
    explicit ShownWindow(const replays::Catalogue& catalogue) : FRows(catalogue)
    {
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Form1->Show();
        QCoreApplication::processEvents();
    }
    ~ShownWindow()
    {
        Form1->ListView1->SetDataProvider(nullptr);
        delete Form2;
        delete Form1;
    }

    // What the end of a scan does, then the first paint of the whole window.
    void ShowRows()
    {
        Form1->ListView1->SetDataProvider(&FRows);
        FRows.Publish();
        Form1->ListView1->DataChanged();
        benchmark::DoNotOptimize(Form1->grab());
    }

    void HideRows()
    {
        FRows.Withdraw();
        Form1->ListView1->DataChanged();
    }

private:
    app::CatalogueRows FRows;
};

// Memory: what showing the rows adds on top of the catalogue, once per process state.
void BM_WindowMemory(benchmark::State& state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        malloc_trim(0); // what earlier runs freed goes back, so growth is this run's
        const long before = ResidentBytes();
        const replays::Catalogue catalogue = Filled(rows);
        const long filled = ResidentBytes();
        ShownWindow window(catalogue);
        window.ShowRows();
        const long shown = ResidentBytes();
        state.counters["catalogue_rss_MB"] = double(filled - before) / 1e6;
        state.counters["catalogue_bytes_MB"] = double(catalogue.BytesUsed()) / 1e6;
        state.counters["window_rss_MB"] = double(shown - filled) / 1e6;
    }
}
BENCHMARK(BM_WindowMemory)->Arg(0)->Arg(kRows)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ShowScanResult(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const replays::Catalogue catalogue = Filled(rows);
    ShownWindow window(catalogue);
    for (auto _ : state) {
        state.PauseTiming();
        window.HideRows();
        state.ResumeTiming();
        window.ShowRows();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ShowScanResult)->Arg(0)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_FillCatalogue(benchmark::State& state)
{
    for (auto _ : state) {
        const replays::Catalogue catalogue = Filled(kRows);
        benchmark::DoNotOptimize(catalogue.RowCount());
    }
}
BENCHMARK(BM_FillCatalogue)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return benchsupport::RunWindowBenchmarks(argc, argv, RegisterGlClasses);
}
