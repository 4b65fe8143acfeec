// GDI drawing by its public behaviour: the polyline end-point rule, polygon fill and outline,
// rectangles, object selection and deletion rules, palettes, and bad handles.
#include "api/api_test.h"

namespace {

using tw::api::Canvas;
using tw::api::OnOurLayer;
using tw::api::OnWine;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class GdiLines : public tw::api::ApiTest {};
class GdiShapes : public tw::api::ApiTest {};
class GdiObjects : public tw::api::ApiTest {};
class GdiPalette : public tw::api::ApiTest {};

TEST_F(GdiLines, PolylineLeavesOutItsLastPoint) {
    Canvas c(20, 20);
    POINT pts[] = {{2, 2}, {10, 2}, {10, 8}};
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    ASSERT_TRUE(Polyline(c.dc, pts, 3));
    for (int x = 2; x <= 10; ++x) EXPECT_EQ(c.At(x, 2), kBlack) << x;
    for (int y = 3; y <= 7; ++y) EXPECT_EQ(c.At(10, y), kBlack) << y;
    EXPECT_EQ(c.At(10, 8), kWhite);  // the end point is not painted
    EXPECT_EQ(c.At(1, 2), kWhite);
    EXPECT_EQ(c.At(11, 2), kWhite);

    // A 45-degree segment steps one pixel each way and also stops short.
    POINT diag[] = {{0, 10}, {5, 15}};
    Polyline(c.dc, diag, 2);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(c.At(i, 10 + i), kBlack) << i;
    EXPECT_EQ(c.At(5, 15), kWhite);
    EXPECT_EQ(c.At(1, 10), kWhite);

    // LineTo follows the same rule and moves the current position.
    POINT prev;
    MoveToEx(c.dc, 15, 0, nullptr);
    LineTo(c.dc, 15, 4);
    MoveToEx(c.dc, 0, 0, &prev);
    EXPECT_EQ(prev.x, 15);
    EXPECT_EQ(prev.y, 4);
    EXPECT_EQ(c.At(15, 3), kBlack);
    EXPECT_EQ(c.At(15, 4), kWhite);
}

TEST_F(GdiLines, ScreenFrameBevelsMitre) {
    // Two bevel polylines as the screen frame draws them: white first, then grey.
    Canvas c(800, 600);
    HPEN white = CreatePen(PS_SOLID, 1, kWhite), grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    PatBlt(c.dc, 0, 0, 800, 600, BLACKNESS);
    HGDIOBJ old = SelectObject(c.dc, white);
    POINT w[] = {{3, 596}, {3, 3}, {797, 3}};
    Polyline(c.dc, w, 3);
    SelectObject(c.dc, grey);
    POINT g[] = {{796, 4}, {796, 596}, {3, 596}};
    Polyline(c.dc, g, 3);
    SelectObject(c.dc, old);
    EXPECT_EQ(c.At(796, 3), kWhite);
    EXPECT_EQ(c.At(797, 3), kBlack);
    EXPECT_EQ(c.At(796, 4), RGB(128, 128, 128));
    EXPECT_EQ(c.At(3, 596), kWhite);
    EXPECT_EQ(c.At(4, 596), RGB(128, 128, 128));
    EXPECT_EQ(c.At(3, 597), kBlack);
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_TRUE(DeleteObject(grey));
}

TEST_F(GdiShapes, PolygonFillAndOutline) {
    Canvas c(40, 40);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(c.dc, pen);
    SelectObject(c.dc, brush);
    POINT quad[] = {{5, 5}, {20, 5}, {20, 12}, {5, 12}};
    ASSERT_TRUE(Polygon(c.dc, quad, 4));
    // The outline covers every corner, closing segment included.
    EXPECT_EQ(c.At(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(c.At(20, 12), RGB(255, 0, 0));
    EXPECT_EQ(c.At(5, 12), RGB(255, 0, 0));
    EXPECT_EQ(c.At(5, 8), RGB(255, 0, 0));
    EXPECT_EQ(c.At(20, 8), RGB(255, 0, 0));
    EXPECT_EQ(c.At(6, 6), RGB(0, 0, 255));
    EXPECT_EQ(c.At(19, 11), RGB(0, 0, 255));
    EXPECT_EQ(c.At(21, 8), kWhite);
    EXPECT_EQ(c.At(4, 8), kWhite);
    EXPECT_EQ(c.At(12, 13), kWhite);

    // Without an outline the fill alone covers left/top edges but not right/bottom ones.
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    POINT band[] = {{25, 20}, {35, 20}, {35, 30}, {25, 30}};
    Polygon(c.dc, band, 4);
    EXPECT_EQ(c.At(25, 20), RGB(0, 0, 255));
    EXPECT_EQ(c.At(34, 29), RGB(0, 0, 255));
    EXPECT_EQ(c.At(35, 25), kWhite);
    EXPECT_EQ(c.At(30, 30), kWhite);

    // A triangle: alternate fill stays inside its slanted edge.
    PatBlt(c.dc, 0, 0, 40, 40, WHITENESS);
    POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
    Polygon(c.dc, tri, 3);
    EXPECT_EQ(c.At(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(c.At(6, 6), kWhite);
    EXPECT_EQ(c.At(4, 4), RGB(0, 0, 255));

    // Rectangle: pen outline on [l, r-1] x [t, b-1], brush inside.
    SelectObject(c.dc, pen);
    Rectangle(c.dc, 10, 20, 15, 25);
    EXPECT_EQ(c.At(10, 20), RGB(255, 0, 0));
    EXPECT_EQ(c.At(14, 24), RGB(255, 0, 0));
    EXPECT_EQ(c.At(12, 22), RGB(0, 0, 255));
    EXPECT_EQ(c.At(15, 22), kWhite);
    EXPECT_EQ(c.At(12, 25), kWhite);

    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(GdiObjects, SelectionDeletionAndStockRules) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    // A fresh memory DC holds a 1 x 1 monochrome bitmap, and bitmaps compatible with it are mono.
    HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
    BITMAP bm;
    ASSERT_EQ(GetObjectA(mono, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidth, 8);
    // A memory DC answers for its device, the screen, not for the bitmap it holds.
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetSystemMetrics(SM_CXSCREEN));

    HBITMAP first = static_cast<HBITMAP>(SelectObject(dc, mono));
    EXPECT_EQ(GetObjectType(first), DWORD(OBJ_BITMAP));
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    // Selected: refused, as documented. (Wine accepts it, and deletes the bitmap once deselected.)
    if (!OnWine()) {
        EXPECT_FALSE(DeleteObject(mono));
    }
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, mono), nullptr);  // a bitmap lives in one DC at a time
    EXPECT_EQ(SelectObject(dc, first), mono);
    EXPECT_TRUE(DeleteObject(mono));
    EXPECT_FALSE(DeleteObject(mono));  // already gone
    EXPECT_EQ(GetObjectType(mono), 0u);

    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, oldPen), pen);
    EXPECT_TRUE(DeleteObject(pen));

    // Stock objects survive DeleteObject, quietly.
    for (int i : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH, WHITE_PEN, BLACK_PEN,
                  NULL_PEN, SYSTEM_FONT, ANSI_VAR_FONT, DEFAULT_PALETTE}) {
        HGDIOBJ s = GetStockObject(i);
        ASSERT_NE(s, nullptr) << i;
        DeleteObject(s);
        EXPECT_NE(GetObjectType(s), 0u) << i;
    }
    EXPECT_EQ(GetObjectType(GetStockObject(LTGRAY_BRUSH)), DWORD(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_PALETTE)), DWORD(OBJ_PAL));
    EXPECT_EQ(GetStockObject(99), nullptr);

    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
}

