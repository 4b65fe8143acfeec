// Bitmaps and blits: CreateBitmap, CreateCompatibleBitmap, BitBlt, StretchBlt (nearest
// neighbour) and PatBlt, with monochrome <-> colour conversion as the system does it.
#include <algorithm>
#include <cstring>

#include "core/bytes.h"
#include "gdi/gdi_objects.h"

namespace tw::gdi {
namespace {

// Where a blit reads from.
struct Source {
    const Surface* surface = nullptr;
    int dx = 0, dy = 0;  // logical source + (dx, dy) = surface coordinates
    bool mono = false;
    DC* dc = nullptr;
};

bool MakeSource(DC* dc, Source& s) {
    Target t;
    if (!MakeTarget(dc, t)) return false;
    s.surface = t.surface;
    s.dx = t.dx;
    s.dy = t.dy;
    s.mono = t.mono;
    s.dc = dc;
    return true;
}

// Normalises a negative extent; returns true when the axis is mirrored.
bool Normalise(int& pos, int& extent) {
    if (extent >= 0) return false;
    pos += extent;
    extent = -extent;
    return true;
}

BOOL Blit(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws, int hs, DWORD rop) {
    DC* dst = GetDCPtr(hdcDest);
    if (!dst || !IsKnownRop(rop)) return FALSE;
    bool needSource = RopNeedsSource(rop);
    DC* src = needSource ? GetDCPtr(hdcSrc) : nullptr;
    if (needSource && !src) return FALSE;
    Target t;
    if (!MakeTarget(dst, t)) return FALSE;
    if (wd == 0 || hd == 0) return TRUE;
    bool mirrorX = Normalise(xd, wd), mirrorY = Normalise(yd, hd);
    if (!needSource) {
        ws = wd;
        hs = hd;
    }
    mirrorX ^= Normalise(xs, ws);
    mirrorY ^= Normalise(ys, hs);
    if (ws == 0 || hs == 0) return TRUE;

    Source s;
    Surface snapshot;
    if (needSource) {
        if (!MakeSource(src, s)) return FALSE;
        if (s.surface == t.surface) {
            // Copying within one surface: read from a snapshot so overlapping moves come out right.
            snapshot = *s.surface;
            s.surface = &snapshot;
        }
    }

    uint32_t pattern = 0;
    bool hollowPattern = false;
    if (const Brush* b = Get<Brush>(dst->brush, Kind::Brush)) {
        pattern = PixelFor(t, b->color);
        hollowPattern = b->hollow;
    }
    if (hollowPattern && (rop == PATCOPY || rop == PATINVERT)) return TRUE;

    uint32_t zero = 0, one = 0xffffff, srcBk = 0;
    if (needSource) {
        MonoColors(t, zero, one);
        srcBk = ResolveColor(src, src->bkColor);
    }
    auto convert = [&](uint32_t p) -> uint32_t {
        if (s.mono && !t.mono) return p ? one : zero;
        if (!s.mono && t.mono) return p == srcBk ? 0xffffff : 0;
        return p;
    };

    bool unscaled = ws == wd && hs == hd && !mirrorX && !mirrorY;
    std::vector<int> cols;
    RECT area = ToSurface(t, xd, yd, xd + wd, yd + hd);
    for (const RECT& c : t.clip) {
        RECT hit = Intersect(c, area);
        if (RectEmpty(hit)) continue;
        int l = hit.left, r = hit.right, tp = hit.top, b = hit.bottom;
        // Source column for each destination column, nearest neighbour through pixel centres.
        cols.resize(size_t(r - l));
        for (int x = l; x < r; ++x) {
            int64_t i = x - t.dx - xd;
            int64_t sx = (2 * i + 1) * ws / (2 * int64_t(wd));
            if (mirrorX) sx = ws - 1 - sx;
            cols[size_t(x - l)] = int(sx + xs + s.dx);
        }
        for (int y = tp; y < b; ++y) {
            uint32_t* drow = t.surface->Row(y);
            if (!needSource) {
                for (int x = l; x < r; ++x) drow[x] = ApplyRop(rop, drow[x], 0, pattern);
                continue;
            }
            int64_t j = y - t.dy - yd;
            int64_t sy = (2 * j + 1) * hs / (2 * int64_t(hd));
            if (mirrorY) sy = hs - 1 - sy;
            sy += ys + s.dy;
            if (sy < 0 || sy >= s.surface->Height()) continue;
            const uint32_t* srow = s.surface->Row(int(sy));
            int sw = s.surface->Width();
            if (unscaled && rop == SRCCOPY && s.mono == t.mono && cols.front() >= 0 && cols.back() < sw) {
                std::memcpy(drow + l, srow + cols.front(), sizeof(uint32_t) * size_t(r - l));
                continue;
            }
            for (int x = l; x < r; ++x) {
                int sx = cols[size_t(x - l)];
                if (sx < 0 || sx >= sw) continue;
                drow[x] = ApplyRop(rop, drow[x], convert(srow[sx]), pattern);
            }
        }
        t.drew = true;
    }
    Finish(t);
    return TRUE;
}

}  // namespace
}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    if (nPlanes != 1 || nWidth < 0 || nHeight < 0) return nullptr;
    if (nWidth == 0 || nHeight == 0) return NewBitmap(1, 1, true);
    bool mono = nBitCount == 1;
    HBITMAP h = NewBitmap(nWidth, nHeight, mono);
    Bitmap* bm = GetBitmapPtr(h);
    if (!bm || !lpBits) return h;
    const auto* bytes = static_cast<const uint8_t*>(lpBits);
    if (mono) {
        size_t stride = size_t((nWidth + 15) / 16) * 2;  // rows are word aligned
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                bm->pixels.Set(x, y, (bytes[stride * size_t(y) + size_t(x / 8)] >> (7 - x % 8)) & 1 ? 0xffffff : 0);
    } else if (nBitCount == 32) {
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x) {
                const uint8_t* p = bytes + (size_t(y) * size_t(nWidth) + size_t(x)) * 4;
                bm->pixels.Set(x, y, PixelFromBgr(p));
            }
    }
    return h;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || cx < 0 || cy < 0) return nullptr;
    if (cx == 0 || cy == 0) return NewBitmap(1, 1, true);
    // Compatible with a memory DC means like the bitmap it holds: a fresh one holds a mono bitmap.
    const Bitmap* held = dc->screen ? nullptr : GetBitmapPtr(dc->bitmap);
    bool mono = held && held->mono;
    return NewBitmap(cx, cy, mono);
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return Blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop) {
    return Blit(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    if (RopNeedsSource(rop)) return FALSE;
    return Blit(hdc, x, y, w, h, nullptr, 0, 0, w, h, rop);
}
