// Little-endian words and UTF-16LE text from and to the bytes of the host's
// files, decoded explicitly whatever the processor's own order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarnwick {

// Little-endian u32 from four bytes.
inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// Four bytes of a little-endian u32.
inline void StoreU32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

// `units` UTF-16LE code units from 2 * units bytes.
inline void DecodeUtf16Le(const std::uint8_t* p, char16_t* out, std::size_t units) {
  if constexpr (std::endian::native == std::endian::little) {
    // The header alone holds 100 names of 1,000 units: one copy, not a loop per unit. A
    // name of a few units, as most part names are, costs less copied in place than called.
    if (units > 8) {
      std::memcpy(out, p, units * 2);
    } else {
      for (std::size_t i = 0; i < units; ++i) std::memcpy(out + i, p + 2 * i, 2);
    }
  } else {
    for (std::size_t i = 0; i < units; ++i) {
      out[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    }
  }
}

// 2 * units bytes of UTF-16LE from `units` code units.
inline void EncodeUtf16Le(const char16_t* text, std::size_t units, std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    if (units != 0) std::memcpy(p, text, units * 2);
  } else {
    for (std::size_t i = 0; i < units; ++i) {
      p[2 * i] = static_cast<std::uint8_t>(text[i]);
      p[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
  }
}

}  // namespace tarnwick
