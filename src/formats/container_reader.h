// Reading the host's container files "_model.cvm" and "_mod.sm": the header and
// directory into a ContainerState, the bodies into a ModelSink. Nothing here knows
// the renderer.
//
// Byte layout. Integers are little-endian (u32, i32, u8, f32); text is UTF-16LE.
// A counted string is a u32 count N of code units and N units, no terminator.
// Offsets are 32-bit; those inside a body are relative to its start B.
//
//   Header (208644 bytes)
//     0     u32  FormatVersion          7 or more is read
//     4     u32  DirectoryEnd           must be 208644
//     8     u32  HeaderReserved         carried along
//     12    u32  HeaderNameLength       carried along
//     16    512 x UTF-16 HeaderName     NUL-padded
//     1040  i32  LastSlotIndex          negative: no slot used
//     1044  100 x DirectorySlot (2076 bytes each):
//             0     1028 x UTF-16 Name  the project path, NUL-padded
//             2056  u32 Kind            2 ModelBody, 4 RemovalSection, else passed over
//             2060  i32 Offset          absolute start B of the body
//             2064  12 bytes Reserved
//
//   ModelBody at B
//     B+0   u32 S0, S1, S2, S3, S4      section sizes; S3 != 0: a camera block follows
//     Each size counts the bytes its section adds to the body, and the first section
//     present also counts these 20 bytes. In 32-bit arithmetic the material section is
//     at B+20, the light section at B+S0 (B+20 when S0 is 0), the solid section at
//     B+S0+S1 (B+20 when that sum is 0).
//     material section: u32 N, N x u32 entry offsets
//       entry: u32 L (text bytes), u32, u32, L/2 code units of a Material record text
//     light section: u32 N, N x u32 entry offsets
//       entry: counted string, a Light record text
//     solid section: u32 N, N x u32 solid offsets (0: empty entry)
//       solid: u32, u32 H, u8, u32 time stamp, counted string, u32, u32, u32 solid id,
//              counted string; part table at (position of H) + H:
//              u32 M, M x u32 part offsets (0: empty entry)
//       part:  u32, u32 H2, u32, u32, counted string part name, counted string;
//              arrays at (position of H2) + H2: eight times u32 count C and C 4-byte
//              elements: 1 positions (f32, 3 per vertex), 2 second attributes, 3 and 4
//              unused, 5 first attributes, 6 u32 indices (C = 0: none), 7 and 8 unused
//     camera block (S3 != 0): a counted string, the Cameras record text, right where
//       the last read before it ended.
//
//   RemovalSection at B
//     u32 N, N x u32 words; words 0, 2, 4, ... are offsets of named lists, the others
//     are not read. Named list: counted string name ("Solid", "Material"), u32 K,
//     K x u32 ids.
//
// The reader never trusts a count or an offset: the first record or count that would
// run past the end of the file ends the body (see body_bytes.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/body_limits.h"
#include "formats/container_state.h"
#include "formats/model_sink.h"
#include "protocol/protocol.h"

namespace tarnwick {

class ContainerStream;

// Size of the header with its directory, and where it ends.
inline constexpr std::uint32_t kContainerHeaderBytes = protocol::kContainerHeaderBytes;
// Places in the header and the directory (the layout above), for every reader and writer.
inline constexpr std::size_t kHeaderNameOffset = 16;
inline constexpr std::size_t kHeaderNameUnits = 512;
inline constexpr std::size_t kLastSlotOffset = 1040;
inline constexpr std::size_t kDirectoryOffset = 1044;
inline constexpr std::size_t kSlotBytes = 2076;
inline constexpr std::size_t kSlotNameUnits = 1028;
inline constexpr std::size_t kSlotKindOffset = 2056;
// Lowest FormatVersion that is read.
inline constexpr std::uint32_t kMinimumFormatVersion = 7;
// Directory slot kinds.
inline constexpr std::uint32_t kModelBodyKind = 2;
inline constexpr std::uint32_t kRemovalSectionKind = 4;

// Outcome of LoadContainerHeader; the numbers are the host's result codes.
enum class HeaderLoadResult : int {
  kLoaded = 1,
  kFileNotFound = 2,
  kVersionUnsupported = 3,
  kFormatError = 4,
};

// Absolute position of an offset inside the body at body_start: 32-bit, as the host computes it.
inline std::uint32_t BodyPosition(std::uint32_t body_start, std::uint32_t offset) {
  return body_start + offset;
}

// Opens ContainerPath (every "/" made "\\") into ContainerFile read-only, or creates it when
// missing; ContainerFile stays empty when both fail.
void OpenContainer(ContainerState& state);

// Opens the container and reads its header and directory. The file stays open only
// when the header loaded; on every other result it is closed.
HeaderLoadResult LoadContainerHeader(ContainerState& state);

// Reads the header and directory of an open stream into the state, writing nothing: a file
// shorter than the header is a format error.
HeaderLoadResult ReadContainerHeader(ContainerStream& stream, ContainerState& state);

// Reads the ModelBody of one slot into the sink and closes the file; true when a body was read.
bool StreamModelSlot(ContainerState& state, int slot_index, ModelSink& sink);

// Reads the ModelBody of one slot of an open stream, whose header and directory the state
// holds, into the sink (its stamp first); true when the slot has a body.
bool ReadSlotBody(ContainerStream& stream, const ContainerState& state, int slot_index,
                  ModelSink& sink);

// Reads one ModelBody starting at body_start into the sink; returns the work it cost
// (see body_limits.h). Defined with the body reader.
BodyWork ReadModelBody(ContainerStream& stream, std::uint32_t body_start, ModelSink& sink);

// Reads the RemovalSection at body_start: each named list goes to the sink with its ids.
// Returns the work it cost.
BodyWork ReadRemovalSection(ContainerStream& stream, std::uint32_t body_start, ModelSink& sink);

// Where the light section of a body begins (32-bit arithmetic).
std::uint32_t LightSectionStart(std::uint32_t body_start, std::uint32_t s0);

// Where the solid section of a body begins (32-bit arithmetic).
std::uint32_t SolidSectionStart(std::uint32_t body_start, std::uint32_t s0, std::uint32_t s1);

}  // namespace tarnwick
