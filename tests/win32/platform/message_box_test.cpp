// A message box comes up while another program (notepad) is in front, as when a
// capture fails while the user types elsewhere. Each step runs from a timer tick that
// the box's own loop dispatches.
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

#include "hidden_window.h"
#include "modal_driver.h"

namespace nimbara {
namespace {

BOOL CALLBACK NoteShownBox(HWND window, LPARAM out) {
    wchar_t name[8] = {};
    if (::GetClassNameW(window, name, 8) && std::wstring(name) == L"#32770" &&
        ::IsWindowVisible(window))
        *reinterpret_cast<HWND*>(out) = window;
    return TRUE;
}

HWND ShownBox() {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), NoteShownBox, reinterpret_cast<LPARAM>(&box));
    return box;
}

TEST(MessageBoxAside, RefusesOnlyItsOwnActivationAndIsThenReachedByTheKeyboard) {
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION notepad{};
    wchar_t command[] = L"notepad.exe";
    ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &notepad));
    ::WaitForInputIdle(notepad.hProcess, 120000);
    HWND notepad_window = nullptr;
    for (int tries = 0; tries < 1200 && !notepad_window; ++tries) {  // until it is in front
        DWORD pid = 0;
        HWND front = ::GetForegroundWindow();
        if (::GetWindowThreadProcessId(front, &pid) && pid == notepad.dwProcessId)
            notepad_window = front;
        ::Sleep(notepad_window ? 0 : 50);
    }
    const UniqueHwnd own = testing::HiddenWindow();
    int answer = 0;
    const std::size_t done = testing::StepThrough(
        &ShownBox,
        [&] {
            answer = MessageBoxAside(L"打开粘贴板错误！", L"Nimbara",
                                     MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST);
        },
        {[&](HWND box) {
             EXPECT_EQ(::GetForegroundWindow(), notepad_window) << "the box took the foreground";
             EXPECT_FALSE(::IsWindowEnabled(own.get())) << "task-modal";
             // The user picks the box (Alt+Tab, the taskbar): on Windows its thread is given
             // the activation while the other program is still in front, as Wine's
             // SetActiveWindow does it; Wine's own SetForegroundWindow switches first.
             ::SetActiveWindow(box);
             EXPECT_EQ(::GetActiveWindow(), box) << "the user could not reach the box";
             EXPECT_TRUE(::IsChild(box, ::GetFocus())) << "its button has no keyboard focus";
             ::SetForegroundWindow(box);
             return true;
         },
         [](HWND box) {
             if (::GetForegroundWindow() != box) return false;
             ::keybd_event(VK_RETURN, 0x1C, 0, 0);
             ::keybd_event(VK_RETURN, 0x1C, KEYEVENTF_KEYUP, 0);
             return true;
         }});
    EXPECT_NE(notepad_window, nullptr) << "notepad did not come to the front";
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(done, 2u) << "not answered by the Enter key";
    EXPECT_TRUE(::IsWindowEnabled(own.get()));
    ::TerminateProcess(notepad.hProcess, 0);
    ::CloseHandle(notepad.hThread);
    ::CloseHandle(notepad.hProcess);
}

}  // namespace
}  // namespace nimbara
