// Move-only owners for every kind of Win32 handle the program holds. A copy
// would free twice, so copying is deleted; ownership moves explicitly.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace nimbara {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

    // Gives the handle up without closing it: the new owner (the clipboard, say)
    // is responsible for it from now on.
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

    void reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(handle_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Invalid();
};

namespace handle_traits {

template <typename H, auto CloseFn>
struct Simple {
    using Handle = H;
    static constexpr H Invalid() noexcept { return nullptr; }
    static void Close(H h) noexcept { CloseFn(h); }
};

struct Kernel {
    using Handle = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

struct GdiObject {
    using Handle = HGDIOBJ;
    static constexpr HGDIOBJ Invalid() noexcept { return nullptr; }
    static void Close(HGDIOBJ h) noexcept { ::DeleteObject(h); }
};

}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueHwnd = UniqueHandle<handle_traits::Simple<HWND, ::DestroyWindow>>;
using UniqueHGlobal = UniqueHandle<handle_traits::Simple<HGLOBAL, ::GlobalFree>>;
using UniqueHIcon = UniqueHandle<handle_traits::Simple<HICON, ::DestroyIcon>>;
using UniqueHMenu = UniqueHandle<handle_traits::Simple<HMENU, ::DestroyMenu>>;
using UniqueHImageList = UniqueHandle<handle_traits::Simple<HIMAGELIST, ::ImageList_Destroy>>;
using UniqueEnhMetaFile = UniqueHandle<handle_traits::Simple<HENHMETAFILE, ::DeleteEnhMetaFile>>;
using UniqueHdc = UniqueHandle<handle_traits::Simple<HDC, ::DeleteDC>>;

// GDI objects of one type: a bitmap owner hands out HBITMAP, not HGDIOBJ.
template <typename T>
class UniqueGdi {
public:
    UniqueGdi() noexcept = default;
    explicit UniqueGdi(T h) noexcept : owner_(h) {}
    [[nodiscard]] T get() const noexcept { return static_cast<T>(owner_.get()); }
    [[nodiscard]] T release() noexcept { return static_cast<T>(owner_.release()); }
    void reset(T h = nullptr) noexcept { owner_.reset(h); }
    explicit operator bool() const noexcept { return static_cast<bool>(owner_); }

private:
    UniqueHandle<handle_traits::GdiObject> owner_;
};

using UniqueHBitmap = UniqueGdi<HBITMAP>;
using UniqueHFont = UniqueGdi<HFONT>;
using UniqueHBrush = UniqueGdi<HBRUSH>;

// A global memory block locked for a scope: its bytes stay at one address until the
// scope ends. Empty (a null pointer) when there is no block or it cannot be locked.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL block) noexcept
        : block_(block), bytes_(block ? ::GlobalLock(block) : nullptr) {}
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    ~LockedGlobal() {
        if (bytes_) ::GlobalUnlock(block_);
    }
    [[nodiscard]] void* get() const noexcept { return bytes_; }
    template <typename T>
    [[nodiscard]] T* as() const noexcept {
        return static_cast<T*>(bytes_);
    }

private:
    HGLOBAL block_;
    void* bytes_;
};

// A screen or window DC borrowed with GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    [[nodiscard]] HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// The painting of a window for one WM_PAINT: BeginPaint, and EndPaint however the
// painting ends, so that the window is validated and its caret shown again.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &paint_)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(hwnd_, &paint_); }
    [[nodiscard]] HDC dc() const noexcept { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Keeps a GDI object selected into a DC for a scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { ::SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace nimbara
