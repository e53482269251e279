// The real clipboard, failing or interrupted where a test says so.
#pragma once

#include <windows.h>

#include <functional>
#include <new>
#include <vector>

#include "platform/clipboard.h"

namespace nimbara::testing {

class FakeClipboard : public ClipboardApi {
public:
    bool fail_open = false;
    // Offered after the real formats, as a bitmap whose handle is no bitmap at all.
    bool offer_unreadable_bitmap = false;
    UINT format_without_memory = 0;
    int count_override = 0;          // a count the real clipboard does not have
    std::function<void()> on_empty;  // what other programs' messages do during a restore
    int sets = 0;
    std::vector<UINT> reads;  // every format asked for, in order
    // What the owner does while it renders a format, before the format is read.
    std::function<void(UINT)> on_render;

    bool Open(HWND owner) override { return !fail_open && SystemClipboard().Open(owner); }
    void Close() override { SystemClipboard().Close(); }
    bool Empty() override {
        if (on_empty) std::exchange(on_empty, nullptr)();
        return SystemClipboard().Empty();
    }
    int CountFormats() override {
        return count_override ? count_override : SystemClipboard().CountFormats();
    }
    UINT EnumFormats(UINT f) override {
        if (f == CF_DSPBITMAP && offer_unreadable_bitmap) return 0;
        const UINT next = SystemClipboard().EnumFormats(f);
        return next == 0 && offer_unreadable_bitmap ? CF_DSPBITMAP : next;
    }
    HANDLE GetData(UINT f) override {
        reads.push_back(f);
        if (on_render) on_render(f);
        if (f == CF_DSPBITMAP && offer_unreadable_bitmap) return reinterpret_cast<HANDLE>(0x4);
        if (f == format_without_memory) throw std::bad_alloc();
        return SystemClipboard().GetData(f);
    }
    HANDLE SetData(UINT f, HANDLE h) override {
        ++sets;
        return SystemClipboard().SetData(f, h);
    }
    DWORD SequenceNumber() override { return SystemClipboard().SequenceNumber(); }
    HWND Owner() override { return SystemClipboard().Owner(); }
    UINT RegisterFormat(const wchar_t* name) override {
        return SystemClipboard().RegisterFormat(name);
    }
};

}  // namespace nimbara::testing
