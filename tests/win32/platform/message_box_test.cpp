// A message box comes up while another program (notepad) is in front, as when a
// capture fails while the user types elsewhere. Each step runs from a timer tick that
// the box's own loop dispatches.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbara {
namespace {

HWND g_own = nullptr, g_notepad = nullptr;
int g_step = 0, g_ticks = 0;

BOOL CALLBACK NoteShownBox(HWND window, LPARAM out) {
    wchar_t name[8] = {};
    if (::GetClassNameW(window, name, 8) && std::wstring(name) == L"#32770" &&
        ::IsWindowVisible(window))
        *reinterpret_cast<HWND*>(out) = window;
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), NoteShownBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    if (++g_ticks > 300) {
        ADD_FAILURE() << "the box is still up at step " << g_step;
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    } else if (g_step == 0) {
        EXPECT_EQ(::GetForegroundWindow(), g_notepad) << "the box took the foreground";
        EXPECT_FALSE(::IsWindowEnabled(g_own)) << "task-modal";
        // The user picks the box (Alt+Tab, the taskbar): on Windows its thread is given
        // the activation while the other program is still in front, as Wine's
        // SetActiveWindow does it; Wine's own SetForegroundWindow switches first.
        ::SetActiveWindow(box);
        EXPECT_EQ(::GetActiveWindow(), box) << "the user could not reach the box";
        EXPECT_TRUE(::IsChild(box, ::GetFocus())) << "its button has no keyboard focus";
        ::SetForegroundWindow(box);
        g_step = 1;
    } else if (g_step == 1 && ::GetForegroundWindow() == box) {
        ::keybd_event(VK_RETURN, 0x1C, 0, 0);
        ::keybd_event(VK_RETURN, 0x1C, KEYEVENTF_KEYUP, 0);
        g_step = 2;
    }
}

TEST(MessageBoxAside, RefusesOnlyItsOwnActivationAndIsThenReachedByTheKeyboard) {
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION notepad{};
    wchar_t command[] = L"notepad.exe";
    ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &notepad));
    ::WaitForInputIdle(notepad.hProcess, 120000);
    for (int tries = 0; tries < 1200 && !g_notepad; ++tries) {  // until it is in front
        DWORD pid = 0;
        HWND front = ::GetForegroundWindow();
        if (::GetWindowThreadProcessId(front, &pid) && pid == notepad.dwProcessId)
            g_notepad = front;
        ::Sleep(g_notepad ? 0 : 50);
    }
    g_own = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &Tick);
    const int answer = MessageBoxAside(L"打开粘贴板错误！", L"Nimbara",
                                       MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST);
    ::KillTimer(nullptr, timer);
    EXPECT_NE(g_notepad, nullptr) << "notepad did not come to the front";
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(g_step, 2) << "not answered by the Enter key";
    EXPECT_TRUE(::IsWindowEnabled(g_own));
    ::DestroyWindow(g_own);
    ::TerminateProcess(notepad.hProcess, 0);
    ::CloseHandle(notepad.hThread);
    ::CloseHandle(notepad.hProcess);
}

}  // namespace
}  // namespace nimbara
