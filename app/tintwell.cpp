// The process's life: the single-instance rule, the main window class and window, start-up in
// its fixed order, the message loop, and shutdown. Owns the globals that hold the resources.
#include "app/tintwell.h"

#include "app/mainwnd.h"
#include "app/newpage.h"
#include "app/settings.h"
#include "dialogs/dialogs.h"
#include "page/page.h"
#include "sound/sound.h"
#include "support/support.h"
#include "support/ids.h"

#define MAIN_CLASS "TINTWIN"
#define MAIN_TIMER_ID 1
#define MAIN_TIMER_MS 50

HINSTANCE hInst = NULL;
HWND hWndMain = NULL;
LPDIRECTDRAW lpDD = NULL;
HCURSOR hArrowCursor = NULL;
HCURSOR hEditCursor = NULL;
HCURSOR hWaitCursor = NULL;
HCURSOR hCurrentCursor = NULL;
HBRUSH hWhiteBrush = NULL;

HBITMAP hbmDotPattern = NULL;
HBITMAP hbmTitleArea = NULL;
HBITMAP hbmBtnUp[6] = {};
HBITMAP hbmBtnDown[6] = {};
HBITMAP hbmColorBtn = NULL;
HBITMAP hbmColorBtnDn = NULL;
HBITMAP hbmTitles = NULL;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)hPrevInstance;

    switch (ReadSettings(lpCmdLine)) {
    case SETTINGS_RUN:
        break;
    case SETTINGS_BAD:
        MessageBoxA(NULL, szSettingsText, "Tintwell", MB_OK | MB_ICONHAND);
        return 2;
    default:  // the usage or the version, asked for
        MessageBoxA(NULL, szSettingsText, "Tintwell", MB_OK);
        return 0;
    }

    HWND hWndOther = FindWindowA(MAIN_CLASS, NULL);
    if (hWndOther) {
        if (IsWindow(hWndOther)) {
            BringWindowToTop(hWndOther);
            if (IsIconic(hWndOther))
                ShowWindow(hWndOther, SW_RESTORE);
            if (Settings.szPicture[0])
                SendPictureTo(hWndOther, Settings.szPicture);
        }
        return -1;
    }
    if (Settings.szPicture[0])
        OfferPictureLater(Settings.szPicture);

    RegisterMainClass(hInstance);
    if (!InitInstance(hInstance, nCmdShow))
        return 0;

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

void RegisterMainClass(HINSTANCE hInstance)
{
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(hInstance, "TWLIcon");
    wc.hCursor = NULL;  // the window sets its cursor itself
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = MAIN_CLASS;
    RegisterClassA(&wc);
}

static void LoadBitmaps()
{
    static const char* const upNames[6] = {"QuitBtn", "PrintBtn", "ClearBtn", "InfoBtn", "UpBtn", "DownBtn"};
    static const char* const downNames[6] = {"QuitBtnDn", "PrintBtnDn", "ClearBtnDn",
                                             "InfoBtnDn", "UpBtnDn",    "DownBtnDn"};
    hbmDotPattern = LoadBitmapA(hInst, "DotPattern");
    hbmTitleArea = LoadBitmapA(hInst, "TitleArea");
    for (int i = 0; i < 6; i++) {
        hbmBtnUp[i] = LoadBitmapA(hInst, upNames[i]);
        hbmBtnDown[i] = LoadBitmapA(hInst, downNames[i]);
    }
    hbmColorBtn = LoadBitmapA(hInst, "ColorBtn");
    hbmColorBtnDn = LoadBitmapA(hInst, "ColorBtnDn");
    hbmTitles = LoadBitmapA(hInst, "Titles");
}

static void DeleteBitmap(HBITMAP& hbm)
{
    if (hbm)
        DeleteObject(hbm);
    hbm = NULL;
}

