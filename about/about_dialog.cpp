#include "about/about_dialog.h"

#include <string>

#include "platform/modal.h"
#include "resources/resource_ids.h"
#include "resources/version.h"

namespace nimbara {

namespace {

constexpr wchar_t kAboutClass[] = L"TAboutForm";
constexpr wchar_t kCaption[] = L"关于";
// A fixed dialog border with only the close box. Topmost, because the main
// window it is opened from is topmost and would otherwise cover it.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST;
// Designed client area; the screen position is the designed one, not centred.
constexpr int kClientWidth = 242, kClientHeight = 185, kLeft = 394, kTop = 275;

// The maker's addresses: in a domain kept for tests, so no click reaches a
// stranger, and short enough for their fixed-width labels in "宋体" at 12 pixels:
// 24 half-width characters of 6 pixels fill Label1's 144, and "E-mail:" with the
// address, 24 bold ones of 7 pixels, fill Label4's 168.
constexpr wchar_t kWebPage[] = L"http://www.nimbara.test/";
constexpr wchar_t kEmail[] = L"help@nimbara.test";
constexpr wchar_t kMailtoPrefix[] = L"mailto:";
constexpr wchar_t kProductLine[] = L"Nimbara v" NIMBARA_FULL_VERSION_TEXT;
constexpr wchar_t kMakerLine[] = L"Nimbara 工作室 出品";
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

HCURSOR HandCursor() { return ::LoadCursorW(nullptr, IDC_HAND); }

RECT PlaceOf(int x, int y, SIZE size) { return RECT{x, y, x + size.cx, y + size.cy}; }

}  // namespace

AboutDialog::AboutDialog(HWND application_window, ShellApi& shell) : shell_(shell) {
    font_ = CreateSongTiFont();
    bold_font_ = CreateSongTiFont(true);
    scale_ = LayoutScale{MeasureTextHeight(font_.get()), kDesignedTextHeight};
    RegisterClassOnce(
        {.name = kAboutClass, .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    Window::Create(TopLevelSpec({.class_name = kAboutClass,
                                 .caption = kCaption,
                                 .style = kStyle,
                                 .ex_style = kExStyle,
                                 .place = {kLeft, kTop},
                                 .client = {kClientWidth, kClientHeight}},
                                scale_, application_window));
    BuildControls();
}

AboutDialog::~AboutDialog() {
    // The window goes first, while the controls' objects still exist.
    Destroy();
}

void AboutDialog::BuildControls() {
    BuildBanner();
    BuildLabels();
    BuildButton();
}

void AboutDialog::BuildBanner() {
    banner_.reset(
        static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    // The panel is sized to its picture: the picture plus the panel's 1-pixel bevel
    // on each side, so that rounding never leaves a gap between the two.
    const SIZE picture{scale_(220), scale_(60)};
    const SIZE framed{picture.cx + 2, picture.cy + 2};
    panel1_.Create(hwnd(), kPanel1Id, PlaceOf(scale_(9), scale_(9), framed), L"",
                   {.outer = Bevel::kLowered, .show_caption = false}, font_.get());
    image1_.Create(panel1_.hwnd(), kImage1Id, PlaceOf(1, 1, picture), banner_.get(), HandCursor());
    image1_.on_click = [this] { Image1Click(); };
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
    label1_.Create(hwnd(), kLabel1Id, scale_(46, 80, 144, 12), kWebPage, link);
    label2_.Create(hwnd(), kLabel2Id, scale_(33, 102, 177, 12), kProductLine, bold_text);
    label3_.Create(hwnd(), kLabel3Id, scale_(47, 120, 152, 12), kMakerLine, bold_text);
    label4_.Create(hwnd(), kLabel4Id, scale_(38, 135, 168, 12), email_line.c_str(), bold_link);
    label1_.on_click = [this] { Image1Click(); };
    label4_.on_click = [this] { Label4Click(); };
}

void AboutDialog::BuildButton() {
    bit_btn1_ = CreateControl(ChildSpec(L"BUTTON", hwnd(), kBitBtn1Id, scale_(80, 160, 81, 17),
                                        L"确定", WS_TABSTOP | BS_DEFPUSHBUTTON));
    ::SendMessageW(bit_btn1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void AboutDialog::ShowModal() {
    if (modal_) {
        // Already open further down this thread's stack: a second modal loop on
        // the same window would end with the first.
        ::SetForegroundWindow(hwnd());
        return;
    }
    struct ModalScope {
        bool& modal;
        explicit ModalScope(bool& m) : modal(m) { modal = true; }
        ~ModalScope() { modal = false; }
    } scope(modal_);
    done_ = false;
    RunModal(hwnd(), done_);
}

void AboutDialog::CloseModal() { done_ = true; }

void AboutDialog::Image1Click() {
    // Nothing is reported when no program takes the address: the dialog just
    // stays open.
    static_cast<void>(shell_.OpenAddress(hwnd(), kWebPage));
}

void AboutDialog::Label4Click() {
    static_cast<void>(shell_.OpenAddress(hwnd(), std::wstring(kMailtoPrefix) + kEmail));
}

LRESULT AboutDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            // "确定", by a click, the space bar or the Enter key.
            if (LOWORD(wp) == kBitBtn1Id && HIWORD(wp) == BN_CLICKED) CloseModal();
            return 0;
        case WM_CLOSE:
            // The close box hides the dialog; the object and its window stay for
            // the next opening.
            CloseModal();
            return 0;
        case WM_ACTIVATE:
            // "确定" is the one control that takes the keyboard focus.
            if (LOWORD(wp) != WA_INACTIVE) ::SetFocus(bit_btn1_);
            return 0;
        case WM_SETFOCUS:
            ::SetFocus(bit_btn1_);
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
