#include "platform/helper_process.h"

// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <utility>
#include <string>
#include <vector>

namespace nimbara {

namespace {

// The one job every helper joins: closed only by the system when this process ends, which
// ends each helper still in it.
HANDLE HelperJob() noexcept {
    static HANDLE job = [] {
        HANDLE made = ::CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made && !::SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                               sizeof(limits))) {
            ::CloseHandle(made);
            made = nullptr;
        }
        return made;
    }();
    return job;
}

std::wstring ExecutablePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

// A pipe whose `inherited` end (0 read, 1 write) the helper gets; ours is not inherited.
bool MakePipe(UniqueKernelHandle ends[2], int inherited) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &sa, 0)) return false;
    ends[0].reset(read);
    ends[1].reset(write);
    return ::SetHandleInformation(ends[1 - inherited].get(), HANDLE_FLAG_INHERIT, 0) != FALSE;
}

// Where the helper's standard error goes: nowhere of ours, so that nothing it prints can
// reach the pipe its snapshots travel in.
UniqueKernelHandle NullOutput() {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    const HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                     OPEN_EXISTING, 0, nullptr);
    return UniqueKernelHandle(nul == INVALID_HANDLE_VALUE ? nullptr : nul);
}

// The attribute list that hands a child exactly `handles` of the inheritable ones.
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        (void)::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        initialized_ = true;
        if (::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                        handles_.size() * sizeof(HANDLE), nullptr, nullptr))
            list_ = list;
    }
    ~InheritedHandles() {
        if (initialized_)
            ::DeleteProcThreadAttributeList(
                reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data()));
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    // None when the list could not be made: the child is then not started at all.
    [[nodiscard]] LPPROC_THREAD_ATTRIBUTE_LIST list() const noexcept { return list_; }

private:
    std::vector<HANDLE> handles_;
    std::vector<std::uint8_t> buffer_;
    bool initialized_ = false;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

HelperProcess HelperProcess::Start(const wchar_t* argument) {
    HelperProcess helper;
    UniqueKernelHandle input[2], output[2];
    if (!MakePipe(input, 0) || !MakePipe(output, 1)) return helper;
    const UniqueKernelHandle error = NullOutput();
    if (!error) return helper;
    const std::wstring exe = ExecutablePath();
    if (exe.empty()) return helper;
    std::wstring command = L"\"" + exe + L"\" " + argument;
    const InheritedHandles inherited({input[0].get(), output[1].get(), error.get()});
    if (!inherited.list()) return helper;
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof(si);
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = input[0].get();
    si.StartupInfo.hStdOutput = output[1].get();
    si.StartupInfo.hStdError = error.get();
    si.lpAttributeList = inherited.list();
    PROCESS_INFORMATION pi{};
    // Suspended until it is in the job: it must not outlive this process even for a moment.
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE,
                          CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT,
                          nullptr, nullptr, &si.StartupInfo, &pi))
        return helper;
    helper.process_.reset(pi.hProcess);
    const UniqueKernelHandle thread(pi.hThread);
    // Outside a job that allows it (Windows 7 in a job of its own), the helper still ends
    // when its input pipe breaks with this process.
    if (HANDLE job = HelperJob()) (void)::AssignProcessToJobObject(job, pi.hProcess);
    ::ResumeThread(pi.hThread);
    helper.to_helper_ = std::move(input[1]);
    helper.from_helper_ = std::move(output[0]);
    return helper;
}

HelperProcess HelperProcess::Adopt(UniqueKernelHandle process, UniqueKernelHandle to_helper,
                                   UniqueKernelHandle from_helper) noexcept {
    HelperProcess helper;
    helper.process_ = std::move(process);
    helper.to_helper_ = std::move(to_helper);
    helper.from_helper_ = std::move(from_helper);
    helper.adopted_ = true;
    return helper;
}

UniqueKernelHandle HelperProcess::ProcessToWaitFor() const noexcept {
    HANDLE copy = nullptr;
    if (!process_ ||
        !::DuplicateHandle(::GetCurrentProcess(), process_.get(), ::GetCurrentProcess(), &copy, 0,
                           FALSE, DUPLICATE_SAME_ACCESS))
        return {};
    return UniqueKernelHandle(copy);
}

std::optional<DWORD> ExitCodeOnceEnded(HANDLE process, DWORD wait_ms) noexcept {
    DWORD code = 0;
    if (!process || ::WaitForSingleObject(process, wait_ms) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process, &code))
        return std::nullopt;
    return code;
}

bool HelperProcess::Send(const void* bytes, std::size_t size) noexcept {
    return to_helper_ && WriteAll(to_helper_.get(), bytes, size);
}

UniqueKernelHandle HelperProcess::TakeOutput() noexcept { return std::move(from_helper_); }

void HelperProcess::End() noexcept {
    // Not waited for: the system ends it, frees what it held and closes its pipes.
    if (process_ && !adopted_) ::TerminateProcess(process_.get(), 1);
    adopted_ = false;
    process_.reset();
    to_helper_.reset();
    from_helper_.reset();
}

std::uint32_t PrivateKbOfThisProcess() noexcept {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(),
                                   reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                   sizeof(counters)))
        return 0;
    // The commit charge is the private bytes on Windows; Wine answers only that one.
    const SIZE_T bytes = std::max(counters.PrivateUsage, counters.PagefileUsage);
    return static_cast<std::uint32_t>(bytes >> 10);
}

HANDLE HelperInput() noexcept { return ::GetStdHandle(STD_INPUT_HANDLE); }
HANDLE HelperOutput() noexcept { return ::GetStdHandle(STD_OUTPUT_HANDLE); }

bool ReadAll(HANDLE pipe, void* bytes, std::size_t size) noexcept {
    auto* at = static_cast<std::uint8_t*>(bytes);
    while (size > 0) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        if (!::ReadFile(pipe, at, want, &got, nullptr) || got == 0) return false;
        at += got;
        size -= got;
    }
    return true;
}

bool WriteAll(HANDLE pipe, const void* bytes, std::size_t size) noexcept {
    const auto* at = static_cast<const std::uint8_t*>(bytes);
    while (size > 0) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        if (!::WriteFile(pipe, at, want, &put, nullptr) || put == 0) return false;
        at += put;
        size -= put;
    }
    return true;
}

}  // namespace nimbara
