// The tray icon against the real window system, with the shell call observed
// through a recording ShellNotifyApi: what each assignment sends, the deferred
// refresh, the delete at destruction, the re-add when the shell announces a new
// notification area, and how the shell's mouse notices become events and the menu.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "platform/shell_notify.h"
#include "tray/tray_icon.h"

namespace nimbara {
namespace {

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAA record;
};

// Records every call with a copy of the bytes the shell would read.
class RecordingShell final : public ShellNotifyApi {
public:
    bool NotifyIcon(DWORD message, NOTIFYICONDATAA& record) override {
        ShellCall call{message, {}};
        std::memcpy(&call.record, &record, std::min<std::size_t>(record.cbSize, sizeof(record)));
        calls.push_back(call);
        return succeed;
    }
    [[nodiscard]] std::size_t Count(DWORD message) const {
        std::size_t n = 0;
        for (const ShellCall& c : calls) n += c.message == message;
        return n;
    }

    std::vector<ShellCall> calls;
    bool succeed = true;
};

// The hidden window, as the shell learns it from the record.
HWND NotifyWindowOf(const RecordingShell& shell) {
    return shell.calls.empty() ? nullptr : shell.calls.front().record.hWnd;
}

[[nodiscard]] bool RefreshQueued(HWND hwnd) {
    MSG msg;
    return ::PeekMessageW(&msg, hwnd, kTrayDeferredRefresh, kTrayDeferredRefresh, PM_NOREMOVE);
}

void DispatchWaiting() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

// An active icon with everything the add queued already handled.
void Activate(TrayIcon& tray) {
    tray.SetActive(true);
    DispatchWaiting();
}

std::string Repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

const std::string kZhong = "\xD6\xD0";  // "中" in code page 936

TEST(TrayIconRecord, AddFillsTheFirstVersionRecord) {
    RecordingShell shell;
    TrayIcon tray(shell);
    ASSERT_TRUE(shell.calls.empty()) << "construction adds nothing";
    tray.SetActive(true);
    ASSERT_EQ(shell.calls.size(), 1u);
    const ShellCall& add = shell.calls[0];
    EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.record.cbSize, 88u);
    EXPECT_TRUE(::IsWindow(add.record.hWnd));
    EXPECT_FALSE(::IsWindowVisible(add.record.hWnd));
    EXPECT_TRUE(static_cast<DWORD>(::GetWindowLongW(add.record.hWnd, GWL_STYLE)) & WS_POPUP);
    EXPECT_TRUE(::GetWindowLongW(add.record.hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(::GetParent(add.record.hWnd), nullptr);
    EXPECT_EQ(add.record.uID, 0u);
    EXPECT_EQ(add.record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.record.uCallbackMessage, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(add.record.hIcon, nullptr) << "the icon object is still empty";
    EXPECT_STREQ(add.record.szTip, "");
    DispatchWaiting();
}

TEST(TrayIconToolTip, KeepsAtMost62Bytes) {
    struct Case {
        const char* name;
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"empty", "", ""},
        {"short", "Nimbara", "Nimbara"},
        {"62 bytes", std::string(62, 'a'), std::string(62, 'a')},
        {"63 bytes", std::string(63, 'b'), std::string(62, 'b')},
        {"far longer", std::string(300, 'c'), std::string(62, 'c')},
        {"double-byte character split", std::string(61, 'd') + kZhong,
         std::string(61, 'd') + "\xD6"},
        {"31 double-byte characters", Repeat(kZhong, 40), Repeat(kZhong, 31)},
    };
    for (const Case& c : cases) {
        RecordingShell shell;
        TrayIcon tray(shell);
        Activate(tray);
        shell.calls.clear();
        tray.SetToolTip(c.text);
        EXPECT_EQ(tray.tool_tip(), c.shown) << c.name;
        ASSERT_EQ(shell.calls.size(), 1u) << c.name;
        EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_MODIFY)) << c.name;
        EXPECT_EQ(std::string(shell.calls[0].record.szTip), c.shown) << c.name;
    }
}

