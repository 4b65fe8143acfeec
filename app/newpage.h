// New pages from pictures dropped on the window or handed over by a second start.
#pragma once

#include <windows.h>

// The longest picture path taken, with its terminating zero.
#define PICTURE_PATH_BYTES 4096

// WM_COPYDATA's dwData for a picture's path (its bytes, without a terminating zero).
#define COPYDATA_PICTURE 0x54575043  // "TWPC"

// Takes dropped files when the page maker is installed beside the program.
void AcceptPictures(HWND hwnd);
// A picture from the command line, offered once the page screen is up.
void OfferPictureLater(LPCSTR path);
void OfferWaitingPicture();
// Hands the picture to the copy of the program already running; 0 when it did not take it.
int SendPictureTo(HWND hwndOther, LPCSTR path);
// WM_DROPFILES, WM_COPYDATA and the program's own offer; 1 when the message was one of them.
int OnPictureMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
