// Gmem: the three page-sized memory blocks and the allocator behind them, with the Retry/Cancel
// prompt that a failed allocation raises.
#include "support/support.h"

#include "app/tintwell.h"
#include "support/ids.h"

#define PAGE_BYTES ((DWORD)PAGE_PIXELS)
#define PRINT_BYTES 312624UL  // 668 x 468

BYTE* lpDib = NULL;
BYTE* lpDibClear = NULL;
BYTE* lpDibPrint = NULL;

static GMEMRETRYHANDLER pfnRetryHandler = NULL;
static int nRetryDepth = 0;  // non-zero while the handler runs: a nested failure gives up at once

LPVOID GmemAlloc(DWORD bytes)
{
    for (;;) {
        HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        LPVOID p = hMem ? GlobalLock(hMem) : NULL;
        if (p)
            return p;
        if (hMem)
            GlobalFree(hMem);

        int bRetry = 0;
        if (pfnRetryHandler && nRetryDepth == 0) {
            ++nRetryDepth;
            bRetry = pfnRetryHandler(bytes);
            --nRetryDepth;
        }
        if (!bRetry)
            return NULL;
    }
}

void GmemFree(LPVOID p)
{
    if (!p)
        return;
    HGLOBAL hMem = GlobalHandle(p);
    GlobalUnlock(hMem);
    GlobalFree(hMem);
}

GMEMRETRYHANDLER GmemSetRetryHandler(GMEMRETRYHANDLER handler)
{
    GMEMRETRYHANDLER old = pfnRetryHandler;
    pfnRetryHandler = handler;
    return old;
}

int NoMemoryPrompt(DWORD bytes)
{
    (void)bytes;
    int answer = MessageBoxA(hWndMain, "There is not enough memory to play this game.", "Error", MB_RETRYCANCEL);
    return answer == IDRETRY ? 1 : 0;
}

// Each pointer is cleared as its block goes, so a block freed here is never freed again: the
// assertion box of AllocPageBuffers may shut the program down (and so come here) before its own
// clean-up runs.
void FreePageBuffers()
{
    BYTE* p;
    p = lpDib;
    lpDib = NULL;
    GmemFree(p);
    p = lpDibClear;
    lpDibClear = NULL;
    GmemFree(p);
    p = lpDibPrint;
    lpDibPrint = NULL;
    GmemFree(p);
}

int AllocPageBuffers()
{
    lpDib = (BYTE*)GmemAlloc(PAGE_BYTES);
    if (!lpDib) {
        AssertFail("lpDib", "Gmem", 20);
        if (!lpDib)
            goto failed;
    }
    lpDibClear = (BYTE*)GmemAlloc(PAGE_BYTES);
    if (!lpDibClear) {
        AssertFail("lpDibClear", "Gmem", 26);
        if (!lpDibClear)
            goto failed;
    }
    lpDibPrint = (BYTE*)GmemAlloc(PRINT_BYTES);
    if (!lpDibPrint)
        goto failed;
    return 1;

failed:
    FreePageBuffers();
    return 0;
}
