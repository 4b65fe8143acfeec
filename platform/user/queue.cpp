// The thread's message queue: posted messages, input from the host turned into mouse and
// keyboard messages, WM_PAINT and WM_TIMER made when asked for, the message filters of
// PeekMessage/GetMessage, sending, translating and dispatching, and the timers.
#include <cstdlib>

#include "host/probe.h"
#include "kernel/kernel_internal.h"
#include "user/wnd.h"

namespace tw::user {

namespace {

constexpr unsigned kPeeksBetweenPolls = 16;  // an empty PeekMessage reads the clock this rarely
constexpr uint64_t kPollIntervalMicros = 1000;
constexpr uint64_t kDoubleClickMicros = 500 * 1000;
constexpr UINT kMinTimerMs = 10;
constexpr uint64_t kObjectPollMicros = 10 * 1000;  // how often a wait looks at a child process
constexpr UINT MK_MBUTTON_ = 0x0010;

bool RangeMatches(UINT message, UINT first, UINT last) {
    if (!first && !last) return true;
    if (first > last) return true;
    return message >= first && message <= last;
}

bool WindowMatches(HWND hwnd, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return hwnd == nullptr;
    return hwnd && IsDescendant(filter, hwnd);
}

bool Matches(const MSG& m, HWND filter, UINT first, UINT last) {
    return RangeMatches(m.message, first, last) && WindowMatches(m.hwnd, filter);
}

unsigned ScanCode(unsigned vk) {
    static const unsigned char letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                              0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                              0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (vk >= 'A' && vk <= 'Z') return letters[vk - 'A'];
    if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
    if (vk == '0') return 0x0B;
    if (vk >= VK_F1 && vk <= VK_F1 + 9) return 0x3B + (vk - VK_F1);
    switch (vk) {
    case VK_ESCAPE: return 0x01;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: return 0x1D;
    case VK_SHIFT: return 0x2A;
    case VK_MENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_HOME: return 0x47;
    case VK_UP: return 0x48;
    case VK_PRIOR: return 0x49;
    case VK_LEFT: return 0x4B;
    case VK_RIGHT: return 0x4D;
    case VK_END: return 0x4F;
    case VK_DOWN: return 0x50;
    case VK_NEXT: return 0x51;
    case VK_INSERT: return 0x52;
    case VK_DELETE: return 0x53;
    default: return 0;
    }
}

bool ExtendedKey(unsigned vk) {
    return (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
}

// The character a key makes on a US keyboard, 0 for none.
unsigned CharFor(unsigned vk, bool shift, bool ctrl) {
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return shift ? vk : vk - 'A' + 'a';
    }
    if (vk >= '0' && vk <= '9') {
        if (ctrl) return 0;
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? static_cast<unsigned char>(shifted[vk - '0']) : vk;
    }
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    default: return 0;
    }
}

void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::deque<MSG>& queue) {
    PostInternal(hwnd, msg, wParam, lParam, queue);
}