TEST(TrayIconActive, TheSameValueAgainSendsNothing) {
    RecordingShell shell;
    TrayIcon tray(shell);
    tray.SetActive(false);
    EXPECT_TRUE(shell.calls.empty());
    tray.SetActive(true);
    tray.SetActive(true);
    EXPECT_EQ(shell.calls.size(), 1u);
    tray.SetActive(false);
    tray.SetActive(false);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(shell.calls[1].record.hWnd, shell.calls[0].record.hWnd);
    EXPECT_FALSE(tray.active());
    DispatchWaiting();
}

TEST(TrayIconIcon, OwnIconObjectSendsNothing) {
    RecordingShell shell;
    TrayIcon tray(shell);
    Activate(tray);
    HICON source = ::LoadIconW(nullptr, IDI_APPLICATION);
    tray.SetIcon(source);
    ASSERT_NE(tray.icon(), nullptr);
    EXPECT_NE(tray.icon(), source) << "the image is copied into the component's own icon";
    ASSERT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(shell.calls.back().record.hIcon, tray.icon());
    const std::size_t before = shell.calls.size();
    const HICON own = tray.icon();
    tray.SetIcon(own);
    EXPECT_EQ(shell.calls.size(), before);
    EXPECT_EQ(tray.icon(), own);
}

TEST(TrayIconInactive, AssignmentsSendNothingAndShowAtTheNextAdd) {
    RecordingShell shell;
    TrayIcon tray(shell);
    tray.SetIcon(::LoadIconW(nullptr, IDI_APPLICATION));
    tray.SetToolTip(std::string(70, 'n'));
    EXPECT_TRUE(shell.calls.empty());
    tray.SetActive(true);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(shell.calls[0].record.hIcon, tray.icon());
    EXPECT_NE(tray.icon(), nullptr);
    EXPECT_EQ(std::string(shell.calls[0].record.szTip), std::string(62, 'n'));
    EXPECT_FALSE(RefreshQueued(shell.calls[0].record.hWnd)) << "the add had a tooltip";
}

TEST(TrayIconShowDesigning, ReadsFalseAtRunTime) {
    for (const bool active : {false, true}) {
        RecordingShell shell;
        TrayIcon tray(shell);
        if (active) Activate(tray);
        const std::size_t before = shell.calls.size();
        tray.SetShowDesigning(true);
        EXPECT_FALSE(tray.show_designing());
        EXPECT_EQ(shell.calls.size(), before);
    }
}

// The main window's order: Active first, so the add goes out without an image and
// the Icon assignment shows it; the deferred refresh applies the tooltip once more.
TEST(TrayIconDeferredRefresh, AddWithoutToolTipPostsOneRefresh) {
    RecordingShell shell;
    TrayIcon tray(shell);
    tray.SetActive(true);
    const HWND hidden = NotifyWindowOf(shell);
    ASSERT_TRUE(RefreshQueued(hidden));
    tray.SetIcon(::LoadIconW(nullptr, IDI_APPLICATION));
    tray.SetToolTip("");
    ASSERT_EQ(shell.calls.size(), 3u);
    EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(shell.calls[0].record.hIcon, nullptr);
    EXPECT_EQ(shell.calls[1].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(shell.calls[1].record.hIcon, tray.icon());
    DispatchWaiting();
    ASSERT_EQ(shell.calls.size(), 4u);
    EXPECT_EQ(shell.calls[3].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(shell.calls[3].record.hIcon, tray.icon());
    EXPECT_STREQ(shell.calls[3].record.szTip, "");
    EXPECT_FALSE(RefreshQueued(hidden));
}

TEST(TrayIconDestruction, DeletesAnActiveIconOnly) {
    for (const bool active : {true, false}) {
        RecordingShell shell;
        HWND hidden = nullptr;
        {
            TrayIcon tray(shell);
            tray.SetActive(true);
            hidden = NotifyWindowOf(shell);
            if (!active) tray.SetActive(false);
            DispatchWaiting();
            shell.calls.clear();
        }
        if (active) {
            ASSERT_EQ(shell.calls.size(), 1u);
            EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_DELETE));
            EXPECT_EQ(shell.calls[0].record.hWnd, hidden);
            EXPECT_EQ(shell.calls[0].record.uID, 0u);
            EXPECT_FALSE(::IsWindow(hidden)) << "the hidden window goes with the component";
        } else {
            EXPECT_TRUE(shell.calls.empty());
        }
    }
}

