// A printed document as PDF: each page one image of the page's raster, Flate-compressed (an
// indexed image when the raster has no more than 256 colours), placed on a sheet of the
// destination's size.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/surface.h"

namespace tw::gdi {

// Where a page's raster goes on its sheet, in points (1/72 inch) from the bottom-left corner.
struct PdfSheet {
    double width = 0, height = 0;
    double areaLeft = 0, areaBottom = 0, areaWidth = 0, areaHeight = 0;
};

class PdfDocument {
public:
    // Compresses the raster as the next page. goOn is asked now and then while that runs; when it
    // answers false the page is dropped and false returned. False also when memory runs out.
    bool AddPage(const Surface& raster, const PdfSheet& sheet, const std::function<bool()>& goOn);
    size_t PageCount() const { return pages_.size(); }
    // The whole file, with `title` as the document's title.
    std::string Finish(const std::string& title) const;

private:
    struct Page {
        PdfSheet sheet;
        int width = 0, height = 0;
        std::string colorSpace;  // "/DeviceRGB" or an indexed colour space
        std::string image;       // the compressed samples
    };
    std::vector<Page> pages_;
};

}  // namespace tw::gdi
