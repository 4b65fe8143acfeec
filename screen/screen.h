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
// The bar on the pressed Quit button that shows how long a grown-up has held it, in the
// button's own coordinates: under the word QUIT, inside the pill.
#define QUIT_BAR_LEFT 16
#define QUIT_BAR_TOP 32
#define QUIT_BAR_RIGHT 80
#define QUIT_BAR_BOTTOM 39
void DrawQuitHold(HDC hdc, DWORD dwHeldMs);
LRESULT PickColor(WPARAM wParam);
