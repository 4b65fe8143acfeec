// tintwell-pages as a user runs it, on the two large pictures it is meant for: a 24-megapixel
// JPEG photo and an A4 page scanned at 600 dpi (as a JPEG and as a PNG). Each run starts the
// program afresh; the wall time is the benchmark's time and peak_MB the program's peak resident
// memory.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "pagemaker/pagemaker.h"
#include "pages/pictures.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using tintwell_test::Dice;
using tintwell_test::Picture;

fs::path Folder()
{
    static const fs::path folder = [] {
        fs::path f = fs::temp_directory_path() / ("tintwell-pages-bench-" + std::to_string(::getpid()));
        fs::create_directories(f);
        return f;
    }();
    return folder;
}

// 6000 x 4000: soft shapes on gradients, with a camera's grain.
const std::string& Photo()
{
    static const std::string path = [] {
        tw::pages::StartImaging(nullptr);
        std::string file = (Folder() / "photo.jpg").string();
        tintwell_test::PhotoLike(2.5, 6).Save(file, 2);
        return file;
    }();
    return path;
}

// A4 at 600 dpi, 4960 x 7016: a pencil drawing on greyish paper with grain and a shadow.
std::string Scan(const char* format)
{
    tw::pages::StartImaging(nullptr);
    Picture p(4960, 7016, 240, 238, 232);
    for (int i = 0; i < 6; i++)
        p.Ring(1200 + 2500 * (i % 2), 1300 + 2200 * (i / 2), 900, 700 + 100 * i, 14, 60 * i, 20);
    p.Box(600, 600, 4360, 6400, 16);
    Dice dice(5);
    p.Paint([&](int x, int, uint8_t* c) {
        const int grain = dice.Below(11) - 5;
        const double shade = x < 2500 ? 1.0 : 1.0 - 0.35 * (x - 2500) / 2460.0;
        for (int k = 0; k < 3; k++)
            c[k] = uint8_t(std::clamp(int(c[k] * shade) + grain, 0, 255));
    });
    std::string file = (Folder() / (std::string("scan.") + format)).string();
    p.Save(file);
    return file;
}

void RunTool(benchmark::State& state, const std::string& picture)
{
    const std::string out = (Folder() / "page.TWP").string();
    long peakKb = 0;
    for (auto _ : state) {
        const char* argv[] = {TW_PAGES_PROGRAM, "make", picture.c_str(), "-o", out.c_str(), nullptr};
        pid_t pid = 0;
        if (::posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("cannot start tintwell-pages");
            return;
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("tintwell-pages failed");
            return;
        }
        peakKb = std::max(peakKb, usage.ru_maxrss);
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    state.counters["input_MB"] = double(fs::file_size(picture)) / 1e6;
}

void BM_PagesPhoto24MpJpeg(benchmark::State& state) { RunTool(state, Photo()); }
void BM_PagesScanA4At600DpiJpeg(benchmark::State& state)
{
    static const std::string scan = Scan("jpg");
    RunTool(state, scan);
}
void BM_PagesScanA4At600DpiPng(benchmark::State& state)
{
    static const std::string scan = Scan("png");
    RunTool(state, scan);
}

BENCHMARK(BM_PagesPhoto24MpJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PagesScanA4At600DpiJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PagesScanA4At600DpiPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
