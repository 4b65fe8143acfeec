// PDF output of printed pages: zlib compresses each raster row by row (a page of a 600 dpi printer
// is 30 million pixels; only the compressed image is kept), and the file is a plain PDF 1.4 with
// one image XObject a page.
#include "gdi/pdf.h"

#include <zlib.h>

#include <cstdio>
#include <new>
#include <unordered_map>

namespace tw::gdi {

namespace {

constexpr int kRowsBetweenChecks = 64;

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

// A PDF literal string: the title is the program's own text, but escape what must be.
std::string Literal(const std::string& text) {
    std::string out = "(";
    for (unsigned char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 32 || c > 126) {
            char oct[8];
            std::snprintf(oct, sizeof oct, "\\%03o", c);
            out += oct;
        } else {
            out += char(c);
        }
    }
    return out + ")";
}

// The raster's colours, in order of first appearance, when there are at most 256.
bool FewColors(const Surface& raster, std::vector<uint32_t>& colors, std::unordered_map<uint32_t, uint8_t>& index) {
    uint32_t last = ~0u;
    for (int y = 0; y < raster.Height(); ++y) {
        const uint32_t* row = raster.Row(y);
        for (int x = 0; x < raster.Width(); ++x) {
            uint32_t p = row[x];
            if (p == last) continue;  // pages are mostly long runs
            last = p;
            if (index.count(p)) continue;
            if (colors.size() == 256) return false;
            index.emplace(p, uint8_t(colors.size()));
            colors.push_back(p);
        }
    }
    return true;
}

class Deflater {
public:
    explicit Deflater(std::string& out) : out_(out) { ok_ = deflateInit(&z_, Z_BEST_SPEED) == Z_OK; }
    ~Deflater() { deflateEnd(&z_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool Write(const uint8_t* data, size_t bytes, bool last) {
        if (!ok_) return false;
        z_.next_in = const_cast<uint8_t*>(data);
        z_.avail_in = uInt(bytes);
        int flush = last ? Z_FINISH : Z_NO_FLUSH;
        for (;;) {
            uint8_t chunk[65536];
            z_.next_out = chunk;
            z_.avail_out = sizeof chunk;
            int rc = deflate(&z_, flush);
            if (rc == Z_STREAM_ERROR) return ok_ = false;
            out_.append(reinterpret_cast<char*>(chunk), sizeof chunk - z_.avail_out);
            if (last ? rc == Z_STREAM_END : z_.avail_in == 0 && z_.avail_out != 0) return true;
        }
    }

private:
    std::string& out_;
    z_stream z_{};
    bool ok_ = false;
};

}  // namespace

bool PdfDocument::AddPage(const Surface& raster, const PdfSheet& sheet, const std::function<bool()>& goOn) {
    try {
        Page page;
        page.sheet = sheet;
        page.width = raster.Width();
        page.height = raster.Height();
        std::vector<uint32_t> colors;
        std::unordered_map<uint32_t, uint8_t> index;
        bool indexed = FewColors(raster, colors, index);
        if (indexed) {
            std::string table;
            for (uint32_t c : colors) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%06X", unsigned(c));
                table += hex;
            }
            page.colorSpace = "[/Indexed /DeviceRGB " + std::to_string(colors.size() - 1) + " <" + table + ">]";
        } else {
            page.colorSpace = "/DeviceRGB";
        }
        Deflater deflater(page.image);
        std::vector<uint8_t> row(size_t(raster.Width()) * (indexed ? 1 : 3));
        for (int y = 0; y < raster.Height(); ++y) {
            if (y % kRowsBetweenChecks == 0 && !goOn()) return false;
            const uint32_t* px = raster.Row(y);
            if (indexed) {
                uint32_t last = ~0u;
                uint8_t lastIndex = 0;
                for (int x = 0; x < raster.Width(); ++x) {
                    if (px[x] != last) last = px[x], lastIndex = index[last];
                    row[size_t(x)] = lastIndex;
                }
            } else {
                for (int x = 0; x < raster.Width(); ++x) {
                    row[3 * size_t(x)] = uint8_t(px[x] >> 16);
                    row[3 * size_t(x) + 1] = uint8_t(px[x] >> 8);
                    row[3 * size_t(x) + 2] = uint8_t(px[x]);
                }
            }
            if (!deflater.Write(row.data(), row.size(), y == raster.Height() - 1)) return false;
        }
        if (raster.Height() == 0 && !deflater.Write(nullptr, 0, true)) return false;
        pages_.push_back(std::move(page));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::string PdfDocument::Finish(const std::string& title) const {
    std::string out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<size_t> offsets;  // of objects 1, 2, ...
    auto object = [&](const std::string& body) {
        offsets.push_back(out.size());
        out += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    // Objects: 1 catalog, 2 page tree, 3 info, then for page i: 4+3i page, 5+3i contents, 6+3i image.
    std::string kids;
    for (size_t i = 0; i < pages_.size(); ++i) kids += std::to_string(4 + 3 * i) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages_.size()) + " >>");
    object("<< /Title " + Literal(title) + " /Producer (Tintwell) >>");
    for (size_t i = 0; i < pages_.size(); ++i) {
        const Page& p = pages_[i];
        const PdfSheet& s = p.sheet;
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(s.width) + " " + Number(s.height) +
               "] /Resources << /XObject << /Im0 " + std::to_string(6 + 3 * i) + " 0 R >> >> /Contents " +
               std::to_string(5 + 3 * i) + " 0 R >>");
        std::string draw = "q " + Number(s.areaWidth) + " 0 0 " + Number(s.areaHeight) + " " + Number(s.areaLeft) +
                           " " + Number(s.areaBottom) + " cm /Im0 Do Q\n";
        object("<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw + "endstream");
        offsets.push_back(out.size());
        out += std::to_string(offsets.size()) + " 0 obj\n<< /Type /XObject /Subtype /Image /Width " +
               std::to_string(p.width) + " /Height " + std::to_string(p.height) + " /ColorSpace " + p.colorSpace +
               " /BitsPerComponent 8 /Filter /FlateDecode /Length " + std::to_string(p.image.size()) +
               " >>\nstream\n";
        out += p.image;
        out += "\nendstream\nendobj\n";
    }
    size_t xref = out.size();
    out += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

}  // namespace tw::gdi
