// A window's timers, behind an interface so that a test can see what is armed, for how
// long, and let the time pass at once. A timer ticks as a WM_TIMER to its window, every
// `ms` until it is stopped; starting one that runs starts its wait anew.
#pragma once

#include <windows.h>

namespace nimbara {

class Timers {
public:
    virtual ~Timers() = default;
    // Whether timer `id` now runs, first ticking `ms` from now.
    [[nodiscard]] virtual bool Start(UINT_PTR id, UINT ms) = 0;
    virtual void Stop(UINT_PTR id) noexcept = 0;
};

// The timers of one window; they go with it.
class WindowTimers final : public Timers {
public:
    explicit WindowTimers(HWND window) noexcept : window_(window) {}

    [[nodiscard]] bool Start(UINT_PTR id, UINT ms) override;
    void Stop(UINT_PTR id) noexcept override;

private:
    HWND window_;
};

}  // namespace nimbara
