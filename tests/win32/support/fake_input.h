// Input, windows and time as a test decides them: the keys typed are recorded, each
// window is what the test says it is, and waiting lets exactly the time waited pass.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "fake_clock.h"
#include "platform/input.h"

namespace nimbara::testing {

struct FakeInput final : InputApi {
    HWND foreground = nullptr;
    HWND paste_target = nullptr;          // an ordinary window of another program, unless listed
    std::map<HWND, WindowFacts> windows;  // anything else that exists
    std::vector<bool> alt_down;           // KeyIsDown's answers, in the order asked
    bool grant_foreground = true;
    int polls_until_taken = 0;   // HasTakenForeground says no this many times first
    FakeClock* clock = nullptr;  // moved on by WaitBriefly
    std::vector<HWND> requested;
    std::vector<std::pair<BYTE, DWORD>> keys;

    HWND Foreground() override { return foreground; }
    WindowFacts Observe(HWND window) override {
        if (const auto found = windows.find(window); found != windows.end()) return found->second;
        if (window && window == paste_target) return OtherProgram();
        return {.exists = window != nullptr, .own_process = true, .visible = true};
    }
    // KeyIsDown answers these from now on, in turn.
    void AnswerKeyIsDown(std::vector<bool> answers) {
        alt_down = std::move(answers);
        asked_ = 0;
    }
    static WindowFacts OtherProgram() {
        return {.exists = true, .visible = true, .class_name = L"Notepad"};
    }
    bool KeyIsDown(BYTE) override { return alt_down.at(asked_++); }
    bool RequestForeground(HWND window) override {
        requested.push_back(window);
        return grant_foreground;
    }
    bool HasTakenForeground(HWND) override { return polls_until_taken-- <= 0; }
    UINT ScanCodeOf(UINT) override { return 0; }
    void KeyEvent(BYTE key, BYTE, DWORD flags) override { keys.emplace_back(key, flags); }
    void WaitBriefly(DWORD ms) override {
        if (clock) clock->now += ms;
    }

private:
    std::size_t asked_ = 0;
};

}  // namespace nimbara::testing
