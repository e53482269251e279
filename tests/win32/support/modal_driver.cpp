#include "modal_driver.h"

#include <gtest/gtest.h>

namespace nimbara::testing {

namespace {

const std::function<void()>* g_steps = nullptr;
const wchar_t* g_modal_class = nullptr;
bool g_rescued = false;
std::function<void()> g_after_queued;
UINT_PTR g_after_queued_timer = 0;

void CALLBACK RunSteps(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    (*g_steps)();
}

void CALLBACK Rescue(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_rescued = true;
    for (HWND w = ::FindWindowW(g_modal_class, nullptr); w;
         w = ::FindWindowExW(nullptr, w, g_modal_class, nullptr)) {
        if (::IsWindowVisible(w)) ::PostMessageW(w, WM_CLOSE, 0, 0);
    }
}

void CALLBACK RunAfterQueued(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_after_queued_timer = 0;
    const std::function<void()> step = std::move(g_after_queued);
    step();
}

struct Stepper {
    const std::function<HWND()>* shown;
    std::vector<ModalStep> steps;
    std::size_t done = 0;
    int ticks = 0;
    bool closed = false;
};
Stepper* g_stepper = nullptr;

void CALLBACK Step(HWND, UINT, UINT_PTR, DWORD) {
    Stepper& stepper = *g_stepper;
    HWND window = (*stepper.shown)();
    if (!window || !::IsWindowVisible(window) || stepper.closed) return;
    // Only a guard against a hang (30 ms ticks): no test may count on it.
    const bool stuck = ++stepper.ticks > 2000;
    if (!stuck && stepper.done < stepper.steps.size()) {
        if (stepper.steps[stepper.done](window)) ++stepper.done;
        return;
    }
    ADD_FAILURE() << "the window is still open after step " << stepper.done << " of "
                  << stepper.steps.size();
    stepper.closed = true;
    ::SendMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

std::size_t StepThrough(const std::function<HWND()>& shown, const std::function<void()>& open,
                        std::vector<ModalStep> steps) {
    Stepper stepper{&shown, std::move(steps)};
    g_stepper = &stepper;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &Step);
    open();
    ::KillTimer(nullptr, timer);
    g_stepper = nullptr;
    return stepper.done;
}

void AfterQueued(std::function<void()> step) {
    g_after_queued = std::move(step);
    g_after_queued_timer = ::SetTimer(nullptr, 0, 0, &RunAfterQueued);
}

bool WhileModal(const wchar_t* modal_class, const std::function<void()>& open,
                const std::function<void()>& steps) {
    g_steps = &steps;
    g_modal_class = modal_class;
    g_rescued = false;
    const UINT_PTR run = ::SetTimer(nullptr, 0, 20, &RunSteps);
    // Only a guard against a hang: no test may count on it, so it can be generous.
    const UINT_PTR rescue = ::SetTimer(nullptr, 0, 60000, &Rescue);
    open();
    ::KillTimer(nullptr, run);
    ::KillTimer(nullptr, rescue);
    if (g_after_queued_timer) ::KillTimer(nullptr, g_after_queued_timer);
    g_after_queued_timer = 0;
    g_after_queued = nullptr;
    return !g_rescued;
}

namespace {

void Deliver(UINT msg, WPARAM keys, POINT screen) {
    HWND target = ::GetCapture();
    if (!target) target = ::WindowFromPoint(screen);
    if (!target) return;
    POINT client = screen;
    ::ScreenToClient(target, &client);
    ::SendMessageW(target, msg, keys,
                   MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
}

}  // namespace

void PressAndRelease(POINT press, POINT release) {
    Deliver(WM_LBUTTONDOWN, MK_LBUTTON, press);
    Deliver(WM_LBUTTONUP, 0, release);
}

void Click(POINT at) { PressAndRelease(at, at); }

POINT ScreenCentre(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    const int n = ::GetWindowTextW(hwnd, text, 256);
    return std::wstring(text, n > 0 ? n : 0);
}

RECT RectInParent(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace nimbara::testing
