// Blits and DIBs: monochrome sources take the destination's text and background colours,
// StretchBlt samples nearest pixels, StretchDIBits and SetDIBitsToDevice read 1/4/8/24-bit
// DIBs both ways up, scaled or not, clipped at every edge; LoadBitmapA of 1- and 4-bit BMPs.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gdi/gdi_internal.h"
#include "gdi_test_host.h"
#include "kernel/kernel_internal.h"
#include "windows.h"

namespace {

using tw::test::ScopedTestHost;

// A DIB with a full colour table, pixels addressed top-down whatever the row order.
struct TestDib {
    TestDib(int w, int h, int bpp, bool topDown = false) : width(w), height(h), bpp(bpp) {
        info.resize(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* hdr = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
        hdr->biSize = sizeof(BITMAPINFOHEADER);
        hdr->biWidth = w;
        hdr->biHeight = topDown ? -h : h;
        hdr->biPlanes = 1;
        hdr->biBitCount = WORD(bpp);
        stride = ((w * bpp + 31) / 32) * 4;
        bits.assign(size_t(stride) * h, 0);
        this->topDown = topDown;
    }
    void Color(int i, uint8_t r, uint8_t g, uint8_t b) {
        auto* q = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
        q[i] = RGBQUAD{b, g, r, 0};
    }
    void Set(int x, int y, unsigned v) {
        uint8_t* row = bits.data() + size_t(stride) * size_t(topDown ? y : height - 1 - y);
        switch (bpp) {
        case 1: row[x / 8] = uint8_t((row[x / 8] & ~(0x80 >> (x % 8))) | ((v & 1) << (7 - x % 8))); break;
        case 4: row[x / 2] = uint8_t(x % 2 ? (row[x / 2] & 0xf0) | (v & 15) : (row[x / 2] & 0x0f) | ((v & 15) << 4)); break;
        case 8: row[x] = uint8_t(v); break;
        case 24: row[3 * x] = uint8_t(v), row[3 * x + 1] = uint8_t(v >> 8), row[3 * x + 2] = uint8_t(v >> 16); break;
        }
    }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
    int width, height, bpp, stride;
    bool topDown;
    std::vector<uint8_t> info, bits;
};

// A DIB whose pixel (x, y) has colour index (x + 3y) % n, table entry i = RGB(i, 2i, 3i).
TestDib Pattern(int w, int h, int bpp, bool topDown = false) {
    TestDib d(w, h, bpp, topDown);
    int n = 1 << std::min(bpp, 8);
    for (int i = 0; i < n; ++i) d.Color(i, uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.Set(x, y, unsigned((x + 3 * y) % n));
    return d;
}
uint32_t PatternPixel(int x, int y, int bpp) {
    int n = 1 << bpp;
    unsigned i = unsigned((x + 3 * y) % n);
    return ((i * 10 & 0xff) << 16) | ((i * 20 & 0xff) << 8) | (i * 30 & 0xff);
}

class GdiDib : public ::testing::Test {
protected:
    GdiDib() { screen_ = tw::gdi::CreateScreenDC(0, 0, {RECT{0, 0, 800, 600}}); }
    ~GdiDib() override { tw::gdi::DeleteScreenDC(screen_); }
    tw::Surface& Screen() { return host_->Screen(); }
    ScopedTestHost host_;
    HDC screen_;
};

TEST_F(GdiDib, UnscaledEveryDepthBothWaysUp) {
    for (int bpp : {1, 4, 8}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bpp << " bpp, top-down " << topDown);
            TestDib d = Pattern(13, 7, bpp, topDown);
            PatBlt(screen_, 0, 0, 800, 600, BLACKNESS);
            EXPECT_EQ(StretchDIBits(screen_, 20, 30, 13, 7, 0, 0, 13, 7, d.bits.data(), d.Info(), DIB_RGB_COLORS,
                                    SRCCOPY),
                      7);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 13; ++x) ASSERT_EQ(Screen().At(20 + x, 30 + y), PatternPixel(x, y, bpp)) << x << "," << y;
            EXPECT_EQ(Screen().At(33, 30), 0u);
            EXPECT_EQ(Screen().At(20, 37), 0u);
        }
    }
}

