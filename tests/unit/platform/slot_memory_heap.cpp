// The slot bytes on the C++ heap: natively there is no system heap to keep them apart
// from, and the sanitizers then see every block the ring keeps or frees.
#include <new>

#include "platform/slot_memory.h"

namespace nimbara {

void* AllocateSlotBytes(std::size_t size) { return ::operator new(size); }

void FreeSlotBytes(void* bytes, std::size_t size) noexcept { ::operator delete(bytes, size); }

}  // namespace nimbara
