// Engine benchmarks, each against a baseline measured in the same run:
//   ScanAgainstProbe   the scan of a generated tree of replays against a minimal probe that makes
//                      only the unavoidable calls per replay (open, size, two 256-byte reads, close),
//                      the scan reading on one thread like the probe, then on one per core
//   CatalogueBuild     catalogues of up to 1,000,000 rows, fitted to n log n, bytes per row,
//                      against plain rows of std::string fields sorted the same way
//   RemovalPlan        one run of 100,000 same-size rows against the literal exchange sort
// DUPSWEEP_BENCH_REPLAYS sets the size of the scanned tree (default 100000).
#include "ReplayTree.h"
#include "platform/fs/Paths.h"
#include "replays/Catalogue.h"
#include "replays/CatalogueBuilder.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// ---- scan against probe ----

struct ProbeFolder {
    std::string path;
    std::vector<std::string> names;
};

struct ScanTree {
    bench::TempFolder folder;
    bench::ReplayTree tree;
    std::vector<ProbeFolder> probeList;
};

ScanTree& TheScanTree()
{
    static const std::unique_ptr<ScanTree> instance = [] {
        auto t = std::make_unique<ScanTree>();
        const char* count = std::getenv("DUPSWEEP_BENCH_REPLAYS");
        t->tree = bench::MakeReplayTree(t->folder.Path(), count != nullptr ? std::strtoull(count, nullptr, 10) : 100000);
        for (const auto& path : t->tree.folders) {
            ProbeFolder folder{path, {}};
            DIR* dir = ::opendir(path.c_str());
            while (const dirent* entry = ::readdir(dir)) {
                if (files::MatchesPattern(entry->d_name, "*.rep"))
                    folder.names.emplace_back(entry->d_name);
            }
            ::closedir(dir);
            t->probeList.push_back(std::move(folder));
        }
        return t;
    }();
    return *instance;
}

std::size_t Probe(const std::vector<ProbeFolder>& list)
{
    std::size_t files = 0;
    unsigned char first[256], second[256];
    for (const auto& folder : list) {
        const int dir = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (const auto& name : folder.names) {
            const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC);
            struct stat st {};
            ::fstat(fd, &st);
            files += ::pread(fd, first, sizeof first, 50 * 256) == sizeof first
                && ::pread(fd, second, sizeof second, 40 * 256) == sizeof second;
            ::close(fd);
        }
        ::close(dir);
    }
    return files;
}

void ScanAgainstProbe(benchmark::State& state)
{
    auto& scanTree = TheScanTree();
    const replays::ScanOptions options{nullptr, nullptr, static_cast<unsigned>(state.range(0))};
    replays::Catalogue catalogue;
    // Warm the cache for both.
    Probe(scanTree.probeList);
    replays::FindReplays(catalogue, scanTree.folder.Path(), options);

    double probeSeconds = 0, scanSeconds = 0;
    std::size_t probed = 0, scanned = 0, iteration = 0;
    for (auto _ : state) {
        // Alternate which goes first, so neither always meets a cache the other just warmed.
        for (int turn = 0; turn < 2; ++turn) {
            const auto start = Clock::now();
            if ((turn + iteration) % 2 == 0) {
                probed += Probe(scanTree.probeList);
                probeSeconds += Seconds(start);
            } else {
                const auto scan = replays::FindReplays(catalogue, scanTree.folder.Path(), options);
                scanned += scan.counts.replays;
                const double seconds = Seconds(start);
                scanSeconds += seconds;
                state.SetIterationTime(seconds);
            }
        }
        ++iteration;
    }
    const double probeRate = static_cast<double>(probed) / probeSeconds;
    const double scanRate = static_cast<double>(scanned) / scanSeconds;
    state.counters["replays"] = static_cast<double>(catalogue.RowCount());
    state.counters["probe_files_per_s"] = probeRate;
    state.counters["scan_files_per_s"] = scanRate;
    state.counters["scan_vs_probe"] = scanRate / probeRate;
}
// Argument: reader threads; 1 reads like the probe, one replay at a time; 0 is one per core.
BENCHMARK(ScanAgainstProbe)->ArgName("readers")->Arg(1)->Arg(0)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);

// ---- catalogue building ----

struct Row {
    std::string path;
    std::uint64_t size;
    std::string first;
    std::string second;
};

