#include "history/clip_snapshots.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "history/capture_rules.h"
#include "history/dib_check.h"
#include "history/privacy_rules.h"
#include "platform/clip_objects.h"
#include "platform/clip_rules.h"
#include "platform/error.h"

namespace nimbara {

namespace {

bool IsDib(UINT format) { return format == CF_DIB || format == CF_DIBV5; }

std::uint16_t MarkerNumber(ClipboardApi& clipboard, const wchar_t* name) {
    return static_cast<std::uint16_t>(clipboard.RegisterFormat(name));
}

}  // namespace

ClipSnapshots::ClipSnapshots(ClipboardApi& clipboard, HWND owner,
                             std::function<void()> on_read_failure)
    : clipboard_(clipboard),
      owner_(owner),
      on_read_failure_(std::move(on_read_failure)),
      privacy_markers_{MarkerNumber(clipboard, kExcludeFromMonitorFormat),
                       MarkerNumber(clipboard, kViewerIgnoreFormat),
                       MarkerNumber(clipboard, kHistoryFlagFormat)} {}

bool ClipSnapshots::DibStillSound(UINT format) {
    try {
        if (HANDLE h = clipboard_.GetData(format))
            return DibFitsItsBlock(ReadClipObject(ClipEncoding::kGlobal, h).bytes());
    } catch (const std::bad_alloc&) {
    } catch (const AppError&) {
    }
    return false;
}

bool ClipSnapshots::IsPrivate(const std::vector<std::uint16_t>& formats) {
    ByteBuffer history_flag;
    const std::uint16_t flag = privacy_markers_.history_flag;
    if (flag != 0 && std::find(formats.begin(), formats.end(), flag) != formats.end()) {
        // The flag is the source's own small block; a flag that cannot be read says
        // nothing, as a malformed one does.
        try {
            if (HANDLE h = clipboard_.GetData(flag))
                history_flag = ReadClipObject(ClipEncoding::kGlobal, h);
        } catch (const std::bad_alloc&) {
        } catch (const AppError&) {
        }
    }
    return IsMarkedPrivate(formats, privacy_markers_, history_flag.bytes());
}

ClipSlot ClipSnapshots::Snapshot(Sink* sink) {
    ClipSlot slot;
    int unreadable = 0;
    last_unreadable_ = 0;
    {
        OpenedClipboard opened(clipboard_, owner_);
        RequireOpen(opened);
        std::vector<std::uint16_t> formats;
        for (UINT format = clipboard_.EnumFormats(0); format != 0;
             format = clipboard_.EnumFormats(format))
            formats.push_back(static_cast<std::uint16_t>(format));
        // Decided before any other format is read, so that a secret offered on demand is
        // never even rendered for this program.
        if (IsPrivate(formats)) {
            last_sequence_ = clipboard_.SequenceNumber();
            if (sink) sink->Formats(last_sequence_, {});
            return slot;
        }
        if (sink) sink->Formats(clipboard_.SequenceNumber(), formats);
        slot = NumbersOnly(formats);
        PictureFormats pictures;
        std::size_t checked_dib = 0;  // position of the first DIB read
        bool checked_dib_known = false;
        for (const std::size_t position : ReadOrder(formats)) {
            const UINT format = formats[position];
            ClipFormatRecord& record = slot[position];
            record.encoding = EncodingOf(record.format);
            // Kept as a number and never written back: its bytes would only mislead.
            auto refuse = [&record] {
                record.data = {};
                record.encoding = ClipEncoding::kUnrestorable;
            };
            bool read = false;  // the handle was had and its bytes copied
            try {
                switch (pictures.SourceOf(record.format)) {
                    case FormatSource::kNumberOnly:
                        refuse();
                        break;
                    case FormatSource::kCheckedDib:
                        // Made from this program's own copy, which nobody can change.
                        record.data =
                            BitmapFromDib(slot[checked_dib].data.bytes(),
                                          DibPixelsOffset(slot[checked_dib].data.bytes()));
                        read = true;
                        break;
                    case FormatSource::kAfterDibRecheck:
                        // Nothing else can have run since: only a render lets the owner
                        // change the clipboard, and the checked DIB needs none any more.
                        if (!DibStillSound(formats[checked_dib])) {
                            refuse();
                            break;
                        }
                        if (HANDLE h = clipboard_.GetData(format)) {
                            record.data = ReadClipObject(record.encoding, h);
                            read = true;
                        }
                        break;
                    case FormatSource::kClipboard:
                        // A format that its owner renders on request is rendered here, by
                        // the system, which waits for the owner as long as it takes.
                        if (HANDLE h = clipboard_.GetData(format)) {
                            record.data = ReadClipObject(record.encoding, h);
                            read = true;
                        }
                        break;
                }
            } catch (const std::bad_alloc&) {
                ++unreadable;
            } catch (const AppError&) {
                ++unreadable;
            }
            if (IsDib(format) && record.encoding != ClipEncoding::kUnrestorable) {
                const bool sound = DibFitsItsBlock(record.data.bytes());
                if (!checked_dib_known) checked_dib = position;
                checked_dib_known = true;
                pictures.DibChecked(sound);
                if (!sound) refuse();
            }
            if (KeptEncoding(record.encoding, read) == ClipEncoding::kUnrestorable) refuse();
            if (sink) sink->Record(position, record);
        }
        // Still open: renders and the reads themselves are part of what was seen.
        last_sequence_ = clipboard_.SequenceNumber();
    }
    last_unreadable_ = unreadable;
    // Told only now: a message box must not keep the clipboard open for everyone.
    for (int i = 0; i < unreadable && on_read_failure_; ++i) on_read_failure_();
    return slot;
}

int ClipSnapshots::Restore(const ClipSlot& slot) {
    // Every object is made before the clipboard is emptied: when none can be made again,
    // the user's clipboard stays as it is.
    std::vector<std::pair<UINT, ClipObject>> objects;
    objects.reserve(slot.size());
    for (const ClipFormatRecord& record : slot) {
        if (record.encoding == ClipEncoding::kUnrestorable) continue;
        ClipObject object = MakeClipObject(record.encoding, record.data.bytes());
        // A NULL handle would announce delayed rendering that nobody will answer.
        if (object) objects.emplace_back(record.format, std::move(object));
    }
    if (objects.empty()) return 0;
    OpenedClipboard opened(clipboard_, owner_);
    RequireOpen(opened);
    if (!clipboard_.Empty()) throw ClipboardBusyError();
    int taken = 0;
    for (auto& [format, object] : objects) {
        if (clipboard_.SetData(format, object.get())) {
            object.HandOver();
            ++taken;
        }
    }
    // Still open: the number covers every write of ours and nobody else's.
    last_sequence_ = clipboard_.SequenceNumber();
    return taken;
}

}  // namespace nimbara
