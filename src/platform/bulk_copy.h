// Copies of long runs of bytes, such as arrays out of a mapped model file into
// aligned buffers.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define TARNWICK_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWICK_ADDRESS_SANITIZER 1
#endif
#endif

namespace tarnwick {

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define TARNWICK_HAS_STRING_MOVE 1
// Copies n bytes with the processor's string move. The direction flag is clear on entry
// to any function under both x86-64 calling conventions, so the move goes forward.
inline void CopyByStringMove(void* to, const void* from, std::size_t n) {
  asm volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(n) : : "memory");
}
#endif

// Copies n bytes between buffers that do not overlap. On x86-64 with the string move,
// which processors of the last decade carry out a line or more at a time: copying the
// arrays of the 1 GiB model under Wine took the export 58 ms with it, 79 with a loop of
// 64-byte copies and prefetch hints, 87 with msvcrt's memcpy. Builds with the address
// sanitizer use memcpy, which it checks.
inline void BulkCopy(void* to, const void* from, std::size_t n) {
#if defined(TARNWICK_HAS_STRING_MOVE) && !defined(TARNWICK_ADDRESS_SANITIZER)
  CopyByStringMove(to, from, n);
#else
  std::memcpy(to, from, n);
#endif
}

}  // namespace tarnwick
