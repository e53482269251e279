#include "platform/hotkeys.h"

#include <utility>

namespace nimbara {

namespace {

class Win32HotKeys final : public HotKeyApi {
public:
    bool Register(HWND window, int id, UINT modifiers, UINT key) override {
        return ::RegisterHotKey(window, id, modifiers, key) != FALSE;
    }
    bool Unregister(HWND window, int id) override {
        return ::UnregisterHotKey(window, id) != FALSE;
    }
};

}  // namespace

HotKeyApi& SystemHotKeys() {
    static Win32HotKeys hotkeys;
    return hotkeys;
}

HotKeyRegistration::HotKeyRegistration(HotKeyRegistration&& other) noexcept
    : api_(std::exchange(other.api_, nullptr)), window_(other.window_), id_(other.id_) {}

HotKeyRegistration& HotKeyRegistration::operator=(HotKeyRegistration&& other) noexcept {
    if (this != &other) {
        reset();
        api_ = std::exchange(other.api_, nullptr);
        window_ = other.window_;
        id_ = other.id_;
    }
    return *this;
}

HotKeyRegistration HotKeyRegistration::Register(HotKeyApi& api, HWND window, int id, UINT modifiers,
                                                UINT key) noexcept {
    if (!api.Register(window, id, modifiers, key)) return {};
    return HotKeyRegistration(api, window, id);
}

void HotKeyRegistration::reset() noexcept {
    // A failure leaves nothing to do: the window holds nothing under the id either way.
    if (HotKeyApi* api = std::exchange(api_, nullptr))
        static_cast<void>(api->Unregister(window_, id_));
}

}  // namespace nimbara
