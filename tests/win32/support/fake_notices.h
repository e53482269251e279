// The system's notice subscriptions as a test sees them: each one held, and those refused.
#pragma once

#include <windows.h>

#include <set>
#include <utility>

#include "platform/notices.h"

namespace nimbara::testing {

class FakeNotices final : public NoticeApi {
public:
    std::set<std::pair<Notice, HWND>> held;
    std::set<Notice> refused;  // as a system without them refuses

    bool Subscribe(Notice notice, HWND window) override {
        if (refused.count(notice)) return false;
        return held.emplace(notice, window).second;
    }
    void Unsubscribe(Notice notice, HWND window) noexcept override { held.erase({notice, window}); }
};

}  // namespace nimbara::testing
