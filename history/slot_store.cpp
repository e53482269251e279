#include "history/slot_store.h"

#include <new>

#include "history/dib_check.h"
#include "platform/clip_objects.h"
#include "platform/error.h"
#include "platform/window.h"

namespace nimbara {

namespace {

bool IsDib(UINT format) { return format == CF_DIB || format == CF_DIBV5; }

// Formats the system builds from a DIB on the clipboard when asked for them.
bool MadeFromDib(UINT format) {
    return IsDib(format) || format == CF_BITMAP || format == CF_PALETTE;
}

}  // namespace

ClipSlot ClipStore::Snapshot() {
    ClipSlot slot;
    int unreadable = 0;
    bool owner_hangs = false;
    {
        OpenedClipboard opened(clipboard_, owner_);
        RequireOpen(opened);
        const HWND content_owner = clipboard_.Owner();
        const bool ask_owner_first = BelongsToAnotherProcess(content_owner);
        bool lying_dib = false;
        for (UINT format = clipboard_.EnumFormats(0); format != 0;
             format = clipboard_.EnumFormats(format)) {
            ClipFormatRecord record;
            record.format = static_cast<std::uint16_t>(format);
            record.encoding = EncodingOf(record.format);
            // Kept as a number and never written back: its bytes would only mislead.
            auto refuse = [&record] {
                record.data = {};
                record.encoding = ClipEncoding::kUnrestorable;
            };
            if (!owner_hangs && ask_owner_first &&
                !clipboard_.AskToRender(content_owner, format, kOwnerRenderWaitMs)) {
                owner_hangs = true;
                if (hung_owner_reported_ != content_owner) ++unreadable;
                hung_owner_reported_ = content_owner;
            }
            // A synthesised format is rendered from the owner's too: after a hang, nothing
            // more is asked for.
            if (owner_hangs || (lying_dib && MadeFromDib(format))) {
                refuse();
                slot.push_back(std::move(record));
                continue;
            }
            // A format that its owner renders on request is rendered here.
            try {
                if (HANDLE h = clipboard_.GetData(format))
                    record.data = ReadClipObject(record.encoding, h);
            } catch (const std::bad_alloc&) {
                ++unreadable;
            } catch (const AppError&) {
                ++unreadable;
            }
            // The first DIB is the one put there (the system's own come after it); when it
            // lies, so would every picture the system made from it.
            if (IsDib(format) && !DibFitsItsBlock(record.data.bytes())) {
                lying_dib = true;
                refuse();
            }
            slot.push_back(std::move(record));
        }
        // Still open: renders and the reads themselves are part of what was seen.
        last_sequence_ = clipboard_.SequenceNumber();
    }
    if (!owner_hangs) hung_owner_reported_ = nullptr;
    // Told only now: a message box must not keep the clipboard open for everyone.
    for (int i = 0; i < unreadable && on_read_failure_; ++i) on_read_failure_();
    return slot;
}

int ClipStore::Restore(const ClipSlot& slot) {
    OpenedClipboard opened(clipboard_, owner_);
    RequireOpen(opened);
    if (!clipboard_.Empty()) throw ClipboardBusyError();
    int taken = 0;
    for (const ClipFormatRecord& record : slot) {
        if (record.encoding == ClipEncoding::kUnrestorable) continue;
        ClipObject object = MakeClipObject(record.encoding, record.data.bytes());
        // A NULL handle would announce delayed rendering that nobody will answer.
        if (!object) continue;
        if (clipboard_.SetData(record.format, object.get())) {
            object.HandOver();
            ++taken;
        }
    }
    // Still open: the number covers every write of ours and nobody else's.
    last_sequence_ = clipboard_.SequenceNumber();
    return taken;
}

}  // namespace nimbara
