#include "platform/thread.h"

#include <memory>
#include <utility>

namespace nimbara {

namespace {

DWORD WINAPI RunThread(void* parameter) {
    const std::unique_ptr<std::function<void()>> run(
        static_cast<std::function<void()>*>(parameter));
    try {
        (*run)();
    } catch (...) {
        // Nothing to tell: the owner learns of the end by what the thread did not deliver.
    }
    return 0;
}

}  // namespace

OwnedThread OwnedThread::Start(std::function<void()> run) {
    auto held = std::make_unique<std::function<void()>>(std::move(run));
    OwnedThread thread;
    thread.thread_.reset(::CreateThread(nullptr, 0, &RunThread, held.get(), 0, nullptr));
    if (thread.thread_) (void)held.release();
    return thread;
}

OwnedThread& OwnedThread::operator=(OwnedThread&& other) noexcept {
    if (this != &other) {
        (void)Join(kJoinWaitMs);
        thread_ = std::move(other.thread_);
    }
    return *this;
}

bool OwnedThread::Join(DWORD wait_ms) noexcept {
    if (!thread_) return true;
    const bool ended = ::WaitForSingleObject(thread_.get(), wait_ms) == WAIT_OBJECT_0;
    thread_.reset();
    return ended;
}

}  // namespace nimbara
