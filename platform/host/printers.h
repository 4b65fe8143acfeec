// The host's printers: where a document can go (the print system's queues and a PDF file in the
// user's documents folder), the printable page of each, and delivering a finished PDF there.
// Errors come back as text the user can read; the layer shows it.
#pragma once

#include <string>
#include <vector>

namespace tw {

class Surface;

namespace host {

// The label of the destination that saves a PDF file instead of printing.
inline constexpr const char* kPdfDestination = "Save as PDF";

struct PrintDestination {
    enum class Kind { Printer, PdfFile };
    enum class State { Idle, Stopped, Offline };
    std::string name;  // the queue's name, or the PDF file's label; what the print dialog lists
    Kind kind = Kind::Printer;
    bool isDefault = false;
    State state = State::Idle;
};

// A destination's sheet. The printable area is width x height device pixels at dpiX x dpiY; the
// sheet itself and where the printable area lies on it are in PostScript points (1/72 inch),
// from the sheet's bottom-left corner.
struct PrintPage {
    int width = 0, height = 0;
    int dpiX = 300, dpiY = 300;
    double sheetWidth = 0, sheetHeight = 0;
    double areaLeft = 0, areaBottom = 0;
};

class Printers {
public:
    virtual ~Printers() = default;

    // The destinations that can be chosen now: the print system's queues, then the PDF file.
    // `reachable` is false when the print system could not be asked (the PDF file is still there).
    virtual std::vector<PrintDestination> Destinations(bool& reachable) = 0;
    // What the print dialog says when the last Destinations found the print system out of reach.
    virtual std::string Unreachable() const { return "No printers: the print system cannot be reached."; }

    // The printable page of a destination. False, with the reason, when it cannot be printed to.
    virtual bool Page(const std::string& destination, PrintPage& page, std::string& error) = 0;

    // A document is about to be produced for the destination. False, with the reason, when the
    // destination cannot take it (it has gone, or its folder cannot be written).
    virtual bool Open(const std::string& destination, std::string& error) = 0;

    // A page of the document has been produced; the host may keep its raster (device pixels).
    // False, with the reason, when the destination cannot take the page.
    virtual bool PageProduced(Surface&& page, std::string& error) {
        (void)page;
        (void)error;
        return true;
    }

    // Delivers the finished document: a job named `title` on a printer, or a new file that
    // replaces nothing. False, with the reason, when it did not arrive.
    virtual bool Deliver(const std::string& destination, const std::string& title, const std::string& pdf,
                         std::string& error) = 0;
};

}  // namespace host
}  // namespace tw
