#include "history/grid_keys_rules.h"

#include "history/tile_rules.h"

namespace nimbara {

namespace {

constexpr int kColumns = kTileColumns;
constexpr int kRows = kTileRows;
constexpr int kSlots = kColumns * kRows;

bool Filled(FilledTiles filled, int slot) {
    return slot >= 1 && slot <= kSlots && ((filled >> (slot - 1)) & 1) != 0;
}

// The slot at `index` of the order the keys walk: tile order, or column order.
int SlotAt(int index, bool by_column) {
    if (!by_column) return index + 1;
    return index % kRows * kColumns + index / kRows + 1;
}

int IndexOf(int slot, bool by_column) {
    const int n = slot - 1;
    return by_column ? n % kColumns * kRows + n / kColumns : n;
}

}  // namespace

std::optional<GridKey> GridKeyOf(unsigned virtual_key) noexcept {
    for (const GridKeyCode& code : kGridKeyCodes) {
        if (code.virtual_key == virtual_key) return code.key;
    }
    return std::nullopt;
}

int FirstSelection(FilledTiles filled, int next_slot) noexcept {
    if (next_slot < 1 || next_slot > kSlots) next_slot = 1;
    for (int back = 1; back <= kSlots; ++back) {
        const int slot = (next_slot - 1 - back + 2 * kSlots) % kSlots + 1;
        if (Filled(filled, slot)) return slot;
    }
    return 0;
}

int MoveSelection(FilledTiles filled, int selected, int next_slot, GridKey key) noexcept {
    if (!Filled(filled, selected)) return FirstSelection(filled, next_slot);
    const bool by_column = key == GridKey::kUp || key == GridKey::kDown;
    int step = 0;
    if (key == GridKey::kRight || key == GridKey::kDown) step = 1;
    if (key == GridKey::kLeft || key == GridKey::kUp) step = kSlots - 1;
    if (step == 0) return selected;
    int index = IndexOf(selected, by_column);
    for (int tried = 1; tried < kSlots; ++tried) {
        index = (index + step) % kSlots;
        if (Filled(filled, SlotAt(index, by_column))) return SlotAt(index, by_column);
    }
    return selected;
}

KeyFate FateOfKey(const KeySeen& key, std::uint8_t mask_key) noexcept {
    constexpr unsigned kAltKeys[] = {0x12, 0xA4, 0xA5};  // VK_MENU, VK_LMENU, VK_RMENU
    if (key.virtual_key == mask_key) return KeyFate::kPassing;
    if (key.injected) {
        for (unsigned alt : kAltKeys) {
            if (key.virtual_key == alt) return KeyFate::kPassing;
        }
    }
    // A registration matches its key with no modifier only; one the grid could not take
    // (another program holds it) reaches the user's window.
    if (key.taken && !key.modifiers_down && GridKeyOf(key.virtual_key)) return KeyFate::kGrid;
    return KeyFate::kLetGo;
}

bool HoldsKeyboardAfter(GridEvent event) noexcept { return event == GridEvent::kShownByHotKey; }

}  // namespace nimbara
