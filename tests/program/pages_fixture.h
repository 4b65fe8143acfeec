// Whole-program runs for the shell and page tests: six made-up pages, each with line art of its
// own so the screen tells which is shown, and ways to read the page and its caption off the
// screen and to check the order of what the program asked of the machine.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/mainwnd.h"
#include "app/tintwell.h"
#include "harness/program.h"
#include "host/headless/headless_host.h"
#include "page/page.h"
#include "screen/screen.h"
#include "support/ids.h"
#include "unit/page_files.h"

namespace tintwell_test {

constexpr uint32_t kPaperColour = 0xEFEFEF;
constexpr uint32_t kOutlineColour = 0x000000;

const char* const kPageNames[6] = {"dogwood.TWP", "holly.TWP", "pansies.TWP",
                                   "prickly.TWP", "weeping.twp", "buy_me4.TWP"};
const int kTitleRows[6] = {12, 21, 29, 34, 49, 0};

// The line art of made-up page n: its own spacing of outline columns and rows.
inline bool PagePaper(int page, int x, int y)
{
    return x % (29 + 2 * page) != 0 && y % (19 + page) != 0;
}

inline Bytes MadeUpPage(int page)
{
    return MonoPage(1, [page](int x, int y) { return PagePaper(page, x, y); });
}

// The Titles bitmap as the resource file holds it: true where a caption pixel is white.
class TitlesBitmap {
public:
    TitlesBitmap()
    {
        file_ = ReadFile(tw::test::SourceDir() / "resources" / "bitmaps" / "Titles.bmp");
        if (file_.size() < 62)
            return;
        offBits_ = Get32(file_, 10);
        width_ = int(Get32(file_, 18));
        height_ = int(Get32(file_, 22));
        stride_ = (width_ + 31) / 32 * 4;
        for (int k = 0; k < 2; k++) {
            const size_t at = 14 + Get32(file_, 14) + 4 * k;
            whiteIndex_[k] = file_[at] > 127 && file_[at + 1] > 127 && file_[at + 2] > 127;
        }
    }
    bool Ok() const { return width_ == 140 && height_ == 510 && file_.size() >= offBits_ + size_t(stride_) * 510; }
    bool White(int x, int y) const  // y from the top
    {
        const size_t row = size_t(height_ - 1 - y);
        const int bit = (file_[offBits_ + row * stride_ + x / 8] >> (7 - x % 8)) & 1;
        return whiteIndex_[bit];
    }

private:
    Bytes file_;
    size_t offBits_ = 0;
    int width_ = 0, height_ = 0, stride_ = 0;
    bool whiteIndex_[2] = {false, true};
};

class TintwellRun : public ::testing::Test {
protected:
    // A program whose folder holds the six made-up pages except the ones named.
    tw::test::Program& Make(std::set<int> missing = {}, tw::test::ProgramOptions options = {})
    {
        static int serial = 0;
        dir_ = fs::temp_directory_path() /
               ("tintwell-run-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::create_directories(dir_);
        for (int n = 0; n < 6; n++)
            if (!missing.count(n))
                WriteFile(dir_ / kPageNames[n], MadeUpPage(n));
        options.copyPages = false;
        options.workDir = dir_;
        program_ = std::make_unique<tw::test::Program>(options);
        return P();
    }
    tw::test::Program& P() { return *program_; }

    // Starts the program and brings it to its page screen.
    void StartToPageScreen()
    {
        P().Start();
        ASSERT_TRUE(P().Running());
        P().Wait(50);
        ASSERT_EQ(ScreenState, SCREEN_RUNNING);
        ASSERT_FALSE(P().Box()) << P().Box()->text;
    }

    uint32_t ClientPixel(int x, int y)
    {
        const POINT pt = P().Client(x, y);
        return P().Pixel(pt.x, pt.y) & 0xFFFFFF;
    }

    // Pixels of the page area that differ from made-up page n.
    int PageMismatches(int page)
    {
        int wrong = 0;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++)
                wrong += ClientPixel(PAGE_LEFT + x, PAGE_TOP + y) != (PagePaper(page, x, y) ? kPaperColour : kOutlineColour);
        return wrong;
    }

    // Pixels of the caption strip that differ from caption row c of the Titles bitmap.
    int CaptionMismatches(int row)
    {
        if (!titles_.Ok()) {
            ADD_FAILURE() << "resources/bitmaps/Titles.bmp is not a 140 x 510 one-bit bitmap";
            return -1;
        }
        int wrong = 0;
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 140; x++)
                wrong += ClientPixel(330 + x, 561 + y) != (titles_.White(x, row * 10 + y) ? 0xFFFFFFu : 0u);
        return wrong;
    }

    void ExpectPageShown(int page)
    {
        EXPECT_EQ(CurrentPage, page);
        EXPECT_EQ(PageMismatches(page), 0) << "page " << page;
        EXPECT_EQ(CaptionMismatches(kTitleRows[page]), 0) << "caption of page " << page;
    }

    const fs::path& Dir() const { return dir_; }
    Bytes PageFile(int page) { return ReadFile(dir_ / kPageNames[page]); }
    bool PageFileIsShipped(int page) { return PageFile(page) == MadeUpPage(page); }

    // Answers every open box with OK, returning what they said.
    std::vector<std::string> AnswerAll()
    {
        std::vector<std::string> texts;
        for (int i = 0; i < 20 && P().Box(); i++) {
            texts.push_back(P().Box()->text);
            P().Answer(IDOK);
        }
        return texts;
    }

    int Count(const std::string& line)
    {
        const std::vector<std::string> record = P().Record();
        return int(std::count(record.begin(), record.end(), line));
    }

    // The lines appear in the record in this order (other lines may come between them).
    void ExpectInOrder(std::initializer_list<std::string> lines)
    {
        const std::vector<std::string> record = P().Record();
        auto at = record.begin();
        for (const std::string& line : lines) {
            auto found = std::find(at, record.end(), line);
            if (found == record.end()) {
                std::string all;
                for (const std::string& r : record)
                    all += "\n  " + r;
                ADD_FAILURE() << "\"" << line << "\" missing or out of order in the record:" << all;
                return;
            }
            at = found + 1;
        }
    }

    // Finish the run (if the test has not) before the folder goes.
    void TearDown() override
    {
        program_.reset();
        std::error_code ec;
        if (!dir_.empty())
            fs::remove_all(dir_, ec);
    }

private:
    fs::path dir_;
    std::unique_ptr<tw::test::Program> program_;
    TitlesBitmap titles_;
};

}  // namespace tintwell_test
