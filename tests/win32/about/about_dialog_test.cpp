// The About dialog against the real window system: what its clicks ask of the
// shell (through a recording fake), its layout, and its life across openings.
#include "about/about_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/layout.h"
#include "resources/resource_ids.h"
#include "hidden_window.h"
#include "modal_driver.h"

namespace nimbara {
namespace {

using enum AboutControl;

using testing::AfterQueued;
using testing::Click;
using testing::PressAndRelease;
using testing::RectInParent;
using testing::ScreenCentre;
using testing::TextOf;
using testing::WhileModal;

constexpr wchar_t kAboutClass[] = L"TAboutForm";
constexpr wchar_t kWebPage[] = L"http://www.nimbara.test/";
constexpr wchar_t kMailto[] = L"mailto:help@nimbara.test";

class RecordingShell : public ShellApi {
public:
    struct Call {
        HWND owner;
        std::wstring address;
    };
    bool OpenAddress(HWND owner, const std::wstring& address) override {
        calls.push_back({owner, address});
        return succeeds;
    }
    std::vector<Call> calls;
    bool succeeds = true;
};

class AboutDialogTest : public ::testing::Test {
protected:
    AboutDialogTest() { dialog.EnsureBuilt(); }
    HWND Control(AboutControl id) const {
        return ::GetDlgItem(dialog.hwnd(), static_cast<int>(id));
    }
    HWND Banner() const { return ::GetDlgItem(Control(kBannerFrame), static_cast<int>(kBanner)); }
    void PressOk() const { ::SendMessageW(Control(kOk), BM_CLICK, 0, 0); }

