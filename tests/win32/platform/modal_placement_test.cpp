// A dialog opens by the same rule as the main window, on the monitor under the pointer,
// and keeps a place the user moved it to while that place is on the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include "fake_monitors.h"
#include "modal_driver.h"
#include "platform/layout.h"
#include "platform/modal.h"

namespace nimbara {
namespace {

constexpr wchar_t kClass[] = L"NimbaraPlacedDialog";
constexpr DesignedWindow kDesign{.class_name = kClass,
                                 .style = WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 .place = {348, 235},
                                 .client = {308, 197}};

class PlacedDialog final : public ModalDialog {
public:
    explicit PlacedDialog(MonitorApi& monitors) : ModalDialog(kDesign.place, monitors) {}

private:
    void Build() override { CreateDesigned(kDesign, LayoutScale{}, nullptr); }
    void ButtonClicked(UINT) override {}
    [[nodiscard]] HWND FirstFocus() const noexcept override { return hwnd(); }
};

TEST(ModalPlacementTest, OpensOnThePointersMonitorAndKeepsWhereTheUserMovedIt) {
    testing::FakeMonitors monitors;
    const MonitorArea left{{0, 0, 1024, 768}, {0, 0, 1024, 738}};
    const MonitorArea right{{1024, 0, 2048, 768}, {1024, 0, 2048, 738}};
    monitors.areas = {left, right};
    monitors.pointer_on = 1;
    PlacedDialog dialog(monitors);
    const struct {
        const char* name;
        std::vector<MonitorArea> monitors;
        POINT expected;
    } openings[] = {{"under the pointer", {left, right}, {1024 + 348, 235}},
                    {"where the user moved it", {left, right}, {50, 60}},
                    {"its monitor gone: in onto the nearest", {right}, {1024, 60}}};
    for (const auto& opening : openings) {
        monitors.areas = opening.monitors;
        RECT shown{};
        const bool ended = testing::WhileModal(
            kClass, [&] { dialog.ShowModal(); },
            [&] {
                ::GetWindowRect(dialog.hwnd(), &shown);
                // The user moves it, then closes it.
                ::SetWindowPos(dialog.hwnd(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
            });
        EXPECT_TRUE(ended);
        EXPECT_EQ(shown.left, opening.expected.x) << opening.name;
        EXPECT_EQ(shown.top, opening.expected.y) << opening.name;
    }
}

}  // namespace
}  // namespace nimbara
