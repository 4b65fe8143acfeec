// Checks of the shipped picture files: the six page files are well-formed one-bit pages a
// child can colour everywhere (no specks, no leaking one-pixel gaps), and the bitmaps whose
// pixels the program paints over line up with what it paints; the sound files are plain
// PCM of the exact lengths the program plays them at, and the tune is a well-formed MIDI file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string SourceDir() {
    if (const char* dir = std::getenv("TW_SOURCE_DIR")) return dir;
    std::string here = __FILE__;  // .../tests/unit/art_assets_test.cpp
    return here.substr(0, here.rfind("/tests/"));
}

std::vector<uint8_t> ReadAll(const std::string& rel) {
    std::ifstream in(SourceDir() + "/" + rel, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& d, size_t o) {
    return d[o] | d[o + 1] << 8 | d[o + 2] << 16 | uint32_t(d[o + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& d, size_t o) { return uint16_t(d[o] | d[o + 1] << 8); }

constexpr int kW = 660, kH = 460, kStride = 84;

// Paper map of a shipped page, row 0 at the top: true = paper.
std::vector<bool> PaperOf(const std::vector<uint8_t>& d) {
    std::vector<bool> paper(kW * kH);
    for (int y = 0; y < kH; ++y) {
        size_t row = 62 + size_t(kH - 1 - y) * kStride;
        for (int x = 0; x < kW; ++x) paper[y * kW + x] = (d[row + x / 8] >> (7 - x % 8)) & 1;
    }
    return paper;
}

std::vector<int> RegionSizes(const std::vector<bool>& paper) {
    std::vector<int> label(kW * kH, -1), sizes, stack;
    for (int s = 0; s < kW * kH; ++s) {
        if (!paper[s] || label[s] >= 0) continue;
        int n = int(sizes.size()), count = 0;
        label[s] = n;
        stack.push_back(s);
        while (!stack.empty()) {
            int i = stack.back();
            stack.pop_back();
            ++count;
            int x = i % kW, y = i / kW;
            const std::pair<int, int> next[] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (auto [nx, ny] : next) {
                if (nx < 0 || ny < 0 || nx >= kW || ny >= kH) continue;
                int j = ny * kW + nx;
                if (paper[j] && label[j] < 0) {
                    label[j] = n;
                    stack.push_back(j);
                }
            }
        }
        sizes.push_back(count);
    }
    return sizes;
}

const char* const kPages[] = {"dogwood.TWP", "holly.TWP", "pansies.TWP",
                              "prickly.TWP", "weeping.twp", "buy_me4.TWP"};

TEST(ShippedPages, HeadersAreFreshOneBitPages) {
    for (const char* name : kPages) {
        SCOPED_TRACE(name);
        auto d = ReadAll(std::string("pages/") + name);
        ASSERT_EQ(d.size(), 38702u);
        EXPECT_EQ(d[0], 'T');
        EXPECT_EQ(d[1], 'W');
        EXPECT_EQ(U32(d, 2), 38702u);
        EXPECT_EQ(U16(d, 6), 1u) << "blank flag";
        EXPECT_EQ(U16(d, 8), 0u);
        EXPECT_EQ(U32(d, 10), 62u);
        EXPECT_EQ(U32(d, 14), 40u);
        EXPECT_EQ(int32_t(U32(d, 18)), kW);
        EXPECT_EQ(int32_t(U32(d, 22)), kH);
        EXPECT_EQ(U16(d, 26), 1u);
        EXPECT_EQ(U16(d, 28), 1u);
        EXPECT_EQ(U32(d, 30), 0u);
        EXPECT_EQ(U32(d, 34), 38640u);
        EXPECT_EQ(U32(d, 46), 2u);
        // Colour table: black, then white.
        EXPECT_EQ(U32(d, 54), 0u);
        EXPECT_EQ(U32(d, 58), 0x00FFFFFFu);
        // The 12 padding bits at the end of every row are set.
        for (int r = 0; r < kH; ++r) {
            size_t o = 62 + size_t(r) * kStride;
            ASSERT_EQ(d[o + 82] & 0x0F, 0x0F) << "row " << r;
            ASSERT_EQ(d[o + 83], 0xFF) << "row " << r;
        }
    }
}

TEST(ShippedPages, EveryRegionIsBigEnoughAndOutlinesHaveNoOnePixelGaps) {
    for (const char* name : kPages) {
        SCOPED_TRACE(name);
        auto d = ReadAll(std::string("pages/") + name);
        ASSERT_EQ(d.size(), 38702u);
        auto paper = PaperOf(d);
        auto ink = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < kW && y < kH && !paper[y * kW + x];
        };
        int corridors = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (paper[y * kW + x] &&
                    ((ink(x - 1, y) && ink(x + 1, y)) || (ink(x, y - 1) && ink(x, y + 1))))
                    ++corridors;
        EXPECT_EQ(corridors, 0);
        auto sizes = RegionSizes(paper);
        EXPECT_GE(sizes.size(), 20u) << "a page splits into many areas to colour";
        for (int s : sizes) EXPECT_GE(s, 150);
        // Line art, not a blot: most of the page is paper.
        int inked = 0;
        for (bool p : paper) inked += !p;
        EXPECT_LT(inked, kW * kH / 6);
    }
}

// Pixels of a 16-colour bitmap resource file, row 0 at the top.
std::vector<int> Pixels4(const std::vector<uint8_t>& d, int& w, int& h) {
    w = int32_t(U32(d, 18));
    h = int32_t(U32(d, 22));
    int stride = ((w * 4 + 31) / 32) * 4;
    std::vector<int> px(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t b = d[U32(d, 10) + size_t(h - 1 - y) * stride + x / 2];
            px[y * w + x] = x % 2 ? b & 15 : b >> 4;
        }
    return px;
}

// The disc runs of the colour buttons: {first row, last row, first x, last x}.
struct Span { int r0, r1, x0, x1; };
const Span kDiscUp[] = {{12, 12, 19, 25}, {13, 13, 17, 27}, {14, 14, 16, 28}, {15, 15, 15, 29},
                        {16, 16, 14, 30}, {17, 18, 13, 31}, {19, 25, 12, 32}, {26, 27, 13, 31},
                        {28, 28, 14, 30}, {29, 29, 15, 29}, {30, 30, 16, 28}, {31, 31, 17, 27},
                        {32, 32, 19, 25}};
const Span kDiscDown[] = {{3, 3, 18, 26},   {4, 4, 15, 29},   {5, 5, 13, 31},   {6, 6, 11, 33},
                          {7, 7, 10, 34},   {8, 8, 9, 35},    {9, 9, 8, 36},    {10, 10, 7, 37},
                          {11, 12, 6, 38},  {13, 14, 5, 39},  {15, 17, 4, 40},  {18, 26, 3, 41},
                          {27, 29, 4, 40},  {30, 31, 5, 39},  {32, 33, 6, 38},  {34, 34, 7, 37},
                          {35, 35, 8, 36},  {36, 36, 9, 35},  {37, 37, 10, 34}, {38, 38, 11, 33},
                          {39, 39, 13, 31}, {40, 40, 15, 29}, {41, 41, 18, 26}};

template <size_t N>
std::set<std::pair<int, int>> DiscSet(const Span (&spans)[N]) {
    std::set<std::pair<int, int>> s;
    for (const Span& sp : spans)
        for (int y = sp.r0; y <= sp.r1; ++y)
            for (int x = sp.x0; x <= sp.x1; ++x) s.insert({x, y});
    return s;
}

TEST(ButtonBitmaps, ColourButtonCentreIsBlackExactlyWhereTheSmallDiscIsPainted) {
    int w, h;
    auto px = Pixels4(ReadAll("resources/bitmaps/ColorBtn.bmp"), w, h);
    ASSERT_EQ(w, 45);
    ASSERT_EQ(h, 45);
    auto disc = DiscSet(kDiscUp);
    // Inside the button's face (away from its black outer ring) black means the disc.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = x + 0.5 - 22.5, dy = y + 0.5 - 22.5;
            if (dx * dx + dy * dy < 17.0 * 17.0) {
                EXPECT_EQ(px[y * w + x] == 0, disc.count({x, y}) == 1) << x << "," << y;
            }
        }
    EXPECT_EQ(px[0], 7) << "corner shows the grey band";
    EXPECT_EQ(px[22 * w + 0], 0) << "outline touches the left edge";
    EXPECT_EQ(px[0 * w + 22], 0) << "outline touches the top edge";
}

TEST(ButtonBitmaps, PressedColourButtonKeepsABlackRimRoundTheLargeDisc) {
    int w, h;
    auto px = Pixels4(ReadAll("resources/bitmaps/ColorBtnDn.bmp"), w, h);
    ASSERT_EQ(w, 45);
    ASSERT_EQ(h, 45);
    auto disc = DiscSet(kDiscDown);
    for (auto [x, y] : disc) EXPECT_EQ(px[y * w + x], 0);
    // Every painted pixel has black within three pixels outward on each side of its row
    // and column: the colour always shows a black rim.
    for (auto [x, y] : disc) {
        for (auto [dx, dy] : {std::pair{3, 0}, {-3, 0}, {0, 3}, {0, -3}}) {
            int nx = x + dx, ny = y + dy;
            if (disc.count({nx, ny})) continue;
            ASSERT_TRUE(nx >= 0 && ny >= 0 && nx < w && ny < h);
            EXPECT_EQ(px[ny * w + nx], 0) << nx << "," << ny;
        }
    }
    EXPECT_EQ(px[22 * w + 0], 0);
    EXPECT_EQ(px[44 * w + 22], 0);
    EXPECT_EQ(px[0], 7);
}

TEST(ButtonBitmaps, DotPatternIsAPlusOnYellow) {
    int w, h;
    auto px = Pixels4(ReadAll("resources/bitmaps/DotPattern.bmp"), w, h);
    ASSERT_EQ(w, 8);
    ASSERT_EQ(h, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool black = (x == 4 && y <= 6) || (y == 3 && x >= 1);
            EXPECT_EQ(px[y * w + x], black ? 0 : 11) << x << "," << y;
        }
}

TEST(ButtonBitmaps, SizesMatchTheirButtons) {
    const std::pair<const char*, std::pair<int, int>> sizes[] = {
        {"TitleArea", {148, 45}}, {"QuitBtn", {96, 45}},   {"QuitBtnDn", {96, 45}},
        {"PrintBtn", {79, 45}},   {"PrintBtnDn", {79, 45}}, {"ClearBtn", {79, 45}},
        {"ClearBtnDn", {79, 45}}, {"InfoBtn", {96, 45}},   {"InfoBtnDn", {96, 45}},
        {"UpBtn", {53, 45}},      {"UpBtnDn", {53, 45}},   {"DownBtn", {53, 45}},
        {"DownBtnDn", {53, 45}},  {"IntroScr", {320, 200}}, {"CopyRight", {320, 50}}};
    for (auto& [name, wh] : sizes) {
        SCOPED_TRACE(name);
        auto d = ReadAll(std::string("resources/bitmaps/") + name + ".bmp");
        ASSERT_GE(d.size(), 118u);
        EXPECT_EQ(d[0], 'B');
        EXPECT_EQ(d[1], 'M');
        EXPECT_EQ(U32(d, 2), d.size());
        EXPECT_EQ(U16(d, 28), 4u);
        int w, h;
        auto px = Pixels4(d, w, h);
        EXPECT_EQ(w, wh.first);
        EXPECT_EQ(h, wh.second);
        if (std::string(name) != "IntroScr" && std::string(name) != "CopyRight") {
            EXPECT_EQ(px[0], 7) << "light-grey ground in the corner";
        }
    }
}

TEST(CaptionStrip, UsedCaptionsHaveInkOnlyInsideTheirBands) {
    auto d = ReadAll("resources/bitmaps/Titles.bmp");
    ASSERT_GE(d.size(), 62u);
    ASSERT_EQ(int32_t(U32(d, 18)), 140);
    ASSERT_EQ(int32_t(U32(d, 22)), 510);
    ASSERT_EQ(U16(d, 28), 1u);
    const int stride = 20;
    auto black = [&](int x, int y) {
        return !((d[U32(d, 10) + size_t(509 - y) * stride + x / 8] >> (7 - x % 8)) & 1);
    };
    for (int band : {0, 12, 21, 29, 34, 49}) {
        SCOPED_TRACE(band);
        int inked = 0;
        for (int y = band * 10; y < band * 10 + 10; ++y)
            for (int x = 0; x < 140; ++x) inked += black(x, y);
        EXPECT_GT(inked, 40);
        // The top and bottom rows of a band stay white, so captions never touch.
        for (int x = 0; x < 140; ++x) {
            EXPECT_FALSE(black(x, band * 10));
            EXPECT_FALSE(black(x, band * 10 + 9));
        }
    }
}

// The eight sound effects: data bytes of each, and whether the program loops it.
struct Sfx { int id; uint32_t bytes; bool looped; };
const Sfx kSounds[] = {{1, 19712, false}, {2, 19786, false}, {3, 20024, false},
                       {4, 19872, false}, {5, 2190, true},   {6, 2144, true},
                       {7, 18040, false}, {8, 4614, false}};

TEST(ShippedSounds, CanonicalMonoPcmOfExactLengthWithoutClicksOrClipping) {
    for (const Sfx& s : kSounds) {
        SCOPED_TRACE(s.id);
        auto d = ReadAll("resources/sounds/sfx" + std::to_string(s.id) + ".wav");
        ASSERT_EQ(d.size(), 44 + s.bytes);
        EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "RIFF");
        EXPECT_EQ(U32(d, 4), 36 + s.bytes);
        EXPECT_EQ(std::string(d.begin() + 8, d.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(U32(d, 16), 16u);
        EXPECT_EQ(U16(d, 20), 1u) << "PCM";
        EXPECT_EQ(U16(d, 22), 1u) << "mono";
        EXPECT_EQ(U32(d, 24), 22050u);
        EXPECT_EQ(U32(d, 28), 44100u);
        EXPECT_EQ(U16(d, 32), 2u);
        EXPECT_EQ(U16(d, 34), 16u);
        EXPECT_EQ(std::string(d.begin() + 36, d.begin() + 40), "data");
        EXPECT_EQ(U32(d, 40), s.bytes);

        std::vector<int> pcm;
        for (size_t o = 44; o < d.size(); o += 2) pcm.push_back(int16_t(U16(d, o)));
        int peak = 0;
        for (int v : pcm) peak = std::max(peak, std::abs(v));
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_GT(peak, (s.looped ? 32768 / 8 : 32768 / 4)) << "audible";
        if (s.looped) {
            // The last sample runs on into the first, so the step there is a small one.
            EXPECT_LE(std::abs(pcm.back() - pcm.front()), peak / 16);
            EXPECT_LE(peak, 32768 / 3) << "the loops play under everything else, quietly";
        } else {
            // Starts and ends at rest: no click when it starts or stops.
            EXPECT_LE(std::abs(pcm.front()), 64);
            EXPECT_LE(std::abs(pcm.back()), 64);
        }
    }
}

uint32_t B32(const std::vector<uint8_t>& d, size_t o) {
    return uint32_t(d[o]) << 24 | d[o + 1] << 16 | d[o + 2] << 8 | d[o + 3];
}

TEST(ShippedTune, WellFormedMidiFileOfAMinuteOrSo) {
    auto d = ReadAll("pages/tintmus.mid");
    ASSERT_GE(d.size(), 14u);
    ASSERT_EQ(std::string(d.begin(), d.begin() + 4), "MThd");
    ASSERT_EQ(B32(d, 4), 6u);
    int format = d[8] << 8 | d[9], tracks = d[10] << 8 | d[11], division = d[12] << 8 | d[13];
    EXPECT_LE(format, 1);
    ASSERT_GT(division, 0) << "ticks per quarter note";
    ASSERT_LT(division, 0x8000);
    size_t o = 14;
    uint32_t tempo = 0, last_tick = 0;
    int tempos = 0, notes = 0;
    for (int t = 0; t < tracks; ++t) {
        SCOPED_TRACE(t);
        ASSERT_LE(o + 8, d.size());
        ASSERT_EQ(std::string(d.begin() + o, d.begin() + o + 4), "MTrk");
        size_t end = o + 8 + B32(d, o + 4);
        ASSERT_LE(end, d.size());
        o += 8;
        auto vlq = [&] {
            uint32_t v = 0;
            for (int i = 0; i < 4 && o < end; ++i) {
                v = v << 7 | (d[o] & 0x7F);
                if (!(d[o++] & 0x80)) break;
            }
            return v;
        };
        uint32_t tick = 0;
        uint8_t status = 0;
        bool ended = false;
        while (o < end && !ended) {
            tick += vlq();
            ASSERT_LT(o, end);
            if (d[o] & 0x80) status = d[o++];
            ASSERT_NE(status, 0) << "running status with nothing to run on";
            if (status == 0xFF) {
                ASSERT_LT(o, end);
                uint8_t type = d[o++];
                uint32_t len = vlq();
                ASSERT_LE(o + len, end);
                if (type == 0x51 && len == 3) {
                    tempo = uint32_t(d[o]) << 16 | d[o + 1] << 8 | d[o + 2];
                    ++tempos;
                }
                ended = type == 0x2F && len == 0;
                o += len;
                status = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t len = vlq();
                o += len;
                status = 0;
            } else {
                int kind = status >> 4;
                o += (kind == 0xC || kind == 0xD) ? 1 : 2;
                if (kind == 0x9 && o <= end && d[o - 1] > 0) ++notes;
            }
        }
        EXPECT_TRUE(ended) << "track closes with end-of-track";
        EXPECT_EQ(o, end) << "end-of-track is the last event, exactly at the chunk's end";
        last_tick = std::max(last_tick, tick);
        o = end;
    }
    EXPECT_EQ(o, d.size()) << "nothing after the last track";
    EXPECT_GT(notes, 100);
    ASSERT_EQ(tempos, 1);
    double seconds = double(last_tick) * tempo / 1e6 / division;
    EXPECT_GE(seconds, 45.0);
    EXPECT_LE(seconds, 90.0);
}

}  // namespace
