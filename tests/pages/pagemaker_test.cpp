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
};

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
};

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
    EXPECT_EQ(PagePixel(380, 392), 0);
    EXPECT_EQ(PagePixel(600, 392), PAPER_INDEX);
    // A frame all round.
    for (int x = 0; x < kWidth; x++)
        ASSERT_TRUE(PagePixel(x, 0) == 0 && PagePixel(x, kHeight - 1) == 0) << x;
    for (int y = 0; y < kHeight; y++)
        ASSERT_TRUE(PagePixel(0, y) == 0 && PagePixel(kWidth - 1, y) == 0) << y;
}

TEST_F(PagesTest, PhotoLikePictureGivesAHandfulToAHundredAndFiftyRegionsAtEveryDetail)
{
    PhotoLike().Save("photo.jpg", 3);
    for (tp::Detail detail : {tp::Detail::Low, tp::Detail::Medium, tp::Detail::High}) {
        SCOPED_TRACE(int(detail));
        const tp::Page page = MakeAndLoad("photo.jpg", {tp::Kind::Decide, detail});
        ShowBeforeAndAfter("photo.jpg", tp::EncodePreview(page), "pages-photo-" + std::to_string(int(detail)) + ".png");
        EXPECT_EQ(page.kind, tp::Kind::Photo);
        const Regions regions = Regions::OfPageImage();
        EXPECT_GE(regions.size.size(), 5u);
        EXPECT_LE(regions.size.size(), 150u);
        EXPECT_GE(regions.Smallest(), tp::kMinRegion);
        // The ball and the sun are shapes of their own (page points at the picture's 0.275 scale).
        EXPECT_NE(regions.At(192, 330), regions.At(20, 20));
        EXPECT_NE(regions.At(536, 82), regions.At(20, 20));
    }
}

// The picture turned a quarter when that fills more of the page; a photo's orientation tag is
// followed before that is decided.
TEST_F(PagesTest, TurnsTallPicturesAndFollowsTheOrientationTag)
{
    struct Case {
        int width, height, orientation;
        bool turned;
    } cases[] = {{900, 600, 1, false}, {600, 900, 1, true}, {900, 600, 6, true}, {600, 900, 8, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " orientation " +
                     std::to_string(c.orientation));
        Picture p(c.width, c.height, 240, 240, 240);
        p.Ring(c.width / 2.0, c.height / 2.0, 200, 200, 8);
        p.Save("tall.jpg", 0, c.orientation);
        const tp::Page page = MakeAndLoad("tall.jpg", {tp::Kind::Drawing, tp::Detail::Medium});
        EXPECT_EQ(page.turned, c.turned);
        // The ring stays round and in the middle of the page.
        const Regions regions = Regions::OfPageImage();
        EXPECT_NE(regions.At(330, 230), regions.At(20, 20));
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

Bytes FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// --- The program itself, as a user runs it ---

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
        {"make ring.png --slot 2 -o page.TWP --pages child", "either -o FILE or --slot N"},
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
    EXPECT_FALSE(fs::exists("child/replaced"));
    EXPECT_FALSE(fs::exists("page.TWP"));
    EXPECT_FALSE(fs::exists("blocker/child"));
    for (const auto& e : fs::directory_iterator("child"))
        EXPECT_EQ(e.path().filename().string().rfind(".", 0), std::string::npos) << "left behind: " << e.path();

    // A FIFO where a page should be is listed as no page, without waiting on it.
    ASSERT_EQ(::mkfifo("child/pansies.TWP", 0600), 0);
    const ToolRun listed = RunTool("list --pages child");
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("pansies.TWP  PANSIES         not a page"), std::string::npos) << listed.out;
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
    EXPECT_EQ(Regions::OfPageImage().size.size(), 2u);  // inside and outside the ring
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

}  // namespace
}  // namespace tintwell_test
