// From a picture to a page. libvips reads the picture (every format it knows, shrunk as it is
// read, turned upright by its orientation tag); OpenCV does the rest on a copy about twice the
// page's size: finds a photographed sheet of paper and straightens it, decides what kind of
// picture it is, and draws the page's outlines. A photo's outlines are the borders of regions of
// like colour, closed because every pixel belongs to one region; a drawing's are its ink, with
// crayon colouring turned back into paper inside an outline of its own.
#include "pagemaker/pagemaker.h"

#include "host/posix/files.h"

#include <opencv2/imgproc.hpp>
#include <vips/vips8>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numeric>
#include <queue>
#include <unordered_map>

namespace tw::pages {

using vips::VError;
using vips::VImage;

namespace {

// The copy the work is done on fits a page of twice the page's width and height: a thin line
// drawn on the picture is still there at that size.
constexpr int kWorkWidth = 2 * kPageWidth, kWorkHeight = 2 * kPageHeight;

cv::Mat Ellipse(int size)
{
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(size, size));
}

double Share(const cv::Mat& mask)
{
    return cv::countNonZero(mask) / double(mask.total());
}

// How much a picture of w x h pixels is shrunk to work on, as it will lie on the page: upright, or
// turned a quarter when that may be done and fills more of it.
double WorkScale(double w, double h, bool mayTurn)
{
    const double upright = std::min(kWorkWidth / w, kWorkHeight / h);
    return std::min(1.0, mayTurn ? std::max(upright, std::min(kWorkWidth / h, kWorkHeight / w)) : upright);
}

// The picture as 8-bit RGB, upright by its orientation tag, shrunk to work on.
cv::Mat Load(const std::string& path, bool mayTurn)
{
    // Opened first as a regular file, so that a FIFO or a device named as the picture is refused
    // instead of waited on.
    const tw::posix::Fd file(tw::posix::OpenFile(AT_FDCWD, path.c_str(), O_RDONLY));
    if (!file.Valid())
        throw Failure(errno == EINVAL ? path + " is not a picture file"
                                      : path + " cannot be opened: " + std::strerror(errno));
    VImage head;
    try {
        head = VImage::new_from_file(path.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    } catch (const VError&) {
        throw Failure(path + " is not a picture that can be read");
    }
    const long long w = head.width(), h = head.height();
    if (w * h > kMaxPicturePixels)
        throw Failure(path + " is too large: " + std::to_string(w) + " x " + std::to_string(h) +
                      " pixels, more than 100 megapixels");
    // Tags 5 to 8 stand the picture on its side.
    const bool across = head.get_typeof(VIPS_META_ORIENTATION) != 0 && head.get_int(VIPS_META_ORIENTATION) >= 5;
    const double scale = across ? WorkScale(double(h), double(w), mayTurn) : WorkScale(double(w), double(h), mayTurn);
    // Decoded here, once: a damaged file fails now, before anything is written. A JPEG is shrunk
    // as it is decoded (by its own means, which average); the rest of the way, and any other
    // picture, is shrunk by averaging too, so that a thin line becomes a fainter one, not a gap.
    const auto options =
        VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL)->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    const char* loader = vips_foreign_find_load(path.c_str());
    int shrink = 1;
    if (loader && std::strcmp(loader, "VipsForeignLoadJpegFile") == 0) {
        while (shrink < 8 && scale * shrink * 2 <= 1)
            shrink *= 2;
        options->set("shrink", shrink);
    }
    VImage pic = VImage::new_from_file(path.c_str(), options);
    if (pic.has_alpha())
        pic = pic.flatten(VImage::option()->set(
            "background", std::vector<double>{pic.format() == VIPS_FORMAT_USHORT ? 65535.0 : 255.0}));
    if (scale * shrink < 1)
        pic = pic.resize(scale * shrink, VImage::option()->set("gap", 0.0));
    // Turned once it is small, in memory.
    pic = pic.copy_memory().autorot();
    if (pic.bands() < 3 && pic.format() == VIPS_FORMAT_UCHAR)
        pic = pic.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    if (pic.interpretation() != VIPS_INTERPRETATION_sRGB)
        pic = pic.colourspace(VIPS_INTERPRETATION_sRGB);
    pic = pic.extract_band(0, VImage::option()->set("n", 3)).cast(VIPS_FORMAT_UCHAR);
    size_t size = 0;
    void* data = pic.write_to_memory(&size);
    cv::Mat rgb = cv::Mat(pic.height(), pic.width(), CV_8UC3, data).clone();
    g_free(data);
    return rgb;
}

// CIE Lab (D65) of 8-bit sRGB, in floats: L 0 to 100, a and b about -100 to 100. Worked out here
// with tables, because OpenCV's conversion spends longer building its own tables than a picture
// takes to convert.
class Lab {
public:
    static const Lab& Tables()
    {
        static const Lab tables;
        return tables;
    }
    cv::Vec3f operator()(const cv::Vec3b& rgb) const
    {
        const float r = linear_[rgb[0]], g = linear_[rgb[1]], b = linear_[rgb[2]];
        const float fx = F((0.4124f * r + 0.3576f * g + 0.1805f * b) / 0.9505f);
        const float fy = F(0.2126f * r + 0.7152f * g + 0.0722f * b);
        const float fz = F((0.0193f * r + 0.1192f * g + 0.9505f * b) / 1.089f);
        return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
    }

private:
    static constexpr int kSteps = 4096;
    Lab()
    {
        for (int i = 0; i < 256; i++) {
            const double c = i / 255.0;
            linear_[i] = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        for (int i = 0; i <= kSteps + 1; i++) {
            const double t = double(i) / kSteps;
            cube_[i] = float(t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116);
        }
    }
    // Lab's f(t) for t from 0 to 1 (the cube root, or the straight line that stands for it near
    // 0), interpolated in the table.
    float F(float t) const
    {
        const float at = std::clamp(t, 0.0f, 1.0f) * kSteps;
        const int i = int(at);
        return cube_[i] + (cube_[i + 1] - cube_[i]) * (at - float(i));
    }
    float linear_[256];
    float cube_[kSteps + 2];
};

cv::Mat LabOf(const cv::Mat& rgb)
{
    cv::Mat lab(rgb.size(), CV_32FC3);
    const Lab& convert = Lab::Tables();
    rgb.forEach<cv::Vec3b>([&](const cv::Vec3b& p, const int* at) { lab.at<cv::Vec3f>(at[0], at[1]) = convert(p); });
    return lab;
}

// --- What the picture shows, measured ---

// The picture in the terms both kinds of page are made from: lightness against the paper round
// it (1 = as light as the paper, so uneven light and grey paper do not matter) and how colourful
// each pixel is.
struct Looks {
    cv::Mat lightness;  // float: Lab lightness, 0..100
    cv::Mat light;      // float: lightness over the local paper's, 0..1
    cv::Mat chroma;     // float: Lab chroma, 0..~130
};

Looks Look(const cv::Mat& rgb)
{
    Looks l;
    l.lightness.create(rgb.size(), CV_32F);
    l.chroma.create(rgb.size(), CV_32F);
    const Lab& convert = Lab::Tables();
    rgb.forEach<cv::Vec3b>([&](const cv::Vec3b& p, const int* at) {
        const cv::Vec3f lab = convert(p);
        l.lightness.at<float>(at[0], at[1]) = lab[0];
        l.chroma.at<float>(at[0], at[1]) = std::hypot(lab[1], lab[2]);
    });
    // The paper: the lightest nearby, over a reach wider than any stroke, smoothed, and never
    // less than half the lightest paper anywhere (in the middle of a black patch wider than the
    // reach there is no paper nearby; no shadow is that dark). Worked out at a quarter of the
    // size, which is plenty for light that changes slowly.
    cv::Mat small, paper;
    cv::resize(l.lightness, small, cv::Size(std::max(1, rgb.cols / 4), std::max(1, rgb.rows / 4)), 0, 0,
               cv::INTER_AREA);
    const int reach = std::max(5, std::max(small.cols, small.rows) / 25) | 1;
    cv::dilate(small, paper, Ellipse(reach));
    cv::blur(paper, paper, cv::Size(reach, reach));
    double lightest = 0;
    cv::minMaxLoc(paper, nullptr, &lightest);
    cv::resize(paper, paper, rgb.size(), 0, 0, cv::INTER_LINEAR);
    cv::divide(l.lightness, cv::max(paper, std::max(0.5 * lightest, 0.4)), l.light);
    cv::min(l.light, 1.0, l.light);
    return l;
}

// Ink: much darker than the paper round it, and not a colour (a dark blue pen is ink, a red
// crayon is not). `level` is the lightness below which a grey pixel is ink.
cv::Mat Ink(const Looks& l, double level)
{
    return ((l.light < level) & (l.chroma < 28)) | (l.light < level * 0.45);
}

// Paper: as light as the paper round it and without colour.
cv::Mat Paper(const Looks& l)
{
    return (l.light > 0.86) & (l.chroma < 14);
}

// A drawing is mostly paper, and what is not paper is ink or colour laid on it, not the smooth
// middle greys of a photo; a photo's light also does not sit at one level all over.
Kind Decide(const Looks& l)
{
    const cv::Mat paper = Paper(l), ink = Ink(l, 0.55);
    const cv::Mat colour = (l.chroma >= 14) & ~paper & ~ink;
    const double paperShare = Share(paper), inkShare = Share(ink), colourShare = Share(colour);
    const double middle = 1.0 - paperShare - inkShare - colourShare;
    // How much the paper's own lightness varies: little on paper, much in a photo's light areas.
    cv::Scalar mean, spread;
    cv::meanStdDev(l.lightness, mean, spread, paper);
    return paperShare > 0.45 && middle < 0.1 && spread[0] < 15.7 ? Kind::Drawing : Kind::Photo;
}

// --- A photographed sheet ---

// The corners of the largest bright quadrilateral that looks like a sheet of paper lying on
// something darker, in `rgb`'s pixels (top left, top right, bottom right, bottom left); none when
// the picture is not such a photo.
std::vector<cv::Point2f> FindSheet(const cv::Mat& rgb)
{
    const double scale = 480.0 / std::max(rgb.cols, rgb.rows);
    cv::Mat grey, bright;
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    cv::resize(grey, grey, cv::Size(), scale, scale, cv::INTER_AREA);
    cv::GaussianBlur(grey, grey, cv::Size(5, 5), 0);
    const double level = cv::threshold(grey, bright, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::morphologyEx(bright, bright, cv::MORPH_OPEN, Ellipse(5));
    std::vector<std::vector<cv::Point>> outlines;
    cv::findContours(bright, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    const double area = double(grey.total());
    std::vector<cv::Point> best;
    double bestArea = 0;
    for (const auto& outline : outlines) {
        const double a = cv::contourArea(outline);
        if (a < 0.12 * area || a > 0.92 * area || a <= bestArea)
            continue;
        std::vector<cv::Point> hull, quad;
        cv::convexHull(outline, hull);
        for (double e = 0.01; e <= 0.06 && quad.size() != 4; e += 0.01)
            cv::approxPolyDP(hull, quad, e * cv::arcLength(hull, true), true);
        // A quadrilateral that is the bright area's own shape, not a blob's rough box.
        if (quad.size() != 4 || cv::contourArea(quad) > a * 1.12)
            continue;
        best = quad;
        bestArea = a;
    }
    if (best.empty())
        return {};
    // Lying on something: most of its corners well inside the picture.
    const int margin = std::max(grey.cols, grey.rows) / 50;
    const auto inside_ = std::count_if(best.begin(), best.end(), [&](cv::Point p) {
        return p.x > margin && p.y > margin && p.x < grey.cols - margin && p.y < grey.rows - margin;
    });
    if (inside_ < 3)
        return {};
    // Paper: much lighter than what lies round it.
    cv::Mat inside = cv::Mat::zeros(grey.size(), CV_8U);
    cv::fillConvexPoly(inside, best, 255);
    const double in = cv::mean(grey, inside)[0], out = cv::mean(grey, ~inside)[0];
    if (in < level || in - out < 40)
        return {};
    // Corners in order: the smallest x + y is the top left, the smallest y - x the top right.
    std::vector<cv::Point2f> c(4);
    auto sum = [](cv::Point p) { return p.x + p.y; };
    auto diff = [](cv::Point p) { return p.y - p.x; };
    auto by = [&](auto key, bool least) {
        auto it = least ? std::min_element(best.begin(), best.end(), [&](auto a, auto b) { return key(a) < key(b); })
                        : std::max_element(best.begin(), best.end(), [&](auto a, auto b) { return key(a) < key(b); });
        return cv::Point2f(float(it->x / scale), float(it->y / scale));
    };
    c[0] = by(sum, true);
    c[1] = by(diff, true);
    c[2] = by(sum, false);
    c[3] = by(diff, false);
    return c;
}

// The sheet, straightened, as wide and high as its sides are long, without its edges.
cv::Mat Straighten(const cv::Mat& rgb, const std::vector<cv::Point2f>& c)
{
    auto length = [](cv::Point2f a, cv::Point2f b) { return std::hypot(a.x - b.x, a.y - b.y); };
    const float w = std::max(length(c[0], c[1]), length(c[3], c[2]));
    const float h = std::max(length(c[0], c[3]), length(c[1], c[2]));
    const float inset = 0.02f * std::min(w, h);
    const cv::Point2f to[4] = {{-inset, -inset}, {w - inset, -inset}, {w - inset, h - inset}, {-inset, h - inset}};
    cv::Mat sheet;
    cv::warpPerspective(rgb, sheet, cv::getPerspectiveTransform(c.data(), to),
                        cv::Size(int(w - 2 * inset), int(h - 2 * inset)), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    return sheet;
}

// --- Onto the page ---

// Where the picture goes on the page: as large as fits, in the middle, turned a quarter only
// when asked and when that fills more of the page. A margin too narrow to colour is not left:
// the picture is stretched the few pixels over it instead.
struct Place {
    cv::Rect at;
    bool turned = false;
};

constexpr int kLeastMargin = 12;

Place PlaceOnPage(cv::Size size, bool mayTurn)
{
    const double straight = std::min(double(kPageWidth) / size.width, double(kPageHeight) / size.height);
    const double across = std::min(double(kPageWidth) / size.height, double(kPageHeight) / size.width);
    Place p;
    p.turned = mayTurn && across > straight * 1.0001;
    const double s = p.turned ? across : straight;
    const cv::Size on = p.turned ? cv::Size(size.height, size.width) : size;
    int w = std::clamp(int(std::lround(on.width * s)), 1, kPageWidth);
    int h = std::clamp(int(std::lround(on.height * s)), 1, kPageHeight);
    if (kPageWidth - w < 2 * kLeastMargin)
        w = kPageWidth;
    if (kPageHeight - h < 2 * kLeastMargin)
        h = kPageHeight;
    p.at = cv::Rect((kPageWidth - w) / 2, (kPageHeight - h) / 2, w, h);
    return p;
}

cv::Mat OntoPage(const cv::Mat& m, const Place& p, int interpolation)
{
    cv::Mat turned = m, fitted;
    if (p.turned)
        cv::rotate(m, turned, cv::ROTATE_90_CLOCKWISE);
    cv::resize(turned, fitted, p.at.size(), 0, 0, interpolation);
    return fitted;
}

// A mask (0/255) fitted onto its place: a pixel is set when a good part of what it covers is.
cv::Mat MaskOntoPage(const cv::Mat& mask, const Place& p)
{
    return OntoPage(mask, p, cv::INTER_AREA) > 80;
}

// --- A drawing's outlines ---

struct DrawingTuning {
    double ink;      // lightness below which grey is ink
    int speck;       // ink pieces smaller than this (page pixels) are dirt
    int colourArea;  // coloured patches smaller than this (page pixels) are not outlined
};

DrawingTuning DrawingTuningFor(Detail detail)
{
    static const DrawingTuning t[3] = {{0.45, 12, 900}, {0.58, 6, 400}, {0.7, 3, 150}};
    return t[int(detail)];
}

// The part of the drawing with something on it, with a margin: empty paper round a small drawing
// is not worth the page. A drawing that fills most of its paper is taken whole.
cv::Rect Content(const cv::Mat& marks)
{
    cv::Mat labels, stats, centres;
    const int n = cv::connectedComponentsWithStats(marks, labels, stats, centres, 8);
    const int least = std::max(20, int(marks.total() / 20000));
    cv::Rect box;
    for (int i = 1; i < n; i++)
        if (stats.at<int>(i, cv::CC_STAT_AREA) >= least) {
            const cv::Rect r(stats.at<int>(i, 0), stats.at<int>(i, 1), stats.at<int>(i, 2), stats.at<int>(i, 3));
            box = box.empty() ? r : (box | r);
        }
    if (box.empty() || box.area() > 0.6 * double(marks.total()))
        return cv::Rect(0, 0, marks.cols, marks.rows);
    const int margin = std::max(box.width, box.height) / 20;
    box -= cv::Point(margin, margin);
    box += cv::Size(2 * margin, 2 * margin);
    return box & cv::Rect(0, 0, marks.cols, marks.rows);
}

// The borders between parts (numbered from 1; 0 is no part), two pixels wide: a pixel whose
// right or lower neighbour is in another part is border, so that no two 4-neighbours in two
// parts are left touching.
cv::Mat Borders(const cv::Mat& parts)
{
    cv::Mat borders = cv::Mat::zeros(parts.size(), CV_8U);
    for (int y = 0; y < parts.rows; y++)
        for (int x = 0; x < parts.cols; x++) {
            const int p = parts.at<int>(y, x);
            auto other = [&](int q) { return q > 0 && q != p; };
            if (p > 0 && ((x + 1 < parts.cols && other(parts.at<int>(y, x + 1))) ||
                          (y + 1 < parts.rows && other(parts.at<int>(y + 1, x)))))
                borders.at<uchar>(y, x) = 255;
        }
    cv::dilate(borders, borders, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2, 2)));
    return borders;
}

// Closes every gap in the lines up to about 2 * `reach` pixels wide, whichever way it runs, so
// that a fill stays inside its shape. The paper is divided as though every line were `reach`
// pixels bolder all round, which no such gap gets through; each part then grows back over the
// paper up to the real lines, and where two parts meet, in the middle of a gap, a line is drawn.
// So only gaps gain lines, and no line gets bolder.
void CloseGaps(cv::Mat& lines, int reach)
{
    cv::Mat bold, label;
    cv::dilate(lines, bold, Ellipse(2 * reach + 1));
    cv::connectedComponents(bold == 0, label, 4, CV_32S);
    const int w = lines.cols, h = lines.rows;
    int* part = label.ptr<int>();
    const uchar* line = lines.ptr<uchar>();
    // Grown a pixel at a time from every side at once, as the fill goes (4 neighbours).
    std::vector<int> front;
    for (int i = 0; i < w * h; i++)
        if (part[i] > 0)
            front.push_back(i);
    for (size_t next = 0; next < front.size(); next++) {
        const int i = front[next], x = i % w;
        for (const int j : {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, i - w, i + w})
            if (j >= 0 && j < w * h && part[j] == 0 && !line[j]) {
                part[j] = part[i];
                front.push_back(j);
            }
    }
    lines |= Borders(label);
}

// Removes every 8-connected piece of `mask` smaller than `least` pixels.
void DropSpecks(cv::Mat& mask, int least)
{
    cv::Mat labels, stats, centres;
    const int n = cv::connectedComponentsWithStats(mask, labels, stats, centres, 8, CV_32S);
    std::vector<uint8_t> keep(size_t(n), 0);
    for (int i = 1; i < n; i++)
        keep[size_t(i)] = stats.at<int>(i, cv::CC_STAT_AREA) >= least;
    for (int y = 0; y < mask.rows; y++)
        for (int x = 0; x < mask.cols; x++)
            if (!keep[size_t(labels.at<int>(y, x))])
                mask.at<uchar>(y, x) = 0;
}

// Outlines of a drawing: its ink, and round every patch of crayon colour the line where the
// colour meets the paper (the colouring itself becomes paper again).
cv::Mat DrawingLines(const Looks& l, const DrawingTuning& t, bool mayTurn, Place& place)
{
    cv::Mat ink = Ink(l, t.ink);
    // Colour: laid on with a crayon, it leaves the paper's grain showing, so the patch is what the
    // colour covers once the grain is closed up.
    cv::Mat colour = (l.chroma > 20) & (l.light > 0.3) & ~ink;
    cv::medianBlur(colour, colour, 5);
    cv::morphologyEx(colour, colour, cv::MORPH_CLOSE, Ellipse(9));
    cv::morphologyEx(colour, colour, cv::MORPH_OPEN, Ellipse(7));

    const cv::Rect content = Content(ink | colour);
    place = PlaceOnPage(content.size(), mayTurn);
    cv::Mat lines = MaskOntoPage(ink(content), place);
    colour = MaskOntoPage(colour(content), place);
    DropSpecks(lines, t.speck);
    // Lines at least two pixels wide, which also joins pixels that only touch at their corners.
    cv::dilate(lines, lines, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2, 2)));
    DropSpecks(colour, t.colourArea);
    cv::Mat inner;
    cv::erode(colour, inner, cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3)));
    // The colour's outline, two pixels wide.
    cv::dilate(colour & ~inner, inner, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2, 2)));
    return lines | inner;
}