void MouseInput(const host::InputEvent& ev, uint64_t when) {
    auto& s = S();
    auto& host = host::Current();
    bool down = ev.kind == host::InputEvent::Kind::MouseDown;
    UINT msg = WM_MOUSEMOVE;
    if (ev.kind != host::InputEvent::Kind::MouseMove) {
        static const UINT downs[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
        static const UINT ups[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
        static const UINT bits[3] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON_};
        int b = (ev.button >= 0 && ev.button < 3) ? ev.button : 0;
        msg = down ? downs[b] : ups[b];
        if (down)
            s.mouseButtons |= bits[b];
        else
            s.mouseButtons &= ~bits[b];
    }
    WPARAM keys = s.mouseButtons | (s.keyDown[VK_SHIFT] ? MK_SHIFT : 0) | (s.keyDown[VK_CONTROL] ? MK_CONTROL : 0);

    HWND target = nullptr;
    if (s.capture && Get(s.capture)) {
        target = s.capture;
    } else {
        LRESULT hit;
        target = WindowFromScreenPoint(ev.x, ev.y, hit);
        if (!target) return;
        SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, msg));
        // A disabled window (or one under a modal box) gets no input; a click only beeps.
        if (hit == HTERROR && down) host.Beep(0);
        if (!Get(target) || hit != HTCLIENT) return;
    }
    Window* w = Get(target);
    if (down) {
        int b = ev.button;
        auto& last = s.lastClick;
        bool dbl = (w->cls->style & CS_DBLCLKS) && last.hwnd == target && last.button == b &&
                   when - last.when <= kDoubleClickMicros && std::abs(ev.x - last.x) <= 2 &&
                   std::abs(ev.y - last.y) <= 2;
        if (dbl) {
            msg += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
            last.hwnd = nullptr;
        } else {
            last = {target, b, when, ev.x, ev.y};
        }
    }
    POINT o = ClientOrigin(w);
    LPARAM lp = MAKELPARAM(static_cast<short>(ev.x - o.x), static_cast<short>(ev.y - o.y));
    if (msg == WM_MOUSEMOVE && !s.input.empty()) {
        MSG& back = s.input.back();
        if (back.message == WM_MOUSEMOVE && back.hwnd == target && back.wParam == keys) {
            back.lParam = lp;
            back.pt = POINT{ev.x, ev.y};
            back.time = TickCount();
            return;
        }
    }
    Post(target, msg, keys, lp, s.input);
}

void KeyInput(const host::InputEvent& ev, unsigned repeats) {
    auto& s = S();
    unsigned vk = ev.vk & 0xFF;
    bool down = ev.kind == host::InputEvent::Kind::KeyDown;
    bool previous = s.keyDown[vk] || (down && ev.repeat);
    s.keyDown[vk] = down;
    bool sys = (ev.alt && !s.keyDown[VK_CONTROL]) || vk == VK_MENU || vk == 0x79 /* VK_F10 */;
    UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM lp = std::min(repeats, 0xFFFFu) | (static_cast<LPARAM>(ScanCode(vk)) << 16);
    if (ExtendedKey(vk)) lp |= LPARAM(1) << 24;
    if (ev.alt) lp |= LPARAM(1) << 29;
    if (previous || !down) lp |= LPARAM(1) << 30;
    if (!down) lp |= LPARAM(1) << 31;
    lp = static_cast<LPARAM>(static_cast<DWORD>(lp));
    HWND target = s.focus && Get(s.focus) ? s.focus : s.active;
    Window* w = Get(target);
    if (!w || !IsEnabledChain(w)) return;
    Post(target, msg, vk, lp, s.input);
}

void CloseRequest() {
    auto& s = S();
    HWND target = s.active ? Root(s.active) : nullptr;
    if (!target && !s.topLevel.empty()) target = s.topLevel.front();
    if (target) Post(target, WM_SYSCOMMAND, SC_CLOSE, 0, s.posted);
}

// The session ends: as Windows does, every top-level window is asked whether it may end
// (WM_QUERYENDSESSION) and then told whether it does (WM_ENDSESSION); when it does, the process
// ends with it. A window that says no keeps the session, unless the end is critical.
void EndSession() {
    auto& s = S();
    const bool critical = s.sessionEnd > 1;
    s.sessionEnd = 0;
    s.endingSession = true;
    const LPARAM why = static_cast<LPARAM>(ENDSESSION_LOGOFF | (critical ? ENDSESSION_CRITICAL : 0));
    const std::vector<HWND> windows = s.topLevel;
    std::vector<HWND> asked;
    bool ends = true;
    for (HWND h : windows) {
        if (!Get(h)) continue;
        asked.push_back(h);
        if (!SendMessageA(h, WM_QUERYENDSESSION, 0, why) && !critical) {
            ends = false;
            break;
        }
    }
    for (HWND h : asked)
        if (Get(h)) SendMessageA(h, WM_ENDSESSION, ends, why);
    s.endingSession = false;
    tw::host::Note([&] { return std::string("EndSession ") + (ends ? "ends" : "refused"); });
    if (ends) host::Current().EndProcess(0);
}

