// USER's internal model shared by its source files: window classes, windows with their
// geometry and update state, the thread's message queues, timers, focus, capture and the
// device contexts USER handed out. One thread owns all of it. Each concern lives in a file of
// its own (class, win, winpos, focus, instance, queue, paint, sysparams, and the built-in
// classes' button and msgbox) and keeps and resets its own part of the state.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/geometry.h"
#include "core/handles.h"
#include "core/surface.h"
#include "gdi/gdi_internal.h"
#include "host/host.h"
#include "windows.h"

namespace tw::user {

using Region = gdi::Region;

struct WndClass {
    std::string name;  // as registered
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    bool builtin = false;
};

// What a built-in class keeps with each of its windows (its window extra bytes, in the system's
// terms): the button's state, the static's icon, the dialog's procedure. Each class makes its own
// record; DataOf finds it, null for a window of another class.
struct ClassData {
    virtual ~ClassData() = default;
};

// What makes a window a dialog (dialog.cpp, defdlg.cpp).
struct DialogData : ClassData {
    DLGPROC proc = nullptr;
    INT_PTR result = 0;
    bool ended = false;
    HWND focus = nullptr;  // the control to give the focus back to
    HFONT font = nullptr;  // DS_SETFONT: made for the dialog, deleted with it
    int defId = 0;         // the default push button's id: the template's BS_DEFPUSHBUTTON, or DM_SETDEFID's
};

struct Window {
    HWND hwnd = nullptr;
    WndClass* cls = nullptr;
    WNDPROC proc = nullptr;
    DWORD style = 0, exStyle = 0;
    HWND parent = nullptr;  // WS_CHILD windows only
    HWND owner = nullptr;   // pop-ups created with a parent handle
    UINT_PTR id = 0;        // child id (the hMenu argument)
    HINSTANCE instance = nullptr;
    std::string text;
    RECT rect{};  // window rectangle in the parent's client coordinates (screen for top-level)
    std::vector<HWND> children;  // z-order, topmost first
    bool iconic = false;
    bool destroying = false;
    // update state
    bool needsPaint = false;
    RECT update{};  // client coordinates; a union rectangle
    bool erase = false;
    bool frameDirty = false;  // the 1-pixel border still has to be drawn
    std::unique_ptr<ClassData> data;  // the built-in class's own record
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;  // ms
    TIMERPROC proc = nullptr;
    uint64_t due = 0;  // host micros
};

// A DC USER handed out for a window: its clip follows the window when windows move.
struct LiveDC {
    HDC hdc = nullptr;
    HWND hwnd = nullptr;  // null: the whole screen
    bool paint = false;   // a BeginPaint DC, clipped to paintRect too
    RECT paintRect{};     // client coordinates
    bool orphan = false;  // its window was destroyed: it draws nowhere until released
};

// The thread's USER state, one part for each concern. Each part is declared here so that
// USER's files can read it through S(), and is reset only by the file that owns it.

// The window tree (win.cpp).
struct WindowTree {
    HandleTable<Window> windows{HandleKind::Window};
    std::vector<HWND> topLevel;  // z-order, topmost first
};

// Focus, activation and capture (focus.cpp).
struct FocusState {
    HWND focus = nullptr, active = nullptr, capture = nullptr;
};

// The message queue, timers and input state (queue.cpp).
struct QueueState {
    std::deque<MSG> posted;  // PostMessage, TranslateMessage
    std::deque<MSG> input;   // mouse and keyboard messages, made from raw input when wanted
    // Input from the host waits raw until the queue gets to it, so that it goes to the window
    // that has the capture or the focus by then, as Win32 decides at retrieval.
    struct RawInput {
        host::InputEvent event;
        uint64_t when = 0;
        // Auto-repeats of one key that arrived faster than the program took them: one message
        // with its repeat count, as Windows makes of them.
        unsigned repeats = 1;
    };
    std::deque<RawInput> raw;
    bool cooking = false;
    // Data other processes sent (WM_COPYDATA), delivered at the next look at the queue.
    std::deque<host::IncomingData> sentByOthers;
    bool quit = false;
    int quitCode = 0;
    // The session's end, asked for by the host and not yet told to the windows: 1, or 2 when it
    // is critical; and whether the windows are being told now.
    int sessionEnd = 0;
    bool endingSession = false;

    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 0x7F00;