// --- A photo's outlines: regions of like colour ---

// How far a photo's regions are merged (see Regions::Merge; sizes in page pixels).
struct PhotoTuning {
    int most, least;
    double clear;
};

PhotoTuning PhotoTuningFor(Detail detail)
{
    static const PhotoTuning t[3] = {{14, 900, 14}, {26, 500, 10}, {45, 250, 7}};
    return t[int(detail)];
}

// Small regions (superpixels) that follow the picture's edges: a watershed of its colour from
// seeds on a grid, each seed at the quietest point near its grid point.
cv::Mat Superpixels(const cv::Mat& rgb, int step)
{
    cv::Mat grey, gx, gy, gradient;
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    cv::Sobel(grey, gx, CV_32F, 1, 0);
    cv::Sobel(grey, gy, CV_32F, 0, 1);
    cv::magnitude(gx, gy, gradient);
    cv::Mat seeds = cv::Mat::zeros(rgb.size(), CV_32S);
    int label = 1;
    for (int y = step / 2; y < rgb.rows; y += step)
        for (int x = step / 2; x < rgb.cols; x += step) {
            cv::Point best(x, y);
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    const cv::Point p(std::clamp(x + dx, 0, rgb.cols - 1), std::clamp(y + dy, 0, rgb.rows - 1));
                    if (gradient.at<float>(p) < gradient.at<float>(best))
                        best = p;
                }
            seeds.at<int>(best) = label++;
        }
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    cv::watershed(bgr, seeds);
    // The watershed's own borders (-1) join the region beside them.
    for (int y = 0; y < seeds.rows; y++)
        for (int x = 0; x < seeds.cols; x++) {
            int& s = seeds.at<int>(y, x);
            if (s > 0)
                continue;
            const cv::Point near[4] = {{x - 1, y}, {x, y - 1}, {x + 1, y}, {x, y + 1}};
            for (const cv::Point& p : near)
                if (p.x >= 0 && p.y >= 0 && p.x < seeds.cols && p.y < seeds.rows && seeds.at<int>(p) > 0) {
                    s = seeds.at<int>(p);
                    break;
                }
            if (s <= 0)
                s = 1;
        }
    return seeds;
}

