// Cursors and icons: the built-in classic cursors and icons drawn here, .cur and .ico
// resources decoded into ARGB images, LoadCursorA, LoadIconA, SetCursor, DestroyCursor,
// GetCursorPos, SetCursorPos and DrawIcon, and the window's icon handed to the host.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/handles.h"
#include "gdi/gdi_objects.h"
#include "host/probe.h"
#include "kernel/kernel_internal.h"

namespace tw::user {
namespace {

struct CursorImage {
    int width = 0, height = 0, hotX = 0, hotY = 0;
    std::vector<uint32_t> argb;  // 0xAARRGGBB, alpha 0 = transparent
    std::string name;
};

struct Registry {
    HandleTable<CursorImage> table{HandleKind::Cursor};
    std::map<std::string, uintptr_t> shared;  // loaded cursors and icons are shared per name
    uintptr_t current = 0;
};

Registry& Cursors() {
    static Registry r;
    return r;
}

// Art: 'X' black, 'o' white, ' ' transparent; other letters are colours of the legend.
CursorImage FromArt(const char* const* rows, int count, int hotX, int hotY, const char* name, int size = 32) {
    CursorImage img;
    img.width = img.height = size;
    img.hotX = hotX;
    img.hotY = hotY;
    img.name = name;
    img.argb.assign(size_t(size) * size_t(size), 0);
    for (int y = 0; y < count && y < size; ++y)
        for (int x = 0; rows[y][x] && x < size; ++x) {
            uint32_t c = 0;
            switch (rows[y][x]) {
            case 'X': c = 0xff000000; break;
            case 'o': c = 0xffffffff; break;
            case 'r': c = 0xffff0000; break;
            case 'y': c = 0xffffff00; break;
            case 'b': c = 0xff0000ff; break;
            case 'g': c = 0xffc0c0c0; break;
            default: c = 0; break;
            }
            img.argb[size_t(y) * size_t(size) + size_t(x)] = c;
        }
    return img;
}

const char* const kArrow[] = {
    "X",          "XX",          "XoX",          "XooX",        "XoooX",       "XooooX",     "XoooooX",
    "XooooooX",   "XoooooooX",   "XooooooooX",   "XoooooXXXXX", "XooXooX",     "XoX XooX",   "XX  XooX",
    "X    XooX",  "     XooX",   "      XooX",   "      XooX",  "       XX",
};
const char* const kWait[] = {
    "XXXXXXXXXXXXXXX", "XoooooooooooooX", "XXXXXXXXXXXXXXX", " XoooooooooooX",  " XoXXXXXXXXXoX",
    " XooXXXXXXXooX",  "  XooXXXXXooX",   "   XooXXXooX",    "    XooXooX",     "     XoXoX",
    "     XoooX",      "    XooXooX",     "   XoooXoooX",    "  XoooooooooX",   " XoooXoXoXoooX",
    " XooXoXoXoXooX",  " XoXXXXXXXXXoX",  " XoooooooooooX",  "XXXXXXXXXXXXXXX", "XoooooooooooooX",
    "XXXXXXXXXXXXXXX",
};
const char* const kIBeam[] = {
    "XXX XXX", "   X", "   X", "   X", "   X", "   X", "   X", "   X",
    "   X",    "   X", "   X", "   X", "   X", "   X", "   X", "XXX XXX",
};
const char* const kCross[] = {
    "       X", "       X", "       X", "       X", "       X", "       X", "       X",
    "XXXXXXXXXXXXXXX", "       X", "       X", "       X", "       X", "       X", "       X", "       X",
};

// A round sign with a mark inside, for the built-in message-box icons.
CursorImage SignIcon(uint32_t fill, uint32_t mark, char kind, const char* name) {
    CursorImage img;
    img.width = img.height = 32;
    img.hotX = img.hotY = 16;
    img.name = name;
    img.argb.assign(32 * 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int dx = 2 * x - 31, dy = 2 * y - 31, d2 = dx * dx + dy * dy;
            if (d2 <= 29 * 29) img.argb[size_t(y) * 32 + size_t(x)] = fill;
            else if (d2 <= 31 * 31) img.argb[size_t(y) * 32 + size_t(x)] = 0xff000000;
        }
    auto put = [&](int x, int y) { img.argb[size_t(y) * 32 + size_t(x)] = mark; };
    for (int i = 0; i < 14; ++i) {
        switch (kind) {
        case 'x':  // a cross
            for (int w = 0; w < 3; ++w) put(9 + i + w / 2, 9 + i), put(22 - i - w / 2, 9 + i);
            break;
        case '!':
            if (i < 10) put(15, 7 + i), put(16, 7 + i);
            break;
        case 'i':
            if (i > 3) put(15, 9 + i), put(16, 9 + i);
            break;
        case '?':
            if (i < 6) put(12 + i, 8), put(18, 8 + i);
            if (i < 4) put(16, 14 + i);
            break;
        }
    }
    if (kind == '!' || kind == '?') put(15, 21), put(16, 21), put(15, 22), put(16, 22);
    if (kind == 'i') put(15, 9), put(16, 9), put(15, 10), put(16, 10);
    return img;
}

CursorImage AppIcon() {
    CursorImage img;
    img.width = img.height = 32;
    img.hotX = img.hotY = 16;
    img.name = "IDI_APPLICATION";
    img.argb.assign(32 * 32, 0);
    for (int y = 3; y < 29; ++y)
        for (int x = 2; x < 30; ++x) {
            bool frame = y == 3 || y == 28 || x == 2 || x == 29;
            img.argb[size_t(y) * 32 + size_t(x)] = frame ? 0xff000000 : (y < 8 ? 0xff000080 : 0xffffffff);
        }
    return img;
}

// Decodes the first image of a .cur (type 2) or .ico (type 1) file: colour bits with the
// AND mask, or a 32-bit image with alpha. False for anything damaged.
bool DecodeCursorFile(const uint8_t* data, size_t size, const std::string& name, CursorImage& img) {
    if (size < 6 + 16 || Le16(data) != 0) return false;
    uint16_t type = Le16(data + 2), count = Le16(data + 4);
    if ((type != 1 && type != 2) || count == 0) return false;
    const uint8_t* entry = data + 6;
    uint32_t bytes = Le32(entry + 8), offset = Le32(entry + 12);
    if (offset > size || bytes > size - offset || bytes < sizeof(BITMAPINFOHEADER)) return false;
    const uint8_t* dib = data + offset;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize < sizeof h || h.biSize > bytes || h.biWidth <= 0 || h.biWidth > 256 || h.biHeight <= 0 ||
        h.biHeight > 512 || h.biPlanes != 1 || h.biCompression != BI_RGB)
        return false;
    int w = h.biWidth, ht = h.biHeight / 2, bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    size_t colors = bpp <= 8 ? ((h.biClrUsed && h.biClrUsed < (1u << bpp)) ? h.biClrUsed : (size_t(1) << bpp)) : 0;
    size_t xorStride = ((size_t(w) * bpp + 31) / 32) * 4, andStride = ((size_t(w) + 31) / 32) * 4;
    size_t need = h.biSize + colors * 4 + xorStride * ht + andStride * ht;
    if (need > bytes) return false;
    // View the colour part as a DIB of height ht.
    std::vector<uint8_t> info(h.biSize + colors * 4);
    std::memcpy(info.data(), dib, info.size());
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biHeight = ht;
    const uint8_t* xorBits = dib + info.size();
    const uint8_t* andBits = xorBits + xorStride * ht;
    gdi::DibView view;
    if (!gdi::ParseDib(reinterpret_cast<const BITMAPINFO*>(info.data()), info.size(), xorBits, xorStride * ht,
                       DIB_RGB_COLORS, nullptr, view))
        return false;
    img.width = w;
    img.height = ht;
    img.hotX = type == 2 ? Le16(entry + 4) : w / 2;
    img.hotY = type == 2 ? Le16(entry + 6) : ht / 2;
    img.name = name;
    img.argb.assign(size_t(w) * size_t(ht), 0);
    bool hasAlpha = false;
    if (bpp == 32)
        for (int y = 0; y < ht && !hasAlpha; ++y)
            for (int x = 0; x < w; ++x)
                if (xorBits[xorStride * size_t(y) + size_t(x) * 4 + 3]) hasAlpha = true;
    std::vector<uint32_t> row(static_cast<size_t>(w));
    for (int y = 0; y < ht; ++y) {
        gdi::DecodeRow(view, y, 0, w, row.data());
        const uint8_t* mask = andBits + andStride * size_t(ht - 1 - y);
        const uint8_t* raw = xorBits + xorStride * size_t(ht - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t rgb = row[size_t(x)];
            bool transparent = (mask[x >> 3] >> (7 - (x & 7))) & 1;
            uint32_t alpha;
            if (hasAlpha) alpha = raw[size_t(x) * 4 + 3];
            else if (!transparent) alpha = 0xff;
            else if (rgb) {
                // Screen-inverting pixels have no equivalent in an ARGB image: show them black.
                alpha = 0xff;
                rgb = 0;
            } else alpha = 0;
            img.argb[size_t(y) * size_t(w) + size_t(x)] = (alpha << 24) | rgb;
        }
    }
    return true;
}

uintptr_t Shared(const std::string& key, CursorImage (*make)()) {
    Registry& r = Cursors();
    auto it = r.shared.find(key);
    if (it != r.shared.end() && r.table.Get(it->second)) return it->second;
    uintptr_t h = r.table.Add(std::make_unique<CursorImage>(make()));
    r.shared[key] = h;
    return h;
}

uintptr_t LoadBuiltin(LPCSTR id, bool icon) {
    if (!IS_INTRESOURCE(id)) return 0;
    switch (LOWORD(id)) {
    case 32512:
        return icon ? Shared("IDI_APPLICATION", [] { return AppIcon(); })
                    : Shared("IDC_ARROW", [] { return FromArt(kArrow, 19, 0, 0, "IDC_ARROW"); });
    case 32513:
        return icon ? Shared("IDI_HAND", [] { return SignIcon(0xffff0000, 0xffffffff, 'x', "IDI_HAND"); })
                    : Shared("IDC_IBEAM", [] { return FromArt(kIBeam, 16, 3, 8, "IDC_IBEAM"); });
    case 32514:
        return icon ? Shared("IDI_QUESTION", [] { return SignIcon(0xffffffff, 0xff0000ff, '?', "IDI_QUESTION"); })
                    : Shared("IDC_WAIT", [] { return FromArt(kWait, 21, 7, 10, "IDC_WAIT"); });
    case 32515:
        return icon ? Shared("IDI_EXCLAMATION", [] { return SignIcon(0xffffff00, 0xff000000, '!', "IDI_EXCLAMATION"); })
                    : Shared("IDC_CROSS", [] { return FromArt(kCross, 15, 7, 7, "IDC_CROSS"); });
    case 32516:
        return icon ? Shared("IDI_ASTERISK", [] { return SignIcon(0xffffffff, 0xff0000ff, 'i', "IDI_ASTERISK"); }) : 0;
    }
    return 0;
}

uintptr_t LoadFromResource(LPCSTR name, LPCSTR type, bool icon) {
    std::string label = IS_INTRESOURCE(name) ? kernel::ResourceKey(name) : std::string(name);
    std::string key = std::string(icon ? "icon:" : "cursor:") + kernel::ResourceKey(name);
    Registry& r = Cursors();
    auto it = r.shared.find(key);
    if (it != r.shared.end() && r.table.Get(it->second)) return it->second;
    const kernel::ResourceBytes* res = kernel::FindResourceBytes(name, type);
    CursorImage img;
    if (!res || !DecodeCursorFile(res->data, res->size, label, img)) return 0;
    uintptr_t h = r.table.Add(std::make_unique<CursorImage>(std::move(img)));
    r.shared[key] = h;
    return h;
}

void Show(const CursorImage* img) {
    if (!img) {
        host::Current().SetCursorImage(nullptr);
        return;
    }
    host::CursorImage out;
    out.width = img->width;
    out.height = img->height;
    out.hotX = img->hotX;
    out.hotY = img->hotY;
    out.argb = img->argb.data();
    out.name = img->name.c_str();
    host::Current().SetCursorImage(&out);
}

}  // namespace

