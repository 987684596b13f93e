// A small model file assembled byte by byte with offsets worked out by hand,
// for tests of the container reader and of the container writer: the two are
// checked against these bytes, not against each other.
//
// Slot 0 "C:\P.pro" (kind 2, body at B = 208644) holds one material "M", one
// light with LightSolidID 5, the solid 7 (time stamp 3) with the part "A" of
// three vertices and the indices 0 1 2, and an empty Cameras record.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarnwick::testing {

// Appends little-endian fields and checks that each lands where the hand layout says.
class HandBytes {
 public:
  HandBytes& At(std::size_t expected) {
    if (bytes.size() != expected) throw std::logic_error("hand layout is off");
    return *this;
  }
  HandBytes& U8(std::uint8_t v) {
    bytes.push_back(static_cast<char>(v));
    return *this;
  }
  HandBytes& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  HandBytes& Text(const char* ascii) {  // UTF-16LE, no count
    for (const char* p = ascii; *p; ++p) U8(static_cast<std::uint8_t>(*p)).U8(0);
    return *this;
  }
  HandBytes& Zeros(std::size_t n) {
    bytes.append(n, '\0');
    return *this;
  }
  std::string bytes;
};

inline constexpr char kGoldenMaterial[] = "MaterialID_Name [M]";  // 19 units
inline constexpr char kGoldenLight[] = "LightSolidID [5]";        // 16 units
inline constexpr char kGoldenCameras[] = "Cameras_Start\nCameras_End";  // 25 units

// The whole file: 208978 bytes.
inline std::string GoldenModelFile() {
  constexpr std::size_t B = 208644;
  constexpr std::uint32_t kFill = 0xA5A5A5A5;
  HandBytes h;
  h.U32(7).U32(208644).U32(1).U32(8).Text("Corvella").Zeros(1024 - 16);
  h.At(1040).U32(0);
  h.At(1044).Text("C:\\P.pro").Zeros(2056 - 16).U32(2).U32(B).Zeros(12);
  h.Zeros(99 * 2076);
  h.At(B).U32(78).U32(44).U32(158).U32(1).U32(0);
  // materials at B+20: one entry at B+28, text length 38 bytes
  h.At(B + 20).U32(1).U32(28);
  h.At(B + 28).U32(38).U32(kFill).U32(kFill).Text(kGoldenMaterial);
  // lights at B+S0 = B+78: one entry at B+86
  h.At(B + 78).U32(1).U32(86);
  h.At(B + 86).U32(16).Text(kGoldenLight);
  // solids at B+S0+S1 = B+122: one solid at B+130
  h.At(B + 122).U32(1).U32(130);
  h.At(B + 130).U32(kFill).U32(29).U8(0xB2).U32(3).U32(0).U32(kFill).U32(kFill).U32(7).U32(0);
  // part table at B+134+29: one part at B+171
  h.At(B + 163).U32(1).U32(171);
  h.At(B + 171).U32(kFill).U32(25).U32(kFill).U32(kFill).U32(1).Text("A").U32(0);
  // arrays at B+175+25, padded to a 4-byte file offset
  h.At(B + 197).Zeros(3);
  h.At(B + 200).U32(9);
  const std::uint32_t positions[9] = {0x00000000, 0x00000000, 0x00000000,   // 0 0 0
                                      0x3F800000, 0x00000000, 0x00000000,   // 1 0 0
                                      0x00000000, 0x3F800000, 0x00000000};  // 0 1 0
  for (std::uint32_t p : positions) h.U32(p);
  h.At(B + 240).U32(0).U32(0).U32(0).U32(0).U32(3).U32(0).U32(1).U32(2).U32(0).U32(0);
  h.At(B + 280).U32(25).Text(kGoldenCameras);
  h.At(B + 334);
  return h.bytes;
}

}  // namespace tarnwick::testing
