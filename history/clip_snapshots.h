// Snapshots of the clipboard, and slots written back to it. What it takes is kept by the
// ring (slot_ring.h); this holds nothing but the clipboard's last sequence number seen.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "history/privacy_rules.h"
#include "history/slot_ring.h"
#include "platform/clipboard.h"

namespace nimbara {

// Reads and writes the clipboard in the name of `owner`: the reader process's own hidden
// window for snapshots, the main window for the paste-back's restores.
class ClipSnapshots {
public:
    // `on_read_failure` is told of every format whose bytes could not be read
    // (the clipboard is closed again by then); it may show a modal message box.
    ClipSnapshots(ClipboardApi& clipboard, HWND owner, std::function<void()> on_read_failure);

    // Told during a snapshot, while the clipboard is open: of the formats found, then of each
    // record as soon as it has been read (by its position among them).
    struct Sink {
        virtual ~Sink() = default;
        virtual void Formats(DWORD sequence, const std::vector<std::uint16_t>& formats) = 0;
        virtual void Record(std::size_t position, const ClipFormatRecord& record) = 0;
    };

    // How many formats the clipboard holds; 0 or less means nothing to capture.
    [[nodiscard]] int CountFormats() { return clipboard_.CountFormats(); }

    // Takes a snapshot of every format on the clipboard, in one opening so that the
    // snapshot is consistent. Throws ClipboardBusyError, "Cannot open clipboard", when
    // another program holds the clipboard. A format that cannot be read is kept as its
    // number only, never written back. Formats the owner renders on request are waited for as
    // long as the owner takes: the clipboard reader process runs this, and the program
    // ends that process when it takes too long. Of the picture formats only the first
    // is read (see PictureFormats); a DIB whose header promises more than its block
    // holds is kept as its number only. Content that its source marks as private gives
    // an empty snapshot, and none of it is read. The formats are read in ReadOrder and
    // kept in the clipboard's order.
    [[nodiscard]] ClipSlot Snapshot(Sink* sink = nullptr);

    // Empties the clipboard and writes every record back, in stored order, in one
    // opening. Throws ClipboardBusyError (the clipboard then stays as it was). Formats
    // the clipboard refuses are skipped. Returns how many were taken: 0 leaves the
    // clipboard as it was when no record could be made again, empty when it refused all.
    [[nodiscard]] int Restore(const ClipSlot& slot);

    // The clipboard's sequence number as the last snapshot found it or the last restore
    // left it; 0 before either.
    [[nodiscard]] DWORD last_sequence() const noexcept { return last_sequence_; }
    // How many formats the last snapshot could not read.
    [[nodiscard]] int last_unreadable() const noexcept { return last_unreadable_; }
    [[nodiscard]] DWORD CurrentSequence() { return clipboard_.SequenceNumber(); }
    // A snapshot taken elsewhere (by the reader process) saw this sequence number.
    void NoteSeen(DWORD sequence) noexcept { last_sequence_ = sequence; }
    // The window that owns the clipboard's content.
    [[nodiscard]] HWND ContentOwner() { return clipboard_.Owner(); }

private:
    // Reads the DIB in `format` again and checks it.
    [[nodiscard]] bool DibStillSound(UINT format);
    // Reads no format but the history flag.
    [[nodiscard]] bool IsPrivate(const std::vector<std::uint16_t>& formats);

    ClipboardApi& clipboard_;
    HWND owner_;
    std::function<void()> on_read_failure_;
    DWORD last_sequence_ = 0;
    int last_unreadable_ = 0;
    PrivacyMarkers privacy_markers_;
};

}  // namespace nimbara
