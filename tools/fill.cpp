// The region fill: a click on the page floods the region under it with the current colour, as an
// animated breadth-first walk paced on the tick count. Also owns the animation state that the
// clear wave shares, and the one-message pump of both.
#include "tools/tools.h"

#include "app/mainwnd.h"
#include "app/tintwell.h"
#include "page/page.h"
#include "screen/screen.h"
#include "sound/sound.h"
#include "support/support.h"
#include "support/ids.h"

DWORD dwLastFrame;
DWORD dwNow;
DWORD dwLoopDue;
int bLoopSound;

// Points taken off the queue between two redraws, and the least time between them.
#define FILL_POINTS_PER_FRAME 500
#define FILL_FRAME_MS 10
#define LOOP_SOUND_DELAY_MS 450

int PumpOneMessage(const BYTE* lpPage)
{
    MSG msg;
    if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        return 1;
    if (msg.message == WM_QUIT) {
        // Taken here it would be lost to the main loop and the program would never end.
        PostQuitMessage((int)msg.wParam);
        return 0;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return lpDib == lpPage;
}

LRESULT OnPageClick(HWND hwnd, LPARAM lParam)
{
    const LONG x = (LONG)LOWORD(lParam) - PAGE_LEFT;
    const LONG y = (LONG)HIWORD(lParam) - PAGE_TOP;
    const LONG cx = bmp.bmiHeader.biWidth;
    const LONG cy = bmp.bmiHeader.biHeight;
    if (lpDib == NULL || x < 0 || y < 0 || x >= cx || y >= cy)
        return 0;
    const BYTE bPixel = lpDib[(cy - 1 - y) * cx + x];
    if (bPixel == 0 || bPixel == CurrentColorIndex)
        return 0;

    hCurrentCursor = hWaitCursor;
    SetCursor(hCurrentCursor);
    EnableWindow(hWndMain, FALSE);
    FillRegion(x, y, CurrentColorIndex);
    EnableWindow(hWndMain, TRUE);
    DiscardQueuedInput();
    SetPageBlank(bmfhead, FALSE);
    RepostMouseMove();
    SetFocus(hwnd);
    return 0;
}

void FillRegion(LONG x, LONG y, int colour)
{
    BYTE* const lpPage = lpDib;
    if (lpPage == NULL)
        return;
    const LONG cx = bmp.bmiHeader.biWidth;
    const LONG cy = bmp.bmiHeader.biHeight;
    // Compared and written as the byte it becomes, so a pixel once written never qualifies again.
    const BYTE bColour = (BYTE)colour;

    PlaySfx(SFX_FILL_FIRST + RandomBelow(4));
    bLoopSound = 0;
    const DWORD dwStart = GetTickCount();
    dwLastFrame = dwStart;
    dwNow = dwStart;
    dwLoopDue = dwStart + LOOP_SOUND_DELAY_MS;

    int nPoints = 0;
    PointQueue queue(x, y);
    while (!queue.IsEmpty()) {
        POINT pt;
        queue.Front(pt);
        BYTE* const p = lpPage + (ptrdiff_t)(cy - 1 - pt.y) * cx + pt.x;
        if (pt.y - 1 >= 0) {  // above: one row further on in the bottom-up buffer
            BYTE* const q = p + cx;
            if (*q != 0 && *q != bColour) {
                queue.Push(pt.x, pt.y - 1);
                *q = bColour;
            }
        }
        if (pt.y + 1 < cy) {  // below
            BYTE* const q = p - cx;
            if (*q != 0 && *q != bColour) {
                queue.Push(pt.x, pt.y + 1);
                *q = bColour;
            }
        }
        if (pt.x - 1 >= 0) {  // left
            BYTE* const q = p - 1;
            if (*q != 0 && *q != bColour) {
                queue.Push(pt.x - 1, pt.y);
                *q = bColour;
            }
        }
        if (pt.x + 1 < cx) {  // right
            BYTE* const q = p + 1;
            if (*q != 0 && *q != bColour) {
                queue.Push(pt.x + 1, pt.y);
                *q = bColour;
            }
        }
        queue.Pop();
        if (!queue.Ok())
            break;  // out of memory: what is coloured stays

        dwNow = GetTickCount();
        if (++nPoints > FILL_POINTS_PER_FRAME) {
            nPoints = 0;
            while (dwNow - dwLastFrame < FILL_FRAME_MS)
                dwNow = GetTickCount();
            dwLastFrame = dwNow;
            if (bLoopSound == 0 && dwNow > dwLoopDue) {
                PlaySfxLoop(SFX_FILL_LOOP);
                bLoopSound = 1;
            }
            ShowPage();
        }
        if (!PumpOneMessage(lpPage))
            break;
    }
    ShowPage();
    if (bLoopSound == 1)
        StopSfx();  // a fill too short for the loop leaves its start sound to play out
}
