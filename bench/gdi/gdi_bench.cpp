// Drawing layer costs, each beside a baseline measured in the same run:
//  - a window shape from a bitmap, run by run, against uniting one-pixel squares;
//  - a block copy through the raster-operation path against Qt's own image drawing;
//  - one clipped text output per one-pixel strip (how gradient text is drawn) against
//    one plain text output of the same text, and against the same strips laid out anew
//    each time instead of copied from the line's cached mask.
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"

#include <QGuiApplication>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace gdi;

constexpr int kShapeSize = 160;
constexpr int kBlockSize = 256;
constexpr int kStripRows = 16;

Bitmap CircleBitmap()
{
    Bitmap b(kShapeSize, kShapeSize);
    DeviceContext dc(&b);
    dc.FillRect({0, 0, kShapeSize, kShapeSize}, SolidBrush(clWhite));
    dc.SelectPen(SolidPen(clBlack));
    dc.SelectBrush(SolidBrush(clBlack));
    dc.Ellipse(0, 0, kShapeSize, kShapeSize);
    return b;
}

void BM_RegionByPixelUnion(benchmark::State& state)
{
    const Bitmap b = CircleBitmap();
    for (auto _ : state) {
        QRegion r;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.Pixel(x, y) != 0xFFFFFF)
                    r = r.united(QRect(x, y, 1, 1));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_RegionByPixelUnion)->Unit(benchmark::kMillisecond);

void BM_RegionFromBitmap(benchmark::State& state)
{
    const Bitmap b = CircleBitmap();
    for (auto _ : state)
        benchmark::DoNotOptimize(RegionFromBitmap(b, 0xFFFFFF));
}
BENCHMARK(BM_RegionFromBitmap)->Unit(benchmark::kMillisecond);

void BM_QtDrawImage(benchmark::State& state)
{
    QImage src(kBlockSize, kBlockSize, QImage::Format_RGB32);
    src.fill(Qt::red);
    QImage dst(kBlockSize, kBlockSize, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&dst);
        p.drawImage(0, 0, src);
        p.end();
        benchmark::DoNotOptimize(dst.constBits());
    }
}
BENCHMARK(BM_QtDrawImage)->Unit(benchmark::kMicrosecond);

void BM_BitBlt(benchmark::State& state)
{
    Bitmap src(kBlockSize, kBlockSize);
    Bitmap dst(kBlockSize, kBlockSize);
    DeviceContext sdc(&src);
    DeviceContext ddc(&dst);
    const auto rop = RasterOp(state.range(0));
    for (auto _ : state) {
        ddc.BitBlt(0, 0, kBlockSize, kBlockSize, sdc, 0, 0, rop);
        benchmark::DoNotOptimize(dst.Image().constBits());
    }
}
BENCHMARK(BM_BitBlt)->Arg(SRCCOPY)->Arg(SRCAND)->Arg(0x00E20746)->Unit(benchmark::kMicrosecond);

void BM_PlainText(benchmark::State& state)
{
    Bitmap b(200, 40);
    DeviceContext dc(&b);
    dc.SetBkMode(TRANSPARENT);
    for (auto _ : state)
        dc.TextOut(2, 2, u"Dupsweep replays");
}
BENCHMARK(BM_PlainText)->Unit(benchmark::kMicrosecond);

void BM_StripText(benchmark::State& state)
{
    Bitmap b(200, 40);
    DeviceContext dc(&b);
    dc.UseTextMasks(state.range(0) != 0);
    dc.SetBkMode(TRANSPARENT);
    for (auto _ : state)
        for (int i = 0; i < kStripRows; ++i) {
            const Rect strip{0, i, 200, i + 1};
            dc.ExtTextOut(2, 2, ETO_CLIPPED, &strip, u"Dupsweep replays");
        }
    state.counters["strips"] = kStripRows;
}
// 1: from the line's mask; 0: laid out for every strip.
BENCHMARK(BM_StripText)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
