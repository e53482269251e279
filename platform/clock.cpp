#include "platform/clock.h"

#include <windows.h>

namespace nimbara {

namespace {

class SystemTickClock final : public Clock {
public:
    std::uint32_t Now() override { return ::GetTickCount(); }
};

}  // namespace

Clock& SystemClock() {
    static SystemTickClock clock;
    return clock;
}

}  // namespace nimbara
