// USER's resource loaders: LoadStringA from the string table and LoadBitmapA from BMP resources.
#include <algorithm>
#include <cstring>

#include <string>

#include "gdi/gdi_objects.h"
#include "host/probe.h"
#include "kernel/kernel_internal.h"

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    (void)hInstance;
    if (!lpBuffer || cchBufferMax <= 0) return 0;
    const tw::kernel::ResourceBytes* r = tw::kernel::FindResourceBytes(MAKEINTRESOURCE(uID), RT_STRING);
    if (!r || uID > 0xffff) {
        lpBuffer[0] = 0;  // a missing string leaves an empty text behind
        return 0;
    }
    size_t n = std::min(r->size, size_t(cchBufferMax - 1));
    std::memcpy(lpBuffer, r->data, n);
    lpBuffer[n] = 0;
    return int(n);
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    (void)hInstance;
    if (!lpBitmapName) return nullptr;
    std::string name = IS_INTRESOURCE(lpBitmapName) ? tw::kernel::ResourceKey(lpBitmapName) : std::string(lpBitmapName);
    tw::host::Note([&] { return "LoadBitmapA " + name; });
    const tw::kernel::ResourceBytes* r = tw::kernel::FindResourceBytes(lpBitmapName, RT_BITMAP);
    if (!r) return nullptr;
    return tw::gdi::BitmapFromPackedDib(r->data, r->size, name);
}