TEST_F(GdiObjects, BadHandlesFailQuietly) {
    HDC bogus = reinterpret_cast<HDC>(uintptr_t(0x2ff12345));
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0);
    EXPECT_EQ(CreateCompatibleDC(bogus), nullptr);
    EXPECT_EQ(SelectObject(bogus, brush), nullptr);
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(uintptr_t(0x12345678))), nullptr);
    EXPECT_EQ(SelectObject(dc, dc), nullptr);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(brush), dc), nullptr);  // not a DC
    EXPECT_FALSE(BitBlt(bogus, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, bogus, 0, 0, SRCCOPY));
    // Raster operations beyond the named ones are refused by our layer; Windows has all 256.
    if (OnOurLayer()) {
        EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, 0x12345678));
    }
    EXPECT_FALSE(PatBlt(bogus, 0, 0, 1, 1, PATCOPY));
    EXPECT_FALSE(Polyline(bogus, nullptr, 2));
    EXPECT_EQ(GetPixel(bogus, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
    EXPECT_EQ(GetDeviceCaps(bogus, HORZRES), 0);
    EXPECT_EQ(CreateCompatibleBitmap(bogus, 4, 4), nullptr);
    EXPECT_EQ(SelectPalette(dc, nullptr, FALSE), nullptr);
    EXPECT_EQ(GetObjectA(bogus, 0, nullptr), 0);
    EXPECT_FALSE(DeleteObject(nullptr));
    // DCs go through DeleteDC in our layer; Windows takes them through DeleteObject too.
    if (OnOurLayer()) {
        EXPECT_FALSE(DeleteObject(dc));
    }
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteDC(dc));
    // A handle whose slot was reused by a new object stays dead.
    HBRUSH again = CreateSolidBrush(1);
    EXPECT_EQ(SelectObject(dc, again), nullptr);
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(again));
}

TEST_F(GdiPalette, CreateSelectRealizeAndRead) {
    HDC dc = CreateCompatibleDC(nullptr);
    struct {
        WORD version, count;
        PALETTEENTRY e[3];
    } lp = {0x300, 3, {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, PC_NOCOLLAPSE}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
    ASSERT_NE(pal, nullptr);
    HPALETTE old = SelectPalette(dc, pal, FALSE);
    EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
    // How many entries a true-colour device "maps" the documentation leaves open: all of them in
    // our layer, none under Wine.
    if (OnOurLayer()) {
        EXPECT_EQ(RealizePalette(dc), 3u);
    }
    PALETTEENTRY out[4] = {};
    EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 3u);
    EXPECT_EQ(GetPaletteEntries(pal, 1, 4, out), 2u);
    EXPECT_EQ(out[0].peGreen, 255);
    EXPECT_EQ(out[1].peBlue, 255);
    if (!OnWine()) {
        EXPECT_FALSE(DeleteObject(pal));  // still selected: refused, as documented
    }
    EXPECT_EQ(SelectPalette(dc, old, FALSE), pal);
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_EQ(GetPaletteEntries(pal, 0, 1, out), 0u);
    DeleteDC(dc);
    EXPECT_TRUE(Noted("CreatePalette"));
    EXPECT_TRUE(Noted("DeleteObject palette"));
}

}  // namespace
