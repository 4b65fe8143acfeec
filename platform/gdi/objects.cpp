// The GDI handle table and what every object shares: stock objects, SelectObject,
// DeleteObject, GetObjectA, GetObjectType; pens, brushes and palettes.
#include <algorithm>
#include <cstring>

#include "core/handles.h"
#include "gdi/gdi_objects.h"
#include "host/probe.h"

namespace tw::gdi {

namespace {

// Never destroyed: objects may still be deleted by static destructors after main returns
// (the program's font set is one).
HandleTable<Object>& Table() {
    static auto* table = new HandleTable<Object>(HandleKind::Gdi);
    return *table;
}

struct StockSet {
    HGDIOBJ objects[DEFAULT_PALETTE + 1] = {};
    HBITMAP defaultBitmap = nullptr;
};

HGDIOBJ MakeStockBrush(COLORREF c, bool hollow) {
    auto b = std::make_unique<Brush>();
    b->color = c;
    b->hollow = hollow;
    b->stock = true;
    return AddObject(std::move(b));
}

HGDIOBJ MakeStockPen(COLORREF c, int style) {
    auto p = std::make_unique<Pen>();
    p->color = c;
    p->style = style;
    p->stock = true;
    return AddObject(std::move(p));
}

HGDIOBJ MakeStockFont(int height, bool bold) {
    auto f = std::make_unique<Font>();
    f->height = height;
    f->weight = bold ? FW_BOLD : FW_NORMAL;
    f->file = bold ? "Liberation Sans:bold" : "Liberation Sans";  // resolved when first used
    f->stock = true;
    return AddObject(std::move(f));
}

// The twenty reserved colours of the system palette.
const PALETTEENTRY kSystemColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

StockSet& Stock() {
    static StockSet* stock = [] {
        auto* s = new StockSet;
        s->objects[WHITE_BRUSH] = MakeStockBrush(RGB(255, 255, 255), false);
        s->objects[LTGRAY_BRUSH] = MakeStockBrush(RGB(192, 192, 192), false);
        s->objects[GRAY_BRUSH] = MakeStockBrush(RGB(128, 128, 128), false);
        s->objects[DKGRAY_BRUSH] = MakeStockBrush(RGB(64, 64, 64), false);
        s->objects[BLACK_BRUSH] = MakeStockBrush(RGB(0, 0, 0), false);
        s->objects[NULL_BRUSH] = MakeStockBrush(0, true);
        s->objects[WHITE_PEN] = MakeStockPen(RGB(255, 255, 255), PS_SOLID);
        s->objects[BLACK_PEN] = MakeStockPen(RGB(0, 0, 0), PS_SOLID);
        s->objects[NULL_PEN] = MakeStockPen(0, PS_NULL);
        s->objects[ANSI_VAR_FONT] = MakeStockFont(-11, false);
        s->objects[SYSTEM_FONT] = MakeStockFont(-13, true);
        auto pal = std::make_unique<Palette>();
        pal->entries.assign(std::begin(kSystemColors), std::end(kSystemColors));
        pal->stock = true;
        s->objects[DEFAULT_PALETTE] = AddObject(std::move(pal));
        auto bm = std::make_unique<Bitmap>(1, 1, true);
        bm->stock = true;
        s->defaultBitmap = static_cast<HBITMAP>(AddObject(std::move(bm)));
        return s;
    }();
    return *stock;
}

std::string BitmapLabel(const Bitmap& b) {
    if (!b.label.empty()) return b.label;
    return std::to_string(b.pixels.Width()) + "x" + std::to_string(b.pixels.Height());
}

}  // namespace

HGDIOBJ AddObject(std::unique_ptr<Object> object) {
    return reinterpret_cast<HGDIOBJ>(Table().Add(std::move(object)));
}

Object* GetObjectPtr(HGDIOBJ h) { return Table().Get(h); }

HBITMAP NewBitmap(int width, int height, bool mono) {
    if (width <= 0 || height <= 0 || int64_t(width) * height > (int64_t(1) << 26)) return nullptr;
    return static_cast<HBITMAP>(AddObject(std::make_unique<Bitmap>(width, height, mono)));
}

HBITMAP DefaultBitmap() { return Stock().defaultBitmap; }

// Used by DeleteDC: drops a DC's selections.
void ReleaseSelections(DC& dc) {
    for (HGDIOBJ h : {static_cast<HGDIOBJ>(dc.bitmap), static_cast<HGDIOBJ>(dc.pen), static_cast<HGDIOBJ>(dc.brush),
                      static_cast<HGDIOBJ>(dc.font), static_cast<HGDIOBJ>(dc.palette)})
        if (Object* o = GetObjectPtr(h)) o->selections = std::max(0, o->selections - 1);
}

void InitDCSelections(DC& dc) {
    StockSet& s = Stock();
    dc.pen = static_cast<HPEN>(s.objects[BLACK_PEN]);
    dc.brush = static_cast<HBRUSH>(s.objects[WHITE_BRUSH]);
    dc.font = static_cast<HFONT>(s.objects[SYSTEM_FONT]);
    dc.palette = static_cast<HPALETTE>(s.objects[DEFAULT_PALETTE]);
    for (HGDIOBJ h : {static_cast<HGDIOBJ>(dc.pen), static_cast<HGDIOBJ>(dc.brush), static_cast<HGDIOBJ>(dc.font),
                      static_cast<HGDIOBJ>(dc.palette)})
        ++GetObjectPtr(h)->selections;
}

std::unique_ptr<Object> RemoveObject(HGDIOBJ h) { return Table().Remove(h); }

}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

