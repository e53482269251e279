#include "platform/input.h"

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/handles.h"
#include "platform/window.h"

namespace nimbara {

namespace {

// DWMWA_CLOAKED: Windows 8 and later answer it; Windows 7 has no such attribute.
constexpr DWORD kCloakedAttribute = 14;

bool IsCloaked(HWND window) {
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    // Loaded once and kept to the end of the process, like any DLL the program imports.
    static const GetAttribute get = [] {
        wchar_t directory[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return GetAttribute{};
        HMODULE dwm = ::LoadLibraryW((std::wstring(directory) + L"\\dwmapi.dll").c_str());
        return dwm ? reinterpret_cast<GetAttribute>(
                         reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmGetWindowAttribute")))
                   : GetAttribute{};
    }();
    DWORD cloaked = 0;
    return get && SUCCEEDED(get(window, kCloakedAttribute, &cloaked, sizeof(cloaked))) &&
           cloaked != 0;
}

// The mandatory level of a process's token (the last sub-authority of its label), or
// nothing when the token cannot be opened or read.
std::optional<DWORD> IntegrityLevelOf(HANDLE process) {
    HANDLE token_handle = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token_handle)) return std::nullopt;
    const UniqueKernelHandle token(token_handle);
    DWORD size = 0;
    static_cast<void>(::GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size));
    if (size < sizeof(TOKEN_MANDATORY_LABEL)) return std::nullopt;
    std::vector<std::uint8_t> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size))
        return std::nullopt;
    const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    if (!sid || !::IsValidSid(sid) || *::GetSidSubAuthorityCount(sid) == 0) return std::nullopt;
    return *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1u);
}

Integrity IntegrityAgainstOurs(HWND window) {
    // This program's own level unread (not expected on Windows): nothing to compare with,
    // and no reason to believe the other window is above it.
    static const std::optional<DWORD> ours = IntegrityLevelOf(::GetCurrentProcess());
    if (!ours) return Integrity::kNotAbove;
    DWORD process_id = 0;
    ::GetWindowThreadProcessId(window, &process_id);
    const UniqueKernelHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
    if (!process) return Integrity::kUnknown;
    const std::optional<DWORD> theirs = IntegrityLevelOf(process.get());
    if (!theirs) return Integrity::kUnknown;
    return *theirs > *ours ? Integrity::kAbove : Integrity::kNotAbove;
}

class Win32Input final : public InputApi {
public:
    HWND Foreground() override { return ::GetForegroundWindow(); }
    WindowFacts Observe(HWND window) override {
        WindowFacts facts;
        if (!window || !::IsWindow(window)) return facts;
        facts.exists = true;
        facts.own_process = !BelongsToAnotherProcess(window);
        const auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
        const auto ex_style = static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE));
        facts.child = (style & WS_CHILD) != 0;
        facts.visible = ::IsWindowVisible(window) != FALSE;
        facts.cloaked = IsCloaked(window);
        facts.minimised = ::IsIconic(window) != FALSE;
        facts.tool_window = (ex_style & WS_EX_TOOLWINDOW) != 0;
        facts.no_activate = (ex_style & WS_EX_NOACTIVATE) != 0;
        facts.desktop = window == ::GetDesktopWindow() || window == ::GetShellWindow();
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
        facts.class_name = name;
        if (!facts.own_process) facts.integrity = IntegrityAgainstOurs(window);
        return facts;
    }
    bool KeyIsDown(BYTE virtual_key) override {
        return (::GetAsyncKeyState(virtual_key) & 0x8000) != 0;
    }
    bool RequestForeground(HWND window) override {
        return window && ::SetForegroundWindow(window) != FALSE;
    }
    bool HasTakenForeground(HWND window) override {
        if (!window || ::GetForegroundWindow() != window) return false;
        GUITHREADINFO info{sizeof(info)};
        const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
        return ::GetGUIThreadInfo(thread, &info) && info.hwndActive == window;
    }
    UINT ScanCodeOf(UINT virtual_key) override {
        return ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    }
    void KeyEvent(BYTE virtual_key, BYTE scan_code, DWORD flags) override {
        ::keybd_event(virtual_key, scan_code, flags, 0);
    }
    void WaitBriefly(DWORD milliseconds) override {
        // Only messages sent by other threads are handled here: no click, timer or
        // notice of this program runs in the middle of a paste-back.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_SENDMESSAGE, 0);
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
};

}  // namespace

InputApi& SystemInput() {
    static Win32Input input;
    return input;
}

namespace {
ForegroundWatch* g_watch = nullptr;  // the hook's callback carries no context of its own
}  // namespace

ForegroundWatch::ForegroundWatch(std::function<void(HWND, DWORD)> on_change)
    : on_change_(std::move(on_change)) {
    g_watch = this;
    // Failing, it leaves the other moments at which the program looks at the
    // foreground window (the hotkey, a tray click, a click on a tile).
    hook_ = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &Proc, 0,
                              0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

ForegroundWatch::~ForegroundWatch() {
    if (hook_) ::UnhookWinEvent(hook_);
    if (g_watch == this) g_watch = nullptr;
}

void CALLBACK ForegroundWatch::Proc(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child,
                                    DWORD, DWORD event_time) {
    if (!g_watch || object != OBJID_WINDOW || child != CHILDID_SELF || !g_watch->on_change_) return;
    try {
        g_watch->on_change_(window, event_time);
    } catch (...) {
        ReportCurrentException();
    }
}

}  // namespace nimbara
