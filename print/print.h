// The print job (module Print): the Print command, the printer chosen in the print dialog, the
// abort procedure, and the three methods that put the turned page on paper.
#pragma once

#include <windows.h>

#include "dialogs/dialogs.h"  // PrintMethod: 0 Default, 2 Alternate 2, anything else Alternate 1

void PrintPage(HWND hwnd);
HDC GetPrinterDC(HWND owner);
BOOL CALLBACK PrintAbortProc(HDC hdc, int code);
void PrintDefault(HDC hdc, short xPage, short yPage);
void PrintAlternate(HDC hdc, short xPage, short yPage);
void RotatePage();
