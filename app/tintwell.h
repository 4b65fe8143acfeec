// The application shell: process globals, start-up and shutdown.
#pragma once

#include <windows.h>
#include <ddraw.h>

extern HINSTANCE hInst;
extern HWND hWndMain;
extern LPDIRECTDRAW lpDD;
extern HCURSOR hArrowCursor;
extern HCURSOR hEditCursor;
extern HCURSOR hWaitCursor;
extern HCURSOR hCurrentCursor;
extern HBRUSH hWhiteBrush;

extern HBITMAP hbmDotPattern;
extern HBITMAP hbmTitleArea;
extern HBITMAP hbmBtnUp[6];    // by command id - 1001: Quit, Print, Clear, Info, Up, Down
extern HBITMAP hbmBtnDown[6];
extern HBITMAP hbmColorBtn;
extern HBITMAP hbmColorBtnDn;
extern HBITMAP hbmTitles;

void RegisterMainClass(HINSTANCE hInstance);
int InitInstance(HINSTANCE hInstance, int nCmdShow);
int CheckDisplaySize(HWND hwnd);
int SetFullScreenMode();
int RestoreScreenMode();
int OnCreate(HWND hwnd);
int Shutdown(HWND hwnd);
