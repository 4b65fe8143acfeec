// tw_pages_eval: the labelled pictures tintwell-pages is judged on, and the judging.
//   tw_pages_eval make copy|scan|sheet SOURCE OUT   an SVG drawn to a PNG; a scan or a phone
//                                                   photo of a sheet made from a drawing
//   tw_pages_eval make crayon house|cat|flower|fish OUT   a child's crayon drawing
//   tw_pages_eval judge TOOL LABELS PICTURES OUTDIR  runs TOOL on every labelled picture and says,
//                                                   per kind, how many pages meet the bar and how
//                                                   often the kind was decided right
// Everything made here comes from fixed seeds: the same pixels on every run.
#include <opencv2/imgproc.hpp>
#include <vips/vips8>

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vips::VImage;

constexpr int kWidth = 660, kHeight = 460, kPixels = kWidth * kHeight;

// --- Pictures in and out (BGR, 8 bits) ---

cv::Mat Load(const std::string& path, int longSide)
{
    VImage p = VImage::thumbnail(path.c_str(), longSide, VImage::option()->set("height", longSide));
    if (p.has_alpha())
        p = p.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    p = p.colourspace(VIPS_INTERPRETATION_sRGB).cast(VIPS_FORMAT_UCHAR);
    size_t size = 0;
    void* data = p.write_to_memory(&size);
    cv::Mat rgb(p.height(), p.width(), CV_8UC3, data), bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    g_free(data);
    return bgr;
}

void Save(const cv::Mat& bgr, const std::string& path)
{
    cv::Mat rgb;
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    VImage::new_from_memory(rgb.data, rgb.total() * 3, rgb.cols, rgb.rows, 3, VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .write_to_file(path.c_str(), VImage::option()->set("Q", 88));
}

// Multiplies every pixel by a light level falling from `bright` at one corner to `dim` at the
// opposite one, then adds grain of `grain` levels.
void Light(cv::Mat& img, cv::Point2f from, double bright, double dim, double grain, uint64_t seed)
{
    const double reach = std::hypot(img.cols, img.rows);
    cv::Mat noise(img.size(), CV_32FC3);
    cv::RNG(seed).fill(noise, cv::RNG::NORMAL, 0, grain);
    cv::Mat f;
    img.convertTo(f, CV_32FC3);
    for (int y = 0; y < img.rows; y++)
        for (int x = 0; x < img.cols; x++) {
            const double t = std::hypot(x - from.x, y - from.y) / reach;
            f.at<cv::Vec3f>(y, x) *= float(bright + (dim - bright) * t);
        }
    f += noise;
    f.convertTo(img, CV_8UC3);
}

// The drawing on a sheet of paper (A4 upright, `width` pixels wide), greyish and a little soft.
cv::Mat OnPaper(const std::string& svg, int width)
{
    const int height = int(width * 1.414);
    cv::Mat sheet(height, width, CV_8UC3, cv::Scalar(236, 240, 242));
    const cv::Mat art = Load(svg, int(width * 0.8));
    cv::Mat dark;
    cv::multiply(sheet(cv::Rect((width - art.cols) / 2, (height - art.rows) / 2, art.cols, art.rows)), art, dark,
                 1.0 / 255);
    dark.copyTo(sheet(cv::Rect((width - art.cols) / 2, (height - art.rows) / 2, art.cols, art.rows)));
    cv::GaussianBlur(sheet, sheet, cv::Size(), 0.9);
    return sheet;
}

cv::Mat Scan(const std::string& svg)
{
    cv::Mat page = OnPaper(svg, 2480);
    // Ink never quite black, the page tilted a little on the glass.
    page = page * 0.85 + cv::Scalar(30, 30, 30);
    const cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(page.cols / 2.f, page.rows / 2.f), 1.2, 1.0);
    cv::warpAffine(page, page, turn, page.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(225, 228, 230));
    Light(page, {float(page.cols), 0}, 1.0, 0.72, 5, 11);
    return page;
}

