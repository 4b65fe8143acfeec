// A 32-bit XRGB pixel buffer: the screen framebuffer, and the pixels of every bitmap a DC
// draws into. Pixels are 0x00RRGGBB, rows top-down.
#pragma once

#include <cstdint>
#include <vector>

namespace tw {

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, uint32_t fill = 0) { Resize(width, height, fill); }

    void Resize(int width, int height, uint32_t fill = 0) {
        width_ = width;
        height_ = height;
        pixels_.assign(static_cast<size_t>(width) * height, fill);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    uint32_t At(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, uint32_t v) { Row(y)[x] = v; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    uint32_t* Data() { return pixels_.data(); }
    const uint32_t* Data() const { return pixels_.data(); }

    // Bumped by every change, so a presenter can tell whether anything changed.
    uint64_t Version() const { return version_; }
    void Touch() { ++version_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
    uint64_t version_ = 0;
};

// COLORREF (0x00BBGGRR) <-> pixel (0x00RRGGBB)
inline uint32_t PixelFromColorref(uint32_t c) {
    return ((c & 0xff) << 16) | (c & 0xff00) | ((c >> 16) & 0xff);
}
inline uint32_t ColorrefFromPixel(uint32_t p) {
    return ((p & 0xff) << 16) | (p & 0xff00) | ((p >> 16) & 0xff);
}

}  // namespace tw
