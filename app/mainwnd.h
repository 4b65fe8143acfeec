// The main window's message handling, screen states and the input helpers of long operations.
#pragma once

#include <windows.h>

#define WM_SHOWTITLEDLG (WM_USER + 1)
#define WM_CREATEBUTTONS 2024

// With Quit=grownup, the Quit button (or Q) must be held down this long.
#define QUIT_HOLD_MS 2000

extern int ScreenState;  // SCREEN_NOTHING, SCREEN_TITLE, SCREEN_BUILD, SCREEN_RUNNING (support/ids.h)
extern int BusyFlag;
extern POINT ptMouse;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnChar(HWND hwnd, WPARAM character);
LRESULT OnKeyDown(HWND hwnd, WPARAM virtualKey);
LRESULT OnMouseMove(LPARAM lParam);
void PressButton(HWND button, int commandId);
void DiscardQueuedInput();
void RepostMouseMove();
DWORD QuitHeldMs();