TEST_F(GdiDib, BottomUpSourceRectangleCountsFromTheBottom) {
    TestDib up = Pattern(10, 10, 8, false), down = Pattern(10, 10, 8, true);
    // Source rectangle x 2..5, ySrc 1, height 3: for a bottom-up DIB that is image rows 6..8.
    PatBlt(screen_, 0, 0, 800, 600, BLACKNESS);
    StretchDIBits(screen_, 0, 0, 4, 3, 2, 1, 4, 3, up.bits.data(), up.Info(), DIB_RGB_COLORS, SRCCOPY);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Screen().At(x, y), PatternPixel(2 + x, 6 + y, 8)) << x << "," << y;
    // For a top-down DIB ySrc counts from the top: rows 1..3.
    StretchDIBits(screen_, 0, 0, 4, 3, 2, 1, 4, 3, down.bits.data(), down.Info(), DIB_RGB_COLORS, SRCCOPY);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Screen().At(x, y), PatternPixel(2 + x, 1 + y, 8)) << x << "," << y;
}

TEST_F(GdiDib, ScaledNearestNeighbour) {
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        TestDib d = Pattern(4, 4, bpp);
        // Doubling: every source pixel becomes a 2 x 2 block.
        StretchDIBits(screen_, 100, 100, 8, 8, 0, 0, 4, 4, d.bits.data(), d.Info(), DIB_RGB_COLORS, SRCCOPY);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) ASSERT_EQ(Screen().At(100 + x, 100 + y), PatternPixel(x / 2, y / 2, bpp));
        // Halving picks one pixel of each 2 x 2 block.
        TestDib big = Pattern(8, 8, bpp);
        StretchDIBits(screen_, 200, 200, 4, 4, 0, 0, 8, 8, big.bits.data(), big.Info(), DIB_RGB_COLORS, SRCCOPY);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) ASSERT_EQ(Screen().At(200 + x, 200 + y), PatternPixel(2 * x + 1, 2 * y + 1, bpp));
    }
}