// How sharply the colour changes at each pixel: the colour difference (CIE76) between the
// pixels two to either side of it, across or down, whichever is more. A shape's edge, even a
// soft one, changes much over those four pixels; a sky's or a wall's gentle shading hardly at all.
cv::Mat Contrast(const cv::Mat& lab)
{
    cv::Mat contrast = cv::Mat::zeros(lab.size(), CV_32F);
    const int w = lab.cols, h = lab.rows;
    auto at = [&](int x, int y) { return lab.at<cv::Vec3f>(std::clamp(y, 0, h - 1), std::clamp(x, 0, w - 1)); };
    contrast.forEach<float>([&](float& c, const int* p) {
        const int y = p[0], x = p[1];
        c = float(std::max(cv::norm(at(x + 2, y) - at(x - 2, y)), cv::norm(at(x, y + 2) - at(x, y - 2))));
    });
    return contrast;
}

// Regions of superpixels, merged as a colouring book's artist would leave them: what is parted
// by no more than shading or texture becomes one area, and what a clear edge parts stays apart.
class Regions {
public:
    Regions(const cv::Mat& labels, const cv::Mat& lab, const cv::Mat& contrast)
    {
        double max = 0;
        cv::minMaxLoc(labels, nullptr, &max);
        const size_t n = size_t(max) + 1;
        parent_.resize(n);
        std::iota(parent_.begin(), parent_.end(), 0);
        size_.assign(n, 0);
        colour_.assign(n, cv::Vec3d());
        texture_.assign(n, 0);
        neighbours_.resize(n);
        for (int y = 0; y < labels.rows; y++)
            for (int x = 0; x < labels.cols; x++) {
                const int a = labels.at<int>(y, x);
                const float c = contrast.at<float>(y, x);
                size_[size_t(a)]++;
                colour_[size_t(a)] += cv::Vec3d(lab.at<cv::Vec3f>(y, x));
                texture_[size_t(a)] += c;
                if (x + 1 < labels.cols)
                    Touch(a, labels.at<int>(y, x + 1), (c + contrast.at<float>(y, x + 1)) / 2);
                if (y + 1 < labels.rows)
                    Touch(a, labels.at<int>(y + 1, x), (c + contrast.at<float>(y + 1, x)) / 2);
            }
        for (size_t i = 0; i < n; i++)
            alive_ += size_[i] > 0;
        // Either side of a border, to begin with: the superpixels' colours.
        for (auto& [key, border] : borders_)
            border.apart = border.length * Apart(int(key >> 32), int(key & 0xffffffff));
    }

