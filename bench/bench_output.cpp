#include "bench_output.h"

#include <cstdio>
#include <cwchar>

namespace bench {

double NowMs() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticks_per_ms;
}

void Sample(const char* name, double value) {
    std::printf("sample %s %.4f\n", name, value);
    std::fflush(stdout);
}

void Note(const std::string& text) {
    std::printf("note %s\n", text.c_str());
    std::fflush(stdout);
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= ms) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

HWND FindNimbara() { return ::FindWindowW(L"TMainForm", nullptr); }

int IntArg(const Args& args, size_t index, int fallback) {
    if (index >= args.size()) return fallback;
    return static_cast<int>(std::wcstol(args[index].c_str(), nullptr, 10));
}

}  // namespace bench
