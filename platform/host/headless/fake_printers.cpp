// The headless host's make-believe printers.
#include "host/headless/fake_printers.h"

#include <algorithm>

namespace tw::test {

namespace {

host::PrintPage SheetOf(int width, int height, int dpi) {
    host::PrintPage page;
    page.width = width;
    page.height = height;
    page.dpiX = page.dpiY = dpi;
    page.sheetWidth = width * 72.0 / dpi;
    page.sheetHeight = height * 72.0 / dpi;
    return page;
}

}  // namespace

FakePrinters::FakePrinters() {
    Queue pdf;
    pdf.destination.name = kPdfName;
    pdf.destination.kind = host::PrintDestination::Kind::PdfFile;
    pdf.page = SheetOf(2480, 3508, 300);
    queues_.push_back(pdf);
}

void FakePrinters::AddPrinter(const std::string& name, int width, int height, int dpi, bool isDefault,
                              host::PrintDestination::State state) {
    RemovePrinter(name);
    if (isDefault)
        for (Queue& q : queues_) q.destination.isDefault = false;
    Queue q;
    q.destination.name = name;
    q.destination.isDefault = isDefault;
    q.destination.state = state;
    q.page = SheetOf(width, height, dpi);
    queues_.insert(queues_.end() - 1, q);
}

void FakePrinters::RemovePrinter(const std::string& name) {
    std::erase_if(queues_, [&](const Queue& q) {
        return q.destination.name == name && q.destination.kind == host::PrintDestination::Kind::Printer;
    });
}

void FakePrinters::SetPdfPage(int width, int height, int dpi) { queues_.back().page = SheetOf(width, height, dpi); }

const FakePrinters::Queue* FakePrinters::Find(const std::string& name) const {
    for (const Queue& q : queues_) {
        bool printer = q.destination.kind == host::PrintDestination::Kind::Printer;
        if (q.destination.name == name && (!printer || reachable_)) return &q;
    }
    return nullptr;
}

bool FakePrinters::Failing(Step step, std::string& error) {
    auto it = failures_.find(step);
    if (it == failures_.end()) return false;
    error = it->second;
    failures_.erase(it);
    return true;
}

std::vector<host::PrintDestination> FakePrinters::Destinations(bool& reachable) {
    reachable = reachable_;
    std::vector<host::PrintDestination> list;
    for (const Queue& q : queues_)
        if (reachable_ || q.destination.kind == host::PrintDestination::Kind::PdfFile)
            list.push_back(q.destination);
    return list;
}

bool FakePrinters::Page(const std::string& destination, host::PrintPage& page, std::string& error) {
    const Queue* q = Find(destination);
    if (!q) {
        error = "The printer \"" + destination + "\" is not available.";
        return false;
    }
    page = q->page;
    return true;
}

bool FakePrinters::Open(const std::string& destination, std::string& error) {
    if (Failing(Step::Open, error)) return false;
    if (!Find(destination)) {
        error = "The printer \"" + destination + "\" is not available.";
        return false;
    }
    ++opened_;
    return true;
}

bool FakePrinters::PageProduced(Surface&& page, std::string& error) {
    if (Failing(Step::Page, error)) return false;
    if (keepPages_) pages_.push_back(std::move(page));
    return true;
}

bool FakePrinters::Deliver(const std::string& destination, const std::string& title, const std::string& pdf,
                           std::string& error) {
    if (Failing(Step::Deliver, error)) return false;
    if (!Find(destination)) {
        error = "The printer \"" + destination + "\" is not available.";
        return false;
    }
    jobs_.push_back(Job{destination, title, pdf});
    return true;
}

}  // namespace tw::test
