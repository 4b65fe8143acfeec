// GDI's screen DCs: drawing at their origin, clipped to their region. (The drawing calls
// themselves are tested by their public behaviour in tests/api.)
#include <gtest/gtest.h>

#include "gdi/gdi_internal.h"
#include "gdi_test_host.h"
#include "windows.h"

namespace {

using tw::test::ScopedTestHost;

constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(GdiScreen, ScreenDCDrawsAtItsOriginInsideItsRegion) {
    ScopedTestHost host;
    tw::Surface& screen = host->Screen();
    // A window at (100, 50) of which only two strips are visible.
    HDC dc = tw::gdi::CreateScreenDC(100, 50, {RECT{100, 50, 140, 60}, RECT{100, 70, 140, 80}});
    ASSERT_TRUE(tw::gdi::IsScreenDC(dc));
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));
    int before = host->screenChanges;
    uint64_t version = screen.Version();
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    PatBlt(dc, 0, 0, 40, 40, PATCOPY);
    EXPECT_GT(host->screenChanges, before);
    EXPECT_GT(screen.Version(), version);
    EXPECT_EQ(screen.At(100, 50), 0xffffffu);
    EXPECT_EQ(screen.At(139, 59), 0xffffffu);
    EXPECT_EQ(screen.At(120, 65), 0u);  // covered by something else
    EXPECT_EQ(screen.At(120, 75), 0xffffffu);
    EXPECT_EQ(screen.At(140, 55), 0u);
    EXPECT_EQ(GetPixel(dc, 0, 0), kWhite);
    EXPECT_EQ(GetPixel(dc, 20, 15), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 20, 15, kWhite), CLR_INVALID);
    EXPECT_EQ(screen.At(120, 65), 0u);
    // Negative and huge coordinates are clipped, not written.
    PatBlt(dc, -100000, -100000, 200000, 200000, BLACKNESS);
    EXPECT_EQ(screen.At(100, 50), 0u);

    // The caps follow the desktop until a mode switch.
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 768);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);

    tw::gdi::SetScreenDCGeometry(dc, 0, 0, {RECT{0, 0, 800, 600}});
    SetPixel(dc, 3, 4, RGB(10, 20, 30));
    EXPECT_EQ(screen.At(3, 4), 0x0a141eu);
    // A bitmap cannot be selected into a screen DC.
    HBITMAP bm = CreateCompatibleBitmap(dc, 4, 4);
    EXPECT_EQ(SelectObject(dc, bm), nullptr);
    EXPECT_TRUE(DeleteObject(bm));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_TRUE(tw::gdi::DeleteScreenDC(dc));
    EXPECT_FALSE(tw::gdi::IsScreenDC(dc));
    // A memory DC is no screen DC and does not go that way.
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(tw::gdi::DeleteScreenDC(memory));
    EXPECT_FALSE(tw::gdi::IsScreenDC(memory));
    EXPECT_TRUE(DeleteDC(memory));
}

}  // namespace
