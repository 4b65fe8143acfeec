// The 42 owner-drawn buttons of the page screen: the command and colour button tables, the
// current colour, button creation and drawing (bitmaps and colour discs) and the colour pick.
#include "screen/screen.h"

#include "app/mainwnd.h"
#include "app/settings.h"
#include "app/tintwell.h"
#include "page/page.h"
#include "sound/sound.h"
#include "support/ids.h"

ButtonSpec CommandButtons[COMMAND_BUTTON_COUNT] = {
    {NULL, CMD_QUIT, 12, 12, 96, 45},       // quit
    {NULL, CMD_PRINT, 318, 12, 79, 45},     // print
    {NULL, CMD_CLEAR, 403, 12, 79, 45},     // clear
    {NULL, CMD_INFO, 692, 12, 96, 45},      // Info dialog
    {NULL, CMD_PREVIOUS, 267, 543, 53, 45}, // previous page
    {NULL, CMD_NEXT, 480, 543, 53, 45},     // next page
};

ButtonSpec ColorButtons[COLOR_BUTTON_COUNT] = {
    // Top band, left and right of Print and Clear.
    {NULL, 2000, 114, 12, 45, 45},
    {NULL, 2001, 165, 12, 45, 45},
    {NULL, 2002, 216, 12, 45, 45},
    {NULL, 2003, 267, 12, 45, 45},
    {NULL, 2004, 488, 12, 45, 45},
    {NULL, 2005, 539, 12, 45, 45},
    {NULL, 2006, 590, 12, 45, 45},
    {NULL, 2007, 641, 12, 45, 45},
    // Bottom band, outside the page-change buttons.
    {NULL, 2008, 62, 543, 45, 45},
    {NULL, 2009, 114, 543, 45, 45},
    {NULL, 2010, 165, 543, 45, 45},
    {NULL, 2011, 216, 543, 45, 45},
    {NULL, 2012, 539, 543, 45, 45},
    {NULL, 2013, 590, 543, 45, 45},
    {NULL, 2014, 641, 543, 45, 45},
    {NULL, 2015, 692, 543, 45, 45},
    // Left band.
    {NULL, 2016, 12, 84, 45, 45},
    {NULL, 2017, 12, 135, 45, 45},
    {NULL, 2018, 12, 186, 45, 45},
    {NULL, 2019, 12, 237, 45, 45},
    {NULL, 2020, 12, 288, 45, 45},
    {NULL, 2021, 12, 339, 45, 45},
    {NULL, 2022, 12, 390, 45, 45},
    {NULL, 2023, 12, 441, 45, 45},
    {NULL, 2024, 12, 492, 45, 45},
    {NULL, 2025, 12, 543, 45, 45},
    // Right band.
    {NULL, 2026, 743, 84, 45, 45},
    {NULL, 2027, 743, 135, 45, 45},
    {NULL, 2028, 743, 186, 45, 45},
    {NULL, 2029, 743, 237, 45, 45},
    {NULL, 2030, 743, 288, 45, 45},
    {NULL, 2031, 743, 339, 45, 45},
    {NULL, 2032, 743, 390, 45, 45},
    {NULL, 2033, 743, 441, 45, 45},
    {NULL, 2034, 743, 492, 45, 45},
    {NULL, 2035, 743, 543, 45, 45},
};

LONG CurrentColorId = 2001;
int CurrentColorIndex = 2;

// The colour discs as pixel runs in button coordinates: a non-zero byte is the x of one pixel on
// the current row, a zero moves to the next row. Each line below is one row (its number at the end).
#define DISC_UP_FIRST_ROW 12
#define DISC_DOWN_FIRST_ROW 3

const BYTE DiscUp[370] = {
    19, 20, 21, 22, 23, 24, 25, 0,  // 12
    17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 0,  // 13
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 0,  // 14
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 0,  // 15
    14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 0,  // 16
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0,  // 17
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0,  // 18
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 19
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 20
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 21
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 22
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 23
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 24
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 0,  // 25
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0,  // 26
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0,  // 27
    14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 0,  // 28
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 0,  // 29
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 0,  // 30
    17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 0,  // 31
    19, 20, 21, 22, 23, 24, 25, 0,  // 32
};

const BYTE DiscDown[1240] = {
    18, 19, 20, 21, 22, 23, 24, 25, 26, 0,  // 3
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 0,  // 4
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0,  // 5
    11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 0,  // 6
    10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
    0,  // 7
    9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33,
    34, 35, 0,  // 8
    8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
    33, 34, 35, 36, 0,  // 9
    7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
    33, 34, 35, 36, 37, 0,  // 10
    6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 0,  // 11
    6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 0,  // 12
    5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,
    31, 32, 33, 34, 35, 36, 37, 38, 39, 0,  // 13
    5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,
    31, 32, 33, 34, 35, 36, 37, 38, 39, 0,  // 14
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0,  // 15
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0,  // 16
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0,  // 17
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 18
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 19
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 20
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 21
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 22
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 23
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 24
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 25
    3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 0,  // 26
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0,  // 27
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0,  // 28
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29,
    30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 0,  // 29
    5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,
    31, 32, 33, 34, 35, 36, 37, 38, 39, 0,  // 30
    5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30,
    31, 32, 33, 34, 35, 36, 37, 38, 39, 0,  // 31
    6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 0,  // 32
    6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 0,  // 33
    7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
    33, 34, 35, 36, 37, 0,  // 34
    8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
    33, 34, 35, 36, 0,  // 35
    9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33,
    34, 35, 0,  // 36
    10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
    0,  // 37
    11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 0,  // 38
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 0,  // 39
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 0,  // 40
    18, 19, 20, 21, 22, 23, 24, 25, 26, 0,  // 41
};


