// The shell's notification-area call, behind a small interface so that tests can
// see every add, modify and delete, and fail them.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace nimbara {

// The first version of the record: 88 bytes in the 32-bit program, tooltip in a
// 64-byte ANSI field. The tray icon keeps to it, so its tooltip cut is on bytes.
constexpr DWORD kNotifyRecordSize = NOTIFYICONDATAA_V1_SIZE;
static_assert(sizeof(void*) != 4 || kNotifyRecordSize == 88);

class ShellNotifyApi {
public:
    virtual ~ShellNotifyApi() = default;
    // Shell_NotifyIconA: `message` is NIM_ADD, NIM_MODIFY or NIM_DELETE; the shell
    // reads record.cbSize bytes of the record.
    [[nodiscard]] virtual bool NotifyIcon(DWORD message, NOTIFYICONDATAA& record) = 0;
};

// The real shell.
ShellNotifyApi& SystemShellNotify();

}  // namespace nimbara
