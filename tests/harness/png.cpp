// PNG encoder: chunks with CRC-32, a zlib stream with Adler-32, one fixed-Huffman deflate block.
// Matches are looked for only one pixel back and one row up, which is where a screen repeats.
#include "harness/png.h"

#include <array>
#include <fstream>

namespace tw::test {

namespace {

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    // Plain values go least significant bit first.
    void Bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
    }
    // Huffman codes go most significant bit first.
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    void Flush() {
        if (used_) out_.push_back(acc_);
        acc_ = 0;
        used_ = 0;
    }

private:
    void Bit(uint32_t b) {
        acc_ |= static_cast<uint8_t>(b << used_);
        if (++used_ == 8) Flush();
    }
    std::vector<uint8_t>& out_;
    uint8_t acc_ = 0;
    int used_ = 0;
};

constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Symbol(BitWriter& w, int sym) {
    if (sym < 144) w.Code(0x30 + sym, 8);
    else if (sym < 256) w.Code(0x190 + (sym - 144), 9);
    else if (sym < 280) w.Code(sym - 256, 7);
    else w.Code(0xC0 + (sym - 280), 8);
}

void Match(BitWriter& w, int length, int distance) {
    int lc = 28;
    while (kLengthBase[lc] > length) --lc;
    Symbol(w, 257 + lc);
    w.Bits(static_cast<uint32_t>(length - kLengthBase[lc]), kLengthExtra[lc]);
    int dc = 29;
    while (kDistBase[dc] > distance) --dc;
    w.Code(static_cast<uint32_t>(dc), 5);
    w.Bits(static_cast<uint32_t>(distance - kDistBase[dc]), kDistExtra[dc]);
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw, size_t rowBytes) {
    std::vector<uint8_t> out = {0x78, 0x01};
    BitWriter w(out);
    w.Bits(1, 1);  // final block
    w.Bits(1, 2);  // fixed Huffman codes
    const size_t distances[2] = {3, rowBytes};
    size_t i = 0;
    while (i < raw.size()) {
        size_t bestLen = 0, bestDist = 0;
        for (size_t d : distances) {
            if (d > i || d > 32768) continue;
            size_t len = 0;
            size_t max = std::min<size_t>(258, raw.size() - i);
            while (len < max && raw[i + len] == raw[i + len - d]) ++len;
            if (len > bestLen) {
                bestLen = len;
                bestDist = d;
            }
        }
        if (bestLen >= 3) {
            Match(w, static_cast<int>(bestLen), static_cast<int>(bestDist));
            i += bestLen;
        } else {
            Symbol(w, raw[i]);
            ++i;
        }
    }
    Symbol(w, 256);
    w.Flush();
    uint32_t adler = Adler32(raw);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(adler >> shift));
    return out;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodePng(const Surface& surface) {
    const int width = surface.Width(), height = surface.Height();
    const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        const uint32_t* row = surface.Row(y);
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<uint8_t>(row[x] >> 16));
            raw.push_back(static_cast<uint8_t>(row[x] >> 8));
            raw.push_back(static_cast<uint8_t>(row[x]));
        }
    }

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter variants, no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", Deflate(raw, rowBytes));
    Chunk(png, "IEND", {});
    return png;
}

bool WritePng(const std::filesystem::path& path, const Surface& surface) {
    if (surface.Width() <= 0 || surface.Height() <= 0) return false;
    std::vector<uint8_t> png = EncodePng(surface);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file.flush());
}

}  // namespace tw::test
