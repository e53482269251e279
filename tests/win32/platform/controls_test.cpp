// The pointer, press and paint mechanics every control of the program's own shares, fed
// the messages a control receives in the orders a user makes them.
#include "platform/controls.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/paint.h"

namespace nimbara {
namespace {

// A hidden 100 x 100 window stands for the control.
class ControlMechanics : public ::testing::Test {
protected:
    void SetUp() override {
        control_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                     nullptr, nullptr);
        ASSERT_NE(control_, nullptr);
    }
    void TearDown() override { ::DestroyWindow(control_); }
    HWND control_ = nullptr;
};

struct Message {
    UINT msg;
    int x = 50, y = 50;
};

TEST_F(ControlMechanics, APressIsAClickOnlyWhenItStartedAndEndedInside) {
    using enum PressStep;
    const Message down{WM_LBUTTONDOWN}, up{WM_LBUTTONUP}, lost{WM_CAPTURECHANGED};
    const std::vector<std::pair<const char*, std::vector<std::pair<Message, PressStep>>>> rows = {
        {"click", {{down, kBegan}, {up, kClicked}}},
        {"far corner", {{down, kBegan}, {{WM_LBUTTONUP, 99, 99}, kClicked}}},
        {"right edge", {{down, kBegan}, {{WM_LBUTTONUP, 100, 50}, kEnded}}},
        {"left of it", {{down, kBegan}, {{WM_LBUTTONUP, -1, 50}, kEnded}}},
        {"release alone", {{up, kEnded}}},
        {"mouse taken away", {{down, kBegan}, {lost, kLost}, {up, kEnded}}},
        {"second release", {{down, kBegan}, {up, kClicked}, {up, kEnded}}},
        {"no press message", {{{WM_MOUSEMOVE}, kNone}}},
    };
    for (const auto& [name, steps] : rows) {
        Press press;
        for (const auto& [message, step] : steps) {
            // The system takes the mouse away first, then tells the control.
            if (message.msg == WM_CAPTURECHANGED) ::ReleaseCapture();
            EXPECT_EQ(press.OnMessage(control_, message.msg, MAKELPARAM(message.x, message.y)),
                      step)
                << name;
            // The control holds the mouse exactly while the press lasts.
            EXPECT_EQ(::GetCapture() == control_, press.down()) << name;
        }
        ::ReleaseCapture();
    }
}

TEST_F(ControlMechanics, EachStayOfThePointerIsEnteredOnceAndLeftOnce) {
    const std::vector<std::pair<UINT, HoverStep>> steps = {
        {WM_MOUSEMOVE, HoverStep::kEntered}, {WM_MOUSEMOVE, HoverStep::kMoved},
        {WM_MOUSELEAVE, HoverStep::kLeft},   {WM_MOUSEMOVE, HoverStep::kEntered},
        {WM_PAINT, HoverStep::kNone},
    };
    Hover hover;
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(hover.OnMessage(control_, steps[i].first), steps[i].second) << "step " << i;
}

TEST_F(ControlMechanics, PaintIsAnsweredWholeAndTheEraseLeftToIt) {
    std::vector<RECT> painted;
    const PaintFn paint = [&](HDC, const RECT& client) { painted.push_back(client); };
    EXPECT_EQ(AnswerPaint(control_, WM_ERASEBKGND, paint), 1);
    EXPECT_EQ(AnswerPaint(control_, WM_MOUSEMOVE, paint), std::nullopt);
    EXPECT_TRUE(painted.empty());
    EXPECT_EQ(AnswerPaint(control_, WM_PAINT, paint), 0);
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0].right, 100);
    EXPECT_EQ(painted[0].bottom, 100);
}

}  // namespace
}  // namespace nimbara
