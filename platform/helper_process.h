// A helper process of this program: the executable started again with an argument of its
// own, its standard input and output joined to pipes of ours, and held in a job that ends
// it when this process ends, however this one ends.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

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
        }
        return *this;
    }
    ~HelperProcess() { End(); }

    // Starts this executable with `argument` as its whole command line after its name.
    // Empty when it could not be started.
    [[nodiscard]] static HelperProcess Start(const wchar_t* argument);

    explicit operator bool() const noexcept { return static_cast<bool>(process_); }
    // Where the helper's standard output arrives, for the one reader of it; a read
    // returns at the helper's end.
    [[nodiscard]] UniqueKernelHandle TakeOutput() noexcept;
    // Writes all of `bytes` to the helper's standard input; false when it has gone.
    [[nodiscard]] bool Send(const void* bytes, std::size_t size) noexcept;
    // Ends the helper at once, wherever it is, without waiting. Its end of the pipes
    // closes with it, so a read of its output returns. Safe on an empty or ended helper.
    void End() noexcept;

private:
    UniqueKernelHandle process_;
    UniqueKernelHandle to_helper_;
    UniqueKernelHandle from_helper_;
};

// What a helper started by HelperProcess reads from and writes to.
[[nodiscard]] HANDLE HelperInput() noexcept;
[[nodiscard]] HANDLE HelperOutput() noexcept;
// Reads exactly `size` bytes from `pipe`; false at its end or on a failure.
[[nodiscard]] bool ReadAll(HANDLE pipe, void* bytes, std::size_t size) noexcept;
// Writes all of `size` bytes to `pipe`; false when the other end has gone.
[[nodiscard]] bool WriteAll(HANDLE pipe, const void* bytes, std::size_t size) noexcept;

}  // namespace nimbara