static void CreateButtonRow(HWND hwnd, ButtonSpec* row)
{
    row->hwnd = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, row->x, row->y,
                                row->width, row->height, hwnd, (HMENU)(INT_PTR)row->id, hInst, NULL);
}

LRESULT CreateButtons(HWND hwnd)
{
    for (int i = 0; i < COMMAND_BUTTON_COUNT; i++)
        CreateButtonRow(hwnd, &CommandButtons[i]);
    for (int i = 0; i < COLOR_BUTTON_COUNT; i++)
        CreateButtonRow(hwnd, &ColorButtons[i]);
    RECT rc;
    GetClientRect(hwnd, &rc);
    InvalidateRect(hwnd, &rc, FALSE);
    return 0;
}

static void PaintDisc(HDC hdc, const BYTE* table, int count, int row, COLORREF colour)
{
    for (int i = 0; i < count; i++) {
        if (table[i] == 0)
            row++;
        else
            SetPixel(hdc, table[i], row, colour);
    }
}

BOOL DrawButton(const DRAWITEMSTRUCT* item)
{
    const LONG id = (LONG)item->CtlID;
    // Only our own buttons are owner-drawn; anything else would index past the tables.
    if (id < CMD_FIRST || id > COLOR_ID_LAST || (id > CMD_LAST && id < COLOR_ID_FIRST))
        return TRUE;

    HDC hdc = item->hDC;
    SelectPalette(hdc, hPalette, FALSE);
    RealizePalette(hdc);
    HDC hdcMem = CreateCompatibleDC(hdc);
    SelectPalette(hdcMem, hPalette, FALSE);
    RealizePalette(hdcMem);

    HGDIOBJ hOldBitmap;
    if (id <= CMD_LAST) {
        const int row = id - CMD_FIRST;
        hOldBitmap = SelectObject(hdcMem, (item->itemState & ODS_SELECTED) ? hbmBtnDown[row] : hbmBtnUp[row]);
    } else {
        const int n = id - 1999;
        const COLORREF colour = RGB(ColorTable[n][0], ColorTable[n][1], ColorTable[n][2]);
        if (id == CurrentColorId || (item->itemState & ODS_FOCUS)) {
            hOldBitmap = SelectObject(hdcMem, hbmColorBtnDn);
            PaintDisc(hdcMem, DiscDown, sizeof DiscDown, DISC_DOWN_FIRST_ROW, colour);
        } else {
            hOldBitmap = SelectObject(hdcMem, hbmColorBtn);
            PaintDisc(hdcMem, DiscUp, sizeof DiscUp, DISC_UP_FIRST_ROW, colour);
        }
    }

    BitBlt(hdc, item->rcItem.left, item->rcItem.top, item->rcItem.right, item->rcItem.bottom, hdcMem, 0, 0,
           SRCCOPY);
    SelectObject(hdcMem, hOldBitmap);
    DeleteDC(hdcMem);
    if (id == CMD_QUIT && Settings.bGrownupQuit && (item->itemState & ODS_SELECTED))
        DrawQuitHold(hdc, QuitHeldMs());
    return TRUE;
}

// How long a grown-up's Quit has been held: a black bar under QUIT that fills with white from the
// left, full when the program quits. A child's short press shows it empty.
void DrawQuitHold(HDC hdc, DWORD dwHeldMs)
{
    const DWORD dwShown = dwHeldMs < QUIT_HOLD_MS ? dwHeldMs : QUIT_HOLD_MS;
    const int nDone = (int)((QUIT_BAR_RIGHT - QUIT_BAR_LEFT - 4) * dwShown / QUIT_HOLD_MS);
    const RECT rcTrack = {QUIT_BAR_LEFT, QUIT_BAR_TOP, QUIT_BAR_RIGHT, QUIT_BAR_BOTTOM};
    const RECT rcDone = {QUIT_BAR_LEFT + 2, QUIT_BAR_TOP + 2, QUIT_BAR_LEFT + 2 + nDone, QUIT_BAR_BOTTOM - 2};
    FillRect(hdc, &rcTrack, (HBRUSH)GetStockObject(BLACK_BRUSH));
    FillRect(hdc, &rcDone, (HBRUSH)GetStockObject(WHITE_BRUSH));
}

LRESULT PickColor(WPARAM wParam)
{
    const LONG id = LOWORD(wParam);
    if (id < COLOR_ID_FIRST || id > COLOR_ID_LAST)
        return 0;
    PlaySfx(SFX_PICK);
    const int prev = CurrentColorId - COLOR_ID_FIRST;
    CurrentColorId = id;
    CurrentColorIndex = id - 1999;
    // The button that was current draws itself again, now with its small disc.
    SendMessageA(ColorButtons[prev].hwnd, BM_SETSTATE, TRUE, 0);
    SendMessageA(ColorButtons[prev].hwnd, BM_SETSTATE, FALSE, 0);
    return 0;
}