// A restarted shell builds a new notification area and tells every top-level window
// with the registered message "TaskbarCreated"; the icon is added again.
TEST(TrayIconTaskbarCreated, AnActiveIconIsAddedAgain) {
    const UINT taskbar_created = ::RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbar_created, 0u);
    RecordingShell shell;
    TrayIcon tray(shell);
    tray.SetIcon(::LoadIconW(nullptr, IDI_APPLICATION));
    Activate(tray);
    const HWND hidden = NotifyWindowOf(shell);
    shell.calls.clear();

    EXPECT_EQ(::SendMessageW(hidden, taskbar_created, 0, 0), 0);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(shell.calls[0].record.hIcon, tray.icon());
    DispatchWaiting();

    // Also when the first add failed because there was no notification area yet;
    // the shell broadcasts the message, and the broadcast reaches the hidden window.
    RecordingShell late;
    TrayIcon early(late);
    late.succeed = false;
    Activate(early);
    late.succeed = true;
    late.calls.clear();
    shell.calls.clear();
    ASSERT_TRUE(::PostMessageW(HWND_BROADCAST, taskbar_created, 0, 0));
    DispatchWaiting();
    EXPECT_EQ(late.Count(NIM_ADD), 1u);
    EXPECT_EQ(shell.Count(NIM_ADD), 1u);
    DispatchWaiting();

    tray.SetActive(false);
    shell.calls.clear();
    ::SendMessageW(hidden, taskbar_created, 0, 0);
    EXPECT_TRUE(shell.calls.empty()) << "an inactive icon stays away";
}

// Events as the tests see them, in order.
struct EventLog {
    std::vector<std::string> events;
    POINT right_click_at{-1, -1};

    void Attach(TrayIcon& tray) {
        tray.on_click = [this](TrayIcon& sender) { Note(sender, "click"); };
        tray.on_dbl_click = [this](TrayIcon& sender) { Note(sender, "dblclick"); };
        tray.on_right_click = [this](TrayIcon& sender, POINT cursor) {
            Note(sender, "rightclick");
            right_click_at = cursor;
        };
    }
    void Note(TrayIcon& sender, const char* what) {
        events.emplace_back(sender_ == &sender ? what : "wrong sender");
    }
    TrayIcon* sender_ = nullptr;
};

// Closes any popup menu that shows while a notice is handled and remembers what it
// saw then. Runs from a thread timer, which the menu's own loop dispatches.
struct MenuWatch {
    bool seen = false;
    RECT menu_rect{};
    HWND foreground = nullptr;
    std::vector<WPARAM> keys;  // typed into the menu instead of closing it

    static MenuWatch* current;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND menu = ::FindWindowW(L"#32768", nullptr);
        if (!menu || !::IsWindowVisible(menu) || !current || current->seen) return;
        current->seen = true;
        ::GetWindowRect(menu, &current->menu_rect);
        current->foreground = ::GetForegroundWindow();
        if (current->keys.empty()) {
            ::EndMenu();
        } else {
            for (WPARAM key : current->keys) ::PostMessageW(menu, WM_KEYDOWN, key, 0);
        }
        ::KillTimer(nullptr, id);
    }
    MenuWatch() {
        current = this;
        timer_ = ::SetTimer(nullptr, 0, 50, &Tick);
    }
    ~MenuWatch() {
        ::KillTimer(nullptr, timer_);
        current = nullptr;
    }
    UINT_PTR timer_ = 0;
};
MenuWatch* MenuWatch::current = nullptr;

// A stand-in for the application window: never shown, gets the menu's commands.
class CommandTarget {
public:
    CommandTarget() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrayTestCommandTarget";
        ::RegisterClassW(&wc);
        hwnd_.reset(::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, wc.hInstance, nullptr));
        commands().clear();
        early().clear();
    }
    [[nodiscard]] HWND get() const { return hwnd_.get(); }
    static std::vector<WORD>& commands() {
        static std::vector<WORD> c;
        return c;
    }
    // Messages posted before the right click, with whether a menu showed then.
    static std::vector<bool>& early() {
        static std::vector<bool> e;
        return e;
    }
    static constexpr UINT kEarly = WM_APP + 7;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_COMMAND) commands().push_back(LOWORD(w));
        if (m == kEarly) {
            HWND menu = ::FindWindowW(L"#32768", nullptr);
            early().push_back(menu && ::IsWindowVisible(menu));
        }
        return ::DefWindowProcW(h, m, w, l);
    }
    UniqueHwnd hwnd_;
};