    // Merges neighbours, those that differ least first, until no region is smaller than `least`
    // (pixels) and no more than `most` are left; then on, while they differ by less than
    // `clear`. A region smaller than `least` is merged before any other, into whichever
    // neighbour it differs from least; no other merge makes a region of more than `largest`
    // pixels, so that a page is never most of it one area.
    void Merge(int most, int least, double clear, int largest)
    {
        struct Pair {
            bool small;     // one of them is smaller than `least`
            double differ;  // how much they differ
            int a, b, sizeA, sizeB;
            // The queue's top is the pair to merge first.
            bool operator<(const Pair& o) const { return small != o.small ? o.small : differ > o.differ; }
        };
        std::priority_queue<Pair> queue;
        auto push = [&](int a, int b) {
            const int sa = size_[size_t(a)], sb = size_[size_t(b)];
            queue.push({std::min(sa, sb) < least, Differ(a, b), a, b, sa, sb});
        };
        int small = 0;
        for (size_t a = 0; a < parent_.size(); a++) {
            small += Alive(int(a)) && size_[a] < least;
            for (int b : neighbours_[a])
                if (int(a) < b)
                    push(int(a), b);
        }
        while (!queue.empty()) {
            const Pair p = queue.top();
            queue.pop();
            // Stale: one of them has been merged since the pair was put in.
            if (!Alive(p.a) || !Alive(p.b) || size_[size_t(p.a)] != p.sizeA || size_[size_t(p.b)] != p.sizeB)
                continue;
            if (alive_ <= most && small == 0 && p.differ >= clear)
                break;
            if (!p.small && p.sizeA + p.sizeB > largest)
                continue;
            small -= (p.sizeA < least) + (p.sizeB < least);
            const int into = Join(p.a, p.b);
            small += size_[size_t(into)] < least;
            for (int n : neighbours_[size_t(into)])
                push(into, n);
        }
    }

