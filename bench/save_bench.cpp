// What a page save costs on a real disk: SavePage as the program does it (new file, flushed,
// renamed over the old one, folder flushed), against the same steps without the two flushes.
// The folder is TW_BENCH_DIR, or the system's temporary folder; real time, since the flushes
// wait for the disk.
#include <benchmark/benchmark.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/headless/headless_host.h"
#include "page/page.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;

class SaveBench {
public:
    SaveBench() {
        tw::host::SetCurrent(&host_);
        const char* where = std::getenv("TW_BENCH_DIR");
        dir_ = fs::path(where && *where ? where : fs::temp_directory_path().string()) /
               ("tintwell-save-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        path_ = (dir_ / "dogwood.TWP").string();
        lpDib = pixels_.data();
        std::memset(&bmfhead, 0, sizeof bmfhead);
        bmfhead.bfType = PAGE_MAGIC;
        std::memset(&bmp, 0, sizeof bmp);
        bmp.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmp.bmiHeader.biWidth = 660;
        bmp.bmiHeader.biHeight = 460;
        bmp.bmiHeader.biBitCount = 8;
        bmp.bmiHeader.biSizeImage = 660 * 460;
    }
    ~SaveBench() {
        lpDib = nullptr;
        std::error_code ec;
        fs::remove_all(dir_, ec);
        tw::host::SetCurrent(&tw::test::ParkingHost());
    }
    const std::string& Path() const { return path_; }
    void Colour(int n) { std::memset(pixels_.data(), n % 37 + 1, pixels_.size()); }

private:
    tw::test::HeadlessHost host_;
    fs::path dir_;
    std::string path_;
    std::vector<BYTE> pixels_ = std::vector<BYTE>(size_t(660) * 460, PAPER_INDEX);
};

void BM_SavePageWriteThrough(benchmark::State& state) {
    SaveBench bench;
    int n = 0;
    for (auto _ : state) {
        bench.Colour(n++);
        if (!SavePage(bench.Path().c_str())) state.SkipWithError("SavePage failed");
    }
}
BENCHMARK(BM_SavePageWriteThrough)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes, the same new file and rename, but nothing waits for the disk.
void BM_SavePageNoFlush(benchmark::State& state) {
    SaveBench bench;
    const std::string newPath = bench.Path() + ".new";
    int n = 0;
    for (auto _ : state) {
        bench.Colour(n++);
        HFILE hFile = _lcreat(newPath.c_str(), 0);
        _lwrite(hFile, reinterpret_cast<LPCSTR>(&bmfhead), sizeof bmfhead);
        _lwrite(hFile, reinterpret_cast<LPCSTR>(&bmp), sizeof bmp);
        _hwrite(hFile, reinterpret_cast<LPCSTR>(lpDib), 660 * 460);
        _lclose(hFile);
        if (!MoveFileExA(newPath.c_str(), bench.Path().c_str(), MOVEFILE_REPLACE_EXISTING))
            state.SkipWithError("MoveFileExA failed");
    }
}
BENCHMARK(BM_SavePageNoFlush)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