// A phone photo of the sheet lying on a wooden table, taken at a slant, brighter on one side.
cv::Mat Sheet(const std::string& svg, uint64_t seed)
{
    cv::RNG rng(seed);
    const bool upright = seed % 2;
    const cv::Size size = upright ? cv::Size(2250, 3000) : cv::Size(3000, 2250);
    cv::Mat photo(size, CV_8UC3);
    for (int y = 0; y < size.height; y++)
        for (int x = 0; x < size.width; x++) {
            const double grain = std::sin(y * 0.05 + 3 * std::sin(x * 0.004)) * 18;
            photo.at<cv::Vec3b>(y, x) = cv::Vec3b(cv::saturate_cast<uchar>(45 + grain * 0.4),
                                                  cv::saturate_cast<uchar>(80 + grain * 0.7),
                                                  cv::saturate_cast<uchar>(125 + grain));
        }
    const cv::Mat sheet = OnPaper(svg, 1240);
    const float w = float(size.width), h = float(size.height);
    auto jitter = [&](float v) { return v + float(rng.uniform(-0.05, 0.05)) * std::min(w, h); };
    const float across = upright ? 0.16f : 0.28f, down = upright ? 0.1f : 0.06f;
    const cv::Point2f to[4] = {{jitter(w * across), jitter(h * down)},
                               {jitter(w * (1 - across)), jitter(h * down + 0.03f * h)},
                               {jitter(w * (1 - across) + 0.05f * w), jitter(h * (1 - down))},
                               {jitter(w * across - 0.04f * w), jitter(h * (1 - down) - 0.02f * h)}};
    const cv::Point2f from[4] = {{0, 0}, {float(sheet.cols), 0}, {float(sheet.cols), float(sheet.rows)},
                                 {0, float(sheet.rows)}};
    cv::warpPerspective(sheet, photo, cv::getPerspectiveTransform(from, to), size, cv::INTER_LINEAR,
                        cv::BORDER_TRANSPARENT);
    cv::GaussianBlur(photo, photo, cv::Size(), 1.2);
    Light(photo, {float(rng.uniform(0.0, double(w))), 0.f}, 1.05, 0.62, 4, seed);
    return photo;
}

// --- Crayon drawings: marker outlines, crayon colouring that leaves grain and strays over them ---

struct Crayons {
    cv::Mat img;
    cv::RNG rng;
    cv::Scalar pen;
    int penWidth;

    Crayons(cv::Scalar paper, cv::Scalar pen, int penWidth, uint64_t seed)
        : img(1500, 2000, CV_8UC3, paper), rng(seed), pen(pen), penWidth(penWidth)
    {
    }
    // Scribbles `colour` (RGB) over the shape `mask` with strokes at `angle` degrees.
    void Colour(const cv::Mat& mask, cv::Scalar rgb, double angle)
    {
        cv::Mat strokes = cv::Mat::zeros(img.size(), CV_8U);
        const double a = angle * CV_PI / 180, reach = 2600;
        for (double d = -reach; d < reach; d += 11 + rng.uniform(0, 6)) {
            const cv::Point2d mid(1000 + d * std::sin(a), 750 - d * std::cos(a));
            const cv::Point2d along(std::cos(a) * reach, std::sin(a) * reach);
            cv::line(strokes, mid - along, mid + along, 255, 9 + rng.uniform(0, 5));
        }
        cv::Mat sloppy, grain(img.size(), CV_8U);
        cv::dilate(mask, sloppy, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(13, 13)));
        rng.fill(grain, cv::RNG::UNIFORM, 0, 256);
        strokes &= sloppy & (grain > 60);
        cv::GaussianBlur(strokes, strokes, cv::Size(), 1.0);
        const cv::Vec3f tint(float(rgb[2] / 255), float(rgb[1] / 255), float(rgb[0] / 255));
        for (int y = 0; y < img.rows; y++)
            for (int x = 0; x < img.cols; x++) {
                const float t = strokes.at<uchar>(y, x) / 255.f * 0.85f;
                cv::Vec3b& p = img.at<cv::Vec3b>(y, x);
                for (int k = 0; k < 3; k++)
                    p[k] = cv::saturate_cast<uchar>(p[k] * (1 - t + t * tint[k]));
            }
    }
    cv::Mat Shape(const std::vector<cv::Point>& poly) const
    {
        cv::Mat m = cv::Mat::zeros(img.size(), CV_8U);
        cv::fillPoly(m, std::vector<std::vector<cv::Point>>{poly}, 255);
        return m;
    }
    cv::Mat Disc(cv::Point c, cv::Size axes, double angle = 0) const
    {
        cv::Mat m = cv::Mat::zeros(img.size(), CV_8U);
        cv::ellipse(m, c, axes, angle, 0, 360, 255, cv::FILLED);
        return m;
    }
    void Line(const std::vector<cv::Point>& poly, bool closed = true)
    {
        cv::polylines(img, std::vector<std::vector<cv::Point>>{poly}, closed, pen, penWidth, cv::LINE_AA);
    }
    void Oval(cv::Point c, cv::Size axes, double angle = 0)
    {
        cv::ellipse(img, c, axes, angle, 0, 360, pen, penWidth, cv::LINE_AA);
    }
    void Dot(cv::Point c, int r) { cv::circle(img, c, r, pen, cv::FILLED, cv::LINE_AA); }
};

