// Commands that look at windows and the screen, and send them messages.
#include <cstdio>
#include <vector>

#include "probe.h"
#include "probe_output.h"

namespace probe {
namespace {

constexpr UINT kSendTimeoutMs = 2000;

std::string WindowEntry(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    LONG exstyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);  // the caption the system keeps; no message is sent
    return Json()
        .Hwnd("hwnd", hwnd)
        .Uint("pid", pid)
        .Str("class", ClassOf(hwnd))
        .Str("title", std::wstring(title))
        .Bool("visible", IsWindowVisible(hwnd) != FALSE)
        .Bool("enabled", IsWindowEnabled(hwnd) != FALSE)
        .Rect("rect", rect)
        .Uint("style", static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)))
        .Uint("exstyle", static_cast<DWORD>(exstyle))
        .Hwnd("owner", GetWindow(hwnd, GW_OWNER))
        .Bool("topmost", (exstyle & WS_EX_TOPMOST) != 0)
        .Text();
}

struct WindowList {
    DWORD only_pid = 0;
    std::vector<std::string> entries;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
    auto* list = reinterpret_cast<WindowList*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (!list->only_pid || pid == list->only_pid) list->entries.push_back(WindowEntry(hwnd));
    return TRUE;
}

std::string ChildEntry(HWND hwnd) {
    RECT rect = {}, client = {};
    GetWindowRect(hwnd, &rect);
    GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    OffsetRect(&client, origin.x, origin.y);
    return Json()
        .Hwnd("hwnd", hwnd)
        .Hwnd("parent", GetAncestor(hwnd, GA_PARENT))
        .Int("id", GetDlgCtrlID(hwnd))
        .Str("class", ClassOf(hwnd))
        .Str("text", WindowText(hwnd))
        .Bool("enabled", IsWindowEnabled(hwnd) != FALSE)
        .Bool("visible", IsWindowVisible(hwnd) != FALSE)
        .Rect("rect", rect)
        .Rect("client", client)
        .Uint("style", static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)))
        .Uint("exstyle", static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)))
        .Text();
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(ChildEntry(hwnd));
    return TRUE;
}

bool ParseMessageArgs(const Args& args, HWND* hwnd, UINT* msg, WPARAM* wparam, LPARAM* lparam) {
    int64_t m = 0, w = 0, l = 0;
    if (args.size() != 5 || !ParseHwnd(args[1], hwnd) || !ParseInt(args[2], &m) ||
        !ParseInt(args[3], &w) || !ParseInt(args[4], &l)) {
        return false;
    }
    *msg = static_cast<UINT>(m);
    *wparam = static_cast<WPARAM>(w);
    *lparam = static_cast<LPARAM>(l);
    return true;
}

BOOL CALLBACK FindEdit(HWND hwnd, LPARAM param) {
    std::wstring cls = ClassOf(hwnd);
    if (_wcsicmp(cls.c_str(), L"Edit") == 0 || _wcsnicmp(cls.c_str(), L"RichEdit", 8) == 0) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool WriteBmp(const std::wstring& path, int width, int height, const std::vector<BYTE>& rows) {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size());
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
              WriteFile(out, &info, sizeof info, &written, nullptr) &&
              WriteFile(out, rows.data(), static_cast<DWORD>(rows.size()), &written, nullptr);
    CloseHandle(out);
    return ok;
}

}  // namespace

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::wstring WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        return {};
    }
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied)) {
        return {};
    }
    return std::wstring(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
}

std::string WindowsCommand(State&, const Args& args) {
    WindowList list;
    int64_t pid = 0;
    if (args.size() > 2 || (args.size() == 2 && !ParseInt(args[1], &pid))) {
        return Failure("usage: windows [PID]");
    }
    list.only_pid = static_cast<DWORD>(pid);
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&list));
    return Json().Bool("ok", true).Raw("windows", JsonArray(list.entries)).Text();
}

std::string ChildrenCommand(State&, const Args& args) {
    HWND parent = nullptr;
    if (args.size() != 2 || !ParseHwnd(args[1], &parent)) return Failure("usage: children HWND");
    if (!IsWindow(parent)) return Failure("no such window");
    std::vector<std::string> entries;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&entries));
    return Json().Bool("ok", true).Raw("children", JsonArray(entries)).Text();
}

