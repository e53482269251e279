#include "history/slot_store.h"

#include <new>

#include "platform/clip_objects.h"
#include "platform/error.h"

namespace nimbara {

ClipSlot ClipStore::Snapshot() {
    ClipSlot slot;
    int unreadable = 0;
    {
        OpenedClipboard opened(clipboard_, owner_);
        RequireOpen(opened);
        for (UINT format = clipboard_.EnumFormats(0); format != 0;
             format = clipboard_.EnumFormats(format)) {
            ClipFormatRecord record;
            record.format = static_cast<std::uint16_t>(format);
            record.encoding = EncodingOf(record.format);
            // A format that its owner renders on request is rendered here.
            try {
                if (HANDLE h = clipboard_.GetData(format))
                    record.data = ReadClipObject(record.encoding, h);
            } catch (const std::bad_alloc&) {
                ++unreadable;
            } catch (const AppError&) {
                ++unreadable;
            }
            slot.push_back(std::move(record));
        }
    }
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
    return taken;
}

}  // namespace nimbara
