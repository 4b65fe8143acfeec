// Window classes: the classes the program registers and the built-in ones (the button, the static
// and the dialog), looked up by name (without regard to case) or by atom.
#include <cctype>
#include <cstring>

#include "host/probe.h"
#include "user/wnd.h"

namespace tw::user {

namespace {

struct ClassTable {
    std::vector<std::unique_ptr<WndClass>> classes;
    ATOM nextAtom = 0xC000;
    bool builtinsRegistered = false;
};

ClassTable& Classes() {
    static ClassTable table;
    return table;
}

bool SameName(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

WndClass* AddClass(const WNDCLASSA& wc, bool builtin) {
    auto cls = std::make_unique<WndClass>();
    cls->name = wc.lpszClassName;
    cls->atom = Classes().nextAtom++;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    cls->builtin = builtin;
    Classes().classes.push_back(std::move(cls));
    return Classes().classes.back().get();
}

WndClass* LookUp(LPCSTR name) {
    for (auto& cls : Classes().classes)
        if (ClassMatches(cls.get(), name)) return cls.get();
    return nullptr;
}

void RegisterBuiltins() {
    ClassTable& table = Classes();
    if (table.builtinsRegistered) return;
    table.builtinsRegistered = true;
    WNDCLASSA button{};
    button.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    button.lpfnWndProc = ButtonProc;
    button.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    button.lpszClassName = "Button";
    AddClass(button, true);
    WNDCLASSA label{};
    label.lpfnWndProc = StaticProc;
    label.hCursor = button.hCursor;
    label.lpszClassName = "Static";
    AddClass(label, true);
    WNDCLASSA dialog{};
    dialog.style = CS_DBLCLKS;
    dialog.lpfnWndProc = DefDlgProcA;
    dialog.hCursor = button.hCursor;
    dialog.lpszClassName = kDialogClass;
    AddClass(dialog, true);
}

}  // namespace

bool ClassMatches(const WndClass* cls, LPCSTR name) {
    return IS_INTRESOURCE(name) ? cls->atom == LOWORD(name) : SameName(cls->name, name);
}

WndClass* FindClass(LPCSTR name) {
    if (!name) return nullptr;
    RegisterBuiltins();
    return LookUp(name);
}

void ResetClasses() { Classes() = ClassTable{}; }

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpfnWndProc) return 0;
    tw::host::Note([&] { return std::string("RegisterClassA ") + wc->lpszClassName; });
    if (FindClass(wc->lpszClassName)) return 0;
    return AddClass(*wc, false)->atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    WndClass* cls = FindClass(name);
    if (!cls || cls->builtin) return FALSE;
    bool used = false;
    S().windows.ForEach([&](uintptr_t, Window& w) { used = used || w.cls == cls; });
    if (used) return FALSE;
    auto& classes = Classes().classes;
    classes.erase(std::remove_if(classes.begin(), classes.end(), [&](auto& c) { return c.get() == cls; }),
                  classes.end());
    return TRUE;
}
