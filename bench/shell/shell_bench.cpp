// Expanding a folder of 10,000 sub-folders the way the folder tree does (enumerate, one folder
// object per child with its name, icons, sub-folder flag and traits, then the shell's sort),
// and in the real tree view (nodes, the Qt view's layout and a paint), against a plain directory
// read of the same folder in the same run. Prints the ratios and the memory each child costs.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QTreeView>

#include "platform/shellns/Allocator.h"
#include "platform/shellns/Wide.h"
#include "shell/ShellCtrls.h"
#include "shell/ShellTreeView.h"
#include "toolkit/Application.h"

using namespace ShellCtrls;

namespace {

constexpr int kFolderCount = 10000;
constexpr int kEveryNthHasAChild = 10;

std::string gFolder;

struct Children {
    std::unique_ptr<TShellFolder> parent;
    std::vector<std::unique_ptr<TShellFolder>> items;
};

// What the tree does when a folder is first expanded.
Children Expand()
{
    Children result;
    PItemIdList list = nullptr;
    ShellFolderIntf desktop;
    shellns::GetDesktopFolder(&desktop);
    desktop->ParseDisplayName(shellns::BytesToWide(gFolder), &list);
    result.parent = FolderFromIdList(list);
    FreeIdList(list);
    shellns::EnumIdListPtr items;
    result.parent->FolderIntf()->EnumObjects(EnumFlagsFor(otFolders), &items);
    PItemIdList item = nullptr;
    while (items->Next(1, &item, nullptr) == shellns::S_OK) {
        auto child = std::make_unique<TShellFolder>(result.parent.get(),
                                                    BindChildFolder(result.parent->FolderIntf(), item), item);
        FreeIdList(item);
        benchmark::DoNotOptimize(child->InFolderName());
        benchmark::DoNotOptimize(SystemIconIndex(child->AbsIdList(), false, false));
        benchmark::DoNotOptimize(SystemIconIndex(child->AbsIdList(), false, true));
        benchmark::DoNotOptimize(child->HasFolderChildren());
        benchmark::DoNotOptimize(child->Traits());
        result.items.push_back(std::move(child));
    }
    const ShellFolderIntf parentIntf = result.parent->FolderIntf();
    std::sort(result.items.begin(), result.items.end(), [&](const auto& a, const auto& b) {
        return static_cast<std::int16_t>(parentIntf->CompareIDs(0, a->RelIdList(), b->RelIdList()) & 0xFFFF) < 0;
    });
    return result;
}

void BM_PlainDirectoryRead(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<std::string> names;
        DIR* dir = opendir(gFolder.c_str());
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        closedir(dir);
        benchmark::DoNotOptimize(names.data());
    }
}
BENCHMARK(BM_PlainDirectoryRead)->Unit(benchmark::kMillisecond);

void BM_ExpandFolder(benchmark::State& state)
{
    for (auto _ : state) {
        Children children = Expand();
        benchmark::DoNotOptimize(children.items.data());
    }
    // Memory while the children are held, as the tree holds them.
    const std::size_t before = mallinfo2().uordblks;
    Children children = Expand();
    state.counters["bytes_per_child"] =
        static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(children.items.size());
    state.counters["children"] = static_cast<double>(children.items.size());
}
BENCHMARK(BM_ExpandFolder)->Unit(benchmark::kMillisecond);

// A shown tree rooted at the folder above the big one, which shows it as its only child.
struct ShownTree {
    ShownTree()
    {
        form.SetBounds(0, 0, 300, 600);
        tree = new TShellTreeView(&form);
        tree->SetParent(&form);
        tree->SetBounds(0, 0, 300, 600);
        tree->SetRoot(gFolder.substr(0, gFolder.rfind('/')));
        form.Show();
        QApplication::processEvents();
        for (big = tree->Items()->GetFirstNode()->GetFirstChild(); big->Text() != QStringLiteral("many");)
            big = big->GetNextSibling();
    }
    // What a click on the expand button costs until the rows are on the screen.
    void Expand()
    {
        big->Expand(false);
        tree->View()->viewport()->repaint();
    }

    TForm form{nullptr};
    TShellTreeView* tree = nullptr;
    TTreeNode* big = nullptr;
};

void BM_ExpandInTreeView(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownTree>();
        state.ResumeTiming();
        shown->Expand();
        state.PauseTiming();
        benchmark::DoNotOptimize(shown->big->Count());
        shown.reset();
        state.ResumeTiming();
    }
    auto shown = std::make_unique<ShownTree>();
    const std::size_t before = mallinfo2().uordblks;
    shown->Expand();
    state.counters["bytes_per_child"] =
        static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(shown->big->Count());
    state.counters["children"] = static_cast<double>(shown->big->Count());
}
BENCHMARK(BM_ExpandInTreeView)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so the ratio can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // One time per benchmark: the mean when repetitions are aggregated.
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/dupsweep-shell-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string root = pattern;
    gFolder = root + "/many";
    for (int i = 0; i < kFolderCount; ++i) {
        const std::string folder = gFolder + "/folder " + std::to_string(i);
        std::filesystem::create_directories(i % kEveryNthHasAChild == 0 ? folder + "/inner" : folder);
    }
    setenv("HOME", root.c_str(), 1);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    ShellCtrlsModule module;

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const char* expand : {"BM_ExpandFolder", "BM_ExpandInTreeView"})
        if (reporter.times.count(expand) && reporter.times.count("BM_PlainDirectoryRead"))
            std::printf("%s / plain directory read: %.1f\n", expand,
                        reporter.times[expand] / reporter.times["BM_PlainDirectoryRead"]);
    std::filesystem::remove_all(root);
    return shellns::Allocator().LiveBlocks() == 0 ? 0 : 2;
}
