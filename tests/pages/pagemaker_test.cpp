// tintwell-pages: pages made from pictures drawn here, judged by the program's own page loader
// and counted with the fill's own rule (4-neighbour over paper); bad input refused with nothing
// written; the slots of the child's folder.
#include "pagemaker/pagemaker.h"
#include "pages/pictures.h"
#include "unit/page_fixture.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <deque>

namespace tintwell_test {
namespace {

namespace tp = tw::pages;

// The paper regions of the PageImage as the fill sees them: a label for each page point (y from
// the top; -1 on outline) and the size of each region.
struct Regions {
    std::vector<int> label = std::vector<int>(kPixels, -1);
    std::vector<int> size;

    static Regions OfPageImage()
    {
        Regions r;
        for (int start = 0; start < kPixels; start++) {
            if (r.label[start] >= 0 || PagePixel(start % kWidth, start / kWidth) != PAPER_INDEX)
                continue;
            const int id = int(r.size.size());
            r.size.push_back(0);
            std::deque<int> queue{start};
            r.label[start] = id;
            while (!queue.empty()) {
                const int at = queue.front();
                queue.pop_front();
                r.size[id]++;
                const int x = at % kWidth, y = at / kWidth;
                const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
                for (const auto& n : next) {
                    const int i = n[1] * kWidth + n[0];
                    if (n[0] >= 0 && n[1] >= 0 && n[0] < kWidth && n[1] < kHeight && r.label[i] < 0 &&
                        PagePixel(n[0], n[1]) == PAPER_INDEX) {
                        r.label[i] = id;
                        queue.push_back(i);
                    }
                }
            }
        }
        return r;
    }
    int At(int x, int y) const { return label[y * kWidth + x]; }
    int Smallest() const { return size.empty() ? 0 : *std::min_element(size.begin(), size.end()); }
    double Ink() const { return double(std::count(label.begin(), label.end(), -1)) / kPixels; }
};

Bytes FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun RunTool(const std::string& args)
{
    // A runtime folder of its own, where it finds no Tintwell running.
    fs::create_directories("run");
    fs::permissions("run", fs::perms::owner_all);
    const std::string command =
        "XDG_RUNTIME_DIR=\"$PWD/run\" " + std::string(TW_PAGES_PROGRAM) + " " + args + " 2>tool-err.txt";
    ToolRun r;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            r.out.append(buffer, n);
        const int status = ::pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::ifstream err("tool-err.txt");
    r.err.assign(std::istreambuf_iterator<char>(err), {});
    return r;
}

class PagesTest : public PageUnitTest {
protected:
    PagesTest() { tp::StartImaging(nullptr); }

    // Makes the page, writes it as the tool does and loads it into the PageImage.
    tp::Page MakeAndLoad(const std::string& picture, tp::MakeOptions options = {})
    {
        tp::Page page = tp::MakePage(picture, options);
        tp::WriteWhole("made.TWP", tp::EncodePage(page));
        EXPECT_EQ(LoadPage("made.TWP"), 1);
        EXPECT_TRUE(Boxes().seen.empty()) << Boxes().seen.front().text;
        return page;
    }

