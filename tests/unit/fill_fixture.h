// Shared by the queue, fill and clear tests: a node counter on the queue's allocation hooks, and a
// fixture that puts test-owned page buffers behind the program's page globals on a headless host.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

#include "harness/layer_env.h"
#include "page/page.h"
#include "screen/screen.h"
#include "support/ids.h"
#include "support/support.h"
#include "tools/tools.h"

namespace tooltest {

// Counts the queue's nodes; with a budget, refuses every allocation once it is spent.
struct NodeCounter {
    static inline long allocated = 0;
    static inline long freed = 0;
    static inline long budget = -1;  // allocations still allowed; -1 without limit

    NodeCounter() {
        allocated = freed = 0;
        budget = -1;
        lpfnNewPointNode = []() -> PointNode* {
            if (budget == 0) return nullptr;
            if (budget > 0) budget--;
            allocated++;
            return new (std::nothrow) PointNode;
        };
        lpfnDeletePointNode = [](PointNode* node) {
            freed++;
            delete node;
        };
    }
    ~NodeCounter() {
        lpfnNewPointNode = nullptr;
        lpfnDeletePointNode = nullptr;
    }
    NodeCounter(const NodeCounter&) = delete;
    NodeCounter& operator=(const NodeCounter&) = delete;
};

class PageTest : public tw::test::LayerEnv {
protected:
    static constexpr LONG kWidth = PAGE_WIDTH;
    static constexpr LONG kHeight = PAGE_HEIGHT;
    static constexpr size_t kPixels = size_t(kWidth) * kHeight;

    tw::test::HeadlessHost& host = Host();
    std::vector<BYTE> page = std::vector<BYTE>(kPixels, PAPER_INDEX);
    std::vector<BYTE> scratch = std::vector<BYTE>(kPixels, 0);

    void SetUp() override {
        // Each clock read moves 20 us: a 501-point frame of a fill then takes about 10 ms of
        // virtual time by itself, so the pacing waits stay short for the test's real time.
        host.SetQuantum(20);
        savedDib_ = lpDib;
        savedClear_ = lpDibClear;
        savedHead_ = bmfhead;
        savedBmp_ = bmp;
        savedColor_ = CurrentColorIndex;
        lpDib = page.data();
        lpDibClear = scratch.data();
        std::memset(&bmp, 0, sizeof bmp);
        bmp.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmp.bmiHeader.biWidth = kWidth;
        bmp.bmiHeader.biHeight = kHeight;
        bmp.bmiHeader.biPlanes = 1;
        bmp.bmiHeader.biBitCount = 8;
        bmp.bmiHeader.biCompression = BI_RGB;
        bmp.bmiHeader.biClrUsed = 256;
        for (int i = 0; i < ColorCount; i++) {
            bmp.bmiColors[i].rgbRed = ColorTable[i][0];
            bmp.bmiColors[i].rgbGreen = ColorTable[i][1];
            bmp.bmiColors[i].rgbBlue = ColorTable[i][2];
        }
        bmfhead.bfType = PAGE_MAGIC;
        SetPageBlank(bmfhead, TRUE);
    }
    void TearDown() override {
        lpDib = savedDib_;
        lpDibClear = savedClear_;
        bmfhead = savedHead_;
        bmp = savedBmp_;
        CurrentColorIndex = savedColor_;
        host.SetQuantum(1);
    }

    // Page point (x, y), y from the top; the buffer is stored bottom-up.
    BYTE& At(LONG x, LONG y) { return page[size_t(kHeight - 1 - y) * kWidth + x]; }
    long Count(BYTE value) const {
        long n = 0;
        for (BYTE b : page) n += (b == value);
        return n;
    }
    // Draws a closed rectangle of outline pixels.
    void Box(LONG left, LONG top, LONG right, LONG bottom) {
        for (LONG x = left; x <= right; x++) At(x, top) = At(x, bottom) = 0;
        for (LONG y = top; y <= bottom; y++) At(left, y) = At(right, y) = 0;
    }

private:
    BYTE* savedDib_ = nullptr;
    BYTE* savedClear_ = nullptr;
    BITMAPFILEHEADER savedHead_{};
    MYBITMAPINFO savedBmp_{};
    int savedColor_ = 0;
};

}  // namespace tooltest
