// Files dropped from the desktop (WM_DROPFILES and the Drag calls), data from another process
// (WM_COPYDATA), and child processes waited on while messages are still answered.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "kernel/kernel_internal.h"
#include "user_test_host.h"

using namespace tw::usertest;

namespace {

class Shell : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClasses(); }
    void Drop(std::vector<std::string> files, int x, int y) {
        tw::host::InputEvent ev;
        ev.kind = tw::host::InputEvent::Kind::DropFiles;
        ev.files = std::move(files);
        ev.x = x;
        ev.y = y;
        host.input.push_back(ev);
    }
    TestHost host;
};

struct Dropped {
    std::vector<std::string> names;
    POINT pt{};
    BOOL inClient = FALSE;
    int drops = 0;
};

// A handler that reads each drop the way a program does and frees it.
Handler ReadDrops(Dropped& got) {
    return [&got](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
        if (msg != WM_DROPFILES) return false;
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        ++got.drops;
        const UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < n; ++i) {
            std::string name(DragQueryFileA(drop, i, nullptr, 0), '\0');
            DragQueryFileA(drop, i, name.data(), static_cast<UINT>(name.size() + 1));
            got.names.push_back(name);
        }
        got.inClient = DragQueryPoint(drop, &got.pt);
        DragFinish(drop);
        return true;
    };
}

TEST_F(Shell, ADropIsOneMessageToTheWindowThatTakesFilesWithEveryNameAndThePoint) {
    HWND top = MakeTop(100, 50, 400, 300);
    HWND child = MakeChild(top, 1, 10, 10, 100, 100);
    Pump(host);
    Dropped got;
    CurrentHandler() = ReadDrops(got);

    // Nothing takes files yet: the drop reaches nobody.
    Drop({"/tmp/a.png"}, 150, 100);
    Pump(host);
    EXPECT_EQ(got.drops, 0);

    // Over a child that takes none, the drop goes to its parent that does, in its client coordinates.
    DragAcceptFiles(top, TRUE);
    Drop({"/tmp/a b.png", "/tmp/ü.jpg", ""}, 130, 90);
    Pump(host);
    EXPECT_EQ(got.drops, 1);
    EXPECT_EQ(got.names, (std::vector<std::string>{"/tmp/a b.png", "/tmp/ü.jpg"}));
    EXPECT_EQ(CurrentLog().Count(child, WM_DROPFILES), 0);
    EXPECT_EQ(CurrentLog().Count(top, WM_DROPFILES), 1);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(got.pt.x, 130 - origin.x);
    EXPECT_EQ(got.pt.y, 90 - origin.y);
    EXPECT_TRUE(got.inClient);

    // A disabled window takes no drop; nor one that stopped taking files.
    EnableWindow(top, FALSE);
    Drop({"/tmp/c.png"}, 130, 90);
    Pump(host);
    EnableWindow(top, TRUE);
    DragAcceptFiles(top, FALSE);
    Drop({"/tmp/c.png"}, 130, 90);
    Pump(host);
    EXPECT_EQ(got.drops, 1);
}

TEST_F(Shell, DragQueryFileCutsLongNamesAndRefusesWhatIsNoDrop) {
    HWND top = MakeTop();
    DragAcceptFiles(top, TRUE);
    Pump(host);
    HDROP kept = nullptr;
    CurrentHandler() = [&](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
        if (msg == WM_DROPFILES) kept = reinterpret_cast<HDROP>(wParam);
        return msg == WM_DROPFILES;
    };
    Drop({"/pictures/cat.png"}, 5, 5);
    Pump(host);
    ASSERT_NE(kept, nullptr);
    char small[5] = "xxxx";
    EXPECT_EQ(DragQueryFileA(kept, 0, small, sizeof small), 4u);
    EXPECT_STREQ(small, "/pic");
    EXPECT_EQ(DragQueryFileA(kept, 0, small, 0), 0u);
    EXPECT_EQ(DragQueryFileA(kept, 1, small, sizeof small), 0u);  // there is one file only
    EXPECT_EQ(DragQueryFileA(kept, 0xFFFFFFFF, nullptr, 0), 1u);
    DragFinish(kept);

    // A handle that is no drop reads as none, and freeing it again does no harm.
    EXPECT_EQ(DragQueryFileA(kept, 0xFFFFFFFF, nullptr, 0), 0u);
    POINT pt{};
    EXPECT_FALSE(DragQueryPoint(kept, &pt));
    DragFinish(kept);
    HGLOBAL junk = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    EXPECT_EQ(DragQueryFileA(reinterpret_cast<HDROP>(junk), 0xFFFFFFFF, nullptr, 0), 0u);
    GlobalFree(junk);
}

