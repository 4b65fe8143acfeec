// Dialogs: the tables the four dialogs are built from, the template builder (Dialogbx), and
// the title screen, Info, Printing Options and About with the print-method settings file.
#pragma once

#include <windows.h>

// Dialog numbers
#define DLG_TITLE 0
#define DLG_INFO 1
#define DLG_PRINTOPTIONS 2
#define DLG_ABOUT 3
#define DLG_COUNT 4

#define TEMPLATE_BYTES 4096

// One dialog's header row. Strings are UTF-16, an empty string meaning none.
typedef struct {
    DWORD style;
    WORD x, y;
    WORD cx, cy;  // table units
    const char16_t* menu;
    const char16_t* className;
    const char16_t* title;
    WORD pointSize;  // only with DS_SETFONT
    const char16_t* faceName;
} DialogHeader;

// One control row; a row whose className is null ends a table.
typedef struct {
    int x, y, cx, cy;  // table units
    int id;
    DWORD style;  // WS_CHILD is added when the template is built
    const char16_t* className;
    const char16_t* text;
} DialogItem;

extern const DialogHeader DialogHeaders[DLG_COUNT];
extern const DialogItem* DialogItemTables[DLG_COUNT];

void InitDialogTables();
LPVOID BuildDialogTemplate(int n);  // a GMEM_FIXED block the caller frees with GlobalFree, or NULL
// Writes dialog n's template into block with the given base units; returns the bytes used.
int WriteDialogTemplate(LPBYTE block, int n, int baseX, int baseY);
INT_PTR RunDialog(HWND owner, int n, DLGPROC proc, LPARAM param);
void CenterDialog(HWND dlg, int n, int offset);

// The print method (0 Default, 1 Alternate 1, 2 Alternate 2), kept in printer.dta.
extern int PrintMethod;

INT_PTR CALLBACK TitleDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InfoDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PrintOptionsDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
