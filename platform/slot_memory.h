// Memory for the bytes of stored clipboard formats, kept apart from the C runtime's heap:
// that heap keeps the pages of freed blocks for itself, and a history that has held large
// or many clips would keep that memory from the system after its slots are freed.
#pragma once

#include <cstddef>

namespace nimbara {

// Throws std::bad_alloc when the memory cannot be had. Never called for 0 bytes.
[[nodiscard]] void* AllocateSlotBytes(std::size_t size);
void FreeSlotBytes(void* bytes, std::size_t size) noexcept;

}  // namespace nimbara
