// Shared ground for the unit tests of the program's support services and page model: a headless
// host without a program thread, a fresh working folder, the page buffers and palette, message
// boxes answered as they open (and remembered), and builders of page files.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/tintwell.h"
#include "harness/layer_env.h"
#include "harness/program.h"
#include "page/page.h"
#include "support/support.h"
#include "user/user_internal.h"
#include "unit/page_files.h"

namespace tintwell_test {

namespace fs = std::filesystem;


struct SeenBox {
    std::string text;
    std::string caption;
    unsigned type = 0;
};

// Answers each message box the moment the code under test waits in it, clicking the next answer
// queued (IDOK when none is), and keeps what each box said.
class BoxAnswerer : public tw::test::HeadlessHost::Driver {
public:
    explicit BoxAnswerer(tw::test::HeadlessHost& host) : host_(host) {}

    std::vector<SeenBox> seen;
    std::deque<int> answers;

    void Step() override {}
    void Observe() override { AnswerTop(); }
    // Nothing due now: answer a new box, or let time run on to the next scheduled input.
    void Idle() override
    {
        if (AnswerTop())
            return;
        const uint64_t next = host_.NextInputTime();
        if (next == UINT64_MAX)
            throw tw::test::WaitForever("waiting with no message box to answer");
        host_.AdvanceTo(next);
    }

private:
    bool AnswerTop()
    {
        std::vector<tw::user::MessageBoxRecord> open = tw::user::OpenMessageBoxes();
        if (open.empty() || open.back().hwnd == answered_)
            return false;
        const tw::user::MessageBoxRecord& box = open.back();
        answered_ = box.hwnd;
        seen.push_back({box.text, box.caption, box.type});
        int id = IDOK;
        if (!answers.empty()) {
            id = answers.front();
            answers.pop_front();
        }
        HWND button = GetDlgItem(box.hwnd, id);
        RECT r{};
        if (!button || !GetWindowRect(button, &r)) {
            ADD_FAILURE() << "the box \"" << box.text << "\" has no button " << id;
            return false;
        }
        tw::host::InputEvent ev;
        ev.x = (r.left + r.right) / 2;
        ev.y = (r.top + r.bottom) / 2;
        const uint64_t now = host_.PeekMicros();
        ev.kind = tw::host::InputEvent::Kind::MouseMove;
        host_.Schedule(now, ev);
        ev.kind = tw::host::InputEvent::Kind::MouseDown;
        host_.Schedule(now + 5000, ev);
        ev.kind = tw::host::InputEvent::Kind::MouseUp;
        host_.Schedule(now + 10000, ev);
        return true;
    }

    tw::test::HeadlessHost& host_;
    HWND answered_ = nullptr;
};

// A fresh folder as the current directory, the string table reachable, no main window.
class ProgramUnitTest : public tw::test::LayerEnv {
protected:
    ProgramUnitTest() : boxes_(Host())
    {
        static int serial = 0;
        dir_ = fs::temp_directory_path() / ("tintwell-unit-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::create_directories(dir_);
        old_ = fs::current_path();
        fs::current_path(dir_);
        hInst = GetModuleHandleA(NULL);
        hWndMain = NULL;
        Host().SetDriver(&boxes_);
    }
    ~ProgramUnitTest() override
    {
        Host().SetDriver(nullptr);
        fs::current_path(old_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    BoxAnswerer& Boxes() { return boxes_; }
    const fs::path& Dir() const { return dir_; }

    int CountRecord(const std::string& prefix)
    {
        int n = 0;
        for (const std::string& line : Host().Record())
            n += line.rfind(prefix, 0) == 0;
        return n;
    }

private:
    BoxAnswerer boxes_;
    fs::path dir_;
    fs::path old_;
};

// Adds the page buffers and the display palette: what a page needs in memory.
class PageUnitTest : public ProgramUnitTest {
protected:
    PageUnitTest()
    {
        GmemSetRetryHandler(NULL);
        FreePageBuffers();
        EXPECT_EQ(AllocPageBuffers(), 1);
        std::memset(&bmfhead, 0, sizeof bmfhead);
        std::memset(&bmp, 0, sizeof bmp);
        CreateDisplayPalette();
    }
    ~PageUnitTest() override
    {
        FreePageBuffers();
        if (hPalette)
            DeleteObject(hPalette);
        hPalette = NULL;
    }
};

// The PageImage as a whole, to show that something left it alone or put it back.
struct PageImageCopy {
    BITMAPFILEHEADER head;
    MYBITMAPINFO info;
    Bytes pixels;

    static PageImageCopy Take()
    {
        PageImageCopy c;
        c.head = bmfhead;
        c.info = bmp;
        c.pixels.assign(lpDib, lpDib + kPixels);
        return c;
    }
    bool operator==(const PageImageCopy& o) const
    {
        return std::memcmp(&head, &o.head, sizeof head) == 0 && std::memcmp(&info, &o.info, sizeof info) == 0 &&
               pixels == o.pixels;
    }
};

// The PageImage byte of page point (x, y), y from the top.
inline uint8_t PagePixel(int x, int y)
{
    return lpDib[(kHeight - 1 - y) * kWidth + x];
}

}  // namespace tintwell_test
