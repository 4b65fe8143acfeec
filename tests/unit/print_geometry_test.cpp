// The print methods' geometry on the fake printer at the sizes that matter: where the framed,
// turned picture lands and how large, the turning direction, white paper, black outline and
// crayon 1, crayon 27 as white, the black margin (4 source pixels) and frame (3), the factor of
// Alternate 2 with its limits, and the page in memory left as it was.
#include <algorithm>

#include "gdi/gdi_internal.h"
#include "print/print.h"
#include "unit/page_fixture.h"

using namespace tintwell_test;

namespace {

const DOCINFOA kDoc = {sizeof(DOCINFOA), "Tintwell: Printing", nullptr, nullptr, 0};
constexpr uint32_t kWhite = 0xffffff, kBlack = 0, kRed = 0xff0000, kYellow = 0xffff00;

// Blocks painted on the page, in page points (y from the top).
struct Block {
    int x, y, size;
    BYTE index;
    uint32_t printed;
};
const Block kBlocks[] = {
    {0, 0, 30, 2, kRed},          // top-left corner: turned, it is the bottom-left
    {630, 0, 30, 4, kYellow},     // top-right corner: turned, the top-left
    {320, 220, 20, 1, kBlack},    // crayon 1
    {100, 400, 30, 27, kWhite},   // crayon 27
    {500, 300, 30, 0, kBlack},    // outline
};

class PrintGeometry : public PageUnitTest {
protected:
    PrintGeometry()
    {
        bmp.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmp.bmiHeader.biWidth = kWidth;
        bmp.bmiHeader.biHeight = kHeight;
        bmp.bmiHeader.biPlanes = 1;
        bmp.bmiHeader.biBitCount = 8;
        std::fill(lpDib, lpDib + kPixels, BYTE(PAPER_INDEX));
        for (const Block& b : kBlocks)
            for (int y = b.y; y < b.y + b.size; ++y)
                for (int x = b.x; x < b.x + b.size; ++x)
                    lpDib[(kHeight - 1 - y) * kWidth + x] = b.index;
        PrintMethod = 0;
    }
    ~PrintGeometry() override { PrintMethod = 0; }

    // Prints by the current method on a printer of that page; returns the page printed.
    const tw::Surface& Print(int xPage, int yPage)
    {
        Host().Printers().ClearRecord();
        Host().Printers().AddPrinter("Plotter", xPage, yPage, 600, true);
        std::string error;
        HDC dc = tw::gdi::CreatePrinterDC("Plotter", NULL, error);
        EXPECT_TRUE(dc) << error;
        EXPECT_GT(StartDocA(dc, &kDoc), 0);
        EXPECT_GT(StartPage(dc), 0);
        if (PrintMethod == 0)
            PrintDefault(dc, short(xPage), short(yPage));
        else
            PrintAlternate(dc, short(xPage), short(yPage));
        EXPECT_GT(EndPage(dc), 0);
        EXPECT_GT(EndDoc(dc), 0);
        DeleteDC(dc);
        EXPECT_EQ(Host().Printers().Pages().size(), 1u);
        return Host().Printers().Pages().front();
    }
};

TEST_F(PrintGeometry, TheFramedTurnedPictureLandsWhereTheMethodPutsIt)
{
    struct Row {
        int method, xPage, yPage;
        int left, top, width, height;  // the framed picture on the device
    } rows[] = {
        {0, 4800, 6360, 729, 795, 3341, 4770},
        {1, 4800, 6360, 731, 795, 3337, 4770},
        {2, 4800, 6360, 536, 516, 3728, 5328},    // f = 8
        {0, 2400, 3180, 365, 397, 1670, 2385},
        {1, 2400, 3180, 366, 397, 1668, 2384},    // halves of 1192 at 397 and 1589
        {2, 2400, 3180, 268, 258, 1864, 2664},    // f = 4
        {2, 1000, 1300, -199, -349, 1398, 1998},  // f raised to 3, clipped
        {2, 1000, 30000, -4160, 8340, 9320, 13320},  // f = 40, lowered to 20
        {5, 4800, 6360, 731, 795, 3337, 4770},    // any other value prints by Alternate 1
    };
    const PageImageCopy before = PageImageCopy::Take();
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "method " << r.method << " at " << r.xPage << " x " << r.yPage);
        PrintMethod = r.method;
        const tw::Surface& page = Print(r.xPage, r.yPage);
        ASSERT_EQ(page.Width(), r.xPage);

        // Inside the page, the picture's black frame is the edge of everything not white.
        int l = page.Width(), t = page.Height(), rt = -1, b = -1;
        for (int y = 0; y < page.Height(); ++y) {
            const uint32_t* row = page.Row(y);
            for (int x = 0; x < page.Width(); ++x)
                if (row[x] != kWhite)
                    l = std::min(l, x), rt = std::max(rt, x), t = std::min(t, y), b = std::max(b, y);
        }
        if (r.left >= 0 && r.top >= 0) {
            EXPECT_EQ(l, r.left);
            EXPECT_EQ(t, r.top);
            EXPECT_EQ(rt + 1 - l, r.width);
            EXPECT_EQ(b + 1 - t, r.height);
        }

        // Turned picture point (u, v) of the framed picture, sampled where the device shows it.
        const int m = r.method == 0 ? 4 : 3;
        const int framedW = kHeight + 2 * m, framedH = kWidth + 2 * m;
        auto at = [&](double u, double v, uint32_t& pixel) {
            int x = r.left + int((u + 0.5) * r.width / framedW), y = r.top + int((v + 0.5) * r.height / framedH);
            if (!page.Contains(x, y))
                return false;
            pixel = page.At(x, y);
            return true;
        };
        int seen = 0;
        uint32_t p;
        for (const Block& blk : kBlocks) {
            // Page point (x, y) lands at (y, W - 1 - x) of the turned picture.
            double u = m + blk.y + blk.size / 2.0, v = m + (kWidth - 1) - (blk.x + blk.size / 2.0);
            if (at(u, v, p)) {
                EXPECT_EQ(p, blk.printed) << "block at page " << blk.x << "," << blk.y;
                ++seen;
            }
        }
        if (at(m + 200, m + 150, p)) {
            EXPECT_EQ(p, kWhite) << "paper";
            ++seen;
        }
        if (at(m / 2.0 - 0.5, m + 400, p)) {
            EXPECT_EQ(p, kBlack) << "the left margin";
            ++seen;
        }
        if (at(m + 1, m + 400, p)) {
            EXPECT_EQ(p, kWhite) << "paper just inside the margin";
            ++seen;
        }
        EXPECT_GE(seen, 1);
    }
    EXPECT_TRUE(PageImageCopy::Take() == before) << "printing leaves the page alone";
}

TEST_F(PrintGeometry, NoPageNoDrawing)
{
    BYTE* page = lpDib;
    lpDib = NULL;
    for (int method : {0, 1, 2}) {
        PrintMethod = method;
        const tw::Surface& printed = Print(600, 800);
        EXPECT_TRUE(std::all_of(printed.Data(), printed.Data() + 600 * 800, [](uint32_t v) { return v == kWhite; }));
    }
    lpDib = page;
}

}  // namespace

namespace {

// The abort procedure empties the queue, but a quit stays for the main loop to see.
TEST_F(PrintGeometry, TheAbortProcedurePumpsEverythingButTheQuit)
{
    PostMessageA(NULL, WM_USER + 5, 0, 0);
    PostQuitMessage(3);
    EXPECT_TRUE(PrintAbortProc(NULL, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
}

}  // namespace
