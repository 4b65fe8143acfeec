// Tests of the Win32 calls by what a program can see of them alone, so that the very same tests
// hold our layer (on the headless host) and Windows itself (or Wine) to one account. Built into
// tw_api_tests here, and with MinGW by scripts/windows_api_tests.sh.
//
// What only our layer can show (the record of calls, the virtual clock) goes through the few
// helpers below; under Windows they fall back to what the system offers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include "harness/layer_env.h"
#endif

namespace tw::api {

#ifdef _WIN32
class ApiTest : public ::testing::Test {
protected:
    // The windows a test leaves behind go with it, as our layer's reset takes them.
    void TearDown() override {
        EnumThreadWindows(GetCurrentThreadId(), DestroyOne, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    // Lets ms of time pass.
    void Elapse(unsigned ms) { Sleep(ms); }
    // Whether our layer recorded the call; the system keeps no such record.
    bool Noted(const std::string&) { return true; }

private:
    static BOOL CALLBACK DestroyOne(HWND hwnd, LPARAM) {
        DestroyWindow(hwnd);
        return TRUE;
    }
};
#else
class ApiTest : public tw::test::LayerEnv {
protected:
    // The program's screen; the script runs the Windows build of these tests on one as large.
    ApiTest() { Host().SetDesktopSize(800, 600); }
    void Elapse(unsigned ms) { Host().AdvanceTo(Host().PeekMicros() + uint64_t(ms) * 1000); }
    bool Noted(const std::string& line) {
        auto record = Host().Record();
        return std::find(record.begin(), record.end(), line) != record.end();
    }
};
#endif

// Under Windows' own implementation, Wine's in particular. Where Wine departs from the documented
// behaviour that our layer follows, a test says so and holds Wine to what it does.
#ifdef _WIN32
inline bool OnOurLayer() { return false; }
inline bool OnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }
#else
inline bool OnOurLayer() { return true; }
inline bool OnWine() { return false; }
#endif

// Runs a test in a folder of its own, made for it and removed after it.
class ApiFilesTest : public ApiTest {
protected:
    void SetUp() override {
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = std::filesystem::temp_directory_path() / ("tw_api_files_" + std::to_string(stamp));
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_, old_;
};

// The whole of a file, "" when there is none.
inline std::string Contents(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A memory DC holding a bitmap compatible with the screen, cleared to white.
class Canvas {
public:
    Canvas(int w, int h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = static_cast<HBITMAP>(SelectObject(dc, bitmap));
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    HDC dc;
    HBITMAP bitmap, old;
};

// A pixel of the screen as a program reads it.
inline COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

// Dispatches everything that is ready now; returns WM_QUIT's code if it came, -1 otherwise.
inline int PumpReady() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return -1;
}

// A window class whose procedure a test supplies as a lambda, with a log of what arrived.
struct Log {
    std::vector<std::pair<HWND, UINT>> messages;
    std::vector<UINT> Of(HWND hwnd) const {
        std::vector<UINT> out;
        for (auto& [h, m] : messages)
            if (h == hwnd) out.push_back(m);
        return out;
    }
    int Count(HWND hwnd, UINT msg) const {
        int n = 0;
        for (auto& [h, m] : messages) n += (h == hwnd && m == msg);
        return n;
    }
};

using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

inline Handler& CurrentHandler() {
    static Handler handler;
    return handler;
}
inline Log& CurrentLog() {
    static Log log;
    return log;
}

inline LRESULT CALLBACK TestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CurrentLog().messages.emplace_back(hwnd, msg);
    LRESULT result = 0;
    if (CurrentHandler() && CurrentHandler()(hwnd, msg, wParam, lParam, result)) return result;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Registers "TestWnd" (and "TestDbl" with CS_DBLCLKS) with a white background.
inline void RegisterTestClasses() {
    CurrentLog() = {};
    CurrentHandler() = nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "TestWnd";
    RegisterClassA(&wc);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "TestDbl";
    RegisterClassA(&wc);
}

inline HWND MakeTop(int x = 0, int y = 0, int w = 800, int h = 600, DWORD style = WS_POPUPWINDOW | WS_VISIBLE,
                    const char* cls = "TestWnd") {
    return CreateWindowExA(0, cls, "top", style, x, y, w, h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

inline HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE,
                      const char* cls = "TestWnd") {
    return CreateWindowExA(0, cls, "", style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

}  // namespace tw::api
