// Little-endian readers for the file formats the layer parses (DIBs, cursors, RIFF WAVE), and
// the packing of stored colour bytes into 0x00RRGGBB pixels. Callers check the bounds.
#pragma once

#include <cstdint>

namespace tw {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint32_t PixelFromRgb(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}
// A colour stored blue, green, red (RGBQUAD, RGBTRIPLE, 24- and 32-bit DIB pixels).
inline uint32_t PixelFromBgr(const uint8_t* p) { return PixelFromRgb(p[2], p[1], p[0]); }

}  // namespace tw
