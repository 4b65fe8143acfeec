// The host on a real desktop: an SDL2 window showing the 800 x 600 screen, SDL input turned
// into the layer's input events, the monotonic clock, colour cursors, and the single-instance
// rendezvous with other processes of the same user, and sound through SDL_mixer.
#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/surface.h"
#include "host/host.h"
#include "host/posix/instance_link.h"
#include "host/sdl/cups_printers.h"
#include "host/sdl/sdl_audio.h"
#include "host/sdl/x11_present.h"

namespace tw::sdl {

using posix::AskInstance;
using posix::DefaultInstanceDir;
using posix::InstanceReply;
using posix::InstanceRequest;
using posix::InstanceServer;
using posix::InstanceSocketPath;

class SdlHost final : public host::Host {
public:
    static constexpr int kScreenWidth = 800;
    static constexpr int kScreenHeight = 600;

    // Needs SDL's video subsystem initialised. The window stays hidden until something is first
    // drawn, so a process that only finds another instance and leaves never shows one.
    SdlHost();
    ~SdlHost() override;
    SdlHost(const SdlHost&) = delete;
    SdlHost& operator=(const SdlHost&) = delete;

    // False when the window, or what draws into it, could not be made.
    bool Ok() const { return window_ != nullptr; }
    SDL_Window* Window() const { return window_; }  // for checks of what the window shows
    // Takes the window down and stops answering other processes. The object stays usable (as a
    // host with no window) for whatever runs after the program has returned.
    void Close();

    uint64_t NowMicros() override;

    int DesktopWidth() override { return desktopWidth_; }
    int DesktopHeight() override { return desktopHeight_; }
    Surface& Screen() override { return screen_; }
    void ScreenChanged() override { dirty_ = true; }
    bool SetDisplayMode(int width, int height, int bpp) override;
    void RestoreDisplayMode() override;

    bool PollInput(host::InputEvent& ev) override;
    void WaitInput(uint64_t deadlineMicros) override;
    void Wake() override;
    // Takes the window down and ends the process.
    [[noreturn]] void EndProcess(int code) override;

    void SetCursorImage(const host::CursorImage* image) override;
    void GetCursorPos(int& x, int& y) override;
    void SetCursorPos(int x, int y) override;
    void SetWindowIcon(const host::CursorImage& image) override;
    void AcceptDrops(bool accept) override;

    void PublishInstance(const std::string& className) override;
    void UnpublishInstance(const std::string& className) override;
    host::RemoteWindowOps QueryInstance(const std::string& className) override;
    bool RaiseInstance(const std::string& className) override;
    bool RestoreInstance(const std::string& className) override;
    bool SendInstanceData(const std::string& className, uintptr_t dwData, const std::string& bytes,
                          intptr_t& result) override;
    // The instances this process publishes and asks for are those of one child's folder (its
    // identity): copies of the program on other folders are no other instances.
    void SetInstanceScope(const std::string& scope) { instanceScope_ = scope; }
    // Requests of other processes are carried out inside PollInput and WaitInput.
    void SetInstanceRequests(InstanceRequests* handler) override { requests_ = handler; }

    void PlayWave(const void* riff, size_t bytes, bool loop) override { audio_.PlayWave(riff, bytes, loop); }
    void StopWave() override { audio_.StopWave(); }
    bool OpenMidi(const std::string& path) override { return audio_.OpenMidi(path); }
    void PlayMidi() override { audio_.PlayMidi(); }
    void StopMidi() override { audio_.StopMidi(); }
    void SeekMidiStart() override { audio_.SeekMidiStart(); }
    void CloseMidi() override { audio_.CloseMidi(); }
    // The end of a piece is told inside PollInput and WaitInput.
    void SetSoundEvents(SoundEvents* handler) override { soundEvents_ = handler; }

    host::Printers* GetPrinters() override { return &printers_; }
    std::string AppDataFolder(bool common) override;

private:
    // Takes everything SDL has queued into the input queue and answers other processes.
    void Pump(uint64_t now);
    // The same without asking the display: only what SDL has queued already.
    void TakeQueued();
    void Translate(const SDL_Event& e);
    void Push(const host::InputEvent& ev);
    // The session's end (a signal, SDL's quit, the display's loss) as input for the layer.
    void PushEndSession(bool critical);
    bool NeedsPresent() const { return dirty_ || screen_.Version() != presentedVersion_; }
    void Present(uint64_t now);
    void ServeInstances();
    void ServeSound();
    bool AnswerInstance(InstanceRequest request);
    std::string SocketPath(const std::string& className) const;
    void MousePosition(int& x, int& y) const;
    // Where the pointer is on the screen now, wherever the window manager or a drag has it.
    void PointerPosition(int& x, int& y);
    SDL_Rect Viewport() const;
    void ToLogical(int wx, int wy, int& x, int& y) const;
    void MouseFromWindow(int x, int y);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    std::unique_ptr<X11Presenter> presenter_;  // shows the screen instead of a renderer
    bool shown_ = false;
    std::atomic<bool> open_{false};  // read by Wake from other threads
    bool fullscreen_ = false;
    bool coveredByHand_ = false;  // fullscreen without a window manager: placed and sized by us

    Surface screen_;
    bool dirty_ = false;
    uint64_t presentedVersion_ = 0;
    uint64_t nextPresent_ = 0;
    int desktopWidth_ = kScreenWidth, desktopHeight_ = kScreenHeight;

    std::chrono::steady_clock::time_point start_;
    uint64_t lastPump_ = 0;
    std::deque<host::InputEvent> queue_;
    int mouseX_ = 0, mouseY_ = 0;
    Uint32 userEvents_ = 0;  // first of our two registered event types: wake, instance request
    std::atomic<bool> wakePending_{false};
    bool woken_ = false;
    std::vector<std::string> dropping_;  // the files of a drop still arriving
    std::string dropScript_;             // TINTWELL_TEST_DROP: where a check leaves a drop to make
    uint64_t lastDropLook_ = 0;
    static constexpr uint64_t kDropLookMicros = 100 * 1000;
    void PushScriptedDrop();
    bool displayLossTold_ = false;

    std::map<std::string, SDL_Cursor*> cursors_;
    SDL_Cursor* currentCursor_ = nullptr;
    bool cursorHidden_ = false;

    // Diagnostic trace (TINTWELL_TRACE names the file): one line per cursor change, so that the
    // length of a fill or a clear, which show the wait cursor throughout, can be timed from outside.
    std::FILE* trace_ = nullptr;
    void Trace(const char* what, const char* detail);

    std::string instanceDir_;
    std::string instanceScope_;
    std::map<std::string, std::unique_ptr<InstanceServer>> published_;
    InstanceRequests* requests_ = nullptr;

    SoundEvents* soundEvents_ = nullptr;
    CupsPrinters printers_;
    SdlAudio audio_{[this] { Wake(); }};  // last: it goes first, before what Wake uses
};

}  // namespace tw::sdl
