// Time as a test decides it: it stands still until the test moves it on.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace nimbara::testing {

struct FakeClock final : Clock {
    std::uint32_t now = 0;
    std::uint32_t Now() override { return now; }
};

}  // namespace nimbara::testing
