// Drives a modal window from inside its own loop: the steps run from a thread
// timer, which the modal loop dispatches like the program's own messages.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace nimbara::testing {

// Calls `open` (which runs a modal loop) and, once that loop is running, `steps`.
// The steps should end the loop. When they have not after a minute the driver
// sends WM_CLOSE to the visible windows of class `modal_class`, so a failing test
// cannot hang, and returns false; true when the steps ended the loop themselves.
[[nodiscard]] bool WhileModal(const wchar_t* modal_class, const std::function<void()>& open,
                              const std::function<void()>& steps);

// One step of a test on a modal window, run from a timer tick while the window is shown.
// False: not yet (it waits for something), asked again at the next tick; true: done.
using ModalStep = std::function<bool(HWND window)>;

// Calls `open` (which runs a modal loop) and, at each tick while `shown` finds the window up,
// runs the next of `steps` on it; the last step should end the loop. A loop still running
// after the last step, or after a minute, is ended (WM_CLOSE) as a failure of the test.
// Returns the number of steps done.
[[nodiscard]] std::size_t StepThrough(const std::function<HWND()>& shown,
                                      const std::function<void()>& open,
                                      std::vector<ModalStep> steps);

// Runs `step` once the messages posted so far have been handled: a timer's message
// is taken only when no posted message waits. Called from the steps of WhileModal;
// it never runs when the modal loop has ended before.
void AfterQueued(std::function<void()> step);

// A press and a release of the left button at screen points, each delivered where
// the system would: to the window holding the mouse, else to the window under
// the point, in that window's client coordinates.
void PressAndRelease(POINT press, POINT release);
void Click(POINT at);

// The centre of a window, in screen coordinates.
POINT ScreenCentre(HWND hwnd);

std::wstring TextOf(HWND hwnd);

// The window's rectangle in the client coordinates of its parent.
RECT RectInParent(HWND hwnd);

}  // namespace nimbara::testing
