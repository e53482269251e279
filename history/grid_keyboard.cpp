#include "history/grid_keyboard.h"

#include "history/slot_tiles.h"
#include "platform/input_facts.h"

namespace nimbara {

FilledTiles GridKeyboard::Filled() const {
    FilledTiles filled = 0;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (ring_.IsFilled(slot)) filled |= FilledTiles(1u << (slot - 1));
    }
    return filled;
}

void GridKeyboard::Handle(GridEvent event) noexcept {
    if (!HoldsKeyboardAfter(event)) return LetGo();
    try {
        Take();
    } catch (...) {
        LetGo();  // the grid then only answers the mouse, as before
    }
}

void GridKeyboard::Take() {
    if (holds_) return;
    holds_ = true;
    for (int i = 0; i < kGridKeyCount; ++i) {
        // A key another program holds stays that program's; the others still work.
        keys_[i] = HotKeyRegistration::Register(hotkeys_, main_window_, kGridHotKeyIdFirst + i, 0,
                                                kGridKeyCodes[i].virtual_key);
    }
    // Without the watch the keys are still let go at every hide, paste and exit.
    watch_ = InputWatch::Start(watch_api_, *this);
    selected_ = FirstSelection(Filled(), ring_.NextSlot());
    tiles_.Select(selected_);
}

void GridKeyboard::LetGo() noexcept {
    if (!holds_) return;
    holds_ = false;
    for (HotKeyRegistration& key : keys_) key.reset();
    watch_.reset();
    selected_ = 0;
    tiles_.Select(0);
}

bool GridKeyboard::Taken(UINT virtual_key) const noexcept {
    for (int i = 0; i < kGridKeyCount; ++i) {
        if (kGridKeyCodes[i].virtual_key == virtual_key) return static_cast<bool>(keys_[i]);
    }
    return false;
}

bool GridKeyboard::OnHotKey(WPARAM id) {
    if (id < WPARAM(kGridHotKeyIdFirst) || id > WPARAM(kGridHotKeyIdLast)) return false;
    const int index = static_cast<int>(id) - kGridHotKeyIdFirst;
    // Only a key the grid holds now: any program can post any message.
    if (holds_ && keys_[index]) Act(kGridKeyCodes[index].key);
    return true;
}

void GridKeyboard::Act(GridKey key) {
    switch (key) {
        case GridKey::kEnter: {
            const int slot = selected_ != 0 && ring_.IsFilled(selected_) ? selected_ : 0;
            Handle(GridEvent::kPasted);
            if (slot && paste) paste(slot);
            if (hide) hide();
            return;
        }
        case GridKey::kEscape:
            Handle(GridEvent::kHidden);
            if (hide) hide();
            return;
        default:
            selected_ = MoveSelection(Filled(), selected_, ring_.NextSlot(), key);
            tiles_.Select(selected_);
            return;
    }
}

void GridKeyboard::KeyDown(const KeyDownSeen& seen) noexcept {
    const KeySeen key{.virtual_key = seen.virtual_key,
                      .modifiers_down = seen.modifiers_down,
                      .injected = seen.injected,
                      .taken = Taken(seen.virtual_key)};
    // Let go before the system looks for a hotkey: the key and every one after it are the
    // user's window's.
    if (FateOfKey(key, kAltMaskKey) == KeyFate::kLetGo) Handle(GridEvent::kKeyNotUsed);
}

}  // namespace nimbara
