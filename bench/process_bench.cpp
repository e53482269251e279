// The running program's memory and processor time, read from outside through the
// system's process queries, and the commands the memory figures need.
#include "bench_output.h"
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

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

// Every Nimbara process together: the program and its clipboard reader.
int MemoryCommand(const Args&) {
    HWND nimbara = FindNimbara();
    if (!nimbara) return 1;
    DWORD main_pid = 0;
    ::GetWindowThreadProcessId(nimbara, &main_pid);
    std::vector<DWORD> pids{main_pid};
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
             more = ::Process32NextW(snapshot, &entry))
            if (entry.th32ParentProcessID == main_pid) pids.push_back(entry.th32ProcessID);
        ::CloseHandle(snapshot);
    }
    double private_bytes = 0, working_set = 0, pagefile = 0;
    int answered = 0;
    for (const DWORD pid : pids) {
        HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
        if (!process) continue;
        PROCESS_MEMORY_COUNTERS_EX counters{};
        counters.cb = sizeof(counters);
        if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof(counters)) &&
            counters.PrivateUsage) {
            ++answered;
            private_bytes += static_cast<double>(counters.PrivateUsage);
            working_set += static_cast<double>(counters.WorkingSetSize);
            pagefile += static_cast<double>(counters.PagefileUsage);
        }
        ::CloseHandle(process);
    }
    Sample("processes", static_cast<double>(pids.size()));
    // Wine answers nothing for another process: the caller then reads them from outside.
    Sample("private_bytes", answered == static_cast<int>(pids.size()) ? private_bytes : 0);
    Sample("working_set_bytes", working_set);
    Sample("pagefile_bytes", pagefile);
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
