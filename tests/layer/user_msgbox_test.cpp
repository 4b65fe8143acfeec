// MessageBoxA: a modal box with its own loop that disables the owner, keeps other windows
// painted, answers the buttons and keys, and passes a quit on.
#include <gtest/gtest.h>

#include <string>

#include "user_test_host.h"

using namespace tw::usertest;
using tw::user::OpenMessageBoxes;

namespace {

class Boxes : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        main = MakeTop();
        Pump(host);
    }
    // Clicks button `id` of the innermost box the next time the program waits for input.
    void ClickWhenIdle(int id) {
        host.onIdle = [this, id] {
            auto boxes = OpenMessageBoxes();
            if (boxes.empty()) return;
            seen.push_back(boxes.back());
            ownerEnabledDuringBox = IsWindowEnabled(main);
            HWND button = GetDlgItem(boxes.back().hwnd, id);
            RECT r;
            if (!GetWindowRect(button, &r)) return;
            host.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            host.onIdle = nullptr;
        };
    }
    void KeysWhenIdle(std::vector<unsigned> keys) {
        host.onIdle = [this, keys] {
            if (OpenMessageBoxes().empty()) return;
            for (unsigned k : keys) host.Key(k);
            host.onIdle = nullptr;
        };
    }
    TestHost host;
    HWND main = nullptr;
    std::vector<tw::user::MessageBoxRecord> seen;
    bool ownerEnabledDuringBox = true;
};

TEST_F(Boxes, DisablesItsOwnerKeepsPaintingOthersAndReturnsTheButton) {
    RECT part{10, 10, 50, 50};
    InvalidateRect(main, &part, TRUE);
    int paintsBefore = CurrentLog().Count(main, WM_PAINT);
    ClickWhenIdle(IDCANCEL);
    int result = MessageBoxA(main, "Something went wrong here.", "Tintwell", MB_OKCANCEL | MB_ICONWARNING);
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].owner, main);
    EXPECT_EQ(seen[0].text, "Something went wrong here.");
    EXPECT_EQ(seen[0].caption, "Tintwell");
    EXPECT_EQ(seen[0].type, UINT(MB_OKCANCEL | MB_ICONWARNING));
    EXPECT_FALSE(ownerEnabledDuringBox);
    EXPECT_GT(CurrentLog().Count(main, WM_PAINT), paintsBefore);  // the box's loop painted the owner

    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindow(seen[0].hwnd));
    EXPECT_TRUE(OpenMessageBoxes().empty());
    EXPECT_EQ(GetFocus(), main);
    EXPECT_TRUE(host.Noted("MessageBoxA Tintwell|Something went wrong here."));
    // The owner's notes are not disturbed by the box's own enabling.
    EXPECT_FALSE(host.Noted("EnableWindow TestWnd 0"));
    // Where the box was, the owner paints again.
    RECT upd;
    EXPECT_TRUE(GetUpdateRect(main, &upd, FALSE));
}

TEST_F(Boxes, IsCentredAndDrawnInTheClassicLook) {
    RECT box{};
    host.onIdle = [&] {
        auto boxes = OpenMessageBoxes();
        if (boxes.empty() || host.screen.At(400, 300) == 0xFFFFFFu) return;  // not painted yet
        GetWindowRect(boxes.back().hwnd, &box);
        host.Key(VK_RETURN);
        host.onIdle = nullptr;
    };
    EXPECT_EQ(MessageBoxA(main, "Could not start timer.", "Start Up", MB_ICONWARNING), IDOK);
    int w = box.right - box.left, h = box.bottom - box.top;
    EXPECT_GT(w, 100);
    EXPECT_EQ(box.left, (800 - w) / 2);
    EXPECT_EQ(box.top, (600 - h) / 2);
    EXPECT_EQ(host.screen.At(box.left + 1, box.bottom - 10), 0xFFFFFFu);  // raised frame: white inner edge
    EXPECT_EQ(host.screen.At(box.right - 1, box.top + 10), 0u);           // black outer shadow
    EXPECT_EQ(host.screen.At(box.left + 10, box.top + 4), 0x000080u);     // caption bar
}

