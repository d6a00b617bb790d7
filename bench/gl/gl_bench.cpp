// The hole shape's bitmap scan: assigning a 500 x 500 picture holding a disc of non-white
// pixels to a shape on a form (scan by runs, the owner's region rebuilt and handed to the
// window) against the literal rule, one region union per non-white pixel, measured in the
// same iterations. Reported as scan_ms, union_ms and union_vs_scan.
#include "gl/glHShape.h"

#include "toolkit/Forms.h"

#include "support/PixelUnion.h"
#include "support/WindowBenchMain.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSide = 500;
// Scans per iteration: one alone is too short for the clock on a busy machine.
constexpr int kScansPerIteration = 20;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void DrawDisc(TBitmap& picture)
{
    picture.SetSize(kSide, kSide);
    picture.Canvas()->Pen()->SetColor(clNavy);
    picture.Canvas()->Brush()->SetColor(clNavy);
    picture.Canvas()->Ellipse(0, 0, kSide, kSide);
}

void BM_HoleShapeBitmapScan(benchmark::State& state)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetClientWidth(kSide + 20);
    form.SetClientHeight(kSide + 20);
    auto* shape = new TglHoleShape(&form);
    shape->SetParent(&form);
    shape->SetBounds(10, 10, kSide, kSide);
    // Two pictures with the same pixels: each assignment is a new one and is scanned again.
    TBitmap pictures[2];
    DrawDisc(pictures[0]);
    DrawDisc(pictures[1]);

    double scanSeconds = 0;
    double unionSeconds = 0;
    int scans = 0;
    int unions = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        benchmark::DoNotOptimize(testsupport::PixelUnion(pictures[0].Handle()));
        unionSeconds += Seconds(start);
        ++unions;

        start = Clock::now();
        for (int i = 0; i < kScansPerIteration; ++i)
            shape->SetShapeBitmap(&pictures[(scans + i) % 2]);
        const double seconds = Seconds(start);
        scanSeconds += seconds;
        scans += kScansPerIteration;
        state.SetIterationTime(seconds / kScansPerIteration);
    }
    const double scanMs = 1000 * scanSeconds / scans;
    const double unionMs = 1000 * unionSeconds / unions;
    state.counters["scan_ms"] = scanMs;
    state.counters["union_ms"] = unionMs;
    state.counters["union_vs_scan"] = unionMs / scanMs;
    state.counters["hole_rects"] = double(shape->HoleRegion().rectCount());
}
BENCHMARK(BM_HoleShapeBitmapScan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return benchsupport::RunWindowBenchmarks(argc, argv);
}
