// Feeds arbitrary bytes to the page loader as a page file. A refused file must leave the
// PageImage exactly as it was and report itself once; an accepted one must be a 660 x 460
// eight-bit page that saves and loads back byte for byte. No input may read or write outside a
// buffer (the sanitizers watch that).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_doubles.h"
#include "page/page.h"
#include "support/support.h"

namespace {

struct Snapshot {
    BITMAPFILEHEADER head;
    MYBITMAPINFO info;
    std::vector<BYTE> pixels;

    static Snapshot Take()
    {
        Snapshot s;
        s.head = bmfhead;
        s.info = bmp;
        s.pixels.assign(lpDib, lpDib + 660 * 460);
        return s;
    }
    bool operator==(const Snapshot& o) const
    {
        return std::memcmp(&head, &o.head, sizeof head) == 0 && std::memcmp(&info, &o.info, sizeof info) == 0 &&
               pixels == o.pixels;
    }
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reset();
    std::memset(&bmfhead, 0xA5, sizeof bmfhead);
    std::memset(&bmp, 0x5A, sizeof bmp);
    std::memset(lpDib, 0x3C, 660 * 460);
    const Snapshot before = Snapshot::Take();

    fuzz::Files()["page.TWP"].assign(data, data + size);
    if (!LoadPage("page.TWP")) {
        Check(Snapshot::Take() == before);
        Check(fuzz::BoxCount() == 1);
        Check(fuzz::OpenHandles() == 0);
        return 0;
    }
    Check(fuzz::BoxCount() == 0);
    Check(fuzz::OpenHandles() == 0);
    const BITMAPINFOHEADER& h = bmp.bmiHeader;
    Check(bmfhead.bfType == PAGE_MAGIC && h.biWidth == 660 && h.biHeight == 460 && h.biBitCount == 8);
    Check(h.biSizeImage == 303600 && bmfhead.bfOffBits == 1078 && bmfhead.bfSize == 304678);

    const Snapshot loaded = Snapshot::Take();
    Check(SavePage("page.TWP") == 1);
    Check(fuzz::Files()["page.TWP"].size() == 304678);
    Check(fuzz::Files().size() == 1);  // nothing left beside it
    std::memset(lpDib, 0, 660 * 460);
    Check(LoadPage("page.TWP") == 1);
    Check(Snapshot::Take() == loaded);
    return 0;
}
