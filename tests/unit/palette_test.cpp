// The display palette made from the colour table, and its copy in the page's colour table.
#include "page_fixture.h"

namespace tintwell_test {
namespace {

class Palette : public ProgramUnitTest {
protected:
    ~Palette() override
    {
        if (hPalette)
            DeleteObject(hPalette);
        hPalette = NULL;
    }
};

TEST_F(Palette, CrayonsPaperAndUnusedEntries)
{
    for (int k = 0; k < 256; k++)
        bmp.bmiColors[k].rgbReserved = 0x77;
    ASSERT_EQ(CreateDisplayPalette(), 1);
    ASSERT_NE(hPalette, nullptr);

    const PALETTEENTRY* entries = LogPalette->palPalEntry;
    EXPECT_EQ(LogPalette->palVersion, 0x300);
    EXPECT_EQ(LogPalette->palNumEntries, 256);
    for (int k = 0; k < 256; k++) {
        SCOPED_TRACE(k);
        EXPECT_EQ(entries[k].peFlags, k < ColorCount ? PC_RESERVED : 0);
        if (k < ColorCount) {
            EXPECT_EQ(entries[k].peRed, ColorTable[k][0]);
            EXPECT_EQ(entries[k].peGreen, ColorTable[k][1]);
            EXPECT_EQ(entries[k].peBlue, ColorTable[k][2]);
        }
        const RGBQUAD& q = bmp.bmiColors[k];
        const int expected = k < ColorCount ? -1 : k < 255 ? 0 : 255;
        if (expected >= 0) {
            EXPECT_EQ(q.rgbRed, expected);
            EXPECT_EQ(q.rgbGreen, expected);
            EXPECT_EQ(q.rgbBlue, expected);
        }
        EXPECT_EQ(q.rgbRed, entries[k].peRed);
        EXPECT_EQ(q.rgbGreen, entries[k].peGreen);
        EXPECT_EQ(q.rgbBlue, entries[k].peBlue);
        EXPECT_EQ(q.rgbReserved, 0x77);  // left as it was
    }
    // Crayon 2, the colour current at start, is pure red in the page's table (blue, green, red).
    EXPECT_EQ(bmp.bmiColors[2].rgbBlue, 0);
    EXPECT_EQ(bmp.bmiColors[2].rgbGreen, 0);
    EXPECT_EQ(bmp.bmiColors[2].rgbRed, 255);
    // Paper is a light grey, not the white of crayon 27; outline and crayon 1 are both black.
    EXPECT_EQ(bmp.bmiColors[37].rgbRed, 239);
    EXPECT_EQ(bmp.bmiColors[37].rgbGreen, 239);
    EXPECT_EQ(bmp.bmiColors[37].rgbBlue, 239);
    EXPECT_EQ(bmp.bmiColors[27].rgbRed, 255);
    EXPECT_EQ(std::memcmp(&bmp.bmiColors[0], &bmp.bmiColors[1], 3), 0);
}

TEST_F(Palette, ThePaletteObjectHoldsTheEntries)
{
    ASSERT_EQ(CreateDisplayPalette(), 1);
    ASSERT_NE(hPalette, nullptr);
    PALETTEENTRY got[256] = {};
    ASSERT_EQ(GetPaletteEntries(hPalette, 0, 256, got), 256u);
    EXPECT_EQ(std::memcmp(got, LogPalette->palPalEntry, sizeof got), 0);
}

}  // namespace
}  // namespace tintwell_test
