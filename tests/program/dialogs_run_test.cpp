// The dialogs in whole-program runs: the title screen at start-up, Info with About and Printing
// Options, printer.dta in its odd shapes, and a template that cannot be allocated.
#include "pages_fixture.h"

#include <optional>

#include "dialogs/dialogs.h"
#include "support/support.h"

namespace tintwell_test {
namespace {

using tw::host::Fault;
using Dialogs = TintwellRun;

Bytes PrinterFile(const fs::path& dir) { return ReadFile(dir / "printer.dta"); }

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

TEST_F(Dialogs, StartUpPassesTheTitleScreenOnce) {
    Make();
    P().Start();
    ASSERT_TRUE(P().Running());
    // The title screen is up over the backdrop, centred, with the mouse in the middle.
    HWND title = P().Dialog();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(ScreenState, 2);
    EXPECT_EQ(BusyFlag, 1);
    const RECT r = WindowRect(title);
    EXPECT_EQ(r.left, (800 - 342) / 2);
    EXPECT_EQ(r.top, (600 - 308) / 2);
    EXPECT_EQ(r.right - r.left, 342);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 400);
    EXPECT_EQ(cursor.y, 300);
    EXPECT_EQ(P().CursorName(), "IDC_ARROW");
    EXPECT_FALSE(IsWindowEnabled(P().MainWindow()));
    EXPECT_EQ(P().Pixel(r.left + 5, r.bottom - 10), 0xFFFFFFu);  // white dialog background
    EXPECT_FALSE(fs::exists(Dir() / "printer.dta"));

