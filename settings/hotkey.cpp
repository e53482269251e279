#include "settings/hotkey.h"

#include <optional>
#include <string>

#include "settings/settings_store.h"

namespace nimbara {

namespace {

// The value's text, or nullopt when reading it raised an error (a value that is not
// text); the caller falls back to the default pair for either.
std::optional<std::string> ReadHotKeyText(RegistryApi& registry, const char* name) {
    try {
        return ReadRegString(registry, HKEY_LOCAL_MACHINE, kNimbaraKey, name);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

void GlobalHotKey::LoadHotKey() {
    auto shift_text = ReadHotKeyText(registry_, kHotKeyShiftValue);
    auto key_text = ReadHotKeyText(registry_, kHotKeyCharValue);
    current_ = LoadHotKeyFromTexts(std::move(shift_text), std::move(key_text));
}

void GlobalHotKey::ApplyHotKey() noexcept {
    // The values are zero-extended for the system. A refusal leaves the window
    // reachable through the toolbar and the tray, so it is not reported.
    static_cast<void>(::RegisterHotKey(main_window_, kHotKeyId, current_.shift, current_.key));
}

void GlobalHotKey::ReleaseHotKey() noexcept {
    static_cast<void>(::UnregisterHotKey(main_window_, kHotKeyId));
}

bool GlobalHotKey::WMHotKey(LPARAM lparam) const noexcept {
    return HotKeyMessageMatches(static_cast<std::uint32_t>(lparam), current_);
}

}  // namespace nimbara