    // The region a superpixel has become part of.
    int Of(int label)
    {
        while (parent_[size_t(label)] != label)
            label = parent_[size_t(label)] = parent_[size_t(parent_[size_t(label)])];
        return label;
    }

private:
    struct Border {
        int length = 0;
        double contrast = 0;  // summed along it
        double apart = 0;     // how far apart the colours either side are, summed along it
    };

    static uint64_t Key(int a, int b) { return uint64_t(std::min(a, b)) << 32 | uint32_t(std::max(a, b)); }
    bool Alive(int a) const { return parent_[size_t(a)] == a && size_[size_t(a)] > 0; }

    void Touch(int a, int b, float contrast)
    {
        if (a == b)
            return;
        Border& border = borders_[Key(a, b)];
        if (border.length++ == 0) {
            neighbours_[size_t(a)].push_back(b);
            neighbours_[size_t(b)].push_back(a);
        }
        border.contrast += contrast;
    }

    // How much two neighbours differ: how sharply the colour changes along their border and how
    // far apart the colours right beside it are, less the texture of the smoother of the two (a
    // tabby's stripes part less than the edge between its fur and a plain wall); and a little
    // for how far apart their colours are all in all, which keeps a soft edge between unlike
    // colours from being merged across, but not the ends of a shaded sky.
    double Differ(int a, int b) const
    {
        const Border& border = borders_.at(Key(a, b));
        const double texture = std::min(texture_[size_t(a)] / size_[size_t(a)], texture_[size_t(b)] / size_[size_t(b)]);
        return (border.contrast + 1.5 * border.apart) / border.length - texture + 0.15 * Apart(a, b);
    }