    // Escape does what OK does: printer.dta is created holding 0, and the page screen follows.
    P().Key(VK_ESCAPE);
    P().Wait(50);
    EXPECT_EQ(P().Dialog(), nullptr);
    EXPECT_EQ(ScreenState, 0);
    EXPECT_EQ(BusyFlag, 0);
    EXPECT_EQ(PrinterFile(Dir()), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(PrintMethod, 0);
    EXPECT_TRUE(IsWindowEnabled(P().MainWindow()));
    EXPECT_EQ(PageMismatches(0), 0);

    // More paints build nothing again and never bring the title screen back.
    InvalidateRect(P().MainWindow(), nullptr, FALSE);
    P().Wait(200);
    EXPECT_EQ(P().Dialog(), nullptr);
    EXPECT_EQ(Count("DialogBoxIndirectParamA"), 1);
    EXPECT_EQ(Count("LoadBitmapA IntroScr"), Count("LoadBitmapA CopyRight"));
    EXPECT_GE(Count("LoadBitmapA IntroScr"), 1);
}

TEST_F(Dialogs, InfoLeadsToAboutAndPrintingOptions) {
    Make();
    WriteFile(Dir() / "printer.dta", Bytes{1, 0, 0, 0});
    StartToPageScreen();
    EXPECT_EQ(PrintMethod, 1);
    P().Type('i');
    P().Wait(300);
    HWND info = P().Dialog();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(BusyFlag, 1);
    EXPECT_EQ(WindowRect(info).right - WindowRect(info).left, 192);

    // About, then back to Info with Enter.
    P().ClickItem(110);
    HWND about = P().Dialog();
    ASSERT_NE(about, info);
    EXPECT_EQ(P().ItemText(2505), "The Tintwell authors");
    EXPECT_EQ(P().ItemText(2508), "https://tintwell.example/");
    const RECT icon = WindowRect(P().Item(2500));
    EXPECT_EQ(icon.right - icon.left, 32);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(P().Item(2503), WM_GETFONT, 0, 0)), Fonts.Normal());
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(P().Item(IDOK), WM_GETFONT, 0, 0)), Fonts.Bold());
    P().Key(VK_RETURN);
    EXPECT_EQ(P().Dialog(), info);
    EXPECT_EQ(BusyFlag, 1);

    // Printing Options shows the stored choice; a click then Escape changes nothing.
    P().ClickItem(111);
    ASSERT_NE(P().Dialog(), info);
    EXPECT_EQ(SendMessageA(P().Item(113), BM_GETCHECK, 0, 0), BST_CHECKED);
    P().ClickItem(114);
    EXPECT_EQ(SendMessageA(P().Item(114), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(P().Item(113), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    P().Key(VK_ESCAPE);
    EXPECT_EQ(P().Dialog(), info);
    EXPECT_EQ(PrintMethod, 1);
    EXPECT_EQ(PrinterFile(Dir()), (Bytes{1, 0, 0, 0}));

    // Again by its mnemonic: "Default" and OK store 0.
    P().Type('p');
    ASSERT_NE(P().Dialog(), info);
    EXPECT_EQ(SendMessageA(P().Item(113), BM_GETCHECK, 0, 0), BST_CHECKED);
    P().Type('d');
    P().Key(VK_RETURN);
    EXPECT_EQ(P().Dialog(), info);
    EXPECT_EQ(PrintMethod, 0);
    EXPECT_EQ(PrinterFile(Dir()), (Bytes{0, 0, 0, 0}));

    // Clicks and keys meant for the page while Info is open come to nothing, then or later.
    const POINT page = P().Client(300, 300);
    P().Click(page.x, page.y);
    P().Type('q');
    P().Key(VK_NEXT);
    P().ClickItem(IDOK);
    P().Wait(1000);
    EXPECT_TRUE(P().Running());
    EXPECT_EQ(P().Dialog(), nullptr);
    EXPECT_EQ(BusyFlag, 0);
    EXPECT_EQ(PageMismatches(0), 0);
    EXPECT_EQ(Count("DialogBoxIndirectParamA"), 5);
    EXPECT_EQ(GetFocus(), P().MainWindow());
}

TEST_F(Dialogs, TemplateThatCannotBeAllocated) {
    Make();
    StartToPageScreen();
    P().Fail(Fault::GlobalAlloc);
    P().Type('i');
    P().Wait(300);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, "Insufficient memory.");
    EXPECT_EQ(P().Box()->caption, "Tintwell");
    P().Answer(IDOK);
    EXPECT_EQ(P().Dialog(), nullptr);
    EXPECT_EQ(BusyFlag, 0);
    P().Type('i');  // the next try works
    P().Wait(300);
    EXPECT_NE(P().Dialog(), nullptr);
}

// printer.dta as the title screen finds it, and what it leaves.
struct PrinterCase {
    const char* name;
    bool folder;                 // a folder of that name: it can be neither opened nor created
    std::optional<Bytes> before;  // none: missing
    int method;
    Bytes after;
};

void PrintTo(const PrinterCase& c, std::ostream* os) { *os << c.name; }

class PrinterFiles : public TintwellRun, public ::testing::WithParamInterface<PrinterCase> {};

TEST_P(PrinterFiles, ReadWhenTheTitleScreenCloses) {
    const PrinterCase& c = GetParam();
    Make();
    if (c.folder) fs::create_directory(Dir() / "printer.dta");
    if (c.before) WriteFile(Dir() / "printer.dta", *c.before);
    StartToPageScreen();
    EXPECT_EQ(PrintMethod, c.method);
    EXPECT_TRUE(P().BoxesSeen().empty());
    if (c.folder) {
        EXPECT_TRUE(fs::is_directory(Dir() / "printer.dta"));
        return;
    }
    EXPECT_EQ(PrinterFile(Dir()), c.after);
    // Printing Options checks the method's button, or none; OK without a choice keeps the value.
    P().Type('i');
    P().Wait(300);
    P().Type('p');
    for (int id = 112; id <= 114; id++)
        EXPECT_EQ(SendMessageA(P().Item(id), BM_GETCHECK, 0, 0), c.method == id - 112 ? BST_CHECKED : BST_UNCHECKED);
    P().Key(VK_RETURN);
    EXPECT_EQ(PrintMethod, c.method);
    Bytes kept = c.after;
    if (kept.size() < 4) kept = {kept.size() > 0 ? kept[0] : BYTE(0), kept.size() > 1 ? kept[1] : BYTE(0), 0, 0};
    EXPECT_EQ(PrinterFile(Dir()), kept);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PrinterFiles,
    ::testing::Values(PrinterCase{"Missing", false, std::nullopt, 0, {0, 0, 0, 0}},
                      PrinterCase{"Short", false, Bytes{2}, 2, {2}},
                      PrinterCase{"Long", false, Bytes{2, 0, 0, 0, 9, 8, 7, 6}, 2, {2, 0, 0, 0, 9, 8, 7, 6}},
                      PrinterCase{"Five", false, Bytes{5, 0, 0, 0}, 5, {5, 0, 0, 0}},
                      PrinterCase{"Folder", true, std::nullopt, 0, {}}),
    [](const ::testing::TestParamInfo<PrinterCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tintwell_test
