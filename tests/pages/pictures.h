// Pictures drawn for the tests of tintwell-pages: a scanned line drawing (gaps in its lines,
// paper grain, specks and a grey shadow) and a photo-like picture (soft shapes on gradients),
// each from a fixed seed so that every run sees the same pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace tintwell_test {

// Numbers from a fixed seed.
class Dice {
public:
    explicit Dice(uint32_t seed) : s_(seed) {}
    uint32_t Next()
    {
        s_ = s_ * 1664525u + 1013904223u;
        return s_ >> 8;
    }
    int Below(int n) { return int(Next() % uint32_t(n)); }

private:
    uint32_t s_;
};

class Picture {
public:
    Picture(int width, int height, uint8_t r, uint8_t g, uint8_t b) : w_(width), h_(height), px_(size_t(width) * height * 3)
    {
        for (size_t i = 0; i < px_.size(); i += 3) {
            px_[i] = r;
            px_[i + 1] = g;
            px_[i + 2] = b;
        }
    }

    int Width() const { return w_; }
    int Height() const { return h_; }

    // Each pixel's colour from a function of (x, y, old colour).
    template <class F>
    void Paint(F f)
    {
        for (int y = 0; y < h_; y++)
            for (int x = 0; x < w_; x++)
                f(x, y, &px_[(size_t(y) * w_ + x) * 3]);
    }
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        if (x < 0 || y < 0 || x >= w_ || y >= h_)
            return;
        uint8_t* p = &px_[(size_t(y) * w_ + x) * 3];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
    // An ink stroke `width` wide round an ellipse, left open where the angle (degrees, from the
    // right, clockwise on screen) lies within gap of gapAt.
    void Ring(double cx, double cy, double rx, double ry, double width, double gapAt = 0, double gap = 0)
    {
        Paint([&](int x, int y, uint8_t* p) {
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double along = std::min(rx, ry) * std::abs(r - 1.0);
            if (along > width / 2)
                return;
            double angle = std::atan2(y - cy, x - cx) * 180.0 / M_PI;
            double off = std::fmod(std::abs(angle - gapAt) + 360.0, 360.0);
            off = std::min(off, 360.0 - off);
            if (gap > 0 && off * M_PI / 180.0 * std::min(rx, ry) < gap / 2)
                return;
            p[0] = p[1] = p[2] = 30;
        });
    }
    void Box(int x0, int y0, int x1, int y1, int width)
    {
        Paint([&](int x, int y, uint8_t* p) {
            const bool in = x >= x0 && x <= x1 && y >= y0 && y <= y1;
            const bool inner = x >= x0 + width && x <= x1 - width && y >= y0 + width && y <= y1 - width;
            if (in && !inner)
                p[0] = p[1] = p[2] = 30;
        });
    }
    // A disc of crayon colour: the colour laid on in strokes that leave the paper's grain showing.
    void Crayon(double cx, double cy, double r, uint8_t R, uint8_t G, uint8_t B, uint32_t seed)
    {
        Dice dice(seed);
        Paint([&](int x, int y, uint8_t* p) {
            const bool grain = dice.Below(4) == 0 || (x + 2 * y) % 13 < 2;
            if (std::hypot(x - cx, y - cy) <= r && !grain) {
                p[0] = R;
                p[1] = G;
                p[2] = B;
            }
        });
    }

    // How it is stored: as drawn (RGB, 8 bits a channel), grey, 16 bits a channel, or with its
    // paper (whatever is lighter than mid-grey) transparent and black under the transparency, as
    // clip art often is, in colour or in grey.
    enum class Form { Rgb, Grey, Deep, Clear, GreyClear };

    // Saved in the format its name says (by libvips), softened by a blur of `blur` pixels and
    // with an orientation tag when one is given.
    void Save(const std::string& path, double blur = 0, int orientation = 0, Form form = Form::Rgb) const;

private:
    int w_, h_;
    std::vector<uint8_t> px_;
};