TEST_F(Shell, DataFromAnotherProcessIsSentToThePublishedWindowAndAnsweredWithItsResult) {
    HWND top = MakeTop();
    Pump(host);
    ASSERT_NE(host.requests, nullptr);
    std::string seen;
    ULONG_PTR number = 0;
    CurrentHandler() = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
        if (msg != WM_COPYDATA) return false;
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        seen.assign(static_cast<const char*>(cds->lpData), cds->cbData);
        number = cds->dwData;
        result = 42;
        return true;
    };
    LRESULT answered = -1;
    host.requests->CopyData(tw::host::IncomingData{3, std::string("a\0b", 3), [&](intptr_t r) { answered = r; }});
    EXPECT_EQ(answered, -1);  // delivered at the next look at the queue, not inside the host
    Pump(host);
    EXPECT_EQ(seen, std::string("a\0b", 3));
    EXPECT_EQ(number, ULONG_PTR(3));
    EXPECT_EQ(answered, 42);
    EXPECT_EQ(CurrentLog().Count(top, WM_COPYDATA), 1);

    // To a window of no process at all nothing is sent.
    COPYDATASTRUCT cds{1, 3, const_cast<char*>("abc")};
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x7777), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 0);
}

class Processes : public Shell {
protected:
    // Runs a shell command as a child, its output into a pipe when `pipe` is given.
    PROCESS_INFORMATION Run(const std::string& command, HANDLE out = nullptr) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (out) {
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdOutput = out;
        }
        std::string line = "/bin/sh -c \"" + command + "\"";
        PROCESS_INFORMATION pi{};
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, out != nullptr, 0, nullptr, nullptr, &si, &pi));
        return pi;
    }
    // Waits for the child while answering messages, as a program's loop does.
    DWORD WaitAnswering(HANDLE process, int& messages) {
        for (int rounds = 0; rounds < 2000; ++rounds) {
            DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT);
            if (r == WAIT_OBJECT_0) return r;
            messages += tw::api::PumpReady() < 0 ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the child runs in real time
        }
        return WAIT_TIMEOUT;
    }
};

TEST_F(Processes, AChildsExitCodeAndOutputArriveWhileTheWaitStillAnswersMessages) {
    HWND top = MakeTop();
    Pump(host);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &sa, 0));
    // The child ends only once the test lets it go (with the process ended too, the wait would
    // rightly report the process, the lower index, before the message).
    const std::string go = "/tmp/tw-process-go-" + std::to_string(::getpid());
    std::remove(go.c_str());
    PROCESS_INFORMATION pi =
        Run("while [ ! -e " + go + " ]; do sleep 0.01; done; echo poor page; exit 3", writeEnd);
    CloseHandle(writeEnd);
    DWORD code = 0;

    // A message posted meanwhile wakes the wait before the child is done.
    PostMessageA(top, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    std::fclose(std::fopen(go.c_str(), "w"));
    int rounds = 0;
    EXPECT_EQ(WaitAnswering(pi.hProcess, rounds), WAIT_OBJECT_0);
    EXPECT_EQ(CurrentLog().Count(top, WM_USER), 1);
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 3u);

    std::string said;
    char buf[64];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got) said.append(buf, got);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BROKEN_PIPE));
    EXPECT_EQ(said, "poor page\n");
    std::remove(go.c_str());
    for (HANDLE h : {readEnd, pi.hProcess, pi.hThread}) EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(pi.hProcess));
    EXPECT_FALSE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 0, 0), WAIT_FAILED);
}

TEST_F(Processes, ARunningChildIsStillActiveAndAKilledOneReportsItsSignal) {
    PROCESS_INFORMATION pi = Run("kill -9 $$");
    int rounds = 0;
    ASSERT_EQ(WaitAnswering(pi.hProcess, rounds), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 128u + 9u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    pi = Run("exec sleep 5 </dev/null >/dev/null 2>&1");
    ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, DWORD(STILL_ACTIVE));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 0, 0), DWORD(WAIT_TIMEOUT));
    // Closing the handles of a live child leaves it to be collected later, never a zombie forever.
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    // A program that is not there fails the call, with the reason.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    char line[] = "\"/nowhere/tintwell-pages\" --help";
    EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(CommandLine, SplitsAsWindowsProgramsDo) {
    using tw::kernel::SplitCommandLine;
    EXPECT_EQ(SplitCommandLine("  a  \"b c\"\td"), (std::vector<std::string>{"a", "b c", "d"}));
    EXPECT_EQ(SplitCommandLine(R"("C:\x y\" z)"), (std::vector<std::string>{R"(C:\x y" z)"}));
    EXPECT_EQ(SplitCommandLine(R"(a\\"b c" \d)"), (std::vector<std::string>{R"(a\b c)", R"(\d)"}));
    EXPECT_EQ(SplitCommandLine(R"("say ""hi""")"), (std::vector<std::string>{R"(say "hi")"}));
    EXPECT_EQ(SplitCommandLine("\"\""), (std::vector<std::string>{""}));
    EXPECT_TRUE(SplitCommandLine(nullptr).empty());
}

TEST(FileAttributes, FoldersFilesAndMissingOnes) {
    auto dir = std::filesystem::temp_directory_path() / ("tw_attr_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    EXPECT_EQ(GetFileAttributesA(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    std::ofstream((dir / "f").string()) << "x";
    EXPECT_EQ(GetFileAttributesA((dir / "f").c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA((dir / "none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    std::filesystem::remove_all(dir);
}

}  // namespace
