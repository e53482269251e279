#include "platform/input_watch.h"

#include <utility>

namespace nimbara {

namespace {

// The hooks' procedures carry no context of their own.
InputObserver* g_observer = nullptr;

bool Down(int virtual_key) { return (::GetAsyncKeyState(virtual_key) & 0x8000) != 0; }

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) {
    // The next hook first: the observer may stop this watch.
    const LRESULT next = ::CallNextHookEx(nullptr, code, wp, lp);
    if (code == HC_ACTION && g_observer && (wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN)) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        // The state before this key: what is held with it.
        const bool modifiers =
            Down(VK_SHIFT) || Down(VK_CONTROL) || Down(VK_MENU) || Down(VK_LWIN) || Down(VK_RWIN);
        g_observer->KeyDown({.virtual_key = key->vkCode,
                             .modifiers_down = modifiers,
                             .injected = (key->flags & LLKHF_INJECTED) != 0});
    }
    return next;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
    const LRESULT next = ::CallNextHookEx(nullptr, code, wp, lp);
    const bool press = wp == WM_LBUTTONDOWN || wp == WM_RBUTTONDOWN || wp == WM_MBUTTONDOWN ||
                       wp == WM_XBUTTONDOWN;
    if (code == HC_ACTION && g_observer && press) g_observer->ButtonPressed();
    return next;
}

class Win32InputWatch final : public InputWatchApi {
public:
    bool Start(InputObserver& observer) override {
        Stop();
        HINSTANCE module = ::GetModuleHandleW(nullptr);
        keyboard_ = ::SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardProc, module, 0);
        mouse_ = ::SetWindowsHookExW(WH_MOUSE_LL, &MouseProc, module, 0);
        if (!keyboard_ || !mouse_) {
            Stop();
            return false;
        }
        g_observer = &observer;
        return true;
    }
    void Stop() noexcept override {
        g_observer = nullptr;
        if (HHOOK hook = std::exchange(keyboard_, nullptr)) ::UnhookWindowsHookEx(hook);
        if (HHOOK hook = std::exchange(mouse_, nullptr)) ::UnhookWindowsHookEx(hook);
    }

private:
    HHOOK keyboard_ = nullptr;
    HHOOK mouse_ = nullptr;
};

}  // namespace

InputWatchApi& SystemInputWatch() {
    static Win32InputWatch watch;
    return watch;
}

InputWatch::InputWatch(InputWatch&& other) noexcept : api_(std::exchange(other.api_, nullptr)) {}

InputWatch& InputWatch::operator=(InputWatch&& other) noexcept {
    if (this != &other) {
        reset();
        api_ = std::exchange(other.api_, nullptr);
    }
    return *this;
}

InputWatch InputWatch::Start(InputWatchApi& api, InputObserver& observer) noexcept {
    try {
        if (!api.Start(observer)) return {};
    } catch (...) {
        return {};
    }
    return InputWatch(api);
}

void InputWatch::reset() noexcept {
    if (InputWatchApi* api = std::exchange(api_, nullptr)) api->Stop();
}

}  // namespace nimbara