cv::Mat Crayon(const std::string& what)
{
    if (what == "house") {
        Crayons c({240, 246, 250}, {40, 30, 30}, 10, 1);
        const std::vector<cv::Point> walls = {{600, 650}, {1300, 650}, {1300, 1250}, {600, 1250}},
                                     roof = {{540, 660}, {950, 300}, {1360, 660}},
                                     door = {{880, 960}, {1020, 960}, {1020, 1250}, {880, 1250}},
                                     window = {{680, 760}, {820, 760}, {820, 880}, {680, 880}};
        c.Colour(c.Shape(roof), {210, 40, 40}, 35);
        c.Colour(c.Shape(door), {130, 80, 40}, 80);
        c.Colour(c.Shape({{0, 1250}, {2000, 1250}, {2000, 1500}, {0, 1500}}), {60, 170, 60}, 70);
        c.Colour(c.Disc({1650, 280}, {120, 120}), {250, 210, 30}, 10);
        for (const auto& s : {walls, roof, door, window})
            c.Line(s);
        c.Oval({1650, 280}, {120, 120});
        for (int i = 0; i < 8; i++) {
            const double a = i * CV_PI / 4;
            c.Line({{int(1650 + 160 * std::cos(a)), int(280 + 160 * std::sin(a))},
                    {int(1650 + 240 * std::cos(a)), int(280 + 240 * std::sin(a))}},
                   false);
        }
        return c.img;
    }
    if (what == "cat") {  // in pencil on grey paper
        Crayons c({212, 218, 222}, {80, 75, 75}, 7, 2);
        const std::vector<cv::Point> left = {{700, 560}, {730, 260}, {900, 450}},
                                     right = {{1300, 560}, {1270, 260}, {1100, 450}};
        c.Colour(c.Disc({1000, 800}, {380, 340}) | c.Shape(left) | c.Shape(right), {240, 140, 40}, 20);
        c.Oval({1000, 800}, {380, 340});
        c.Line(left, false);
        c.Line(right, false);
        c.Dot({860, 720}, 24);
        c.Dot({1140, 720}, 24);
        c.Line({{970, 850}, {1030, 850}, {1000, 890}});
        c.Line({{1000, 890}, {950, 950}}, false);
        c.Line({{1000, 890}, {1050, 950}}, false);
        for (int s : {-1, 1})
            for (int k = 0; k < 3; k++)
                c.Line({{1000 + s * 90, 880 + k * 25}, {1000 + s * 330, 840 + k * 50}}, false);
        return c.img;
    }
    if (what == "flower") {
        Crayons c({244, 248, 250}, {25, 25, 25}, 9, 3);
        c.Colour(c.Shape({{0, 0}, {2000, 0}, {2000, 230}, {0, 230}}), {90, 150, 230}, 0);
        c.Line({{1000, 770}, {1000, 1420}}, false);
        for (int i = 0; i < 6; i++) {
            const double a = i * CV_PI / 3;
            const cv::Point at(int(1000 + 230 * std::cos(a)), int(600 + 230 * std::sin(a)));
            c.Colour(c.Disc(at, {150, 90}, i * 60), {240, 110, 170}, 45 + i * 20);
            c.Oval(at, {150, 90}, i * 60);
        }
        c.Colour(c.Disc({1000, 600}, {110, 110}), {250, 220, 40}, 0);
        c.Oval({1000, 600}, {110, 110});
        for (int s : {-1, 1}) {
            c.Colour(c.Disc({1000 + s * 170, 1150}, {170, 60}, s * -30), {70, 180, 70}, 60);
            c.Oval({1000 + s * 170, 1150}, {170, 60}, s * -30);
        }
        Light(c.img, {0, 1500}, 1.0, 0.8, 3, 4);
        return c.img;
    }
    // fish
    Crayons c({238, 244, 248}, {30, 30, 40}, 9, 4);
    const std::vector<cv::Point> tail = {{1420, 750}, {1750, 520}, {1750, 980}};
    c.Colour(c.Disc({950, 750}, {500, 280}) | c.Shape(tail), {250, 150, 30}, 40);
    c.Colour(c.Shape({{0, 1200}, {2000, 1200}, {2000, 1500}, {0, 1500}}), {220, 200, 120}, 0);
    c.Oval({950, 750}, {500, 280});
    c.Line(tail);
    c.Dot({680, 690}, 26);
    for (int k = 0; k < 3; k++)
        cv::ellipse(c.img, {900 + 170 * k, 750}, {90, 250}, 0, -60, 60, c.pen, c.penWidth, cv::LINE_AA);
    for (int k = 0; k < 4; k++)
        c.Oval({420 - 40 * k, 520 - 110 * k}, {20 + 8 * k, 20 + 8 * k});
    return c.img;
}

