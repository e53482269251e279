#include "history/paste_target_rules.h"

#include <gtest/gtest.h>

namespace nimbara {
namespace {

using enum TargetKind;
using W = WindowFacts;

WindowFacts Seen(const wchar_t* class_name, bool W::*fact = nullptr, bool value = true) {
    WindowFacts facts{.exists = true, .visible = true, .class_name = class_name};
    if (fact) facts.*fact = value;
    return facts;
}

TEST(PasteTargetKind, OnlyWindowsTheUserCanTypeIntoAndTheDesktop) {
    const struct {
        const wchar_t* class_name;  // nullptr: no window at all
        bool W::*fact;              // set to value in a window seen otherwise as usual
        bool value;
        TargetKind kind;
    } cases[] = {{L"Notepad", nullptr, 1, kWindow},
                 {L"ConsoleWindowClass", nullptr, 1, kWindow},
                 {L"Notepad", &W::minimised, 1, kWindow},
                 {L"Progman", nullptr, 1, kDesktop},
                 {L"WorkerW", nullptr, 1, kDesktop},
                 {L"#32769", &W::desktop, 1, kDesktop},
                 {L"WorkerW", &W::visible, 0, kNone},
                 {L"Shell_TrayWnd", nullptr, 1, kNone},
                 {L"Shell_SecondaryTrayWnd", nullptr, 1, kNone},
                 {L"NotifyIconOverflowWindow", nullptr, 1, kNone},
                 {L"TopLevelWindowForOverflowXamlIsland", nullptr, 1, kNone},
                 {L"MultitaskingViewFrame", nullptr, 1, kNone},
                 {L"XamlExplorerHostIslandWindow", nullptr, 1, kNone},
                 {L"TrayMenuOwner", &W::visible, 0, kNone},
                 {L"ApplicationFrameWindow", &W::cloaked, 1, kNone},
                 {L"Palette", &W::tool_window, 1, kNone},
                 {L"OSK", &W::no_activate, 1, kNone},
                 {L"TMainForm", &W::own_process, 1, kNone},
                 {nullptr, nullptr, 1, kNone}};
    for (const auto& c : cases) {
        const WindowFacts window = c.class_name ? Seen(c.class_name, c.fact, c.value) : W{};
        EXPECT_EQ(PasteTargetKind(window), c.kind) << testing::PrintToString(window.class_name);
    }
}

TEST(ShouldMaskAltRelease, WhileAltIsHeldOrJustAfterAndOnlyIntoTheWindowItCameIn) {
    const struct {
        bool alt;  // in the combination
        bool alt_down;
        std::uint32_t ms_since_message;
        bool front_changed_since;
        const wchar_t* front;
        bool masked;
    } cases[] = {{1, 1, 5000, 0, L"Notepad", 1}, {1, 0, 100, 0, L"Notepad", 1},
                 {1, 0, 101, 0, L"Notepad", 0},  {0, 1, 0, 0, L"Notepad", 0},
                 {1, 1, 0, 1, L"Notepad", 0},    {1, 1, 0, 0, L"ConsoleWindowClass", 0},
                 {1, 1, 0, 0, L"Progman", 0},    {1, 1, 0, 0, L"Shell_TrayWnd", 0}};
    for (const auto& c : cases) {
        const HotKeyMoment moment{c.alt, c.alt_down, c.ms_since_message, c.front_changed_since,
                                  Seen(c.front)};
        EXPECT_EQ(ShouldMaskAltRelease(moment), c.masked) << &c - cases;
    }
}

}  // namespace
}  // namespace nimbara
