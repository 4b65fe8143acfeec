// The clear wave: every coloured pixel of the page turns back to paper in a diamond growing from
// the page's centre, frame by frame, while the outlines stay.
#include "tools/tools.h"

#include <cstring>

#include "app/mainwnd.h"
#include "app/tintwell.h"
#include "page/page.h"
#include "sound/sound.h"
#include "support/support.h"
#include "support/ids.h"

void (*lpfnClearFrameEnd)(LONG x, LONG y) = nullptr;

#define CLEAR_SEED_X 330
#define CLEAR_SEED_Y 230
#define CLEAR_STEPS_PER_FRAME 6
#define CLEAR_FRAME_MS 30
#define LOOP_SOUND_DELAY_MS 450
#define CLEAR_MAP_BYTES PAGE_PIXELS  // size of the lpDibClear block
#define MAP_UNVISITED 1
#define MAP_VISITED 37

LRESULT OnClearCommand(HWND hwnd)
{
    if (PageIsBlank(bmfhead))
        return 0;

    hCurrentCursor = hWaitCursor;
    SetCursor(hCurrentCursor);
    EnableWindow(hWndMain, FALSE);
    const int bCleared = ClearPageWave();
    EnableWindow(hWndMain, TRUE);
    DiscardQueuedInput();
    // A wave that stopped early leaves colouring behind: the page is not blank, and a later
    // Clear must still be able to run.
    if (bCleared)
        SetPageBlank(bmfhead, TRUE);
    RepostMouseMove();
    SetFocus(hwnd);
    return 0;
}

int ClearPageWave()
{
    BYTE* const lpPage = lpDib;
    BYTE* const lpMap = lpDibClear;
    const LONG cx = bmp.bmiHeader.biWidth;
    const LONG cy = bmp.bmiHeader.biHeight;
    if (lpPage == NULL || lpMap == NULL || cx <= CLEAR_SEED_X || cy <= CLEAR_SEED_Y ||
        (long long)cx * cy > CLEAR_MAP_BYTES)
        return 0;

    LONG xCur = CLEAR_SEED_X;  // the point taken most recently
    LONG yCur = CLEAR_SEED_Y;
    bLoopSound = 0;
    for (LONG row = 0; row < cy; row++)
        memset(lpMap + (ptrdiff_t)row * cx, MAP_UNVISITED, (size_t)cx);
    PlaySfx(SFX_CLEAR);

    const DWORD dwStart = GetTickCount();
    dwLastFrame = dwStart;
    dwNow = dwStart;
    dwLoopDue = dwStart + LOOP_SOUND_DELAY_MS;

    LONG xFrame = xCur;  // where the frame started
    LONG yFrame = yCur;
    int bWhole = 1;
    PointQueue queue(xCur, yCur);
    if (!queue.Ok())
        bWhole = 0;
    while (!queue.IsEmpty()) {
        const LONG lFrameEnd = xFrame + yFrame + CLEAR_STEPS_PER_FRAME;
        while (!queue.IsEmpty() && xCur + yCur < lFrameEnd) {
            POINT pt;
            queue.Front(pt);
            xCur = pt.x;
            yCur = pt.y;
            const ptrdiff_t off = (ptrdiff_t)(cy - 1 - yCur) * cx + xCur;
            ptrdiff_t nb;
            if (yCur - 1 >= 0) {  // above: one row further on in the bottom-up buffer
                nb = off + cx;
                if (lpMap[nb] != MAP_VISITED) {
                    queue.Push(xCur, yCur - 1);
                    lpMap[nb] = MAP_VISITED;
                    if (lpPage[nb] != 0)
                        lpPage[nb] = PAPER_INDEX;
                }
            }
            if (yCur + 1 < cy) {  // below
                nb = off - cx;
                if (lpMap[nb] != MAP_VISITED) {
                    queue.Push(xCur, yCur + 1);
                    lpMap[nb] = MAP_VISITED;
                    if (lpPage[nb] != 0)
                        lpPage[nb] = PAPER_INDEX;
                }
            }
            if (xCur - 1 >= 0) {  // left
                nb = off - 1;
                if (lpMap[nb] != MAP_VISITED) {
                    queue.Push(xCur - 1, yCur);
                    lpMap[nb] = MAP_VISITED;
                    if (lpPage[nb] != 0)
                        lpPage[nb] = PAPER_INDEX;
                }
            }
            if (xCur + 1 < cx) {  // right
                nb = off + 1;
                if (lpMap[nb] != MAP_VISITED) {
                    queue.Push(xCur + 1, yCur);
                    lpMap[nb] = MAP_VISITED;
                    if (lpPage[nb] != 0)
                        lpPage[nb] = PAPER_INDEX;
                }
            }
            queue.Pop();
            if (!queue.Ok())
                break;
        }
        if (!queue.Ok()) {
            bWhole = 0;  // out of memory: what is cleared stays
            break;
        }
        xFrame = xCur;
        yFrame = yCur;
        if (lpfnClearFrameEnd)
            lpfnClearFrameEnd(xCur, yCur);

        dwNow = GetTickCount();
        while (dwNow - dwLastFrame < CLEAR_FRAME_MS)
            dwNow = GetTickCount();
        dwLastFrame = dwNow;
        if (bLoopSound == 0 && dwNow > dwLoopDue) {
            PlaySfxLoop(SFX_CLEAR_LOOP);
            bLoopSound = 1;
        }
        ShowPage();
        if (!PumpOneMessage(lpPage)) {
            if (!queue.IsEmpty())
                bWhole = 0;
            break;
        }
    }
    ShowPage();
    if (bLoopSound == 1)
        StopSfx();
    return bWhole;
}
