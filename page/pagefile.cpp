// The PageImage (file header, info header with colour table, and pixels) and the page file:
// loading a page (a one-bit page is expanded to eight bits on the way in) and saving it back.
//
// A page file is checked completely before any of it reaches the PageImage: a file that is not
// a 660 x 460 page of one or eight bits as the format has it (one plane, a colour table of two or
// 256 entries, the pixels after it), or that is shorter than its headers and pixels, is refused
// and the PageImage stays exactly as it was. Whatever colour table a page file holds, the page
// is shown, printed and saved in the crayons' own colours. A page is saved into a new file
// beside the old one, which replaces the old file only when every byte has been written and has
// reached the disk.
#include "page/page.h"

#include "app/tintwell.h"
#include "support/support.h"
#include "support/ids.h"

#include <cstring>

#define INFO_BLOCK_BYTES ((UINT)sizeof(MYBITMAPINFO))  // 40 + 1024
#define MONO_ROW_MAX 832

static_assert(sizeof(BITMAPFILEHEADER) == 14, "the file header is packed");
static_assert(sizeof(MYBITMAPINFO) == 1064, "info header and 256 colours");

BITMAPFILEHEADER bmfhead;
MYBITMAPINFO bmp;

// The pixels of a page being loaded, kept here until the whole file has been read.
static BYTE PageStaging[PAGE_PIXELS];

void FormatPathMsg(char* text, UINT id, LPCSTR path)
{
    char name[512];
    LPCSTR format = LoadMsg(id, 0);
    int room = PATH_MSG_BYTES - 1 - lstrlenA(format);
    int length = lstrlenA(path);
    if (length > room)
        length = room > 0 ? room : 0;
    std::memcpy(name, path, (size_t)length);
    name[length] = '\0';
    wsprintfA(text, format, name);
}

// 0 while TryLoadPage loads: a page that does not load is not told.
static int bTellFailure = 1;

static void ReportMissing(LPCSTR path)
{
    if (!bTellFailure)
        return;
    char text[PATH_MSG_BYTES];
    FormatPathMsg(text, IDS_PAGE_MISSING, path);
    MessageBoxA(hWndMain, text, LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_ICONWARNING);
}

static int RefusePage(HFILE hFile)
{
    if (bTellFailure)
        MessageBoxA(hWndMain, LoadMsg(IDS_NOT_A_PAGE, 0), LoadMsg(IDS_PROGRAM_CAPTION, 1), MB_OK);
    _lclose(hFile);
    return 0;
}

static int ReadExactly(HFILE hFile, void* buffer, UINT bytes)
{
    return _lread(hFile, buffer, bytes) == bytes;
}

void ExpandMonoRow(const BYTE* source, BYTE* destination, int count)
{
    static const BYTE masks[8] = {128, 64, 32, 16, 8, 4, 2, 1};
    for (int i = 0; i < count; i++)
        destination[i] = (source[i / 8] & masks[i % 8]) ? PAPER_INDEX : 0;
}

