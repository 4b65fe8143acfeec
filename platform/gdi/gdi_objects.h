// GDI's object model, shared by the files of this folder (and by USER's bitmap and icon
// loaders): one handle table for DCs, bitmaps, pens, brushes, fonts and palettes, and the
// drawing target a DC resolves to (a surface, an offset and clip rectangles).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/surface.h"
#include "gdi/gdi_internal.h"
#include "windows.h"

namespace tw::gdi {

enum class Kind { DC, Bitmap, Pen, Brush, Font, Palette };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
    int selections = 0;  // DCs this object is selected into
};

// A bitmap's pixels are always 0x00RRGGBB; a monochrome bitmap holds only black (0 bits) and
// white (1 bits) and remembers that it is one bit deep.
struct Bitmap : Object {
    Bitmap(int w, int h, bool isMono) : Object(Kind::Bitmap), pixels(w, h, isMono ? 0 : 0), mono(isMono) {}
    Surface pixels;
    bool mono;
    std::string label;  // resource name, for the record of deletions
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    COLORREF color = 0;
    bool hollow = false;
};

struct Palette : Object {
    Palette() : Object(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

class FontFace;  // fonts.cpp
// Starts finding the font files on a thread of its own, so that fontconfig has read its
// configuration by the time the first font is made; the process entry calls it before the window
// is made. Without it the files are found when the first font needs them.
void LookUpFontsAhead();
struct Font : Object {
    Font() : Object(Kind::Font) {}
    std::string file;  // the font file fontconfig chose
    int height = 0;    // as asked: negative = character (em) height, positive = cell height
    int weight = FW_DONTCARE;
    std::shared_ptr<FontFace> face;  // opened on first use
};

struct PrinterJob;  // printing.cpp

struct DC : Object {
    DC() : Object(Kind::DC) {}
    bool screen = false;
    std::shared_ptr<PrinterJob> printer;  // printer DCs: the destination and the job under way
    int originX = 0, originY = 0;  // screen DCs: where logical (0, 0) lies on the screen
    Region visible;                // screen DCs: screen rectangles that may be drawn
    HBITMAP bitmap = nullptr;      // memory DCs: the selected bitmap
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    HPALETTE palette = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int stretchMode = BLACKONWHITE;
    POINT pos{0, 0};
};

// --- the handle table ---
HGDIOBJ AddObject(std::unique_ptr<Object> object);
Object* GetObjectPtr(HGDIOBJ h);
template <typename T>
T* Get(HGDIOBJ h, Kind kind) {
    Object* o = GetObjectPtr(h);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline DC* GetDCPtr(HDC h) { return Get<DC>(h, Kind::DC); }
inline Bitmap* GetBitmapPtr(HBITMAP h) { return Get<Bitmap>(h, Kind::Bitmap); }

HBITMAP NewBitmap(int width, int height, bool mono);  // null when the size is unreasonable
HBITMAP DefaultBitmap();                              // the 1 x 1 monochrome bitmap of a fresh memory DC

// --- drawing targets ---
struct Target {
    Surface* surface = nullptr;
    int dx = 0, dy = 0;       // logical + (dx, dy) = surface coordinates
    Region clip;              // surface coordinates, inside the surface
    bool mono = false;
    bool screen = false;
    DC* dc = nullptr;
    bool drew = false;
};
// False for a DC with nothing to draw on.
bool MakeTarget(DC* dc, Target& t);
// The page a printer DC is drawing (null between pages).
Surface* PrinterPage(DC* dc);
// RASTERCAPS of every device here: true colour (no RC_PALETTE), blits, stretches and DIBs.
constexpr int kRasterCaps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
// GetDeviceCaps of a printer DC.
int PrinterDeviceCaps(const DC* dc, int index);
// Marks the surface changed (and tells the host for the screen) when anything was drawn.
void Finish(Target& t);
// A COLORREF as a pixel of the target (palette indices resolved, monochrome matched).
uint32_t PixelFor(const Target& t, COLORREF color);
// Logical [x0, x1) x [y0, y1) in surface coordinates, held within a range that cannot overflow.
RECT ToSurface(const Target& t, int x0, int y0, int x1, int y1);
// Fills logical [x0, x1) x [y0, y1), clipped.
void FillLogical(Target& t, int x0, int y0, int x1, int y1, uint32_t pixel);
void PutLogical(Target& t, int x, int y, uint32_t pixel);
// The pixel of a raster operation on destination d, source s and pattern p.
uint32_t ApplyRop(DWORD rop, uint32_t d, uint32_t s, uint32_t p);
bool RopNeedsSource(DWORD rop);
bool IsKnownRop(DWORD rop);

// COLORREF -> pixel through a DC's palette (PALETTEINDEX) or directly.
uint32_t ResolveColor(const DC* dc, COLORREF color);
inline uint32_t MonoPixel(uint32_t pixel) {
    unsigned r = (pixel >> 16) & 0xff, g = (pixel >> 8) & 0xff, b = pixel & 0xff;
    return r + g + b >= 384 ? 0xffffff : 0;
}

// --- DIBs ---
// A view of a packed or separate DIB: header, colour table already turned into pixels.
struct DibView {
    int width = 0, height = 0;  // height positive
    bool topDown = false;
    int bpp = 0;
    size_t stride = 0;
    const uint8_t* bits = nullptr;
    size_t firstRow = 0;  // memory row that bits points at (SetDIBitsToDevice passes a band)
    uint32_t colors[256] = {};
    int colorCount = 0;
    // Memory row for image row y (0 = top); only rows present in the buffer may be asked for.
    const uint8_t* Row(int y) const { return bits + stride * (size_t(topDown ? y : height - 1 - y) - firstRow); }
};
// Reads the header and colour table. bitsAvailable (when not SIZE_MAX) is checked against the
// image size. dc resolves DIB_PAL_COLORS. False for anything unsupported or inconsistent.
bool ParseDib(const BITMAPINFO* info, size_t infoBytes, const void* bits, size_t bitsAvailable, UINT usage,
              const DC* dc, DibView& view);
// Decodes pixels [x0, x1) of image row y into out.
void DecodeRow(const DibView& dib, int y, int x0, int x1, uint32_t* out);
// A bitmap from a packed DIB (header, colour table, bits): a 1-bit DIB gives a monochrome
// bitmap, anything else a colour bitmap. Null when the data is damaged.
HBITMAP BitmapFromPackedDib(const uint8_t* data, size_t size, const std::string& label);

// Text colour / background of a DC for a monochrome source, as pixels of the target.
void MonoColors(const Target& t, uint32_t& zero, uint32_t& one);

}  // namespace tw::gdi
