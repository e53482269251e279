#include "platform/clipboard.h"

#include "platform/error.h"

namespace nimbara {

namespace {

class Win32Clipboard final : public ClipboardApi {
public:
    bool Open(HWND owner) override { return ::OpenClipboard(owner) != FALSE; }
    void Close() override { ::CloseClipboard(); }
    bool Empty() override { return ::EmptyClipboard() != FALSE; }
    int CountFormats() override { return ::CountClipboardFormats(); }
    UINT EnumFormats(UINT format) override { return ::EnumClipboardFormats(format); }
    bool IsFormatAvailable(UINT format) override {
        return ::IsClipboardFormatAvailable(format) != FALSE;
    }
    HANDLE GetData(UINT format) override { return ::GetClipboardData(format); }
    HANDLE SetData(UINT format, HANDLE data) override { return ::SetClipboardData(format, data); }
};

}  // namespace

ClipboardApi& SystemClipboard() {
    static Win32Clipboard clipboard;
    return clipboard;
}

void RequireOpen(const OpenedClipboard& clipboard) {
    if (!clipboard.is_open()) throw ClipboardBusyError();
}

}  // namespace nimbara
