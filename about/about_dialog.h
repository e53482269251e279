// The About dialog, TAboutForm: the maker's banner, the product and version, and
// links to the maker's web page and e-mail address, opened through the shell.
// One object serves every opening; nothing in it changes once it is built.
#pragma once

#include <windows.h>

#include "platform/controls.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/modal.h"
#include "platform/panel.h"
#include "platform/shell_execute.h"

namespace nimbara {

// Control identifiers, for readers from outside. OK is the dialog's IDOK, so the
// Enter key reaches it as well.
enum class AboutControl : UINT {
    kOk = IDOK,
    kBannerFrame = 101,
    kBanner = 102,
    kWebAddress = 103,
    kProductLine = 104,
    kMakerLine = 105,
    kEmail = 106,
};

inline constexpr DesignedWindow kAboutWindow{
    .class_name = L"TAboutForm",
    .caption = L"关于",
    // A fixed dialog border with only the close box. Topmost, because the main
    // window it is opened from is topmost and would otherwise cover it.
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
    .ex_style = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST,
    // The screen position is the designed one, not centred.
    .place = {394, 275},
    .client = {242, 185},
};

// The banner's picture, inside its frame's 1-pixel bevel; the frame is sized to it
// after scaling, so that rounding never leaves a gap between the two.
inline constexpr SIZE kBannerSize{220, 60};
inline constexpr int kBannerBevel = 1;

// The controls on the dialog's face, top to bottom. The frame's place is its
// picture's; the bevel goes round it.
inline constexpr LayoutRow kAboutLayout[] = {
    {UINT(AboutControl::kBannerFrame), {9, 9, kBannerSize.cx, kBannerSize.cy}},
    {UINT(AboutControl::kWebAddress), {46, 80, 144, 12}},
    {UINT(AboutControl::kProductLine), {33, 102, 177, 12}},
    {UINT(AboutControl::kMakerLine), {47, 120, 152, 12}},
    {UINT(AboutControl::kEmail), {38, 135, 168, 12}},
    {UINT(AboutControl::kOk), {80, 160, 81, 17}},
};

class AboutDialog : public ModalDialog {
public:
    // The window is built hidden at the first opening, owned by the application window.
    explicit AboutDialog(HWND application_window, ShellApi& shell = SystemShell());
    ~AboutDialog() override;

protected:
    void Build() override;
    void ButtonClicked(UINT id) override;
    [[nodiscard]] HWND FirstFocus() const noexcept override { return ok_button_; }
    LRESULT OtherMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void BuildBanner();
    void BuildLabels();
    void BuildButton();
    [[nodiscard]] RECT PlaceOf(AboutControl id) const;
    void Image1Click();
    void Label4Click();

    HWND application_;
    ShellApi& shell_;
    UniqueHFont font_;
    UniqueHFont bold_font_;
    LayoutScale scale_;
    UniqueHBitmap banner_bitmap_;

    Panel banner_frame_;
    PictureBox banner_;
    Label web_address_, product_line_, maker_line_, email_;
    HWND ok_button_ = nullptr;
};

}  // namespace nimbara