// However long its text, a box stays on the screen: a path too long for a line is broken after a
// separator, any other word where the line ends.
TEST_F(Boxes, ALongPathOrWordStaysOnTheScreen) {
    std::string path = "/home/somebody/.local/share/tintwell";
    while (path.size() < 400) path += "/a-folder-with-a-long-name";
    for (const std::string& text : {"The file " + path + "/dogwood.TWP is missing.", std::string(2000, 'W')}) {
        RECT box{}, label{};
        host.onIdle = [&] {
            auto boxes = OpenMessageBoxes();
            if (boxes.empty()) return;
            GetWindowRect(boxes.back().hwnd, &box);
            GetWindowRect(GetDlgItem(boxes.back().hwnd, 0xFFFF), &label);
            host.Key(VK_RETURN);
            host.onIdle = nullptr;
        };
        EXPECT_EQ(MessageBoxA(main, text.c_str(), "Tintwell", MB_ICONWARNING), IDOK);
        EXPECT_GE(box.left, 0);
        EXPECT_LE(box.right, 800);
        EXPECT_GE(box.top, 0);
        EXPECT_LE(box.bottom, 600);
        EXPECT_GT(label.bottom - label.top, 30) << "on several lines";
        EXPECT_LE(label.right, box.right);
    }
}

TEST_F(Boxes, EnterChoosesTheDefaultAndEscapeCancels) {
    KeysWhenIdle({VK_RETURN});
    EXPECT_EQ(MessageBoxA(main, "Retry?", "Error", MB_RETRYCANCEL), IDRETRY);
    KeysWhenIdle({VK_ESCAPE});
    EXPECT_EQ(MessageBoxA(main, "x", "y", MB_RETRYCANCEL), IDCANCEL);
    KeysWhenIdle({VK_ESCAPE});
    EXPECT_EQ(MessageBoxA(main, "x", "y", MB_OK), IDOK);
    // Yes/No has no cancel: Esc does nothing, the letter answers.
    KeysWhenIdle({VK_ESCAPE, 'N'});
    EXPECT_EQ(MessageBoxA(main, "x", "y", MB_YESNO), IDNO);
    // Tab moves to the next button; Enter then takes it.
    KeysWhenIdle({VK_TAB, VK_RETURN});
    EXPECT_EQ(MessageBoxA(main, "x", "y", MB_OKCANCEL), IDCANCEL);
}

TEST_F(Boxes, WithoutOwnerEveryWindowWaits) {
    HWND other = MakeTop(0, 0, 100, 100);
    bool otherEnabled = true;
    host.onIdle = [&] {
        if (OpenMessageBoxes().empty()) return;
        otherEnabled = IsWindowEnabled(other) || IsWindowEnabled(main);
        host.Key(VK_RETURN);
        host.onIdle = nullptr;
    };
    EXPECT_EQ(MessageBoxA(nullptr, "ASSERTION", "ASSERTION FAILURE", MB_OKCANCEL | MB_ICONERROR | MB_TASKMODAL), IDOK);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(Boxes, AQuitSeenByTheBoxEndsItAndIsPassedOn) {
    PostQuitMessage(3);
    EXPECT_EQ(MessageBoxA(main, "x", "y", MB_OK), 0);
    EXPECT_TRUE(IsWindowEnabled(main));
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(Boxes, ABoxOpenedFromInsideABoxIsTheInnermost) {
    static HWND owner;
    static int inner;
    owner = main;
    inner = 0;
    size_t depth = 0;
    SetTimer(main, 9, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        KillTimer(owner, 9);
        inner = MessageBoxA(owner, "inner", "two", MB_YESNO);
    });
    host.onIdle = [&] {
        auto boxes = OpenMessageBoxes();
        if (boxes.size() < 2) return;
        depth = boxes.size();
        EXPECT_EQ(boxes.back().text, "inner");
        host.Key('Y');
        host.onIdle = [&] {
            if (OpenMessageBoxes().size() != 1) return;
            host.Key(VK_RETURN);
            host.onIdle = nullptr;
        };
    };
    // The timer procedure runs from the outer box's loop.
    EXPECT_EQ(MessageBoxA(main, "outer", "one", MB_OK), IDOK);
    EXPECT_EQ(depth, 2u);
    EXPECT_EQ(inner, IDYES);
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(Boxes, MessageBeepBeeps) {
    MessageBeep(MB_OK);
    EXPECT_EQ(host.beeps, 1);
}

}  // namespace
