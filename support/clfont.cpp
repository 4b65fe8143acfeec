// clFont: the program's four fonts, one global set made at window creation and deleted when the
// set itself goes, after WinMain has returned.
#include "support/support.h"

FontSet Fonts;

static HFONT MakeFont(int height, LPCSTR face)
{
    return CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

FontSet::FontSet() : hFontSmallBold(NULL), hFontBold(NULL), hFontNormal(NULL), hFontLarge(NULL) {}

FontSet::~FontSet()
{
    DestroyFonts();
}

void FontSet::CreateFonts()
{
    hFontSmallBold = MakeFont(-11, "Arial Bold");
    hFontNormal = MakeFont(-12, "Arial");
    if (!hFontNormal)
        AssertFail("hFontNormal", "clFont", 34);
    LogLine("hFontNormal %i", (int)(INT_PTR)hFontNormal);
    hFontLarge = MakeFont(-13, "Arial");
    hFontBold = MakeFont(-13, "Arial Bold");
}

void FontSet::DestroyFonts()
{
    HFONT* slots[4] = {&hFontNormal, &hFontLarge, &hFontBold, &hFontSmallBold};
    for (HFONT* slot : slots) {
        if (*slot)
            DeleteObject(*slot);
        *slot = NULL;
    }
}
