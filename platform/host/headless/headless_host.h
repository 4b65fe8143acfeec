// The memory host for tests and benchmarks: an 800 x 600 memory screen, a virtual clock that moves
// only when the program reads it or waits, a timeline of scripted input, a pretend desktop with
// its display mode, the cursor by name, a make-believe registry of other instances, injected
// faults, fake printers (fake_printers.h), and a record of what the program asked of the machine.
//
// Nothing here sleeps. When the program would wait for input and nothing is due, the host either
// hands control to a Driver (the whole-program harness, which pauses the program there) or, with
// no driver, lets virtual time jump straight to the next thing that will happen.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/surface.h"
#include "host/headless/fake_printers.h"
#include "host/probe.h"

namespace tw::test {

// Thrown by WaitInput when there is no driver, no deadline and no input to come: the caller
// would wait for ever.
class WaitForever : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Thrown by EndProcess when there is no driver: the process would end here with `code`.
struct ProcessEnded {
    int code = 0;
};

class HeadlessHost : public host::Host, public host::Probe {
public:
    static constexpr int kScreenWidth = 800;
    static constexpr int kScreenHeight = 600;

    // Who runs the program. The host calls it on the program's thread.
    class Driver {
    public:
        virtual ~Driver() = default;
        // Every clock read, poll and wait passes through here (the driver may stop a runaway).
        virtual void Step() = 0;
        // The program waits for input, nothing is due and no time is to pass: it is idle.
        // Returns when the program may go on (the host then looks again at what is due).
        virtual void Idle() = 0;
        // The program is about to wait, or has just taken an input event: a moment to look at
        // what it shows (message boxes that open and close without the program ever idling).
        virtual void Observe() {}
        // The process ends here with that status (the session's end). Unless the driver unwinds
        // the program itself, the host then throws ProcessEnded.
        virtual void Exit(int code) { (void)code; }
    };

    struct Entry {
        uint64_t micros = 0;  // virtual time of the note
        std::string line;
        double Ms() const { return static_cast<double>(micros) / 1000.0; }
    };

    HeadlessHost();
    ~HeadlessHost() override;
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    // --- host::Host ---
    uint64_t NowMicros() override;
    int DesktopWidth() override { return desktopWidth_; }
    int DesktopHeight() override { return desktopHeight_; }
    Surface& Screen() override { return screen_; }
    void ScreenChanged() override { ++screenChanges_; }
    bool SetDisplayMode(int width, int height, int bpp) override;
    void RestoreDisplayMode() override;
    bool PollInput(host::InputEvent& ev) override;
    void WaitInput(uint64_t deadlineMicros) override;
    void Wake() override;
    [[noreturn]] void EndProcess(int code) override;
    void SetCursorImage(const host::CursorImage* image) override;
    void GetCursorPos(int& x, int& y) override;
    void SetCursorPos(int x, int y) override;
    void SetWindowIcon(const host::CursorImage& image) override;
    void AcceptDrops(bool accept) override;
    std::string ProgramPath() override { return programPath_.empty() ? Host::ProgramPath() : programPath_; }
    void PublishInstance(const std::string& className) override;
    void UnpublishInstance(const std::string& className) override;
    host::RemoteWindowOps QueryInstance(const std::string& className) override;
    bool RaiseInstance(const std::string& className) override;
    bool RestoreInstance(const std::string& className) override;
    void SetInstanceRequests(InstanceRequests* handler) override { instanceRequests_ = handler; }
    void Beep(unsigned type) override;
    void PlayWave(const void* riff, size_t bytes, bool loop) override;
    void StopWave() override;
    bool OpenMidi(const std::string& path) override;
    void PlayMidi() override;
    void StopMidi() override;
    void SeekMidiStart() override;
    void CloseMidi() override;
    void SetSoundEvents(SoundEvents* handler) override { soundEvents_ = handler; }
    host::Probe* Diagnostics() override { return this; }
    bool InjectFault(host::Fault fault) override;
    void Note(std::string_view line) override;
    host::Printers* GetPrinters() override { return &printers_; }
    std::string AppDataFolder(bool common) override { return common ? machineSettings_ : userSettings_; }

    // --- the clock ---
    // The time now, without moving the clock (a test looking is not the program reading).
    uint64_t PeekMicros() const { return now_; }
    // How far every NowMicros call moves the clock (default 1 us; 0 stops it).
    void SetQuantum(uint64_t micros) { quantum_ = micros; }
    // Moves the clock forward (never back).
    void AdvanceTo(uint64_t micros);
    // While the clock is before the target, a WaitInput with nothing due lets time run on to the
    // target (or the deadline, or the next input) instead of counting as idle.
    void SetTarget(uint64_t micros) { target_ = micros; }
    uint64_t Target() const { return target_; }

    // --- the screen and display ---
    void SetDesktopSize(int width, int height);
    // The mode set by SetDisplayMode; the desktop size (and 32 bits) when none is set.
    int DisplayWidth() const { return modeSet_ ? modeWidth_ : desktopWidth_; }
    int DisplayHeight() const { return modeSet_ ? modeHeight_ : desktopHeight_; }
    int DisplayBpp() const { return modeSet_ ? modeBpp_ : 32; }
    bool DisplayModeSet() const { return modeSet_; }
    uint64_t ScreenChanges() const { return screenChanges_; }

