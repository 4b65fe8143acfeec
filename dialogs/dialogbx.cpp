// Dialogbx: the four dialogs' tables, the dialog templates built from them in memory, running
// a dialog modally, and centring a dialog on the screen with the program's bold font.
#include "dialogs/dialogs.h"

#include <string.h>

#include "app/tintwell.h"
#include "support/ids.h"
#include "support/support.h"

#define DIALOG_STYLE 0x80800000  // WS_POPUP | WS_BORDER: no caption, the system font

const DialogHeader DialogHeaders[DLG_COUNT] = {
    {DIALOG_STYLE, 0, 0, 170, 153, u"", u"", u"", 0, u""},
    {DIALOG_STYLE, 0, 0, 95, 78, u"", u"", u"", 0, u""},
    {DIALOG_STYLE, 0, 0, 146, 112, u"", u"", u"", 0, u""},
    {DIALOG_STYLE, 0, 0, 139, 175, u"", u"", u"", 0, u""},
};

static const DialogItem TitleItems[] = {
    {61, 132, 47, 14, 1, 0x10000001, u"BUTTON", u"&OK"},
    {0, 0, 0, 0, 0, 0, NULL, NULL},
};

static const DialogItem InfoItems[] = {
    {5, 56, 85, 14, 1, 0x10000001, u"BUTTON", u"&Done"},
    {5, 10, 85, 14, 110, 0x10000000, u"BUTTON", u"&About"},
    {5, 30, 85, 14, 111, 0x10000000, u"BUTTON", u"&Printing Options"},
    {0, 0, 0, 0, 0, 0, NULL, NULL},
};

static const DialogItem PrintOptionsItems[] = {
    {23, 22, 105, 12, 112, 0x10000004, u"BUTTON", u"&Default"},
    {23, 39, 105, 12, 113, 0x10000004, u"BUTTON", u"&Alternate 1 (if Default fails)"},
    {23, 56, 105, 12, 114, 0x10000004, u"BUTTON", u"&Alternate 2 (if all else fails)"},
    {11, 9, 124, 68, 2500, 0x10000007, u"button", u"Printing Options"},
    {55, 89, 42, 14, 1, 0x10000001, u"BUTTON", u"&OK"},
    {0, 0, 0, 0, 0, 0, NULL, NULL},
};

static const DialogItem AboutItems[] = {
    {60, 11, 16, 16, 2500, 0x10000003, u"STATIC", u"TWLIcon"},
    {10, 41, 116, 9, 2501, 0x10000001, u"STATIC", u"Tintwell"},
    {22, 51, 94, 9, 2502, 0x10000001, u"STATIC", u"Version 2.4"},
    {12, 75, 114, 9, 2503, 0x10000001, u"STATIC", u"Copyright 2026 The Tintwell authors"},
    {22, 90, 94, 9, 2505, 0x10000001, u"STATIC", u"The Tintwell authors"},
    {22, 100, 94, 9, 2506, 0x10000001, u"STATIC", u"Made for young children"},
    {22, 110, 94, 9, 2507, 0x10000001, u"STATIC", u"First made in 2026"},
    {1, 128, 130, 9, 2508, 0x10000001, u"STATIC", u"https://tintwell.example/"},
    {48, 149, 42, 14, 1, 0x10000001, u"BUTTON", u"&OK"},
    {0, 0, 0, 0, 0, 0, NULL, NULL},
};

const DialogItem* DialogItemTables[DLG_COUNT];

void InitDialogTables()
{
    DialogItemTables[DLG_TITLE] = TitleItems;
    DialogItemTables[DLG_INFO] = InfoItems;
    DialogItemTables[DLG_PRINTOPTIONS] = PrintOptionsItems;
    DialogItemTables[DLG_ABOUT] = AboutItems;
}

static LPBYTE WriteWord(LPBYTE p, WORD w)
{
    p[0] = (BYTE)(w & 0xFF);
    p[1] = (BYTE)(w >> 8);
    return p + 2;
}

