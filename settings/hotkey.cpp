#include "settings/hotkey.h"

#include <optional>
#include <string>
#include <utility>

#include "settings/settings_store.h"

namespace nimbara {

namespace {

// The value's text, or nullopt when reading it raised an error (a value that is not
// text); the caller falls back to the default pair for either.
std::optional<std::string> ReadHotKeyText(RegistryApi& registry, const char* name) {
    try {
        return ReadSetting(registry, kNimbaraKey, name);
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

bool GlobalHotKey::Register(HotKey hotkey) noexcept {
    // The values are zero-extended for the system.
    registration_ = HotKeyRegistration::Register(system_, main_window_, kHotKeyId, hotkey.modifiers,
                                                 hotkey.key);
    if (!registration_) return false;
    held_ = hotkey;
    return true;
}

void GlobalHotKey::ApplyHotKey() noexcept {
    if (held_ == current_) return;
    const std::optional<HotKey> before = std::exchange(held_, std::nullopt);
    registration_.reset();
    // A refusal leaves the window reachable through the toolbar and the tray, so it
    // is not reported; the combination given up for it is taken back.
    if (!Register(current_) && before) static_cast<void>(Register(*before));
}

void GlobalHotKey::ReleaseHotKey() noexcept {
    held_.reset();
    registration_.reset();
}

bool GlobalHotKey::IsHotKeyMessage(LPARAM lparam) const noexcept {
    const auto message = static_cast<std::uint32_t>(lparam);
    return HotKeyMessageMatches(message, current_) ||
           (held_ && HotKeyMessageMatches(message, *held_));
}

}  // namespace nimbara
