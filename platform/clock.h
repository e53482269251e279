// The time a bounded wait is measured in, behind an interface so that a test can
// let any amount of it pass at once.
#pragma once

#include <cstdint>

namespace nimbara {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some start; wraps round after 49.7 days, so only differences
    // of two readings mean anything.
    [[nodiscard]] virtual std::uint32_t Now() = 0;
};

// The system's tick count.
Clock& SystemClock();

}  // namespace nimbara
