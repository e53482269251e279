// The yardstick of the start-up figure: a program that creates one window and joins
// the clipboard viewer chain, so that its start is seen exactly as Nimbara's is.
// Started with "read", it is also the yardstick of the memory figure: a plain reader
// that reads every format of every change once, as Nimbara's capture does, and keeps
// nothing. What it gains over its idle is what the system's clipboard code keeps in a
// reader's process (Wine's user32 keeps a block on some reads), not the program's. It
// runs alone: a synthesised format that one reader made is on the clipboard for the
// next, which then pays nothing for it. Each change read sets the event NimbaraBenchRead.
#include <windows.h>

namespace {

HWND g_next = nullptr;
bool g_read = false;
HANDLE g_read_event = nullptr;
volatile BYTE g_sum = 0;

void ReadEveryFormat(HWND hwnd) {
    // The writer has closed the clipboard before the notice; a few tries all the same.
    bool opened = false;
    for (int tries = 0; tries < 50 && !(opened = ::OpenClipboard(hwnd)); ++tries) ::Sleep(2);
    if (!opened) return;  // no event: the feed notes the change as missed
    BYTE sum = 0;
    for (UINT format = ::EnumClipboardFormats(0); format; format = ::EnumClipboardFormats(format)) {
        HANDLE data = ::GetClipboardData(format);
        // Objects of the graphics system have no global block to read.
        if (!data || format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
            format == CF_DSPBITMAP || format == CF_DSPENHMETAFILE)
            continue;
        const SIZE_T size = ::GlobalSize(data);
        if (const BYTE* bytes = static_cast<const BYTE*>(::GlobalLock(data))) {
            for (SIZE_T i = 0; i < size; i += 4096) sum += bytes[i];
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    g_sum = sum;  // kept, so that the reads are not left out
    ::SetEvent(g_read_event);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DRAWCLIPBOARD:
            if (g_next) ::SendNotifyMessageW(g_next, msg, wp, lp);
            if (g_read) ReadEveryFormat(hwnd);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
    g_read = ::lstrcmpW(command_line, L"read") == 0;
    if (g_read) g_read_event = ::CreateEventW(nullptr, FALSE, FALSE, L"NimbaraBenchRead");
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
