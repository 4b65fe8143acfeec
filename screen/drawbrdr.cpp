// Drawbrdr: the page screen's fixed decoration (black borders, the raised screen bevel, the
// sunken page well, the light-grey button bands and the title area) and the dotted backdrop
// behind the title screen.
#include "screen/screen.h"

#include "app/tintwell.h"
#include "support/support.h"

// One shape of the frame: up to five points; the unused ones are (0, 0).
struct FrameShape {
    POINT pt[5];
};

static const FrameShape FrameShapes[23] = {
    // Black: three lines round the screen, four round the page.
    {{{0, 0}, {799, 0}, {799, 599}, {0, 599}, {0, 0}}},
    {{{1, 1}, {798, 1}, {798, 598}, {1, 598}, {1, 1}}},
    {{{2, 2}, {797, 2}, {797, 597}, {2, 597}, {2, 2}}},
    {{{66, 66}, {733, 66}, {733, 533}, {66, 533}, {66, 66}}},
    {{{67, 67}, {732, 67}, {732, 532}, {67, 532}, {67, 67}}},
    {{{68, 68}, {731, 68}, {731, 531}, {68, 531}, {68, 68}}},
    {{{69, 69}, {730, 69}, {730, 530}, {69, 530}, {69, 69}}},
    // White: the screen bevel's left and top, the well's right and bottom.
    {{{3, 596}, {3, 3}, {797, 3}, {0, 0}, {0, 0}}},
    {{{4, 595}, {4, 4}, {796, 4}, {0, 0}, {0, 0}}},
    {{{5, 594}, {5, 5}, {795, 5}, {0, 0}, {0, 0}}},
    {{{736, 63}, {736, 536}, {63, 536}, {0, 0}, {0, 0}}},
    {{{735, 64}, {735, 535}, {64, 535}, {0, 0}, {0, 0}}},
    {{{734, 65}, {734, 534}, {65, 534}, {0, 0}, {0, 0}}},
    // Grey: the screen bevel's right and bottom, the well's left and top.
    {{{796, 4}, {796, 596}, {3, 596}, {0, 0}, {0, 0}}},
    {{{795, 5}, {795, 595}, {4, 595}, {0, 0}, {0, 0}}},
    {{{794, 6}, {794, 594}, {5, 594}, {0, 0}, {0, 0}}},
    {{{63, 536}, {63, 63}, {736, 63}, {0, 0}, {0, 0}}},
    {{{64, 535}, {64, 64}, {735, 64}, {0, 0}, {0, 0}}},
    {{{65, 534}, {65, 65}, {734, 65}, {0, 0}, {0, 0}}},
    // Light grey: the top, left, bottom and right bands.
    {{{6, 6}, {793, 6}, {793, 62}, {6, 62}, {0, 0}}},
    {{{6, 63}, {62, 63}, {62, 536}, {6, 536}, {0, 0}}},
    {{{6, 537}, {793, 537}, {793, 593}, {6, 593}, {0, 0}}},
    {{{737, 63}, {793, 63}, {793, 536}, {737, 536}, {0, 0}}},
};

void DrawScreenFrame(HDC hdc)
{
    HPEN hWhitePen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HPEN hGreyPen = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    HPEN hLightGreyPen = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));

    HGDIOBJ hOldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
    for (int i = 0; i <= 6; i++)
        Polyline(hdc, FrameShapes[i].pt, 5);

    SelectObject(hdc, hWhitePen);
    for (int i = 7; i <= 12; i++)
        Polyline(hdc, FrameShapes[i].pt, 3);

    SelectObject(hdc, hGreyPen);
    for (int i = 13; i <= 18; i++)
        Polyline(hdc, FrameShapes[i].pt, 3);

    SelectObject(hdc, hLightGreyPen);
    HGDIOBJ hOldBrush = SelectObject(hdc, GetStockObject(LTGRAY_BRUSH));
    for (int i = 19; i <= 22; i++)
        Polygon(hdc, FrameShapes[i].pt, 4);

    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hOldBitmap = SelectObject(hdcMem, hbmTitleArea);
    BitBlt(hdc, 326, 543, 148, 45, hdcMem, 0, 0, SRCCOPY);
    SelectObject(hdcMem, hOldBitmap);
    DeleteDC(hdcMem);

    SelectObject(hdc, hOldPen);
    SelectObject(hdc, hOldBrush);
    DeleteObject(hWhitePen);
    DeleteObject(hGreyPen);
    DeleteObject(hLightGreyPen);
}

void DrawBackdrop(HDC hdc)
{
    HDC hdcSave = CreateCompatibleDC(hdc);
    HDC hdcDots = CreateCompatibleDC(hdc);
    HBITMAP HBMSave = CreateCompatibleBitmap(hdc, 800, 600);
    HGDIOBJ hOldSave = SelectObject(hdcSave, HBMSave);
    HGDIOBJ hOldDots = SelectObject(hdcDots, hbmDotPattern);

    for (int y = 0; y < 600; y += 8)
        for (int x = 0; x < 800; x += 8)
            BitBlt(hdcSave, x, y, 8, 8, hdcDots, 0, 0, SRCCOPY);
    BitBlt(hdc, 0, 0, 800, 600, hdcSave, 0, 0, SRCCOPY);

    SelectObject(hdcSave, hOldSave);
    SelectObject(hdcDots, hOldDots);
    DeleteDC(hdcSave);
    DeleteDC(hdcDots);
    if (!DeleteObject(HBMSave))
        AssertFail("DeleteObject (HBMSave)", "Drawbrdr", 128);
}
