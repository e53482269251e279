// The yardstick of the start-up figure: a program that creates one window and joins
// the clipboard viewer chain, so that its start is seen exactly as Nimbara's is.
#include <windows.h>

namespace {

HWND g_next = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DRAWCLIPBOARD:
            if (g_next) ::SendNotifyMessageW(g_next, msg, wp, lp);
            return 0;
        case WM_CHANGECBCHAIN:
            if (reinterpret_cast<HWND>(wp) == g_next) {
                g_next = reinterpret_cast<HWND>(lp);
            } else if (g_next) {
                ::SendNotifyMessageW(g_next, msg, wp, lp);
            }
            return 0;
        case WM_CLOSE:
            ::ChangeClipboardChain(hwnd, g_next);
            ::DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"NimbaraBenchMinimal";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"minimal", WS_POPUP, 0, 0, 100, 100,
                                  nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    g_next = ::SetClipboardViewer(hwnd);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
