#include "history/capture_rules.h"

#include <utility>

namespace nimbara {

namespace {

// Format numbers (winuser.h), here without windows.h.
constexpr std::uint16_t kBitmap = 2, kDib = 8, kPalette = 9, kDibV5 = 17;

bool PastedFirst(std::uint16_t format) noexcept {
    switch (format) {
        case 1:   // CF_TEXT
        case 7:   // CF_OEMTEXT
        case 13:  // CF_UNICODETEXT
        case 16:  // CF_LOCALE, which the text forms are made with
        case 15:  // CF_HDROP
        case kBitmap:
        case 3:  // CF_METAFILEPICT
        case kDib:
        case kPalette:
        case 14:  // CF_ENHMETAFILE
        case kDibV5:
            return true;
        default:
            return false;
    }
}

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

std::vector<std::size_t> ReadOrder(const std::vector<std::uint16_t>& formats) {
    std::vector<std::size_t> order;
    order.reserve(formats.size());
    for (const bool first : {true, false}) {
        for (std::size_t i = 0; i < formats.size(); ++i)
            if (PastedFirst(formats[i]) == first) order.push_back(i);
    }
    return order;
}

ClipSlot NumbersOnly(const std::vector<std::uint16_t>& formats) {
    ClipSlot slot(formats.size());
    for (std::size_t i = 0; i < formats.size(); ++i) {
        slot[i].format = formats[i];
        slot[i].encoding = ClipEncoding::kUnrestorable;
    }
    return slot;
}

bool TakeRecord(ClipSlot& slot, std::size_t position, ClipFormatRecord record) {
    if (position >= slot.size()) return false;
    ClipFormatRecord& kept = slot[position];
    if (kept.format != record.format || kept.encoding != ClipEncoding::kUnrestorable) return false;
    kept = std::move(record);
    return true;
}

ReaderEnd ClassifyReaderExit(std::optional<std::uint32_t> exit_code) noexcept {
    if (!exit_code) return ReaderEnd::kEnded;
    // Its own code, an exception status that passed its filter (0xC...), or the C runtime's
    // abort (3).
    if (*exit_code == kReaderCrashExitCode || *exit_code >= 0xC0000000u || *exit_code == 3)
        return ReaderEnd::kCrashed;
    return ReaderEnd::kEnded;
}

AfterReaderEnd AfterReaderEnded(ReaderEnd end, int ends, bool began) noexcept {
    if (end == ReaderEnd::kCrashed) return AfterReaderEnd::kGiveUp;
    if (ends <= kReadsAfterReaderEnds) return AfterReaderEnd::kReadAgain;
    return began ? AfterReaderEnd::kGiveUp : AfterReaderEnd::kReadInProcess;
}

bool StartReaderAfresh(std::uint32_t snapshots, std::uint32_t grown_kb) noexcept {
    return snapshots >= kReaderSnapshotsBeforeRestart || grown_kb >= kReaderGrowthBeforeRestartKb;
}

}  // namespace nimbara
