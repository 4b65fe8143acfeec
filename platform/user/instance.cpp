// Other processes' windows: publishing our first top-level window of a class so that a second
// copy of the program can find it, answering that copy's requests (WM_COPYDATA among them, which
// waits to be delivered as a message sent from another thread is), and the handles FindWindowA
// gives out for a window of another process, to which WM_COPYDATA can be sent.
#include "host/host.h"
#include "user/wnd.h"

namespace tw::user {

namespace {

// Another process's top-level window, found by FindWindowA.
struct RemoteWindow {
    std::string className;
};

struct Instances {
    HandleTable<RemoteWindow> remotes{HandleKind::Remote};
    bool requestsInstalled = false;
};

Instances& I() {
    static Instances instances;
    return instances;
}

// Requests of another process that found our window through the host.
struct InstanceRequestHandler : host::Host::InstanceRequests {
    static HWND Published() {
        for (HWND h : S().topLevel) {
            Window* w = Get(h);
            if (w && !w->cls->builtin && !w->destroying) return h;
        }
        return nullptr;
    }
    bool IsIconic() override {
        Window* w = Get(Published());
        return w && w->iconic;
    }
    void Raise() override {
        if (HWND h = Published()) BringWindowToTop(h);
    }
    void Restore() override {
        if (HWND h = Published()) ShowWindowInternal(h, SW_RESTORE);
    }
    void CopyData(host::IncomingData data) override { S().sentByOthers.push_back(std::move(data)); }
};

}  // namespace

void Publish(Window* w) {
    if (w->parent || w->cls->builtin || HasLiveTopLevelOfClass(w->cls, w->hwnd)) return;
    auto& host = host::Current();
    if (!I().requestsInstalled) {
        static InstanceRequestHandler handler;
        host.SetInstanceRequests(&handler);
        I().requestsInstalled = true;
    }
    host.PublishInstance(w->cls->name);
}

void Unpublish(const WndClass* cls) {
    if (!cls->builtin && !HasLiveTopLevelOfClass(cls, nullptr)) host::Current().UnpublishInstance(cls->name);
}

void DeliverSentByOthers() {
    auto& waiting = S().sentByOthers;
    while (!waiting.empty()) {
        host::IncomingData data = std::move(waiting.front());
        waiting.pop_front();
        // The data lives only while the message is handled, as the system's copy does.
        COPYDATASTRUCT cds{data.dwData, static_cast<DWORD>(data.bytes.size()), data.bytes.data()};
        HWND h = InstanceRequestHandler::Published();
        LRESULT result = h ? SendMessageA(h, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)) : 0;
        if (data.answer) data.answer(result);
    }
}

LRESULT SendToOtherProcess(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    (void)wParam;  // our window is no window there
    std::string remote = RemoteClassName(hwnd);
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    // Only WM_COPYDATA carries its data to another process.
    if (remote.empty() || msg != WM_COPYDATA || !cds || (cds->cbData && !cds->lpData)) return 0;
    std::string bytes(static_cast<const char*>(cds->lpData), cds->cbData);
    intptr_t result = 0;
    return host::Current().SendInstanceData(remote, cds->dwData, bytes, result) ? result : 0;
}

std::string RemoteClassName(HWND hwnd) {
    RemoteWindow* r = I().remotes.Get(hwnd);
    return r ? r->className : std::string();
}

// Handles given out earlier stay invalid.
void ResetInstances() {
    I().remotes.Clear();
    I().requestsInstalled = false;
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (!w || w->destroying) continue;
        if (className && !ClassMatches(w->cls, className)) continue;
        if (windowName && w->text != windowName) continue;
        return h;
    }
    if (!className || IS_INTRESOURCE(className)) return nullptr;
    if (!host::Current().QueryInstance(className).exists) return nullptr;
    HWND found = nullptr;
    I().remotes.ForEach([&](uintptr_t h, RemoteWindow& r) {
        if (!found && r.className == className) found = ToHandle<HWND>(h);
    });
    if (!found) found = ToHandle<HWND>(I().remotes.Add(std::make_unique<RemoteWindow>(RemoteWindow{className})));
    return found;
}
