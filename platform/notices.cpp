#include "platform/notices.h"

#include <wtsapi32.h>

#include <utility>

namespace nimbara {

namespace {

class SystemNoticeApi final : public NoticeApi {
public:
    bool Subscribe(Notice notice, HWND window) override {
        switch (notice) {
            case Notice::kClipboardUpdate:
                return ::AddClipboardFormatListener(window) != FALSE;
            case Notice::kSessionChange:
                return ::WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
        }
        return false;
    }
    void Unsubscribe(Notice notice, HWND window) noexcept override {
        switch (notice) {
            case Notice::kClipboardUpdate:
                ::RemoveClipboardFormatListener(window);
                break;
            case Notice::kSessionChange:
                ::WTSUnRegisterSessionNotification(window);
                break;
        }
    }
};

}  // namespace

NoticeApi& SystemNotices() {
    static SystemNoticeApi api;
    return api;
}

NoticeSubscription::NoticeSubscription(NoticeApi& api, Notice notice, HWND window)
    : api_(&api), notice_(notice), window_(api.Subscribe(notice, window) ? window : nullptr) {}

NoticeSubscription::NoticeSubscription(NoticeSubscription&& other) noexcept
    : api_(other.api_), notice_(other.notice_), window_(std::exchange(other.window_, nullptr)) {}

NoticeSubscription& NoticeSubscription::operator=(NoticeSubscription&& other) noexcept {
    if (this != &other) {
        Cancel();
        api_ = other.api_;
        notice_ = other.notice_;
        window_ = std::exchange(other.window_, nullptr);
    }
    return *this;
}

void NoticeSubscription::Cancel() noexcept {
    if (window_) api_->Unsubscribe(notice_, std::exchange(window_, nullptr));
}

}  // namespace nimbara