TEST_F(GdiDib, ClippedAtEveryEdge) {
    TestDib d = Pattern(20, 20, 8);
    // Hanging over each edge of the screen: nothing outside is touched, the inside is right.
    for (POINT at : {POINT{-5, 100}, POINT{790, 100}, POINT{100, -5}, POINT{100, 590}, POINT{-10, -10}, POINT{795, 595}}) {
        SCOPED_TRACE(testing::Message() << at.x << "," << at.y);
        PatBlt(screen_, 0, 0, 800, 600, BLACKNESS);
        StretchDIBits(screen_, at.x, at.y, 20, 20, 0, 0, 20, 20, d.bits.data(), d.Info(), DIB_RGB_COLORS, SRCCOPY);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                int sx = at.x + x, sy = at.y + y;
                if (sx >= 0 && sx < 800 && sy >= 0 && sy < 600) {
                    ASSERT_EQ(Screen().At(sx, sy), PatternPixel(x, y, 8));
                }
            }
    }
    // A screen DC's region clips too, scaled or not.
    HDC partial = tw::gdi::CreateScreenDC(300, 300, {RECT{305, 305, 310, 310}});
    PatBlt(screen_, 0, 0, 800, 600, BLACKNESS);
    StretchDIBits(partial, 0, 0, 40, 40, 0, 0, 20, 20, d.bits.data(), d.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(Screen().At(304, 305), 0u);
    EXPECT_EQ(Screen().At(305, 305), PatternPixel(2, 2, 8));
    EXPECT_EQ(Screen().At(309, 309), PatternPixel(4, 4, 8));
    EXPECT_EQ(Screen().At(310, 309), 0u);
    tw::gdi::DeleteScreenDC(partial);
    // A source rectangle reaching past the image draws only what exists.
    PatBlt(screen_, 0, 0, 800, 600, BLACKNESS);
    TestDib top = Pattern(20, 20, 8, true);
    StretchDIBits(screen_, 0, 0, 10, 10, 15, 15, 10, 10, top.bits.data(), top.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(Screen().At(4, 4), PatternPixel(19, 19, 8));
    EXPECT_EQ(Screen().At(5, 5), 0u);
}

TEST_F(GdiDib, DamagedHeadersAreRefused) {
    TestDib d = Pattern(4, 4, 8);
    auto* hdr = reinterpret_cast<BITMAPINFOHEADER*>(d.info.data());
    hdr->biCompression = 1;  // RLE
    EXPECT_EQ(StretchDIBits(screen_, 0, 0, 4, 4, 0, 0, 4, 4, d.bits.data(), d.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
    hdr->biCompression = BI_RGB;
    hdr->biBitCount = 7;
    EXPECT_EQ(StretchDIBits(screen_, 0, 0, 4, 4, 0, 0, 4, 4, d.bits.data(), d.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
    hdr->biBitCount = 8;
    hdr->biWidth = -4;
    EXPECT_EQ(StretchDIBits(screen_, 0, 0, 4, 4, 0, 0, 4, 4, d.bits.data(), d.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(screen_, 0, 0, 4, 4, 0, 0, 4, 4, nullptr, d.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST_F(GdiDib, SetDIBitsToDeviceBandsOfScanLines) {
    TestDib d = Pattern(6, 6, 8);  // bottom-up: scan line 0 is image row 5
    PatBlt(screen_, 0, 0, 800, 600, BLACKNESS);
    // Scan lines 2..3 only (image rows 2..3), passed as their own block of bits.
    const uint8_t* band = d.bits.data() + 2 * d.stride;
    EXPECT_EQ(SetDIBitsToDevice(screen_, 10, 10, 6, 6, 0, 0, 2, 2, band, d.Info(), DIB_RGB_COLORS), 2);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(Screen().At(10 + x, 12), PatternPixel(x, 2, 8));
        EXPECT_EQ(Screen().At(10 + x, 13), PatternPixel(x, 3, 8));
        EXPECT_EQ(Screen().At(10 + x, 11), 0u);
        EXPECT_EQ(Screen().At(10 + x, 14), 0u);
    }
    // The whole image at once.
    EXPECT_EQ(SetDIBitsToDevice(screen_, 0, 0, 6, 6, 0, 0, 0, 6, d.bits.data(), d.Info(), DIB_RGB_COLORS), 6);
    EXPECT_EQ(Screen().At(5, 5), PatternPixel(5, 5, 8));
}

TEST_F(GdiDib, MonoBlitUsesDestinationTextAndBackground) {
    HDC memMono = CreateCompatibleDC(screen_);
    HBITMAP mono = CreateBitmap(8, 1, 1, 1, "\xF0\x00");  // four 1 bits, four 0 bits
    HGDIOBJ old = SelectObject(memMono, mono);
    SetTextColor(screen_, RGB(255, 0, 0));
    SetBkColor(screen_, RGB(0, 0, 255));
    ASSERT_TRUE(BitBlt(screen_, 0, 0, 8, 1, memMono, 0, 0, SRCCOPY));
    EXPECT_EQ(Screen().At(0, 0), 0x0000ffu);  // 1 bits: background colour
    EXPECT_EQ(Screen().At(7, 0), 0xff0000u);  // 0 bits: text colour

    // Colour -> mono: the source's background colour becomes 1 (white), the rest 0 (black).
    HDC memColor = CreateCompatibleDC(screen_);
    HBITMAP color = CreateCompatibleBitmap(screen_, 8, 1);
    HGDIOBJ oldColor = SelectObject(memColor, color);
    SetPixel(memColor, 0, 0, RGB(1, 2, 3));
    SetPixel(memColor, 1, 0, RGB(200, 200, 200));
    SetBkColor(memColor, RGB(1, 2, 3));
    BitBlt(memMono, 0, 0, 2, 1, memColor, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(memMono, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memMono, 1, 0), RGB(0, 0, 0));

    // The usual mask trick: AND the mask, then OR the image.
    SetTextColor(screen_, RGB(0, 0, 0));
    SetBkColor(screen_, RGB(255, 255, 255));
    PatBlt(screen_, 0, 0, 8, 1, WHITENESS);
    BitBlt(screen_, 0, 0, 8, 1, memMono, 0, 0, SRCAND);
    EXPECT_EQ(Screen().At(0, 0), 0xffffffu);
    EXPECT_EQ(Screen().At(1, 0), 0u);
    SelectObject(memMono, old);
    SelectObject(memColor, oldColor);
    DeleteObject(mono);
    DeleteObject(color);
    DeleteDC(memMono);
    DeleteDC(memColor);
}

TEST_F(GdiDib, StretchBltAndRops) {
    HDC mem = CreateCompatibleDC(screen_);
    HBITMAP bm = CreateCompatibleBitmap(screen_, 2, 2);
    HGDIOBJ old = SelectObject(mem, bm);
    SetPixel(mem, 0, 0, RGB(255, 0, 0));
    SetPixel(mem, 1, 0, RGB(0, 255, 0));
    SetPixel(mem, 0, 1, RGB(0, 0, 255));
    SetPixel(mem, 1, 1, RGB(255, 255, 255));
    ASSERT_TRUE(StretchBlt(screen_, 10, 10, 6, 6, mem, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(Screen().At(10, 10), 0xff0000u);
    EXPECT_EQ(Screen().At(12, 12), 0xff0000u);
    EXPECT_EQ(Screen().At(13, 10), 0x00ff00u);
    EXPECT_EQ(Screen().At(10, 15), 0x0000ffu);
    EXPECT_EQ(Screen().At(15, 15), 0xffffffu);
    BitBlt(screen_, 10, 10, 1, 1, nullptr, 0, 0, DSTINVERT);
    EXPECT_EQ(Screen().At(10, 10), 0x00ffffu);
    BitBlt(screen_, 10, 10, 1, 1, mem, 1, 1, SRCINVERT);
    EXPECT_EQ(Screen().At(10, 10), 0xff0000u);
    BitBlt(screen_, 10, 10, 1, 1, mem, 0, 0, NOTSRCCOPY);
    EXPECT_EQ(Screen().At(10, 10), 0x00ffffu);
    SelectObject(screen_, GetStockObject(GRAY_BRUSH));
    PatBlt(screen_, 10, 10, 2, 2, PATCOPY);
    EXPECT_EQ(Screen().At(11, 11), 0x808080u);
    SelectObject(mem, old);
    DeleteObject(bm);
    DeleteDC(mem);
}

// A BMP resource is the file without its 14-byte header: header, colour table, bits.
std::vector<uint8_t> PackedDib(const TestDib& d) {
    std::vector<uint8_t> out(d.info.begin(), d.info.begin() + sizeof(BITMAPINFOHEADER) + (size_t(1) << d.bpp) * 4);
    out.insert(out.end(), d.bits.begin(), d.bits.end());
    return out;
}

TEST_F(GdiDib, LoadBitmapOfOneAndFourBitResources) {
    TestDib one(10, 3, 1);
    one.Color(0, 0, 0, 0);
    one.Color(1, 255, 255, 255);
    one.Set(0, 0, 1);
    one.Set(9, 2, 1);
    static std::vector<uint8_t> onePacked = PackedDib(one);
    TestDib four = Pattern(5, 4, 4);
    static std::vector<uint8_t> fourPacked = PackedDib(four);
    tw::kernel::RegisterResource("#2", "TESTONE", onePacked.data(), onePacked.size());
    tw::kernel::RegisterResource("#2", "TESTFOUR", fourPacked.data(), fourPacked.size());

    HBITMAP b1 = LoadBitmapA(GetModuleHandleA(nullptr), "TestOne");
    ASSERT_NE(b1, nullptr);
    BITMAP bm;
    GetObjectA(b1, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);  // one bit stays monochrome
    EXPECT_EQ(bm.bmWidth, 10);
    EXPECT_EQ(bm.bmHeight, 3);
    // Drawn onto the screen it takes the DC's colours: 1 bits background, 0 bits text.
    HDC mem = CreateCompatibleDC(screen_);
    HGDIOBJ old = SelectObject(mem, b1);
    SetTextColor(screen_, RGB(0, 128, 0));
    SetBkColor(screen_, RGB(255, 255, 0));
    BitBlt(screen_, 0, 0, 10, 3, mem, 0, 0, SRCCOPY);
    EXPECT_EQ(Screen().At(0, 0), 0xffff00u);
    EXPECT_EQ(Screen().At(9, 2), 0xffff00u);
    EXPECT_EQ(Screen().At(1, 0), 0x008000u);

    HBITMAP b4 = LoadBitmapA(nullptr, "TESTFOUR");
    ASSERT_NE(b4, nullptr);
    GetObjectA(b4, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    SelectObject(mem, b4);
    BitBlt(screen_, 0, 0, 5, 4, mem, 0, 0, SRCCOPY);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Screen().At(x, y), PatternPixel(x, y, 4));
    SelectObject(mem, old);
    DeleteDC(mem);

    EXPECT_EQ(LoadBitmapA(nullptr, "NoSuchBitmap"), nullptr);
    // A truncated resource is refused rather than read past its end.
    tw::kernel::RegisterResource("#2", "SHORT", fourPacked.data(), fourPacked.size() - 1);
    EXPECT_EQ(LoadBitmapA(nullptr, "Short"), nullptr);

    host_->notes.clear();
    EXPECT_TRUE(DeleteObject(b1));
    EXPECT_TRUE(DeleteObject(b4));
    HBITMAP plain = CreateCompatibleBitmap(screen_, 800, 600);
    DeleteObject(plain);
    std::vector<std::string> want = {"DeleteObject bitmap TestOne", "DeleteObject bitmap TESTFOUR",
                                     "DeleteObject bitmap 800x600"};
    EXPECT_EQ(host_->notes, want);
}

}  // namespace
