// A helper process of this program: the executable started again with an argument of its
// own, its standard input and output joined to pipes of ours, and held in a job that ends
// it when this process ends, however this one ends.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/handles.h"

namespace nimbara {

class HelperProcess {
public:
    HelperProcess() = default;
    HelperProcess(HelperProcess&&) noexcept = default;
    HelperProcess& operator=(HelperProcess&& other) noexcept {
        if (this != &other) {
            End();
            process_ = std::move(other.process_);
            to_helper_ = std::move(other.to_helper_);
            from_helper_ = std::move(other.from_helper_);
            adopted_ = other.adopted_;
        }
        return *this;
    }
    ~HelperProcess() { End(); }

    // Starts this executable with `argument` as its whole command line after its name. It
    // inherits its two pipe ends and a standard error of its own, nothing else of this
    // process. Empty when it could not be started.
    [[nodiscard]] static HelperProcess Start(const wchar_t* argument);
    // One made of handles already open (a stand-in's pipes); `process` may be empty.
    [[nodiscard]] static HelperProcess Adopt(UniqueKernelHandle process,
                                             UniqueKernelHandle to_helper,
                                             UniqueKernelHandle from_helper) noexcept;

    explicit operator bool() const noexcept { return process_ || adopted_; }
    // Where the helper's standard output arrives, for the one reader of it; a read
    // returns at the helper's end.
    [[nodiscard]] UniqueKernelHandle TakeOutput() noexcept;
    // A handle of the process of its own, to learn its exit code after its output has ended;
    // empty when there is none.
    [[nodiscard]] UniqueKernelHandle ProcessToWaitFor() const noexcept;
    // Writes all of `bytes` to the helper's standard input; false when it has gone.
    [[nodiscard]] bool Send(const void* bytes, std::size_t size) noexcept;
    // Ends the helper at once, wherever it is, without waiting. Its end of the pipes
    // closes with it, so a read of its output returns. Safe on an empty or ended helper.
    void End() noexcept;

private:
    UniqueKernelHandle process_;
    UniqueKernelHandle to_helper_;
    UniqueKernelHandle from_helper_;
    bool adopted_ = false;  // not ours to end: its pipes are only closed
};

// What a helper started by HelperProcess reads from and writes to.
[[nodiscard]] HANDLE HelperInput() noexcept;
[[nodiscard]] HANDLE HelperOutput() noexcept;
// The exit code of `process` once it has ended, waited for at most `wait_ms`; none when it
// has not ended by then or there is no process.
[[nodiscard]] std::optional<DWORD> ExitCodeOnceEnded(HANDLE process, DWORD wait_ms) noexcept;
// This process's private memory in KB; 0 when the system does not say.
[[nodiscard]] std::uint32_t PrivateKbOfThisProcess() noexcept;
// Reads exactly `size` bytes from `pipe`; false at its end or on a failure.
[[nodiscard]] bool ReadAll(HANDLE pipe, void* bytes, std::size_t size) noexcept;
// Writes all of `size` bytes to `pipe`; false when the other end has gone.
[[nodiscard]] bool WriteAll(HANDLE pipe, const void* bytes, std::size_t size) noexcept;

}  // namespace nimbara
