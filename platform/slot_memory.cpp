#include "platform/slot_memory.h"

#include <windows.h>

#include <new>

namespace nimbara {

namespace {

// A block this large has pages of its own, given back the moment it is freed.
constexpr std::size_t kOwnPagesFrom = 64 * 1024;

// The smaller blocks share a heap that lives only while one of them does: when the last
// goes (a Clear all, say), the heap goes with it, and all of its pages with it.
// The clipboard reader's worker thread fills new slots' bytes while the window thread frees
// old ones.
SRWLOCK g_lock = SRWLOCK_INIT;
HANDLE g_heap = nullptr;
std::size_t g_live = 0;

struct HeapLock {
    HeapLock() { ::AcquireSRWLockExclusive(&g_lock); }
    ~HeapLock() { ::ReleaseSRWLockExclusive(&g_lock); }
    HeapLock(const HeapLock&) = delete;
    HeapLock& operator=(const HeapLock&) = delete;
};

}  // namespace

void* AllocateSlotBytes(std::size_t size) {
    if (size >= kOwnPagesFrom) {
        void* pages = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!pages) throw std::bad_alloc();
        return pages;
    }
    const HeapLock lock;
    if (!g_heap && !(g_heap = ::HeapCreate(HEAP_NO_SERIALIZE, 0, 0))) throw std::bad_alloc();
    void* block = ::HeapAlloc(g_heap, 0, size);
    if (!block) throw std::bad_alloc();
    ++g_live;
    return block;
}

void FreeSlotBytes(void* bytes, std::size_t size) noexcept {
    if (!bytes) return;
    if (size >= kOwnPagesFrom) {
        ::VirtualFree(bytes, 0, MEM_RELEASE);
        return;
    }
    const HeapLock lock;
    ::HeapFree(g_heap, 0, bytes);
    if (--g_live == 0) {
        ::HeapDestroy(g_heap);
        g_heap = nullptr;
    }
}

}  // namespace nimbara
