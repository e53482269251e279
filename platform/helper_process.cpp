#include "platform/helper_process.h"

#include <algorithm>
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

}  // namespace

HelperProcess HelperProcess::Start(const wchar_t* argument) {
    HelperProcess helper;
    UniqueKernelHandle input[2], output[2];
    if (!MakePipe(input, 0) || !MakePipe(output, 1)) return helper;
    const std::wstring exe = ExecutablePath();
    if (exe.empty()) return helper;
    std::wstring command = L"\"" + exe + L"\" " + argument;
    STARTUPINFOW si{sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input[0].get();
    si.hStdOutput = output[1].get();
    si.hStdError = output[1].get();
    PROCESS_INFORMATION pi{};
    // Suspended until it is in the job: it must not outlive this process even for a moment.
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE,
                          CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
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

bool HelperProcess::Send(const void* bytes, std::size_t size) noexcept {
    return to_helper_ && WriteAll(to_helper_.get(), bytes, size);
}

UniqueKernelHandle HelperProcess::TakeOutput() noexcept { return std::move(from_helper_); }

void HelperProcess::End() noexcept {
    // Not waited for: the system ends it, frees what it held and closes its pipes.
    if (process_) ::TerminateProcess(process_.get(), 1);
    process_.reset();
    to_helper_.reset();
    from_helper_.reset();
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
