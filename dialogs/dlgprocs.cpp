// The title screen, Info, Printing Options and About dialog procedures, and printer.dta, the
// four-byte file that keeps the chosen print method between runs.
#include "dialogs/dialogs.h"

#include "app/mainwnd.h"
#include "app/tintwell.h"
#include "support/support.h"

#define PRINTER_FILE "printer.dta"
#define PRINTER_FILE_MODE (OF_READWRITE | OF_SHARE_DENY_WRITE)

#define ID_ABOUT 110
#define ID_PRINTOPTIONS 111
#define ID_DEFAULT 112
#define ID_ALTERNATE1 113
#define ID_ALTERNATE2 114
#define ID_ABOUT_FIRST 2500
#define ID_ABOUT_LAST 2508

#define INTRO_WIDTH 320
#define INTRO_HEIGHT 200
#define COPYRIGHT_HEIGHT 50

int PrintMethod = 0;

// printer.dta opened for reading and writing; when it cannot be opened it is created, holding
// the current PrintMethod. HFILE_ERROR when neither works.
static HFILE OpenPrinterFile()
{
    HFILE hf = _lopen(PRINTER_FILE, PRINTER_FILE_MODE);
    if (hf == HFILE_ERROR) {
        hf = _lcreat(PRINTER_FILE, 0);
        if (hf != HFILE_ERROR)
            _lwrite(hf, (LPCSTR)&PrintMethod, sizeof PrintMethod);
    }
    return hf;
}

// Reads the print method: a short file gives its bytes as the low-order bytes of 0.
static void LoadPrintMethod()
{
    PrintMethod = 0;
    HFILE hf = OpenPrinterFile();
    if (hf == HFILE_ERROR)
        return;
    _llseek(hf, 0, 0);
    _lread(hf, &PrintMethod, sizeof PrintMethod);
    _lclose(hf);
}

static void SavePrintMethod()
{
    HFILE hf = OpenPrinterFile();
    if (hf == HFILE_ERROR)
        return;
    _llseek(hf, 0, 0);
    _lwrite(hf, (LPCSTR)&PrintMethod, sizeof PrintMethod);
    _lclose(hf);
}

static void PaintTitle(HWND hwnd)
{
    HBITMAP hbmIntro = LoadBitmapA(hInst, "IntroScr");
    HBITMAP hbmCopyRight = LoadBitmapA(hInst, "CopyRight");
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    SelectObject(hdc, Fonts.Bold());
    HDC hdcMem = CreateCompatibleDC(hdc);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    int x = (rc.right - rc.left - INTRO_WIDTH) / 2;
    if (hdcMem) {
        HGDIOBJ old = NULL;
        if (hbmIntro) {
            old = SelectObject(hdcMem, hbmIntro);
            BitBlt(hdc, x, 10, INTRO_WIDTH, INTRO_HEIGHT, hdcMem, 0, 0, SRCCOPY);
        }
        if (hbmCopyRight) {
            HGDIOBJ prev = SelectObject(hdcMem, hbmCopyRight);
            if (!old)
                old = prev;
            BitBlt(hdc, x, 10 + INTRO_HEIGHT, INTRO_WIDTH, COPYRIGHT_HEIGHT, hdcMem, 0, 0, SRCCOPY);
        }
        if (old)
            SelectObject(hdcMem, old);
        DeleteDC(hdcMem);
    }
    if (hbmIntro)
        DeleteObject(hbmIntro);
    if (hbmCopyRight)
        DeleteObject(hbmCopyRight);
    EndPaint(hwnd, &ps);
}

INT_PTR CALLBACK TitleDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        SetCursorPos(400, 300);
        CenterDialog(hwnd, DLG_TITLE, 0);
        BusyFlag = 1;
        return TRUE;
    case WM_PAINT:
        PaintTitle(hwnd);
        return FALSE;
    case WM_CTLCOLORDLG:
        return (INT_PTR)hWhiteBrush;
    case WM_COMMAND:
        if (wParam == IDOK) {
            LoadPrintMethod();
            EnableWindow(hWndMain, FALSE);
            EndDialog(hwnd, 1);
            BusyFlag = 0;
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK InfoDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(hwnd, DLG_INFO, 0);
        BusyFlag = 1;
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)hWhiteBrush;
    case WM_COMMAND:
        switch (wParam) {
        case IDOK:
        case IDCANCEL:
            EndDialog(hwnd, (INT_PTR)wParam);
            BusyFlag = 0;
            return TRUE;
        case ID_ABOUT:
            RunDialog(hwnd, DLG_ABOUT, AboutDlgProc, 0);
            return TRUE;
        case ID_PRINTOPTIONS:
            RunDialog(hwnd, DLG_PRINTOPTIONS, PrintOptionsDlgProc, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK PrintOptionsDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(hwnd, DLG_PRINTOPTIONS, 0);
        if (PrintMethod >= 0 && PrintMethod <= 2)
            CheckRadioButton(hwnd, ID_DEFAULT, ID_ALTERNATE2, ID_DEFAULT + PrintMethod);
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)hWhiteBrush;
    case WM_COMMAND:
        switch (wParam) {
        case ID_DEFAULT:
        case ID_ALTERNATE1:
        case ID_ALTERNATE2:
            CheckRadioButton(hwnd, ID_DEFAULT, ID_ALTERNATE2, (int)wParam);
            return TRUE;
        case IDOK:
            for (int id = ID_DEFAULT; id <= ID_ALTERNATE2; id++) {
                if (SendDlgItemMessageA(hwnd, id, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                    PrintMethod = id - ID_DEFAULT;
                    break;
                }
            }
            SavePrintMethod();
            EndDialog(hwnd, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(hwnd, 2);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(hwnd, -1, 0);
        for (int id = ID_ABOUT_FIRST; id <= ID_ABOUT_LAST; id++) {
            if (GetDlgItem(hwnd, id))
                SendDlgItemMessageA(hwnd, id, WM_SETFONT, (WPARAM)Fonts.Normal(), FALSE);
        }
        SendDlgItemMessageA(hwnd, IDOK, WM_SETFONT, (WPARAM)Fonts.Bold(), FALSE);
        return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return (INT_PTR)hWhiteBrush;
    case WM_COMMAND:
        if (wParam == IDOK || wParam == IDCANCEL) {
            EndDialog(hwnd, (INT_PTR)wParam);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