    // --- settings folders (none until a test names them) ---
    void SetAppDataFolders(const std::string& user, const std::string& machine) {
        userSettings_ = user;
        machineSettings_ = machine;
    }

    // --- input ---
    // Input that arrives when the clock reaches atMicros (events at one time keep their order).
    // Key events get the mouse position when they arrive.
    void Schedule(uint64_t atMicros, const host::InputEvent& ev);
    size_t PendingInput() const { return input_.size(); }
    // Time of the earliest scheduled event; UINT64_MAX when none.
    uint64_t NextInputTime() const;
    void ClearInput() { input_.clear(); }

    // Whether the program takes dropped files (AcceptDrops); a drop the desktop would refuse
    // is not delivered.
    bool DropsAccepted() const { return dropsAccepted_; }
    // Files dropped at screen point (x, y) when the clock reaches atMicros.
    void ScheduleDrop(uint64_t atMicros, const std::vector<std::string>& files, int x, int y);

    // --- the program's own file ---
    // What ProgramPath reports (empty: this process's own file), so that a test can put what the
    // program looks for beside it.
    void SetProgramPath(const std::string& path) { programPath_ = path; }

    // --- cursor ---
    // Name of the image shown ("" when hidden).
    const std::string& CursorName() const { return cursorName_; }
    bool CursorHidden() const { return cursorHidden_; }

    // --- single instance ---
    void AddOtherInstance(const std::string& className, bool iconic);
    const std::set<std::string>& Published() const { return published_; }
    // What the layer registered to answer other processes (null before PublishInstance).
    InstanceRequests* Requests() const { return instanceRequests_; }

    // --- sound ---
    // Ends the piece that is playing as if it had reached its end: the layer hears of it at its
    // next look at the input, as from a real player. False when no piece is playing.
    // Callable from the test's thread while the program is idle.
    bool FinishMusic();
    bool MidiPlaying() const { return midiPlaying_; }

    // --- faults ---
    // The next `count` calls of that kind fail, after `skip` that succeed; count < 0: every call
    // after the skipped ones. A later Fail of the same kind replaces the earlier one.
    void Fail(host::Fault fault, int count = 1, int skip = 0);

    // --- the record ---
    // Every Note of the layer, in order, and the host's own lines: "DisplayMode 800 600 16"
    // (or "... refused"), "DisplayMode restored", "SetCursor <name>" / "SetCursor (hidden)" when
    // the image changes, "WindowIcon <name> <width>x<height>", "PublishInstance <class>",
    // "UnpublishInstance <class>", "RaiseInstance <class>", "RestoreInstance <class>", "AcceptDrops 0|1",
    // "Drop refused" (a drop while no window takes files), "Beep <type>", "Fault <kind>",
    // "Wave <bytes> once|loop", "WaveStop", "MidiOpen <path>", "MidiPlay", "MidiStop", "MidiSeek",
    // "MidiClose", "EndProcess <code>"; and of the layer's files: "FlushFile <path>", "MoveFileExA <from> <to>",
    // "FlushFolder <folder>".
    std::vector<std::string> Record() const;
    std::vector<Entry> RecordTimes() const;
    void ClearRecord();

    // --- printers ---
    FakePrinters& Printers() { return printers_; }

    // --- the driver ---
    void SetDriver(Driver* driver) { driver_ = driver; }

    static const char* FaultName(host::Fault fault);

private:
    struct Scheduled {
        uint64_t at;
        uint64_t seq;
        host::InputEvent ev;
    };
    struct FaultPlan {
        int skip = 0;
        int count = 0;
    };

    void Step() {
        if (driver_) driver_->Step();
    }
    // Tells the layer of a piece that ended; true when it did.
    bool ServeSound();

    Surface screen_;
    uint64_t screenChanges_ = 0;
    int desktopWidth_ = 1024, desktopHeight_ = 768;
    std::string userSettings_, machineSettings_;
    bool modeSet_ = false;
    int modeWidth_ = 0, modeHeight_ = 0, modeBpp_ = 0;

    uint64_t now_ = 0;
    uint64_t quantum_ = 1;
    uint64_t target_ = 0;
    std::atomic<bool> woken_{false};

    std::vector<Scheduled> input_;  // sorted by (at, seq)
    uint64_t nextSeq_ = 0;

    bool dropsAccepted_ = false;
    std::string programPath_;

    std::string cursorName_;
    bool cursorHidden_ = false;
    bool cursorKnown_ = false;
    int cursorX_ = 0, cursorY_ = 0;

    std::map<std::string, bool> others_;  // other instances' classes -> iconic
    std::set<std::string> published_;
    InstanceRequests* instanceRequests_ = nullptr;

    std::map<host::Fault, FaultPlan> faults_;

    SoundEvents* soundEvents_ = nullptr;
    bool midiOpen_ = false;
    std::atomic<bool> midiPlaying_{false};
    std::atomic<bool> midiEnded_{false};  // set by FinishMusic, taken on the program's thread

    mutable std::mutex recordMutex_;
    std::vector<Entry> record_;

    FakePrinters printers_;

    Driver* driver_ = nullptr;
};

// A host that is never destroyed, made current when the host of a test goes away, so that
// nothing the layer does afterwards (at exit, say) reaches a destroyed one.
HeadlessHost& ParkingHost();

}  // namespace tw::test
