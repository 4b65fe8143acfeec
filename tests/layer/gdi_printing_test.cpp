// Printer DCs on the headless host's fake printers: the device's page and resolution, a job from
// StartDocA to EndDoc ending as a PDF whose image is the page, the abort procedure, and every way
// a job can fail being told to the user.
#include <zlib.h>

#include <cstring>
#include <string>

#include "gdi/gdi_internal.h"
#include "harness/layer_env.h"

using namespace tw;
using tw::test::FakePrinters;

namespace {

const DOCINFOA kDoc = {sizeof(DOCINFOA), "Tintwell: Printing", nullptr, nullptr, 0};

int g_abortCalls = 0;
BOOL g_abortAnswer = TRUE;
BOOL CALLBACK CountingAbort(HDC, int) {
    ++g_abortCalls;
    return g_abortAnswer;
}

class Printing : public test::LayerEnv {
protected:
    Printing() {
        g_abortCalls = 0;
        g_abortAnswer = TRUE;
        Printers().AddPrinter("Office", 200, 300, 600, true);
    }
    FakePrinters& Printers() { return Host().Printers(); }
    HDC Open(const std::string& name) {
        std::string error;
        HDC dc = gdi::CreatePrinterDC(name, nullptr, error);
        EXPECT_TRUE(dc) << error;
        return dc;
    }
    // The message boxes the layer showed, "caption|text" each.
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        for (const std::string& line : Host().Record())
            if (line.rfind("MessageBoxA ", 0) == 0) boxes.push_back(line.substr(12));
        return boxes;
    }
    // Answers the next message box with Enter.
    void AnswerBox() { KeyEv(host::InputEvent::Kind::KeyDown, VK_RETURN, 1); }
};

// The samples of the PDF's first image, inflated, and its declared size.
std::string ImageSamples(const std::string& pdf, int& width, int& height, std::string& colorSpace) {
    size_t at = pdf.find("/Subtype /Image");
    if (at == std::string::npos) return "";
    std::sscanf(pdf.c_str() + pdf.find("/Width", at), "/Width %d /Height %d", &width, &height);
    size_t cs = pdf.find("/ColorSpace ", at) + 12;
    colorSpace = pdf.substr(cs, pdf.find(" /BitsPerComponent", cs) - cs);
    size_t length = std::stoul(pdf.substr(pdf.find("/Length ", at) + 8));
    size_t start = pdf.find("stream\n", at) + 7;
    std::string out(size_t(width) * size_t(height) * 3 + 1, '\0');
    uLongf outLen = out.size();
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outLen,
                   reinterpret_cast<const Bytef*>(pdf.data() + start), length) != Z_OK)
        return "";
    out.resize(outLen);
    return out;
}

TEST_F(Printing, TheDeviceIsTheDestinationsPageLoweredToFit) {
    struct Row {
        int width, height, dpi;
        int horz, vert, logPixels;
    } rows[] = {
        {4800, 6360, 600, 4800, 6360, 600},
        {1000, 30000, 600, 1000, 30000, 600},
        {3000, 40000, 1200, 1500, 20000, 600},   // halved
        {70000, 1000, 2400, 23333, 333, 800},    // a third
        {12000, 12000, 1200, 6000, 6000, 600},   // too many pixels: halved
    };
    for (const Row& r : rows) {
        Printers().AddPrinter("Big", r.width, r.height, r.dpi);
        HDC dc = Open("Big");
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), r.horz) << r.width;
        EXPECT_EQ(GetDeviceCaps(dc, VERTRES), r.vert) << r.width;
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), r.logPixels) << r.width;
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), r.logPixels) << r.width;
        EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & (RC_STRETCHDIB | RC_STRETCHBLT | RC_PALETTE),
                  RC_STRETCHDIB | RC_STRETCHBLT);
        EXPECT_TRUE(DeleteDC(dc));
    }
    std::string error;
    EXPECT_FALSE(gdi::CreatePrinterDC("Nowhere", nullptr, error));
    EXPECT_NE(error.find("Nowhere"), std::string::npos);
}