// The window of another program the user works in, on a thread of its own that takes a
// while over each activation, as a busy program does.
struct SlowToActivate {
    SlowToActivate() {
        activations = 0;
        // Told by an event, not a future: the clang build's runtime links no std::call_once.
        const UniqueKernelHandle made(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        thread = std::thread([this, event = made.get()] {
            const WNDCLASSW wc{.lpfnWndProc = &Proc,
                               .hInstance = ::GetModuleHandleW(nullptr),
                               .lpszClassName = L"TrayTestSlowToActivate"};
            ::RegisterClassW(&wc);
            hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 10, 10, 40,
                                     40, nullptr, nullptr, wc.hInstance, nullptr);
            ::SetEvent(event);
            for (MSG msg; ::GetMessageW(&msg, nullptr, 0, 0) > 0;) ::DispatchMessageW(&msg);
        });
        ::WaitForSingleObject(made.get(), INFINITE);
    }
    ~SlowToActivate() {
        ::PostThreadMessageW(::GetWindowThreadProcessId(hwnd, nullptr), WM_QUIT, 0, 0);
        thread.join();
    }
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_ACTIVATE && LOWORD(w) != WA_INACTIVE) ::Sleep(100), ++activations;
        return ::DefWindowProcW(h, m, w, l);
    }
    static inline std::atomic<int> activations = 0;  // handled to their end
    std::thread thread;
    HWND hwnd = nullptr;
};

class TrayIconMouse : public ::testing::Test {
protected:
    void SetUp() override {
        Activate(tray_);  // the add names the hidden window
        hidden_ = NotifyWindowOf(shell_);
        ASSERT_TRUE(::IsWindow(hidden_));
        log_.sender_ = &tray_;
        log_.Attach(tray_);
    }
    LRESULT Notice(UINT mouse_message) {
        return ::SendMessageW(hidden_, kTrayCallbackMessage, 0, mouse_message);
    }

    RecordingShell shell_;
    TrayIcon tray_{shell_};
    HWND hidden_ = nullptr;
    EventLog log_;
};

TEST_F(TrayIconMouse, EachNoticeGivesItsEvent) {
    struct Case {
        const char* name;
        UINT message;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {"left release", WM_LBUTTONUP, {"click"}},
        {"left double click", WM_LBUTTONDBLCLK, {"dblclick"}},
        {"right release", WM_RBUTTONUP, {"rightclick"}},
        {"move", WM_MOUSEMOVE, {}},
        {"left press", WM_LBUTTONDOWN, {}},
        {"right press", WM_RBUTTONDOWN, {}},
        {"right double click", WM_RBUTTONDBLCLK, {}},
        {"middle press", WM_MBUTTONDOWN, {}},
        {"middle release", WM_MBUTTONUP, {}},
        {"middle double click", WM_MBUTTONDBLCLK, {}},
    };
    // With a menu set, only the right release shows it.
    CommandTarget target;
    UniqueHMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 41, L"一(&A)");
    tray_.SetPopupMenu({.menu = menu.get(), .command_window = target.get()});
    for (const Case& c : cases) {
        log_.events.clear();
        MenuWatch watch;
        EXPECT_EQ(Notice(c.message), 0) << c.name;
        EXPECT_EQ(log_.events, c.events) << c.name;
        EXPECT_EQ(watch.seen, c.message == WM_RBUTTONUP) << c.name << ": the menu showed";
    }
}

TEST_F(TrayIconMouse, DoubleClickIsClickDoubleClickClick) {
    for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Notice(m);
    EXPECT_EQ(log_.events, (std::vector<std::string>{"click", "dblclick", "click"}));
}

TEST_F(TrayIconMouse, EventsUnsetDoNothing) {
    tray_.on_click = nullptr;
    tray_.on_dbl_click = nullptr;
    tray_.on_right_click = nullptr;
    for (UINT m : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP}) EXPECT_EQ(Notice(m), 0);
    EXPECT_TRUE(log_.events.empty());
}

