// The system's notice subscriptions as a test sees them: each one held, and those refused.
#pragma once

#include <set>
#include <utility>

#include "platform/notices.h"

namespace nimbara::testing {

struct FakeNotices final : NoticeApi {
    std::set<std::pair<Notice, HWND>> held;
    std::set<Notice> refused;  // as a system without them refuses

    bool Subscribe(Notice n, HWND w) override {
        return !refused.count(n) && held.insert({n, w}).second;
    }
    void Unsubscribe(Notice n, HWND w) noexcept override { held.erase({n, w}); }
};

}  // namespace nimbara::testing