    // How far apart two regions' mean colours are.
    double Apart(int a, int b) const
    {
        const cv::Vec3d d = colour_[size_t(a)] / size_[size_t(a)] - colour_[size_t(b)] / size_[size_t(b)];
        return std::sqrt(d.dot(d));
    }

    // Puts the smaller of a and b into the larger, which takes over its borders; returns that.
    int Join(int a, int b)
    {
        if (size_[size_t(a)] < size_[size_t(b)])
            std::swap(a, b);
        parent_[size_t(b)] = a;
        size_[size_t(a)] += size_[size_t(b)];
        colour_[size_t(a)] += colour_[size_t(b)];
        texture_[size_t(a)] += texture_[size_t(b)];
        size_[size_t(b)] = 0;
        alive_--;
        for (int n : neighbours_[size_t(b)]) {
            const auto old = borders_.find(Key(b, n));
            if (n != a) {
                Border& into = borders_[Key(a, n)];
                if (into.length == 0) {
                    neighbours_[size_t(a)].push_back(n);
                    neighbours_[size_t(n)].push_back(a);
                }
                into.length += old->second.length;
                into.contrast += old->second.contrast;
                into.apart += old->second.apart;
            }
            borders_.erase(old);
            auto& theirs = neighbours_[size_t(n)];
            theirs.erase(std::remove(theirs.begin(), theirs.end(), b), theirs.end());
        }
        neighbours_[size_t(b)].clear();
        return a;
    }

