// The memory host: virtual clock, scripted input timeline, pretend display, cursor, instances,
// faults and the record of platform calls.
#include "host/headless/headless_host.h"

#include <sys/stat.h>

#include <algorithm>
#include <string>

namespace tw::test {

HeadlessHost::HeadlessHost() : screen_(kScreenWidth, kScreenHeight, 0) {}

HeadlessHost::~HeadlessHost() = default;

// --- the clock ---

uint64_t HeadlessHost::NowMicros() {
    Step();
    now_ += quantum_;
    return now_;
}

void HeadlessHost::AdvanceTo(uint64_t micros) {
    if (micros > now_) now_ = micros;
}

// --- the display ---

void HeadlessHost::SetDesktopSize(int width, int height) {
    desktopWidth_ = width;
    desktopHeight_ = height;
}

bool HeadlessHost::SetDisplayMode(int width, int height, int bpp) {
    // Named apart from DirectDraw's own line for the call, which the layer notes.
    std::string line = "DisplayMode " + std::to_string(width) + " " + std::to_string(height) + " " +
                       std::to_string(bpp);
    if (InjectFault(host::Fault::SetDisplayMode)) {
        Note(line + " refused");
        return false;
    }
    modeSet_ = true;
    modeWidth_ = width;
    modeHeight_ = height;
    modeBpp_ = bpp;
    Note(line);
    return true;
}

void HeadlessHost::RestoreDisplayMode() {
    modeSet_ = false;
    Note("DisplayMode restored");
}

// --- input ---

void HeadlessHost::Schedule(uint64_t atMicros, const host::InputEvent& ev) {
    Scheduled item{atMicros, nextSeq_++, ev};
    auto pos = std::upper_bound(input_.begin(), input_.end(), item, [](const Scheduled& a, const Scheduled& b) {
        return a.at < b.at || (a.at == b.at && a.seq < b.seq);
    });
    input_.insert(pos, item);
}

uint64_t HeadlessHost::NextInputTime() const { return input_.empty() ? UINT64_MAX : input_.front().at; }

static bool IsMouse(host::InputEvent::Kind kind) {
    using K = host::InputEvent::Kind;
    return kind == K::MouseMove || kind == K::MouseDown || kind == K::MouseUp;
}

void HeadlessHost::ScheduleDrop(uint64_t atMicros, const std::vector<std::string>& files, int x, int y) {
    host::InputEvent ev;
    ev.kind = host::InputEvent::Kind::DropFiles;
    ev.files = files;
    ev.x = x;
    ev.y = y;
    Schedule(atMicros, ev);
}

void HeadlessHost::AcceptDrops(bool accept) {
    dropsAccepted_ = accept;
    Note(std::string("AcceptDrops ") + (accept ? "1" : "0"));
}

bool HeadlessHost::PollInput(host::InputEvent& ev) {
    Step();
    ServeSound();
    if (input_.empty() || input_.front().at > now_) return false;
    ev = input_.front().ev;
    input_.erase(input_.begin());
    if (ev.kind == host::InputEvent::Kind::DropFiles && !dropsAccepted_) {
        // The desktop refuses a drop on a window that takes no files; nothing reaches the program.
        Note("Drop refused");
        return PollInput(ev);
    }
    if (IsMouse(ev.kind) || ev.kind == host::InputEvent::Kind::DropFiles) {
        cursorX_ = ev.x;
        cursorY_ = ev.y;
    } else {
        ev.x = cursorX_;
        ev.y = cursorY_;
    }
    if (driver_) driver_->Observe();
    return true;
}

void HeadlessHost::WaitInput(uint64_t deadlineMicros) {
    Step();
    if (driver_) driver_->Observe();
    for (;;) {
        if (ServeSound()) woken_ = true;
        if (woken_.exchange(false)) return;
        uint64_t next = NextInputTime();
        if (next <= now_ || deadlineMicros <= now_) return;
        uint64_t until = std::min(deadlineMicros, next);
        if (target_ > now_) {
            // Time is to pass: run on to whatever comes first.
            now_ = std::min(until, target_);
            return;
        }
        if (driver_) {
            driver_->Idle();
            continue;
        }
        if (until == UINT64_MAX)
            throw WaitForever("the program waits for input with no deadline and none is scheduled");
        now_ = until;
        return;
    }
}

void HeadlessHost::Wake() { woken_ = true; }

void HeadlessHost::EndProcess(int code) {
    Note("EndProcess " + std::to_string(code));
    if (driver_) driver_->Exit(code);
    throw ProcessEnded{code};
}

// --- cursor ---

void HeadlessHost::SetCursorImage(const host::CursorImage* image) {
    std::string name = image && image->name ? image->name : "";
    bool hidden = image == nullptr;
    if (cursorKnown_ && name == cursorName_ && hidden == cursorHidden_) return;
    cursorKnown_ = true;
    cursorName_ = name;
    cursorHidden_ = hidden;
    Note(hidden ? std::string("SetCursor (hidden)") : "SetCursor " + name);
}

void HeadlessHost::SetWindowIcon(const host::CursorImage& image) {
    Note("WindowIcon " + std::string(image.name ? image.name : "") + " " + std::to_string(image.width) + "x" +
         std::to_string(image.height));
}

void HeadlessHost::GetCursorPos(int& x, int& y) {
    x = cursorX_;
    y = cursorY_;
}

void HeadlessHost::SetCursorPos(int x, int y) {
    cursorX_ = x;
    cursorY_ = y;
}

// --- single instance ---

void HeadlessHost::AddOtherInstance(const std::string& className, bool iconic) { others_[className] = iconic; }

void HeadlessHost::PublishInstance(const std::string& className) {
    Note("PublishInstance " + className);
    published_.insert(className);
}

void HeadlessHost::UnpublishInstance(const std::string& className) {
    Note("UnpublishInstance " + className);
    published_.erase(className);
}

host::RemoteWindowOps HeadlessHost::QueryInstance(const std::string& className) {
    host::RemoteWindowOps ops;
    auto it = others_.find(className);
    if (it != others_.end()) {
        ops.exists = true;
        ops.iconic = it->second;
    }
    return ops;
}

bool HeadlessHost::RaiseInstance(const std::string& className) {
    Note("RaiseInstance " + className);
    return others_.count(className) != 0;
}

bool HeadlessHost::RestoreInstance(const std::string& className) {
    Note("RestoreInstance " + className);
    auto it = others_.find(className);
    if (it == others_.end()) return false;
    it->second = false;
    return true;
}

// --- sound ---

void HeadlessHost::Beep(unsigned type) { Note("Beep " + std::to_string(type)); }

void HeadlessHost::PlayWave(const void* riff, size_t bytes, bool loop) {
    (void)riff;
    Note("Wave " + std::to_string(bytes) + (loop ? " loop" : " once"));
}

void HeadlessHost::StopWave() { Note("WaveStop"); }

bool HeadlessHost::OpenMidi(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    Note("MidiOpen " + path);
    midiOpen_ = true;
    midiPlaying_ = false;
    midiEnded_ = false;
    return true;
}

void HeadlessHost::PlayMidi() {
    Note("MidiPlay");
    midiPlaying_ = midiOpen_;
}

// A stop, seek or close is never the end of the piece, even one that ended a moment before and
// has not been told yet.
void HeadlessHost::StopMidi() {
    Note("MidiStop");
    midiPlaying_ = false;
    midiEnded_ = false;
}

void HeadlessHost::SeekMidiStart() {
    Note("MidiSeek");
    midiPlaying_ = false;
    midiEnded_ = false;
}

void HeadlessHost::CloseMidi() {
    Note("MidiClose");
    midiOpen_ = false;
    midiPlaying_ = false;
    midiEnded_ = false;
}

bool HeadlessHost::FinishMusic() {
    if (!midiPlaying_.exchange(false)) return false;
    midiEnded_ = true;
    Wake();
    return true;
}

bool HeadlessHost::ServeSound() {
    if (!midiEnded_.load() || !soundEvents_) return false;
    midiEnded_ = false;
    soundEvents_->MidiFinished();
    return true;
}

// --- faults ---

const char* HeadlessHost::FaultName(host::Fault fault) {
    switch (fault) {
        case host::Fault::GlobalAlloc: return "GlobalAlloc";
        case host::Fault::SetTimer: return "SetTimer";
        case host::Fault::DirectDrawCreate: return "DirectDrawCreate";
        case host::Fault::SetDisplayMode: return "SetDisplayMode";
        case host::Fault::FileCreate: return "FileCreate";
        case host::Fault::FileWrite: return "FileWrite";
        case host::Fault::FileRename: return "FileRename";
        case host::Fault::FileFlush: return "FileFlush";
    }
    return "?";
}

void HeadlessHost::Fail(host::Fault fault, int count, int skip) {
    faults_[fault] = FaultPlan{std::max(skip, 0), count};
}

bool HeadlessHost::InjectFault(host::Fault fault) {
    auto it = faults_.find(fault);
    if (it == faults_.end()) return false;
    FaultPlan& plan = it->second;
    if (plan.skip > 0) {
        --plan.skip;
        return false;
    }
    if (plan.count == 0) return false;
    if (plan.count > 0) --plan.count;
    Note(std::string("Fault ") + FaultName(fault));
    return true;
}

// --- the record ---

void HeadlessHost::Note(std::string_view line) {
    std::lock_guard lock(recordMutex_);
    record_.push_back(Entry{now_, std::string(line)});
}

std::vector<std::string> HeadlessHost::Record() const {
    std::lock_guard lock(recordMutex_);
    std::vector<std::string> lines;
    lines.reserve(record_.size());
    for (const Entry& e : record_) lines.push_back(e.line);
    return lines;
}

std::vector<HeadlessHost::Entry> HeadlessHost::RecordTimes() const {
    std::lock_guard lock(recordMutex_);
    return record_;
}

void HeadlessHost::ClearRecord() {
    std::lock_guard lock(recordMutex_);
    record_.clear();
}

HeadlessHost& ParkingHost() {
    static HeadlessHost* parking = new HeadlessHost();
    return *parking;
}

}  // namespace tw::test