    // Runs `tintwell-pages make PICTURE ARGS -o made.TWP --preview made.png` as a user does and
    // loads the page it writes into the PageImage; the preview is shown beside the picture as
    // `shot` (see ShowBeforeAndAfter).
    ToolRun MakeWithTool(const std::string& picture, const std::string& args, const std::string& shot)
    {
        const ToolRun r = RunTool("make " + picture + " " + args + " -o made.TWP --preview made.png");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(LoadPage("made.TWP"), 1);
        EXPECT_TRUE(Boxes().seen.empty()) << Boxes().seen.front().text;
        ShowBeforeAndAfter(picture, FileBytes("made.png"), shot);
        return r;
    }
};

// The number of areas the tool says it made ("made a page with N areas to colour").
int AreasSaid(const ToolRun& r)
{
    const size_t at = r.out.find("made a page with ");
    return at == std::string::npos ? -1 : std::atoi(r.out.c_str() + at + 17);
}

// A drawing with a border drawn round it near its edges, 1320 x 920: it fills the page at half
// its size, so page point (x, y) is picture point (2x, 2y).
Picture BorderedDrawing()
{
    Picture p(1320, 920, 248, 247, 244);
    p.Box(12, 12, 1308, 908, 8);
    return p;
}

// --- Stories: the tool as a parent uses it ---

// A photo becomes what a colouring book would make of it: each shape an area of its own, closed
// by construction, and the sky and the ground, shaded as they are, each one area (more of them
// only when more detail is asked for); little black.
TEST_F(PagesTest, PhotoBecomesItsShapesOnAPlainBackground)
{
    PhotoLike(1, 6).Save("photo.jpg");
    // Page points inside each shape (the picture is fitted at 0.275 across, 0.2875 down).
    const struct {
        const char* name;
        int x, y;
    } sky{"sky", 20, 20}, ground{"ground", 20, 420}, shapes[] = {
        {"sun", 536, 84}, {"ball", 192, 345}, {"bush", 357, 273}, {"house", 470, 200}, {"door", 488, 290}};
    size_t fewest = 1000, most = 0;
    for (const std::string detail : {"low", "medium", "high"}) {
        SCOPED_TRACE(detail);
        const ToolRun r = MakeWithTool("photo.jpg", "--detail " + detail, "pages-photo-" + detail + ".png");
        EXPECT_NE(r.out.find("photo.jpg looks like a photo"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("poor"), std::string::npos) << r.out;
        const Regions regions = Regions::OfPageImage();
        EXPECT_EQ(int(regions.size.size()), AreasSaid(r)) << r.out;
        EXPECT_GE(regions.Smallest(), tp::kMinRegion);
        EXPECT_LE(regions.size.size(), 60u);
        EXPECT_LT(regions.Ink(), 0.1);
        std::set<int> seen{regions.At(sky.x, sky.y), regions.At(ground.x, ground.y)};
        EXPECT_EQ(seen.size(), 2u);
        for (const auto& shape : shapes)
            EXPECT_TRUE(seen.insert(regions.At(shape.x, shape.y)).second) << shape.name << " is not an area of its own";
        if (detail != "high") {
            // Top to bottom of the sky and across the ground, past the shapes: one area each.
            for (int y = 20; y < 150; y += 10)
                EXPECT_EQ(regions.At(20, y), regions.At(sky.x, sky.y)) << "sky at " << y;
            for (int x = 20; x < 640; x += 20)
                EXPECT_EQ(regions.At(x, 440), regions.At(ground.x, ground.y)) << "ground at " << x;
        }
        fewest = std::min(fewest, regions.size.size());
        most = std::max(most, regions.size.size());
    }
    EXPECT_LT(fewest, most);
}

// A sheet of paper photographed lying on a table: only the sheet becomes the page, straight, with
// neither the table nor the sheet's edge as lines.
TEST_F(PagesTest, PhotographedSheetIsFoundAndStraightened)
{
    Picture p(1200, 900, 95, 70, 50);
    const double quad[4][2] = {{300, 110}, {890, 170}, {950, 820}, {240, 760}};
    p.Paint([&](int x, int y, uint8_t* c) {
        for (int i = 0; i < 4; i++) {
            const double* a = quad[i];
            const double* b = quad[(i + 1) % 4];
            if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0)
                return;
        }
        c[0] = c[1] = c[2] = uint8_t(235 * (1.0 - 0.25 * x / 1200.0));  // lit from the left
    });
    p.Ring(595, 465, 170, 170, 8);
    p.Save("sheet.jpg", 1.0);
    const ToolRun r = MakeWithTool("sheet.jpg", "", "pages-sheet.png");
    EXPECT_NE(r.out.find("sheet.jpg looks like a drawing on a photographed sheet"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("areas to colour, the sheet straightened: made.TWP"), std::string::npos) << r.out;
    const Regions regions = Regions::OfPageImage();
    // The ring in the middle; round it nothing but paper (and the paper beside the upright sheet).
    EXPECT_NE(regions.At(330, 230), regions.At(330, 20));
    EXPECT_LE(regions.size.size(), 4u);
    EXPECT_LT(regions.Ink(), 0.12);
}

// Every refusal: one line on stderr saying what was wrong, status 2, and nothing written.
TEST_F(PagesTest, ToolRefusesBadInputWithStatusTwoAndWritesNothing)
{
    Picture p(900, 600, 240, 240, 240);
    p.Ring(450, 300, 200, 200, 8);
    p.Save("ring.png");
    p.Save("whole.jpg");
    const Bytes png = FileBytes("ring.png"), jpg = FileBytes("whole.jpg");
    std::ofstream("truncated.jpg", std::ios::binary).write(reinterpret_cast<const char*>(jpg.data()), jpg.size() / 2);
    std::ofstream("truncated.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size() / 2);
    std::ofstream("notes.txt") << "not a picture\n";
    std::ofstream("empty.png");
    // 12,000 x 9,000 pixels by its header, and nothing more: refused before any decoding.
    std::ofstream("huge.ppm") << "P6\n12000 9000\n255\n";
    std::ofstream("blocker") << "a file where a folder should be\n";
    ASSERT_EQ(::mkfifo("fifo.png", 0600), 0);  // waited on, it would hang the tool
    fs::create_directories("child");
    fs::copy_file(fs::path(TW_SOURCE_PAGES) / "holly.TWP", "child/holly.TWP");
    const Bytes holly = FileBytes("child/holly.TWP");

    struct Case {
        const char* args;
        const char* says;
    } cases[] = {
        {"make notes.txt --slot 2 --pages child", "notes.txt is not a picture"},
        {"make empty.png -o page.TWP", "empty.png is not a picture"},
        {"make absent.png -o page.TWP", "absent.png cannot be opened"},
        {"make fifo.png -o page.TWP", "fifo.png is not a picture"},
        {"make truncated.jpg --slot 2 --pages child", "truncated.jpg cannot be read"},
        {"make truncated.png -o page.TWP", "truncated.png cannot be read"},
        {"make huge.ppm -o page.TWP", "more than 100 megapixels"},
        {"make ring.png --slot 7 --pages child", "no slot '7'"},
        {"make ring.png --slot 0 --pages child", "no slot '0'"},
        {"make ring.png --slot 2 --pages blocker/child", "blocker/child"},
        {"make ring.png -o missing/page.TWP", "cannot write missing/page.TWP"},
        {"make ring.png --slot 2 -o page.TWP --pages child", "either -o FILE or --slot N, not both"},
        {"make ring.png --pages child", "where the page goes: -o FILE or --slot N"},
        // Nothing of the parent's lost, and nothing named as what it is not.
        {"make ring.png -o ring.png", "-o ring.png is the picture itself"},
        {"make ring.png -o ./ring.png --preview page.png", "-o ./ring.png is the picture itself"},
        {"make ring.png -o page.TWP --preview ring.png", "--preview ring.png is the picture itself"},
        {"make ring.png -o page.PNG", "-o page.PNG names a picture, but a page is not one"},
        {"make ring.png -o page.jpg --preview page.png", "names a picture"},
        {"make ring.png -o page.TWP --preview page.TWP", "give it a name ending in .png"},
        // Every output written, or none.
        {"make ring.png -o page.TWP --preview missing/page.png", "cannot write missing/page.png"},
        {"make ring.png -o missing/page.TWP --preview page.png", "cannot write missing/page.TWP"},
        {"make ring.png --slot 2 --pages child --preview missing/page.png", "cannot write missing/page.png"},
        {"make ring.png --slot 2 --detail enormous --pages child", "low, medium or high"},
        {"restore 9 --pages child", "no slot '9'"},
        {"frobnicate", "unknown command"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun r = RunTool(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("tintwell-pages: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(FileBytes("child/holly.TWP"), holly);
    EXPECT_EQ(FileBytes("ring.png"), png);
    EXPECT_FALSE(fs::exists("child/replaced"));
    EXPECT_FALSE(fs::exists("page.TWP"));
    EXPECT_FALSE(fs::exists("page.png"));
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_NE(e.path().filename().string().rfind(".page", 0), 0u) << "left behind: " << e.path();
    EXPECT_FALSE(fs::exists("blocker/child"));
    for (const auto& e : fs::directory_iterator("child"))
        EXPECT_EQ(e.path().filename().string().rfind(".", 0), std::string::npos) << "left behind: " << e.path();

    // A FIFO where a page should be is listed as no page, without waiting on it.
    ASSERT_EQ(::mkfifo("child/pansies.TWP", 0600), 0);
    const ToolRun listed = RunTool("list --pages child");
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("pansies.TWP  PANSIES         not a page"), std::string::npos) << listed.out;
}

// A picture that makes a poor page: one line saying why and what to try, status 3, nothing
// written; --force writes it all the same, and says it is poor.
TEST_F(PagesTest, ToolSaysWhyAPageWouldBePoorAndWritesItOnlyWhenForced)
{
    Picture(900, 600, 250, 250, 250).Save("blank.png");
    Picture blot = BorderedDrawing();
    blot.Paint([](int x, int y, uint8_t* c) {
        if (std::hypot(x - 660, y - 460) < 330)
            c[0] = c[1] = c[2] = 25;
    });
    blot.Save("blot.png");
    Picture dot = BorderedDrawing();
    dot.Ring(660, 460, 60, 60, 8);
    dot.Save("dot.png");
    Picture halves(1320, 920, 248, 247, 244);  // a box drawn round its edges, a bar down the middle
    halves.Box(0, 0, 1319, 919, 12);
    halves.Box(654, 0, 666, 919, 12);
    halves.Save("halves.png");
    const struct {
        const char* picture;
        const char* why;
    } cases[] = {
        {"blank.png", "nothing in the picture makes an outline; try --photo, or another picture"},
        {"blot.png", "of it would be black; try --detail low, or --photo"},
        {"dot.png", "one area would cover"},
        {"halves.png", "only 2 of its areas would be big enough to colour"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        ToolRun r = RunTool(std::string("make ") + c.picture + " -o page.TWP --preview page.png");
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err.rfind(std::string("tintwell-pages: ") + c.picture + " makes a poor page: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("(--force makes it all the same)"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::exists("page.TWP"));
        EXPECT_FALSE(fs::exists("page.png"));

        r = RunTool(std::string("make ") + c.picture + " -o page.TWP --preview page.png --force");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("it is a poor page: "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.why), std::string::npos) << r.out;
        EXPECT_EQ(LoadPage("page.TWP"), 1);
        EXPECT_TRUE(fs::exists("page.png"));
        fs::remove("page.TWP");
        fs::remove("page.png");
    }
}

// Whatever form a drawing comes in, it makes the same page: the formats libvips reads, grey or
// colour, 8 or 16 bits a channel, with transparent paper; and a camera's large JPEG (shrunk as it
// is read), stored on its side with a tag saying which way is up, is fitted upright.
TEST_F(PagesTest, ToolReadsDrawingsInEveryForm)
{
    using Form = Picture::Form;
    Picture p = BorderedDrawing();
    p.Ring(660, 460, 300, 300, 10);
    const struct {
        const char* file;
        Form form;
    } forms[] = {{"drawing.tif", Form::Rgb},        {"drawing.webp", Form::Rgb},  {"grey.png", Form::Grey},
                 {"deep.png", Form::Deep},          {"deep.tif", Form::Deep},     {"clear.png", Form::Clear},
                 {"grey-clear.png", Form::GreyClear}};
    for (const auto& f : forms) {
        SCOPED_TRACE(f.file);
        p.Save(f.file, 0, 0, f.form);
        const ToolRun r = MakeWithTool(f.file, "", std::string("pages-form-") + f.file + ".png");
        EXPECT_NE(r.out.find("looks like a drawing"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("poor"), std::string::npos) << r.out;
        const Regions regions = Regions::OfPageImage();
        // Inside the ring, between it and the border: two areas, and the frame's strips if any.
        EXPECT_NE(regions.At(330, 230), regions.At(40, 40));
        EXPECT_GE(regions.size.size(), 2u);
        EXPECT_LE(regions.size.size(), 4u);
        EXPECT_LT(regions.Ink(), 0.12);
    }

    // 4000 x 2800 as stored, 2800 x 4000 upright.
    Picture camera(4000, 2800, 240, 240, 236);
    camera.Ring(2000, 1400, 1100, 1100, 30);
    camera.Save("camera.jpg", 0, 6);
    const ToolRun r = MakeWithTool("camera.jpg", "", "pages-form-camera.png");
    EXPECT_NE(r.out.find("looks like a drawing"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("turned"), std::string::npos) << r.out;
    // Upright, the ring fills the page's height, with paper either side of the picture.
    const Regions regions = Regions::OfPageImage();
    EXPECT_NE(regions.At(330, 230), regions.At(20, 230));
    EXPECT_NE(regions.At(20, 230), regions.At(640, 230));
    EXPECT_GT(regions.size[size_t(regions.At(20, 230))], 8000);
}

// A page into a slot and back: the replaced pages kept, list telling what is where, restore
// bringing the shipped page back.
TEST_F(PagesTest, ToolPutsPagesIntoSlotsAndRestoresThem)
{
    Picture p(900, 600, 240, 240, 240);
    p.Ring(450, 300, 200, 200, 8);
    p.Save("ring.png");
    const Bytes shipped = FileBytes(fs::path(TW_SOURCE_PAGES) / "holly.TWP");

    ToolRun r = RunTool("make ring.png --slot 2 --pages child --preview ring-page.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("looks like a drawing"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("replaced is kept as child/replaced/holly."), std::string::npos) << r.out;
    EXPECT_EQ(LoadPage("child/holly.TWP"), 1);
    // Inside and outside the ring, and the paper either side of it (the picture is cut to the
    // ring, which is fitted upright).
    EXPECT_EQ(Regions::OfPageImage().size.size(), 4u);
    EXPECT_TRUE(fs::exists("ring-page.png"));
    // The other pages were copied from the shipped ones as the program does.
    EXPECT_EQ(FileBytes("child/dogwood.TWP"), FileBytes(fs::path(TW_SOURCE_PAGES) / "dogwood.TWP"));

    r = RunTool("make ring.png --slot 2 --pages child --photo");
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunTool("list --pages child");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2  holly.TWP    HOLLY           not coloured  made from a picture, 2 replaced kept"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("1  dogwood.TWP  DOGWOOD         not coloured  as shipped"), std::string::npos) << r.out;

    // Only a page made for the running program skips the check that it is not running.
    r = RunTool("list --pages child --from-tintwell");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("those options belong to make"), std::string::npos) << r.err;

    r = RunTool("restore 2 --pages child");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FileBytes("child/holly.TWP"), shipped);
    // Kept: the shipped page, the first page made and the second.
    int kept = 0, shippedKept = 0;
    for (const auto& e : fs::directory_iterator("child/replaced")) {
        kept++;
        shippedKept += FileBytes(e.path()) == shipped;
    }
    EXPECT_EQ(kept, 3);
    EXPECT_EQ(shippedKept, 1);

    // A replaced/ planted as a link to a folder elsewhere is not written through: the page is
    // refused, nothing changes there or in the slot.
    fs::create_directories("elsewhere");
    fs::create_directories("other");
    fs::copy("child/dogwood.TWP", "other/dogwood.TWP");
    fs::create_directory_symlink(fs::absolute("elsewhere"), "other/replaced");
    r = RunTool("restore 1 --pages other");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot keep the old dogwood.TWP in other/replaced"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty("elsewhere"));
    EXPECT_EQ(FileBytes("other/dogwood.TWP"), FileBytes("child/dogwood.TWP"));
}

// --- The pages themselves, made through the interface ---

TEST_F(PagesTest, ScannedDrawingComesOutClosedWithNoTinyRegion)
{
    ScannedDrawing().Save("drawing.jpg");
    const tp::Page page = MakeAndLoad("drawing.jpg");
    ShowBeforeAndAfter("drawing.jpg", tp::EncodePreview(page), "pages-drawing.png");
    EXPECT_TRUE(page.decided);
    EXPECT_EQ(page.kind, tp::Kind::Drawing);
    EXPECT_FALSE(page.turned);

    // A shipped-like page: one bit, blank, and loaded as the program's own.
    EXPECT_EQ(bmfhead.bfReserved1, 1);
    EXPECT_EQ(bmp.bmiHeader.biBitCount, 8);
    const Regions regions = Regions::OfPageImage();
    EXPECT_GE(regions.Smallest(), tp::kMinRegion);
    EXPECT_EQ(int(regions.size.size()), page.regions);

    // Each shape its own region, apart from the paper round them: the gaps have been closed.
    const int outside = regions.At(20, 20);
    ASSERT_GE(outside, 0);
    std::set<int> seen{outside};
    for (const DrawnShape& s : DrawingShapes()) {
        const int inside = regions.At(s.x, s.y);
        EXPECT_GE(inside, 0) << s.name;
        EXPECT_TRUE(seen.insert(inside).second) << s.name << " leaks into another region";
    }
    // The shadowed half keeps its lines and gains no blotches: the box's side under the shadow
    // is outline, the paper beside it is not.
    int outline = 0;
    for (int x = 330; x < 420; x++)
        outline += PagePixel(x, 392) == 0;
    EXPECT_GT(outline, 0);
    EXPECT_EQ(PagePixel(600, 392), PAPER_INDEX);
    EXPECT_TRUE(page.poor.empty()) << page.poor;
    // A frame all round.
    for (int x = 0; x < kWidth; x++)
        ASSERT_TRUE(PagePixel(x, 0) == 0 && PagePixel(x, kHeight - 1) == 0) << x;
    for (int y = 0; y < kHeight; y++)
        ASSERT_TRUE(PagePixel(0, y) == 0 && PagePixel(kWidth - 1, y) == 0) << y;
}

// Gaps in a drawing's lines are closed whichever way they run: rings broken across, on both
// slants and down are each an area a fill stays inside, and no line is made bolder for it.
TEST_F(PagesTest, GapsAreClosedWhicheverWayTheyRun)
{
    Picture p = BorderedDrawing();
    const int gapAt[] = {0, 45, 90, 135};
    for (int i = 0; i < 4; i++)
        p.Ring(210 + 300 * i, 460, 120, 120, 6, gapAt[i], 8);
    p.Save("gaps.png");
    const tp::Page page = MakeAndLoad("gaps.png");
    ShowBeforeAndAfter("gaps.png", tp::EncodePreview(page), "pages-gaps.png");
    const Regions regions = Regions::OfPageImage();
    std::set<int> seen{regions.At(330, 60)};
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(seen.insert(regions.At(105 + 150 * i, 230)).second) << "the ring broken at " << gapAt[i] << " degrees leaks";
    // Lines a few pixels wide, not blotted: across the first ring's left side, at most 5 pixels
    // of outline.
    int outline = 0;
    for (int x = 30; x < 90; x++)
        outline += PagePixel(x, 230) == 0;
    EXPECT_LE(outline, 5);
}

// Ink stays ink, whatever its width: a thick stroke is one line, not two edges with a strip
// between them, and a dot (an eye) stays. Crayon colouring is not ink: it becomes paper inside an
// outline where the colour meets the paper.
TEST_F(PagesTest, DrawingsKeepTheirInkAsOneLineAndOutlineTheirColouring)
{
    Picture p = BorderedDrawing();
    p.Ring(340, 460, 220, 220, 40);  // a marker's stroke, 20 pixels wide on the page
    for (int dx : {-60, 60})
        p.Paint([&](int x, int y, uint8_t* c) {
            if (std::hypot(x - (340 + dx), y - 400) <= 14)
                c[0] = c[1] = c[2] = 20;
        });
    p.Crayon(960, 460, 220, 220, 50, 40, 3);
    p.Save("crayon.png");
    const tp::Page page = MakeAndLoad("crayon.png");
    ShowBeforeAndAfter("crayon.png", tp::EncodePreview(page), "pages-crayon.png");
    EXPECT_EQ(page.kind, tp::Kind::Drawing);
    EXPECT_TRUE(page.poor.empty()) << page.poor;
    const Regions regions = Regions::OfPageImage();
    const int outside = regions.At(330, 60);
    // The stroke, across its width: all outline.
    for (int x = 272; x <= 278; x++)
        EXPECT_EQ(PagePixel(x, 230), 0) << x;
    // Inside it one region, the eyes in it as outline.
    EXPECT_NE(regions.At(170, 260), outside);
    EXPECT_EQ(PagePixel(140, 200), 0);
    EXPECT_EQ(PagePixel(200, 200), 0);
    EXPECT_EQ(regions.At(170, 260), regions.At(170, 170));
    // The crayon disc: paper again, a region of its own, outlined at its edge.
    EXPECT_EQ(PagePixel(480, 230), PAPER_INDEX);
    EXPECT_NE(regions.At(480, 230), outside);
    EXPECT_EQ(regions.At(480, 230), regions.At(480, 150));
    EXPECT_LT(page.inkShare, 0.15);
}

// A picture stays as it stands (after its orientation tag): an upright one is fitted upright with
// paper beside it; a quarter turn to fill more of the page only when asked for.
TEST_F(PagesTest, PicturesStayUprightUnlessAskedToTurn)
{
    struct Case {
        int width, height, orientation;
        bool turn, turned;
    } cases[] = {{900, 600, 1, true, false},  {600, 900, 1, false, false}, {600, 900, 1, true, true},
                 {900, 600, 6, false, false}, {900, 600, 6, true, true},   {600, 900, 8, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " orientation " +
                     std::to_string(c.orientation) + (c.turn ? " --turn" : ""));
        // An oval as wide and high as the picture, and a solid bar above it: which way up it is.
        Picture p(c.width, c.height, 240, 240, 240);
        p.Ring(c.width / 2.0, c.height / 2.0, 0.4 * c.width, 0.3 * c.height, 8);
        const int barY = int(0.2 * c.height) - 60;
        p.Box(c.width / 2 - 60, barY, c.width / 2 + 60, barY + 40, 20);
        p.Save("tall.jpg", 0, c.orientation);
        tp::MakeOptions options{tp::Kind::Drawing, tp::Detail::Medium};
        options.turn = c.turn;
        const tp::Page page = MakeAndLoad("tall.jpg", options);
        EXPECT_EQ(page.turned, c.turned);
        const Regions regions = Regions::OfPageImage();
        EXPECT_NE(regions.At(330, 230), regions.At(330, 8));
        // The bar stays above the ring only in an untagged picture left as it is; a tag (6 or 8)
        // or a turn puts it beside or below.
        const bool barAbove = c.orientation == 1 && !c.turned;
        int top = 0, bottom = 0;
        for (int y = 8; y < kHeight - 8; y++)
            for (int x = 8; x < kWidth - 8; x++)
                (y < kHeight / 2 ? top : bottom) += PagePixel(x, y) == 0;
        EXPECT_EQ(top > bottom + 1000, barAbove) << top << " " << bottom;
    }
}

// The page is read by the program as its own; the mark of a made page survives the child's
// colouring, since the program keeps that header field as it reads it.
TEST_F(PagesTest, MadePagesKeepTheirMarkThroughTheProgram)
{
    Picture p(660, 460, 255, 255, 255);
    p.Box(100, 100, 500, 400, 4);
    p.Save("box.png");
    MakeAndLoad("box.png");
    EXPECT_EQ(bmfhead.bfReserved2, tp::kMadeMark);
    bmfhead.bfReserved1 = 0;  // coloured
    SavePage(PageFileNames[0]);
    const std::vector<tp::SlotState> slots = tp::ListSlots(".");
    ASSERT_EQ(slots.size(), size_t(PAGE_COUNT));
    EXPECT_TRUE(slots[0].made && slots[0].coloured && slots[0].page);
    EXPECT_FALSE(slots[1].present);
    // The tool's slots are the program's pages.
    for (int i = 0; i < PAGE_COUNT; i++)
        EXPECT_STREQ(tp::kSlots[i].file, PageFileNames[i]);
}

}  // namespace
}  // namespace tintwell_test