TEST_F(TrayIconMouse, RightClickWithoutMenuStillReportsTheCursor) {
    ASSERT_TRUE(::SetCursorPos(140, 120));
    POINT cursor;
    ::GetCursorPos(&cursor);
    Notice(WM_RBUTTONUP);
    EXPECT_EQ(log_.events, std::vector<std::string>{"rightclick"});
    EXPECT_EQ(log_.right_click_at.x, cursor.x);
    EXPECT_EQ(log_.right_click_at.y, cursor.y);
}

// The user's window of another program gets the foreground back, and the command comes only
// once its thread has handled that activation (under Wine one still under way raises it on
// the X server over a window the command shows, and it takes that window's clicks).
TEST_F(TrayIconMouse, RightClickShowsTheMenuAtTheCursorThenReports) {
    CommandTarget target;
    UniqueHMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 41, L"一(&A)");
    ::AppendMenuW(menu.get(), MF_STRING, 42, L"二(&B)");
    tray_.SetPopupMenu({.menu = menu.get(), .command_window = target.get()});
    ASSERT_TRUE(::SetCursorPos(150, 110));
    POINT cursor;
    ::GetCursorPos(&cursor);
    SlowToActivate user;
    ::SetForegroundWindow(user.hwnd);
    for (int i = 0; i < 500 && SlowToActivate::activations == 0; ++i) ::Sleep(10);
    ASSERT_EQ(::GetForegroundWindow(), user.hwnd);
    bool menu_closed_at_report = false;
    tray_.on_right_click = [&](TrayIcon&, POINT at) {
        log_.events.emplace_back("rightclick");
        log_.right_click_at = at;
        HWND open = ::FindWindowW(L"#32768", nullptr);
        menu_closed_at_report = !open || !::IsWindowVisible(open);
    };
    // Waiting before the click: dispatched before the menu shows.
    ::PostMessageW(target.get(), CommandTarget::kEarly, 0, 0);
    MenuWatch watch;
    watch.keys = {VK_DOWN, VK_DOWN, VK_RETURN};  // the second item
    Notice(WM_RBUTTONUP);

    ASSERT_TRUE(watch.seen) << "the menu showed";
    EXPECT_EQ(watch.menu_rect.left, cursor.x) << "top-left corner at the cursor";
    EXPECT_EQ(watch.menu_rect.top, cursor.y);
    EXPECT_EQ(watch.foreground, target.get()) << "the command window was brought forward";
    EXPECT_EQ(CommandTarget::early(), std::vector<bool>{false});
    EXPECT_EQ(log_.events, std::vector<std::string>{"rightclick"});
    EXPECT_TRUE(menu_closed_at_report) << "the report comes after the menu has closed";
    EXPECT_EQ(log_.right_click_at.x, cursor.x);
    EXPECT_EQ(log_.right_click_at.y, cursor.y);
    EXPECT_EQ(::GetForegroundWindow(), user.hwnd);
    EXPECT_EQ(SlowToActivate::activations, 2) << "its activation was over at the return";
    EXPECT_TRUE(CommandTarget::commands().empty()) << "the command comes after the return";
    DispatchWaiting();
    EXPECT_EQ(CommandTarget::commands(), std::vector<WORD>{42});
}

TEST_F(TrayIconMouse, ClosingTheMenuChoosesNothing) {
    CommandTarget target;
    UniqueHMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 41, L"一(&A)");
    tray_.SetPopupMenu({.menu = menu.get(), .command_window = target.get()});
    MenuWatch watch;
    Notice(WM_RBUTTONUP);
    DispatchWaiting();
    EXPECT_TRUE(watch.seen);
    EXPECT_TRUE(CommandTarget::commands().empty());
    EXPECT_EQ(log_.events, std::vector<std::string>{"rightclick"});
}

// A quit request waiting when the right click comes is kept for the main loop,
// and no menu is shown for a program that is ending.
TEST_F(TrayIconMouse, AWaitingQuitIsKeptAndNoMenuShows) {
    CommandTarget target;
    UniqueHMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 41, L"一(&A)");
    tray_.SetPopupMenu({.menu = menu.get(), .command_window = target.get()});
    ::PostQuitMessage(3);
    Notice(WM_RBUTTONUP);
    EXPECT_EQ(log_.events, std::vector<std::string>{"rightclick"});
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
}  // namespace nimbara
