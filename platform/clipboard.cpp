#include "platform/clipboard.h"

#include <new>

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
    HANDLE GetData(UINT format) override {
        // Where the system makes this process's copy of the data inside the call (Wine
        // does), a block too large for the address space gives NULL with a memory error.
        // That is a failed read, not an absent format.
        ::SetLastError(ERROR_SUCCESS);
        HANDLE data = ::GetClipboardData(format);
        if (!data) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY)
                throw std::bad_alloc();
        }
        return data;
    }
    HANDLE SetData(UINT format, HANDLE data) override { return ::SetClipboardData(format, data); }
    DWORD SequenceNumber() override { return ::GetClipboardSequenceNumber(); }
    HWND Owner() override { return ::GetClipboardOwner(); }
    UINT RegisterFormat(const wchar_t* name) override { return ::RegisterClipboardFormatW(name); }
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
