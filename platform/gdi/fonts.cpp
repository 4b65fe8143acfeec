// Fonts: CreateFontA through fontconfig and FreeType (Liberation Sans standing in for Arial),
// hinted monochrome glyphs cached per face and size, TextOutA, GetTextExtentPoint32A and
// GetTextMetricsA. Text is in the layer's ANSI code page, UTF-8 (core/ansi.h).
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "core/ansi.h"
#include "gdi/gdi_objects.h"

namespace tw::gdi {

struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<uint8_t> bits;  // one byte per pixel, 1 = ink
};

class FontFace {
public:
    FontFace(FT_Face face, int height) : face_(face) {
        const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        double upem = face->units_per_EM ? face->units_per_EM : 2048;
        double winAscent = os2 ? os2->usWinAscent : face->ascender;
        double winDescent = os2 ? os2->usWinDescent : -face->descender;
        if (height == 0) height = 16;
        // Negative: the em height in pixels. Positive: the cell height (ascent + descent).
        double em = height < 0 ? -height : height * upem / (winAscent + winDescent);
        FT_Set_Char_Size(face_, 0, FT_F26Dot6(std::lround(em * 64)), 72, 72);
        double scale = em / upem;
        ascent_ = int(std::lround(winAscent * scale));
        descent_ = int(std::lround(winDescent * scale));
        emPixels_ = int(std::lround(em));
        double lineGap = face->height - (face->ascender - face->descender);
        externalLeading_ = std::max(0, int(std::lround(lineGap * scale)));
        aveCharWidth_ = os2 ? int(std::lround(os2->xAvgCharWidth * scale)) : emPixels_ / 2;
        maxCharWidth_ = int(std::lround((face->bbox.xMax - face->bbox.xMin) * scale));
        bold_ = os2 ? os2->usWeightClass >= 600 : (face->style_flags & FT_STYLE_FLAG_BOLD);
    }
    ~FontFace() { FT_Done_Face(face_); }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const Glyph& Get(char32_t c) {
        std::unique_ptr<Glyph>& slot = c < 256 ? latin_[c] : others_[c];
        if (slot) return *slot;
        slot = std::make_unique<Glyph>();
        if (FT_Load_Char(face_, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0) {
            FT_GlyphSlot g = face_->glyph;
            slot->left = g->bitmap_left;
            slot->top = g->bitmap_top;
            slot->width = int(g->bitmap.width);
            slot->rows = int(g->bitmap.rows);
            slot->advance = int((g->advance.x + 32) >> 6);
            slot->bits.resize(size_t(slot->width) * size_t(slot->rows));
            for (int y = 0; y < slot->rows; ++y) {
                const uint8_t* row = g->bitmap.buffer + ptrdiff_t(y) * g->bitmap.pitch;
                for (int x = 0; x < slot->width; ++x) {
                    bool on = g->bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1
                                                                         : row[x] >= 128;
                    slot->bits[size_t(y) * size_t(slot->width) + size_t(x)] = on;
                }
            }
        }
        return *slot;
    }

    int Ascent() const { return ascent_; }
    int Height() const { return ascent_ + descent_; }
    int Width(std::string_view s) {
        int w = 0;
        for (size_t i = 0; i < s.size();) w += Get(ansi::Next(s, i)).advance;
        return w;
    }
    void Metrics(TEXTMETRICA& tm) const {
        std::memset(&tm, 0, sizeof tm);
        tm.tmHeight = ascent_ + descent_;
        tm.tmAscent = ascent_;
        tm.tmDescent = descent_;
        tm.tmInternalLeading = std::max(0, tm.tmHeight - emPixels_);
        tm.tmExternalLeading = externalLeading_;
        tm.tmAveCharWidth = aveCharWidth_;
        tm.tmMaxCharWidth = maxCharWidth_;
        tm.tmWeight = bold_ ? FW_BOLD : FW_NORMAL;
        tm.tmDigitizedAspectX = 96;
        tm.tmDigitizedAspectY = 96;
        tm.tmFirstChar = 32;
        tm.tmLastChar = 255;
        tm.tmDefaultChar = 31;
        tm.tmBreakChar = 32;
        tm.tmPitchAndFamily = 0x06 | FF_SWISS;  // variable pitch, TrueType
        tm.tmCharSet = ANSI_CHARSET;
    }

private:
    FT_Face face_;
    std::unique_ptr<Glyph> latin_[256];
    std::unordered_map<char32_t, std::unique_ptr<Glyph>> others_;
    int ascent_ = 0, descent_ = 0, emPixels_ = 0, externalLeading_ = 0, aveCharWidth_ = 0, maxCharWidth_ = 0;
    bool bold_ = false;
};

namespace {

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return library;
}

// The files fontconfig picks for Liberation Sans, regular and bold.
struct FontFiles {
    bool initialised = false;
    std::string files[2];
};

std::string MatchFontFile(bool bold) {
    std::string file;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Liberation Sans"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* found = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &found) == FcResultMatch && found)
            file = reinterpret_cast<const char*>(found);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

FontFiles LookUpFontFiles() {
    FontFiles found;
    // Reading fontconfig's configuration is most of the time this takes.
    if (!FcInit()) return found;
    found.initialised = true;
    found.files[0] = MatchFontFile(false);
    found.files[1] = MatchFontFile(true);
    return found;
}

// The look-up, ahead on a thread of its own or when the first font needs it. At exit it is waited
// for before fontconfig's caches go, so that nothing of fontconfig is left behind and a program
// ending at once (a second copy) does not pull them from under the look-up.
struct FontLookUp {
    std::mutex lock;
    std::shared_future<FontFiles> files;
    ~FontLookUp() {
        if (!files.valid() || files.wait_for(std::chrono::seconds(0)) == std::future_status::deferred) return;
        if (files.get().initialised) FcFini();
    }
} g_lookUp;

const std::string& FindFontFile(bool bold) {
    std::shared_future<FontFiles> files;
    {
        std::lock_guard lock(g_lookUp.lock);
        if (!g_lookUp.files.valid()) g_lookUp.files = std::async(std::launch::deferred, LookUpFontFiles).share();
        files = g_lookUp.files;
    }
    return files.get().files[bold];
}

std::shared_ptr<FontFace> OpenFace(const std::string& file, int height) {
    static std::map<std::pair<std::string, int>, std::weak_ptr<FontFace>> cache;
    auto key = std::make_pair(file, height);
    if (auto existing = cache[key].lock()) return existing;
    FT_Library lib = Library();
    if (!lib || file.empty()) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, file.c_str(), 0, &face) != 0) return nullptr;
    auto f = std::make_shared<FontFace>(face, height);
    cache[key] = f;
    return f;
}

