// A watch of the desktop's input that the test feeds: it records whether it runs and hands
// the test the observer, to report keys and clicks as the hooks would.
#pragma once

#include "platform/input_watch.h"

namespace nimbara::testing {

struct FakeInputWatch final : InputWatchApi {
    bool Start(InputObserver& o) override {
        if (refuse) return false;
        observer = &o;
        ++starts;
        return true;
    }
    void Stop() noexcept override { observer = nullptr; }
    [[nodiscard]] bool running() const noexcept { return observer != nullptr; }

    InputObserver* observer = nullptr;
    bool refuse = false;
    int starts = 0;
};

}  // namespace nimbara::testing