void HandleInput(const host::InputEvent& ev, uint64_t when, unsigned repeats) {
    auto& s = S();
    using Kind = host::InputEvent::Kind;
    switch (ev.kind) {
    case Kind::MouseMove:
    case Kind::MouseDown:
    case Kind::MouseUp: {
        bool moved = ev.x != s.mouseX || ev.y != s.mouseY;
        s.mouseX = ev.x;
        s.mouseY = ev.y;
        if (ev.kind != Kind::MouseMove && moved) {
            host::InputEvent move = ev;
            move.kind = Kind::MouseMove;
            MouseInput(move, when);
        }
        MouseInput(ev, when);
        break;
    }
    case Kind::KeyDown:
    case Kind::KeyUp: KeyInput(ev, repeats); break;
    case Kind::Char: break;  // characters come from TranslateMessage
    case Kind::CloseRequest: CloseRequest(); break;
    case Kind::EndSession: break;  // taken as soon as it is polled
    case Kind::DropFiles: DropInput(ev); break;
    }
}

void PollHost(bool force) {
    auto& s = S();
    s.peeksSincePoll = 0;
    NowMicros();
    if (s.polling) return;
    if (!force && s.everPolled && s.now - s.lastPoll < kPollIntervalMicros) return;
    s.polling = true;
    s.lastPoll = s.now;
    s.everPolled = true;
    host::InputEvent ev;
    auto& host = host::Current();
    while (host.PollInput(ev)) {
        if (ev.kind == host::InputEvent::Kind::EndSession) {
            s.sessionEnd = std::max(s.sessionEnd, ev.critical ? 2 : 1);
            continue;
        }
        // Moves pile up into one, as the system's input queue does with them; so do the
        // auto-repeats of a held key, counted.
        State::RawInput* last = s.raw.empty() ? nullptr : &s.raw.back();
        if (last && ev.kind == host::InputEvent::Kind::MouseMove && last->event.kind == ev.kind)
            *last = State::RawInput{ev, s.now};
        else if (last && ev.kind == host::InputEvent::Kind::KeyDown && ev.repeat && last->event.kind == ev.kind &&
                 last->event.repeat && last->event.vk == ev.vk)
            ++last->repeats;
        else
            s.raw.push_back(State::RawInput{ev, s.now});
    }
    s.polling = false;
}

void DrainInbox() {
    auto& s = S();
    std::lock_guard<std::mutex> lock(s.inboxLock);
    while (!s.inbox.empty()) {
        s.posted.push_back(s.inbox.front());
        s.inbox.pop_front();
    }
    s.inboxFull.store(false, std::memory_order_relaxed);
}

// The first window needing a paint, parents before their children.
HWND FindPaint(const std::vector<HWND>& list, HWND filter) {
    for (HWND h : list) {
        Window* w = Get(h);
        if (!w || !IsVisibleChain(w)) continue;
        if (w->needsPaint && WindowMatches(h, filter)) return h;
        if (HWND child = FindPaint(w->children, filter)) return child;
    }
    return nullptr;
}

bool TimerMatches(const Timer& t, HWND filter) {
    if (!filter) return true;
    return t.hwnd && WindowMatches(t.hwnd, filter);
}

