// The six pages: which one is in the PageImage, the search for the first that loads, the
// previous and next commands, and the drawing of the page and its caption strip.
#include "page/page.h"

#include "app/tintwell.h"
#include "support/support.h"
#include "support/ids.h"

#define TITLE_LEFT 330
#define TITLE_TOP 561
#define TITLE_WIDTH 140
#define TITLE_HEIGHT 10

const char* const PageFileNames[PAGE_COUNT] = {"dogwood.TWP", "holly.TWP", "pansies.TWP",
                                               "prickly.TWP", "weeping.twp", "buy_me4.TWP"};
const int PageTitleRows[PAGE_COUNT] = {12, 21, 29, 34, 49, 0};
int CurrentPage = 0;

// 1 while the PageImage holds the page CurrentPage names, as loaded from its file (and coloured
// since). Until a page has loaded, nothing is saved: the image would belong to no file.
int bPageLoaded = 0;

int ShowPage()
{
    if (!lpDib)
        return 0;
    HDC hdc = GetDC(hWndMain);
    SelectPalette(hdc, hPalette, FALSE);
    RealizePalette(hdc);
    StretchDIBits(hdc, PAGE_LEFT, PAGE_TOP, bmp.bmiHeader.biWidth, bmp.bmiHeader.biHeight, 0, 0,
                  bmp.bmiHeader.biWidth, bmp.bmiHeader.biHeight, lpDib, (const BITMAPINFO*)&bmp, DIB_RGB_COLORS,
                  SRCCOPY);
    ReleaseDC(hWndMain, hdc);
    return 1;
}

void ShowPageTitle(HDC hdc)
{
    HDC hdcTitles = CreateCompatibleDC(hdc);
    HGDIOBJ hOld = SelectObject(hdcTitles, hbmTitles);
    BitBlt(hdc, TITLE_LEFT, TITLE_TOP, TITLE_WIDTH, TITLE_HEIGHT, hdcTitles, 0, PageTitleRows[CurrentPage] * TITLE_HEIGHT,
           SRCCOPY);
    if (hOld)
        SelectObject(hdcTitles, hOld);
    DeleteDC(hdcTitles);
}

// Saves the page on the screen. Unlike the rest of the saving, a page that could not be saved
// is told to the user: the colouring on the screen has not reached its file and would go with
// the page. On leaving for another page the box says so; when the program is to end (Quit, the
// window's close, the session's end) it asks whether to end anyway, and No keeps the program
// (and the picture) open. When the display has gone there is nobody to ask. Returns 0 only for
// that No.
int SaveCurrentPage(int how)
{
    if (!bPageLoaded || SavePage(PageFileNames[CurrentPage]) || how == SAVE_FORCED)
        return 1;
    char text[PATH_MSG_BYTES];
    FormatPathMsg(text, how == SAVE_ENDING ? IDS_SAVE_FAILED_QUIT : IDS_SAVE_FAILED, PageFileNames[CurrentPage]);
    if (how == SAVE_LEAVING) {
        MessageBoxA(hWndMain, text, LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_OK | MB_ICONWARNING);
        return 1;
    }
    return MessageBoxA(hWndMain, text, LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// Saves the page being left, then loads the pages in the direction of travel until one loads.
// The search ends after a full round of six tries: the page left comes round last, and when
// even that fails (its file could neither be written nor read back, as when the folder of the
// pages has gone) the child keeps the page on screen, told that the pages are damaged, and
// nothing is saved until a page loads again. Until then, page turns look again without a word:
// they have all been told once.
static void TurnPage(HWND hwnd, int step)
{
    SaveCurrentPage(SAVE_LEAVING);

    const int bTell = bPageLoaded;
    const int left = CurrentPage;
    int page = left;
    int loaded = 0;
    for (int tries = 0; tries < PAGE_COUNT && !loaded; tries++) {
        page = (page + step + PAGE_COUNT) % PAGE_COUNT;
        loaded = bTell ? LoadPage(PageFileNames[page]) : TryLoadPage(PageFileNames[page]);
    }
    if (loaded) {
        CurrentPage = page;
        bPageLoaded = 1;
    } else {
        CurrentPage = left;
        bPageLoaded = 0;
        if (bTell)
            MessageBoxA(hWndMain, LoadMsg(IDS_NO_PAGES, 0), LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_OK);
    }

    ShowPage();
    HDC hdc = GetDC(hwnd);
    ShowPageTitle(hdc);
    ReleaseDC(hwnd, hdc);
    SetFocus(hwnd);
}

int NextPage(HWND hwnd)
{
    TurnPage(hwnd, 1);
    return 0;
}

int PreviousPage(HWND hwnd)
{
    TurnPage(hwnd, -1);
    return 0;
}

int LoadFirstPage()
{
    while (!LoadPage(PageFileNames[CurrentPage])) {
        if (CurrentPage == PAGE_COUNT - 1) {
            MessageBoxA(hWndMain, LoadMsg(IDS_NO_PAGES, 0), LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_OK);
            Shutdown(hWndMain);
            return 0;
        }
        CurrentPage++;
    }
    bPageLoaded = 1;
    if (CurrentPage != 0)
        InvalidateRect(hWndMain, NULL, FALSE);
    return 1;
}
