// Fonts and text: the faces standing in for Arial, heights as character or cell heights,
// opaque and transparent TextOutA, extents that match what is drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/ansi.h"
#include "gdi/gdi_internal.h"
#include "gdi_test_host.h"
#include "windows.h"

namespace {

using tw::test::ScopedTestHost;

HFONT Make(int height, const char* face) {
    return CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

TEST(GdiText, FacesHeightsAndDrawing) {
    ScopedTestHost host;
    HDC dc = tw::gdi::CreateScreenDC(0, 0, {RECT{0, 0, 800, 600}});
    HFONT normal = Make(-13, "Arial"), bold = Make(-13, "Arial Bold"), cell = Make(20, "Arial");
    ASSERT_NE(normal, nullptr);
    ASSERT_NE(bold, nullptr);
    HGDIOBJ old = SelectObject(dc, normal);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 15);  // the metrics of Arial at 13 pixels
    EXPECT_EQ(tm.tmAscent, 12);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    SIZE plain, heavy;
    GetTextExtentPoint32A(dc, "Tintwell", 8, &plain);
    SelectObject(dc, bold);
    GetTextMetricsA(dc, &tm);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);  // bold by its name alone
    GetTextExtentPoint32A(dc, "Tintwell", 8, &heavy);
    EXPECT_GT(heavy.cx, plain.cx);
    SelectObject(dc, cell);
    GetTextMetricsA(dc, &tm);
    EXPECT_EQ(tm.tmHeight, 20);  // a positive height is the cell height

    // Opaque text fills its whole cell with the background; the ink stays inside the extent.
    SelectObject(dc, normal);
    PatBlt(dc, 0, 0, 200, 50, BLACKNESS);
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkMode(dc, OPAQUE);
    ASSERT_TRUE(TextOutA(dc, 10, 10, "Hello", 5));
    SIZE sz;
    GetTextExtentPoint32A(dc, "Hello", 5, &sz);
    EXPECT_EQ(sz.cy, 15);
    EXPECT_EQ(GetPixel(dc, 10 + sz.cx - 1, 10 + sz.cy - 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 10 + sz.cx, 10), RGB(0, 0, 0));
    int ink = 0;
    for (int y = 10; y < 10 + sz.cy; ++y)
        for (int x = 10; x < 10 + sz.cx; ++x) ink += GetPixel(dc, x, y) == RGB(0, 0, 255);
    EXPECT_GT(ink, 20);
    // Transparent text leaves the background alone.
    PatBlt(dc, 0, 0, 200, 50, BLACKNESS);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 10, 10, "Hello", 5);
    int black = 0, blue = 0;
    for (int y = 10; y < 25; ++y)
        for (int x = 10; x < 10 + sz.cx; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            black += c == RGB(0, 0, 0);
            blue += c == RGB(0, 0, 255);
        }
    EXPECT_EQ(black + blue, 15 * sz.cx);
    EXPECT_GT(blue, 20);

    // The stock system font works without any CreateFontA.
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_GT(tm.tmHeight, 10);
    SelectObject(dc, old);
    for (HFONT f : {normal, bold, cell}) EXPECT_TRUE(DeleteObject(f));
    tw::gdi::DeleteScreenDC(dc);
}

// Text is UTF-8, the layer's ANSI code page: a character of several bytes is one glyph, and a
// byte that begins no proper sequence still shows as the Latin-1 character it was.
TEST(GdiText, TextIsUtf8WithLatin1ForStrayBytes) {
    struct Row {
        const char* text;
        std::u32string chars;
    } rows[] = {
        {"Tw", U"Tw"},
        {"\xC3\xA9t\xC3\xA9", U"\u00E9t\u00E9"},             // "été" in UTF-8
        {"\xE9t\xE9", U"\u00E9t\u00E9"},                     // the same in Latin-1
        {"\xE2\x82\xAC" "5", U"\u20AC" "5"},                 // the euro sign
        {"\xF0\x9F\x96\xA8", U"\U0001F5A8"},                 // four bytes, beyond UTF-16's plane
        {"\xC0\xAF", U"\u00C0\u00AF"},                       // an overlong slash is no slash
        {"\xE2\x82", U"\u00E2\u0082"},                       // cut short
        {"\xED\xA0\x80", U"\u00ED\u00A0\u0080"},             // a surrogate is no character
    };
    for (const Row& row : rows) {
        std::string_view s(row.text);
        std::u32string got;
        for (size_t i = 0; i < s.size();) got += tw::ansi::Next(s, i);
        EXPECT_EQ(got, row.chars) << row.text;
        // Back to UTF-16 and to ANSI: the same characters, in UTF-8.
        std::u16string units;
        tw::ansi::ToUtf16(s, [&](char16_t u) { units += u; });
        units += u'\0';
        size_t at = 0;
        std::string back = tw::ansi::FromUtf16([&] { return char32_t(units[at++]); });
        std::string expected;
        for (char32_t c : row.chars) tw::ansi::Append(expected, c);
        EXPECT_EQ(back, expected) << row.text;
    }

    ScopedTestHost host;
    HDC dc = tw::gdi::CreateScreenDC(0, 0, {RECT{0, 0, 800, 600}});
    HGDIOBJ old = SelectObject(dc, Make(-13, "Arial"));
    auto width = [&](const char* s) {
        SIZE size{};
        GetTextExtentPoint32A(dc, s, int(std::strlen(s)), &size);
        return size.cx;
    };
    EXPECT_EQ(width("\xC3\xA9"), width("\xE9")) << "é in UTF-8 and in Latin-1";
    EXPECT_LT(width("\xE2\x82\xAC"), width("\xE2") + width("\x82") + width("\xAC")) << "the euro sign is one glyph";
    DeleteObject(SelectObject(dc, old));
    tw::gdi::DeleteScreenDC(dc);
}

}  // namespace