// Where the shapes of the drawing are, in page points of the page made from it: the drawing
// (1650 x 1150) is cut to what is drawn on it and fitted to the page at about 0.4 to 0.45, and
// each point lies inside its shape at any scale in between.
struct DrawnShape {
    const char* name;
    int x, y;  // a page point inside it
};
inline const std::vector<DrawnShape>& DrawingShapes()
{
    static const std::vector<DrawnShape> shapes = {
        {"circle with a gap", 185, 185},
        {"oval with a gap", 476, 165},
        {"box", 265, 388},
    };
    return shapes;
}

// A pencil drawing on paper as a scanner sees it: lines 6 pixels wide with gaps of 8 (3 on the
// page), grain, dark specks, and a shadow darkening the right-hand half.
inline Picture ScannedDrawing()
{
    Picture p(1650, 1150, 242, 240, 236);
    p.Ring(500, 500, 300, 300, 6, 45, 8);
    p.Ring(1200, 450, 350, 220, 6, 200, 8);
    p.Box(450, 860, 950, 1100, 6);
    Dice dice(7);
    p.Paint([&](int x, int, uint8_t* c) {
        const int grain = dice.Below(17) - 8;
        // A soft shadow, down to 60 per cent at the right edge.
        const double shade = x < 800 ? 1.0 : 1.0 - 0.4 * (x - 800) / 850.0;
        for (int k = 0; k < 3; k++)
            c[k] = uint8_t(std::clamp(int(c[k] * shade) + grain, 0, 255));
    });
    for (int i = 0; i < 600; i++) {
        const int x = dice.Below(p.Width()), y = dice.Below(p.Height());
        for (int k = 0; k < 4; k++)
            p.Set(x + k % 2, y + k / 2, 60, 60, 60);
    }
    return p;
}

// A photo-like picture: a sky and a ground of smooth gradients, a sun, a ball with shading, a
// bush and a house; 2400 x 1600 times `scale`, with a camera's grain of up to +-`grain` levels.
inline Picture PhotoLike(double scale = 1, int grain = 0)
{
    Picture p(int(2400 * scale), int(1600 * scale), 0, 0, 0);
    Dice dice(11);
    p.Paint([&](int px, int py, uint8_t* c) {
        const double x = px / scale, y = py / scale;
        const double t = y / 1600.0;
        if (y < 1000) {
            c[0] = uint8_t(90 + 100 * t);
            c[1] = uint8_t(150 + 60 * t);
            c[2] = uint8_t(235 - 20 * t);
        } else {
            c[0] = uint8_t(60 + 20 * std::sin(x / 300.0));
            c[1] = uint8_t(140 - 50 * (t - 0.6));
            c[2] = uint8_t(50);
        }
        auto disc = [&](double cx, double cy, double r, int R, int G, int B, bool shaded) {
            const double d = std::hypot(x - cx, y - cy);
            if (d > r)
                return;
            const double light = shaded ? 1.0 - 0.5 * std::hypot(x - cx + r / 3, y - cy + r / 3) / (2 * r) : 1.0;
            c[0] = uint8_t(R * light);
            c[1] = uint8_t(G * light);
            c[2] = uint8_t(B * light);
        };
        disc(1950, 300, 170, 255, 220, 60, false);   // sun
        disc(700, 1200, 220, 220, 40, 40, true);     // ball
        disc(1300, 950, 260, 30, 100, 40, false);    // bush
        if (x > 1500 && x < 2100 && y > 600 && y < 1100) {  // house
            c[0] = 200;
            c[1] = 180;
            c[2] = 150;
            if (x > 1700 && x < 1850 && y > 850) {  // door
                c[0] = 110;
                c[1] = 60;
                c[2] = 30;
            }
        }
        if (grain)
            for (int k = 0; k < 3; k++)
                c[k] = uint8_t(std::clamp(c[k] + dice.Below(2 * grain + 1) - grain, 0, 255));
    });
    return p;
}

// When TW_SHOTS names a folder: the picture (fitted to the page) and the page made from it, side
// by side, as TW_SHOTS/name, for a person to look at.
void ShowBeforeAndAfter(const std::string& picture, const std::vector<uint8_t>& pagePng, const std::string& name);

}  // namespace tintwell_test
