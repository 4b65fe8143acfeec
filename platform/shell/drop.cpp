// SHELL32's dropped files: DragAcceptFiles marks a window as taking them (WS_EX_ACCEPTFILES) and
// tells the host whether the desktop may drop anything on us at all; a drop from the host becomes
// one WM_DROPFILES, posted to the window under it that takes files, with an HDROP that is a
// global memory block laid out as the system lays it out (a DROPFILES header, then the names,
// each ended by a zero, and one more zero); the DragQuery calls read it and DragFinish frees it.
#include <cstring>

#include "host/host.h"
#include "user/wnd.h"

namespace {

struct DropFiles {
    DWORD pFiles;  // offset of the first name from the start of the block
    POINT pt;      // client coordinates of the drop
    BOOL fNC;      // the drop was outside the client area
    BOOL fWide;    // the names are UTF-16 (never in the drops made here)
};

constexpr UINT kCount = 0xFFFFFFFF;

// The names of a drop, each with its length, read within the block's bounds.
template <typename F>
UINT ForEachName(HDROP hDrop, F&& f) {
    HGLOBAL block = reinterpret_cast<HGLOBAL>(hDrop);
    const SIZE_T size = GlobalSize(block);
    const char* base = static_cast<const char*>(GlobalLock(block));
    if (!base) return 0;
    UINT n = 0;
    const DropFiles* df = reinterpret_cast<const DropFiles*>(base);
    if (size >= sizeof(DropFiles) && !df->fWide && df->pFiles >= sizeof(DropFiles)) {
        for (SIZE_T at = df->pFiles; at < size && base[at];) {
            const char* name = base + at;
            const void* end = std::memchr(name, 0, size - at);
            if (!end) break;  // a name not ended inside the block is not read
            const size_t len = static_cast<const char*>(end) - name;
            if (!f(n, name, len)) break;
            ++n;
            at += len + 1;
        }
    }
    GlobalUnlock(block);
    return n;
}

}  // namespace

namespace tw::user {

// A drop from the host, at screen point (ev.x, ev.y).
void DropInput(const host::InputEvent& ev) {
    if (ev.files.empty()) return;
    LRESULT hit = HTNOWHERE;
    Window* w = Get(WindowFromScreenPoint(ev.x, ev.y, hit));
    while (w && !(w->exStyle & WS_EX_ACCEPTFILES)) w = Get(w->parent);
    // Refused, as over a window that takes no files, while the window takes no input.
    if (!w || !IsEnabledChain(w)) return;
    size_t bytes = sizeof(DropFiles) + 1;
    for (const std::string& f : ev.files) bytes += f.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    char* base = static_cast<char*>(GlobalLock(block));
    if (!base) {
        GlobalFree(block);
        return;
    }
    DropFiles* df = reinterpret_cast<DropFiles*>(base);
    const POINT o = ClientOrigin(w);
    const RECT client = ClientRect(w);
    df->pFiles = sizeof(DropFiles);
    df->pt = POINT{ev.x - o.x, ev.y - o.y};
    df->fNC = !PtInRect(&client, df->pt);
    char* at = base + sizeof(DropFiles);
    for (const std::string& f : ev.files) {
        std::memcpy(at, f.c_str(), f.size() + 1);
        at += f.size() + 1;
    }
    GlobalUnlock(block);
    PostInternal(w->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0, S().posted);
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

void WINAPI DragAcceptFiles(HWND hWnd, BOOL fAccept) {
    Window* w = Get(hWnd);
    if (!w) return;
    if (fAccept)
        w->exStyle |= WS_EX_ACCEPTFILES;
    else
        w->exStyle &= ~WS_EX_ACCEPTFILES;
    bool any = false;
    S().windows.ForEach([&](uintptr_t, Window& each) { any = any || (each.exStyle & WS_EX_ACCEPTFILES); });
    host::Current().AcceptDrops(any);
}

UINT WINAPI DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch) {
    UINT result = 0;
    UINT count = ForEachName(hDrop, [&](UINT i, const char* name, size_t len) {
        if (iFile == kCount || i != iFile) return true;
        if (!lpszFile) {
            result = static_cast<UINT>(len);
        } else if (cch > 0) {
            result = static_cast<UINT>(std::min<size_t>(len, cch - 1));
            std::memcpy(lpszFile, name, result);
            lpszFile[result] = '\0';
        }
        return false;
    });
    return iFile == kCount ? count : result;
}

BOOL WINAPI DragQueryPoint(HDROP hDrop, POINT* ppt) {
    HGLOBAL block = reinterpret_cast<HGLOBAL>(hDrop);
    const DropFiles* df = static_cast<const DropFiles*>(GlobalLock(block));
    if (!df || !ppt || GlobalSize(block) < sizeof(DropFiles)) {
        if (df) GlobalUnlock(block);
        return FALSE;
    }
    *ppt = df->pt;
    BOOL client = !df->fNC;
    GlobalUnlock(block);
    return client;
}

void WINAPI DragFinish(HDROP hDrop) { GlobalFree(reinterpret_cast<HGLOBAL>(hDrop)); }
