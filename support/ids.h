// The program's constants in one place: the page's size and where it sits in the client area,
// the command and colour ids of the buttons, the string-table ids of the messages, the screen
// states of the start-up sequence, and the page-blank flag of a page header.
#pragma once

#include <windows.h>

// The page: 660 x 460 palette-index pixels, shown with its top-left at client (70, 70).
#define PAGE_WIDTH 660
#define PAGE_HEIGHT 460
#define PAGE_PIXELS (PAGE_WIDTH * PAGE_HEIGHT)
#define PAGE_LEFT 70
#define PAGE_TOP 70

// Command ids of the six command buttons (and their keys), in CommandButtons row order.
#define CMD_QUIT 1001
#define CMD_PRINT 1002
#define CMD_CLEAR 1003
#define CMD_INFO 1004
#define CMD_PREVIOUS 1005
#define CMD_NEXT 1006
#define CMD_FIRST CMD_QUIT
#define CMD_LAST CMD_NEXT
// Control ids of the 36 colour buttons.
#define COLOR_ID_FIRST 2000
#define COLOR_ID_LAST 2035

// String-table ids of the program's messages.
#define IDS_STARTUP_CAPTION 1     // "Start Up"
#define IDS_NO_TIMER 2            // "Could not start timer."
#define IDS_DISPLAY_TOO_SMALL 3   // "This program is designed to run full-screen at 800x600 ..."
#define IDS_DISPLAY_CAPTION 4     // "Video Display Message"
#define IDS_PROGRAM_CAPTION 5     // "Tintwell"
#define IDS_NOT_A_PAGE 7          // "This is not a tintwell page."
#define IDS_PAGE_MISSING 8        // "The file %s is missing."
#define IDS_NO_PAGES 9            // "All of the tintwell pages are missing or damaged. ..."
#define IDS_SAVE_FAILED 20        // "The picture could not be saved in %s, so its colouring ..."
#define IDS_SAVE_FAILED_QUIT 21   // "The picture could not be saved in %s. ...  Quit anyway ...?"
#define IDS_MAKE_PAGE_CAPTION 30  // "New Page"
#define IDS_MAKE_PAGE_ASK 31      // "Make a colouring page of the picture %s in place of the page %s? ..."
#define IDS_PAGE_NOT_MADE 32      // "No page was made: %s. The page on screen is as it was."
#define IDS_PAGE_MAKER_FAILED 33  // "The page maker tintwell-pages could not be run, ..."
#define IDS_PAGE_TITLE_FIRST 40   // the six pages' titles, "Dogwood" to "Sunflower"

// ScreenState: the start-up sequence only ever goes NOTHING -> TITLE -> BUILD -> RUNNING.
#define SCREEN_RUNNING 0  // the page screen is up
#define SCREEN_BUILD 1    // the title screen has closed; the page screen is to be built
#define SCREEN_TITLE 2    // the title screen has been requested
#define SCREEN_NOTHING 3  // nothing shown yet

// The page-blank flag, bfReserved1 of a page's file header: 1 while the page holds no colouring.
inline BOOL PageIsBlank(const BITMAPFILEHEADER& header) { return header.bfReserved1 != 0; }
inline void SetPageBlank(BITMAPFILEHEADER& header, BOOL blank) { header.bfReserved1 = blank ? 1 : 0; }
