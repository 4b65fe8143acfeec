// Cursors and icons: the built-in arrow and hourglass, a monochrome .cur resource with its
// hot spot and mask, SetCursor's previous handle and the host's record, DrawIcon.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gdi/gdi_internal.h"
#include "gdi_test_host.h"
#include "kernel/kernel_internal.h"
#include "windows.h"

namespace {

using tw::test::ScopedTestHost;

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) { v[at] = uint8_t(x), v[at + 1] = uint8_t(x >> 8); }
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

// A 32 x 32 monochrome .cur: pixel (x, y) is opaque black on the top-left 4 x 4 block,
// opaque white at (10, 10), transparent elsewhere. Hot spot (3, 5).
std::vector<uint8_t> MonoCursorFile() {
    const size_t header = 6 + 16, dib = 40 + 8, xorBytes = 4 * 32, andBytes = 4 * 32;
    std::vector<uint8_t> f(header + dib + xorBytes + andBytes, 0);
    Put16(f, 2, 2);  // cursor
    Put16(f, 4, 1);
    f[6] = 32, f[7] = 32;
    Put16(f, 10, 3), Put16(f, 12, 5);
    Put32(f, 14, uint32_t(dib + xorBytes + andBytes));
    Put32(f, 18, uint32_t(header));
    size_t h = header;
    Put32(f, h, 40), Put32(f, h + 4, 32), Put32(f, h + 8, 64), Put16(f, h + 12, 1), Put16(f, h + 14, 1);
    f[h + 40 + 4] = f[h + 40 + 5] = f[h + 40 + 6] = 255;  // colour 1 white
    uint8_t* xorBits = f.data() + header + dib;
    uint8_t* andBits = xorBits + xorBytes;
    std::memset(andBits, 0xff, andBytes);  // all transparent ...
    for (int y = 0; y < 32; ++y) {
        int row = 31 - y;  // bottom-up
        if (y < 4) andBits[row * 4] &= 0x0f;  // ... but the 4 x 4 block (XOR 0 = black)
        if (y == 10) {
            andBits[row * 4 + 1] &= uint8_t(~0x20);
            xorBits[row * 4 + 1] |= 0x20;  // x = 10: white
        }
    }
    return f;
}

TEST(GdiCursor, BuiltInCursorsAndSetCursor) {
    ScopedTestHost host;
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    ASSERT_NE(arrow, nullptr);
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);  // shared
    EXPECT_NE(LoadCursorA(nullptr, IDC_IBEAM), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_CROSS), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCE(1)), nullptr);

    SetCursor(nullptr);
    int sets = host->cursorSets;
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_EQ(host->cursorName, "IDC_ARROW");
    EXPECT_EQ(host->cursorHotX, 0);
    EXPECT_EQ(host->cursorHotY, 0);
    // A black outline round a white body.
    EXPECT_EQ(host->cursorPixels[0], 0xff000000u);
    EXPECT_EQ(host->cursorPixels[size_t(5 * host->cursorWidth + 2)], 0xffffffffu);
    EXPECT_EQ(host->cursorPixels[size_t(5 * host->cursorWidth + 20)] >> 24, 0u);
    EXPECT_EQ(SetCursor(arrow), arrow);
    EXPECT_EQ(host->cursorSets, sets + 1);  // setting it again does not reach the host
    EXPECT_EQ(SetCursor(wait), arrow);
    EXPECT_EQ(host->cursorName, "IDC_WAIT");
    EXPECT_EQ(SetCursor(reinterpret_cast<HCURSOR>(uintptr_t(0x4fff0001))), nullptr);
    EXPECT_EQ(host->cursorName, "IDC_WAIT");

    POINT p;
    SetCursorPos(123, 45);
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 123);
    EXPECT_EQ(p.y, 45);
}

TEST(GdiCursor, MonochromeCursorResource) {
    ScopedTestHost host;
    static std::vector<uint8_t> file = MonoCursorFile();
    tw::kernel::RegisterResource("#12", "PENCURSOR", file.data(), file.size());
    HCURSOR pen = LoadCursorA(GetModuleHandleA(nullptr), "PenCursor");
    ASSERT_NE(pen, nullptr);
    SetCursor(pen);
    EXPECT_EQ(host->cursorName, "PenCursor");
    EXPECT_EQ(host->cursorWidth, 32);
    EXPECT_EQ(host->cursorHotX, 3);
    EXPECT_EQ(host->cursorHotY, 5);
    EXPECT_EQ(host->cursorPixels[0], 0xff000000u);
    EXPECT_EQ(host->cursorPixels[3 * 32 + 3], 0xff000000u);
    EXPECT_EQ(host->cursorPixels[4 * 32 + 4] >> 24, 0u);
    EXPECT_EQ(host->cursorPixels[10 * 32 + 10], 0xffffffffu);
    EXPECT_TRUE(DestroyCursor(pen));
    EXPECT_EQ(host->notes.back(), "DestroyCursor PenCursor");
    EXPECT_FALSE(DestroyCursor(reinterpret_cast<HCURSOR>(uintptr_t(0x4fff0001))));

    // A damaged file loads nothing.
    static std::vector<uint8_t> broken(file.begin(), file.begin() + 60);
    tw::kernel::RegisterResource("#12", "BROKEN", broken.data(), broken.size());
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), "Broken"), nullptr);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), "Absent"), nullptr);
}

TEST(GdiCursor, DrawIconSkipsTransparentPixels) {
    ScopedTestHost host;
    HICON icon = LoadIconA(nullptr, IDI_HAND);
    ASSERT_NE(icon, nullptr);
    HDC screen = tw::gdi::CreateScreenDC(0, 0, {RECT{0, 0, 800, 600}});
    PatBlt(screen, 0, 0, 64, 64, WHITENESS);
    ASSERT_TRUE(DrawIcon(screen, 10, 10, icon));
    EXPECT_EQ(GetPixel(screen, 10, 10), RGB(255, 255, 255));  // corner: transparent
    EXPECT_EQ(GetPixel(screen, 26, 12), RGB(255, 0, 0));      // inside the red disc
    EXPECT_FALSE(DrawIcon(screen, 0, 0, nullptr));
    tw::gdi::DeleteScreenDC(screen);
}

}  // namespace
