// A thread of the program's own, held by the part that starts it: its owner ends what the
// thread waits on, then joins it, within a bound, so that no thread outlives its owner.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/handles.h"

namespace nimbara {

class OwnedThread {
public:
    OwnedThread() = default;
    // Runs `run` on a thread of its own; empty when the system starts none. An exception
    // that leaves `run` ends the thread, never the process.
    [[nodiscard]] static OwnedThread Start(std::function<void()> run);

    OwnedThread(OwnedThread&&) noexcept = default;
    OwnedThread& operator=(OwnedThread&& other) noexcept;
    OwnedThread(const OwnedThread&) = delete;
    OwnedThread& operator=(const OwnedThread&) = delete;
    // Joins within kJoinWaitMs.
    ~OwnedThread() { (void)Join(kJoinWaitMs); }

    // How long an owner waits, at most, for a thread whose wait it has ended.
    static constexpr DWORD kJoinWaitMs = 2000;

    // Waits at most `wait_ms` for the thread to end; true when it has (or there is none).
    // Past the bound the thread is let go: it ends by itself, on what it holds of its own.
    bool Join(DWORD wait_ms) noexcept;
    explicit operator bool() const noexcept { return static_cast<bool>(thread_); }

private:
    UniqueKernelHandle thread_;
};

}  // namespace nimbara
