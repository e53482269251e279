#include "app/clip_reader_main.h"

#include <windows.h>

#include <cstdint>
#include <exception>

#include "history/capture_rules.h"
#include "history/clip_reader.h"
#include "history/clip_snapshots.h"
#include "history/snapshot_wire.h"
#include "platform/clipboard.h"
#include "platform/handles.h"
#include "platform/helper_process.h"

namespace nimbara {

namespace {

// A crash ends the reader at once with a code of its own: no crash dialog comes up, and the
// clipboard it may hold is free again.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS*) {
    ::TerminateProcess(::GetCurrentProcess(), kReaderCrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int RunClipReader() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(&EndOnCrash);
    std::set_terminate([] { ::TerminateProcess(::GetCurrentProcess(), kReaderCrashExitCode); });
    const HANDLE in = HelperInput(), out = HelperOutput();
    // Opens the clipboard in its own name; a message-only window is neither shown nor a
    // member of the viewer chain.
    const UniqueHwnd window(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!window) return 1;
    std::uint32_t unreadable = 0;
    ClipSnapshots snapshots(SystemClipboard(), window.get(), [&unreadable] { ++unreadable; });
    FrameWriter writer(out);
    const std::uint32_t start_kb = PrivateKbOfThisProcess();
    std::uint32_t request = 0;
    while (ReadAll(in, &request, sizeof(request))) {
        unreadable = 0;
        FrameHead end{FrameKind::kEnd};
        try {
            (void)snapshots.Snapshot(&writer);
            end.value = snapshots.last_sequence();
        } catch (const ClipboardBusyError&) {
            writer.Head({FrameKind::kClipboardBusy});
            continue;
        } catch (...) {
            // No memory even for the list: what was sent is kept, the rest reported.
            ++unreadable;
            end.value = snapshots.CurrentSequence();
        }
        end.count = unreadable;
        const std::uint32_t now_kb = PrivateKbOfThisProcess();
        end.private_kb = now_kb > start_kb ? now_kb - start_kb : 0;
        writer.Head(end);
    }
    return 0;
}

}  // namespace nimbara
