// A lock shared by two threads of this program, and its hold for one scope. Neither throws:
// a slim reader/writer lock needs no set-up that can fail.
#pragma once

#include <windows.h>

namespace nimbara {

class Lock {
public:
    Lock() noexcept = default;
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    class Hold {
    public:
        explicit Hold(Lock& lock) noexcept : lock_(lock) {
            ::AcquireSRWLockExclusive(&lock_.lock_);
        }
        ~Hold() { ::ReleaseSRWLockExclusive(&lock_.lock_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        Lock& lock_;
    };

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace nimbara
