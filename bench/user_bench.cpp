// USER speed where the mouse and the dialogs touch it: finding the window under the pointer (every
// mouse message asks) through a group box over its radio buttons, and painting a push button.
#include <benchmark/benchmark.h>

#include "layer/user_test_host.h"

namespace {

using namespace tw::usertest;

// A window with 36 small children in a grid, like the crayon box, and a group box over three radio
// buttons, created after them so that it lies above them.
struct Scene {
    TestHost host;
    HWND top = nullptr, radio = nullptr, push = nullptr;
    Scene() {
        RegisterTestClasses();
        top = MakeTop();
        for (int i = 0; i < 36; ++i)
            CreateWindowExA(0, "TestWnd", "", WS_CHILD | WS_VISIBLE, 10 + (i % 6) * 30, 10 + (i / 6) * 30, 28, 28, top,
                            nullptr, nullptr, nullptr);
        for (int i = 0; i < 3; ++i) {
            HWND r = CreateWindowExA(0, "Button", "Printer", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 320,
                                     230 + 24 * i, 200, 20, top, nullptr, nullptr, nullptr);
            if (i == 1) radio = r;
        }
        CreateWindowExA(0, "Button", "Printer", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 300, 200, 240, 110, top, nullptr,
                        nullptr, nullptr);
        push = CreateWindowExA(0, "Button", "Print", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 400, 330, 100, 28, top,
                               nullptr, nullptr, nullptr);
        tw::api::PumpReady();
    }
};

void BM_WindowFromPointThroughAGroupBox(benchmark::State& state) {
    Scene scene;
    POINT pt{330, 260};  // inside the group box, on the second radio button
    for (auto _ : state) {
        HWND h = WindowFromPoint(pt);
        benchmark::DoNotOptimize(h);
    }
    if (WindowFromPoint(pt) != scene.radio) state.SkipWithError("the group box took the point");
}
BENCHMARK(BM_WindowFromPointThroughAGroupBox);

void BM_PaintDefaultPushButton(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        InvalidateRect(scene.push, nullptr, TRUE);
        UpdateWindow(scene.push);
    }
}
BENCHMARK(BM_PaintDefaultPushButton)->Unit(benchmark::kMicrosecond);

}  // namespace
