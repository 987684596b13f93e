#include "fuzz/container_image.h"

#include <algorithm>
#include <cstring>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "protocol/protocol.h"

namespace tarnwick::fuzzing {

namespace {

constexpr std::uint32_t kHeaderBytes = protocol::kContainerHeaderBytes;
constexpr std::uint32_t kVersion = 7;
constexpr std::uint8_t kCompactMode = 1;
constexpr std::uint8_t kOtherProjectMode = 2;

void StoreName(std::uint8_t* p, const char* name) {
  for (std::size_t i = 0; name[i] != '\0'; ++i) p[2 * i] = static_cast<std::uint8_t>(name[i]);
}

}  // namespace

bool IsCompact(std::span<const std::uint8_t> input) {
  return input.size() >= kCompactPrefixBytes && (input[0] & kCompactMode) != 0;
}

std::vector<CompactSlot> CompactSlots(std::span<const std::uint8_t> input) {
  std::vector<CompactSlot> slots;
  if (!IsCompact(input)) return slots;
  const std::uint8_t* in = input.data() + 1;
  const auto last = static_cast<std::int32_t>(LoadU32(in + 16));
  for (std::int32_t k = 0; k <= last && k < static_cast<std::int32_t>(kCompactSlots); ++k) {
    slots.push_back({LoadU32(in + 20 + 8 * k), LoadU32(in + 24 + 8 * k)});
  }
  return slots;
}

void ExpandContainer(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& image) {
  image.clear();
  if (input.empty()) return;
  if (!IsCompact(input)) {
    image.assign(input.begin() + 1, input.end());
    return;
  }
  const std::uint8_t* in = input.data() + 1;
  image.resize(kHeaderBytes + input.size() - kCompactPrefixBytes, 0);
  std::uint8_t* h = image.data();
  StoreU32(h, LoadU32(in) ^ kVersion);
  StoreU32(h + 4, LoadU32(in + 4) ^ kHeaderBytes);
  std::memcpy(h + 8, in + 8, 8);
  std::memcpy(h + kLastSlotOffset, in + 16, 4);
  for (std::size_t k = 0; k < kCompactSlots; ++k) {
    std::uint8_t* slot = h + kDirectoryOffset + k * kSlotBytes;
    const bool other = k == 1 && (input[0] & kOtherProjectMode) != 0;
    StoreName(slot, other ? "C:\\Q.pro" : "C:\\P.pro");
    StoreU32(slot + kSlotKindOffset, LoadU32(in + 20 + 8 * k));
    StoreU32(slot + kSlotKindOffset + 4, LoadU32(in + 24 + 8 * k) + kHeaderBytes);
  }
  std::copy(input.begin() + kCompactPrefixBytes, input.end(), image.begin() + kHeaderBytes);
}

std::string CompactContainer(std::span<const std::pair<std::uint32_t, std::uint32_t>> slots,
                             const std::string& bodies) {
  std::string out(kCompactPrefixBytes, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(out.data());
  p[0] = kCompactMode;
  StoreU32(p + 1 + 16, static_cast<std::uint32_t>(slots.size()) - 1);
  for (std::size_t k = 0; k < slots.size() && k < kCompactSlots; ++k) {
    StoreU32(p + 1 + 20 + 8 * k, slots[k].first);
    StoreU32(p + 1 + 24 + 8 * k, slots[k].second);
  }
  return out + bodies;
}

}  // namespace tarnwick::fuzzing
