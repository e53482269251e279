#include "platform/shell_execute.h"

#include <objbase.h>
#include <shellapi.h>

namespace nimbara {

namespace {

class SystemShellApi final : public ShellApi {
public:
    bool OpenAddress(HWND owner, const std::wstring& address) override {
        // The shell may hand the address to an extension that lives in COM, so
        // the calling thread must be in an apartment for the call.
        const HRESULT com =
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        const HINSTANCE result =
            ::ShellExecuteW(owner, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) ::CoUninitialize();
        // Not a real instance handle: values above 32 mean the program started.
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
};

}  // namespace

ShellApi& SystemShell() {
    static SystemShellApi shell;
    return shell;
}

}  // namespace nimbara
