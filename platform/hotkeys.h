// The system's hotkey registrations, behind a small interface so that tests can
// play Windows where Wine differs: Windows keeps an earlier combination registered
// for the same window and id beside a new one, Wine replaces it.
#pragma once

#include <windows.h>

namespace nimbara {

class HotKeyApi {
public:
    virtual ~HotKeyApi() = default;
    // RegisterHotKey: false when the combination is held already, by any window.
    [[nodiscard]] virtual bool Register(HWND window, int id, UINT modifiers, UINT key) = 0;
    // UnregisterHotKey: false when the window holds nothing under that id.
    [[nodiscard]] virtual bool Unregister(HWND window, int id) = 0;
};

// The real registrations.
HotKeyApi& SystemHotKeys();

// One registered combination, unregistered when the owner goes: a hotkey left
// registered would keep its keys from every other program until this one ended.
class HotKeyRegistration {
public:
    HotKeyRegistration() noexcept = default;
    HotKeyRegistration(HotKeyRegistration&& other) noexcept;
    HotKeyRegistration& operator=(HotKeyRegistration&& other) noexcept;
    HotKeyRegistration(const HotKeyRegistration&) = delete;
    HotKeyRegistration& operator=(const HotKeyRegistration&) = delete;
    ~HotKeyRegistration() { reset(); }

    // Registers the combination for `window` under `id`; an empty owner when the system
    // refuses it (another program holds it already).
    [[nodiscard]] static HotKeyRegistration Register(HotKeyApi& api, HWND window, int id,
                                                     UINT modifiers, UINT key) noexcept;

    explicit operator bool() const noexcept { return api_ != nullptr; }
    // Unregisters the combination held, if any.
    void reset() noexcept;

private:
    HotKeyRegistration(HotKeyApi& api, HWND window, int id) noexcept
        : api_(&api), window_(window), id_(id) {}

    HotKeyApi* api_ = nullptr;  // nullptr: nothing held
    HWND window_ = nullptr;
    int id_ = 0;
};

}  // namespace nimbara