    std::vector<int> parent_;
    std::vector<int> size_;
    std::vector<cv::Vec3d> colour_;  // summed (Lab)
    std::vector<double> texture_;    // contrast, summed
    std::vector<std::vector<int>> neighbours_;
    std::unordered_map<uint64_t, Border> borders_;
    int alive_ = 0;
};

// Regions (numbered 1 to `count`) smoothed so that their borders do not zigzag: each pixel goes
// to the region most of the pixels round it are in.
cv::Mat Smoothed(const cv::Mat& regions, int count)
{
    cv::Mat smoothed = regions.clone(), most = cv::Mat::zeros(regions.size(), CV_32F), share;
    for (int r = 1; r <= count; r++) {
        cv::boxFilter(regions == r, share, CV_32F, cv::Size(9, 9));
        smoothed.setTo(r, share > most);
        cv::max(most, share, most);
    }
    return smoothed;
}

// Smoothing leaves crumbs of a region inside another, too small to colour: each is given to the
// region round it rather than left to become a black speck.
void GiveAwayCrumbs(cv::Mat& regions)
{
    cv::Mat pieces, stats, centres;
    cv::connectedComponentsWithStats(Borders(regions) == 0, pieces, stats, centres, 4, CV_32S);
    auto crumb = [&](cv::Point p) { return stats.at<int>(pieces.at<int>(p), cv::CC_STAT_AREA) < kMinRegion; };
    auto whole = [&](cv::Point p) {
        return p.x >= 0 && p.y >= 0 && p.x < regions.cols && p.y < regions.rows && pieces.at<int>(p) > 0 && !crumb(p);
    };
    const cv::Mat before = regions.clone();
    for (int y = 0; y < regions.rows; y++)
        for (int x = 0; x < regions.cols; x++) {
            if (pieces.at<int>(y, x) == 0 || !crumb({x, y}))
                continue;
            // The nearest pixel of a whole region across, up or down, up to 3 pixels away.
            for (int r = 1, given = 0; r <= 3 && !given; r++)
                for (const cv::Point p : {cv::Point(x - r, y), cv::Point(x + r, y), cv::Point(x, y - r), cv::Point(x, y + r)})
                    if (!given && whole(p)) {
                        regions.at<int>(y, x) = before.at<int>(p);
                        given = 1;
                    }
        }
}

// Outlines of a photo: the borders between regions of like colour, merged until a child can
// click into every one of them.
cv::Mat PhotoLines(const cv::Mat& rgb, const PhotoTuning& t, bool mayTurn, Place& place)
{
    place = PlaceOnPage(rgb.size(), mayTurn);
    cv::Mat small = OntoPage(rgb, place, cv::INTER_AREA), smooth;
    // Smoothed, keeping edges: texture and grain are not shapes.
    cv::bilateralFilter(small, smooth, 9, 40, 5);
    cv::bilateralFilter(smooth, small, 9, 40, 5);
    const cv::Mat labels = Superpixels(small, 8), lab = LabOf(small);
    Regions regions(labels, lab, Contrast(lab));
    regions.Merge(t.most, t.least, t.clear, int(0.7 * double(labels.total())));
    // Merged (regions numbered from 1), then smoothed.
    std::unordered_map<int, int> number;
    cv::Mat merged(labels.size(), CV_32S);
    for (int y = 0; y < labels.rows; y++)
        for (int x = 0; x < labels.cols; x++)
            merged.at<int>(y, x) = number.emplace(regions.Of(labels.at<int>(y, x)), int(number.size()) + 1).first->second;
    merged = Smoothed(merged, int(number.size()));
    GiveAwayCrumbs(merged);
    return Borders(merged);
}

// --- The page's verdict ---

// Counts the paper regions (4 neighbours, as the fill goes) and turns those smaller than
// kMinRegion into outline; fills in the page's numbers.
void Settle(cv::Mat& ink, Page& page)
{
    cv::Mat labels, stats, centres;
    const int n = cv::connectedComponentsWithStats(ink == 0, labels, stats, centres, 4, CV_32S);
    std::vector<uint8_t> drop(size_t(n), 0);
    page.regions = page.bigAreas = 0;
    page.largest = 0;
    for (int i = 1; i < n; i++) {
        const int area = stats.at<int>(i, cv::CC_STAT_AREA);
        drop[size_t(i)] = area < kMinRegion;
        page.regions += area >= kMinRegion;
        page.bigAreas += area >= kBigArea;
        page.largest = std::max(page.largest, double(area) / kPagePixels);
    }
    for (int y = 0; y < kPageHeight; y++)
        for (int x = 0; x < kPageWidth; x++)
            if (drop[size_t(labels.at<int>(y, x))])
                ink.at<uchar>(y, x) = 255;
    page.inkShare = Share(ink);
}

