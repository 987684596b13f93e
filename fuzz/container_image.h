// The fuzz targets' compact form of a container file. A real header is
// 208644 bytes of mostly zeros, too large for the fuzzer to mutate well, so
// an input names only the header fields that matter and is expanded here:
//
//   byte 0           mode: even, the rest is the file exactly as it stands
//                    (short files, any header); odd, the compact form below
//   bytes 1 to 52    u32 FormatVersion xor 7, u32 DirectoryEnd xor 208644,
//                    u32 HeaderReserved, u32 HeaderNameLength, i32 LastSlotIndex,
//                    then slots 0 to 3: u32 Kind, u32 Offset minus 208644
//   the rest         the bytes after the directory: the bodies
//
// So zeros mean a valid header, and an offset of 0 a body right after it. In
// the compact form the slots are named after the project "C:\P.pro"; with mode
// bit 1 set, slot 1 names "C:\Q.pro" (another project). Mode bit 2 asks the
// container target to read the bodies alone, without building the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnwick::fuzzing {

// Bytes of the compact form before the bodies, the mode byte included.
inline constexpr std::size_t kCompactPrefixBytes = 53;

// One slot of the compact form: its kind and its body's offset from the end of the header.
struct CompactSlot {
  std::uint32_t kind = 0;
  std::uint32_t offset = 0;
};

// Number of slots that the compact form names.
inline constexpr std::size_t kCompactSlots = 4;
// Mode bit: read the bodies alone.
inline constexpr std::uint8_t kBodiesOnlyMode = 4;

// True when the input is in the compact form.
bool IsCompact(std::span<const std::uint8_t> input);

// The slots of a compact input, up to its LastSlotIndex (at most kCompactSlots).
std::vector<CompactSlot> CompactSlots(std::span<const std::uint8_t> input);

// The container file an input stands for, in `image` (its memory is reused).
void ExpandContainer(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& image);

// The compact form of slots (kind, offset from the end of the header) and bodies, for seeds.
std::string CompactContainer(std::span<const std::pair<std::uint32_t, std::uint32_t>> slots,
                             const std::string& bodies);

}  // namespace tarnwick::fuzzing