int InitInstance(HINSTANCE hInstance, int nCmdShow)
{
    hInst = hInstance;

    HWND hwnd = CreateWindowExA(0, MAIN_CLASS, "Tintwell", WS_POPUPWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600,
                                NULL, NULL, hInst, NULL);
    if (!hwnd)
        return 0;
    hWndMain = hwnd;

    if (CheckDisplaySize(hWndMain))
        return 0;
    if (!Settings.bWindowed)
        SetFullScreenMode();
    GmemSetRetryHandler(NoMemoryPrompt);
    if (!AllocPageBuffers())
        return 0;
    OpenMusic();
    InitDialogTables();
    StartMusic(hWndMain);

    LoadBitmaps();
    ShowWindow(hWndMain, nCmdShow);
    LoadSounds(hInst);

    if (!SetTimer(hWndMain, MAIN_TIMER_ID, MAIN_TIMER_MS, NULL)) {
        MessageBoxA(hWndMain, LoadMsg(IDS_NO_TIMER, 0), LoadMsg(IDS_STARTUP_CAPTION, 1), MB_ICONWARNING);
        Shutdown(hWndMain);
        return 0;
    }
    return 1;
}

int CheckDisplaySize(HWND hwnd)
{
    HDC hdc = GetDC(hwnd);
    int width = GetDeviceCaps(hdc, HORZRES);
    int height = GetDeviceCaps(hdc, VERTRES);
    ReleaseDC(hwnd, hdc);
    if (width >= 800 && height >= 600)
        return 0;
    MessageBoxA(hwnd, LoadMsg(IDS_DISPLAY_TOO_SMALL, 0), LoadMsg(IDS_DISPLAY_CAPTION, 1), MB_OK);
    return 1;
}

int SetFullScreenMode()
{
    if (FAILED(DirectDrawCreate(NULL, &lpDD, NULL))) {
        lpDD = NULL;
        LogLine("DirectDrawCreateEx");
        return 0;
    }
    if (FAILED(lpDD->SetCooperativeLevel(hWndMain, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN))) {
        LogLine("SetCooperativeLevel");
        return 0;
    }
    if (FAILED(lpDD->SetDisplayMode(800, 600, 16))) {
        LogLine("SetDisplayMode");
        return 0;
    }
    return 1;
}

int RestoreScreenMode()
{
    if (lpDD) {
        lpDD->RestoreDisplayMode();
        lpDD->Release();
        lpDD = NULL;
    }
    return 0;
}

int OnCreate(HWND hwnd)
{
    (void)hwnd;
    CreateDisplayPalette();
    hArrowCursor = LoadCursorA(NULL, IDC_ARROW);
    hEditCursor = LoadCursorA(hInst, "EditCursor");
    hWaitCursor = LoadCursorA(NULL, IDC_WAIT);
    hCurrentCursor = hArrowCursor;
    hWhiteBrush = (HBRUSH)GetStockObject(WHITE_BRUSH);
    Fonts.CreateFonts();
    AcceptPictures(hwnd);
    return 0;
}

// Releases what start-up acquired, in a fixed order, and ends the message loop. Each handle and
// block is cleared as it goes, so nothing is released twice.
int Shutdown(HWND hwnd)
{
    KillTimer(hwnd, MAIN_TIMER_ID);
    StopMusic();
    CloseMusic();

    if (hEditCursor)
        DestroyCursor(hEditCursor);
    if (hCurrentCursor == hEditCursor)
        hCurrentCursor = hArrowCursor;
    hEditCursor = NULL;

    DeleteBitmap(hbmDotPattern);
    DeleteBitmap(hbmTitleArea);
    for (int i = 0; i < 6; i++)
        DeleteBitmap(hbmBtnUp[i]);
    for (int i = 0; i < 6; i++)
        DeleteBitmap(hbmBtnDown[i]);
    DeleteBitmap(hbmColorBtn);
    DeleteBitmap(hbmColorBtnDn);
    DeleteBitmap(hbmTitles);

    FreePageBuffers();

    HDC hdc = GetDC(hWndMain);
    if (hPalette) {
        SelectPalette(hdc, hOldPalette, FALSE);
        DeleteObject(hPalette);
        hPalette = NULL;
    }
    ReleaseDC(hWndMain, hdc);

    RestoreScreenMode();
    PostQuitMessage(0);
    return 0;
}
