// The running program's memory and processor time, read from outside through the
// system's process queries, and the commands the memory figures need.
#include "bench_output.h"
// After windows.h, which it needs.
#include <psapi.h>

namespace bench {

namespace {

HANDLE OpenNimbara() {
    HWND nimbara = FindNimbara();
    if (!nimbara) return nullptr;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(nimbara, &pid);
    return ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
}

double FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
}

}  // namespace

int MemoryCommand(const Args&) {
    HANDLE process = OpenNimbara();
    if (!process) return 1;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    const BOOL ok = ::GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    ::CloseHandle(process);
    if (!ok) return 1;
    Sample("private_bytes", static_cast<double>(counters.PrivateUsage));
    Sample("working_set_bytes", static_cast<double>(counters.WorkingSetSize));
    Sample("pagefile_bytes", static_cast<double>(counters.PagefileUsage));
    return 0;
}

int CpuTimeCommand(const Args&) {
    HANDLE process = OpenNimbara();
    if (!process) return 1;
    FILETIME created, exited, kernel, user;
    const BOOL ok = ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    ::CloseHandle(process);
    if (!ok) return 1;
    Sample("cpu_ms", FileTimeMs(kernel) + FileTimeMs(user));
    return 0;
}

// Clear all, as the tray menu's "全部清空(&C)" gives it, and waited for.
int ClearAllCommand(const Args&) {
    HWND nimbara = FindNimbara();
    if (!nimbara) return 1;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(nimbara, WM_COMMAND, 2004, 0, SMTO_NORMAL, 20000, &result) ? 0 : 1;
}

// Returns once the program's main window exists, or fails after `seconds`.
int WaitReadyCommand(const Args& args) {
    const DWORD limit = static_cast<DWORD>(IntArg(args, 2, 60)) * 1000;
    const DWORD start = ::GetTickCount();
    while (!FindNimbara()) {
        if (::GetTickCount() - start > limit) return 1;
        ::Sleep(20);
    }
    return 0;
}

}  // namespace bench
