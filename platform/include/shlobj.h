// The shell's special folders: where programs keep their settings.
#pragma once

#include "windows.h"

#define CSIDL_APPDATA 0x001a         // the user's own (on Linux $XDG_CONFIG_HOME, else ~/.config)
#define CSIDL_COMMON_APPDATA 0x0023  // the whole machine's (on Linux /etc/xdg)
#define CSIDL_FLAG_CREATE 0x8000
typedef enum { SHGFP_TYPE_CURRENT = 0, SHGFP_TYPE_DEFAULT = 1 } SHGFP_TYPE;
#define E_INVALIDARG ((HRESULT)0x80070057L)

HRESULT WINAPI SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);
