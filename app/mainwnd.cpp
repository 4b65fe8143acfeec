// The main window's procedure: the screen states driven by paints, command routing, keyboard
// shortcuts, the cursor over the page, the grown-up's Quit, and the input helpers that long
// operations end with.
#include "app/mainwnd.h"

#include "app/newpage.h"
#include "app/settings.h"
#include "app/tintwell.h"
#include "dialogs/dialogs.h"
#include "page/page.h"
#include "print/print.h"
#include "screen/screen.h"
#include "sound/sound.h"
#include "support/ids.h"
#include "support/support.h"
#include "tools/tools.h"

#include <mmsystem.h>

// CommandButtons rows
#define ROW_QUIT 0
#define ROW_PRINT 1
#define ROW_CLEAR 2
#define ROW_INFO 3
#define ROW_PREVIOUS 4
#define ROW_NEXT 5

#define PRESS_MS 125

// The page area for the cursor: one column and one row more than the page.
#define CURSOR_AREA_LEFT PAGE_LEFT
#define CURSOR_AREA_TOP PAGE_TOP
#define CURSOR_AREA_RIGHT (PAGE_LEFT + PAGE_WIDTH)
#define CURSOR_AREA_BOTTOM (PAGE_TOP + PAGE_HEIGHT)

int ScreenState = SCREEN_NOTHING;
int BusyFlag = 0;
POINT ptMouse = {0, 0};

// The grown-up's Quit (Quit=grownup): the Quit button quits only once it has been held down for
// QUIT_HOLD_MS, by the mouse or by Q, showing meanwhile how long it has been held. A quick click
// or a tap on Q, what a child does, only shows the button pressed. An owner-drawn button tells
// its parent that it is pressed by drawing itself selected; the 50 ms timer redraws it while it
// is held and quits when the time is up.
static BOOL bQuitHeld = FALSE;     // the Quit button is drawn pressed
static DWORD dwQuitHeldSince = 0;  // since when
static BOOL bQuitKeyDown = FALSE;  // Q holds it pressed until Q comes up

static HWND QuitButton()
{
    return CommandButtons[ROW_QUIT].hwnd;
}

DWORD QuitHeldMs()
{
    if (!bQuitHeld)
        return 0;
    const DWORD dwHeld = GetTickCount() - dwQuitHeldSince;
    return dwHeld < QUIT_HOLD_MS ? dwHeld : QUIT_HOLD_MS;
}

static void OnQuitButtonDrawn(const DRAWITEMSTRUCT* item)
{
    if (item->CtlID != CMD_QUIT || !Settings.bGrownupQuit)
        return;
    const BOOL bPressed = (item->itemState & ODS_SELECTED) != 0;
    if (bPressed && !bQuitHeld)
        dwQuitHeldSince = GetTickCount();
    bQuitHeld = bPressed;
}

static void PressQuitKey()
{
    if (bQuitKeyDown)
        return;  // the key's repeats
    bQuitKeyDown = TRUE;
    SendMessageA(QuitButton(), BM_SETSTATE, TRUE, 0);
}

static void ReleaseQuitKey()
{
    if (!bQuitKeyDown)
        return;
    bQuitKeyDown = FALSE;
    SendMessageA(QuitButton(), BM_SETSTATE, FALSE, 0);
}

// The Quit command: the page is saved (a page that cannot be saved asks first), then the window
// goes, and Shutdown with it.
static void QuitProgram(HWND hwnd)
{
    if (SaveCurrentPage(SAVE_ENDING))
        DestroyWindow(hwnd);
}

static void OnQuitHoldTick(HWND hwnd)
{
    // Not while a dialog, a fill or a clear owns the window: they still use the page.
    if (!bQuitHeld || BusyFlag || !IsWindowEnabled(hwnd))
        return;
    if (QuitHeldMs() < QUIT_HOLD_MS) {
        InvalidateRect(QuitButton(), NULL, FALSE);
        return;
    }
    // Let go of the button first, so that a page that cannot be saved, and the question that
    // brings, does not leave it held.
    ReleaseQuitKey();
    if (GetCapture() == QuitButton())
        ReleaseCapture();
    SendMessageA(QuitButton(), BM_SETSTATE, FALSE, 0);
    QuitProgram(hwnd);
}

