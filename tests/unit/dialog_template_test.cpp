// The dialog templates built from the tables: header, item count, items on DWORD boundaries,
// the conversion of table units by the base units; and CenterDialog's placements and fonts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/dialogs.h"
#include "layer/user_test_host.h"
#include "support/support.h"

namespace {

struct Reader {
    const BYTE* base;
    size_t at = 0;
    WORD Word() {
        WORD w = WORD(base[at] | base[at + 1] << 8);
        at += 2;
        return w;
    }
    DWORD Dword() {
        DWORD lo = Word();
        return lo | DWORD(Word()) << 16;
    }
    std::u16string String() {
        std::u16string s;
        for (WORD c = Word(); c; c = Word()) s += char16_t(c);
        return s;
    }
};

TEST(DialogTemplate, TablesWrittenAsTemplates) {
    InitDialogTables();
    struct Row {
        int n, baseX, baseY;
        int items;
        WORD cx, cy;
    };
    const Row rows[] = {
        {DLG_TITLE, 8, 16, 1, 170, 153},        {DLG_INFO, 8, 16, 3, 95, 78},
        {DLG_PRINTOPTIONS, 8, 16, 5, 146, 112}, {DLG_ABOUT, 8, 16, 9, 139, 175},
        {DLG_TITLE, 10, 20, 1, 136, 122},       {DLG_ABOUT, 10, 20, 9, 111, 140},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("dialog " + std::to_string(row.n) + " base " + std::to_string(row.baseX));
        std::vector<BYTE> block(TEMPLATE_BYTES, 0);
        int used = WriteDialogTemplate(block.data(), row.n, row.baseX, row.baseY);
        EXPECT_LT(used, 1024);
        Reader rd{block.data()};
        EXPECT_EQ(rd.Dword(), 0x80800000u);
        EXPECT_EQ(rd.Dword(), 0u);
        EXPECT_EQ(rd.Word(), row.items);
        EXPECT_EQ(rd.Word(), 0);
        EXPECT_EQ(rd.Word(), 0);
        EXPECT_EQ(rd.Word(), row.cx);
        EXPECT_EQ(rd.Word(), row.cy);
        for (int k = 0; k < 3; k++) EXPECT_EQ(rd.String(), u"");  // menu, class, title; no DS_SETFONT
        for (int i = 0; i < row.items; i++) {
            const DialogItem& item = DialogItemTables[row.n][i];
            rd.at = (rd.at + 3) & ~size_t(3);
            EXPECT_EQ(rd.Dword(), item.style | WS_CHILD);
            EXPECT_EQ(rd.Dword(), 0u);
            EXPECT_EQ(rd.Word(), WORD(item.x * 8 / row.baseX));
            EXPECT_EQ(rd.Word(), WORD(item.y * 16 / row.baseY));
            EXPECT_EQ(rd.Word(), WORD(item.cx * 8 / row.baseX));
            EXPECT_EQ(rd.Word(), WORD(item.cy * 16 / row.baseY));
            EXPECT_EQ(rd.Word(), WORD(item.id));
            EXPECT_EQ(rd.String(), item.className);
            EXPECT_EQ(rd.String(), item.text);
            EXPECT_EQ(rd.Word(), 0);  // no creation data
        }
        EXPECT_EQ(rd.at, size_t(used));
        EXPECT_EQ(DialogItemTables[row.n][row.items].className, nullptr);
    }
}

TEST(DialogTemplate, ItemsStartOnDwordsAfterOddStrings) {
    tw::usertest::TestHost host;
    InitDialogTables();
    // Info's "&Done" item ends on an odd word: the next item is padded to a multiple of 4.
    std::vector<BYTE> block(TEMPLATE_BYTES, 0);
    WriteDialogTemplate(block.data(), DLG_INFO, 8, 16);
    const size_t header = 18 + 3 * 2;
    const size_t first = (header + 3) & ~size_t(3);
    const size_t firstEnd = first + 18 + (6 + 1) * 2 + (5 + 1) * 2 + 2;  // "BUTTON", "&Done", no data
    EXPECT_EQ(firstEnd % 4, 2u);
    Reader rd{block.data(), firstEnd + 2};
    EXPECT_EQ(rd.Dword(), 0x50000000u);  // the "&About" item's style, on the next DWORD
    LPVOID built = BuildDialogTemplate(DLG_INFO);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(built) % 4, 0u);
    GlobalFree(static_cast<HGLOBAL>(built));
}

TEST(DialogTemplate, CenterDialogPlacesAndSetsFonts) {
    tw::usertest::TestHost host;
    tw::usertest::RegisterTestClasses();
    InitDialogTables();
    Fonts.CreateFonts();
    struct Row {
        int width, height, n;
        LONG x, y;
        bool font;
    };
    const Row rows[] = {{300, 200, DLG_TITLE, 250, 200, true}, {301, 201, DLG_TITLE, 249, 199, true},
                        {342, 308, -1, 229, 146, false}};
    for (const Row& row : rows) {
        HWND dlg = CreateWindowExA(0, "TestWnd", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, row.width, row.height,
                                   nullptr, nullptr, nullptr, nullptr);
        HWND ok = CreateWindowExA(0, "BUTTON", "&OK", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, dlg,
                                  reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
        CenterDialog(dlg, row.n, 0);
        RECT rc;
        GetWindowRect(dlg, &rc);
        EXPECT_EQ(rc.left, row.x);
        EXPECT_EQ(rc.top, row.y);
        EXPECT_EQ(rc.right - rc.left, row.width);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(ok, WM_GETFONT, 0, 0)), row.font ? Fonts.Bold() : nullptr);
        DestroyWindow(dlg);
    }
    Fonts.DestroyFonts();
}

}  // namespace
