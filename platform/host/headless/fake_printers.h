// The headless host's printers: make-believe queues with whatever page a test sets, the PDF file
// destination, a record of the documents delivered and of the pages produced (their rasters, for
// tests to read), and failures a test can ask for at each step of a job.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/surface.h"
#include "host/printers.h"

namespace tw::test {

class FakePrinters : public host::Printers {
public:
    // The label of the PDF file destination.
    static constexpr const char* kPdfName = host::kPdfDestination;

    struct Job {
        std::string destination;
        std::string title;
        std::string pdf;
    };
    enum class Step { Open, Page, Deliver };

    FakePrinters();

    // --- host::Printers ---
    std::vector<host::PrintDestination> Destinations(bool& reachable) override;
    bool Page(const std::string& destination, host::PrintPage& page, std::string& error) override;
    bool Open(const std::string& destination, std::string& error) override;
    bool PageProduced(Surface&& page, std::string& error) override;
    bool Deliver(const std::string& destination, const std::string& title, const std::string& pdf,
                 std::string& error) override;

    // --- set-up ---
    // A queue with a printable page of width x height pixels at dpi (the sheet is just that).
    // Adding a name again replaces it.
    void AddPrinter(const std::string& name, int width, int height, int dpi = 600, bool isDefault = false,
                    host::PrintDestination::State state = host::PrintDestination::State::Idle);
    void RemovePrinter(const std::string& name);
    // The PDF file's page (A4 at 300 dpi unless set).
    void SetPdfPage(int width, int height, int dpi);
    // False: the print system cannot be reached; only the PDF file is offered.
    void SetReachable(bool reachable) { reachable_ = reachable; }
    // The next time the job reaches `step` it fails with `reason`.
    void FailNext(Step step, const std::string& reason) { failures_[step] = reason; }
    // Whether produced pages are kept (benchmarks need not hold them).
    void KeepPages(bool keep) { keepPages_ = keep; }

    // --- the record ---
    const std::vector<Job>& Jobs() const { return jobs_; }
    const std::vector<Surface>& Pages() const { return pages_; }
    int Opened() const { return opened_; }
    void ClearRecord() {
        jobs_.clear();
        pages_.clear();
        opened_ = 0;
    }

private:
    struct Queue {
        host::PrintDestination destination;
        host::PrintPage page;
    };
    bool Failing(Step step, std::string& error);
    const Queue* Find(const std::string& name) const;

    std::vector<Queue> queues_;  // the PDF file is the last
    bool reachable_ = true;
    bool keepPages_ = true;
    std::map<Step, std::string> failures_;
    std::vector<Job> jobs_;
    std::vector<Surface> pages_;
    int opened_ = 0;
};

}  // namespace tw::test
