// Device contexts: memory DCs, the screen DCs USER asks for, what a DC draws on (its target),
// device capabilities, text and background colours, and raster operations.
#include <algorithm>

#include "core/bytes.h"
#include "core/display.h"
#include "gdi/gdi_objects.h"
#include "host/host.h"

namespace tw::gdi {

void ReleaseSelections(DC& dc);
void InitDCSelections(DC& dc);
std::unique_ptr<Object> RemoveObject(HGDIOBJ h);

bool MakeTarget(DC* dc, Target& t) {
    t = Target{};
    t.dc = dc;
    if (dc->screen) {
        Surface& screen = host::Current().Screen();
        t.surface = &screen;
        t.dx = dc->originX;
        t.dy = dc->originY;
        t.screen = true;
        t.clip = dc->visible;
        t.clip.Intersect(RectAt(0, 0, screen.Width(), screen.Height()));
        return true;
    }
    Bitmap* bm = GetBitmapPtr(dc->bitmap);
    if (!bm) return false;
    t.surface = &bm->pixels;
    t.mono = bm->mono;
    t.clip = Region(RectAt(0, 0, bm->pixels.Width(), bm->pixels.Height()));
    return true;
}

void Finish(Target& t) {
    if (!t.drew || !t.surface) return;
    t.surface->Touch();
    if (t.screen) host::Current().ScreenChanged();
}

uint32_t ResolveColor(const DC* dc, COLORREF color) {
    if ((color >> 24) == 0x01) {  // PALETTEINDEX
        const Palette* pal = dc ? Get<Palette>(dc->palette, Kind::Palette) : nullptr;
        unsigned i = color & 0xffff;
        if (pal && i < pal->entries.size()) {
            const PALETTEENTRY& e = pal->entries[i];
            return PixelFromRgb(e.peRed, e.peGreen, e.peBlue);
        }
        return 0;
    }
    return PixelFromColorref(color & 0xffffff);
}

uint32_t PixelFor(const Target& t, COLORREF color) {
    uint32_t p = ResolveColor(t.dc, color);
    return t.mono ? MonoPixel(p) : p;
}

RECT ToSurface(const Target& t, int x0, int y0, int x1, int y1) {
    // Far beyond any surface either way, and far from overflowing.
    auto at = [](int v, int d) { return LONG(std::clamp<int64_t>(int64_t(v) + d, -(int64_t(1) << 30), int64_t(1) << 30)); };
    return RECT{at(x0, t.dx), at(y0, t.dy), at(x1, t.dx), at(y1, t.dy)};
}

void FillLogical(Target& t, int x0, int y0, int x1, int y1, uint32_t pixel) {
    RECT area = ToSurface(t, x0, y0, x1, y1);
    for (const RECT& c : t.clip) {
        RECT hit = Intersect(c, area);
        if (RectEmpty(hit)) continue;
        for (int y = hit.top; y < hit.bottom; ++y)
            std::fill(t.surface->Row(y) + hit.left, t.surface->Row(y) + hit.right, pixel);
        t.drew = true;
    }
}

void PutLogical(Target& t, int x, int y, uint32_t pixel) {
    int64_t sx = int64_t(x) + t.dx, sy = int64_t(y) + t.dy;
    for (const RECT& c : t.clip) {
        if (Contains(c, sx, sy)) {
            t.surface->Set(int(sx), int(sy), pixel);
            t.drew = true;
            return;
        }
    }
}

void MonoColors(const Target& t, uint32_t& zero, uint32_t& one) {
    zero = PixelFor(t, t.dc->textColor);
    one = PixelFor(t, t.dc->bkColor);
}

bool IsKnownRop(DWORD rop) {
    switch (rop) {
    case SRCCOPY: case SRCPAINT: case SRCAND: case SRCINVERT: case NOTSRCCOPY: case PATCOPY:
    case PATINVERT: case DSTINVERT: case BLACKNESS: case WHITENESS:
        return true;
    }
    return false;
}

bool RopNeedsSource(DWORD rop) {
    return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT || rop == NOTSRCCOPY;
}

uint32_t ApplyRop(DWORD rop, uint32_t d, uint32_t s, uint32_t p) {
    switch (rop) {
    case SRCCOPY: return s;
    case SRCPAINT: return d | s;
    case SRCAND: return d & s;
    case SRCINVERT: return d ^ s;
    case NOTSRCCOPY: return ~s & 0xffffff;
    case PATCOPY: return p;
    case PATINVERT: return d ^ p;
    case DSTINVERT: return ~d & 0xffffff;
    case BLACKNESS: return 0;
    case WHITENESS: return 0xffffff;
    }
    return d;
}

HDC CreateScreenDC(int originX, int originY, const Region& visible) {
    auto dc = std::make_unique<DC>();
    dc->screen = true;
    dc->originX = originX;
    dc->originY = originY;
    dc->visible = visible;
    InitDCSelections(*dc);
    return static_cast<HDC>(AddObject(std::move(dc)));
}

void SetScreenDCGeometry(HDC hdc, int originX, int originY, const Region& visible) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || !dc->screen) return;
    dc->originX = originX;
    dc->originY = originY;
    dc->visible = visible;
}

BOOL DeleteScreenDC(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || !dc->screen) return FALSE;
    ReleaseSelections(*dc);
    RemoveObject(hdc);
    return TRUE;
}

bool IsScreenDC(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    return dc && dc->screen;
}

}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !GetDCPtr(hdc)) return nullptr;
    auto dc = std::make_unique<DC>();
    InitDCSelections(*dc);
    dc->bitmap = DefaultBitmap();
    ++GetBitmapPtr(dc->bitmap)->selections;
    return static_cast<HDC>(AddObject(std::move(dc)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || dc->screen) return FALSE;  // screen DCs go back through ReleaseDC / EndPaint
    ReleaseSelections(*dc);
    RemoveObject(hdc);
    return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    DC* dc = GetDCPtr(hdc);
    if (!dc) return 0;
    const Bitmap* bm = dc->screen ? nullptr : GetBitmapPtr(dc->bitmap);
    // A memory DC answers for the device it is compatible with, the display, whatever bitmap it holds.
    int width = display::Width();
    int height = display::Height();
    int bits = (bm && bm->mono) ? 1 : display::BitsPerPixel();
    switch (index) {
    case HORZRES: return width;
    case VERTRES: return height;
    case HORZSIZE: return width * 254 / 960;  // millimetres at 96 pixels per inch
    case VERTSIZE: return height * 254 / 960;
    case BITSPIXEL: return bits;
    case PLANES: return 1;
    case NUMCOLORS: return bits == 1 ? 2 : bits <= 8 ? (1 << bits) : -1;
    case RASTERCAPS: return 0x0001 | 0x0008 | 0x0080 | 0x0200 | 0x0800 | 0x2000;  // no RC_PALETTE: true colour
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return 0;  // only palette devices have one
    }
    return 0;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    DC* dc = GetDCPtr(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->textColor;
    dc->textColor = color;
    return old;
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    DC* dc = GetDCPtr(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->bkColor;
    dc->bkColor = color;
    return old;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
    int old = dc->bkMode;
    dc->bkMode = mode;
    return old;
}

int WINAPI SetStretchBltMode(HDC hdc, int mode) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || mode < BLACKONWHITE || mode > 4) return 0;
    int old = dc->stretchMode;
    dc->stretchMode = mode;
    return old;
}
