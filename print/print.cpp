// The print job and its three methods. The page is always printed turned a quarter turn
// anticlockwise, paper as pure white, inside a thin black frame.
#include "print/print.h"

#include <commdlg.h>
#include <string.h>

#include "app/mainwnd.h"
#include "app/tintwell.h"
#include "page/page.h"
#include "support/support.h"

#define WHITE_INDEX 27
#define MARGIN 4          // the Default method's black margin round the turned page
#define FRAME 3           // the Alternates' black frame
#define BLOCK 20          // Alternate 2's block size
#define BLOCK_ROWS 20
#define BLOCK_COLUMNS 25

static const DOCINFOA DocInfo = {sizeof(DOCINFOA), "Tintwell: Printing", NULL, NULL, 0};

// Three quarters of the page height, rounded as a 16-bit device would.
static short PrintHeight(short yPage)
{
    return (short)((yPage >> 2) * 3);
}

void RotatePage()
{
    const int W = bmp.bmiHeader.biWidth;
    const int H = bmp.bmiHeader.biHeight;
    for (int i = 0; i < W; ++i) {
        BYTE* turned = lpDibClear + i * H + (H - 1);
        const BYTE* source = lpDib + i;
        for (int j = 0; j < H; ++j) {
            BYTE v = source[j * W];
            turned[-j] = v == PAPER_INDEX ? WHITE_INDEX : v;
        }
    }
}

void PrintDefault(HDC hdc, short xPage, short yPage)
{
    if (!lpDib)
        return;
    const int W = bmp.bmiHeader.biWidth;
    const int H = bmp.bmiHeader.biHeight;
    const short destH = PrintHeight(yPage);
    const int top = (yPage - destH) >> 1;

    RotatePage();
    for (int c = 0; c < W; ++c)
        memcpy(lpDibPrint + (c + MARGIN) * (H + 2 * MARGIN) + MARGIN, lpDibClear + c * H, H);

    MYBITMAPINFO framed = bmp;
    framed.bmiHeader.biWidth = H + 2 * MARGIN;
    framed.bmiHeader.biHeight = W + 2 * MARGIN;
    framed.bmiHeader.biSizeImage = 0;

    const int destW = (framed.bmiHeader.biWidth * destH) / framed.bmiHeader.biHeight;
    const int left = (xPage - destW) / 2;
    StretchDIBits(hdc, left, top, destW, destH, 0, 0, framed.bmiHeader.biWidth, framed.bmiHeader.biHeight,
                  lpDibPrint, (const BITMAPINFO*)&framed, DIB_RGB_COLORS, SRCCOPY);
}

static void UsePalette(HDC hdc)
{
    SelectPalette(hdc, hPalette, FALSE);
    RealizePalette(hdc);
}

