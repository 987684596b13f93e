// Hints to the processor's cache for readers that jump or stream through mapped files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Asks for the cache line `ahead` bytes past `at`. Only a hint: the address is never
// dereferenced, so it may lie past the end of an array or of a mapping.
inline void PrefetchAhead(const void* at, std::size_t ahead) {
  // Computed as an integer: a pointer past the end of its array is not a valid pointer.
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(at) + ahead;
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(reinterpret_cast<const void*>(address));
#else
  (void)address;
#endif
}

}  // namespace tarnwick
