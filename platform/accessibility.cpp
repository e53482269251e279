#include "platform/accessibility.h"

namespace nimbara {

void AnnounceSelected(HWND control) noexcept {
    ::NotifyWinEvent(EVENT_OBJECT_SELECTION, control, OBJID_CLIENT, CHILDID_SELF);
    ::NotifyWinEvent(EVENT_OBJECT_FOCUS, control, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace nimbara