bool PeekInternal(MSG* out, HWND filter, UINT first, UINT last, UINT flags, bool forcePoll) {
    auto& s = S();
    if (s.inboxFull.load(std::memory_order_relaxed)) DrainInbox();
    if (forcePoll || ++s.peeksSincePoll >= kPeeksBetweenPolls) PollHost(forcePoll);
    // Like a message sent from another thread, the session's end is delivered here.
    if (s.sessionEnd && !s.endingSession && !s.cooking) EndSession();
    // Messages another process sent are delivered here, whatever the filter, as Windows does.
    if (!s.sentByOthers.empty() && !s.cooking && !s.polling) DeliverSentByOthers();
    bool remove = (flags & PM_REMOVE) != 0;
    auto take = [&](std::deque<MSG>& queue) {
        for (auto it = queue.begin(); it != queue.end(); ++it) {
            if (!Matches(*it, filter, first, last)) continue;
            *out = *it;
            if (remove) queue.erase(it);
            return true;
        }
        return false;
    };
    if (take(s.posted)) return true;
    for (;;) {
        if (take(s.input)) return true;
        if (s.raw.empty() || s.cooking) break;
        // Turn the next piece of raw input into messages and look again.
        State::RawInput next = s.raw.front();
        s.raw.pop_front();
        s.cooking = true;
        HandleInput(next.event, next.when, next.repeats);
        s.cooking = false;
    }
    if (s.quit && !filter) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, TickCount(), POINT{s.mouseX, s.mouseY}};
        if (remove) s.quit = false;
        return true;
    }
    if (s.paintPending > 0 && RangeMatches(WM_PAINT, first, last)) {
        if (HWND h = FindPaint(s.topLevel, filter)) {
            *out = MSG{h, WM_PAINT, 0, 0, TickCount(), POINT{s.mouseX, s.mouseY}};
            return true;
        }
    }
    if (!s.timers.empty() && RangeMatches(WM_TIMER, first, last)) {
        for (Timer& t : s.timers) {
            if (t.due > s.now || !TimerMatches(t, filter)) continue;
            *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), TickCount(),
                       POINT{s.mouseX, s.mouseY}};
            if (remove) t.due = s.now + uint64_t(t.interval) * 1000;
            return true;
        }
    }
    return false;
}

uint64_t NextTimerDue(HWND filter, UINT first, UINT last) {
    uint64_t due = UINT64_MAX;
    if (!RangeMatches(WM_TIMER, first, last)) return due;
    for (const Timer& t : S().timers)
        if (TimerMatches(t, filter)) due = std::min(due, t.due);
    return due;
}

bool OnOwnerThread() {
    auto& s = S();
    return !s.ownerSet || s.owner == std::this_thread::get_id();
}

}  // namespace

void BindThread() {
    auto& s = S();
    if (!s.ownerSet) {
        s.owner = std::this_thread::get_id();
        s.ownerSet = true;
    }
}

uint64_t NowMicros() {
    S().now = host::Current().NowMicros();
    return S().now;
}

DWORD TickCount() { return static_cast<DWORD>(S().now / 1000); }

void PostInternal(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::deque<MSG>& queue) {
    auto& s = S();
    queue.push_back(MSG{hwnd, msg, wParam, lParam, TickCount(), POINT{s.mouseX, s.mouseY}});
}

void ResetQueue() {
    auto& s = S();
    static_cast<QueueState&>(s) = QueueState{};
    std::lock_guard<std::mutex> lock(s.inboxLock);
    s.inbox.clear();
    s.inboxFull = false;
    s.ownerSet = false;
}

