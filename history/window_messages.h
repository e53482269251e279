// Every timer and private message of the main window, and the ids of the hotkeys the grid
// takes there, in one list. The history's parts start them on the main window's handle;
// the main window, and the tests that stand in for it, hand them back with
// RouteHistoryMessage. No two timers and no two messages share a number.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "history/grid_keys_rules.h"

namespace nimbara {

class ClipWatcher;
class PasteBack;

// Timers (WM_TIMER's wParam).
constexpr UINT_PTR kCaptureTimerId = 1;    // a capture 10 ms after a notice, and its retries
constexpr UINT_PTR kGuardTimerId = 2;      // the second after a paste, when its own changes end
constexpr UINT_PTR kKeepOnTopTimerId = 3;  // the window kept above one that took the foreground
constexpr UINT_PTR kBudgetTimerId = 4;     // the snapshot's budget runs out

// Private messages. Doorbells: any program can post them, so they carry nothing, and what
// they ring for is kept by the part they ring.
// The clipboard reader's receiving thread has put news into the reader's mailbox.
constexpr UINT kMsgSnapshotRead = WM_APP + 40;
// The owner of a hung owner's content may have answered WM_NULL; the system's callback alone
// records the answer.
constexpr UINT kMsgOwnerAnswered = WM_APP + 41;

// Hotkey ids (WM_HOTKEY's wParam) of the grid's keys, one a key in the order of kGridKeyCodes;
// the program's own hotkey has the settings' kHotKeyId.
constexpr int kGridHotKeyIdFirst = 0x4E00;
constexpr int kGridHotKeyIdLast = kGridHotKeyIdFirst + kGridKeyCount - 1;

namespace window_messages {

inline constexpr UINT_PTR kTimers[] = {kCaptureTimerId, kGuardTimerId, kKeepOnTopTimerId,
                                       kBudgetTimerId};
inline constexpr UINT kMessages[] = {kMsgSnapshotRead, kMsgOwnerAnswered};

template <typename T>
constexpr bool Distinct(std::span<const T> values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        for (std::size_t j = i + 1; j < values.size(); ++j)
            if (values[i] == values[j]) return false;
    return true;
}

static_assert(Distinct<UINT_PTR>(kTimers), "two of the main window's timers share an id");
static_assert(Distinct<UINT>(kMessages), "two of the main window's messages share a number");
static_assert(kMsgSnapshotRead >= WM_APP && kMsgOwnerAnswered >= WM_APP &&
                  kMsgOwnerAnswered < 0xC000,
              "private messages are of the WM_APP range");

}  // namespace window_messages

// Hands a timer tick or a doorbell of the history's to the part it is for: true when `msg`
// was one (nothing more is to be done with it then, except the main window's own step after
// kKeepOnTopTimerId), false for any other message. wParam picks the timer; lParam and a
// doorbell's wParam mean nothing.
bool RouteHistoryMessage(ClipWatcher& watcher, PasteBack& paste, UINT msg, WPARAM wp);

}  // namespace nimbara