int Make(const std::string& how, const std::string& source, const std::string& out)
{
    if (how == "copy")
        Save(Load(source, 1600), out);
    else if (how == "scan")
        Save(Scan(source), out);
    else if (how == "sheet")
        Save(Sheet(source, std::hash<std::string>()(out) % 1000), out);
    else if (how == "crayon")
        Save(Crayon(source), out);
    else
        return std::fprintf(stderr, "no way to make a picture '%s'\n", how.c_str()), 2;
    return 0;
}

// --- Judging ---

struct Run {
    int status = -1;
    std::string said;
};

Run Shell(const std::string& command)
{
    Run r;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            r.said.append(buffer, n);
        const int status = ::pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Measure {
    bool page = false;
    int big = 0;          // areas of at least 2,000 pixels
    double largest = 0;   // the largest area, as a share of the page
    double ink = 0;       // outline, as a share of the page
    int areas = 0;        // areas of any size
    bool Good() const { return page && big >= 3 && largest <= 0.75 && ink <= 0.2; }
};

// A one-bit page file as the program reads it; the areas as its fill finds them (4 neighbours).
Measure Judge(const std::string& path)
{
    Measure m;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
    if (b.size() < 62 + 84 * kHeight || b[0] != 'T' || b[1] != 'W' || b[28] != 1)
        return m;
    const uint32_t off = b[10] | b[11] << 8 | b[12] << 16 | uint32_t(b[13]) << 24;
    cv::Mat paper(kHeight, kWidth, CV_8U);
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++)
            paper.at<uchar>(y, x) = (b[off + size_t(kHeight - 1 - y) * 84 + x / 8] >> (7 - x % 8)) & 1;
    cv::Mat labels, stats, centres;
    const int n = cv::connectedComponentsWithStats(paper, labels, stats, centres, 4);
    m.page = true;
    m.ink = 1.0 - cv::countNonZero(paper) / double(kPixels);
    for (int i = 1; i < n; i++) {
        const int area = stats.at<int>(i, cv::CC_STAT_AREA);
        m.areas++;
        m.big += area >= 2000;
        m.largest = std::max(m.largest, area / double(kPixels));
    }
    return m;
}

