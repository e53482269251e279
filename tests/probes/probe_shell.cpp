// Commands that read another program's window furniture: any window's text, a toolbar's
// buttons, which standard icon a static control shows, font metrics and system colours as the
// program under test would get them; and moving a window out of the way.
#include "probe.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "probe_output.h"

namespace probe {
namespace {

constexpr UINT kSendTimeoutMs = 2000;

// A block of memory inside another process: toolbar messages take pointers, which the system
// does not carry across processes for them.
class RemoteBlock {
public:
    RemoteBlock(DWORD pid, size_t size) : size_(size) {
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    [[nodiscard]] bool ok() const { return address_ != nullptr; }
    [[nodiscard]] LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
    [[nodiscard]] bool Read(void* out, size_t size) const {
        SIZE_T got = 0;
        return size <= size_ && ReadProcessMemory(process_, address_, out, size, &got) &&
               got == size;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_;
};

bool Ask(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, DWORD_PTR* result) {
    return SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               result) != 0;
}

std::string ButtonEntry(HWND toolbar, const TBBUTTON& button, const RECT& client_rect) {
    RECT screen = client_rect;
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&screen), 2);
    return Json()
        .Int("command", button.idCommand)
        .Int("image", button.iBitmap)
        .Uint("style", button.fsStyle)
        .Uint("state", button.fsState)
        .Bool("separator", (button.fsStyle & BTNS_SEP) != 0)
        .Rect("client", client_rect)
        .Rect("rect", screen)
        .Text();
}

struct StandardIcon {
    const wchar_t* id;
    const char* name;
};
const StandardIcon kStandardIcons[] = {
    {IDI_ERROR, "error"},       {IDI_WARNING, "warning"},         {IDI_INFORMATION, "information"},
    {IDI_QUESTION, "question"}, {IDI_APPLICATION, "application"},
};

// The pixels of a bitmap as 32-bit rows, for comparing one drawing with another.
std::vector<DWORD> PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// How many pixels of `shown` differ from `icon` drawn over the same background.
size_t IconDistance(HDC screen, HICON icon, const std::vector<DWORD>& shown, int width, int height,
                    COLORREF background) {
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    SelectObject(memory, old);
    std::vector<DWORD> drawn = PixelsOf(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    size_t distance = 0;
    for (size_t i = 0; i < drawn.size(); ++i) distance += drawn[i] != shown[i];
    return distance;
}

}  // namespace

std::string TextCommand(State&, const Args& args) {
    HWND hwnd = nullptr;
    if (args.size() != 2 || !ParseHwnd(args[1], &hwnd)) return Failure("usage: text HWND");
    if (!IsWindow(hwnd)) return Failure("no such window");
    return Json().Bool("ok", true).Str("text", WindowText(hwnd)).Text();
}

std::string ToolbarCommand(State&, const Args& args) {
    HWND toolbar = nullptr;
    if (args.size() != 2 || !ParseHwnd(args[1], &toolbar)) return Failure("usage: toolbar HWND");
    if (!IsWindow(toolbar)) return Failure("no such window");
    DWORD pid = 0;
    GetWindowThreadProcessId(toolbar, &pid);
    RemoteBlock block(pid, 4096);
    if (!block.ok()) return FailureWithCode("cannot reach the toolbar's process", GetLastError());
    DWORD_PTR count = 0, size = 0, tooltips = 0;
    if (!Ask(toolbar, TB_BUTTONCOUNT, 0, 0, &count) ||
        !Ask(toolbar, TB_GETBUTTONSIZE, 0, 0, &size) ||
        !Ask(toolbar, TB_GETTOOLTIPS, 0, 0, &tooltips)) {
        return FailureWithCode("toolbar did not answer", GetLastError());
    }
    std::vector<std::string> buttons;
    for (DWORD_PTR i = 0; i < count; ++i) {
        TBBUTTON button = {};
        RECT rect = {};
        DWORD_PTR done = 0;
        if (!Ask(toolbar, TB_GETBUTTON, i, block.address(), &done) || !done ||
            !block.Read(&button, sizeof button) ||
            !Ask(toolbar, TB_GETITEMRECT, i, block.address(), &done) || !done ||
            !block.Read(&rect, sizeof rect)) {
            return Failure("cannot read button " + std::to_string(i));
        }
        buttons.push_back(ButtonEntry(toolbar, button, rect));
    }
    return Json()
        .Bool("ok", true)
        .Int("button_width", LOWORD(size))
        .Int("button_height", HIWORD(size))
        .Hwnd("tooltips", reinterpret_cast<HWND>(tooltips))
        .Raw("buttons", JsonArray(buttons))
        .Text();
}

// Which of the system's standard icons a control shows, by drawing each over the control's own
// background and counting the pixels that differ from the screen.
std::string IconOfCommand(State&, const Args& args) {
    HWND control = nullptr;
    if (args.size() != 2 || !ParseHwnd(args[1], &control)) return Failure("usage: icon-of HWND");
    RECT client = {};
    if (!IsWindow(control) || !GetClientRect(control, &client)) return Failure("no such window");
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return Failure("empty control");
    POINT origin = {0, 0};
    ClientToScreen(control, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP grab = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, grab);
    BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, old);
    std::vector<DWORD> shown = PixelsOf(memory, grab, width, height);
    DeleteObject(grab);
    DeleteDC(memory);
    const DWORD corner = shown[0];
    const COLORREF background = RGB((corner >> 16) & 255, (corner >> 8) & 255, corner & 255);
    std::string best;
    size_t best_distance = static_cast<size_t>(-1);
    Json distances;
    for (const StandardIcon& standard : kStandardIcons) {
        HICON icon = LoadIconW(nullptr, standard.id);
        if (!icon) continue;
        size_t distance = IconDistance(screen, icon, shown, width, height, background);
        distances.Uint(standard.name, distance);
        if (distance < best_distance) {
            best_distance = distance;
            best = standard.name;
        }
    }
    ReleaseDC(nullptr, screen);
    return Json()
        .Bool("ok", true)
        .Str("icon", best)
        .Uint("pixels", static_cast<uint64_t>(width) * height)
        .Raw("distances", distances.Text())
        .Text();
}

