// Clipboard commands: put several formats in one opening, dump what is there, hold it open.
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "probe.h"
#include "probe_output.h"

namespace probe {
namespace {

using Bytes = std::vector<BYTE>;

const struct {
    UINT format;
    const char* name;
} kStandardFormats[] = {
    {CF_TEXT, "CF_TEXT"},
    {CF_BITMAP, "CF_BITMAP"},
    {CF_METAFILEPICT, "CF_METAFILEPICT"},
    {CF_SYLK, "CF_SYLK"},
    {CF_DIF, "CF_DIF"},
    {CF_TIFF, "CF_TIFF"},
    {CF_OEMTEXT, "CF_OEMTEXT"},
    {CF_DIB, "CF_DIB"},
    {CF_PALETTE, "CF_PALETTE"},
    {CF_PENDATA, "CF_PENDATA"},
    {CF_RIFF, "CF_RIFF"},
    {CF_WAVE, "CF_WAVE"},
    {CF_UNICODETEXT, "CF_UNICODETEXT"},
    {CF_ENHMETAFILE, "CF_ENHMETAFILE"},
    {CF_HDROP, "CF_HDROP"},
    {CF_LOCALE, "CF_LOCALE"},
    {CF_DIBV5, "CF_DIBV5"},
    {CF_OWNERDISPLAY, "CF_OWNERDISPLAY"},
    {CF_DSPTEXT, "CF_DSPTEXT"},
    {CF_DSPBITMAP, "CF_DSPBITMAP"},
    {CF_DSPMETAFILEPICT, "CF_DSPMETAFILEPICT"},
    {CF_DSPENHMETAFILE, "CF_DSPENHMETAFILE"},
};

std::string FormatName(UINT format) {
    for (const auto& known : kStandardFormats) {
        if (known.format == format) return known.name;
    }
    wchar_t name[256] = {};
    if (GetClipboardFormatNameW(format, name, 256) > 0) return Utf8(name);
    return {};
}

// Formats whose data is a GDI handle rather than a global memory block.
bool IsHandleFormat(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
           format == CF_DSPBITMAP || format == CF_DSPENHMETAFILE || format == CF_OWNERDISPLAY;
}

// Another program may have the clipboard open for a moment; wait for it up to two seconds.
bool OpenWithRetry(HWND owner) {
    DWORD start = GetTickCount();
    while (!OpenClipboard(owner)) {
        if (GetTickCount() - start >= 2000) return false;
        PumpFor(20);
    }
    return true;
}

struct ClipboardCloser {
    ~ClipboardCloser() { CloseClipboard(); }
};

bool ReadWholeFile(const std::wstring& path, Bytes* out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 30);
    if (ok) {
        out->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = out->empty() ||
             (ReadFile(file, out->data(), static_cast<DWORD>(out->size()), &got, nullptr) &&
              got == out->size());
    }
    CloseHandle(file);
    return ok;
}

bool ParseHexBytes(const std::wstring& hex, Bytes* out) {
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        wchar_t pair[3] = {hex[i], hex[i + 1], 0};
        wchar_t* end = nullptr;
        unsigned long value = wcstoul(pair, &end, 16);
        if (!end || *end) return false;
        out->push_back(static_cast<BYTE>(value));
    }
    return true;
}

