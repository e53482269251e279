// Subscriptions of a window to notices the system sends it as messages, behind an interface
// so that a test can see each one made and given back, or refuse it:
// - the clipboard format listener (WM_CLIPBOARDUPDATE, Windows Vista and later): the system
//   tells each listener of every clipboard change itself, so no other program can keep the
//   notice from it, as any member of the viewer chain can;
// - the session's changes (WM_WTSSESSION_CHANGE: lock, unlock, reconnects).
// A window that ends subscribed is dropped by the system, but the owner gives each one back
// in its destructor all the same, as a handle owner closes its handle.
#pragma once

#include <windows.h>

namespace nimbara {

enum class Notice {
    kClipboardUpdate,  // WM_CLIPBOARDUPDATE
    kSessionChange,    // WM_WTSSESSION_CHANGE, for this session only
};

class NoticeApi {
public:
    virtual ~NoticeApi() = default;
    // Whether the system now sends `notice` to `window`.
    [[nodiscard]] virtual bool Subscribe(Notice notice, HWND window) = 0;
    virtual void Unsubscribe(Notice notice, HWND window) noexcept = 0;
};

// The system's.
NoticeApi& SystemNotices();

// One window's subscription to one notice, given back when the owner goes.
class NoticeSubscription {
public:
    NoticeSubscription() noexcept = default;
    // Subscribes `window`; subscribed() says whether the system took it.
    NoticeSubscription(NoticeApi& api, Notice notice, HWND window);
    NoticeSubscription(NoticeSubscription&& other) noexcept;
    NoticeSubscription& operator=(NoticeSubscription&& other) noexcept;
    NoticeSubscription(const NoticeSubscription&) = delete;
    NoticeSubscription& operator=(const NoticeSubscription&) = delete;
    ~NoticeSubscription() { Cancel(); }

    void Cancel() noexcept;
    [[nodiscard]] bool subscribed() const noexcept { return window_ != nullptr; }

private:
    NoticeApi* api_ = nullptr;
    Notice notice_ = Notice::kClipboardUpdate;
    HWND window_ = nullptr;  // nullptr when not subscribed
};

}  // namespace nimbara
