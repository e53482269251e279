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
    PipeFrameWriter writer(out);
    SnapshotServer server(writer);
    ClipSnapshots snapshots(SystemClipboard(), window.get(),
                            [&server] { server.CountUnreadable(); });
    std::uint32_t request = 0;
    while (ReadAll(in, &request, sizeof(request))) server.Serve(snapshots);
    return 0;
}

}  // namespace nimbara
