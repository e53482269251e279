#include "about/about_dialog.h"

#include <string>

#include "resources/resource_ids.h"
#include "resources/version.h"

namespace nimbara {

namespace {

// The maker's addresses, short enough for their fixed-width labels in "宋体" at 12 pixels:
// 24 half-width characters of 6 pixels fill the web address's 144, and "E-mail:" with
// the address, 24 bold ones of 7 pixels, fill the e-mail line's 168.
constexpr wchar_t kWebPage[] = L"http://www.nimbara.test/";
constexpr wchar_t kEmail[] = L"help@nimbara.test";
constexpr wchar_t kMailtoPrefix[] = L"mailto:";
constexpr wchar_t kProductLine[] = L"Nimbara v" NIMBARA_FULL_VERSION_TEXT;
constexpr wchar_t kMakerLine[] = L"Nimbara 工作室 出品";
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

HCURSOR HandCursor() { return ::LoadCursorW(nullptr, IDC_HAND); }

}  // namespace

AboutDialog::AboutDialog(HWND application_window, ShellApi& shell)
    : ModalDialog(kAboutWindow.place), application_(application_window), shell_(shell) {}

AboutDialog::~AboutDialog() {
    // The window goes first, while the controls' objects still exist.
    Destroy();
}

void AboutDialog::Build() {
    font_ = CreateSongTiFont();
    bold_font_ = CreateSongTiFont(true);
    scale_ = ScaleFor(font_.get());
    CreateDesigned(kAboutWindow, scale_, application_);
    BuildBanner();
    BuildLabels();
    BuildButton();
}

RECT AboutDialog::PlaceOf(AboutControl id) const {
    for (const LayoutRow& row : kAboutLayout) {
        if (row.id == UINT(id)) return Scaled(scale_, row.place);
    }
    return RECT{};
}

void AboutDialog::BuildBanner() {
    banner_bitmap_.reset(
        static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const RECT at = PlaceOf(AboutControl::kBannerFrame);
    const SIZE picture{scale_(kBannerSize.cx), scale_(kBannerSize.cy)};
    const RECT frame{at.left, at.top, at.left + picture.cx + 2 * kBannerBevel,
                     at.top + picture.cy + 2 * kBannerBevel};
    banner_frame_.Create(hwnd(), UINT(AboutControl::kBannerFrame), frame, L"",
                         {.outer = Bevel::kLowered, .show_caption = false}, font_.get());
    banner_.Create(
        banner_frame_.hwnd(), UINT(AboutControl::kBanner),
        RECT{kBannerBevel, kBannerBevel, kBannerBevel + picture.cx, kBannerBevel + picture.cy},
        banner_bitmap_.get(), HandCursor());
    banner_.on_click = [this] { Image1Click(); };
}

void AboutDialog::BuildLabels() {
    // Fixed-size, left-aligned labels on the dialog's own face colour.
    const LabelStyle link{
        .color = kLinkColor, .font = font_.get(), .transparent = false, .cursor = HandCursor()};
    const LabelStyle bold_text{.font = bold_font_.get(), .transparent = false};
    const LabelStyle bold_link{.color = kLinkColor,
                               .font = bold_font_.get(),
                               .transparent = false,
                               .cursor = HandCursor()};
    const std::wstring email_line = std::wstring(L"E-mail:") + kEmail;
    web_address_.Create(hwnd(), UINT(AboutControl::kWebAddress), PlaceOf(AboutControl::kWebAddress),
                        kWebPage, link);
    product_line_.Create(hwnd(), UINT(AboutControl::kProductLine),
                         PlaceOf(AboutControl::kProductLine), kProductLine, bold_text);
    maker_line_.Create(hwnd(), UINT(AboutControl::kMakerLine), PlaceOf(AboutControl::kMakerLine),
                       kMakerLine, bold_text);
    email_.Create(hwnd(), UINT(AboutControl::kEmail), PlaceOf(AboutControl::kEmail),
                  email_line.c_str(), bold_link);
    web_address_.on_click = [this] { Image1Click(); };
    email_.on_click = [this] { Label4Click(); };
}

void AboutDialog::BuildButton() {
    ok_button_ = CreateControl(ChildSpec(L"BUTTON", hwnd(), UINT(AboutControl::kOk),
                                         PlaceOf(AboutControl::kOk), L"确定",
                                         WS_TABSTOP | BS_DEFPUSHBUTTON));
    ::SendMessageW(ok_button_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void AboutDialog::Image1Click() {
    // Nothing is reported when no program takes the address: the dialog just
    // stays open.
    static_cast<void>(shell_.OpenAddress(hwnd(), kWebPage));
}

void AboutDialog::Label4Click() {
    static_cast<void>(shell_.OpenAddress(hwnd(), std::wstring(kMailtoPrefix) + kEmail));
}

void AboutDialog::ButtonClicked(UINT id) {
    if (id == UINT(AboutControl::kOk)) EndModal();
}

LRESULT AboutDialog::OtherMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // OK is the one control that takes the keyboard focus.
    if (msg == WM_SETFOCUS) {
        ::SetFocus(ok_button_);
        return 0;
    }
    return DefaultProc(msg, wp, lp);
}

}  // namespace nimbara
