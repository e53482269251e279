#include "history/window_messages.h"

#include "history/clip_watcher.h"
#include "history/paste_back.h"

namespace nimbara {

bool RouteHistoryMessage(ClipWatcher& watcher, PasteBack& paste, UINT msg, WPARAM wp) {
    switch (msg) {
        case WM_TIMER:
            switch (wp) {
                case kCaptureTimerId:
                    watcher.OnCaptureTimer();
                    return true;
                case kBudgetTimerId:
                    watcher.OnBudgetTimer();
                    return true;
                case kGuardTimerId:
                    paste.OnGuardTimer();
                    return true;
                case kKeepOnTopTimerId:
                    paste.OnKeepOnTopTimer();
                    return true;
                default:
                    return false;
            }
        case kMsgSnapshotRead:
            watcher.SnapshotsWaiting();
            return true;
        case kMsgOwnerAnswered:
            watcher.OwnerAnswered();
            return true;
        default:
            return false;
    }
}

}  // namespace nimbara
