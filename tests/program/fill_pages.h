// Shared by the fill, clear, button and furniture runs: page files made to measure, started
// programs brought to the page screen, and colours as the screen shows them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness/program.h"
#include "host/headless/headless_host.h"
#include "page/page.h"
#include "support/ids.h"

namespace tooltest {

constexpr int kPageWidth = PAGE_WIDTH;
constexpr int kPageHeight = PAGE_HEIGHT;
constexpr int kPageLeft = PAGE_LEFT;  // client position of the page
constexpr int kPageTop = PAGE_TOP;

// A page's pixels, addressed with y from the top.
struct TestPage {
    std::vector<BYTE> pixels = std::vector<BYTE>(size_t(kPageWidth) * kPageHeight, PAPER_INDEX);

    BYTE& At(int x, int y) { return pixels[size_t(kPageHeight - 1 - y) * kPageWidth + x]; }
    BYTE At(int x, int y) const { return pixels[size_t(kPageHeight - 1 - y) * kPageWidth + x]; }
    void HLine(int y, int x0, int x1, BYTE v = 0) {
        for (int x = x0; x <= x1; x++) At(x, y) = v;
    }
    void VLine(int x, int y0, int y1, BYTE v = 0) {
        for (int y = y0; y <= y1; y++) At(x, y) = v;
    }
    void Box(int left, int top, int right, int bottom) {
        HLine(top, left, right);
        HLine(bottom, left, right);
        VLine(left, top, bottom);
        VLine(right, top, bottom);
    }
};

// Writes an eight-bit page file with the program's colours.
inline void WritePage(const std::filesystem::path& file, const TestPage& page, WORD blank) {
    BITMAPFILEHEADER head{};
    head.bfType = PAGE_MAGIC;
    head.bfOffBits = 14 + sizeof(MYBITMAPINFO);
    head.bfSize = head.bfOffBits + DWORD(page.pixels.size());
    head.bfReserved1 = blank;
    MYBITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kPageWidth;
    info.bmiHeader.biHeight = kPageHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 8;
    info.bmiHeader.biSizeImage = DWORD(page.pixels.size());
    for (int i = 0; i < ColorCount; i++) {
        info.bmiColors[i].rgbRed = ColorTable[i][0];
        info.bmiColors[i].rgbGreen = ColorTable[i][1];
        info.bmiColors[i].rgbBlue = ColorTable[i][2];
    }
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&head), 14);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(page.pixels.data()), std::streamsize(page.pixels.size()));
}

// Reads back the blank flag and the pixels of a page file the program wrote.
inline bool ReadPage(const std::filesystem::path& file, TestPage& page, WORD& blank) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != 14 + sizeof(MYBITMAPINFO) + page.pixels.size()) return false;
    std::memcpy(&blank, bytes.data() + 6, 2);
    std::memcpy(page.pixels.data(), bytes.data() + 14 + sizeof(MYBITMAPINFO), page.pixels.size());
    return true;
}

// The six page files: the given first page, the others plain paper; all blank.
inline void WritePages(const std::filesystem::path& dir, const TestPage& first) {
    WritePage(dir / PageFileNames[0], first, 1);
    for (int i = 1; i < PAGE_COUNT; i++) WritePage(dir / PageFileNames[i], TestPage{}, 1);
}

// A fresh folder for a program's pages, removed afterwards.
class PageDir {
public:
    PageDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tintwell-pages-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~PageDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    PageDir(const PageDir&) = delete;
    PageDir& operator=(const PageDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Options for a program that works in dir, with no shipped pages copied in.
inline tw::test::ProgramOptions OwnPages(const PageDir& dir) {
    tw::test::ProgramOptions options;
    options.copyPages = false;
    options.workDir = dir.Path();
    return options;
}

// Starts the program and closes the title screen, leaving the page screen up and idle.
inline void StartToPageScreen(tw::test::Program& program) {
    program.Start();
    ASSERT_TRUE(program.Running());
    program.Key(VK_RETURN);
    ASSERT_TRUE(program.Running());
}

// Screen colour (0x00RRGGBB) of palette index n.
inline uint32_t Crayon(int n) {
    return (uint32_t(ColorTable[n][0]) << 16) | (uint32_t(ColorTable[n][1]) << 8) | ColorTable[n][2];
}

// Screen colour of page point (x, y).
inline uint32_t PagePixel(tw::test::Program& program, int x, int y) {
    const POINT pt = program.Client(kPageLeft + x, kPageTop + y);
    return program.Pixel(pt.x, pt.y);
}

// Clicks the client point (x, y) of the main window.
inline void ClickClient(tw::test::Program& program, int x, int y) {
    const POINT pt = program.Client(x, y);
    program.Click(pt.x, pt.y);
}

}  // namespace tooltest
