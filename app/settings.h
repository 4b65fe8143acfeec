// The settings a parent or a teacher chooses: who may quit, printing, the tune, the sounds, the
// whole screen or a window, and fresh pages at every start. They are read once at start-up: the
// [Tintwell] section of tintwell.ini in the whole machine's settings folder, then in the user's
// (whose keys win), then TINTWELL_WINDOWED, then the command line, which wins over everything.
// The folder for the pictures (--pages, or Pages in the same file) is the process entry's
// business: it chooses the folder before the program runs, with the same rule as tintwell-pages.
#pragma once

#include <windows.h>

#define SETTINGS_SECTION "Tintwell"
#define SETTINGS_FILE "tintwell\\tintwell.ini"  // in the settings folder

// What ReadSettings and ReadCommandLine found on the command line.
#define SETTINGS_RUN 0      // run the program
#define SETTINGS_HELP 1     // --help: szSettingsText holds the usage
#define SETTINGS_VERSION 2  // --version: szSettingsText holds the version
#define SETTINGS_BAD 3      // szSettingsText says what is wrong with the command line

#define SETTINGS_TEXT_CHARS 2048
#define SETTINGS_PAGES_CHARS 4096

typedef struct tagTWSETTINGS {
    BOOL bGrownupQuit;  // Quit=grownup: the Quit button or Q must be held down for two seconds
    BOOL bPrint;        // Print=on: the Print button and P print
    BOOL bMusic;        // Music=on: the tune plays
    BOOL bSounds;       // Sounds=on: filling, clearing and picking a crayon sound
    BOOL bWindowed;     // Window=window: an 800 x 600 window rather than the whole screen
    BOOL bFreshPages;   // FreshPages=on: the six pages start clean at every start
    char szPages[SETTINGS_PAGES_CHARS];  // --pages FOLDER; empty when not given
    char szPicture[SETTINGS_PAGES_CHARS];  // PICTURE: to make a page of; empty when not given
} TWSETTINGS;

extern TWSETTINGS Settings;
extern char szSettingsText[SETTINGS_TEXT_CHARS];
// Values in the settings files that were not understood (and so left at their defaults), one
// line each; empty when there were none.
extern char szSettingsNotes[SETTINGS_TEXT_CHARS];

// All of it, from the defaults on. Returns SETTINGS_RUN or what the command line asked for.
int ReadSettings(LPCSTR lpCmdLine);
// Only the command line, over the settings as they are (no file is read).
int ReadCommandLine(LPCSTR lpCmdLine);
