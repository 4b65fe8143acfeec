// Screen furniture: the frame and backdrop (Drawbrdr), and the command and colour buttons.
#pragma once

#include <windows.h>

// --- Frame and backdrop ---
void DrawScreenFrame(HDC hdc);
void DrawBackdrop(HDC hdc);

// --- Buttons ---
typedef struct tagBUTTONSPEC {
    HWND hwnd;
    LONG id;
    LONG x;
    LONG y;
    LONG width;
    LONG height;
} ButtonSpec;

#define COMMAND_BUTTON_COUNT 6
#define COLOR_BUTTON_COUNT 36
extern ButtonSpec CommandButtons[COMMAND_BUTTON_COUNT];
extern ButtonSpec ColorButtons[COLOR_BUTTON_COUNT];
extern LONG CurrentColorId;
extern int CurrentColorIndex;
extern const BYTE DiscUp[370];
extern const BYTE DiscDown[1240];

LRESULT CreateButtons(HWND hwnd);
BOOL DrawButton(const DRAWITEMSTRUCT* item);
LRESULT PickColor(WPARAM wParam);
