// tintwell-pages: colouring pages for Tintwell made from pictures (scans, drawings, photos), and
// the six page slots of the child's folder they go into.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/posix/files.h"

namespace tw::pages {

constexpr int kPageWidth = 660;
constexpr int kPageHeight = 460;
constexpr int kPagePixels = kPageWidth * kPageHeight;
// Pictures larger than this are refused from their header, before any pixel is decoded.
constexpr long long kMaxPicturePixels = 100'000'000;
// Paper regions smaller than this are too small to colour and become outline.
constexpr int kMinRegion = 150;
// A page worth colouring has at least kLeastBigAreas areas of kBigArea pixels or more, none
// larger than kLargestArea of the page, and no more than kMostInk of it outline.
constexpr int kBigArea = 2000;
constexpr int kLeastBigAreas = 3;
constexpr double kLargestArea = 0.75;
constexpr double kMostInk = 0.2;
// bfReserved2 of a page this tool made; the program keeps the field as it finds it.
constexpr uint16_t kMadeMark = 0x4D50;  // "PM"

// Every failure the user is told about: one line, no trailing full stop needed by callers.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Kind { Decide, Photo, Drawing };
enum class Detail { Low, Medium, High };

struct MakeOptions {
    Kind kind = Kind::Decide;
    Detail detail = Detail::Medium;
    bool turn = false;  // a quarter turn allowed when that fills more of the page
};

struct Page {
    std::vector<uint8_t> ink;  // kPagePixels, top row first: 1 outline, 0 paper
    Kind kind = Kind::Drawing; // what the picture was taken for
    bool decided = false;      // the kind was decided here, not asked for
    bool sheet = false;        // a photographed sheet of paper was found and straightened
    bool turned = false;       // the picture was turned a quarter to fill more of the page
    int regions = 0;           // paper regions left for the fill
    int bigAreas = 0;          // of those, the ones of kBigArea pixels or more
    double largest = 0;        // the largest region, as a share of the page
    double inkShare = 0;       // outline, as a share of the page
    std::string poor;          // why this is a poor page to colour, with what to try; or empty
};

// Starts libvips once for the process (idempotent); argv0 may be null.
void StartImaging(const char* argv0);

// Reads the picture and draws its page. Throws Failure.
Page MakePage(const std::string& picture, const MakeOptions& options);

// The page as a one-bit page file, blank, marked as made here.
std::vector<uint8_t> EncodePage(const Page& page);
// The page as a black-and-white PNG.
std::vector<uint8_t> EncodePreview(const Page& page);

// Writes `bytes` to `path` through a new file beside it that is renamed over it when complete,
// so that `path` holds either its old content or all of the new. Throws Failure.
void WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes);

// The two halves of that: the new file written beside `path` when made, put in its place by
// Publish; removed if it never is. Both throw Failure.
class Draft {
public:
    Draft(const std::string& path, std::vector<uint8_t> bytes);
    void Publish();

private:
    std::string path_;
    std::vector<uint8_t> bytes_;
    tw::posix::Fd dir_;
    tw::posix::WholeFile file_;
};

// --- The six slots of the child's folder ---
struct Slot {
    const char* file;     // the page file's name in the child's folder
    const char* caption;  // the caption the program shows under it
};
constexpr int kSlotCount = 6;
extern const Slot kSlots[kSlotCount];

struct SlotState {
    int number = 0;          // 1..6
    std::string file;
    std::string caption;
    bool present = false;    // the file is there
    bool page = false;       // and is a page
    bool coloured = false;   // the child has coloured it since it was last blank
    bool made = false;       // it was made from a picture by this tool
    int kept = 0;            // replaced pages kept for this slot under replaced/
};

std::vector<SlotState> ListSlots(const std::string& folder);

// Puts `bytes` into slot `number` (1..6) of `folder`, keeping the file it replaces under
// folder/replaced/ with the time in its name. Returns the kept file's path, empty when the slot
// held no file. Throws Failure, having changed nothing.
std::string ReplaceSlot(const std::string& folder, int number, const std::vector<uint8_t>& bytes);

std::vector<uint8_t> ReadFile(const std::string& path);  // throws Failure

}  // namespace tw::pages
