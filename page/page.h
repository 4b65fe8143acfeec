// The page model: the PageImage and its file format, the colour table and display palette, and
// the page set with its navigation and display.
#pragma once

#include <windows.h>

// --- PageImage and page files ---
#define PAGE_MAGIC 0x5754  // "TW"

typedef struct tagMYBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
} MYBITMAPINFO;

extern BITMAPFILEHEADER bmfhead;  // bfReserved1 is the page-blank flag
extern MYBITMAPINFO bmp;
// The pixels are lpDib (support.h).

int LoadPage(LPCSTR path);
// LoadPage without a word when the page does not load.
int TryLoadPage(LPCSTR path);
int SavePage(LPCSTR path);
// Formats string-table text `id` with a file name in its %s into text (PATH_MSG_BYTES long),
// shortening the name rather than overrunning.
#define PATH_MSG_BYTES 512
void FormatPathMsg(char* text, UINT id, LPCSTR path);
void ExpandMonoRow(const BYTE* source, BYTE* destination, int count);

// --- Colour table and display palette ---
#define ColorCount 38
#define PAPER_INDEX 37
extern const BYTE ColorTable[ColorCount][4];  // red, green, blue, 0
extern LOGPALETTE* const LogPalette;          // 256 entries
extern HPALETTE hPalette;
extern HPALETTE hOldPalette;
int CreateDisplayPalette();

// --- Page set and display ---
#define PAGE_COUNT 6
extern const char* const PageFileNames[PAGE_COUNT];
extern const int PageTitleRows[PAGE_COUNT];
extern int CurrentPage;

// 1 while the PageImage holds the page CurrentPage names; nothing is saved while it is 0.
extern int bPageLoaded;

int ShowPage();
void ShowPageTitle(HDC hdc);
int NextPage(HWND hwnd);
int PreviousPage(HWND hwnd);
// Saves the PageImage to its page's file, if it holds a loaded page. A failure is told when
// leaving the page, asked about when the program is to end (SAVE_ENDING), and neither when
// nobody can be asked any more (SAVE_FORCED). Returns 0 only when the user chose to stay.
#define SAVE_LEAVING 0
#define SAVE_ENDING 1
#define SAVE_FORCED 2
int SaveCurrentPage(int how);
int LoadFirstPage();    // 1 when a page loaded; 0 after the program has been shut down
