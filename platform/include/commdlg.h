// Common dialogs: the print dialog.
#pragma once

#include "windows.h"

#define PD_NOSELECTION 0x00000004
#define PD_NOPAGENUMS 0x00000008
#define PD_RETURNDC 0x00000100
#define PD_HIDEPRINTTOFILE 0x00100000

typedef UINT_PTR(CALLBACK* LPPRINTHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPSETUPHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

// 32-bit Windows packs this record to bytes (66 bytes); 64-bit builds align it naturally.
#if !defined(_WIN64) && !defined(__LP64__)
#pragma pack(push, 1)
#endif
typedef struct tagPDA {
    DWORD lStructSize;
    HWND hwndOwner;
    HGLOBAL hDevMode;
    HGLOBAL hDevNames;
    HDC hDC;
    DWORD Flags;
    WORD nFromPage;
    WORD nToPage;
    WORD nMinPage;
    WORD nMaxPage;
    WORD nCopies;
    HINSTANCE hInstance;
    LPARAM lCustData;
    LPPRINTHOOKPROC lpfnPrintHook;
    LPSETUPHOOKPROC lpfnSetupHook;
    LPCSTR lpPrintTemplateName;
    LPCSTR lpSetupTemplateName;
    HGLOBAL hPrintTemplate;
    HGLOBAL hSetupTemplate;
} PRINTDLGA, *LPPRINTDLGA;
#if !defined(_WIN64) && !defined(__LP64__)
#pragma pack(pop)
#endif

BOOL WINAPI PrintDlgA(LPPRINTDLGA pPD);
