// Device-independent bitmaps: reading 1/4/8/16/24/32-bit DIBs (bottom-up or top-down, with
// colour tables), StretchDIBits, SetDIBitsToDevice, and bitmaps made from packed DIBs.
// The unscaled 8-bit copy is the page's hot path: a 256-entry lookup, row by row.
#include <algorithm>
#include <cstring>

#include "core/bytes.h"
#include "gdi/gdi_objects.h"

namespace tw::gdi {

bool ParseDib(const BITMAPINFO* info, size_t infoBytes, const void* bits, size_t bitsAvailable, UINT usage,
              const DC* dc, DibView& view) {
    if (!info || !bits || infoBytes < 12) return false;
    const auto* raw = reinterpret_cast<const uint8_t*>(info);
    DWORD headerSize = Le32(raw);
    bool core = headerSize == 12;  // BITMAPCOREHEADER: 16-bit sizes, 3-byte colours
    int width, height, planes, bpp;
    DWORD compression = BI_RGB, clrUsed = 0;
    if (core) {
        width = Le16(raw + 4), height = Le16(raw + 6), planes = Le16(raw + 8), bpp = Le16(raw + 10);
    } else {
        if (headerSize < sizeof(BITMAPINFOHEADER) || infoBytes < headerSize) return false;
        const BITMAPINFOHEADER& h = info->bmiHeader;
        width = h.biWidth, height = h.biHeight, planes = h.biPlanes, bpp = h.biBitCount;
        compression = h.biCompression;
        clrUsed = h.biClrUsed;
    }
    if (planes != 1 || compression != BI_RGB) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (width <= 0 || height == 0 || height == INT32_MIN || width > 65535 || std::abs(height) > 65535) return false;
    view.width = width;
    view.topDown = height < 0;
    view.height = std::abs(height);
    view.bpp = bpp;
    view.stride = ((size_t(width) * size_t(bpp) + 31) / 32) * 4;
    view.bits = static_cast<const uint8_t*>(bits);
    if (bitsAvailable != SIZE_MAX && bitsAvailable < view.stride * size_t(view.height)) return false;

    view.colorCount = 0;
    if (bpp <= 8) {
        size_t max = size_t(1) << bpp;
        size_t n = (clrUsed && clrUsed < max) ? clrUsed : max;
        size_t entry = core ? 3 : (usage == DIB_PAL_COLORS ? 2 : 4);
        if (infoBytes != SIZE_MAX && infoBytes < headerSize + n * entry) return false;
        const uint8_t* table = raw + headerSize;
        const Palette* pal = (usage == DIB_PAL_COLORS && dc) ? Get<Palette>(dc->palette, Kind::Palette) : nullptr;
        for (size_t i = 0; i < n; ++i) {
            if (usage == DIB_PAL_COLORS && !core) {
                uint16_t index = Le16(table + i * 2);
                const PALETTEENTRY* e = pal && index < pal->entries.size() ? &pal->entries[index] : nullptr;
                view.colors[i] = e ? PixelFromRgb(e->peRed, e->peGreen, e->peBlue) : 0;
            } else {
                view.colors[i] = PixelFromBgr(table + i * entry);
            }
        }
        view.colorCount = int(n);
        // Indices past the table read black.
        for (size_t i = n; i < 256; ++i) view.colors[i] = 0;
    }
    return true;
}

void DecodeRow(const DibView& dib, int y, int x0, int x1, uint32_t* out) {
    const uint8_t* row = dib.Row(y);
    switch (dib.bpp) {
    case 1:
        for (int x = x0; x < x1; ++x) *out++ = dib.colors[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (int x = x0; x < x1; ++x) *out++ = dib.colors[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        break;
    case 8:
        for (int x = x0; x < x1; ++x) *out++ = dib.colors[row[x]];
        break;
    case 16:
        for (int x = x0; x < x1; ++x) {
            unsigned v = Le16(row + 2 * x);  // 5-5-5
            unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            *out++ = (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
        }
        break;
    case 24:
        for (int x = x0; x < x1; ++x) *out++ = PixelFromBgr(row + 3 * x);
        break;
    case 32:
        for (int x = x0; x < x1; ++x) *out++ = PixelFromBgr(row + 4 * x);
        break;
    }
}

namespace {

// A caller's BITMAPINFO is trusted to hold its colour table, as Win32 trusts it.
constexpr size_t kCallerInfo = SIZE_MAX;

// Draws image rows [srcTop, srcTop + hs) and columns [xs, xs + ws) of the DIB scaled into the
// logical destination rectangle. rowOk says which image rows have data.
template <typename RowOk>
void DrawDib(Target& t, const DibView& dib, int xd, int yd, int wd, int hd, int xs, int srcTop, int ws, int hs,
             bool mirrorX, bool mirrorY, DWORD rop, uint32_t pattern, RowOk rowOk) {
    bool unscaled = ws == wd && hs == hd && !mirrorX && !mirrorY;
    std::vector<uint32_t> line;
    std::vector<int> cols;
    uint32_t lut[256];
    bool lutReady = false;
    RECT area = ToSurface(t, xd, yd, xd + wd, yd + hd);
    for (const RECT& c : t.clip) {
        RECT hit = Intersect(c, area);
        if (RectEmpty(hit)) continue;
        int l = hit.left, r = hit.right, tp = hit.top, b = hit.bottom;
        if (unscaled) {
            // Source columns for [l, r), trimmed to the image.
            int sx0 = l - t.dx - xd + xs, sx1 = r - t.dx - xd + xs;
            if (sx0 < 0) l -= sx0, sx0 = 0;
            if (sx1 > dib.width) r -= sx1 - dib.width, sx1 = dib.width;
            if (l >= r) continue;
            bool fast8 = dib.bpp == 8 && rop == SRCCOPY;
            if (fast8 && !lutReady) {
                for (int i = 0; i < 256; ++i) lut[i] = t.mono ? MonoPixel(dib.colors[i]) : dib.colors[i];
                lutReady = true;
            }
            if (!fast8) line.resize(size_t(r - l));
            for (int y = tp; y < b; ++y) {
                int sy = y - t.dy - yd + srcTop;
                if (sy < 0 || sy >= dib.height || !rowOk(sy)) continue;
                uint32_t* d = t.surface->Row(y) + l;
                if (fast8) {
                    const uint8_t* s = dib.Row(sy) + sx0;
                    for (int i = 0, n = r - l; i < n; ++i) d[i] = lut[s[i]];
                    continue;
                }
                DecodeRow(dib, sy, sx0, sx1, line.data());
                for (int i = 0, n = r - l; i < n; ++i) {
                    uint32_t sp = t.mono ? MonoPixel(line[size_t(i)]) : line[size_t(i)];
                    d[i] = ApplyRop(rop, d[i], sp, pattern);
                }
            }
            t.drew = true;
            continue;
        }
        cols.resize(size_t(r - l));
        for (int x = l; x < r; ++x) {
            int64_t i = x - t.dx - xd;
            int64_t sx = (2 * i + 1) * ws / (2 * int64_t(wd));
            if (mirrorX) sx = ws - 1 - sx;
            cols[size_t(x - l)] = int(sx + xs);
        }
        line.resize(size_t(dib.width));
        int decoded = -1;
        for (int y = tp; y < b; ++y) {
            int64_t j = y - t.dy - yd;
            int64_t sy = (2 * j + 1) * hs / (2 * int64_t(hd));
            if (mirrorY) sy = hs - 1 - sy;
            sy += srcTop;
            if (sy < 0 || sy >= dib.height || !rowOk(int(sy))) continue;
            if (decoded != int(sy)) {
                DecodeRow(dib, int(sy), 0, dib.width, line.data());
                decoded = int(sy);
            }
            uint32_t* d = t.surface->Row(y);
            for (int x = l; x < r; ++x) {
                int sx = cols[size_t(x - l)];
                if (sx < 0 || sx >= dib.width) continue;
                uint32_t sp = t.mono ? MonoPixel(line[size_t(sx)]) : line[size_t(sx)];
                d[x] = ApplyRop(rop, d[x], sp, pattern);
            }
        }
        t.drew = true;
    }
}

uint32_t PatternOf(const Target& t, const DC* dc) {
    const Brush* b = Get<Brush>(dc->brush, Kind::Brush);
    return b ? PixelFor(t, b->color) : 0;
}

}  // namespace

HBITMAP BitmapFromPackedDib(const uint8_t* data, size_t size, const std::string& label) {
    if (!data || size < 12) return nullptr;
    DWORD headerSize = Le32(data);
    if (headerSize != 12 && (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size)) return nullptr;
    // The bits follow the header and the colour table.
    int bpp = 0;
    DWORD clrUsed = 0;
    if (headerSize == 12) {
        bpp = Le16(data + 10);
    } else {
        BITMAPINFOHEADER h;
        std::memcpy(&h, data, sizeof h);
        bpp = h.biBitCount;
        clrUsed = h.biClrUsed;
    }
    size_t colors = 0;
    if (bpp >= 1 && bpp <= 8) colors = (clrUsed && clrUsed < (1u << bpp)) ? clrUsed : (size_t(1) << bpp);
    size_t tableBytes = colors * (headerSize == 12 ? 3 : 4);
    if (headerSize + tableBytes > size) return nullptr;
    const uint8_t* bits = data + headerSize + tableBytes;
    DibView dib;
    if (!ParseDib(reinterpret_cast<const BITMAPINFO*>(data), headerSize + tableBytes, bits,
                  size - headerSize - tableBytes, DIB_RGB_COLORS, nullptr, dib))
        return nullptr;
    bool mono = dib.bpp == 1;
    HBITMAP h = NewBitmap(dib.width, dib.height, mono);
    Bitmap* bm = GetBitmapPtr(h);
    if (!bm) return nullptr;
    bm->label = label;
    for (int y = 0; y < dib.height; ++y) {
        uint32_t* row = bm->pixels.Row(y);
        if (mono) {
            // A one-bit bitmap keeps its bits: index 0 is black, index 1 white.
            const uint8_t* r = dib.Row(y);
            for (int x = 0; x < dib.width; ++x) row[x] = (r[x >> 3] >> (7 - (x & 7))) & 1 ? 0xffffff : 0;
        } else {
            DecodeRow(dib, y, 0, dib.width, row);
        }
    }
    return h;
}

}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                         int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage,
                         DWORD rop) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || !IsKnownRop(rop)) return 0;
    DibView dib;
    if (!ParseDib(lpbmi, kCallerInfo, lpBits, SIZE_MAX, iUsage, dc, dib)) return 0;
    Target t;
    if (!MakeTarget(dc, t)) return 0;
    int lines = std::abs(SrcHeight);
    if (DestWidth == 0 || DestHeight == 0 || SrcWidth == 0 || SrcHeight == 0) return lines;
    bool mirrorX = false, mirrorY = false;
    if (DestWidth < 0) xDest += DestWidth, DestWidth = -DestWidth, mirrorX = !mirrorX;
    if (DestHeight < 0) yDest += DestHeight, DestHeight = -DestHeight, mirrorY = !mirrorY;
    if (SrcWidth < 0) xSrc += SrcWidth, SrcWidth = -SrcWidth, mirrorX = !mirrorX;
    if (SrcHeight < 0) ySrc += SrcHeight, SrcHeight = -SrcHeight, mirrorY = !mirrorY;
    // A bottom-up DIB measures the source rectangle's y from its bottom row.
    int srcTop = dib.topDown ? ySrc : dib.height - ySrc - SrcHeight;
    DrawDib(t, dib, xDest, yDest, DestWidth, DestHeight, xSrc, srcTop, SrcWidth, SrcHeight, mirrorX, mirrorY, rop,
            PatternOf(t, dc), [](int) { return true; });
    Finish(t);
    return lines;
}

int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                             UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || !lpbmi || !lpvBits || w > 65535 || h > 65535) return 0;
    // The bits hold only scan lines [StartScan, StartScan + cLines) in memory order; view them
    // as a whole image whose other rows are absent.
    DibView dib;
    if (!ParseDib(lpbmi, kCallerInfo, lpvBits, SIZE_MAX, ColorUse, dc, dib)) return 0;
    if (StartScan >= UINT(dib.height) || cLines == 0) return 0;
    cLines = std::min<UINT>(cLines, UINT(dib.height) - StartScan);
    // Memory row m lives at lpvBits + (m - StartScan) * stride.
    dib.firstRow = StartScan;
    int height = dib.height;
    bool topDown = dib.topDown;
    auto rowOk = [=](int y) {
        UINT m = UINT(topDown ? y : height - 1 - y);
        return m >= StartScan && m < StartScan + cLines;
    };
    Target t;
    if (!MakeTarget(dc, t)) return 0;
    int srcTop = dib.topDown ? ySrc : dib.height - ySrc - int(h);
    DrawDib(t, dib, xDest, yDest, int(w), int(h), xSrc, srcTop, int(w), int(h), false, false, SRCCOPY, 0, rowOk);
    Finish(t);
    return int(cLines);
}
