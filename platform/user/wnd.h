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

// State of the built-in "button" class, kept with the window.
struct ButtonData {
    UINT state = 0;         // BST_PUSHED | BST_FOCUS
    bool tracking = false;  // pressed by the mouse or the space bar, waiting for the release
    HFONT font = nullptr;
    UINT check = BST_UNCHECKED;  // check boxes and radio buttons
};

// State of the built-in "static" class.
struct StaticData {
    HFONT font = nullptr;
    HICON icon = nullptr;  // SS_ICON: the icon named by the text
};

// What makes a window a dialog (dialog.cpp, defdlg.cpp).
struct DialogData {
    DLGPROC proc = nullptr;
    INT_PTR result = 0;
    bool ended = false;
    HWND focus = nullptr;  // the control to give the focus back to
    HFONT font = nullptr;  // DS_SETFONT: made for the dialog, deleted with it
    int defId = 0;         // DM_SETDEFID; 0: the BS_DEFPUSHBUTTON control, or IDOK
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
    ButtonData button;
    StaticData stat;
    std::unique_ptr<DialogData> dialog;
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

// Painting: what waits to be painted and the DCs handed out (paint.cpp).
struct PaintState {
    int paintPending = 0;  // windows whose needsPaint is set
    std::vector<LiveDC> dcs;
};

struct State : WindowTree, FocusState, QueueState, Inbox, PaintState {};

State& S();

// --- classes (class.cpp) ---
WndClass* FindClass(LPCSTR name);  // case-insensitive, atoms too; registers built-ins on demand
bool ClassMatches(const WndClass* cls, LPCSTR name);  // by atom or case-insensitive name
void ResetClasses();

// --- creation, destruction and the tree (win.cpp) ---
Window* Get(HWND hwnd);           // null for a bad, stale or remote handle
HWND Root(HWND hwnd);              // the top-level ancestor
bool IsDescendant(HWND ancestor, HWND hwnd);  // hwnd is ancestor or inside it
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
void LinkTopLevel(HWND hwnd, bool topmost);   // into the z-order, below the WS_EX_TOPMOST ones
void Unlink(Window* w);                       // out of its parent's or the top-level z-order
void ExposeBeneath(Window* w, const RECT& screen);  // what lay under a vanished window repaints
void ExposeScreenRect(const RECT& screen);    // invalidate what lies under a vanished area
BOOL ShowWindowInternal(HWND hwnd, int cmd);
HWND WindowFromScreenPoint(int x, int y);  // deepest visible window; stops at a disabled one

// --- focus, activation and capture (focus.cpp) ---
void Activate(HWND hwnd);     // makes a top-level window the active one (and gives it the focus)
void TakeInputFrom(Window* w);  // focus, capture and activation leave a window going out of sight
void ResetFocus();

// --- other processes' windows and the single-instance rendezvous (instance.cpp) ---
void Publish(Window* w);          // a new top-level window of a class of ours
void Unpublish(const WndClass* cls);  // the last top-level window of the class went away
std::string RemoteClassName(HWND hwnd);  // "" for anything but another process's window
void ResetInstances();

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
LRESULT CALLBACK MessageBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
extern const char kMessageBoxClass[];
extern const char kDialogClass[];
// The dialog's next control that takes the focus after `from` (null: from the start; `back`: the
// one before), among the WS_TABSTOP controls when there are any, else among all (defdlg.cpp).
HWND NextDialogControl(HWND dlg, HWND from, bool back);  // "#32770", the class of dialogs made from templates
void ForgetMessageBoxes();  // a program abandoned inside a box leaves none behind

// --- cursors and icons (cursors.cpp) ---
void ShowWindowIcon(HICON icon);  // gives the host the icon to show for the program's window

// --- drawing helpers shared by the button and the message box (paint.cpp) ---
HFONT SystemFont();  // the classic 8-point sans serif
void Draw3DRect(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight);
void DrawDottedRect(HDC hdc, const RECT& r);

}  // namespace tw::user
