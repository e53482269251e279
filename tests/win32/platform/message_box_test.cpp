// A message box comes up while another program is in front, as when a capture fails
// while the user types elsewhere. The other program is this executable started again
// with --foreground-peer: a window that takes the foreground and waits.
#include "platform/message_box.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace nimbara {
namespace {

constexpr wchar_t kPeerFlag[] = L"--foreground-peer";

int RunForegroundPeer() {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"peer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    300, 200, nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(window);
    ::SetTimer(nullptr, 0, 120000, nullptr);  // never outlives a test gone astray
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER)
        ::DispatchMessageW(&msg);
    return 0;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeout_ms) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    return true;
}

class ForegroundPeer {
public:
    ForegroundPeer() {
        wchar_t exe[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(exe) + L"\" " + kPeerFlag;
        STARTUPINFOW startup{sizeof(startup)};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process_))
            return;
        ::CloseHandle(process_.hThread);
        ::WaitForInputIdle(process_.hProcess, 60000);
        PumpUntil([&] { return Owns(::GetForegroundWindow()); }, 60000);
        window_ = ::GetForegroundWindow();
    }
    ~ForegroundPeer() {
        if (!process_.hProcess) return;
        ::TerminateProcess(process_.hProcess, 0);
        ::WaitForSingleObject(process_.hProcess, 30000);
        ::CloseHandle(process_.hProcess);
    }
    [[nodiscard]] bool Owns(HWND window) const {
        DWORD pid = 0;
        return window && ::GetWindowThreadProcessId(window, &pid) && pid == process_.dwProcessId;
    }
    [[nodiscard]] HWND window() const { return Owns(window_) ? window_ : nullptr; }

private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

BOOL CALLBACK NoteShownBox(HWND window, LPARAM out) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wcscmp(name, L"#32770") != 0 || !::IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

HWND ShownBox() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), NoteShownBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

using Step = std::function<bool(HWND box)>;  // true: done, go on to the next step
std::vector<Step>* g_steps = nullptr;
std::size_t g_next = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = ShownBox();
    if (!box) return;
    if (g_next < g_steps->size()) {
        if ((*g_steps)[g_next](box)) ++g_next;
        return;
    }
    ADD_FAILURE() << "the box is still up after the last step";
    ::SendMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(MessageBoxAside, RefusesOnlyItsOwnActivationAndIsThenReachedByTheKeyboard) {
    HWND own = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    ForegroundPeer peer;
    ASSERT_NE(peer.window(), nullptr) << "the other program did not come to the front";
    int ticks_left = 200;  // a time limit for each wait below, in timer ticks
    std::vector<Step> steps = {
        [&](HWND box) {
            EXPECT_EQ(::GetForegroundWindow(), peer.window()) << "the box took the foreground";
            EXPECT_NE(::GetActiveWindow(), box);
            EXPECT_FALSE(::IsWindowEnabled(own)) << "task-modal";
            // The user picks the box (Alt+Tab, the taskbar): on Windows its thread is given
            // the activation while the other program is still in front, which Wine's
            // SetActiveWindow plays; Wine's own switch of the foreground comes first.
            ::SetActiveWindow(box);
            EXPECT_EQ(::GetActiveWindow(), box) << "the user could not reach the box";
            EXPECT_TRUE(::IsChild(box, ::GetFocus())) << "its button has no keyboard focus";
            ::SetForegroundWindow(box);
            return true;
        },
        [&](HWND box) {
            if (::GetForegroundWindow() != box && --ticks_left > 0) return false;
            ::keybd_event(VK_RETURN, 0x1C, 0, 0);
            ::keybd_event(VK_RETURN, 0x1C, KEYEVENTF_KEYUP, 0);
            return true;
        },
        [&](HWND) { return --ticks_left <= 0; },  // the box should be gone before this ends
    };
    g_steps = &steps;
    g_next = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &Tick);
    const int answer = MessageBoxAside(L"打开粘贴板错误！", L"Nimbara",
                                       MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST);
    ::KillTimer(nullptr, timer);
    g_steps = nullptr;
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(g_next, 2u) << "answered by the Enter key";
    EXPECT_TRUE(::IsWindowEnabled(own));
    ::DestroyWindow(own);
}

}  // namespace
}  // namespace nimbara

int main(int argc, char** argv) {
    int wide_count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &wide_count);
    const bool peer = wide && wide_count == 2 && std::wcscmp(wide[1], nimbara::kPeerFlag) == 0;
    ::LocalFree(wide);
    if (peer) return nimbara::RunForegroundPeer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
