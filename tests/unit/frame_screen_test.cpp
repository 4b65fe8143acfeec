// The screen frame and the dotted backdrop, drawn into memory bitmaps.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/tintwell.h"
#include "harness/layer_env.h"
#include "screen/screen.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kUntouched = RGB(1, 2, 3);

// A memory DC holding a bitmap of the given size, filled with kUntouched.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        HBRUSH brush = CreateSolidBrush(kUntouched);
        HGDIOBJ oldBrush = SelectObject(dc_, brush);
        PatBlt(dc_, 0, 0, width, height, PATCOPY);
        SelectObject(dc_, oldBrush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC Dc() const { return dc_; }
    std::vector<COLORREF> Pixels() const {
        std::vector<COLORREF> out;
        out.reserve(size_t(width_) * height_);
        for (int y = 0; y < height_; y++)
            for (int x = 0; x < width_; x++) out.push_back(GetPixel(dc_, x, y));
        return out;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

class ScreenFurnitureTest : public tw::test::LayerEnv {
protected:
    void SetUp() override {
        savedTitleArea_ = hbmTitleArea;
        savedDotPattern_ = hbmDotPattern;
        hbmTitleArea = LoadBitmapA(GetModuleHandleA(nullptr), "TitleArea");
        hbmDotPattern = LoadBitmapA(GetModuleHandleA(nullptr), "DotPattern");
        ASSERT_NE(hbmTitleArea, nullptr);
        ASSERT_NE(hbmDotPattern, nullptr);
    }
    void TearDown() override {
        DeleteObject(hbmTitleArea);
        DeleteObject(hbmDotPattern);
        hbmTitleArea = savedTitleArea_;
        hbmDotPattern = savedDotPattern_;
    }

private:
    HBITMAP savedTitleArea_ = nullptr, savedDotPattern_ = nullptr;
};

// The frame's colour at (x, y) from the screen's layout, kUntouched for the page, 0xFFFFFFFF
// for the title area.
COLORREF FrameColour(int x, int y) {
    if (x <= 2 || x >= 797 || y <= 2 || y >= 597) return kBlack;
    // The raised bevel: white left and top, grey right and bottom; the corners where they meet
    // are split on the diagonal, the diagonal itself white.
    {
        const int left = x - 3, top = y - 3, right = 796 - x, bottom = 596 - y;
        const int nearest = std::min(std::min(left, top), std::min(right, bottom));
        if (nearest <= 2) {
            if (left == nearest || top == nearest) return kWhite;
            return kGrey;
        }
    }
    if (x >= 326 && x <= 473 && y >= 543 && y <= 587) return 0xFFFFFFFF;
    if (x <= 62 || x >= 737 || y <= 62 || y >= 537) return kLightGrey;
    // The sunken well: grey left and top, white right and bottom; at the top-right corner the
    // diagonal is white, at the bottom-left it is grey.
    {
        const int left = x - 63, top = y - 63, right = 736 - x, bottom = 536 - y;
        const int nearest = std::min(std::min(left, top), std::min(right, bottom));
        if (nearest <= 2) {
            if (left == nearest && bottom == nearest) return kGrey;
            if (right == nearest || bottom == nearest) return kWhite;
            return kGrey;
        }
    }
    if (x <= 69 || x >= 730 || y <= 69 || y >= 530) return kBlack;
    return kUntouched;
}

TEST_F(ScreenFurnitureTest, FrameDrawsTheLayoutAndNothingInsideThePage) {
    Canvas title(148, 45);
    {
        HDC mem = CreateCompatibleDC(title.Dc());
        HGDIOBJ old = SelectObject(mem, hbmTitleArea);
        BitBlt(title.Dc(), 0, 0, 148, 45, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    const std::vector<COLORREF> titlePixels = title.Pixels();

    Canvas canvas(800, 600);
    DrawScreenFrame(canvas.Dc());
    const std::vector<COLORREF> first = canvas.Pixels();
    int wrong = 0;
    for (int y = 0; y < 600 && wrong < 10; y++)
        for (int x = 0; x < 800 && wrong < 10; x++) {
            COLORREF want = FrameColour(x, y);
            if (want == 0xFFFFFFFF) want = titlePixels[size_t(y - 543) * 148 + (x - 326)];
            const COLORREF got = first[size_t(y) * 800 + x];
            if (got != want) {
                ADD_FAILURE() << "(" << x << ", " << y << ") is " << std::hex << got << ", want " << want;
                wrong++;
            }
        }

    // Spot checks of the mitres as they are meant to look.
    auto at = [&](int x, int y) { return first[size_t(y) * 800 + x]; };
    EXPECT_EQ(at(796, 3), kWhite);
    EXPECT_EQ(at(797, 3), kBlack);
    EXPECT_EQ(at(795, 4), kWhite);
    EXPECT_EQ(at(796, 4), kGrey);
    EXPECT_EQ(at(794, 5), kWhite);
    EXPECT_EQ(at(795, 5), kGrey);
    EXPECT_EQ(at(3, 596), kWhite);
    EXPECT_EQ(at(4, 596), kGrey);
    EXPECT_EQ(at(5, 594), kWhite);
    EXPECT_EQ(at(5, 595), kGrey);
    EXPECT_EQ(at(735, 63), kGrey);
    EXPECT_EQ(at(736, 63), kWhite);
    EXPECT_EQ(at(733, 65), kGrey);
    EXPECT_EQ(at(734, 65), kWhite);
    EXPECT_EQ(at(63, 536), kGrey);
    EXPECT_EQ(at(64, 536), kWhite);
    EXPECT_EQ(at(65, 534), kGrey);
    EXPECT_EQ(at(65, 535), kWhite);

    // Nothing accumulates: a second draw over the first leaves the same picture.
    DrawScreenFrame(canvas.Dc());
    EXPECT_TRUE(canvas.Pixels() == first);
}

TEST_F(ScreenFurnitureTest, BackdropTilesTheDotPatternExactlyOver800By600) {
    Canvas canvas(808, 608);
    DrawBackdrop(canvas.Dc());
    const std::vector<COLORREF> first = canvas.Pixels();
    int wrong = 0;
    for (int y = 0; y < 608 && wrong < 10; y++)
        for (int x = 0; x < 808 && wrong < 10; x++) {
            const int px = x % 8, py = y % 8;
            COLORREF want = ((px == 4 && py <= 6) || (py == 3 && px >= 1)) ? kBlack : kYellow;
            if (x >= 800 || y >= 600) want = kUntouched;
            const COLORREF got = first[size_t(y) * 808 + x];
            if (got != want) {
                ADD_FAILURE() << "(" << x << ", " << y << ") is " << std::hex << got << ", want " << want;
                wrong++;
            }
        }
    DrawBackdrop(canvas.Dc());
    EXPECT_TRUE(canvas.Pixels() == first);
}

}  // namespace
