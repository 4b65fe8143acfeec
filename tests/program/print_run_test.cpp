// The Print command in whole-program runs on the headless host's fake printers: the print dialog
// and its choices, the printed page, Cancel, the failures of the job, and the assertion when the
// printer reports no page.
#include <algorithm>

#include "app/mainwnd.h"
#include "fill_pages.h"
#include "host/headless/headless_host.h"
#include "print/print.h"

namespace {

using namespace tooltest;
using tw::test::FakePrinters;
using tw::test::Program;

class PrintRun : public ::testing::Test {
protected:
    PageDir dir;
    Program program{OwnPages(dir)};
    FakePrinters& Printers() { return program.Host().Printers(); }

    void SetUp() override {
        TestPage page;
        page.Box(100, 100, 200, 200);
        WritePages(dir.Path(), page);
        Printers().AddPrinter("Office", 2400, 3180, 300, true);
        Printers().AddPrinter("Attic", 1000, 1300, 300, false, tw::host::PrintDestination::State::Stopped);
        StartToPageScreen(program);
    }
    HWND Dialog() { return FindWindowA("#32770", "Print"); }
    // The label of the destination checked in the open print dialog.
    std::string Checked() {
        HWND dlg = Dialog();
        for (int id = 100; GetDlgItem(dlg, id); ++id)
            if (IsDlgButtonChecked(dlg, id) == BST_CHECKED) {
                char text[80] = {};
                GetWindowTextA(GetDlgItem(dlg, id), text, sizeof text);
                return text;
            }
        return "";
    }
    void OpenDialog() {
        program.Type('p');
        ASSERT_TRUE(Dialog()) << "the print dialog is open";
        EXPECT_FALSE(IsWindowEnabled(program.MainWindow()));
        EXPECT_EQ(BusyFlag, 1);
    }
    void ExpectIdleAgain() {
        EXPECT_FALSE(Dialog());
        EXPECT_EQ(BusyFlag, 0);
        EXPECT_TRUE(IsWindowEnabled(program.MainWindow()));
    }
};

// Printer names come as UTF-8, the layer's ANSI code page: shown as they are, not as '?'.
TEST_F(PrintRun, NamesBeyondLatin1AreShownAsTheyAre) {
    const std::string names[] = {"B\xC3\xBCro-\xE6\x9D\xB1\xE4\xBA\xAC", "Attic\xF0\x9F\x96\xA8"};
    Printers().AddPrinter(names[0], 2400, 3180, 300, true);
    Printers().AddPrinter(names[1], 2400, 3180, 300);
    OpenDialog();
    EXPECT_EQ(Checked(), names[0]);
    std::vector<std::string> labels;
    for (int id = 100; id < 110; ++id) {
        char text[80] = {};
        if (HWND item = GetDlgItem(Dialog(), id); item && GetWindowTextA(item, text, sizeof text))
            labels.push_back(text);
    }
    EXPECT_NE(std::find(labels.begin(), labels.end(), names[1]), labels.end()) << "no label " << names[1];
    program.Key(VK_RETURN);
    ASSERT_EQ(Printers().Jobs().size(), 1u);
    EXPECT_EQ(Printers().Jobs()[0].destination, names[0]);
}

TEST_F(PrintRun, EnterPrintsTheTurnedPageOnTheDefaultPrinter) {
    OpenDialog();
    EXPECT_EQ(Checked(), "Office");
    HWND attic = GetDlgItem(Dialog(), 101);
    char text[80] = {};
    GetWindowTextA(attic, text, sizeof text);
    EXPECT_STREQ(text, "Attic (stopped)");
    program.Key(VK_RETURN);
    ExpectIdleAgain();
    EXPECT_TRUE(program.BoxesSeen().empty());

    ASSERT_EQ(Printers().Jobs().size(), 1u);
    EXPECT_EQ(Printers().Jobs()[0].destination, "Office");
    EXPECT_EQ(Printers().Jobs()[0].title, "Tintwell: Printing");
    ASSERT_EQ(Printers().Pages().size(), 1u);
    const tw::Surface& page = Printers().Pages()[0];
    // Default at 2400 x 3180: 1670 x 2385 at (365, 397); the box, turned, in black on white.
    EXPECT_EQ(page.At(364, 1000), 0xffffffu);
    EXPECT_EQ(page.At(366, 1000), 0u) << "the margin";
    // Page point (150, 100) on the box's top edge lands at turned (100, 509).
    const double scale = 2385.0 / 668;
    EXPECT_EQ(page.At(365 + int((4 + 100 + 0.5) * scale), 397 + int((4 + 509 + 0.5) * scale)), 0u);
    EXPECT_EQ(page.At(365 + int((4 + 150 + 0.5) * scale), 397 + int((4 + 509 + 0.5) * scale)), 0xffffffu);

    // Printing again by Alternate 2 after choosing the PDF file with the arrow keys.
    PrintMethod = 2;
    OpenDialog();
    program.Key(VK_DOWN);
    program.Key(VK_DOWN);
    EXPECT_EQ(Checked(), FakePrinters::kPdfName);
    program.Key(VK_RETURN);
    PrintMethod = 0;
    ExpectIdleAgain();
    ASSERT_EQ(Printers().Jobs().size(), 2u);
    EXPECT_EQ(Printers().Jobs()[1].destination, FakePrinters::kPdfName);
    EXPECT_EQ(Printers().Pages()[1].Width(), 2480) << "A4 at 300 dpi";
}

TEST_F(PrintRun, TheMouseChoosesThePrinterThroughTheGroupBox) {
    OpenDialog();
    // Clicked where the group box of destinations lies over it.
    program.ClickItem(101);
    EXPECT_EQ(Checked(), "Attic (stopped)");
    program.ClickItem(IDOK);
    ExpectIdleAgain();
    ASSERT_EQ(Printers().Jobs().size(), 1u);
    EXPECT_EQ(Printers().Jobs()[0].destination, "Attic");
}

// Names come as the print system gives them: an ampersand in one is no mnemonic. And the default
// printer is offered however far down a long list it comes.
TEST_F(PrintRun, NamesAreShownAsTheyAreAndTheDefaultIsNeverLeftOut) {
    Printers().RemovePrinter("Office");
    Printers().RemovePrinter("Attic");
    Printers().AddPrinter("Tom&Jerry", 2400, 3180, 300);
    for (char c = 'A'; c <= 'M'; ++c) Printers().AddPrinter(std::string("Printer ") + c, 2400, 3180, 300);
    Printers().AddPrinter("Zed", 2400, 3180, 300, true);  // the fifteenth
    OpenDialog();
    EXPECT_EQ(Checked(), "Zed");
    HWND dlg = Dialog();
    int offered = 0;
    for (int id = 100; GetDlgItem(dlg, id); ++id) ++offered;
    EXPECT_EQ(offered, 13) << "twelve printers and the file";
    char text[80] = {};
    GetWindowTextA(GetDlgItem(dlg, 111), text, sizeof text);
    EXPECT_STREQ(text, "Zed");
    program.Type('j');
    EXPECT_EQ(Checked(), "Zed") << "J chose Tom&Jerry";
    program.Key(VK_RETURN);
    ExpectIdleAgain();
    ASSERT_EQ(Printers().Jobs().size(), 1u);
    EXPECT_EQ(Printers().Jobs()[0].destination, "Zed");
}

TEST_F(PrintRun, EscapeCancelsLeavingCursorWindowAndQueueAlone) {
    const std::string cursor = program.CursorName();
    OpenDialog();
    program.ClearRecord();
    program.Key(VK_ESCAPE);
    ExpectIdleAgain();
    EXPECT_EQ(program.CursorName(), cursor);
    EXPECT_TRUE(program.Record("SetCursor").empty());
    EXPECT_TRUE(Printers().Jobs().empty());
    EXPECT_EQ(Printers().Opened(), 0);
}

TEST_F(PrintRun, WithoutAPrintSystemTheFileIsChosen) {
    Printers().SetReachable(false);
    OpenDialog();
    EXPECT_EQ(Checked(), FakePrinters::kPdfName);
    program.Key(VK_RETURN);
    ExpectIdleAgain();
    ASSERT_EQ(Printers().Jobs().size(), 1u);
    EXPECT_EQ(Printers().Jobs()[0].destination, FakePrinters::kPdfName);
}

TEST_F(PrintRun, AJobThatFailsIsToldAndEndsCleanly) {
    struct Row {
        FakePrinters::Step step;
        const char* reason;
    } rows[] = {
        {FakePrinters::Step::Open, "The printer \"Office\" is not available."},  // StartDocA fails
        {FakePrinters::Step::Page, "The printer has run out of paper."},        // EndPage fails
        {FakePrinters::Step::Deliver, "The print system says: stopped."},       // EndDoc fails
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.reason);
        Printers().FailNext(r.step, r.reason);
        const size_t before = program.BoxesSeen().size();
        OpenDialog();
        program.Key(VK_RETURN);
        ASSERT_TRUE(program.Box());
        EXPECT_EQ(program.Box()->caption, "Printing");
        EXPECT_NE(program.Box()->text.find(r.reason), std::string::npos);
        program.Answer(IDOK);
        ExpectIdleAgain();
        EXPECT_EQ(program.BoxesSeen().size(), before + 1);
        EXPECT_TRUE(Printers().Jobs().empty());
    }
}

TEST_F(PrintRun, CancellingTheAssertionOfAPagelessPrinterEndsTheJobUndrawn) {
    Printers().AddPrinter("Broken", 0, 0, 300, true);
    OpenDialog();
    program.Key(VK_RETURN);
    ASSERT_TRUE(program.Box());
    EXPECT_EQ(program.Box()->caption, "ASSERTION FAILURE");
    EXPECT_NE(program.Box()->text.find("xPage || yPage"), std::string::npos);
    program.Answer(IDCANCEL);
    EXPECT_FALSE(program.Running()) << "Cancel destroys the main window";
    EXPECT_EQ(BusyFlag, 0);
    EXPECT_EQ(Printers().Opened(), 0);
    EXPECT_TRUE(Printers().Jobs().empty());
}

}  // namespace