std::string Percent(double share)
{
    return std::to_string(int(std::lround(share * 100))) + "%";
}

// Why the page is a poor one to colour, with what to try; empty when it is a good one.
std::string Poor(const Page& page)
{
    if (page.inkShare > kMostInk)
        return Percent(page.inkShare) + " of it would be black; try --detail low" +
               std::string(page.kind == Kind::Drawing ? ", or --photo" : "");
    if (page.largest > kLargestArea)
        return "one area would cover " + Percent(page.largest) +
               " of it; try --detail high, or a picture whose subject fills more of it";
    if (page.bigAreas < kLeastBigAreas)
        return "only " + std::to_string(page.bigAreas) + " of its areas would be big enough to colour; try " +
               std::string(page.kind == Kind::Drawing ? "--photo, or a picture with bigger shapes"
                                                      : "--detail high, or a picture with bigger shapes");
    return {};
}

// The page from the picture, with its numbers.
void DrawPage(cv::Mat rgb, const MakeOptions& options, Page& page)
{
    if (options.kind != Kind::Photo) {
        const std::vector<cv::Point2f> corners = FindSheet(rgb);
        if (!corners.empty()) {
            rgb = Straighten(rgb, corners);
            page.sheet = true;
        }
    }
    const Looks looks = Look(rgb);
    page.decided = options.kind == Kind::Decide;
    page.kind = page.decided ? Decide(looks) : options.kind;

    Place place;
    const cv::Mat lines = page.kind == Kind::Drawing
                              ? DrawingLines(looks, DrawingTuningFor(options.detail), options.turn, place)
                              : PhotoLines(rgb, PhotoTuningFor(options.detail), options.turn, place);
    page.turned = place.turned;
    cv::Mat ink = cv::Mat::zeros(kPageHeight, kPageWidth, CV_8U);
    lines.copyTo(ink(place.at));
    // A frame round the picture, which keeps the paper beside an upright picture apart from it,
    // and one round the page, so that no region runs off it.
    cv::rectangle(ink, place.at, 255, 2);
    cv::rectangle(ink, cv::Point(1, 1), cv::Point(kPageWidth - 2, kPageHeight - 2), 255, 3);
    if (page.kind == Kind::Drawing)
        CloseGaps(ink, 2);
    Settle(ink, page);
    page.poor = cv::countNonZero(lines) == 0 ? "nothing in the picture makes an outline; try --photo, or another picture"
                                             : Poor(page);
    page.ink.resize(kPagePixels);
    for (int y = 0; y < kPageHeight; y++)
        for (int x = 0; x < kPageWidth; x++)
            page.ink[size_t(y) * kPageWidth + x] = ink.at<uchar>(y, x) ? 1 : 0;
}

}  // namespace

void StartImaging(const char* argv0)
{
    static std::once_flag once;
    std::call_once(once, [argv0] {
        if (VIPS_INIT(argv0 ? argv0 : "tintwell-pages") != 0)
            throw Failure("the imaging library cannot start");
        // One picture per run: nothing is worth keeping in libvips' operation cache.
        vips_cache_set_max(0);
        // A damaged picture is reported once, by the caller, not tile by tile.
        g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                          nullptr);
    });
}

Page MakePage(const std::string& picture, const MakeOptions& options)
{
    StartImaging(nullptr);
    cv::Mat rgb;
    try {
        rgb = Load(picture, options.turn);
    } catch (const VError& e) {
        std::string why = e.what();
        why = why.substr(0, why.find('\n'));
        while (!why.empty() && (why.back() == ' ' || why.back() == '.'))
            why.pop_back();
        throw Failure(picture + " cannot be read" + (why.empty() ? std::string() : ": " + why));
    }
    Page page;
    try {
        DrawPage(rgb, options, page);
    } catch (const cv::Exception& e) {
        throw Failure(picture + " cannot be made into a page: " + e.err);
    }
    return page;
}

std::vector<uint8_t> EncodePreview(const Page& page)
{
    StartImaging(nullptr);
    std::vector<uint8_t> grey(page.ink.size());
    std::transform(page.ink.begin(), page.ink.end(), grey.begin(), [](uint8_t v) { return v ? 0 : 255; });
    void* buffer = nullptr;
    size_t size = 0;
    try {
        VImage::new_from_memory(grey.data(), grey.size(), kPageWidth, kPageHeight, 1, VIPS_FORMAT_UCHAR)
            .write_to_buffer(".png", &buffer, &size, VImage::option()->set("bitdepth", 1));
    } catch (const VError& e) {
        throw Failure(std::string("the preview cannot be made: ") + e.what());
    }
    std::vector<uint8_t> png(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return png;
}

}  // namespace tw::pages