const std::vector<Row>& Rows(std::size_t count)
{
    static std::vector<Row> rows;
    if (rows.size() < count) {
        std::mt19937_64 random(42);
        const auto text = [&](std::size_t min, std::size_t max) {
            std::string s(min + random() % (max - min + 1), '\0');
            for (auto& b : s)
                b = static_cast<char>(1 + random() % 255);
            return s;
        };
        for (std::size_t i = rows.size(); i < count; ++i) {
            char path[80];
            std::snprintf(path, sizeof path, "/home/player/replays/d%03zu/s%02zu/replay-%07zu.rep", i % 100,
                          i / 100 % 10, i);
            rows.push_back({path, 51 + random() % 1150, text(20, 80), text(20, 80)});
        }
    }
    return rows;
}

void CatalogueBuild(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto& rows = Rows(n);
    std::size_t bytes = 0, heap = 0;
    for (auto _ : state) {
        const auto heapBefore = HeapInUse();
        replays::CatalogueBuilder builder;
        for (std::size_t i = 0; i < n; ++i)
            builder.AddEntry(rows[i].path, rows[i].size, rows[i].first, rows[i].second);
        const replays::Catalogue catalogue = builder.Build();
        benchmark::DoNotOptimize(catalogue.Row(n / 2));
        bytes = catalogue.BytesUsed();
        heap = HeapInUse() - heapBefore;
    }
    state.SetComplexityN(state.range(0));
    state.counters["bytes_per_row"] = static_cast<double>(bytes) / static_cast<double>(n);
    state.counters["heap_per_row"] = static_cast<double>(heap) / static_cast<double>(n);
}
BENCHMARK(CatalogueBuild)
    ->RangeMultiplier(2)
    ->Range(1 << 17, 1 << 20)
    ->Complexity(benchmark::oNLogN)
    ->Unit(benchmark::kMillisecond);

// Baseline: the obvious representation, a row of std::string fields, stable-sorted by size.
void PlainRowsBuild(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto& rows = Rows(n);
    std::size_t heap = 0;
    for (auto _ : state) {
        const auto heapBefore = HeapInUse();
        std::vector<Row> plain;
        for (std::size_t i = 0; i < n; ++i)
            plain.push_back(rows[i]);
        std::stable_sort(plain.begin(), plain.end(), [](const Row& a, const Row& b) { return a.size < b.size; });
        benchmark::DoNotOptimize(plain.data());
        heap = HeapInUse() - heapBefore;
    }
    state.counters["heap_per_row"] = static_cast<double>(heap) / static_cast<double>(n);
}
BENCHMARK(PlainRowsBuild)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// ---- removal decisions ----

constexpr std::size_t kRunLength = 100000;
constexpr std::size_t kDuplicateEvery = 100;

// One run of same-size rows with random fingerprints; one row in a hundred repeats an earlier one.
const replays::Catalogue& OneLongRun()
{
    static const replays::Catalogue catalogue = [] {
        replays::CatalogueBuilder builder;
        std::mt19937_64 random(7);
        std::vector<std::pair<std::string, std::string>> fingerprints;
        for (std::size_t i = 0; i < kRunLength; ++i) {
            if (i > 0 && i % kDuplicateEvery == 0) {
                fingerprints.push_back(fingerprints[random() % i]);
            } else {
                std::string first(1 + random() % 255, '\0'), second(1 + random() % 255, '\0');
                for (auto& b : first)
                    b = static_cast<char>(1 + random() % 255);
                for (auto& b : second)
                    b = static_cast<char>(1 + random() % 255);
                fingerprints.emplace_back(std::move(first), std::move(second));
            }
            builder.AddEntry("/replays/" + std::to_string(i) + ".rep", 300, fingerprints.back().first,
                             fingerprints.back().second);
        }
        return builder.Build();
    }();
    return catalogue;
}

void RemovalPlan(benchmark::State& state)
{
    const auto& catalogue = OneLongRun();
    std::size_t candidates = 0;
    for (auto _ : state)
        candidates = replays::PlanRemoval(catalogue).size();
    state.counters["rows"] = static_cast<double>(catalogue.RowCount());
    state.counters["candidates"] = static_cast<double>(candidates);
}
BENCHMARK(RemovalPlan)->Unit(benchmark::kMillisecond);

// Baseline: the exchange sort as written, on the first n rows of the same run.
void LiteralExchangeSort(benchmark::State& state)
{
    const auto& catalogue = OneLongRun();
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::vector<std::string_view> slot;
        for (std::size_t i = 0; i < n; ++i)
            slot.push_back(catalogue.Row(i).FirstFingerprint);
        for (std::size_t j = 0; j + 1 < n; ++j) {
            for (std::size_t m = j + 1; m < n; ++m) {
                if (slot[j] > slot[m])
                    std::swap(slot[j], slot[m]);
            }
        }
        benchmark::DoNotOptimize(slot.data());
    }
    state.counters["rows"] = static_cast<double>(n);
}
BENCHMARK(LiteralExchangeSort)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
