// A window's timers as a test runs them: every start is recorded with its wait, and time
// passes only when the test lets it, each tick coming at the moment it is due, in turn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "fake_clock.h"
#include "platform/timer.h"

namespace nimbara::testing {

class FakeTimers final : public Timers {
public:
    explicit FakeTimers(FakeClock& clock) : clock_(clock) {}

    std::function<void(UINT_PTR id)> on_tick;        // the window's WM_TIMER
    std::vector<std::pair<UINT_PTR, UINT>> started;  // every Start, in order
    bool refuse = false;                             // Start fails

    bool Start(UINT_PTR id, UINT ms) override {
        started.emplace_back(id, ms);
        if (refuse) return false;
        armed_[id] = {clock_.now, ms};
        return true;
    }
    void Stop(UINT_PTR id) noexcept override { armed_.erase(id); }
    [[nodiscard]] bool armed(UINT_PTR id) const { return armed_.count(id) != 0; }
    // The waits timer `id` was started with, in order.
    [[nodiscard]] std::vector<UINT> WaitsOf(UINT_PTR id) const {
        std::vector<UINT> waits;
        for (const auto& [started_id, ms] : started)
            if (started_id == id) waits.push_back(ms);
        return waits;
    }

    // Lets `ms` pass. A timer keeps ticking every wait until it is stopped, as a window's does.
    void Advance(std::uint32_t ms) {
        for (;;) {
            std::optional<std::pair<std::uint32_t, UINT_PTR>> next;  // (time to it, id)
            for (const auto& [id, timer] : armed_) {
                const std::uint32_t elapsed = clock_.now - timer.since;
                const std::uint32_t to_tick = elapsed >= timer.ms ? 0 : timer.ms - elapsed;
                if (to_tick <= ms && (!next || to_tick < next->first)) next = {to_tick, id};
            }
            if (!next) break;
            clock_.now += next->first;
            ms -= next->first;
            armed_[next->second].since = clock_.now;
            if (on_tick) on_tick(next->second);
        }
        clock_.now += ms;
    }

private:
    struct Armed {
        std::uint32_t since;  // started, or last ticked
        UINT ms;
    };
    FakeClock& clock_;
    std::map<UINT_PTR, Armed> armed_;
};

}  // namespace nimbara::testing
