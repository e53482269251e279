// Opening an address the way a double click in the shell would: a web page in
// the default browser, a "mailto:" address in the default mail program. Behind
// an interface so that tests can record what would have been opened.
#pragma once

#include <windows.h>

#include <string>

namespace nimbara {

class ShellApi {
public:
    virtual ~ShellApi() = default;

    // Runs the default action (no verb) of `address`, shown normally, with
    // `owner` as the parent of anything the shell shows. True when the shell
    // says it started a program for the address.
    [[nodiscard]] virtual bool OpenAddress(HWND owner, const std::wstring& address) = 0;
};

// The real shell (ShellExecuteW).
ShellApi& SystemShell();

}  // namespace nimbara
