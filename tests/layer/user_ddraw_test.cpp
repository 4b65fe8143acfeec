// DirectDraw's mode switch: what it asks of the host, what it reports, and how it fails.
#include <ddraw.h>
#include <gtest/gtest.h>

#include "user_test_host.h"

using namespace tw::usertest;

namespace {

TEST(DirectDraw, SwitchesTheModeReportsItAndPutsTheDesktopBack) {
    TestHost host(1024, 768);
    RegisterTestClasses();
    HWND main = MakeTop();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    LPDIRECTDRAW dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    ASSERT_NE(dd, nullptr);
    EXPECT_EQ(dd->SetCooperativeLevel(main, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 16), DD_OK);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    HDC hdc = GetDC(main);
    EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 800);
    ReleaseDC(main, hdc);
    EXPECT_EQ(dd->RestoreDisplayMode(), DD_OK);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(dd->Release(), 0u);
    std::vector<std::string> expected = {"DirectDrawCreate", "SetCooperativeLevel 17", "SetDisplayMode 800 600 16",
                                         "RestoreDisplayMode", "Release"};
    std::vector<std::string> got;
    for (auto& n : host.notes)
        for (auto& e : expected)
            if (n == e) got.push_back(n);
    EXPECT_EQ(got, expected);
}

TEST(DirectDraw, FailuresAreReportedAndLeaveTheDesktopAlone) {
    TestHost host(1024, 768);
    RegisterTestClasses();
    HWND main = MakeTop();
    LPDIRECTDRAW dd = reinterpret_cast<LPDIRECTDRAW>(1);
    host.faults.insert(tw::host::Fault::DirectDrawCreate);
    EXPECT_TRUE(FAILED(DirectDrawCreate(nullptr, &dd, nullptr)));
    EXPECT_EQ(dd, nullptr);

    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    dd->SetCooperativeLevel(main, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    host.refuseMode = true;
    EXPECT_TRUE(FAILED(dd->SetDisplayMode(800, 600, 16)));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    dd->RestoreDisplayMode();
    dd->Release();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

TEST(DirectDraw, ReleasingASwitchedDisplayRestoresIt) {
    TestHost host(1024, 768);
    RegisterTestClasses();
    HWND main = MakeTop();
    LPDIRECTDRAW dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    dd->SetCooperativeLevel(main, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    ASSERT_EQ(dd->SetDisplayMode(800, 600, 16), DD_OK);
    dd->Release();
    EXPECT_EQ(host.restores, 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

}  // namespace
