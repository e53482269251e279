#include "platform/timer.h"

namespace nimbara {

bool WindowTimers::Start(UINT_PTR id, UINT ms) { return ::SetTimer(window_, id, ms, nullptr) != 0; }

void WindowTimers::Stop(UINT_PTR id) noexcept { ::KillTimer(window_, id); }

}  // namespace nimbara