    uint64_t now = 0;       // host micros at the latest clock read
    uint64_t lastPoll = 0;  // host micros of the latest input poll
    bool everPolled = false;
    unsigned peeksSincePoll = 0;
    bool polling = false;
    int mouseX = 0, mouseY = 0;
    UINT mouseButtons = 0;  // MK_LBUTTON | MK_RBUTTON | MK_MBUTTON
    bool keyDown[256] = {};
    struct LastClick {
        HWND hwnd = nullptr;
        int button = -1;
        uint64_t when = 0;
        int x = 0, y = 0;
    } lastClick;
};

// Messages posted from other threads (audio notifications) wait here (queue.cpp).
struct Inbox {
    std::mutex inboxLock;
    std::deque<MSG> inbox;
    std::atomic<bool> inboxFull{false};
    std::thread::id owner{};
    bool ownerSet = false;
};

// Painting: what waits to be painted, the DCs handed out and the fonts USER draws with (paint.cpp).
struct PaintState {
    int paintPending = 0;  // windows whose needsPaint is set
    std::vector<LiveDC> dcs;
    HFONT systemFont = nullptr, captionFont = nullptr;  // made when first used
};

struct State : WindowTree, FocusState, QueueState, Inbox, PaintState {};

State& S();

// --- classes (class.cpp) ---
WndClass* FindClass(LPCSTR name);  // case-insensitive, atoms too; registers built-ins on demand
bool ClassMatches(const WndClass* cls, LPCSTR name);  // by atom or case-insensitive name
void ResetClasses();

// --- creation, destruction and the tree (win.cpp) ---
Window* Get(HWND hwnd);           // null for a bad, stale or remote handle
template <typename T>
T* DataOf(HWND hwnd) {
    Window* w = Get(hwnd);
    return w ? dynamic_cast<T*>(w->data.get()) : nullptr;
}
// For a built-in class's procedure: the window's record, made at WM_NCCREATE.
template <typename T>
T* DataFor(HWND hwnd, UINT msg) {
    Window* w = Get(hwnd);
    if (w && msg == WM_NCCREATE && !w->data) w->data = std::make_unique<T>();
    return DataOf<T>(hwnd);
}
HWND Root(HWND hwnd);              // the top-level ancestor
bool IsDescendant(HWND ancestor, HWND hwnd);  // hwnd is ancestor or inside it
bool OwnedBy(const Window* w, HWND owner);    // owner owns w, directly or through the windows owning w
bool IsVisibleChain(const Window* w);         // visible, and every ancestor too; not minimised
bool IsEnabledChain(const Window* w);         // neither it nor an ancestor is disabled
HWND CreateWindowInternal(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx,
                          int cy, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindowInternal(HWND hwnd);
BOOL EnableWindowInternal(HWND hwnd, BOOL enable);
std::string ClassNameOf(HWND hwnd);
bool HasLiveTopLevelOfClass(const WndClass* cls, HWND except);

// --- position, z-order and visibility (winpos.cpp) ---
RECT ScreenBounds();                          // the whole screen framebuffer
int BorderOf(const Window* w);                // 1 with WS_BORDER
RECT ClientRect(const Window* w);             // (0, 0, cx, cy)
POINT ClientOrigin(const Window* w);          // client (0, 0) in screen coordinates
RECT ScreenRect(const Window* w);             // window rectangle in screen coordinates
Region VisibleRegion(const Window* w, bool clientOnly);
// Moves a top-level window and the pop-ups it owns (in their order) after `after` (HWND_TOP, HWND_BOTTOM or a
// window) in the z-order, keeping owned windows above their owner and WS_EX_TOPMOST ones above the rest; what
// comes into view repaints. False when the order stays as it was.
bool PlaceTopLevel(Window* w, HWND after);
BOOL SetWindowPosInternal(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
void Unlink(Window* w);                       // out of its parent's or the top-level z-order
void ExposeBeneath(Window* w, const RECT& screen);  // what lay under a vanished window repaints
void ExposeScreenRect(const RECT& screen);    // invalidate what lies under a vanished area
BOOL ShowWindowInternal(HWND hwnd, int cmd);
// The window that takes a mouse message at a screen point and its WM_NCHITTEST answer: the
// deepest shown window there, or the next below it while they answer HTTRANSPARENT; a
// disabled window takes it with HTERROR. Null (HTNOWHERE) where there is none.
HWND WindowFromScreenPoint(int x, int y, LRESULT& hit);

// --- focus, activation and capture (focus.cpp) ---
void Activate(HWND hwnd);     // makes a top-level window the active one, on top, with the focus
// The window that takes the activation when `hwnd` is brought forward: the uppermost shown, enabled pop-up it
// owns (its last active one, as the windows it owns stay in the order they were used), or itself.
HWND LastActivePopup(HWND hwnd);
void TakeInputFrom(Window* w);  // focus, capture and activation leave a window going out of sight
void ResetFocus();

// --- other processes' windows and the single-instance rendezvous (instance.cpp) ---
void Publish(Window* w);          // a new top-level window of a class of ours
void Unpublish(const WndClass* cls);  // the last top-level window of the class went away
std::string RemoteClassName(HWND hwnd);  // "" for anything but another process's window
void DeliverSentByOthers();  // WM_COPYDATA of other processes, answered as it is handled
LRESULT SendToOtherProcess(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);  // 0 unless delivered
void ResetInstances();

// --- files dropped from the desktop (shell/drop.cpp) ---
void DropInput(const host::InputEvent& ev);  // WM_DROPFILES to the window under it that takes files

// --- queue (queue.cpp) ---
void PostInternal(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::deque<MSG>& queue);
void ForgetWindowMessages(HWND hwnd);  // drops queued messages and timers of a dying window
void ResetQueue();
void BindThread();                     // the calling thread owns the queue from now on
uint64_t NowMicros();                  // reads the host clock and remembers it
DWORD TickCount();
// The loop of a modal window (dialog, message box): pumps the thread's messages while up() holds,
// offering each to own() first (true: taken, not dispatched). A WM_QUIT ends it and is kept for
// the loop outside.
void RunModalLoop(const std::function<bool()>& up, const std::function<bool(MSG&)>& own);

// --- painting (paint.cpp) ---
void InvalidateInternal(Window* w, const RECT* rect, bool erase);
void ValidateAll(Window* w);
void DrawFrameIfNeeded(Window* w);
void ForgetWindowDCs(HWND hwnd);
void LayoutChanged();  // windows moved, appeared or vanished: re-clip live DCs
void ResetPaint();

// --- classes provided by the layer ---
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
extern const char kDialogClass[];  // "#32770", the class of dialogs and message boxes
// The first control of a dialog that takes the focus when it opens: the first tab stop, else the
// first shown, enabled control (defdlg.cpp).
HWND FirstDialogControl(HWND dlg);
// The dialog manager or the mouse gave a dialog's control the focus (SetFocus alone does not
// come here): the dialog gives it back the focus when it is active again, and a push button looks
// like the default one, which Enter presses, for as long as it has it; on any other control the
// dialog's own default button does (defdlg.cpp).
void FocusTaken(HWND control);
bool IsMessageBox(HWND hwnd);  // a dialog of MessageBoxA's (msgbox.cpp)
void ForgetMessageBoxes();     // a program abandoned inside a box leaves none behind
// What a control answers to WM_GETDLGCODE (0 for no window).
inline LRESULT DlgCode(HWND hwnd) { return SendMessageA(hwnd, WM_GETDLGCODE, 0, 0); }

// --- cursors and icons (cursors.cpp) ---
void ShowWindowIcon(HICON icon);  // gives the host the icon to show for the program's window

// --- drawing helpers of the built-in classes (paint.cpp) ---
HFONT SystemFont();   // the classic 8-point sans serif of controls and message boxes
HFONT CaptionFont();  // its bold face, for the message box's caption bar
void FillSolid(HDC hdc, const RECT& r, COLORREF color);
void Draw3DRect(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight);
void DrawDottedRect(HDC hdc, const RECT& r);
// The brush a control paints its background with: its parent's answer to the WM_CTLCOLOR*
// message `msg` (a dialog asks itself WM_CTLCOLORDLG), else the default one (defwnd.cpp).
HBRUSH ControlBrush(HWND hwnd, HDC hdc, UINT msg);
void FillBackground(HWND hwnd, HDC hdc, UINT msg);  // the client area, with that brush

}  // namespace tw::user