// Text as a real program would put it: UTF-16 for CF_UNICODETEXT, the ANSI or OEM code page for
// CF_TEXT and CF_OEMTEXT (both NUL-terminated); other formats get the UTF-8 bytes as they are.
Bytes TextBytes(UINT format, const std::wstring& text) {
    Bytes out;
    if (format == CF_UNICODETEXT) {
        const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
        out.assign(p, p + (text.size() + 1) * sizeof(wchar_t));
    } else if (format == CF_TEXT || format == CF_OEMTEXT) {
        UINT cp = format == CF_TEXT ? CP_ACP : CP_OEMCP;
        int size = WideCharToMultiByte(cp, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        out.resize(static_cast<size_t>(size > 0 ? size : 0));
        if (size > 0) {
            WideCharToMultiByte(cp, 0, text.c_str(), -1, reinterpret_cast<char*>(out.data()), size,
                                nullptr, nullptr);
        }
    } else {
        std::string utf8 = Utf8(text);
        out.assign(utf8.begin(), utf8.end());
    }
    return out;
}

struct Picture {
    int width = 0;
    int height = 0;
    COLORREF color = 0;
};

bool ParsePicture(const std::wstring& spec, Picture* picture) {
    unsigned int w = 0, h = 0, rgb = 0;
    if (swscanf(spec.c_str(), L"%u,%u,%x", &w, &h, &rgb) != 3 || w == 0 || h == 0 || w > 8192 ||
        h > 8192) {
        return false;
    }
    picture->width = static_cast<int>(w);
    picture->height = static_cast<int>(h);
    picture->color = RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
    return true;
}

HBITMAP MakeBitmap(const Picture& picture) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(picture.color);
    RECT all = {0, 0, picture.width, picture.height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// A packed 24-bit bottom-up DIB: header, then rows padded to four bytes.
Bytes MakeDib(const Picture& picture) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
    header.biSizeImage = static_cast<DWORD>(stride * picture.height);
    Bytes out(sizeof header + header.biSizeImage, 0);
    memcpy(out.data(), &header, sizeof header);
    for (int y = 0; y < picture.height; ++y) {
        BYTE* row = out.data() + sizeof header + stride * y;
        for (int x = 0; x < picture.width; ++x) {
            row[x * 3] = GetBValue(picture.color);
            row[x * 3 + 1] = GetGValue(picture.color);
            row[x * 3 + 2] = GetRValue(picture.color);
        }
    }
    return out;
}

bool ParseFormat(const std::wstring& text, UINT* format) {
    if (text.rfind(L"reg:", 0) == 0) {
        *format = RegisterClipboardFormatW(text.substr(4).c_str());
        return *format != 0;
    }
    int64_t value = 0;
    if (!ParseInt(text, &value) || value <= 0 || value > 0xFFFF) return false;
    *format = static_cast<UINT>(value);
    return true;
}

// Hands one global block to the clipboard; the block is freed here unless the clipboard took it.
bool SetGlobal(UINT format, const Bytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) return false;
    if (!bytes.empty()) {
        void* p = GlobalLock(block);
        if (!p) {
            GlobalFree(block);
            return false;
        }
        memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    if (!SetClipboardData(format, block)) {
        GlobalFree(block);
        return false;
    }
    return true;
}

// One SPEC: FORMAT=@file | hex:.. | text:.. | bitmap:W,H,RRGGBB | dib:W,H,RRGGBB | size:N
std::string SetOne(const std::wstring& spec, UINT* format) {
    size_t eq = spec.find(L'=');
    if (eq == std::wstring::npos || !ParseFormat(spec.substr(0, eq), format)) {
        return "bad format in " + Utf8(spec);
    }
    std::wstring value = spec.substr(eq + 1);
    Bytes bytes;
    Picture picture;
    if (value.rfind(L"bitmap:", 0) == 0) {
        if (!ParsePicture(value.substr(7), &picture)) return "bad bitmap " + Utf8(value);
        HBITMAP bitmap = MakeBitmap(picture);
        if (!bitmap) return "cannot create bitmap";
        if (!SetClipboardData(*format, bitmap)) {
            DeleteObject(bitmap);
            return "SetClipboardData failed for " + Utf8(spec);
        }
        return {};
    }
    if (value.rfind(L"@", 0) == 0) {
        if (!ReadWholeFile(value.substr(1), &bytes)) return "cannot read " + Utf8(value.substr(1));
    } else if (value.rfind(L"hex:", 0) == 0) {
        if (!ParseHexBytes(value.substr(4), &bytes)) return "bad hex " + Utf8(value);
    } else if (value.rfind(L"text:", 0) == 0) {
        bytes = TextBytes(*format, value.substr(5));
    } else if (value.rfind(L"dib:", 0) == 0) {
        if (!ParsePicture(value.substr(4), &picture)) return "bad dib " + Utf8(value);
        bytes = MakeDib(picture);
    } else if (value.rfind(L"size:", 0) == 0) {
        int64_t size = 0;
        if (!ParseInt(value.substr(5), &size) || size < 0 || size > (1LL << 30)) {
            return "bad size " + Utf8(value);
        }
        bytes.resize(static_cast<size_t>(size));
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>((i * 131 + 7) >> 3);
    } else {
        return "bad value " + Utf8(value);
    }
    if (!SetGlobal(*format, bytes)) return "SetClipboardData failed for " + Utf8(spec);
    return {};
}

// Pixels of a bitmap as 32-bit top-down BGRX rows with the unused byte cleared, so pictures
// that arrive as CF_BITMAP and as CF_DIB can be compared.
bool BitmapPixels(HBITMAP bitmap, int width, int height, Bytes* pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels->assign(static_cast<size_t>(width) * height * 4, 0);
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, bitmap, 0, height, pixels->data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (size_t i = 3; i < pixels->size(); i += 4) (*pixels)[i] = 0;
    return lines == height;
}

// Offset of the pixels in a packed DIB (header, optional bit masks, colour table).
bool DibPixelOffset(const BYTE* data, size_t size, size_t* offset) {
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER header;
    memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size) return false;
    size_t colors = header.biClrUsed
                        ? header.biClrUsed
                        : (header.biBitCount <= 8 ? (size_t{1} << header.biBitCount) : 0);
    size_t masks =
        (header.biCompression == BI_BITFIELDS && header.biSize == sizeof header) ? 12 : 0;
    *offset = header.biSize + masks + colors * 4;
    return *offset <= size;
}

