// From a picture to a page: libvips decodes, fits, thresholds or finds edges, closes, thickens
// and labels; what is left here is choosing the parameters and the little bookkeeping between
// libvips' labels and the page's pixels.
#include "pagemaker/pagemaker.h"

#include "host/posix/files.h"

#include <vips/vips8>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace tw::pages {

using vips::VError;
using vips::VImage;

namespace {

struct Tuning {
    double sigma;  // drawings: the neighbourhood of the local threshold; photos: the edge blur
    double level;  // drawings: how much darker than its surroundings ink is (grey levels);
                   // photos: the weakest edge kept (grey levels a pixel)
    double share;  // photos: the weakest edge kept, as a share of the strongest
    int speck;     // outline pieces smaller than this are removed
};

Tuning TuningFor(Kind kind, Detail detail)
{
    const int d = static_cast<int>(detail);  // low, medium, high
    static const Tuning drawing[3] = {{10, 22, 0, 200}, {8, 14, 0, 120}, {6, 9, 0, 60}};
    static const Tuning photo[3] = {{3.0, 10, 0.4, 350}, {2.2, 6, 0.25, 220}, {1.6, 4, 0.15, 120}};
    return kind == Kind::Drawing ? drawing[d] : photo[d];
}

VImage Square(int size)
{
    return VImage::new_matrix(size, size).linear(1.0, 255.0);
}

// The pixels of `image`, converted to T.
template <class T>
std::vector<T> Pixels(const VImage& image, VipsBandFormat format)
{
    size_t size = 0;
    void* data = image.cast(format).write_to_memory(&size);
    std::vector<T> pixels(static_cast<T*>(data), static_cast<T*>(data) + size / sizeof(T));
    g_free(data);
    return pixels;
}

VImage FromMemory(const std::vector<uint8_t>& pixels)
{
    return VImage::new_from_memory(const_cast<uint8_t*>(pixels.data()), pixels.size(), kPageWidth, kPageHeight, 1,
                                   VIPS_FORMAT_UCHAR)
        .copy_memory();
}

// The picture, upright and fitted to the page, and where it goes on the page.
struct Fitted {
    VImage lab;   // CIE Lab, float
    VImage grey;  // one band of uchar
    bool turned = false;
    int left = 0, top = 0;
};

Fitted Fit(const std::string& path)
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
    long long w = head.width(), h = head.height();
    if (w * h > kMaxPicturePixels)
        throw Failure(path + " is too large: " + std::to_string(w) + " x " + std::to_string(h) +
                      " pixels, more than 100 megapixels");
    if (head.get_typeof(VIPS_META_ORIENTATION) != 0 && head.get_int(VIPS_META_ORIENTATION) >= 5)
        std::swap(w, h);
    // Turned a quarter when that lets the picture cover more of the page.
    const double straight = std::min(double(kPageWidth) / w, double(kPageHeight) / h);
    const double across = std::min(double(kPageWidth) / h, double(kPageHeight) / w);
    Fitted f;
    f.turned = across > straight * 1.0001;
    const int boxW = f.turned ? kPageHeight : kPageWidth;
    const int boxH = f.turned ? kPageWidth : kPageHeight;

    // Decoded here, once (shrunk as it is read where the format allows): a damaged file fails
    // now, before anything is written.
    VImage pic = VImage::thumbnail(path.c_str(), boxW,
                                   VImage::option()->set("height", boxH)->set("fail_on", VIPS_FAIL_ON_TRUNCATED))
                     .copy_memory();
    if (f.turned)
        pic = pic.rot(VIPS_ANGLE_D90);
    if (pic.bands() < 3 && pic.format() == VIPS_FORMAT_UCHAR)
        pic = pic.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    if (pic.interpretation() != VIPS_INTERPRETATION_sRGB)
        pic = pic.colourspace(VIPS_INTERPRETATION_sRGB);
    if (pic.has_alpha())
        pic = pic.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    pic = pic.cast(VIPS_FORMAT_UCHAR).copy_memory();
    f.lab = pic.colourspace(VIPS_INTERPRETATION_LAB).copy_memory();
    f.grey = pic.colourspace(VIPS_INTERPRETATION_B_W).extract_band(0).cast(VIPS_FORMAT_UCHAR).copy_memory();
    f.left = (kPageWidth - f.grey.width()) / 2;
    f.top = (kPageHeight - f.grey.height()) / 2;
    return f;
}

// A drawing is mostly paper, flat apart from its lines, and has little colour.
Kind Decide(const Fitted& f)
{
    VImage grey = f.grey.cast(VIPS_FORMAT_FLOAT).gaussblur(1.0);
    const double flat = ((grey - grey.gaussblur(12)).abs() < 12).avg() / 255.0;
    const double chroma = (f.lab[1] * f.lab[1] + f.lab[2] * f.lab[2]).pow(0.5).avg();
    return flat > 0.8 && chroma < 20 ? Kind::Drawing : Kind::Photo;
}

