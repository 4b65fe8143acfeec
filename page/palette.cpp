// The 38 colours a page pixel can mean, the 256-entry display palette made from them, and the
// copy of its colours into the PageImage's colour table.
#include "page/page.h"

#include "app/tintwell.h"

const BYTE ColorTable[ColorCount][4] = {
    {0, 0, 0, 0},        // 0 outline
    {0, 0, 0, 0},        // crayons 1..36
    {255, 0, 0, 0},      {0, 0, 160, 0},     {255, 255, 0, 0},   {0, 111, 0, 0},     {255, 127, 0, 0},
    {48, 0, 111, 0},     {111, 47, 0, 0},    {159, 0, 159, 0},   {127, 63, 0, 0},    {255, 112, 112, 0},
    {0, 96, 255, 0},     {223, 255, 0, 0},   {0, 223, 0, 0},     {255, 159, 0, 0},   {159, 0, 255, 0},
    {191, 0, 0, 0},      {0, 63, 95, 0},     {255, 223, 0, 0},   {0, 95, 0, 0},      {208, 96, 47, 0},
    {255, 0, 143, 0},    {48, 111, 176, 0},  {223, 223, 0, 0},   {0, 176, 0, 0},     {255, 143, 80, 0},
    {255, 255, 255, 0},  {143, 143, 143, 0}, {192, 159, 79, 0},  {192, 159, 255, 0}, {255, 207, 127, 0},
    {159, 255, 127, 0},  {255, 255, 159, 0}, {0, 255, 255, 0},   {255, 143, 192, 0}, {160, 96, 0, 0},
    {239, 239, 239, 0},  // 37 paper
};

// A LOGPALETTE with room for all 256 entries.
static struct {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
} LogPaletteStore;

LOGPALETTE* const LogPalette = (LOGPALETTE*)&LogPaletteStore;
HPALETTE hPalette = NULL;
HPALETTE hOldPalette = NULL;

int CreateDisplayPalette()
{
    LogPaletteStore.palVersion = 0x300;
    LogPaletteStore.palNumEntries = 256;
    for (int k = 0; k < 256; k++) {
        PALETTEENTRY& entry = LogPaletteStore.palPalEntry[k];
        if (k < ColorCount) {
            entry.peRed = ColorTable[k][0];
            entry.peGreen = ColorTable[k][1];
            entry.peBlue = ColorTable[k][2];
            entry.peFlags = PC_RESERVED;
        } else if (k < 255) {
            entry.peRed = entry.peGreen = entry.peBlue = 0;
            entry.peFlags = 0;
        } else {
            entry.peRed = entry.peGreen = entry.peBlue = 255;
            entry.peFlags = 0;
        }
    }

    hPalette = CreatePalette(LogPalette);

    // hWndMain is still null while the window is being created: this is the screen's DC. The
    // selection ends with the release; what lasts is the realisation.
    HDC hdc = GetDC(hWndMain);
    if (hPalette) {
        hOldPalette = SelectPalette(hdc, hPalette, FALSE);
        RealizePalette(hdc);
    }
    ReleaseDC(hWndMain, hdc);

    for (int k = 0; k < 256; k++) {
        bmp.bmiColors[k].rgbBlue = LogPaletteStore.palPalEntry[k].peBlue;
        bmp.bmiColors[k].rgbGreen = LogPaletteStore.palPalEntry[k].peGreen;
        bmp.bmiColors[k].rgbRed = LogPaletteStore.palPalEntry[k].peRed;
    }
    return 1;
}
