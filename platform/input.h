// Activation of other programs' windows and synthesised keyboard input, behind
// a small interface so that tests can see exactly what would be sent.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/input_facts.h"

namespace nimbara {

class InputApi {
public:
    virtual ~InputApi() = default;
    [[nodiscard]] virtual HWND Foreground() = 0;
    // What can be seen of `window` now, its process's integrity level included.
    [[nodiscard]] virtual WindowFacts Observe(HWND window) = 0;
    // Whether the key is down in the input the system has taken so far, the events
    // not yet handled by the receiving program included.
    [[nodiscard]] virtual bool KeyIsDown(BYTE virtual_key) = 0;
    // Asks for `window` to become the foreground window; true when the request was taken.
    [[nodiscard]] virtual bool RequestForeground(HWND window) = 0;
    // True once `window`'s thread has taken the activation: it is the foreground
    // window and its thread has a keyboard focus, so typed keys reach it.
    [[nodiscard]] virtual bool HasTakenForeground(HWND window) = 0;
    [[nodiscard]] virtual UINT ScanCodeOf(UINT virtual_key) = 0;
    virtual void KeyEvent(BYTE virtual_key, BYTE scan_code, DWORD flags) = 0;
    // Lets messages sent to this thread by other threads be handled while waiting.
    virtual void WaitBriefly(DWORD milliseconds) = 0;
};

InputApi& SystemInput();

// Reports each change of the foreground window to a window of another program, as
// the system announces it, with the tick count at which it happened, for as long as it
// lives; one at a time in a process. The reports come through the thread's message loop.
class ForegroundWatch {
public:
    explicit ForegroundWatch(std::function<void(HWND, DWORD)> on_change);
    ~ForegroundWatch();
    ForegroundWatch(const ForegroundWatch&) = delete;
    ForegroundWatch& operator=(const ForegroundWatch&) = delete;

private:
    static void CALLBACK Proc(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD);
    std::function<void(HWND, DWORD)> on_change_;
    HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace nimbara