// 255 where the picture has a line, on the page.
VImage Lines(const Fitted& f, Kind kind, const Tuning& t)
{
    VImage lines;
    if (kind == Kind::Drawing) {
        // Darker than its neighbourhood by a margin: uneven light and paper grain move the
        // neighbourhood with them.
        VImage grey = f.grey.cast(VIPS_FORMAT_FLOAT);
        lines = grey < grey.gaussblur(t.sigma) - t.level;
    } else {
        // Edges of lightness and of colour both: Lab, with lightness in grey levels. Canny's
        // output is (gradient squared + 256) / 512 where it keeps an edge, 0 elsewhere.
        VImage lab = f.lab.linear({2.55, 1.0, 1.0}, {0.0, 0.0, 0.0});
        VImage canny = lab.canny(VImage::option()->set("sigma", t.sigma));
        VImage squared = (canny > 0.5).ifthenelse((canny - 0.5) * 512.0, 0.0);
        VImage strength = (squared[0] + squared[1] + squared[2]).pow(0.5).copy_memory();
        // The main shapes: edges strong for this picture, and never faint ones.
        const double strongest = strength.max();
        lines = strength >= std::max(t.level, t.share * strongest);
    }
    return lines.embed(f.left, f.top, kPageWidth, kPageHeight);
}

// Turns every 4-connected piece of `value` (0 or 255) smaller than `least` pixels into the other
// value; returns how many pieces of `value` are left.
int DropSmallPieces(std::vector<uint8_t>& page, uint8_t value, int least)
{
    VImage mask = FromMemory(page).labelregions().cast(VIPS_FORMAT_UINT);
    const std::vector<int> labels = Pixels<int>(mask, VIPS_FORMAT_INT);
    const std::vector<int> sizes =
        Pixels<int>(VImage::black(kPageWidth, kPageHeight).linear(0.0, 1.0).hist_find_indexed(mask), VIPS_FORMAT_INT);
    std::vector<bool> seen(sizes.size(), false);
    int left = 0;
    for (int i = 0; i < kPagePixels; i++) {
        if (page[i] != value)
            continue;
        if (sizes[labels[i]] < least) {
            page[i] = uint8_t(255 - value);
        } else if (!seen[labels[i]]) {
            seen[labels[i]] = true;
            left++;
        }
    }
    return left;
}

std::vector<uint8_t> Morph(const std::vector<uint8_t>& page, int size, VipsOperationMorphology how)
{
    return Pixels<uint8_t>(FromMemory(page).morph(Square(size), how), VIPS_FORMAT_UCHAR);
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
    try {
        Fitted fitted = Fit(picture);
        Page page;
        page.turned = fitted.turned;
        page.decided = options.kind == Kind::Decide;
        page.kind = page.decided ? Decide(fitted) : options.kind;
        const Tuning t = TuningFor(page.kind, options.detail);

        std::vector<uint8_t> ink = Pixels<uint8_t>(Lines(fitted, page.kind, t), VIPS_FORMAT_UCHAR);
        // Gaps up to 4 pixels closed, so that a fill stays inside its shape, and the lines made
        // bold, which also joins pixels that only touch at their corners.
        ink = Morph(Morph(ink, 5, VIPS_OPERATION_MORPHOLOGY_DILATE), 5, VIPS_OPERATION_MORPHOLOGY_ERODE);
        ink = Morph(ink, 3, VIPS_OPERATION_MORPHOLOGY_DILATE);
        DropSmallPieces(ink, 255, t.speck);  // specks, and scraps of texture
        // A frame, so that no region runs off the page.
        for (int y = 0; y < kPageHeight; y++)
            for (int x = 0; x < kPageWidth; x++)
                if (x < 3 || y < 3 || x >= kPageWidth - 3 || y >= kPageHeight - 3)
                    ink[size_t(y) * kPageWidth + x] = 255;
        // Paper too small to colour becomes outline.
        page.regions = DropSmallPieces(ink, 0, kMinRegion);
        page.ink.resize(kPagePixels);
        std::transform(ink.begin(), ink.end(), page.ink.begin(), [](uint8_t v) { return v ? 1 : 0; });
        return page;
    } catch (const VError& e) {
        std::string why = e.what();
        why = why.substr(0, why.find('\n'));
        while (!why.empty() && (why.back() == ' ' || why.back() == '.'))
            why.pop_back();
        throw Failure(picture + " cannot be read" + (why.empty() ? std::string() : ": " + why));
    }
}

std::vector<uint8_t> EncodePreview(const Page& page)
{
    StartImaging(nullptr);
    std::vector<uint8_t> grey(page.ink.size());
    std::transform(page.ink.begin(), page.ink.end(), grey.begin(), [](uint8_t v) { return v ? 0 : 255; });
    void* buffer = nullptr;
    size_t size = 0;
    try {
        FromMemory(grey).write_to_buffer(".png", &buffer, &size, VImage::option()->set("bitdepth", 1));
    } catch (const VError& e) {
        throw Failure(std::string("the preview cannot be made: ") + e.what());
    }
    std::vector<uint8_t> png(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return png;
}

}  // namespace tw::pages
