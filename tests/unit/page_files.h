// Page files made up for tests: one-bit pages like the shipped ones and eight-bit pages with
// colour tables of their own, built byte by byte, and small file helpers.
#pragma once

#include "support/ids.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace tintwell_test {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr int kWidth = PAGE_WIDTH;
constexpr int kHeight = PAGE_HEIGHT;
constexpr int kPixels = kWidth * kHeight;
constexpr int kMonoRow = 84;
constexpr size_t kEightBitFileSize = 304678;

inline void Put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = uint8_t(v >> (8 * i));
}
inline uint32_t Get32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Offsets of the header fields in a page file.
enum : size_t {
    kBfType = 0, kBfSize = 2, kBfReserved1 = 6, kBfReserved2 = 8, kBfOffBits = 10,
    kBiSize = 14, kBiWidth = 18, kBiHeight = 22, kBiPlanes = 26, kBiBitCount = 28, kBiCompression = 30,
    kBiSizeImage = 34, kBiClrUsed = 46, kColourTable = 54,
};

inline Bytes Headers(uint16_t bitCount, uint32_t offBits, uint32_t sizeImage, uint32_t fileSize, uint16_t blank)
{
    Bytes b(54, 0);
    b[0] = 'T';
    b[1] = 'W';
    Put32(b, kBfSize, fileSize);
    Put16(b, kBfReserved1, blank);
    Put16(b, kBfReserved2, 0x1234);
    Put32(b, kBfOffBits, offBits);
    Put32(b, kBiSize, 40);
    Put32(b, kBiWidth, kWidth);
    Put32(b, kBiHeight, kHeight);
    Put16(b, kBiPlanes, 1);
    Put16(b, kBiBitCount, bitCount);
    Put32(b, kBiSizeImage, sizeImage);
    Put32(b, 38, 2835);
    Put32(b, 42, 2835);
    return b;
}

// Paper (a set bit) or outline at page point (x, y) of the made-up line art: a grid of
// outlines every 37 columns and 23 rows, and a diagonal.
inline bool MonoPaper(int x, int y)
{
    return x % 37 != 0 && y % 23 != 0 && x != y;
}

// A one-bit page like the shipped ones. The padding bits of every row are set, to show that
// they are not taken for pixels.
inline Bytes MonoPage(uint16_t blank = 1, const std::function<bool(int, int)>& paper = MonoPaper)
{
    Bytes b = Headers(1, 62, kMonoRow * kHeight, 62 + kMonoRow * kHeight, blank);
    const uint8_t table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    b.insert(b.end(), table, table + 8);
    for (int r = 0; r < kHeight; r++) {  // bottom row first
        const int y = kHeight - 1 - r;
        Bytes row(kMonoRow, 0xFF);
        for (int x = 0; x < kWidth; x++)
            if (!paper(x, y))
                row[x / 8] &= uint8_t(~(0x80 >> (x % 8)));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

inline uint8_t EightPixel(int x, int y)
{
    return uint8_t((x * 7 + y * 3) % 38);
}

// An eight-bit page with a colour table of its own (entry k: blue k, green 255 - k, red k / 2).
inline Bytes EightPage(uint16_t blank = 0)
{
    Bytes b = Headers(8, 1078, kPixels, uint32_t(kEightBitFileSize), blank);
    for (int k = 0; k < 256; k++) {
        const uint8_t q[4] = {uint8_t(k), uint8_t(255 - k), uint8_t(k / 2), 0};
        b.insert(b.end(), q, q + 4);
    }
    for (int r = 0; r < kHeight; r++)
        for (int x = 0; x < kWidth; x++)
            b.push_back(EightPixel(x, kHeight - 1 - r));
    return b;
}

inline void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tintwell_test