bool EndsWithBold(const std::string& name) {
    static const char kSuffix[] = " bold";
    if (name.size() < 5) return false;
    std::string tail = name.substr(name.size() - 5);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == kSuffix;
}

}  // namespace

void LookUpFontsAhead() {
    std::lock_guard lock(g_lookUp.lock);
    if (!g_lookUp.files.valid()) g_lookUp.files = std::async(std::launch::async, LookUpFontFiles).share();
}

FontFace* FaceOf(Font* font) {
    if (!font) return nullptr;
    if (!font->face) {
        std::string file = font->file;
        if (file.empty() || file[0] != '/') file = FindFontFile(font->weight >= 600);
        font->file = file;
        font->face = OpenFace(file, font->height);
    }
    return font->face.get();
}

}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                         DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                         DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    (void)cWidth, (void)cEscapement, (void)cOrientation, (void)bItalic, (void)bUnderline, (void)bStrikeOut;
    (void)iCharSet, (void)iOutPrecision, (void)iClipPrecision, (void)iQuality, (void)iPitchAndFamily;
    std::string name = pszFaceName ? pszFaceName : "";
    // "Arial Bold" (or any face named "... Bold") is the bold face by name alone.
    bool bold = cWeight >= 600 || EndsWithBold(name);
    auto font = std::make_unique<Font>();
    font->height = cHeight;
    font->weight = bold ? FW_BOLD : (cWeight ? cWeight : FW_NORMAL);
    if (!FaceOf(font.get())) return nullptr;
    return static_cast<HFONT>(AddObject(std::move(font)));
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || c < 0 || (c > 0 && !lpString)) return FALSE;
    FontFace* face = FaceOf(Get<Font>(dc->font, Kind::Font));
    Target t;
    if (!face || !MakeTarget(dc, t)) return FALSE;
    const std::string_view text(lpString, size_t(c));
    int width = face->Width(text);
    if (dc->bkMode == OPAQUE) FillLogical(t, x, y, x + width, y + face->Height(), PixelFor(t, dc->bkColor));
    uint32_t ink = PixelFor(t, dc->textColor);
    int penX = x, baseline = y + face->Ascent();
    for (size_t i = 0; i < text.size();) {
        const Glyph& g = face->Get(ansi::Next(text, i));
        for (int gy = 0; gy < g.rows; ++gy) {
            const uint8_t* row = g.bits.data() + size_t(gy) * size_t(g.width);
            for (int gx = 0; gx < g.width; ++gx)
                if (row[gx]) PutLogical(t, penX + g.left + gx, baseline - g.top + gy, ink);
        }
        penX += g.advance;
    }
    Finish(t);
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || !psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
    FontFace* face = FaceOf(Get<Font>(dc->font, Kind::Font));
    if (!face) return FALSE;
    psizl->cx = face->Width(std::string_view(lpString, size_t(c)));
    psizl->cy = face->Height();
    return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    DC* dc = GetDCPtr(hdc);
    if (!dc || !lptm) return FALSE;
    FontFace* face = FaceOf(Get<Font>(dc->font, Kind::Font));
    if (!face) return FALSE;
    face->Metrics(*lptm);
    return TRUE;
}
