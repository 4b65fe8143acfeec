// Painting: update rectangles, WM_PAINT's BeginPaint/EndPaint, the window and screen DCs USER
// hands out (kept clipped to what of their window is visible), window borders, FillRect,
// FrameRect, DrawTextA and the rectangle helpers.
#include <cstring>
#include <string>
#include <vector>

#include "gdi/gdi_objects.h"
#include "host/host.h"
#include "user/wnd.h"

namespace tw::user {

namespace {

// Where a live DC may draw now.
void Reclip(LiveDC& dc) {
    if (dc.orphan) {
        gdi::SetScreenDCGeometry(dc.hdc, 0, 0, Region{});
        return;
    }
    if (!dc.hwnd) {
        gdi::SetScreenDCGeometry(dc.hdc, 0, 0, Region{ScreenBounds()});
        return;
    }
    Window* w = Get(dc.hwnd);
    if (!w) {
        gdi::SetScreenDCGeometry(dc.hdc, 0, 0, Region{});
        return;
    }
    POINT o = ClientOrigin(w);
    Region region = VisibleRegion(w, true);
    if (dc.paint) region.Intersect(Offset(dc.paintRect, o.x, o.y));
    gdi::SetScreenDCGeometry(dc.hdc, o.x, o.y, region);
}

HDC MakeDC(HWND hwnd, bool paint, const RECT& paintRect) {
    LiveDC dc;
    dc.hwnd = hwnd;
    dc.paint = paint;
    dc.paintRect = paintRect;
    Region region;
    POINT o{0, 0};
    if (Window* w = Get(hwnd)) {
        o = ClientOrigin(w);
        region = VisibleRegion(w, true);
        if (paint) region.Intersect(Offset(paintRect, o.x, o.y));
    } else {
        region = Region(ScreenBounds());
    }
    dc.hdc = gdi::CreateScreenDC(o.x, o.y, region);
    if (!dc.hdc) return nullptr;
    S().dcs.push_back(dc);
    return dc.hdc;
}

bool ReleaseLiveDC(HDC hdc) {
    auto& dcs = S().dcs;
    for (auto it = dcs.begin(); it != dcs.end(); ++it) {
        if (it->hdc == hdc) {
            dcs.erase(it);
            gdi::DeleteScreenDC(hdc);
            return true;
        }
    }
    return false;
}

int LineHeight(HDC hdc) {
    TEXTMETRICA tm{};
    if (GetTextMetricsA(hdc, &tm) && tm.tmHeight > 0) return tm.tmHeight;
    return 16;
}

int TextWidth(HDC hdc, const std::string& s) {
    SIZE size{};
    if (s.empty() || !GetTextExtentPoint32A(hdc, s.data(), static_cast<int>(s.size()), &size)) return 0;
    return size.cx;
}

// How much of a word fits in width (at least its first character): up to the last path separator
// that fits, else up to the last character that does. Never inside a UTF-8 sequence.
size_t FittingPart(HDC hdc, const std::string& word, int width) {
    size_t fit = 0, separator = 0;
    for (size_t next = 0; next < word.size(); fit = next) {
        next = fit + 1;
        while (next < word.size() && (static_cast<unsigned char>(word[next]) & 0xC0) == 0x80) ++next;
        if (fit && TextWidth(hdc, word.substr(0, next)) > width) break;
        if (word[fit] == '/' || word[fit] == '\\') separator = next;
    }
    // A separator early in the line would leave it almost empty.
    return separator && separator < word.size() && 2 * separator >= fit ? separator : fit;
}

// Splits a paragraph into lines no wider than width, breaking between words; with `breakWords`
// a word too wide for a line of its own is broken too, as an edit control does.
void WrapParagraph(HDC hdc, const std::string& para, int width, bool breakWords, std::vector<std::string>& lines) {
    std::string line;
    size_t i = 0;
    bool any = false;
    while (i < para.size()) {
        size_t start = i;
        while (i < para.size() && para[i] == ' ') ++i;
        size_t wordStart = i;
        while (i < para.size() && para[i] != ' ') ++i;
        std::string spaces = para.substr(start, wordStart - start);
        std::string word = para.substr(wordStart, i - wordStart);
        std::string candidate = line + spaces + word;
        if (!line.empty() && TextWidth(hdc, candidate) > width) {
            lines.push_back(line);
            any = true;
            line = word;
        } else {
            line = candidate;
        }
        while (breakWords && TextWidth(hdc, line) > width) {
            size_t keep = FittingPart(hdc, line, width);
            lines.push_back(line.substr(0, keep));
            any = true;
            line.erase(0, keep);
        }
    }
    if (!line.empty() || !any) lines.push_back(line);
}

}  // namespace

void LayoutChanged() {
    for (LiveDC& dc : S().dcs) Reclip(dc);
}

void ResetPaint() {
    auto& s = S();
    for (auto& dc : s.dcs) gdi::DeleteScreenDC(dc.hdc);
    for (HFONT font : {s.systemFont, s.captionFont})
        if (font) DeleteObject(font);
    static_cast<PaintState&>(s) = PaintState{};
}

void ForgetWindowDCs(HWND hwnd) {
    for (LiveDC& dc : S().dcs) {
        if (dc.hwnd == hwnd) {
            dc.orphan = true;
            Reclip(dc);
        }
    }
}

void InvalidateInternal(Window* w, const RECT* rect, bool erase) {
    if (!IsVisibleChain(w)) return;
    RECT client = ClientRect(w);
    RECT r = rect ? Intersect(*rect, client) : client;
    if (RectEmpty(r)) return;
    if (!w->needsPaint) {
        w->needsPaint = true;
        ++S().paintPending;
        w->update = r;
    } else {
        w->update = Union(w->update, r);
    }
    if (erase) w->erase = true;
    if (w->style & WS_CLIPCHILDREN) return;
    POINT o = ClientOrigin(w);
    std::vector<HWND> children = w->children;
    for (HWND c : children) {
        Window* child = Get(c);
        if (!child || !(child->style & WS_VISIBLE)) continue;
        POINT co = ClientOrigin(child);
        RECT inChild = Offset(r, o.x - co.x, o.y - co.y);
        InvalidateInternal(child, &inChild, erase);
    }
}

void ValidateAll(Window* w) {
    if (w->needsPaint) {
        w->needsPaint = false;
        --S().paintPending;
    }
    w->update = RECT{0, 0, 0, 0};
    w->erase = false;
}

void DrawFrameIfNeeded(Window* w) {
    if (!w->frameDirty) return;
    w->frameDirty = false;
    if (!(w->style & WS_BORDER) || !IsVisibleChain(w)) return;
    RECT outer = ScreenRect(w);
    Region region = VisibleRegion(w, false);
    POINT o = ClientOrigin(w);
    region.Subtract(Offset(ClientRect(w), o.x, o.y));
    if (region.Empty()) return;
    HDC hdc = gdi::CreateScreenDC(outer.left, outer.top, region);
    if (!hdc) return;
    PatBlt(hdc, 0, 0, outer.right - outer.left, outer.bottom - outer.top, BLACKNESS);
    gdi::DeleteScreenDC(hdc);
}

namespace {

HFONT MakeFont(HFONT& font, int weight) {
    if (!font || GetObjectType(font) != OBJ_FONT)
        font = CreateFontA(-11, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    return font;
}

}  // namespace

HFONT SystemFont() { return MakeFont(S().systemFont, FW_NORMAL); }
HFONT CaptionFont() { return MakeFont(S().captionFont, FW_BOLD); }

void FillSolid(HDC hdc, const RECT& r, COLORREF color) {
    gdi::DC* dc = gdi::GetDCPtr(hdc);
    gdi::Target t;
    if (!dc || !gdi::MakeTarget(dc, t)) return;
    gdi::FillLogical(t, r.left, r.top, r.right, r.bottom, gdi::PixelFor(t, color));
    gdi::Finish(t);
}

void Draw3DRect(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    if (RectEmpty(r)) return;
    FillSolid(hdc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillSolid(hdc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillSolid(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    FillSolid(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void DrawDottedRect(HDC hdc, const RECT& r) {
    for (LONG x = r.left; x < r.right; x += 2) {
        SetPixel(hdc, x, r.top, RGB(0, 0, 0));
        SetPixel(hdc, x, r.bottom - 1, RGB(0, 0, 0));
    }
    for (LONG y = r.top; y < r.bottom; y += 2) {
        SetPixel(hdc, r.left, y, RGB(0, 0, 0));
        SetPixel(hdc, r.right - 1, y, RGB(0, 0, 0));
    }
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

BOOL WINAPI UpdateWindow(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    if (w->needsPaint && IsVisibleChain(w)) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        std::vector<HWND> all = S().topLevel;
        for (HWND h : all)
            if (Window* w = Get(h)) InvalidateInternal(w, nullptr, erase != FALSE);
        return TRUE;
    }
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    InvalidateInternal(w, rect, erase != FALSE);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT* rect) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    if (!w->needsPaint) return TRUE;
    if (!rect) {
        ValidateAll(w);
        return TRUE;
    }
    RECT& u = w->update;
    // The update area is one rectangle: it shrinks when a band across it is validated.
    if (rect->left <= u.left && rect->right >= u.right) {
        if (rect->top <= u.top && rect->bottom > u.top) u.top = std::min(u.bottom, rect->bottom);
        if (rect->bottom >= u.bottom && rect->top < u.bottom) u.bottom = std::max(u.top, rect->top);
    }
    if (rect->top <= u.top && rect->bottom >= u.bottom) {
        if (rect->left <= u.left && rect->right > u.left) u.left = std::min(u.right, rect->right);
        if (rect->right >= u.right && rect->left < u.right) u.right = std::max(u.left, rect->left);
    }
    if (RectEmpty(u)) ValidateAll(w);
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    if (!w->needsPaint) {
        if (rect) *rect = RECT{0, 0, 0, 0};
        return FALSE;
    }
    if (rect) *rect = w->update;
    if (erase && w->erase) {
        w->erase = false;
        HDC hdc = MakeDC(hwnd, true, w->update);
        if (hdc) {
            SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
            ReleaseLiveDC(hdc);
        }
    }
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = Get(hwnd);
    if (!w || !ps) return nullptr;
    DrawFrameIfNeeded(w);
    RECT update = w->needsPaint ? w->update : RECT{0, 0, 0, 0};
    bool erase = w->erase;
    ValidateAll(w);
    HDC hdc = MakeDC(hwnd, true, update);
    std::memset(ps, 0, sizeof *ps);
    ps->hdc = hdc;
    ps->rcPaint = update;
    if (hdc && erase) ps->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    ReleaseLiveDC(ps->hdc);
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd) {
    if (hwnd && !Get(hwnd)) return nullptr;
    return MakeDC(hwnd, false, RECT{});
}

int WINAPI ReleaseDC(HWND, HDC hdc) { return ReleaseLiveDC(hdc) ? 1 : 0; }

int WINAPI FillRect(HDC hdc, const RECT* rc, HBRUSH brush) {
    if (!rc) return 0;
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value > 0 && value <= 31) brush = GetSysColorBrush(static_cast<int>(value) - 1);
    if (!brush) return 0;
    HGDIOBJ old = SelectObject(hdc, brush);
    if (!old || old == HGDI_ERROR) return 0;
    PatBlt(hdc, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, PATCOPY);
    SelectObject(hdc, old);
    return 1;
}

int WINAPI FrameRect(HDC hdc, const RECT* rc, HBRUSH brush) {
    if (!rc || rc->right <= rc->left || rc->bottom <= rc->top) return 0;
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value > 0 && value <= 31) brush = GetSysColorBrush(static_cast<int>(value) - 1);
    HGDIOBJ old = SelectObject(hdc, brush);
    if (!old || old == HGDI_ERROR) return 0;
    int w = rc->right - rc->left, h = rc->bottom - rc->top;
    PatBlt(hdc, rc->left, rc->top, w, 1, PATCOPY);
    PatBlt(hdc, rc->left, rc->bottom - 1, w, 1, PATCOPY);
    PatBlt(hdc, rc->left, rc->top, 1, h, PATCOPY);
    PatBlt(hdc, rc->right - 1, rc->top, 1, h, PATCOPY);
    SelectObject(hdc, old);
    return 1;
}

int WINAPI DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT rc, UINT format) {
    if (!text || !rc) return 0;
    std::string raw = count < 0 ? std::string(text) : std::string(text, static_cast<size_t>(count));
    std::string s;
    size_t mnemonic = std::string::npos;  // the character an ampersand marks, underlined
    if (format & DT_NOPREFIX) {
        s = raw;
    } else {
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '&') {
                if (i + 1 < raw.size() && raw[i + 1] == '&')
                    s += '&', ++i;
                else if (i + 1 < raw.size() && mnemonic == std::string::npos)
                    mnemonic = s.size();
                continue;
            }
            s += raw[i];
        }
    }
    int lineHeight = LineHeight(hdc);
    std::vector<std::string> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back(s);
    } else {
        size_t start = 0;
        for (;;) {
            size_t nl = s.find('\n', start);
            std::string para = s.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
            if (!para.empty() && para.back() == '\r') para.pop_back();
            if (format & DT_WORDBREAK)
                WrapParagraph(hdc, para, rc->right - rc->left, (format & DT_EDITCONTROL) != 0, lines);
            else
                lines.push_back(para);
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
    }
    int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (auto& line : lines) widest = std::max(widest, TextWidth(hdc, line));
        rc->right = rc->left + widest;
        rc->bottom = rc->top + total;
        return total;
    }
    int y = rc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rc->top + (rc->bottom - rc->top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = rc->bottom - lineHeight;
    }
    int first = y;
    for (auto& line : lines) {
        int x = rc->left;
        if (format & (DT_CENTER | DT_RIGHT)) {
            int width = TextWidth(hdc, line);
            x = (format & DT_CENTER) ? rc->left + (rc->right - rc->left - width) / 2 : rc->right - width;
        }
        if (!line.empty()) TextOutA(hdc, x, y, line.data(), static_cast<int>(line.size()));
        if ((format & DT_SINGLELINE) && mnemonic < line.size()) {
            TEXTMETRICA tm{};
            GetTextMetricsA(hdc, &tm);
            int left = x + TextWidth(hdc, line.substr(0, mnemonic));
            int right = x + TextWidth(hdc, line.substr(0, mnemonic + 1));
            FillSolid(hdc, RECT{left, y + tm.tmAscent + 1, right, y + tm.tmAscent + 2}, GetTextColor(hdc));
        }
        y += lineHeight;
    }
    return (format & (DT_VCENTER | DT_BOTTOM)) && (format & DT_SINGLELINE) ? first - rc->top + total : total;
}

BOOL WINAPI SetRect(LPRECT rc, int left, int top, int right, int bottom) {
    if (!rc) return FALSE;
    *rc = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL WINAPI PtInRect(const RECT* rc, POINT pt) {
    return rc && Contains(*rc, pt);
}

BOOL WINAPI IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    *dst = Intersect(*a, *b);
    return RectEmpty(*dst) ? FALSE : TRUE;
}

BOOL WINAPI OffsetRect(LPRECT rc, int dx, int dy) {
    if (!rc) return FALSE;
    *rc = Offset(*rc, dx, dy);
    return TRUE;
}
