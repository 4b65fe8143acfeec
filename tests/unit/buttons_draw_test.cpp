// Drawing of the owner-drawn buttons on a window of the test's own: the pressed and up pictures
// of a command button as its state is set and cleared.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/tintwell.h"
#include "harness/layer_env.h"
#include "screen/screen.h"

namespace {

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) return DrawButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class ButtonDrawTest : public tw::test::LayerEnv {
protected:
    HWND parent = nullptr;

    void SetUp() override {
        static const char* const up[6] = {"QuitBtn", "PrintBtn", "ClearBtn", "InfoBtn", "UpBtn", "DownBtn"};
        static const char* const down[6] = {"QuitBtnDn", "PrintBtnDn", "ClearBtnDn",
                                            "InfoBtnDn", "UpBtnDn",    "DownBtnDn"};
        HINSTANCE instance = GetModuleHandleA(nullptr);
        for (int i = 0; i < 6; i++) {
            savedUp_[i] = hbmBtnUp[i];
            savedDown_[i] = hbmBtnDown[i];
            hbmBtnUp[i] = LoadBitmapA(instance, up[i]);
            hbmBtnDown[i] = LoadBitmapA(instance, down[i]);
            ASSERT_NE(hbmBtnUp[i], nullptr) << up[i];
            ASSERT_NE(hbmBtnDown[i], nullptr) << down[i];
        }
        savedColor_ = hbmColorBtn;
        savedColorDn_ = hbmColorBtnDn;
        hbmColorBtn = LoadBitmapA(instance, "ColorBtn");
        hbmColorBtnDn = LoadBitmapA(instance, "ColorBtnDn");

        WNDCLASSA wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = instance;
        wc.lpszClassName = "ButtonDrawParent";
        RegisterClassA(&wc);
        parent = CreateWindowExA(0, "ButtonDrawParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                                 instance, nullptr);
        ASSERT_NE(parent, nullptr);
        CreateButtons(parent);
        Pump();
    }
    void TearDown() override {
        DestroyWindow(parent);
        Pump();
        for (ButtonSpec& b : CommandButtons) b.hwnd = nullptr;
        for (ButtonSpec& b : ColorButtons) b.hwnd = nullptr;
        for (int i = 0; i < 6; i++) {
            DeleteObject(hbmBtnUp[i]);
            DeleteObject(hbmBtnDown[i]);
            hbmBtnUp[i] = savedUp_[i];
            hbmBtnDown[i] = savedDown_[i];
        }
        DeleteObject(hbmColorBtn);
        DeleteObject(hbmColorBtnDn);
        hbmColorBtn = savedColor_;
        hbmColorBtnDn = savedColorDn_;
    }

    // The pixels of the parent's client area under button b (the parent has no border).
    std::vector<COLORREF> OnScreen(const ButtonSpec& b) {
        std::vector<COLORREF> out;
        HDC dc = GetDC(parent);
        for (int y = 0; y < b.height; y++)
            for (int x = 0; x < b.width; x++) out.push_back(GetPixel(dc, b.x + x, b.y + y));
        ReleaseDC(parent, dc);
        return out;
    }
    static std::vector<COLORREF> Picture(HBITMAP bitmap, int width, int height) {
        std::vector<COLORREF> out;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) out.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        return out;
    }

private:
    HBITMAP savedUp_[6]{}, savedDown_[6]{}, savedColor_ = nullptr, savedColorDn_ = nullptr;
};

TEST_F(ButtonDrawTest, CommandButtonShowsItsPressedPictureWhileItsStateIsSet) {
    for (int row = 0; row < COMMAND_BUTTON_COUNT; row++) {
        const ButtonSpec& b = CommandButtons[row];
        ASSERT_NE(b.hwnd, nullptr);
        const std::vector<COLORREF> up = Picture(hbmBtnUp[row], b.width, b.height);
        const std::vector<COLORREF> down = Picture(hbmBtnDown[row], b.width, b.height);
        ASSERT_NE(up, down) << "the two pictures of button " << b.id << " are the same";
        EXPECT_TRUE(OnScreen(b) == up) << "button " << b.id << " at rest";
        SendMessageA(b.hwnd, BM_SETSTATE, TRUE, 0);
        Pump();
        EXPECT_TRUE(OnScreen(b) == down) << "button " << b.id << " pressed";
        SendMessageA(b.hwnd, BM_SETSTATE, FALSE, 0);
        Pump();
        EXPECT_TRUE(OnScreen(b) == up) << "button " << b.id << " released";
    }
}

TEST_F(ButtonDrawTest, ColourButtonIsDrawnDownWhileFocusedAndWhenCurrent) {
    const ButtonSpec& b = ColorButtons[20];  // colour 21, not current
    auto large = [&] {
        HDC dc = GetDC(parent);
        const COLORREF c = GetPixel(dc, b.x + 3, b.y + 22);
        const COLORREF centre = GetPixel(dc, b.x + 22, b.y + 22);
        ReleaseDC(parent, dc);
        return c == centre;
    };
    EXPECT_FALSE(large());
    SetFocus(b.hwnd);
    Pump();
    EXPECT_TRUE(large());
    SetFocus(parent);
    Pump();
    EXPECT_FALSE(large());

    PickColor(MAKEWPARAM(2020, BN_DOUBLECLICKED));  // a notification code changes nothing
    EXPECT_EQ(CurrentColorId, 2020);
    EXPECT_EQ(CurrentColorIndex, 21);
    InvalidateRect(b.hwnd, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(large());
    PickColor(2001);
    Pump();
    EXPECT_FALSE(large());  // the pick redrew the button that was current
    EXPECT_EQ(CurrentColorIndex, 2);
}

}  // namespace
