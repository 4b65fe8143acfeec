// SHGetFolderPathA for the two folders where programs keep their settings, as the host names
// them. The folder is not made (CSIDL_FLAG_CREATE asks for that): a program only reads there.
#include <cstring>
#include <string>

#include "host/host.h"
#include "shlobj.h"

HRESULT WINAPI SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath) {
    (void)hwnd;
    (void)hToken;
    (void)dwFlags;
    if (!pszPath) return E_INVALIDARG;
    pszPath[0] = 0;
    int folder = csidl & ~CSIDL_FLAG_CREATE;
    if (folder != CSIDL_APPDATA && folder != CSIDL_COMMON_APPDATA) return E_INVALIDARG;
    std::string path = tw::host::Current().AppDataFolder(folder == CSIDL_COMMON_APPDATA);
    if (path.empty() || path.size() >= MAX_PATH) return E_FAIL;
    std::memcpy(pszPath, path.c_str(), path.size() + 1);
    return S_OK;
}
