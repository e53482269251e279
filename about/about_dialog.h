// The About dialog, TAboutForm: the maker's banner, the product and version, and
// links to the maker's web page and e-mail address, opened through the shell.
// One object serves every opening; nothing in it changes once it is built.
#pragma once

#include <windows.h>

#include "platform/controls.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/panel.h"
#include "platform/shell_execute.h"
#include "platform/window.h"

namespace nimbara {

// Control identifiers, for readers from outside. "确定" is the dialog's OK, so
// the Enter key reaches it as well.
enum AboutControlId : UINT {
    kBitBtn1Id = IDOK,
    kPanel1Id = 101,
    kImage1Id = 102,
    kLabel1Id = 103,
    kLabel2Id = 104,
    kLabel3Id = 105,
    kLabel4Id = 106,
};

class AboutDialog : public Window {
public:
    // Builds the dialog hidden, owned by the application window.
    explicit AboutDialog(HWND application_window, ShellApi& shell = SystemShell());
    ~AboutDialog() override;

    // Shows the dialog modally until "确定" or the close box ends it. While it is
    // open, another opening only brings it to the front.
    void ShowModal();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void BuildControls();
    void BuildBanner();
    void BuildLabels();
    void BuildButton();
    void Image1Click();
    void Label4Click();
    void CloseModal();

    ShellApi& shell_;
    UniqueHFont font_;
    UniqueHFont bold_font_;
    LayoutScale scale_;
    UniqueHBitmap banner_;

    Panel panel1_;
    PictureBox image1_;
    Label label1_, label2_, label3_, label4_;
    HWND bit_btn1_ = nullptr;

    bool modal_ = false;
    bool done_ = false;
};

}  // namespace nimbara
