#include "history/capture_rules.h"

namespace nimbara {

namespace {

// Format numbers (winuser.h), here without windows.h.
constexpr std::uint16_t kBitmap = 2, kDib = 8, kPalette = 9, kDibV5 = 17;

}  // namespace

std::uint32_t BudgetLeftMs(std::uint32_t started, std::uint32_t now,
                           std::uint32_t budget) noexcept {
    // Unsigned difference: right across the clock's wrap.
    const std::uint32_t spent = now - started;
    return spent >= budget ? 0 : budget - spent;
}

std::uint32_t CopyAllowanceMs(std::uint32_t copied_mb) noexcept {
    constexpr std::uint32_t kMsPerMb = 125, kMostMb = 0xFFFFFFFFu / kMsPerMb - kSnapshotBudgetMs;
    return (copied_mb < kMostMb ? copied_mb : kMostMb) * kMsPerMb;
}

FormatSource PictureFormats::SourceOf(std::uint16_t format) noexcept {
    const bool dib = format == kDib || format == kDibV5;
    if (format != kBitmap && format != kPalette && !dib) return FormatSource::kClipboard;
    if (!first_read_) {
        // A palette first is the owner's own object, read like the bitmap it goes with.
        first_read_ = format != kPalette;
        return FormatSource::kClipboard;
    }
    if (format == kBitmap)
        return dib_seen_ && dib_sound_ ? FormatSource::kCheckedDib : FormatSource::kNumberOnly;
    if (dib && !dib_seen_) return FormatSource::kClipboard;  // after the owner's own bitmap
    if (dib && dib_sound_) return FormatSource::kAfterDibRecheck;
    return FormatSource::kNumberOnly;
}

void PictureFormats::DibChecked(bool sound) noexcept {
    if (dib_seen_) return;
    dib_seen_ = true;
    dib_sound_ = sound;
}

ClipEncoding KeptEncoding(ClipEncoding encoding, bool read) noexcept {
    return read ? encoding : ClipEncoding::kUnrestorable;
}

bool IsRestorable(const ClipFormatRecord& record) noexcept {
    // An empty block is a format too; an object cannot be made from no bytes.
    if (record.encoding == ClipEncoding::kUnrestorable) return false;
    return record.encoding == ClipEncoding::kGlobal || !record.data.empty();
}

bool HasRestorable(const ClipSlot& slot) noexcept {
    for (const ClipFormatRecord& record : slot)
        if (IsRestorable(record)) return true;
    return false;
}

}  // namespace nimbara
