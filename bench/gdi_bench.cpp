// GDI speed: drawing the 660 x 460 eight-bit page to the screen unscaled, as every page
// redraw of the fill and the clear does.
#include <benchmark/benchmark.h>

#include <vector>

#include "gdi/gdi_internal.h"
#include "layer/gdi_test_host.h"
#include "windows.h"

namespace {

void BM_StretchDIBits8BitPage(benchmark::State& state) {
    tw::test::ScopedTestHost host;
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* hdr = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    hdr->biSize = sizeof(BITMAPINFOHEADER);
    hdr->biWidth = 660;
    hdr->biHeight = 460;
    hdr->biPlanes = 1;
    hdr->biBitCount = 8;
    auto* colors = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < 256; ++i) colors[i] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    std::vector<uint8_t> bits(660 * 460);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i % 38);
    HDC dc = tw::gdi::CreateScreenDC(0, 0, {RECT{0, 0, 800, 600}});
    for (auto _ : state) {
        int lines = StretchDIBits(dc, 70, 70, 660, 460, 0, 0, 660, 460, bits.data(),
                                  reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
        benchmark::DoNotOptimize(lines);
    }
    state.SetItemsProcessed(state.iterations() * 660 * 460);
    tw::gdi::DeleteScreenDC(dc);
}
BENCHMARK(BM_StretchDIBits8BitPage)->Unit(benchmark::kMicrosecond);

}  // namespace
