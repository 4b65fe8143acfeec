// tintwell-pages as a user runs it, on the two large pictures it is meant for: a 24-megapixel
// JPEG photo and an A4 page scanned at 600 dpi (as a JPEG and as a PNG). Each run starts the
// program afresh; the wall time is the benchmark's time, peak_MB the program's peak resident
// memory and cpu_s the processor time it took.
#include <benchmark/benchmark.h>

#include <fcntl.h>
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

// A folder for the pictures and pages, removed at the end.
struct BenchFolder {
    fs::path path = fs::temp_directory_path() / ("tintwell-pages-bench-" + std::to_string(::getpid()));
    BenchFolder() { fs::create_directories(path); }
    ~BenchFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

fs::path Folder()
{
    static const BenchFolder folder;
    return folder.path;
}

// Draws and saves a picture in a child process, so that this process (whose memory a started
// program's peak would otherwise include until its exec) stays small.
template <class Draw>
std::string Made(const std::string& name, Draw draw)
{
    const std::string file = (Folder() / name).string();
    if (fs::exists(file))
        return file;
    const pid_t pid = ::fork();
    if (pid == 0) {
        tw::pages::StartImaging(nullptr);
        draw(file);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return file;
}

// 6000 x 4000: shapes on gradients, with a camera's grain (which makes it as large a file as a
// camera's).
std::string Photo()
{
    return Made("photo.jpg", [](const std::string& file) { tintwell_test::PhotoLike(2.5, 12).Save(file); });
}

// A4 at 600 dpi, 4960 x 7016: a pencil drawing on greyish paper with grain and a shadow.
std::string Scan(const char* format)
{
    return Made(std::string("scan.") + format, [](const std::string& file) {
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
        p.Save(file);
    });
}

void RunTool(benchmark::State& state, const std::string& picture)
{
    const std::string out = (Folder() / "page.TWP").string();
    long peakKb = 0;
    double cpu = 0;
    for (auto _ : state) {
        const char* argv[] = {TW_PAGES_PROGRAM, "make", picture.c_str(), "-o", out.c_str(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int failed = ::posix_spawn(&pid, argv[0], &quiet, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (failed) {
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
        cpu += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    state.counters["cpu_s"] = cpu / double(state.iterations());
    state.counters["input_MB"] = double(fs::file_size(picture)) / 1e6;
}

void BM_PagesPhoto24MpJpeg(benchmark::State& state) { RunTool(state, Photo()); }
void BM_PagesScanA4At600DpiJpeg(benchmark::State& state) { RunTool(state, Scan("jpg")); }
void BM_PagesScanA4At600DpiPng(benchmark::State& state) { RunTool(state, Scan("png")); }

BENCHMARK(BM_PagesPhoto24MpJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PagesScanA4At600DpiJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PagesScanA4At600DpiPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
