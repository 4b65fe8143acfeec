// The 42 buttons in whole-program runs: where they are, how the colour buttons show the current
// colour and the focus, picks, picks while busy, and double clicks on a page button.
#include "app/mainwnd.h"
#include "fill_pages.h"
#include "screen/screen.h"

namespace {

using namespace tooltest;
using tw::test::Program;

class ButtonsRun : public ::testing::Test {
protected:
    PageDir dir;
    Program program{OwnPages(dir)};
    void SetUp() override {
        TestPage page;
        page.Box(100, 100, 120, 120);
        WritePages(dir.Path(), page);
        StartToPageScreen(program);
    }
    // Screen colour of pixel (x, y) of colour button row r.
    uint32_t ButtonPixel(int r, int x, int y) {
        const POINT pt = program.Client(ColorButtons[r].x + x, ColorButtons[r].y + y);
        return program.Pixel(pt.x, pt.y);
    }
    // True when row r shows the large disc in its colour (the colour reaches x = 3 on row 22;
    // the small disc starts at x = 12).
    bool ShowsLargeDisc(int r) {
        const uint32_t c = Crayon(r + 1);
        return ButtonPixel(r, 22, 22) == c && ButtonPixel(r, 3, 22) == c && ButtonPixel(r, 41, 22) == c &&
               ButtonPixel(r, 22, 3) == c && ButtonPixel(r, 22, 41) == c;
    }
    bool ShowsSmallDisc(int r) {
        const uint32_t c = Crayon(r + 1);
        return ButtonPixel(r, 22, 22) == c && ButtonPixel(r, 12, 22) == c && ButtonPixel(r, 32, 22) == c &&
               ButtonPixel(r, 22, 12) == c && ButtonPixel(r, 22, 32) == c && ButtonPixel(r, 9, 22) != c &&
               ButtonPixel(r, 22, 9) != c;
    }
    void ClickColour(int r) { ClickClient(program, ColorButtons[r].x + 22, ColorButtons[r].y + 22); }
    void MoveOverPage() {
        const POINT pt = program.Client(400, 300);
        program.MoveTo(pt.x, pt.y);
    }
};

TEST_F(ButtonsRun, FortyTwoButtonsStandWhereTheTablesSay) {
    auto check = [&](const ButtonSpec& b) {
        ASSERT_NE(b.hwnd, nullptr) << "button " << b.id;
        EXPECT_EQ(GetDlgCtrlID(b.hwnd), b.id);
        EXPECT_EQ(GetParent(b.hwnd), program.MainWindow());
        EXPECT_TRUE(IsWindowVisible(b.hwnd));
        RECT rc{};
        ASSERT_TRUE(GetWindowRect(b.hwnd, &rc));
        const POINT topLeft = program.Client(b.x, b.y);
        EXPECT_EQ(rc.left, topLeft.x) << "button " << b.id;
        EXPECT_EQ(rc.top, topLeft.y) << "button " << b.id;
        EXPECT_EQ(rc.right - rc.left, b.width) << "button " << b.id;
        EXPECT_EQ(rc.bottom - rc.top, b.height) << "button " << b.id;
    };
    for (const ButtonSpec& b : CommandButtons) check(b);
    for (const ButtonSpec& b : ColorButtons) check(b);
}

TEST_F(ButtonsRun, AtStartColourTwoIsDownAndEveryOtherColourShowsASmallDisc) {
    EXPECT_EQ(CurrentColorId, 2001);
    EXPECT_EQ(CurrentColorIndex, 2);
    EXPECT_TRUE(ShowsLargeDisc(1));
    for (int r = 0; r < COLOR_BUTTON_COUNT; r++) {
        if (r == 1) continue;
        EXPECT_TRUE(ShowsSmallDisc(r)) << "colour button " << 2000 + r;
        // Outside the disc every up button is the same picture.
        for (int y = 0; y < 45; y += 4)
            for (int x = 0; x < 45; x += 4) {
                const int dx = x - 22, dy = y - 22;
                if (dx * dx + dy * dy <= 12 * 12) continue;
                ASSERT_EQ(ButtonPixel(r, x, y), ButtonPixel(0, x, y)) << 2000 + r << " at " << x << "," << y;
            }
    }
}

TEST_F(ButtonsRun, PickMakesTheColourCurrentAndRedrawsTheButtonThatWas) {
    ClickColour(10);  // id 2010, colour 11
    EXPECT_EQ(CurrentColorId, 2010);
    EXPECT_EQ(CurrentColorIndex, 11);
    EXPECT_TRUE(ShowsLargeDisc(10));
    EXPECT_TRUE(ShowsSmallDisc(1));
    MoveOverPage();  // the focus goes back to the main window; 2010 stays down as the current colour
    EXPECT_TRUE(ShowsLargeDisc(10));
    ClickClient(program, 180, 180);
    EXPECT_EQ(PagePixel(program, 110, 110), Crayon(11));

    // Both ends of the range, and picking the current colour again.
    ClickColour(0);
    EXPECT_EQ(CurrentColorIndex, 1);
    ClickColour(35);
    EXPECT_EQ(CurrentColorIndex, 36);
    ClickColour(35);
    EXPECT_EQ(CurrentColorId, 2035);
    MoveOverPage();
    EXPECT_TRUE(ShowsLargeDisc(35));
    EXPECT_TRUE(ShowsSmallDisc(0));
    EXPECT_TRUE(ShowsSmallDisc(10));
}

TEST_F(ButtonsRun, WhileBusyAPickChangesNothingButTheFocusedButtonShowsDown) {
    BusyFlag = 1;
    ClickColour(20);  // id 2020: takes the focus, but the command is dropped
    EXPECT_EQ(CurrentColorId, 2001);
    EXPECT_EQ(CurrentColorIndex, 2);
    EXPECT_TRUE(ShowsLargeDisc(20));  // focused, though not current
    EXPECT_TRUE(ShowsLargeDisc(1));
    BusyFlag = 0;
    MoveOverPage();  // the main window takes the focus back
    EXPECT_TRUE(ShowsSmallDisc(20));
    EXPECT_TRUE(ShowsLargeDisc(1));
    EXPECT_EQ(CurrentColorId, 2001);
}

TEST_F(ButtonsRun, DoubleClickOnTheNextPageButtonMovesTwoPages) {
    ASSERT_EQ(CurrentPage, 0);
    const POINT pt = program.Client(480 + 26, 543 + 22);
    program.DoubleClick(pt.x, pt.y);
    EXPECT_EQ(CurrentPage, 2);
}

TEST_F(ButtonsRun, KeyShortcutLeavesItsButtonReleased) {
    auto picture = [&](const ButtonSpec& b) {
        std::vector<uint32_t> out;
        for (int y = 0; y < b.height; y++)
            for (int x = 0; x < b.width; x++) {
                const POINT pt = program.Client(b.x + x, b.y + y);
                out.push_back(program.Pixel(pt.x, pt.y));
            }
        return out;
    };
    const ButtonSpec& down = CommandButtons[5];
    const std::vector<uint32_t> up = picture(down);
    const DWORD before = program.Ticks();
    program.Key(VK_DOWN);
    EXPECT_GE(program.Ticks() - before, 125u);
    EXPECT_EQ(CurrentPage, 1);
    EXPECT_TRUE(picture(down) == up);
}

}  // namespace