std::string MoveCommand(State&, const Args& args) {
    HWND hwnd = nullptr;
    int64_t x = 0, y = 0, w = 0, h = 0;
    if (args.size() != 6 || !ParseHwnd(args[1], &hwnd) || !ParseInt(args[2], &x) ||
        !ParseInt(args[3], &y) || !ParseInt(args[4], &w) || !ParseInt(args[5], &h)) {
        return Failure("usage: move HWND X Y W H");
    }
    if (!SetWindowPos(hwnd, nullptr, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                      static_cast<int>(h), SWP_NOZORDER | SWP_NOACTIVATE)) {
        return FailureWithCode("cannot move", GetLastError());
    }
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return Json().Bool("ok", true).Rect("rect", rect).Text();
}

// A font made the way a program makes one at the system's DPI (POINTS high), measured on the
// screen: its text height and the extent of TEXT.
std::string FontCommand(State&, const Args& args) {
    int64_t points = 0, weight = 0, charset = 0;
    if (args.size() != 6 || !ParseInt(args[2], &points) || !ParseInt(args[3], &weight) ||
        !ParseInt(args[4], &charset)) {
        return Failure("usage: font FACE POINTS WEIGHT CHARSET TEXT");
    }
    HDC screen = GetDC(nullptr);
    LOGFONTW lf = {};
    lf.lfHeight = -MulDiv(static_cast<int>(points), GetDeviceCaps(screen, LOGPIXELSY), 72);
    lf.lfWeight = static_cast<LONG>(weight);
    lf.lfCharSet = static_cast<BYTE>(charset);
    wcsncpy(lf.lfFaceName, args[1].c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SIZE extent = {};
    GetTextExtentPoint32W(screen, args[5].c_str(), static_cast<int>(args[5].size()), &extent);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return Json()
        .Bool("ok", true)
        .Int("height", metrics.tmHeight)
        .Int("width", extent.cx)
        .Int("extent_height", extent.cy)
        .Str("face", std::wstring(face))
        .Text();
}

std::string SysColorCommand(State&, const Args& args) {
    int64_t index = 0;
    if (args.size() != 2 || !ParseInt(args[1], &index)) return Failure("usage: syscolor INDEX");
    COLORREF color = GetSysColor(static_cast<int>(index));
    return Json()
        .Bool("ok", true)
        .Int("r", GetRValue(color))
        .Int("g", GetGValue(color))
        .Int("b", GetBValue(color))
        .Text();
}

}  // namespace probe