std::string FindCommand(State&, const Args& args) {
    if (args.size() < 2 || args.size() > 3) return Failure("usage: find CLASS [TITLE]");
    // "*" stands for any class, so a window can be found by its title alone.
    const wchar_t* cls = args[1] == L"*" ? nullptr : args[1].c_str();
    const wchar_t* title = args.size() == 3 ? args[2].c_str() : nullptr;
    return Json().Bool("ok", true).Hwnd("hwnd", FindWindowW(cls, title)).Text();
}

std::string ForegroundCommand(State&, const Args&) {
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    DWORD tid = fg ? GetWindowThreadProcessId(fg, &pid) : 0;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!tid || !GetGUIThreadInfo(tid, &info)) info = GUITHREADINFO{};
    wchar_t title[512] = {};
    if (fg) GetWindowTextW(fg, title, 512);
    return Json()
        .Bool("ok", true)
        .Hwnd("hwnd", fg)
        .Uint("pid", pid)
        .Str("class", fg ? ClassOf(fg) : std::wstring())
        .Str("title", std::wstring(title))
        .Hwnd("active", info.hwndActive)
        .Hwnd("focus", info.hwndFocus)
        .Hwnd("capture", info.hwndCapture)
        .Uint("flags", info.flags)
        .Text();
}

std::string SendCommand(State&, const Args& args) {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    if (!ParseMessageArgs(args, &hwnd, &msg, &wparam, &lparam)) {
        return Failure("usage: send HWND MSG WPARAM LPARAM");
    }
    DWORD_PTR result = 0;
    SetLastError(0);
    if (!SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result)) {
        return FailureWithCode("not answered", GetLastError());
    }
    return Json().Bool("ok", true).Int("result", static_cast<LONG_PTR>(result)).Text();
}

// Waits until the process has finished its start-up and waits for input in its message loop
// (WaitForInputIdle): a program's first window can exist long before its creation steps are done.
std::string IdleCommand(State&, const Args& args) {
    int64_t pid = 0, ms = 60000;
    if (args.size() < 2 || args.size() > 3 || !ParseInt(args[1], &pid) ||
        (args.size() == 3 && (!ParseInt(args[2], &ms) || ms < 0))) {
        return Failure("usage: idle PID [MS]");
    }
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return FailureWithCode("cannot open the process", GetLastError());
    const DWORD result = WaitForInputIdle(process, static_cast<DWORD>(ms));
    const DWORD error = result == WAIT_FAILED ? GetLastError() : 0;
    CloseHandle(process);
    if (result == WAIT_TIMEOUT) return Failure("not idle in time");
    if (result == WAIT_FAILED) return FailureWithCode("cannot wait for the process", error);
    return Json().Bool("ok", true).Text();
}

std::string PostCommand(State&, const Args& args) {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    if (!ParseMessageArgs(args, &hwnd, &msg, &wparam, &lparam)) {
        return Failure("usage: post HWND MSG WPARAM LPARAM");
    }
    if (!PostMessageW(hwnd, msg, wparam, lparam))
        return FailureWithCode("not posted", GetLastError());
    return Json().Bool("ok", true).Text();
}

std::string ActivateCommand(State&, const Args& args) {
    HWND hwnd = nullptr;
    if (args.size() != 2 || !ParseHwnd(args[1], &hwnd)) return Failure("usage: activate HWND");
    BOOL done = SetForegroundWindow(hwnd);
    return Json()
        .Bool("ok", true)
        .Bool("result", done != FALSE)
        .Hwnd("foreground", GetForegroundWindow())
        .Text();
}

std::string EditTextCommand(State&, const Args& args) {
    HWND hwnd = nullptr;
    if (args.size() != 2 || !ParseHwnd(args[1], &hwnd)) return Failure("usage: edit-text HWND");
    if (!IsWindow(hwnd)) return Failure("no such window");
    HWND edit = nullptr;
    if (!FindEdit(hwnd, reinterpret_cast<LPARAM>(&edit))) {
        edit = hwnd;
    } else {
        EnumChildWindows(hwnd, FindEdit, reinterpret_cast<LPARAM>(&edit));
    }
    if (!edit) return Failure("no edit control");
    return Json().Bool("ok", true).Hwnd("hwnd", edit).Str("text", WindowText(edit)).Text();
}