int JudgeAll(const std::string& tool, const std::string& labels, const std::string& pictures, const std::string& out)
{
    fs::create_directories(out);
    const std::string help = Shell(Quoted(tool) + " --help").said;
    const bool knowsForce = help.find("--force") != std::string::npos;
    const bool knowsSheets = help.find("sheet") != std::string::npos;
    struct Tally {
        int pictures = 0, good = 0, right = 0;
    };
    std::map<std::string, Tally> tally;
    std::ifstream in(labels);
    std::string line;
    std::printf("%-22s %-8s %-8s %6s %6s %8s %6s %6s\n", "picture", "kind", "decided", "areas", ">=2000", "largest",
                "ink", "s");
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream row(line);
        std::string picture, kind;
        std::getline(row, picture, '\t');
        std::getline(row, kind, '\t');
        const std::string stem = fs::path(picture).stem().string();
        const std::string page = out + "/" + stem + ".TWP";
        fs::remove(page);
        const auto start = std::chrono::steady_clock::now();
        const Run r = Shell(Quoted(tool) + " make " + Quoted(pictures + "/" + picture) + " -o " + Quoted(page) +
                            " --preview " + Quoted(out + "/" + stem + ".png") + (knowsForce ? " --force" : ""));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::ofstream(out + "/" + stem + ".txt") << r.said;
        // "PICTURE looks like a photo", "... a drawing", "... a drawing on a photographed sheet".
        const size_t looks = r.said.find(" looks like ");
        const std::string like = looks == std::string::npos ? "" : r.said.substr(looks, r.said.find('\n', looks) - looks);
        const std::string decided = like.find("sheet") != std::string::npos     ? "sheet"
                                    : like.find("a photo") != std::string::npos  ? "photo"
                                    : like.find("a drawing") != std::string::npos ? "drawing"
                                                                                  : "?";
        // A tool that knows no sheets is right to take one for a drawing.
        const bool right = decided == kind || (!knowsSheets && kind == "sheet" && decided == "drawing");
        const Measure m = Judge(page);
        Tally& t = tally[kind];
        t.pictures++;
        t.good += m.Good();
        t.right += right;
        std::printf("%-22s %-8s %-8s %6d %6d %7.0f%% %5.1f%% %6.2f %s%s\n", picture.c_str(), kind.c_str(),
                    decided.c_str(), m.areas, m.big, m.largest * 100, m.ink * 100, seconds, m.Good() ? "meets the bar" : "poor",
                    right ? "" : ", kind wrong");
    }
    std::printf("\n%-8s %9s %18s %12s\n", "kind", "pictures", "pages meeting bar", "kind right");
    Tally all;
    for (const auto& [kind, t] : tally) {
        std::printf("%-8s %9d %18d %12d\n", kind.c_str(), t.pictures, t.good, t.right);
        all.pictures += t.pictures, all.good += t.good, all.right += t.right;
    }
    std::printf("%-8s %9d %18d %12d\n", "all", all.pictures, all.good, all.right);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (VIPS_INIT(argv[0]) != 0)
        return 2;
    const std::vector<std::string> a(argv + 1, argv + argc);
    try {
        if (a.size() == 4 && a[0] == "make")
            return Make(a[1], a[2], a[3]);
        if (a.size() == 5 && a[0] == "judge")
            return JudgeAll(a[1], a[2], a[3], a[4]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tw_pages_eval: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "usage: tw_pages_eval make copy|scan|sheet|crayon SOURCE OUT\n"
                         "       tw_pages_eval judge TOOL LABELS PICTURES OUTDIR\n");
    return 2;
}
