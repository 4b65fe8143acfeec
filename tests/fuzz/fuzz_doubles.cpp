// Stand-ins for the few calls the page loader makes outside its own file: the simple file calls
// over an in-memory folder, message boxes that only count, the page strings, and the PageImage's
// pixel buffer and palette.
#include "fuzz_doubles.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "page/page.h"

namespace fuzz {

std::map<std::string, std::vector<unsigned char>>& Files()
{
    static std::map<std::string, std::vector<unsigned char>> files;
    return files;
}

int& BoxCount()
{
    static int count = 0;
    return count;
}

namespace {

struct OpenFile {
    std::string name;
    size_t pos = 0;
    bool open = false;
};

OpenFile handles[8];

HFILE OpenHandle(const std::string& name)
{
    for (int i = 0; i < 8; i++) {
        if (!handles[i].open) {
            handles[i] = {name, 0, true};
            return i + 1;
        }
    }
    return HFILE_ERROR;
}

OpenFile* Lookup(HFILE h)
{
    if (h < 1 || h > 8 || !handles[h - 1].open)
        return nullptr;
    OpenFile* f = &handles[h - 1];
    if (!Files().count(f->name))
        return nullptr;
    return f;
}

long Read(HFILE h, void* buffer, long bytes)
{
    OpenFile* f = Lookup(h);
    if (!f || bytes < 0)
        return -1;
    std::vector<unsigned char>& data = Files()[f->name];
    size_t n = f->pos < data.size() ? data.size() - f->pos : 0;
    if ((size_t)bytes < n)
        n = (size_t)bytes;
    if (n)
        std::memcpy(buffer, data.data() + f->pos, n);
    f->pos += n;
    return (long)n;
}

long Write(HFILE h, const void* buffer, long bytes)
{
    OpenFile* f = Lookup(h);
    if (!f || bytes < 0)
        return -1;
    std::vector<unsigned char>& data = Files()[f->name];
    if (data.size() < f->pos + (size_t)bytes)
        data.resize(f->pos + (size_t)bytes);
    if (bytes)
        std::memcpy(data.data() + f->pos, buffer, (size_t)bytes);
    f->pos += (size_t)bytes;
    return bytes;
}

unsigned char pixels[660 * 460];

struct {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
} palette = {0x300, 256, {}};

char slots[2][512];

}  // namespace

void Reset()
{
    for (OpenFile& f : handles)
        f = OpenFile{};
    Files().clear();
    BoxCount() = 0;
    for (int k = 0; k < 256; k++)
        palette.palPalEntry[k] = {(BYTE)k, (BYTE)(255 - k), (BYTE)(k * 7), 0};
}

int OpenHandles()
{
    int n = 0;
    for (const OpenFile& f : handles)
        n += f.open;
    return n;
}

}  // namespace fuzz

BYTE* lpDib = fuzz::pixels;
LOGPALETTE* const LogPalette = (LOGPALETTE*)&fuzz::palette;
HWND hWndMain = nullptr;

HFILE WINAPI _lopen(LPCSTR lpPathName, int)
{
    if (!fuzz::Files().count(lpPathName))
        return HFILE_ERROR;
    return fuzz::OpenHandle(lpPathName);
}

HFILE WINAPI _lcreat(LPCSTR lpPathName, int)
{
    fuzz::Files()[lpPathName].clear();
    return fuzz::OpenHandle(lpPathName);
}

UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes)
{
    return (UINT)fuzz::Read(hFile, lpBuffer, (long)uBytes);
}

LONG WINAPI _hread(HFILE hFile, LPVOID lpBuffer, LONG lBytes)
{
    return (LONG)fuzz::Read(hFile, lpBuffer, lBytes);
}

UINT WINAPI _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes)
{
    return (UINT)fuzz::Write(hFile, lpBuffer, (long)uBytes);
}

LONG WINAPI _hwrite(HFILE hFile, LPCSTR lpBuffer, LONG lBytes)
{
    return (LONG)fuzz::Write(hFile, lpBuffer, lBytes);
}

LONG WINAPI _llseek(HFILE hFile, LONG lOffset, int iOrigin)
{
    fuzz::OpenFile* f = fuzz::Lookup(hFile);
    if (!f)
        return HFILE_ERROR;
    long base = iOrigin == FILE_BEGIN ? 0 : iOrigin == FILE_CURRENT ? (long)f->pos : (long)fuzz::Files()[f->name].size();
    long pos = base + lOffset;
    if (pos < 0)
        return HFILE_ERROR;
    f->pos = (size_t)pos;
    return (LONG)pos;
}

HFILE WINAPI _lclose(HFILE hFile)
{
    if (hFile < 1 || hFile > 8 || !fuzz::handles[hFile - 1].open)
        return HFILE_ERROR;
    fuzz::handles[hFile - 1].open = false;
    return 0;
}

BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD)
{
    auto it = fuzz::Files().find(from);
    if (it == fuzz::Files().end())
        return FALSE;
    std::vector<unsigned char> data = std::move(it->second);
    fuzz::Files().erase(it);
    fuzz::Files()[to] = std::move(data);
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR name)
{
    return fuzz::Files().erase(name) ? TRUE : FALSE;
}

int WINAPI MessageBoxA(HWND, LPCSTR, LPCSTR, UINT)
{
    ++fuzz::BoxCount();
    return IDOK;
}

LPSTR LoadMsg(UINT id, int slot)
{
    const char* text = id == 5 ? "Tintwell" : id == 7 ? "This is not a tintwell page." : id == 8 ? "The file %s is missing." : "";
    char* buffer = fuzz::slots[slot ? 1 : 0];
    std::snprintf(buffer, sizeof fuzz::slots[0], "%s", text);
    return buffer;
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...)
{
    va_list args;
    va_start(args, lpFmt);
    int n = std::vsnprintf(lpOut, 1024, lpFmt, args);
    va_end(args);
    return n;
}

int WINAPI lstrlenA(LPCSTR s)
{
    return s ? (int)std::strlen(s) : 0;
}