std::string PixelCommand(State&, const Args& args) {
    int64_t x = 0, y = 0;
    if (args.size() != 3 || !ParseInt(args[1], &x) || !ParseInt(args[2], &y)) {
        return Failure("usage: pixel X Y");
    }
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, static_cast<int>(x), static_cast<int>(y));
    ReleaseDC(nullptr, screen);
    if (color == CLR_INVALID) return Failure("outside the screen");
    char rgb[8];
    std::snprintf(rgb, sizeof rgb, "%02x%02x%02x", GetRValue(color), GetGValue(color),
                  GetBValue(color));
    return Json()
        .Bool("ok", true)
        .Str("rgb", std::string(rgb))
        .Int("r", GetRValue(color))
        .Int("g", GetGValue(color))
        .Int("b", GetBValue(color))
        .Text();
}

std::string GrabCommand(State&, const Args& args) {
    int64_t x = 0, y = 0, w = 0, h = 0;
    if (args.size() != 6 || !ParseInt(args[1], &x) || !ParseInt(args[2], &y) ||
        !ParseInt(args[3], &w) || !ParseInt(args[4], &h) || w <= 0 || h <= 0 || w > 16384 ||
        h > 16384) {
        return Failure("usage: grab X Y W H FILE.bmp");
    }
    int width = static_cast<int>(w), height = static_cast<int>(h);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, width, height, screen, static_cast<int>(x),
                         static_cast<int>(y), SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a .bmp file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<BYTE> rows(stride * static_cast<size_t>(height));
    int lines = GetDIBits(memory, bitmap, 0, height, rows.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied || lines != height) return Failure("cannot copy the screen");
    if (!WriteBmp(args[5], width, height, rows))
        return FailureWithCode("cannot write", GetLastError());
    return Json().Bool("ok", true).Int("width", width).Int("height", height).Text();
}

}  // namespace probe

namespace probe {
namespace {

LRESULT CALLBACK SwatchProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        HBRUSH brush =
            CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        RECT all;
        GetClientRect(hwnd, &all);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &paint);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

std::string ScreenCommand(State&, const Args&) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return Json()
        .Bool("ok", true)
        .Int("width", GetSystemMetrics(SM_CXSCREEN))
        .Int("height", GetSystemMetrics(SM_CYSCREEN))
        .Int("dpi", dpi)
        .Rect("work_area", work)
        .Hwnd("desktop", GetDesktopWindow())
        .Hwnd("shell", GetShellWindow())
        .Uint("acp", GetACP())
        .Text();
}

// A topmost window of one colour that never takes activation: a known spot on the screen.
std::string SwatchCommand(State& state, const Args& args) {
    int64_t x = 0, y = 0, w = 0, h = 0;
    unsigned int rgb = 0;
    if (args.size() != 6 || !ParseInt(args[1], &x) || !ParseInt(args[2], &y) ||
        !ParseInt(args[3], &w) || !ParseInt(args[4], &h) || w <= 0 || h <= 0 ||
        swscanf(args[5].c_str(), L"%x", &rgb) != 1) {
        return Failure("usage: swatch X Y W H RRGGBB");
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = SwatchProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NimbaraProbeSwatch";
    RegisterClassW(&wc);  // fails harmlessly when already registered
    HWND swatch = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                  wc.lpszClassName, L"swatch", WS_POPUP, static_cast<int>(x),
                                  static_cast<int>(y), static_cast<int>(w), static_cast<int>(h),
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (!swatch) return FailureWithCode("cannot create the swatch", GetLastError());
    SetWindowLongPtrW(swatch, GWLP_USERDATA,
                      static_cast<LONG_PTR>(RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255)));
    ShowWindow(swatch, SW_SHOWNOACTIVATE);
    UpdateWindow(swatch);
    state.swatches.push_back(swatch);
    return Json().Bool("ok", true).Hwnd("hwnd", swatch).Text();
}

std::string UnswatchCommand(State& state, const Args&) {
    for (HWND swatch : state.swatches) DestroyWindow(swatch);
    size_t removed = state.swatches.size();
    state.swatches.clear();
    return Json().Bool("ok", true).Uint("removed", removed).Text();
}

}  // namespace probe
