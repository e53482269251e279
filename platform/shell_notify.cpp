#include "platform/shell_notify.h"

namespace nimbara {

namespace {

class Win32ShellNotify final : public ShellNotifyApi {
public:
    bool NotifyIcon(DWORD message, NOTIFYICONDATAA& record) override {
        return ::Shell_NotifyIconA(message, &record) != FALSE;
    }
};

}  // namespace

ShellNotifyApi& SystemShellNotify() {
    static Win32ShellNotify shell;
    return shell;
}

}  // namespace nimbara