void PrintAlternate(HDC hdc, short xPage, short yPage)
{
    if (!lpDib)
        return;
    const int W = bmp.bmiHeader.biWidth;
    const int H = bmp.bmiHeader.biHeight;
    const int frameW = H + 2 * FRAME;  // 466
    const int frameH = W + 2 * FRAME;  // 666
    const int halfH = frameH / 2;      // 333
    const int bitmapW = H + 40;        // 500
    const int bitmapH = (W + 140) / 2; // 400

    int f = 0, top = 0, left = 0;
    short destH = 0;
    if (PrintMethod == 2) {
        f = ((yPage * 9) / 10) / frameH;
        if (f > 20)
            f = 20;
        if (f < 3)
            f = 3;
        top = (yPage - frameH * f) >> 1;
        left = (xPage - frameW * f) >> 1;
    } else {
        destH = PrintHeight(yPage);
        top = (yPage - destH) >> 1;
    }

    RotatePage();

    HDC hdcScreen = GetDC(NULL);
    UsePalette(hdcScreen);
    HDC hdcUpper = CreateCompatibleDC(hdcScreen);
    HDC hdcLower = CreateCompatibleDC(hdcScreen);
    HDC hdcUpperBlock = CreateCompatibleDC(hdcScreen);
    HDC hdcLowerBlock = CreateCompatibleDC(hdcScreen);
    HDC memory[4] = {hdcUpper, hdcLower, hdcUpperBlock, hdcLowerBlock};
    HBITMAP bitmaps[4];
    for (int i = 0; i < 4; ++i) {
        UsePalette(memory[i]);
        bitmaps[i] = CreateCompatibleBitmap(hdcScreen, bitmapW, bitmapH);
        SelectObject(memory[i], bitmaps[i]);
    }
    PatBlt(hdcUpper, 0, 0, bitmapW, bitmapH, WHITENESS);
    PatBlt(hdcLower, 0, 0, bitmapW, bitmapH, WHITENESS);

    const POINT frame[4] = {{0, 0}, {H + 5, 0}, {H + 5, (W + 6) / 2 - 1}, {0, (W + 6) / 2 - 1}};
    HGDIOBJ hOldPenUpper = SelectObject(hdcUpper, GetStockObject(BLACK_PEN));
    HGDIOBJ hOldBrushUpper = SelectObject(hdcUpper, GetStockObject(BLACK_BRUSH));
    HGDIOBJ hOldPenLower = SelectObject(hdcLower, GetStockObject(BLACK_PEN));
    HGDIOBJ hOldBrushLower = SelectObject(hdcLower, GetStockObject(BLACK_BRUSH));
    Polygon(hdcUpper, frame, 4);
    Polygon(hdcLower, frame, 4);

    // The turned image: the page's header with width and height exchanged.
    MYBITMAPINFO turned = bmp;
    turned.bmiHeader.biWidth = H;
    turned.bmiHeader.biHeight = W;
    SetDIBitsToDevice(hdcUpper, FRAME, FRAME, H, W / 2, 0, W / 2, 0, W, lpDibClear, (const BITMAPINFO*)&turned,
                      DIB_RGB_COLORS);
    SetDIBitsToDevice(hdcLower, FRAME, 0, H, W / 2, 0, 0, 0, W / 2, lpDibClear, (const BITMAPINFO*)&turned,
                      DIB_RGB_COLORS);

    UsePalette(hdc);
    if (PrintMethod == 2) {
        const int size = BLOCK * f;
        for (int k = 0; k < BLOCK_ROWS; ++k)
            for (int l = 0; l < BLOCK_COLUMNS; ++l) {
                StretchBlt(hdcUpperBlock, 0, 0, size, size, hdcUpper, BLOCK * l, BLOCK * k, BLOCK, BLOCK, SRCCOPY);
                BitBlt(hdc, left + l * size, top + k * size, size, size, hdcUpperBlock, 0, 0, SRCCOPY);
            }
        for (int k = 0; k < BLOCK_ROWS; ++k)
            for (int l = 0; l < BLOCK_COLUMNS; ++l) {
                StretchBlt(hdcLowerBlock, 0, 0, size, size, hdcLower, BLOCK * l, BLOCK * k, BLOCK, BLOCK, SRCCOPY);
                BitBlt(hdc, left + l * size, top + k * size + halfH * f, size, size, hdcLowerBlock, 0, 0, SRCCOPY);
            }
    } else {
        const int destW = (frameW * destH) / frameH;
        const int half = destH / 2;
        left = (xPage - destW) / 2;
        StretchBlt(hdc, left, top, destW, half, hdcUpper, 0, 0, frameW, halfH, SRCCOPY);
        StretchBlt(hdc, left, top + half, destW, half, hdcLower, 0, 0, frameW, halfH, SRCCOPY);
    }

    SelectObject(hdcUpper, hOldPenUpper);
    SelectObject(hdcUpper, hOldBrushUpper);
    SelectObject(hdcLower, hOldPenLower);
    SelectObject(hdcLower, hOldBrushLower);
    ReleaseDC(NULL, hdcScreen);
    for (int i = 0; i < 4; ++i)
        DeleteDC(memory[i]);
    for (int i = 0; i < 4; ++i)
        DeleteObject(bitmaps[i]);
}

BOOL CALLBACK PrintAbortProc(HDC hdc, int code)
{
    (void)hdc;
    (void)code;
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: the main loop must still see it once the job is over.
            PostQuitMessage((int)msg.wParam);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return TRUE;
}

HDC GetPrinterDC(HWND owner)
{
    PRINTDLGA pd;
    memset(&pd, 0, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE;
    pd.nCopies = 1;
    BOOL chosen = PrintDlgA(&pd);
    // Nothing chosen in the dialog is kept for the next job.
    if (pd.hDevMode)
        GlobalFree(pd.hDevMode);
    if (pd.hDevNames)
        GlobalFree(pd.hDevNames);
    return chosen ? pd.hDC : NULL;
}

void PrintPage(HWND hwnd)
{
    BusyFlag = 1;
    HDC hdc = GetPrinterDC(hwnd);
    if (!hdc) {
        BusyFlag = 0;
        return;
    }
    const short xPage = (short)GetDeviceCaps(hdc, HORZRES);
    const short yPage = (short)GetDeviceCaps(hdc, VERTRES);
    if (!xPage && !yPage) {
        AssertFail("xPage || yPage", "Print", 49);
        if (!lpDib) {
            // Cancel destroyed the main window and its shutdown freed the page: no job.
            DeleteDC(hdc);
            BusyFlag = 0;
            return;
        }
    }

    hCurrentCursor = hWaitCursor;
    SetCursor(hCurrentCursor);
    EnableWindow(hWndMain, FALSE);
    SetAbortProc(hdc, PrintAbortProc);

    if (StartDocA(hdc, &DocInfo) > 0 && StartPage(hdc) > 0) {
        if (PrintMethod == 0)
            PrintDefault(hdc, xPage, yPage);
        else
            PrintAlternate(hdc, xPage, yPage);
    }
    if (EndPage(hdc) > 0)
        EndDoc(hdc);

    EnableWindow(hWndMain, TRUE);
    DiscardQueuedInput();
    RepostMouseMove();
    DeleteDC(hdc);
    BusyFlag = 0;
}