HGDIOBJ WINAPI GetStockObject(int i) {
    if (i < 0 || i > DEFAULT_PALETTE) return nullptr;
    return Stock().objects[i];
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    DC* dc = GetDCPtr(hdc);
    Object* o = GetObjectPtr(h);
    if (!dc || !o) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (o->kind) {
    case Kind::Bitmap: {
        // Only a memory DC holds a bitmap, and a bitmap lives in one DC at a time.
        if (dc->screen) return nullptr;
        if (h == dc->bitmap) return h;
        if (o->selections > 0 && !o->stock) return nullptr;
        slot = reinterpret_cast<HGDIOBJ*>(&dc->bitmap);
        break;
    }
    case Kind::Pen: slot = reinterpret_cast<HGDIOBJ*>(&dc->pen); break;
    case Kind::Brush: slot = reinterpret_cast<HGDIOBJ*>(&dc->brush); break;
    case Kind::Font: slot = reinterpret_cast<HGDIOBJ*>(&dc->font); break;
    default: return nullptr;  // palettes go through SelectPalette; DCs are not selectable
    }
    HGDIOBJ previous = *slot;
    if (previous == h) return previous;
    if (Object* p = GetObjectPtr(previous)) p->selections = std::max(0, p->selections - 1);
    ++o->selections;
    *slot = h;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    Object* o = GetObjectPtr(ho);
    if (!o || o->kind == Kind::DC) return FALSE;
    if (o->stock) return TRUE;     // stock objects stay; the call is quietly accepted
    if (o->selections > 0) return FALSE;  // still selected into a DC
    if (o->kind == Kind::Bitmap) tw::host::Note([&] { return "DeleteObject bitmap " + BitmapLabel(*static_cast<Bitmap*>(o)); });
    if (o->kind == Kind::Palette) tw::host::Note([] { return "DeleteObject palette"; });
    RemoveObject(ho);
    return TRUE;
}

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    Object* o = GetObjectPtr(h);
    if (!o) return 0;
    if (o->kind == Kind::Bitmap) {
        auto* b = static_cast<Bitmap*>(o);
        if (!pv) return sizeof(BITMAP);
        if (c < int(sizeof(BITMAP))) return 0;
        BITMAP bm{};
        bm.bmType = 0;
        bm.bmWidth = b->pixels.Width();
        bm.bmHeight = b->pixels.Height();
        bm.bmBitsPixel = b->mono ? 1 : 32;
        bm.bmPlanes = 1;
        bm.bmWidthBytes = ((bm.bmWidth * bm.bmBitsPixel + 15) / 16) * 2;
        bm.bmBits = nullptr;
        std::memcpy(pv, &bm, sizeof bm);
        return sizeof(BITMAP);
    }
    if (o->kind == Kind::Palette) {
        if (!pv) return sizeof(WORD);
        if (c < int(sizeof(WORD))) return 0;
        WORD n = WORD(static_cast<Palette*>(o)->entries.size());
        std::memcpy(pv, &n, sizeof n);
        return sizeof(WORD);
    }
    return 0;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    Object* o = GetObjectPtr(h);
    if (!o) return 0;
    switch (o->kind) {
    case Kind::DC: return static_cast<DC*>(o)->screen ? OBJ_DC : OBJ_MEMDC;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Palette: return OBJ_PAL;
    }
    return 0;
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle != PS_SOLID && iStyle != PS_NULL) iStyle = PS_SOLID;  // dashes are drawn solid
    auto p = std::make_unique<Pen>();
    p->style = iStyle;
    p->width = std::max(1, cWidth);
    p->color = color;
    return static_cast<HPEN>(AddObject(std::move(p)));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    auto b = std::make_unique<Brush>();
    b->color = color;
    return static_cast<HBRUSH>(AddObject(std::move(b)));
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE* plpal) {
    tw::host::Note([] { return "CreatePalette"; });
    if (!plpal || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) return nullptr;
    auto p = std::make_unique<Palette>();
    p->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    return static_cast<HPALETTE>(AddObject(std::move(p)));
}

HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd) {
    (void)bForceBkgd;
    tw::host::Note([] { return "SelectPalette"; });
    DC* dc = GetDCPtr(hdc);
    Palette* pal = Get<Palette>(hPal, Kind::Palette);
    if (!dc || !pal) return nullptr;
    HPALETTE previous = dc->palette;
    if (previous == hPal) return previous;
    if (Object* p = GetObjectPtr(previous)) p->selections = std::max(0, p->selections - 1);
    ++pal->selections;
    dc->palette = hPal;
    return previous;
}

UINT WINAPI RealizePalette(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    if (!dc) return GDI_ERROR;
    Palette* pal = Get<Palette>(dc->palette, Kind::Palette);
    // A true-colour device maps every entry and shows no change; the default palette maps none.
    if (!pal || pal->stock) return 0;
    return UINT(pal->entries.size());
}

UINT WINAPI GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    Palette* pal = Get<Palette>(hpal, Kind::Palette);
    if (!pal) return 0;
    UINT n = UINT(pal->entries.size());
    if (!pPalEntries) return n;
    if (iStart >= n) return 0;
    UINT count = std::min(cEntries, n - iStart);
    std::copy_n(pal->entries.begin() + iStart, count, pPalEntries);
    return count;
}
