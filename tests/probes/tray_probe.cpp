// tray_probe.exe: what the tray tests need beyond probe.exe, done from outside
// the program the way another program or the shell would.
//   tray_probe delete-icon HWND      NIM_DELETE for (HWND, id 0), as a shell
//                                    losing its icons would
//   tray_probe taskbar-created       broadcasts the registered "TaskbarCreated"
//   tray_probe menu X Y HOLD_MS CHECKED CAPTION...
//                                    shows a popup menu with these captions ("-"
//                                    for a separator; CHECKED is the 1-based item
//                                    with a check mark, 0 for none) at X, Y until
//                                    a click away closes it, HOLD_MS at most; once
//                                    shown, prints each item's rectangle inside
//                                    the menu window: "item I L T R B"
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int DeleteIcon(const wchar_t* hwnd_text) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = reinterpret_cast<HWND>(std::wcstoul(hwnd_text, nullptr, 16));
    record.uID = 0;
    const BOOL ok = ::Shell_NotifyIconA(NIM_DELETE, &record);
    std::printf("deleted %d\n", ok ? 1 : 0);
    return ok ? 0 : 1;
}

int TaskbarCreated() {
    const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return ::PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
}

struct ShownMenu {
    HWND owner = nullptr;
    HMENU menu = nullptr;
} shown;

// Once the menu runs, prints where each item is inside the menu window, so the test
// can find the items of a menu it cannot read (one of another process).
VOID CALLBACK PrintItems(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    RECT window{};
    ::GetWindowRect(::FindWindowW(L"#32768", nullptr), &window);
    for (int i = 0; i < ::GetMenuItemCount(shown.menu); ++i) {
        RECT r{};
        ::GetMenuItemRect(nullptr, shown.menu, i, &r);
        std::printf("item %d %ld %ld %ld %ld\n", i, r.left - window.left, r.top - window.top,
                    r.right - window.left, r.bottom - window.top);
    }
    std::fflush(stdout);
}

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::EndMenu();
}

int ShowMenu(int argc, wchar_t** argv) {
    if (argc < 6) return 2;
    const int x = _wtoi(argv[2]), y = _wtoi(argv[3]), hold = _wtoi(argv[4]);
    const int checked = _wtoi(argv[5]);
    shown.menu = ::CreatePopupMenu();
    for (int i = 6; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"-") == 0) {
            ::AppendMenuW(shown.menu, MF_SEPARATOR, 0, nullptr);
        } else {
            const UINT flags = MF_STRING | (i - 5 == checked ? MF_CHECKED : 0);
            ::AppendMenuW(shown.menu, flags, 100 + i, argv[i]);
        }
    }
    shown.owner = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(shown.owner);
    ::SetTimer(nullptr, 0, 1, &PrintItems);
    ::SetTimer(nullptr, 0, hold, &CloseMenu);
    ::TrackPopupMenu(shown.menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, shown.owner, nullptr);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    if (command == L"delete-icon" && argc == 3) return DeleteIcon(argv[2]);
    if (command == L"taskbar-created") return TaskbarCreated();
    if (command == L"menu") return ShowMenu(argc, argv);
    return 2;
}