void ForgetWindowMessages(HWND hwnd) {
    auto& s = S();
    for (auto* queue : {&s.posted, &s.input})
        std::erase_if(*queue, [&](const MSG& m) { return m.hwnd == hwnd; });
    std::erase_if(s.timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

void RunModalLoop(const std::function<bool()>& up, const std::function<bool(MSG&)>& own) {
    MSG msg;
    while (up()) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is quitting: pass the quit on to the loop outside.
            S().quit = true;
            S().quitCode = static_cast<int>(msg.wParam);
            return;
        }
        if (got < 0) return;
        if (own(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT flags) {
    if (!msg) return FALSE;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !Get(hwnd)) return FALSE;
    BindThread();
    return PeekInternal(msg, hwnd, first, last, flags, false) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last) {
    if (!msg) return -1;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !Get(hwnd)) return -1;
    BindThread();
    for (;;) {
        if (PeekInternal(msg, hwnd, first, last, PM_REMOVE, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        host::Current().WaitInput(NextTimerDue(hwnd, first, last));
    }
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
                                       DWORD dwWakeMask) {
    (void)dwWakeMask;  // any message wakes
    if (nCount && !pHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    BindThread();
    auto& host = host::Current();
    const uint64_t deadline = dwMilliseconds == INFINITE ? UINT64_MAX : NowMicros() + uint64_t(dwMilliseconds) * 1000;
    for (;;) {
        DWORD signalled = 0;
        for (DWORD i = 0; i < nCount; ++i) {
            int state = kernel::ObjectSignalled(pHandles[i]);
            if (state < 0) {
                SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
            if (state && !fWaitAll) return WAIT_OBJECT_0 + i;
            signalled += state;
        }
        if (nCount && fWaitAll && signalled == nCount) return WAIT_OBJECT_0;
        MSG msg;
        if (PeekInternal(&msg, nullptr, 0, 0, PM_NOREMOVE, true)) return WAIT_OBJECT_0 + nCount;
        const uint64_t now = NowMicros();
        if (now >= deadline) return WAIT_TIMEOUT;
        // A child's end is not told to the host: look again every few milliseconds meanwhile.
        uint64_t until = std::min(deadline, NextTimerDue(nullptr, 0, 0));
        if (nCount) until = std::min(until, now + kObjectPollMicros);
        host.WaitInput(until);
    }
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& s = S();
    if (!OnOwnerThread()) {
        // Another thread (audio) cannot touch the windows: the message waits in the inbox.
        {
            std::lock_guard<std::mutex> lock(s.inboxLock);
            s.inbox.push_back(MSG{hwnd, message, wParam, lParam, 0, POINT{0, 0}});
            s.inboxFull.store(true, std::memory_order_relaxed);
        }
        host::Current().Wake();
        return TRUE;
    }
    if (hwnd && !Get(hwnd)) return FALSE;
    PostInternal(hwnd, message, wParam, lParam, s.posted);
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Get(hwnd);
    if (!w) return SendToOtherProcess(hwnd, message, wParam, lParam);
    if (!w->proc) return 0;
    WNDPROC proc = w->proc;
    return proc(hwnd, message, wParam, lParam);
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

void WINAPI PostQuitMessage(int code) {
    tw::host::Note([&] { return "PostQuitMessage " + std::to_string(code); });
    S().quit = true;
    S().quitCode = code;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    auto& s = S();
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        unsigned ch = CharFor(static_cast<unsigned>(msg->wParam) & 0xFF, s.keyDown[VK_SHIFT], s.keyDown[VK_CONTROL]);
        if (ch) {
            UINT charMsg = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
            PostInternal(msg->hwnd, charMsg, ch, msg->lParam, s.posted);
        }
        return TRUE;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: return TRUE;
    default: return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        // Only a procedure that belongs to a live timer is called.
        for (const Timer& t : S().timers) {
            if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam) {
                t.proc(msg->hwnd, WM_TIMER, msg->wParam, TickCount());
                return 0;
            }
        }
        return 0;
    }
    if (!msg->hwnd) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc) {
    tw::host::Note([&] { return "SetTimer " + std::to_string(id) + " " + std::to_string(ms); });
    if (hwnd && !Get(hwnd)) return 0;
    if (tw::host::InjectFault(host::Fault::SetTimer)) return 0;
    auto& s = S();
    ms = std::clamp<UINT>(ms, kMinTimerMs, 0x7FFFFFFF);
    Timer* timer = nullptr;
    for (Timer& t : s.timers)
        if (t.hwnd == hwnd && t.id == id && (hwnd || id)) timer = &t;
    if (!timer) {
        if (!hwnd) id = ++s.nextThreadTimer;
        s.timers.push_back(Timer{hwnd, id, ms, proc, 0});
        timer = &s.timers.back();
    }
    timer->interval = ms;
    timer->proc = proc;
    timer->due = NowMicros() + uint64_t(ms) * 1000;
    return hwnd && !id ? 1 : id;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    tw::host::Note([&] { return "KillTimer " + std::to_string(id); });
    auto& timers = S().timers;
    auto n = std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return n ? TRUE : FALSE;
}