bool DibPixels(const BYTE* data, size_t size, int* width, int* height, Bytes* pixels) {
    size_t offset = 0;
    if (!DibPixelOffset(data, size, &offset)) return false;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(data);
    *width = info->bmiHeader.biWidth;
    *height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    if (*width <= 0 || *height <= 0 || *width > 16384 || *height > 16384) return false;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap =
        CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, data + offset, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!bitmap) return false;
    bool ok = BitmapPixels(bitmap, *width, *height, pixels);
    DeleteObject(bitmap);
    return ok;
}

bool WriteBytes(const std::wstring& dir, size_t index, UINT format, const BYTE* data, size_t size) {
    wchar_t name[64];
    swprintf(name, 64, L"\\%03u_%u.bin", static_cast<unsigned>(index), format);
    HANDLE out = CreateFileW((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = size == 0 || WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(out);
    return ok;
}

void DescribeHandle(UINT format, HANDLE data, Json* entry, Bytes* bytes) {
    if (format == CF_BITMAP || format == CF_DSPBITMAP) {
        BITMAP info = {};
        if (GetObjectW(data, sizeof info, &info) &&
            BitmapPixels(static_cast<HBITMAP>(data), info.bmWidth, info.bmHeight, bytes)) {
            entry->Int("width", info.bmWidth).Int("height", info.bmHeight);
            entry->Str("pixels_sha256", Sha256Hex(bytes->data(), bytes->size()));
        }
    } else if (format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE) {
        UINT size = GetEnhMetaFileBits(static_cast<HENHMETAFILE>(data), 0, nullptr);
        bytes->resize(size);
        if (size) GetEnhMetaFileBits(static_cast<HENHMETAFILE>(data), size, bytes->data());
        entry->Uint("size", size).Str("sha256", Sha256Hex(bytes->data(), bytes->size()));
    } else if (format == CF_PALETTE) {
        entry->Uint("entries", GetPaletteEntries(static_cast<HPALETTE>(data), 0, 0, nullptr));
    }
}

void DescribeGlobal(UINT format, HANDLE data, Json* entry, Bytes* bytes) {
    SIZE_T size = GlobalSize(data);
    const BYTE* p = size ? static_cast<const BYTE*>(GlobalLock(data)) : nullptr;
    if (size && !p) {
        entry->Str("error", "cannot lock");
        return;
    }
    if (p) bytes->assign(p, p + size);
    if (p) GlobalUnlock(data);
    entry->Uint("size", size).Str("sha256", Sha256Hex(bytes->data(), bytes->size()));
    entry->Str("head", Hex(bytes->data(), bytes->size() < 64 ? bytes->size() : 64));
    if (format == CF_UNICODETEXT) {
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / 2);
        entry->Str("text", text.substr(0, text.find(L'\0')));
    }
    if (format == CF_DIB || format == CF_DIBV5) {
        int width = 0, height = 0;
        Bytes pixels;
        if (DibPixels(bytes->data(), bytes->size(), &width, &height, &pixels)) {
            entry->Int("width", width).Int("height", height);
            entry->Str("pixels_sha256", Sha256Hex(pixels.data(), pixels.size()));
        }
    }
}

}  // namespace

