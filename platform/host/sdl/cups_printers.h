// The SDL host's printers: the CUPS destinations (through libcups, so CUPS_SERVER and the user's
// lpoptions apply; a print system that does not answer within a few seconds counts as out of
// reach), and "Save as PDF", which writes a new file into the user's documents folder on the
// locale's paper.
#pragma once

#include "host/printers.h"

namespace tw::sdl {

class CupsPrinters final : public host::Printers {
public:
    std::vector<host::PrintDestination> Destinations(bool& reachable) override;
    bool Page(const std::string& destination, host::PrintPage& page, std::string& error) override;
    bool Open(const std::string& destination, std::string& error) override;
    bool Deliver(const std::string& destination, const std::string& title, const std::string& pdf,
                 std::string& error) override;
    std::string Unreachable() const override;

private:
    bool silent_ = false;  // the print system took the last question and did not answer it
};

// The user's documents folder: XDG_DOCUMENTS_DIR of the XDG user-dirs file, else the home folder.
std::string DocumentsFolder();
// The locale's paper at 300 dpi: Letter where LC_PAPER says so, A4 otherwise.
host::PrintPage LocalePaper();
// A name for a new PDF file: the title made safe for a file name, the local time, ".pdf".
std::string PdfFileName(const std::string& title, long long unixTime, int attempt);

}  // namespace tw::sdl
