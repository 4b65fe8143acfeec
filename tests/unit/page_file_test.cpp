// Loading and saving page files: the one-bit to eight-bit conversion, the round trip, and every
// kind of file that must be refused without touching the page in memory.
#include "page_fixture.h"

namespace tintwell_test {
namespace {

class PageFile : public PageUnitTest {
protected:
    // Loads a page that must load; fails the test otherwise.
    void MustLoad(const char* name, const Bytes& bytes)
    {
        WriteFile(name, bytes);
        ASSERT_EQ(LoadPage(name), 1);
        ASSERT_TRUE(Boxes().seen.empty()) << Boxes().seen[0].text;
    }
    // Loads a file that must be refused as not a page, with the PageImage left alone.
    void MustRefuse(const std::string& what, const Bytes& bytes)
    {
        SCOPED_TRACE(what);
        WriteFile("bad.TWP", bytes);
        const PageImageCopy before = PageImageCopy::Take();
        const size_t boxesBefore = Boxes().seen.size();
        EXPECT_EQ(LoadPage("bad.TWP"), 0);
        ASSERT_EQ(Boxes().seen.size(), boxesBefore + 1);
        EXPECT_EQ(Boxes().seen.back().text, "This is not a tintwell page.");
        EXPECT_EQ(Boxes().seen.back().caption, "Tintwell");
        EXPECT_EQ(Boxes().seen.back().type, unsigned(MB_OK));
        EXPECT_TRUE(PageImageCopy::Take() == before);
    }
};

void ExpectConvertedHeaders(uint16_t blank)
{
    EXPECT_EQ(unsigned(bmfhead.bfType), unsigned(PAGE_MAGIC));
    EXPECT_EQ(bmp.bmiHeader.biBitCount, 8);
    EXPECT_EQ(bmp.bmiHeader.biClrUsed, 0u);
    EXPECT_EQ(bmp.bmiHeader.biSizeImage, 303600u);
    EXPECT_EQ(unsigned(bmfhead.bfOffBits), 1078u);
    EXPECT_EQ(unsigned(bmfhead.bfSize), 304678u);
    EXPECT_EQ(unsigned(bmfhead.bfReserved1), unsigned(blank));
    EXPECT_EQ(bmp.bmiHeader.biWidth, kWidth);
    EXPECT_EQ(bmp.bmiHeader.biHeight, kHeight);
}

void ExpectDisplayColours()
{
    const PALETTEENTRY* entries = LogPalette->palPalEntry;
    for (int k = 0; k < 256; k++) {
        SCOPED_TRACE(k);
        EXPECT_EQ(bmp.bmiColors[k].rgbRed, entries[k].peRed);
        EXPECT_EQ(bmp.bmiColors[k].rgbGreen, entries[k].peGreen);
        EXPECT_EQ(bmp.bmiColors[k].rgbBlue, entries[k].peBlue);
    }
}

TEST_F(PageFile, OneBitPageExpandsToPaperAndOutlineWithTheDisplayColours)
{
    std::memset(lpDib, 0x55, kPixels);
    MustLoad("mono.TWP", MonoPage(1));
    ExpectConvertedHeaders(1);
    EXPECT_EQ(unsigned(bmfhead.bfReserved2), 0x1234u);
    ExpectDisplayColours();
    int wrong = 0;
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++)
            wrong += PagePixel(x, y) != (MonoPaper(x, y) ? PAPER_INDEX : 0);
    EXPECT_EQ(wrong, 0);
    // The top row is the last in memory: it ends exactly at the buffer's last byte.
    EXPECT_EQ(lpDib[303599], MonoPaper(659, 0) ? PAPER_INDEX : 0);
    EXPECT_EQ(lpDib[303600 - 660], 0);  // (0, 0) lies on an outline
}

TEST_F(PageFile, ShippedPageLoads)
{
    const fs::path shipped = tw::test::SourceDir() / "pages" / "dogwood.TWP";
    if (!fs::exists(shipped))
        GTEST_SKIP() << "no shipped pages in " << shipped.parent_path();
    const Bytes file = ReadFile(shipped);
    ASSERT_EQ(file.size(), 38702u);
    MustLoad("dogwood.TWP", file);
    ExpectConvertedHeaders(1);
    ExpectDisplayColours();
    // Every pixel from its bit, rows bottom-up, 84 bytes a row from offset 62.
    int wrong = 0;
    for (int r = 0; r < kHeight; r++)
        for (int x = 0; x < kWidth; x++) {
            const bool set = file[62 + r * kMonoRow + x / 8] & (0x80 >> (x % 8));
            wrong += lpDib[r * kWidth + x] != (set ? PAPER_INDEX : 0);
        }
    EXPECT_EQ(wrong, 0);
}

// The page's pixels and blank flag are kept; its own colour table is not trusted: the page shows
// (and prints, and is saved) in the crayons' colours.
TEST_F(PageFile, EightBitPageKeepsItsPixelsAndBlankFlagInTheCrayonsColours)
{
    MustLoad("eight.TWP", EightPage(0));
    EXPECT_FALSE(PageIsBlank(bmfhead));
    EXPECT_EQ(bmp.bmiHeader.biBitCount, 8);
    ExpectDisplayColours();
    EXPECT_EQ(PagePixel(10, 20), EightPixel(10, 20));
    EXPECT_EQ(PagePixel(659, 0), EightPixel(659, 0));
    EXPECT_EQ(PagePixel(0, 459), EightPixel(0, 459));
}

TEST_F(PageFile, SavedPageLoadsBackByteForByte)
{
    MustLoad("mono.TWP", MonoPage(1));
    lpDib[12345] = 5;  // some colouring
    SetPageBlank(bmfhead, FALSE);
    const PageImageCopy loaded = PageImageCopy::Take();

    ASSERT_EQ(SavePage("copy.TWP"), 1);
    const Bytes saved = ReadFile("copy.TWP");
    ASSERT_EQ(saved.size(), kEightBitFileSize);
    EXPECT_EQ(std::memcmp(saved.data(), &bmfhead, 14), 0);
    EXPECT_EQ(std::memcmp(saved.data() + 14, &bmp, 1064), 0);
    EXPECT_EQ(std::memcmp(saved.data() + 1078, lpDib, kPixels), 0);
    EXPECT_FALSE(fs::exists("copy.TWP.new"));

    std::memset(lpDib, 0, kPixels);
    std::memset(&bmp, 0, sizeof bmp);
    ASSERT_EQ(LoadPage("copy.TWP"), 1);
    EXPECT_TRUE(PageImageCopy::Take() == loaded);
    ASSERT_EQ(SavePage("again.TWP"), 1);
    EXPECT_EQ(ReadFile("again.TWP"), saved);
}

TEST_F(PageFile, SaveReplacesAnExistingFile)
{
    MustLoad("page.TWP", MonoPage(1));
    ASSERT_EQ(SavePage("page.TWP"), 1);
    EXPECT_EQ(ReadFile("page.TWP").size(), kEightBitFileSize);
    EXPECT_FALSE(fs::exists("page.TWP.new"));
}

TEST_F(PageFile, FailedSaveLeavesTheOldFileWhole)
{
    const Bytes original = MonoPage(1);
    MustLoad("page.TWP", original);
    lpDib[0] = 9;
    struct Case {
        const char* what;
        tw::host::Fault fault;
        int skip;
    } cases[] = {
        {"create", tw::host::Fault::FileCreate, 0},
        {"header write", tw::host::Fault::FileWrite, 0},
        {"pixel write", tw::host::Fault::FileWrite, 2},
        {"rename", tw::host::Fault::FileRename, 0},
        {"flush before the rename", tw::host::Fault::FileFlush, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Host().Fail(c.fault, 1, c.skip);
        EXPECT_EQ(SavePage("page.TWP"), 0);
        EXPECT_EQ(ReadFile("page.TWP"), original);
        EXPECT_FALSE(fs::exists("page.TWP.new"));
    }
    EXPECT_TRUE(Boxes().seen.empty());  // saving fails silently
}

TEST_F(PageFile, SaveReachesTheDiskBeforeAndAfterTheRename)
{
    MustLoad("page.TWP", MonoPage(1));
    Host().ClearRecord();
    ASSERT_EQ(SavePage("page.TWP"), 1);
    std::vector<std::string> files;
    for (const std::string& line : Host().Record())
        if (line.rfind("Flush", 0) == 0 || line.rfind("MoveFileExA", 0) == 0)
            files.push_back(line);
    EXPECT_EQ(files, (std::vector<std::string>{"FlushFile page.TWP.new", "MoveFileExA page.TWP.new page.TWP",
                                                "FlushFolder ."}));

    // A folder that cannot be flushed: the new page is in place but the save is not reported done.
    Host().Fail(tw::host::Fault::FileFlush, 1, 1);
    EXPECT_EQ(SavePage("page.TWP"), 0);
    EXPECT_EQ(ReadFile("page.TWP").size(), kEightBitFileSize);
    EXPECT_FALSE(fs::exists("page.TWP.new"));
}

TEST_F(PageFile, NothingIsSavedBeforeAPageHasLoaded)
{
    WriteFile("page.TWP", MonoPage(1));
    EXPECT_EQ(SavePage("page.TWP"), 0);  // the PageImage describes no page yet
    EXPECT_EQ(ReadFile("page.TWP"), MonoPage(1));
}

TEST_F(PageFile, MissingFileIsReportedByTheNameAsGiven)
{
    MustLoad("page.TWP", MonoPage(1));
    const PageImageCopy before = PageImageCopy::Take();
    EXPECT_EQ(LoadPage("weeping.twp"), 0);
    ASSERT_EQ(Boxes().seen.size(), 1u);
    EXPECT_EQ(Boxes().seen[0].text, "The file weeping.twp is missing.");
    EXPECT_EQ(Boxes().seen[0].caption, "Tintwell");
    EXPECT_EQ(Boxes().seen[0].type, unsigned(MB_ICONWARNING));
    EXPECT_TRUE(PageImageCopy::Take() == before);
}

TEST_F(PageFile, FilesThatAreNotPagesAreRefusedUntouched)
{
    MustLoad("page.TWP", MonoPage(1));
    lpDib[100] = 7;

    Bytes bitmap = MonoPage();
    bitmap[0] = 'B';
    bitmap[1] = 'M';
    MustRefuse("an ordinary bitmap", bitmap);
    MustRefuse("an empty file", Bytes{});
    MustRefuse("only the magic", Bytes{'T', 'W'});

    const Bytes mono = MonoPage();
    const Bytes eight = EightPage();
    MustRefuse("cut inside the file header", Bytes(mono.begin(), mono.begin() + 10));
    MustRefuse("cut inside the info header", Bytes(mono.begin(), mono.begin() + 40));
    MustRefuse("cut inside the colour table", Bytes(eight.begin(), eight.begin() + 600));
    MustRefuse("one-bit pixels one byte short", Bytes(mono.begin(), mono.end() - 1));
    MustRefuse("eight-bit pixels one byte short", Bytes(eight.begin(), eight.end() - 1));

    auto with = [](Bytes b, size_t at, uint32_t v, int width) {
        if (width == 2)
            Put16(b, at, uint16_t(v));
        else
            Put32(b, at, v);
        return b;
    };
    for (uint32_t bits : {0u, 4u, 16u, 24u, 32u}) {
        MustRefuse("one-bit file with bit count " + std::to_string(bits), with(mono, kBiBitCount, bits, 2));
        MustRefuse("eight-bit file with bit count " + std::to_string(bits), with(eight, kBiBitCount, bits, 2));
    }
    for (int32_t w : {659, 661, 1000, -660, 0}) {
        MustRefuse("width " + std::to_string(w), with(mono, kBiWidth, uint32_t(w), 4));
        MustRefuse("eight-bit width " + std::to_string(w), with(eight, kBiWidth, uint32_t(w), 4));
    }
    for (int32_t h : {459, 461, -460, 0, 100000}) {
        MustRefuse("height " + std::to_string(h), with(mono, kBiHeight, uint32_t(h), 4));
        MustRefuse("eight-bit height " + std::to_string(h), with(eight, kBiHeight, uint32_t(h), 4));
    }
    for (uint32_t size : {12u, 39u, 41u, 108u, 124u})
        MustRefuse("info header size " + std::to_string(size), with(mono, kBiSize, size, 4));
    for (uint32_t size : {1u, 303599u, 303601u, 1000000u})
        MustRefuse("eight-bit image size " + std::to_string(size), with(eight, kBiSizeImage, size, 4));
    MustRefuse("data offset past the end", with(mono, kBfOffBits, uint32_t(mono.size()) + 1, 4));
    MustRefuse("data offset far outside", with(mono, kBfOffBits, 0xFFFFFFF0u, 4));
    MustRefuse("one-bit rows running past the end", with(mono, kBfOffBits, 63, 4));
    MustRefuse("eight-bit pixels running past the end", with(eight, kBfOffBits, 1079, 4));
    MustRefuse("compressed pixels", with(eight, kBiCompression, 1, 4));
    for (uint32_t planes : {0u, 2u}) {
        MustRefuse("one-bit file of " + std::to_string(planes) + " planes", with(mono, kBiPlanes, planes, 2));
        MustRefuse("eight-bit file of " + std::to_string(planes) + " planes", with(eight, kBiPlanes, planes, 2));
    }
    // A colour table of other than all the colours of the bit count would put the pixels elsewhere.
    for (uint32_t used : {1u, 3u, 256u})
        MustRefuse("one-bit file of " + std::to_string(used) + " colours", with(mono, kBiClrUsed, used, 4));
    for (uint32_t used : {1u, 38u, 255u, 257u})
        MustRefuse("eight-bit file of " + std::to_string(used) + " colours", with(eight, kBiClrUsed, used, 4));
    // Pixels that would start inside the headers or the colour table.
    for (uint32_t off : {0u, 14u, 61u})
        MustRefuse("one-bit data offset " + std::to_string(off), with(mono, kBfOffBits, off, 4));
    for (uint32_t off : {0u, 54u, 1077u})
        MustRefuse("eight-bit data offset " + std::to_string(off), with(eight, kBfOffBits, off, 4));

    EXPECT_EQ(lpDib[100], 7);
}

TEST_F(PageFile, OddButSafeEightBitPagesLoadAndSaveConsistently)
{
    // No image size given: the page's width times its height.
    Bytes page = EightPage();
    Put32(page, kBiSizeImage, 0);
    MustLoad("zero.TWP", page);
    EXPECT_EQ(bmp.bmiHeader.biSizeImage, 303600u);

    // Pixels further into the file than usual: read from there, written back where they belong.
    Bytes spaced(page.begin(), page.begin() + 1078);
    spaced.insert(spaced.end(), 100, 0xEE);
    spaced.insert(spaced.end(), page.begin() + 1078, page.end());
    Put32(spaced, kBfOffBits, 1178);
    MustLoad("spaced.TWP", spaced);
    EXPECT_EQ(PagePixel(1, 1), EightPixel(1, 1));
    const PageImageCopy loaded = PageImageCopy::Take();
    ASSERT_EQ(SavePage("spaced.TWP"), 1);
    ASSERT_EQ(LoadPage("spaced.TWP"), 1);
    EXPECT_TRUE(PageImageCopy::Take() == loaded);
}

TEST(ExpandMonoRow, WritesExactlyCountPixelsMostSignificantBitFirst)
{
    const uint8_t source[3] = {0x80, 0x01, 0xFF};
    uint8_t out[24];
    std::memset(out, 0xCC, sizeof out);
    ExpandMonoRow(source, out, 17);
    const uint8_t expected[17] = {37, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 37, 37};
    EXPECT_EQ(std::memcmp(out, expected, 17), 0);
    EXPECT_EQ(out[17], 0xCC);
}

}  // namespace
}  // namespace tintwell_test