static LPBYTE WriteDword(LPBYTE p, DWORD d)
{
    p = WriteWord(p, (WORD)(d & 0xFFFF));
    return WriteWord(p, (WORD)(d >> 16));
}

static LPBYTE WriteString(LPBYTE p, const char16_t* s)
{
    while (s && *s)
        p = WriteWord(p, (WORD)*s++);
    return WriteWord(p, 0);
}

// The header: style, extended style, item count (counted up as items are written), position,
// size in dialog units, menu, class, title and, with DS_SETFONT, the font.
static LPBYTE WriteDialogHeader(LPBYTE p, const DialogHeader* h, int baseX, int baseY)
{
    p = WriteDword(p, h->style);
    p = WriteDword(p, 0);
    p = WriteWord(p, 0);
    p = WriteWord(p, h->x);
    p = WriteWord(p, h->y);
    p = WriteWord(p, (WORD)(h->cx * 8 / baseX));
    p = WriteWord(p, (WORD)(h->cy * 16 / baseY));
    p = WriteString(p, h->menu);
    p = WriteString(p, h->className);
    p = WriteString(p, h->title);
    if (h->style & DS_SETFONT) {
        p = WriteWord(p, h->pointSize);
        p = WriteString(p, h->faceName);
    }
    return p;
}

static LPBYTE WriteDialogItem(LPBYTE block, LPBYTE p, const DialogItem* item, int baseX, int baseY)
{
    p = block + ((p - block + 3) & ~3);
    p = WriteDword(p, item->style | WS_CHILD);
    p = WriteDword(p, 0);
    p = WriteWord(p, (WORD)(item->x * 8 / baseX));
    p = WriteWord(p, (WORD)(item->y * 16 / baseY));
    p = WriteWord(p, (WORD)(item->cx * 8 / baseX));
    p = WriteWord(p, (WORD)(item->cy * 16 / baseY));
    p = WriteWord(p, (WORD)item->id);
    p = WriteString(p, item->className);
    p = WriteString(p, item->text);
    return WriteWord(p, 0);
}

int WriteDialogTemplate(LPBYTE block, int n, int baseX, int baseY)
{
    LPBYTE p = WriteDialogHeader(block, &DialogHeaders[n], baseX, baseY);
    WORD count = 0;
    for (const DialogItem* item = DialogItemTables[n]; item && item->className; item++) {
        p = WriteDialogItem(block, p, item, baseX, baseY);
        count++;
    }
    WriteWord(block + 8, count);  // DLGTEMPLATE.cdit
    return (int)(p - block);
}

LPVOID BuildDialogTemplate(int n)
{
    LONG units = GetDialogBaseUnits();
    LPBYTE block = (LPBYTE)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, TEMPLATE_BYTES);
    if (!block)
        return NULL;
    WriteDialogTemplate(block, n, LOWORD(units), HIWORD(units));
    return block;
}

INT_PTR RunDialog(HWND owner, int n, DLGPROC proc, LPARAM param)
{
    LPVOID tmpl = BuildDialogTemplate(n);
    if (!tmpl) {
        MessageBoxA(owner, "Insufficient memory.", LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_OK);
        return 0;
    }
    INT_PTR result = DialogBoxIndirectParamA(hInst, (LPCDLGTEMPLATEA)tmpl, owner, proc, param);
    GlobalFree((HGLOBAL)tmpl);
    return result;
}

void CenterDialog(HWND dlg, int n, int offset)
{
    RECT rc;
    LogLine("dlgBox %i", n);
    GetWindowRect(dlg, &rc);
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    LogLine("Rect.left %i, top %i, right %i, bottom %i", (int)rc.left, (int)rc.top, width, height);
    MoveWindow(dlg, (800 - width) / 2, (600 - height) / 2 + offset, width, height, FALSE);
    if (n < 0)
        return;
    for (const DialogItem* item = DialogItemTables[n]; item && item->className; item++) {
        SendDlgItemMessageA(dlg, item->id, WM_SETFONT, (WPARAM)Fonts.Bold(), FALSE);
        LogLine("dlgBox %i  id %i", n, item->id);
    }
}
