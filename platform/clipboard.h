// The system clipboard, behind a small interface so that tests can watch or fail
// each call. Everything the history reads and writes goes through it.
#pragma once

#include <windows.h>

#include "platform/error.h"

namespace nimbara {

class ClipboardApi {
public:
    virtual ~ClipboardApi() = default;
    [[nodiscard]] virtual bool Open(HWND owner) = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual bool Empty() = 0;
    [[nodiscard]] virtual int CountFormats() = 0;
    [[nodiscard]] virtual UINT EnumFormats(UINT format) = 0;
    // NULL when the format has no data; throws std::bad_alloc when the data exists
    // but this process has no memory for it.
    [[nodiscard]] virtual HANDLE GetData(UINT format) = 0;
    // On success the clipboard owns `data`; on failure the caller still does.
    [[nodiscard]] virtual HANDLE SetData(UINT format, HANDLE data) = 0;
    // Changes with every change of the clipboard's content; 0 when the system does not tell.
    [[nodiscard]] virtual DWORD SequenceNumber() = 0;
    // The window that owns the content, the one asked to render formats offered on demand.
    [[nodiscard]] virtual HWND Owner() = 0;
    // The number of the format registered under `name` in this session; 0 when the system
    // refuses it.
    [[nodiscard]] virtual UINT RegisterFormat(const wchar_t* name) = 0;
};

// The real clipboard.
ClipboardApi& SystemClipboard();

// The clipboard opened for one window for a scope; closed again when it ends.
class OpenedClipboard {
public:
    OpenedClipboard(ClipboardApi& api, HWND owner) : api_(api), open_(api.Open(owner)) {}
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_) api_.Close();
    }
    [[nodiscard]] bool is_open() const noexcept { return open_; }

private:
    ClipboardApi& api_;
    bool open_;
};

// Another program holds the clipboard open.
class ClipboardBusyError : public AppError {
public:
    ClipboardBusyError() : AppError(L"Cannot open clipboard") {}
};

// Throws ClipboardBusyError, "Cannot open clipboard", when the clipboard did not open.
void RequireOpen(const OpenedClipboard& clipboard);

}  // namespace nimbara