// Shows the button pressed, holds it, releases it, optionally pauses again, then posts the
// command as the button's own click would.
static void PressAndPost(HWND button, int commandId, DWORD extraPause)
{
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    DelayMs(PRESS_MS);
    SendMessageA(button, BM_SETSTATE, FALSE, 0);
    if (extraPause)
        DelayMs(extraPause);
    PostMessageA(hWndMain, WM_COMMAND, (WPARAM)commandId, 0);
}

void PressButton(HWND button, int commandId)
{
    PressAndPost(button, commandId, 0);
}

void DiscardQueuedInput()
{
    MSG msg;
    while (PeekMessageA(&msg, hWndMain, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageA(&msg, hWndMain, WM_MOUSEMOVE, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    }
}

void RepostMouseMove()
{
    GetCursorPos(&ptMouse);
    PostMessageA(hWndMain, WM_MOUSEMOVE, 0, MAKELPARAM(ptMouse.x, ptMouse.y));
}

LRESULT OnKeyDown(HWND hwnd, WPARAM virtualKey)
{
    (void)hwnd;
    switch (virtualKey) {
    case VK_PRIOR:
    case VK_UP:
        PressButton(CommandButtons[ROW_PREVIOUS].hwnd, CMD_PREVIOUS);
        break;
    case VK_NEXT:
    case VK_DOWN:
        PressButton(CommandButtons[ROW_NEXT].hwnd, CMD_NEXT);
        break;
    case 'Q':
        if (Settings.bGrownupQuit)
            PressQuitKey();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT OnChar(HWND hwnd, WPARAM character)
{
    switch (character) {
    case 'C':
    case 'c':
        PressButton(CommandButtons[ROW_CLEAR].hwnd, CMD_CLEAR);
        break;
    case 'I':
    case 'i':
        PressButton(CommandButtons[ROW_INFO].hwnd, CMD_INFO);
        break;
    case 'P':
    case 'p':
        if (Settings.bPrint)
            PressButton(CommandButtons[ROW_PRINT].hwnd, CMD_PRINT);
        break;
    case 'Q':
    case 'q':
        // A grown-up holds Q down instead (OnKeyDown).
        if (!Settings.bGrownupQuit)
            PressAndPost(CommandButtons[ROW_QUIT].hwnd, CMD_QUIT, PRESS_MS);
        break;
    default:
        break;
    }
    SetFocus(hwnd);
    return 0;
}

LRESULT OnMouseMove(LPARAM lParam)
{
    if (ScreenState != SCREEN_RUNNING)
        return 0;
    ptMouse.x = LOWORD(lParam);
    ptMouse.y = HIWORD(lParam);
    if (ptMouse.x >= CURSOR_AREA_LEFT && ptMouse.x <= CURSOR_AREA_RIGHT && ptMouse.y >= CURSOR_AREA_TOP &&
        ptMouse.y <= CURSOR_AREA_BOTTOM)
        hCurrentCursor = hEditCursor;
    else
        hCurrentCursor = hArrowCursor;
    SetCursor(hCurrentCursor);
    return 0;
}

static LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (id >= COLOR_ID_FIRST && id <= COLOR_ID_LAST) {
        PickColor(wParam);
        return 0;
    }
    switch (id) {
    case CMD_QUIT:
        // A grown-up's Quit comes from holding the button, not from its click.
        if (Settings.bGrownupQuit)
            SetFocus(hwnd);
        else
            QuitProgram(hwnd);
        return 0;
    case CMD_PRINT:
        if (Settings.bPrint)
            PrintPage(hwnd);
        SetFocus(hwnd);
        return 0;
    case CMD_CLEAR:
        OnClearCommand(hwnd);
        return 0;
    case CMD_INFO:
        RunDialog(hwnd, DLG_INFO, InfoDlgProc, 0);
        SetFocus(hwnd);
        return 0;
    case CMD_PREVIOUS:
        PreviousPage(hwnd);
        return 0;
    case CMD_NEXT:
        NextPage(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, WM_COMMAND, wParam, lParam);
    }
}

static LRESULT OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    if (ScreenState == SCREEN_RUNNING) {
        // A fill or a clear keeps the window disabled for its whole run and may dispatch this
        // paint from its own message pump; the window is enabled again only if it was enabled
        // when the paint began.
        const BOOL bWasEnabled = IsWindowEnabled(hWndMain);
        EnableWindow(hWndMain, FALSE);
        DrawScreenFrame(ps.hdc);
        ShowPage();
        ShowPageTitle(ps.hdc);
        if (bWasEnabled)
            EnableWindow(hWndMain, TRUE);
        DiscardQueuedInput();
        SetFocus(hwnd);
    }
    EndPaint(hwnd, &ps);

    if (ScreenState != SCREEN_RUNNING) {
        HDC hdc = GetDC(hWndMain);
        DrawBackdrop(hdc);
        ReleaseDC(hWndMain, hdc);
    }
    if (ScreenState == SCREEN_NOTHING) {
        ScreenState = SCREEN_TITLE;
        PostMessageA(hWndMain, WM_SHOWTITLEDLG, 0, 0);
    }
    if (ScreenState == SCREEN_BUILD) {
        ScreenState = SCREEN_RUNNING;
        PostMessageA(hWndMain, WM_CREATEBUTTONS, 0, 0);
        HDC hdc = GetDC(hWndMain);
        DrawScreenFrame(hdc);
        ReleaseDC(hWndMain, hdc);
        if (!LoadFirstPage())
            return 0;
        hCurrentCursor = hEditCursor;
        SetCursor(hCurrentCursor);
        OfferWaitingPicture();
    }
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnPictureMessage(hwnd, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_CREATE:
        return OnCreate(hwnd);
    case WM_DESTROY:
        return Shutdown(hWndMain);
    case WM_CLOSE:
        // The window's close (the window manager's button, Alt+F4) keeps the page as Quit does.
        if (SaveCurrentPage(SAVE_ENDING))
            DestroyWindow(hwnd);
        return 0;
    case WM_QUERYENDSESSION:
        // The session ends (logout, shutdown, a signal, the display gone): the page is kept while
        // it is still in memory, for the process ends with the session. No from the user keeps the
        // session going; on a critical end nobody can be asked.
        return SaveCurrentPage((lParam & ENDSESSION_CRITICAL) ? SAVE_FORCED : SAVE_ENDING);
    case WM_SETFOCUS:
        SetCursor(hCurrentCursor);
        return 0;
    case WM_KILLFOCUS:
        ReleaseQuitKey();  // its key-up goes elsewhere now
        return 0;
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_SETCURSOR:
        SetCursor(hCurrentCursor);
        SetFocus(hwnd);
        return 0;
    case WM_DRAWITEM:
        OnQuitButtonDrawn((const DRAWITEMSTRUCT*)lParam);
        return DrawButton((const DRAWITEMSTRUCT*)lParam);
    case WM_KEYDOWN:
        return BusyFlag ? 0 : OnKeyDown(hwnd, wParam);
    case WM_KEYUP:
        if (wParam == 'Q')
            ReleaseQuitKey();
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CHAR:
        return BusyFlag ? 0 : OnChar(hwnd, wParam);
    case WM_COMMAND:
        return BusyFlag ? 0 : OnCommand(hwnd, wParam, lParam);
    case WM_TIMER:
        OnQuitHoldTick(hwnd);
        return 0;
    case MM_MCINOTIFY:
        RestartMusic(hwnd);  // the tune ended, or was stopped or replaced: from the top again
        return 0;
    case WM_MOUSEMOVE:
        if (BusyFlag)
            return 0;
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        return OnMouseMove(lParam);
    case WM_LBUTTONDOWN:
        return BusyFlag ? 0 : OnPageClick(hwnd, lParam);
    case WM_SHOWTITLEDLG:
        RunDialog(hWndMain, DLG_TITLE, TitleDlgProc, 0);
        ScreenState = SCREEN_BUILD;
        InvalidateRect(hWndMain, NULL, FALSE);
        return 0;
    case WM_CREATEBUTTONS:
        return CreateButtons(hwnd);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
