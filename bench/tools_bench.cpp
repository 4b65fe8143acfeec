// The colouring tools' costs on the headless host: a whole-page fill and a whole clear (CPU time,
// with the virtual clock standing in for the pacing), one page redraw, and an empty poll.
#include <benchmark/benchmark.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "host/headless/headless_host.h"
#include "page/page.h"
#include "support/support.h"
#include "tools/tools.h"

namespace {

constexpr LONG kWidth = 660, kHeight = 460;

// A paper page behind the program's page globals, on a headless host of its own.
class BenchPage {
public:
    explicit BenchPage(uint64_t quantumMicros) {
        tw::host::SetCurrent(&host_);
        host_.SetQuantum(quantumMicros);
        lpDib = page_.data();
        lpDibClear = scratch_.data();
        std::memset(&bmp, 0, sizeof bmp);
        bmp.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmp.bmiHeader.biWidth = kWidth;
        bmp.bmiHeader.biHeight = kHeight;
        bmp.bmiHeader.biPlanes = 1;
        bmp.bmiHeader.biBitCount = 8;
        bmp.bmiHeader.biSizeImage = kWidth * kHeight;
        for (int i = 0; i < ColorCount; i++) {
            bmp.bmiColors[i].rgbRed = ColorTable[i][0];
            bmp.bmiColors[i].rgbGreen = ColorTable[i][1];
            bmp.bmiColors[i].rgbBlue = ColorTable[i][2];
        }
    }
    ~BenchPage() {
        lpDib = nullptr;
        lpDibClear = nullptr;
    }
    void Fill(BYTE value) { std::memset(page_.data(), value, page_.size()); }
    tw::test::HeadlessHost& Host() { return host_; }

private:
    tw::test::HeadlessHost host_;
    std::vector<BYTE> page_ = std::vector<BYTE>(size_t(kWidth) * kHeight, PAPER_INDEX);
    std::vector<BYTE> scratch_ = std::vector<BYTE>(size_t(kWidth) * kHeight, 0);
};

// Argument: microseconds the virtual clock moves per read. At 20 us a 501-point frame uses up
// its 10 ms by itself, so the figure is the fill's own work; at 1 us the busy waits are included.
void BM_FillWholePage(benchmark::State& state) {
    BenchPage page(uint64_t(state.range(0)));
    int colour = 1;
    for (auto _ : state) {
        colour = colour % 36 + 1;
        FillRegion(330, 230, colour);
    }
    state.SetItemsProcessed(state.iterations() * 303601);
}
BENCHMARK(BM_FillWholePage)->Arg(20)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ClearWholePage(benchmark::State& state) {
    BenchPage page(uint64_t(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        page.Fill(5);
        state.ResumeTiming();
        ClearPageWave();
    }
    state.SetItemsProcessed(state.iterations() * 303601);
}
BENCHMARK(BM_ClearWholePage)->Arg(300)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ShowPage(benchmark::State& state) {
    BenchPage page(1);
    for (auto _ : state) benchmark::DoNotOptimize(ShowPage());
}
BENCHMARK(BM_ShowPage)->Unit(benchmark::kMicrosecond);

void BM_PeekMessageEmpty(benchmark::State& state) {
    BenchPage page(1);
    MSG msg;
    for (auto _ : state) benchmark::DoNotOptimize(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}
BENCHMARK(BM_PeekMessageEmpty);

}  // namespace