TEST_F(Printing, AJobBecomesAPdfOfThePageOnTheSheet) {
    HDC dc = Open("Office");
    EXPECT_FALSE(PatBlt(dc, 0, 0, 10, 10, BLACKNESS)) << "nothing to draw on outside a page";
    EXPECT_GT(SetAbortProc(dc, CountingAbort), 0);
    EXPECT_GT(StartDocA(dc, &kDoc), 0);
    EXPECT_LE(StartDocA(dc, &kDoc), 0) << "one document at a time";
    ASSERT_GT(StartPage(dc), 0);
    // A memory bitmap with a red square, stretched onto the page; a black band by PatBlt.
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bm = CreateCompatibleBitmap(dc, 10, 10);
    HGDIOBJ old = SelectObject(mem, bm);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(mem, red);
    PatBlt(mem, 0, 0, 10, 10, PATCOPY);
    EXPECT_TRUE(StretchBlt(dc, 50, 60, 40, 20, mem, 0, 0, 10, 10, SRCCOPY));
    EXPECT_TRUE(PatBlt(dc, 0, 290, 200, 10, BLACKNESS));
    EXPECT_FALSE(SelectObject(dc, bm)) << "a printer DC holds no bitmap";
    SelectObject(mem, old);
    SelectObject(mem, GetStockObject(WHITE_BRUSH));
    DeleteDC(mem);
    DeleteObject(bm);
    DeleteObject(red);

    EXPECT_GT(EndPage(dc), 0);
    EXPECT_GT(g_abortCalls, 0) << "the abort procedure runs while the page is produced";
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(Boxes().empty());

    ASSERT_EQ(Printers().Jobs().size(), 1u);
    const FakePrinters::Job& job = Printers().Jobs()[0];
    EXPECT_EQ(job.destination, "Office");
    EXPECT_EQ(job.title, "Tintwell: Printing");
    EXPECT_EQ(job.pdf.rfind("%PDF-1.4", 0), 0u);
    EXPECT_NE(job.pdf.find("/MediaBox [0 0 24 36]"), std::string::npos) << "200 x 300 pixels at 600 dpi";
    EXPECT_NE(job.pdf.find("/Title (Tintwell: Printing)"), std::string::npos);

    ASSERT_EQ(Printers().Pages().size(), 1u);
    const Surface& page = Printers().Pages()[0];
    EXPECT_EQ(page.At(0, 0), 0xffffffu) << "paper starts white";
    EXPECT_EQ(page.At(50, 60), 0xff0000u);
    EXPECT_EQ(page.At(89, 79), 0xff0000u);
    EXPECT_EQ(page.At(90, 79), 0xffffffu);
    EXPECT_EQ(page.At(199, 299), 0u);

    // The image is the page: three colours, so indexed, one byte a pixel in raster order.
    int width = 0, height = 0;
    std::string colorSpace;
    std::string samples = ImageSamples(job.pdf, width, height, colorSpace);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 300);
    EXPECT_EQ(colorSpace, "[/Indexed /DeviceRGB 2 <FFFFFFFF0000000000>]");
    ASSERT_EQ(samples.size(), 200u * 300u);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[60 * 200 + 50], 1);
    EXPECT_EQ(samples[299 * 200 + 199], 2);
}

TEST_F(Printing, ARasterOfManyColoursIsRgb) {
    HDC dc = Open("Office");
    StartDocA(dc, &kDoc);
    StartPage(dc);
    for (int i = 0; i < 300; ++i) SetPixel(dc, i % 200, i / 200, RGB(i & 255, i >> 8, 7));
    EndPage(dc);
    EndDoc(dc);
    DeleteDC(dc);
    ASSERT_EQ(Printers().Jobs().size(), 1u);
    int width = 0, height = 0;
    std::string colorSpace;
    std::string samples = ImageSamples(Printers().Jobs()[0].pdf, width, height, colorSpace);
    EXPECT_EQ(colorSpace, "/DeviceRGB");
    ASSERT_EQ(samples.size(), 200u * 300u * 3u);
    EXPECT_EQ(std::string(samples.data() + 3 * 258, 3), std::string("\x02\x01\x07", 3));
}

TEST_F(Printing, EveryJobThatCannotArriveIsToldNeverReportedAsDone) {
    // The printer is removed between the dialog and the job.
    HDC dc = Open("Office");
    Printers().RemovePrinter("Office");
    AnswerBox();
    EXPECT_LE(StartDocA(dc, &kDoc), 0);
    EXPECT_LE(StartPage(dc), 0);
    EXPECT_LE(EndPage(dc), 0);
    DeleteDC(dc);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "Printing|\"Tintwell: Printing\" could not be printed on \"Office\".\n\n"
                          "The printer \"Office\" is not available.");

    // The page is refused, and delivery fails: each told once, no job recorded.
    Printers().AddPrinter("Office", 200, 300);
    for (FakePrinters::Step step : {FakePrinters::Step::Page, FakePrinters::Step::Deliver}) {
        Host().ClearRecord();
        Printers().FailNext(step, "The printer has stopped.");
        dc = Open("Office");
        StartDocA(dc, &kDoc);
        StartPage(dc);
        AnswerBox();
        int ended = EndPage(dc);
        int done = ended > 0 ? (AnswerBox(), EndDoc(dc)) : ended;
        EXPECT_LE(done, 0);
        DeleteDC(dc);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_NE(Boxes()[0].find("The printer has stopped."), std::string::npos);
    }
    EXPECT_TRUE(Printers().Jobs().empty());

    // A folder that cannot be written, for the PDF file.
    Host().ClearRecord();
    Printers().FailNext(FakePrinters::Step::Open, "The folder /home/x/Documents cannot be written.");
    dc = Open(FakePrinters::kPdfName);
    AnswerBox();
    EXPECT_LE(StartDocA(dc, &kDoc), 0);
    DeleteDC(dc);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Printing|\"Tintwell: Printing\" could not be saved.", 0), 0u);
}

TEST_F(Printing, AnAbortedOrAbandonedJobDeliversNothingAndSaysNothing) {
    HDC dc = Open("Office");
    g_abortAnswer = FALSE;
    SetAbortProc(dc, CountingAbort);
    StartDocA(dc, &kDoc);
    StartPage(dc);
    EXPECT_EQ(EndPage(dc), SP_APPABORT);
    EXPECT_LE(EndDoc(dc), 0);
    DeleteDC(dc);

    dc = Open("Office");
    StartDocA(dc, &kDoc);
    StartPage(dc);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_LE(EndPage(dc), 0) << "a deleted DC";

    EXPECT_TRUE(Printers().Jobs().empty());
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