std::string ClipSetCommand(State& state, const Args& args) {
    if (args.size() < 2) return Failure("usage: clip-set FORMAT=VALUE...");
    if (!OpenWithRetry(state.window))
        return FailureWithCode("cannot open the clipboard", GetLastError());
    ClipboardCloser closer;
    if (!EmptyClipboard()) return FailureWithCode("cannot empty the clipboard", GetLastError());
    std::vector<std::string> formats;
    for (size_t i = 1; i < args.size(); ++i) {
        UINT format = 0;
        std::string error = SetOne(args[i], &format);
        if (!error.empty()) return Failure(error);
        formats.push_back(std::to_string(format));
    }
    return Json().Bool("ok", true).Raw("formats", JsonArray(formats)).Text();
}

std::string ClipDumpCommand(State& state, const Args& args) {
    if (args.size() > 2) return Failure("usage: clip-dump [DIR]");
    if (!OpenWithRetry(state.window))
        return FailureWithCode("cannot open the clipboard", GetLastError());
    ClipboardCloser closer;
    std::vector<std::string> entries;
    size_t index = 0;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        Json entry;
        entry.Uint("format", format).Str("name", FormatName(format));
        HANDLE data = GetClipboardData(format);
        Bytes bytes;
        if (!data) {
            entry.Bool("data", false);
        } else if (IsHandleFormat(format)) {
            DescribeHandle(format, data, &entry, &bytes);
        } else {
            DescribeGlobal(format, data, &entry, &bytes);
        }
        if (args.size() == 2 && data &&
            !WriteBytes(args[1], index, format, bytes.data(), bytes.size())) {
            return FailureWithCode("cannot write into " + Utf8(args[1]), GetLastError());
        }
        entries.push_back(entry.Text());
        ++index;
    }
    return Json()
        .Bool("ok", true)
        .Hwnd("owner", GetClipboardOwner())
        .Uint("sequence", GetClipboardSequenceNumber())
        .Raw("formats", JsonArray(entries))
        .Text();
}

std::string ClipEmptyCommand(State& state, const Args&) {
    if (!OpenWithRetry(state.window))
        return FailureWithCode("cannot open the clipboard", GetLastError());
    ClipboardCloser closer;
    if (!EmptyClipboard()) return FailureWithCode("cannot empty the clipboard", GetLastError());
    return Json().Bool("ok", true).Text();
}

std::string ClipHoldCommand(State& state, const Args& args) {
    int64_t ms = 0;
    if (args.size() != 2 || !ParseInt(args[1], &ms) || ms < 0)
        return Failure("usage: clip-hold MS");
    if (state.holding_clipboard) return Failure("already holding the clipboard");
    if (!OpenWithRetry(state.window))
        return FailureWithCode("cannot open the clipboard", GetLastError());
    std::string opened = Json().Bool("ok", true).Bool("opened", true).Int("ms", ms).Text();
    if (state.serving) {
        // The answer goes out now; the clipboard is closed by the timer while commands go on.
        state.holding_clipboard = true;
        SetTimer(state.window, kHoldTimer, static_cast<UINT>(ms), nullptr);
        return opened;
    }
    WriteLine(opened);
    PumpFor(static_cast<DWORD>(ms));
    CloseClipboard();
    return Json().Bool("ok", true).Bool("closed", true).Text();
}