int LoadPage(LPCSTR path)
{
    HFILE hFile = _lopen(path, OF_READ | OF_SHARE_DENY_WRITE);
    if (hFile == HFILE_ERROR) {
        ReportMissing(path);
        return 0;
    }
    if (!lpDib) {
        _lclose(hFile);
        return 0;
    }

    LONG fileSize = _llseek(hFile, 0, FILE_END);
    if (fileSize < 0 || _llseek(hFile, 0, FILE_BEGIN) != 0)
        return RefusePage(hFile);

    BITMAPFILEHEADER fileHeader;
    MYBITMAPINFO info;
    if (!ReadExactly(hFile, &fileHeader, sizeof fileHeader) || fileHeader.bfType != PAGE_MAGIC)
        return RefusePage(hFile);
    if (!ReadExactly(hFile, &info, INFO_BLOCK_BYTES))
        return RefusePage(hFile);

    BITMAPINFOHEADER& header = info.bmiHeader;
    if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biWidth != PAGE_WIDTH || header.biHeight != PAGE_HEIGHT ||
        header.biPlanes != 1 || header.biCompression != BI_RGB)
        return RefusePage(hFile);
    // The colour table: all the colours of the bit count (counted as 0 or in full), after the
    // headers and before the pixels.
    const DWORD fullTable = header.biBitCount == 1 ? 2 : 256;
    if (header.biClrUsed != 0 && header.biClrUsed != fullTable)
        return RefusePage(hFile);
    if (fileHeader.bfOffBits < sizeof fileHeader + header.biSize + fullTable * sizeof(RGBQUAD))
        return RefusePage(hFile);

    // Row length of a one-bit page: the width rounded up to whole 32-bit words.
    const UINT monoRowBytes = (UINT)((header.biWidth + 31) / 32 * 4);
    DWORD dataBytes;
    if (header.biBitCount == 1) {
        dataBytes = monoRowBytes * (DWORD)header.biHeight;
    } else if (header.biBitCount == 8) {
        if (header.biSizeImage != 0 && header.biSizeImage != PAGE_PIXELS)
            return RefusePage(hFile);
        dataBytes = PAGE_PIXELS;
    } else {
        return RefusePage(hFile);
    }
    if (fileHeader.bfOffBits > (DWORD)fileSize || dataBytes > (DWORD)fileSize - fileHeader.bfOffBits)
        return RefusePage(hFile);
    if (_llseek(hFile, (LONG)fileHeader.bfOffBits, FILE_BEGIN) != (LONG)fileHeader.bfOffBits)
        return RefusePage(hFile);

    if (header.biBitCount == 1) {
        BYTE row[MONO_ROW_MAX];
        for (int r = 0; r < header.biHeight; r++) {
            if (!ReadExactly(hFile, row, monoRowBytes))
                return RefusePage(hFile);
            ExpandMonoRow(row, PageStaging + r * header.biWidth, header.biWidth);
        }
        header.biBitCount = 8;
    } else {
        if (_hread(hFile, PageStaging, PAGE_PIXELS) != PAGE_PIXELS)
            return RefusePage(hFile);
    }
    _lclose(hFile);

    // The crayons' colours, not the file's: a page's own table could show a colouring in other
    // colours than the crayons it was made with, or not at all.
    const PALETTEENTRY* entries = LogPalette->palPalEntry;
    for (int k = 0; k < 256; k++) {
        info.bmiColors[k].rgbBlue = entries[k].peBlue;
        info.bmiColors[k].rgbGreen = entries[k].peGreen;
        info.bmiColors[k].rgbRed = entries[k].peRed;
    }
    header.biClrUsed = 0;

    // In memory a page is always the eight-bit page that SavePage writes: pixels straight after
    // the colour table.
    header.biSizeImage = PAGE_PIXELS;
    fileHeader.bfOffBits = header.biSize + 1038;
    fileHeader.bfSize = header.biSizeImage + fileHeader.bfOffBits;

    bmfhead = fileHeader;
    bmp = info;
    std::memcpy(lpDib, PageStaging, PAGE_PIXELS);
    return 1;
}

int TryLoadPage(LPCSTR path)
{
    bTellFailure = 0;
    const int loaded = LoadPage(path);
    bTellFailure = 1;
    return loaded;
}

int SavePage(LPCSTR path)
{
    const BITMAPINFOHEADER& header = bmp.bmiHeader;
    if (!lpDib || header.biWidth != PAGE_WIDTH || header.biHeight != PAGE_HEIGHT)
        return 0;

    char newPath[MAX_PATH + 8];
    if (lstrlenA(path) > MAX_PATH)
        return 0;
    wsprintfA(newPath, "%s.new", path);

    // Whatever has the new file's name already goes first (the half-written file of a crash, or a
    // link to a file elsewhere that writing through would overwrite): the page is written into a
    // file of its own.
    DeleteFileA(newPath);
    HFILE hFile = _lcreat(newPath, 0);
    if (hFile == HFILE_ERROR)
        return 0;
    const LONG pixelBytes = PAGE_PIXELS;
    int bWritten = _lwrite(hFile, (LPCSTR)&bmfhead, sizeof bmfhead) == sizeof bmfhead &&
                   _lwrite(hFile, (LPCSTR)&bmp, INFO_BLOCK_BYTES) == INFO_BLOCK_BYTES &&
                   _hwrite(hFile, (LPCSTR)lpDib, pixelBytes) == pixelBytes;
    if (_lclose(hFile) == HFILE_ERROR)
        bWritten = 0;
    // Write-through: the new file is on the disk before it replaces the old one, and the
    // replacement is on the disk before the save counts as done.
    if (!bWritten || !MoveFileExA(newPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(newPath);
        return 0;
    }
    return 1;
}
