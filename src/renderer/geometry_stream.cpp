#include "renderer/geometry_stream.h"

#include <numeric>

#include "platform/text.h"

namespace tarnwick {

const std::array<float, 16> kNodeMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void SolidNodeName::Format(std::uint32_t solid_id) {
  id_ = solid_id;
  char16_t* end = WriteDecimal(text_.data() + kPrefixLength, static_cast<std::int32_t>(solid_id));
  *end = u'\0';
  length_ = static_cast<std::size_t>(end - text_.data());
}

void SolidNodeName::BecomeElsewhere(std::uint32_t solid_id) {
  // Adding the step to the digits works while both ids are non-negative as signed numbers:
  // a solid table goes up by one as a rule, an update's by some.
  if (solid_id <= id_ || solid_id > 0x7FFFFFFFu) {
    Format(solid_id);
    return;
  }
  std::uint32_t carry = solid_id - id_;
  for (std::size_t i = length_ - 1; carry != 0 && i >= kPrefixLength; --i) {
    const std::uint32_t digit = static_cast<std::uint32_t>(text_[i] - u'0') + carry;
    text_[i] = static_cast<char16_t>(u'0' + digit % 10);
    carry = digit / 10;
  }
  // A carry left over needs more digits than the name had.
  if (carry != 0) {
    Format(solid_id);
    return;
  }
  id_ = solid_id;
}

const std::uint32_t* CountingIndices(std::vector<std::uint32_t>& sequence, std::uint32_t vertices) {
  if (sequence.size() < vertices) {
    const std::size_t known = sequence.size();
    sequence.resize(vertices);
    std::iota(sequence.begin() + static_cast<std::ptrdiff_t>(known), sequence.end(),
              static_cast<std::uint32_t>(known));
  }
  return vertices ? sequence.data() : nullptr;
}

}  // namespace tarnwick