// clip-delayed FORMAT...: owns the clipboard with each FORMAT offered for rendering on demand,
// and hangs for good (the probe no longer answers) at the first request to render one.
std::string ClipDelayedCommand(State& state, const Args& args) {
    if (args.size() < 2 || !state.serving)
        return Failure("usage (serve mode): clip-delayed FORMAT...");
    std::vector<UINT> formats;
    for (size_t i = 1; i < args.size(); ++i) {
        UINT format = 0;
        if (!ParseFormat(args[i], &format)) return Failure("bad format " + Utf8(args[i]));
        formats.push_back(format);
    }
    if (!OpenWithRetry(state.window))
        return FailureWithCode("cannot open the clipboard", GetLastError());
    {
        ClipboardCloser closer;
        if (!EmptyClipboard()) return FailureWithCode("cannot empty the clipboard", GetLastError());
        for (UINT format : formats) SetClipboardData(format, nullptr);
        state.hang_on_render = true;
    }
    return Json().Bool("ok", true).Uint("sequence", GetClipboardSequenceNumber()).Text();
}

// clip-render DELAY_MS BLOCK_MS NOW SPEC...: owns the clipboard with the first NOW SPECs put at
// once and the others offered for rendering on demand; each is rendered DELAY_MS after it is
// asked for (never when DELAY_MS is negative). The answer goes out, then the window's thread
// blocks for BLOCK_MS. A SPEC "swap:SPEC" is not offered: it replaces what the clipboard holds
// of its format at the first request to render, before that request is answered.
std::string ClipRenderCommand(State& state, const Args& args) {
    int64_t delay = 0, block = 0, now = 0;
    if (args.size() < 5 || !state.serving || !ParseInt(args[1], &delay) ||
        !ParseInt(args[2], &block) || block < 0 || !ParseInt(args[3], &now) || now < 0)
        return Failure("usage (serve mode): clip-render DELAY_MS BLOCK_MS NOW SPEC...");
    if (!OpenWithRetry(state.window))
        return FailureWithCode("cannot open the clipboard", GetLastError());
    state.render_specs.clear();
    state.swap_spec.clear();
    state.render_delay_ms = delay;
    {
        ClipboardCloser closer;
        if (!EmptyClipboard()) return FailureWithCode("cannot empty the clipboard", GetLastError());
        for (size_t i = 4; i < args.size(); ++i) {
            if (args[i].rfind(L"swap:", 0) == 0) {
                state.swap_spec = args[i].substr(5);
                continue;
            }
            UINT format = 0;
            if (static_cast<int64_t>(i - 4) < now) {
                const std::string error = SetOne(args[i], &format);
                if (!error.empty()) return Failure(error);
                continue;
            }
            if (!ParseFormat(args[i].substr(0, args[i].find(L'=')), &format))
                return Failure("bad format in " + Utf8(args[i]));
            SetClipboardData(format, nullptr);
            state.render_specs.emplace_back(format, args[i]);
        }
    }
    if (block > 0) PostMessageW(state.window, kBlockMessage, static_cast<WPARAM>(block), 0);
    return Json()
        .Bool("ok", true)
        .Uint("sequence", GetClipboardSequenceNumber())
        .Hwnd("owner", state.window)
        .Text();
}

void RenderOffered(State& state, UINT format) {
    if (state.render_delay_ms < 0) Sleep(INFINITE);
    if (state.render_delay_ms > 0) Sleep(static_cast<DWORD>(state.render_delay_ms));
    UINT ignored = 0;
    if (!state.swap_spec.empty()) {
        const std::string error = SetOne(std::exchange(state.swap_spec, {}), &ignored);
        WriteLine(Json()
                      .Str("event", "swapped")
                      .Uint("tick", GetTickCount())
                      .Bool("taken", error.empty())
                      .Text());
    }
    for (const auto& [offered, spec] : state.render_specs) {
        if (offered != format) continue;
        const std::string error = SetOne(spec, &ignored);
        WriteLine(Json()
                      .Str("event", "rendered")
                      .Uint("tick", GetTickCount())
                      .Uint("format", format)
                      .Bool("taken", error.empty())
                      .Text());
    }
}

std::string ClipCountCommand(State&, const Args&) {
    return Json()
        .Bool("ok", true)
        .Int("count", CountClipboardFormats())
        .Uint("sequence", GetClipboardSequenceNumber())
        .Hwnd("owner", GetClipboardOwner())
        .Hwnd("open_window", GetOpenClipboardWindow())
        .Hwnd("viewer", GetClipboardViewer())
        .Text();
}

}  // namespace probe