    UniqueHwnd application = testing::ApplicationWindow();
    RecordingShell shell;
    AboutDialog dialog{application.get(), shell};
};

struct ClickCase {
    const char* name;
    AboutControl id;       // the banner is found inside its panel
    const wchar_t* opens;  // nullptr: nothing
};

TEST_F(AboutDialogTest, EachClickOpensItsAddressAndLeavesTheDialogOpen) {
    const ClickCase cases[] = {
        {"banner Image1", kBanner, kWebPage},       {"web address Label1", kWebAddress, kWebPage},
        {"e-mail Label4", kEmail, kMailto},         {"product line Label2", kProductLine, nullptr},
        {"maker line Label3", kMakerLine, nullptr}, {"banner frame Panel1", kBannerFrame, nullptr},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        shell.calls.clear();
        bool still_open = false;
        const bool ended = WhileModal(
            kAboutClass, [&] { dialog.ShowModal(); },
            [&] {
                HWND target = c.id == kBanner ? Banner() : Control(c.id);
                POINT at = ScreenCentre(target);
                if (c.id == kBannerFrame) {  // its bevel, beside the banner
                    RECT r{};
                    ::GetWindowRect(target, &r);
                    at = POINT{r.left, r.top};
                }
                Click(at);
                still_open = ::IsWindowVisible(dialog.hwnd()) != FALSE;
                PressOk();
            });
        EXPECT_TRUE(ended);
        EXPECT_TRUE(still_open);
        if (c.opens) {
            ASSERT_EQ(shell.calls.size(), 1u);
            EXPECT_EQ(shell.calls[0].address, c.opens);
            EXPECT_EQ(shell.calls[0].owner, dialog.hwnd());
        } else {
            EXPECT_TRUE(shell.calls.empty());
        }
    }
}

TEST_F(AboutDialogTest, OnlyAPressAndAReleaseInsideALinkAreAClick) {
    const ClickCase links[] = {{"banner Image1", kBanner, kWebPage},
                               {"web address Label1", kWebAddress, kWebPage},
                               {"e-mail Label4", kEmail, kMailto}};
    for (const ClickCase& c : links) {
        SCOPED_TRACE(c.name);
        shell.calls.clear();
        const bool ended = WhileModal(
            kAboutClass, [&] { dialog.ShowModal(); },
            [&] {
                HWND link = c.id == kBanner ? Banner() : Control(c.id);
                const POINT inside = ScreenCentre(link);
                // Pressed on the link, released away from the dialog: no click.
                PressAndRelease(inside, {2, 2});
                // Pressed beside the link, released on it: no click either.
                PressAndRelease(ScreenCentre(Control(kMakerLine)), inside);
                PressOk();
            });
        EXPECT_TRUE(ended);
        EXPECT_TRUE(shell.calls.empty());
    }
}

TEST_F(AboutDialogTest, AnAddressNoProgramTakesLeavesTheDialogOpenAndQuiet) {
    shell.succeeds = false;
    bool still_open = false;
    HWND active = nullptr;
    const bool ended = WhileModal(
        kAboutClass, [&] { dialog.ShowModal(); },
        [&] {
            Click(ScreenCentre(Banner()));
            Click(ScreenCentre(Control(kEmail)));
            still_open = ::IsWindowVisible(dialog.hwnd()) != FALSE;
            active = ::GetActiveWindow();
            PressOk();
        });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(still_open);
    EXPECT_EQ(active, dialog.hwnd()) << "something else took the activation";
    EXPECT_EQ(shell.calls.size(), 2u);
}

// How the dialog looks, read back from its windows.
struct Look {
    std::vector<std::wstring> texts;
    std::vector<RECT> rects;
    RECT window;
};

Look LookOf(HWND dialog) {
    Look look{};
    ::GetWindowRect(dialog, &look.window);
    for (AboutControl id : {kBannerFrame, kWebAddress, kProductLine, kMakerLine, kEmail, kOk}) {
        HWND control = ::GetDlgItem(dialog, static_cast<int>(id));
        look.texts.push_back(TextOf(control));
        look.rects.push_back(RectInParent(control));
    }
    return look;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool SameLook(const Look& a, const Look& b) {
    if (a.texts != b.texts || a.rects.size() != b.rects.size()) return false;
    for (size_t i = 0; i < a.rects.size(); ++i)
        if (!SameRect(a.rects[i], b.rects[i])) return false;
    return SameRect(a.window, b.window);
}

TEST_F(AboutDialogTest, EveryOpeningShowsTheSameDialogAndEachWayOutClosesIt) {
    const HWND first = dialog.hwnd();
    const Look built = LookOf(first);
    struct WayOut {
        const char* name;
        void (*close)(HWND dialog);
    };
    const WayOut ways[] = {
        {"click on 确定",
         [](HWND d) { ::SendMessageW(::GetDlgItem(d, static_cast<int>(kOk)), BM_CLICK, 0, 0); }},
        {"close box", [](HWND d) { ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Enter key",
         [](HWND d) {
             ::PostMessageW(::GetDlgItem(d, static_cast<int>(kOk)), WM_KEYDOWN, VK_RETURN, 0);
         }},
        {"space bar on 确定",
         [](HWND d) {
             HWND ok = ::GetDlgItem(d, static_cast<int>(kOk));
             ::PostMessageW(ok, WM_KEYDOWN, VK_SPACE, 0);
             ::PostMessageW(ok, WM_KEYUP, VK_SPACE, 0xC0000001);
         }},
    };
    for (const WayOut& way : ways) {
        SCOPED_TRACE(way.name);
        bool shown = false;
        Look look{};
        const bool ended = WhileModal(
            kAboutClass, [&] { dialog.ShowModal(); },
            [&] {
                shown = ::IsWindowVisible(dialog.hwnd()) != FALSE;
                look = LookOf(dialog.hwnd());
                way.close(dialog.hwnd());
            });
        EXPECT_TRUE(ended) << "the dialog did not close";
        EXPECT_TRUE(shown);
        EXPECT_EQ(dialog.hwnd(), first);
        EXPECT_TRUE(SameLook(look, built));
        EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
        EXPECT_TRUE(::IsWindow(first));
    }
}

TEST_F(AboutDialogTest, EscapeDoesNotCloseIt) {
    // Only "确定" and the close box end the dialog.
    bool open_after_escape = false;
    const bool ended = WhileModal(
        kAboutClass, [&] { dialog.ShowModal(); },
        [&] {
            HWND ok = Control(kOk);
            ::PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0);
            ::PostMessageW(ok, WM_KEYUP, VK_ESCAPE, 0xC0000001);
            AfterQueued([&] {
                open_after_escape = ::IsWindowVisible(dialog.hwnd()) != FALSE;
                PressOk();
            });
        });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(open_after_escape);
}

TEST_F(AboutDialogTest, AnOpeningWhileOpenOnlyBringsItToTheFront) {
    bool nested_returned = false;
    const bool ended = WhileModal(
        kAboutClass, [&] { dialog.ShowModal(); },
        [&] {
            dialog.ShowModal();
            nested_returned = ::IsWindowVisible(dialog.hwnd()) != FALSE;
            PressOk();
        });
    EXPECT_TRUE(ended) << "the second opening ran a modal loop of its own";
    EXPECT_TRUE(nested_returned);
}

TEST_F(AboutDialogTest, WhileOpenTheFocusIsOnItsButton) {
    HWND focus = nullptr;
    const bool ended = WhileModal(
        kAboutClass, [&] { dialog.ShowModal(); },
        [&] {
            focus = ::GetFocus();
            PressOk();
        });
    EXPECT_TRUE(ended);
    EXPECT_EQ(focus, Control(kOk));
}

}  // namespace
}  // namespace nimbara
