#include "history/clip_reader.h"

#include <new>

#include "history/slot_store.h"
#include "platform/clipboard.h"
#include "platform/handles.h"

namespace nimbara {

namespace {

// A request: the window to tell of progress, and the request's number.
struct Request {
    std::uint32_t window;
    std::uint32_t number;
};

// What the receiving thread owns: the reader's output, and where its snapshots go.
struct Receiver {
    UniqueKernelHandle output;
    HWND window;
    std::uint32_t generation;
};

void Post(const Receiver& receiver, std::unique_ptr<SnapshotResult> result) {
    if (::PostMessageW(receiver.window, kMsgSnapshotRead, receiver.generation,
                       reinterpret_cast<LPARAM>(result.get())))
        (void)result.release();
}

// Skips bytes that this process has no memory for, so that the next record is read whole.
bool Skip(HANDLE pipe, std::uint64_t bytes) {
    std::uint8_t chunk[4096];
    while (bytes > 0) {
        const auto n = static_cast<std::size_t>(bytes < sizeof(chunk) ? bytes : sizeof(chunk));
        if (!ReadAll(pipe, chunk, n)) return false;
        bytes -= n;
    }
    return true;
}

// One snapshot off the pipe; nothing when the reader ended or wrote what it never writes.
std::unique_ptr<SnapshotResult> Receive(HANDLE pipe) {
    SnapshotHeadBytes head_bytes;
    if (!ReadAll(pipe, head_bytes.data(), head_bytes.size())) return nullptr;
    const std::optional<SnapshotHead> head = DecodeSnapshotHead(head_bytes);
    if (!head) return nullptr;
    auto result = std::make_unique<SnapshotResult>();
    result->status = head->status;
    result->sequence = head->sequence;
    result->unreadable = static_cast<int>(head->unreadable);
    result->slot.reserve(head->records);
    for (std::uint32_t i = 0; i < head->records; ++i) {
        RecordHeadBytes record_bytes;
        if (!ReadAll(pipe, record_bytes.data(), record_bytes.size())) return nullptr;
        const std::optional<RecordHead> record = DecodeRecordHead(record_bytes);
        if (!record) return nullptr;
        ClipFormatRecord& kept = result->slot.emplace_back();
        kept.format = record->format;
        kept.encoding = record->encoding;
        try {
            kept.data = ByteBuffer(static_cast<std::size_t>(record->bytes));
        } catch (const std::bad_alloc&) {
            ++result->unreadable;
            if (!Skip(pipe, record->bytes)) return nullptr;
            continue;
        }
        if (!ReadAll(pipe, kept.data.data(), kept.data.size())) return nullptr;
    }
    return result;
}

DWORD WINAPI ReceiveSnapshots(void* parameter) {
    const std::unique_ptr<Receiver> receiver(static_cast<Receiver*>(parameter));
    for (;;) {
        std::unique_ptr<SnapshotResult> result;
        try {
            result = Receive(receiver->output.get());
        } catch (...) {
            // No memory even for the list of records: the reader is given up like a dead one.
        }
        const bool ended = !result;
        Post(*receiver, std::move(result));
        if (ended) return 0;
    }
}

void WriteSnapshot(HANDLE out, const SnapshotHead& head, const ClipSlot& slot) {
    const SnapshotHeadBytes head_bytes = EncodeSnapshotHead(head);
    if (!WriteAll(out, head_bytes.data(), head_bytes.size())) ::ExitProcess(0);
    for (const ClipFormatRecord& record : slot) {
        const RecordHeadBytes bytes =
            EncodeRecordHead({record.format, record.encoding, record.data.size()});
        if (!WriteAll(out, bytes.data(), bytes.size()) ||
            !WriteAll(out, record.data.data(), record.data.size()))
            ::ExitProcess(0);
    }
}

}  // namespace

bool ClipReaderProcess::Begin() {
    // A reader that has ended since its last snapshot is replaced once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!helper_ && !StartReader()) return false;
        const Request request{static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window_)),
                              ++request_};
        if (helper_.Send(&request, sizeof(request))) return true;
        Abandon();
    }
    return false;
}

bool ClipReaderProcess::StartReader() {
    helper_ = HelperProcess::Start(kClipReaderArgument);
    if (!helper_) return false;
    ++generation_;
    auto receiver =
        std::make_unique<Receiver>(Receiver{helper_.TakeOutput(), window_, generation_});
    const HANDLE thread = ::CreateThread(nullptr, 0, &ReceiveSnapshots, receiver.get(), 0, nullptr);
    if (!thread) {
        helper_.End();
        return false;
    }
    (void)receiver.release();
    ::CloseHandle(thread);
    return true;
}

void ClipReaderProcess::Abandon() noexcept {
    helper_.End();
    // What its receiving thread still posts is of no use now.
    ++generation_;
}

ClipReaderProcess::Delivery ClipReaderProcess::Take(WPARAM wp, LPARAM lp) {
    Delivery delivery{wp == generation_,
                      std::unique_ptr<SnapshotResult>(reinterpret_cast<SnapshotResult*>(lp))};
    // The reader ended by itself: the next snapshot starts a new one.
    if (delivery.current && !delivery.result) Abandon();
    return delivery;
}

int RunClipReader() {
    const HANDLE in = HelperInput(), out = HelperOutput();
    // Opens the clipboard in its own name; a message-only window is neither shown nor a
    // member of the viewer chain.
    const UniqueHwnd window(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!window) return 1;
    std::uint32_t unreadable = 0;
    ClipStore store(SystemClipboard(), window.get(), [&unreadable] { ++unreadable; });
    Request request{};
    // Progress goes to the program's window as it comes: the budget counts the copying.
    store.on_progress = [&request](long progress) {
        ::PostMessageW(reinterpret_cast<HWND>(static_cast<UINT_PTR>(request.window)),
                       kMsgSnapshotProgress, request.number, progress);
    };
    while (ReadAll(in, &request, sizeof(request))) {
        unreadable = 0;
        SnapshotHead head;
        ClipSlot slot;
        try {
            slot = store.Snapshot();
            head.sequence = store.last_sequence();
        } catch (const ClipboardBusyError&) {
            head.status = SnapshotStatus::kClipboardBusy;
        } catch (...) {
            // No memory even for the list: an empty snapshot, reported as unreadable.
            slot.clear();
            ++unreadable;
            head.sequence = store.CurrentSequence();
        }
        head.unreadable = unreadable;
        head.records = static_cast<std::uint32_t>(slot.size());
        WriteSnapshot(out, head, slot);
    }
    return 0;
}

}  // namespace nimbara
