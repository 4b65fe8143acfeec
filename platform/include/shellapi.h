// SHELL32: files dragged from the desktop and dropped on a window.
#pragma once

#include "tw/wintypes.h"

// The files of one drop, handed to the window in WM_DROPFILES's wParam; DragFinish frees it.
DECLARE_HANDLE(HDROP);

void WINAPI DragAcceptFiles(HWND hWnd, BOOL fAccept);
// iFile 0xFFFFFFFF: the number of files. Otherwise the length of that file's name (without its
// terminating zero) when lpszFile is null, else how much of it was copied (at most cch - 1).
UINT WINAPI DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
// The point of the drop in the window's client coordinates; TRUE when it lies in the client area.
BOOL WINAPI DragQueryPoint(HDROP hDrop, POINT* ppt);
void WINAPI DragFinish(HDROP hDrop);
