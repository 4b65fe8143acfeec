// Support services: memory blocks with a retry prompt (Gmem), string-table messages, the
// assertion box, the diagnostic log, the font set (clFont), random numbers and busy-wait delays.
#pragma once

#include <windows.h>

// Memory blocks (Gmem)
typedef int (*GMEMRETRYHANDLER)(DWORD bytes);
extern BYTE* lpDib;       // 660 x 460 pixels of the current page
extern BYTE* lpDibClear;  // page-sized scratch
extern BYTE* lpDibPrint;  // 468 x 668 turned page with margin
LPVOID GmemAlloc(DWORD bytes);
void GmemFree(LPVOID p);
GMEMRETRYHANDLER GmemSetRetryHandler(GMEMRETRYHANDLER handler);
int NoMemoryPrompt(DWORD bytes);
int AllocPageBuffers();
void FreePageBuffers();  // frees the three blocks, clearing each pointer, so none is freed twice

// Messages
LPSTR LoadMsg(UINT id, int slot);
void AssertFail(LPCSTR expression, LPCSTR module, unsigned line);

// Diagnostic log
int LogLine(LPCSTR format, ...);
int LogOpen();

// Font set (clFont)
class FontSet {
public:
    FontSet();
    ~FontSet();
    void CreateFonts();
    void DestroyFonts();
    HFONT Bold() const { return hFontBold; }
    HFONT Normal() const { return hFontNormal; }

private:
    HFONT hFontSmallBold;
    HFONT hFontBold;
    HFONT hFontNormal;
    HFONT hFontLarge;
};
extern FontSet Fonts;

// Timing and chance
int RandomBelow(int n);
void DelayMs(DWORD ms);