void ShowWindowIcon(HICON icon) {
    const CursorImage* img = Cursors().table.Get(icon);
    if (!img) return;
    host::CursorImage out;
    out.width = img->width;
    out.height = img->height;
    out.argb = img->argb.data();
    out.name = img->name.c_str();
    host::Current().SetWindowIcon(out);
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    if (!lpCursorName) return nullptr;
    uintptr_t h = hInstance ? LoadFromResource(lpCursorName, RT_GROUP_CURSOR, false) : LoadBuiltin(lpCursorName, false);
    return reinterpret_cast<HCURSOR>(h);
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    if (!lpIconName) return nullptr;
    uintptr_t h = hInstance ? LoadFromResource(lpIconName, RT_GROUP_ICON, true) : LoadBuiltin(lpIconName, true);
    return reinterpret_cast<HICON>(h);
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    Registry& r = Cursors();
    uintptr_t h = reinterpret_cast<uintptr_t>(hCursor);
    HCURSOR previous = reinterpret_cast<HCURSOR>(r.current);
    if (h == r.current) return previous;  // the same cursor again costs nothing
    const CursorImage* img = r.table.Get(h);
    if (h && !img) return nullptr;
    r.current = h;
    Show(img);
    return previous;
}

BOOL WINAPI DestroyCursor(HCURSOR hCursor) {
    const CursorImage* img = Cursors().table.Get(hCursor);
    if (!img) return FALSE;
    tw::host::Note([&] { return "DestroyCursor " + img->name; });
    // Cursors from LoadCursorA are shared: they stay usable until the process ends.
    return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) return FALSE;
    int x = 0, y = 0;
    host::Current().GetCursorPos(x, y);
    lpPoint->x = x;
    lpPoint->y = y;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    host::Current().SetCursorPos(X, Y);
    return TRUE;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    const CursorImage* img = Cursors().table.Get(hIcon);
    gdi::DC* dc = gdi::GetDCPtr(hDC);
    gdi::Target t;
    if (!img || !dc || !gdi::MakeTarget(dc, t)) return FALSE;
    for (int y = 0; y < img->height; ++y)
        for (int x = 0; x < img->width; ++x) {
            uint32_t p = img->argb[size_t(y) * size_t(img->width) + size_t(x)];
            uint32_t a = p >> 24;
            if (a == 0) continue;
            uint32_t px = p & 0xffffff;
            if (a < 255) {
                // Blend partly transparent pixels of 32-bit icons over what is there.
                int64_t sx = int64_t(X) + x + t.dx, sy = int64_t(Y) + y + t.dy;
                if (sx < 0 || sy < 0 || sx >= t.surface->Width() || sy >= t.surface->Height()) continue;
                uint32_t d = t.surface->At(int(sx), int(sy));
                uint32_t out = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    uint32_t s = (px >> shift) & 0xff, dd = (d >> shift) & 0xff;
                    out |= ((s * a + dd * (255 - a) + 127) / 255) << shift;
                }
                px = out;
            }
            gdi::PutLogical(t, X + x, Y + y, t.mono ? gdi::MonoPixel(px) : px);
        }
    gdi::Finish(t);
    return TRUE;
}
