#include "renderer/geometry_stream.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "platform/text.h"

namespace tarnwick {

const std::array<float, 16> kNodeMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void SolidNodeName::Format(std::uint32_t solid_id) {
  static constexpr std::u16string_view kPrefix = u"Solid_";
  id_ = solid_id;
  char16_t* end = WriteDecimal(text_.data() + kPrefix.copy(text_.data(), kPrefix.size()),
                               static_cast<std::int32_t>(solid_id));
  *end = u'\0';
  length_ = static_cast<std::size_t>(end - text_.data());
}

void SolidNodeName::Become(std::uint32_t solid_id) {
  // Counting up works while both ids are non-negative as signed numbers, and a solid table
  // goes by steps of one as a rule; an update's by a few.
  if (solid_id <= id_ || solid_id - id_ > 9 || solid_id > 0x7FFFFFFFu) {
    Format(solid_id);
    return;
  }
  std::uint32_t carry = solid_id - id_;
  id_ = solid_id;
  std::size_t i = length_ - 1;
  for (; carry != 0 && text_[i] != u'_'; --i) {
    const std::uint32_t digit = static_cast<std::uint32_t>(text_[i] - u'0') + carry;
    text_[i] = static_cast<char16_t>(u'0' + digit % 10);
    carry = digit / 10;
  }
  if (carry == 0) return;
  // One digit more: the carry before the digits.
  std::copy_backward(text_.data() + i + 1, text_.data() + length_ + 1, text_.data() + length_ + 2);
  text_[i + 1] = static_cast<char16_t>(u'0' + carry);
  ++length_;
}

namespace {

// Parts longer than this are not sent: the renderer takes its counts as signed.
constexpr std::uint32_t kMaxCount = std::numeric_limits<std::int32_t>::max();

}  // namespace

void SendPartTriangles(D5Session session, const char16_t* part_name, const PartGeometry& part,
                       std::vector<std::uint32_t>& sequence) {
  const std::uint32_t vertices = part.position_count / 3;
  // The renderer would read positions outside the array.
  if (part.index_count > kMaxCount || !part.indices_in_range) return;
  MeshDescriptor mesh;
  mesh.first_count = static_cast<std::int32_t>(vertices);
  mesh.positions = part.positions;
  mesh.attributes1 = part.attributes1;
  mesh.attributes2 = part.attributes2;
  if (part.index_count != 0) {
    mesh.index_count = static_cast<std::int32_t>(part.index_count);
    mesh.indices = part.indices;
  } else {
    if (sequence.size() < vertices) {
      const std::size_t known = sequence.size();
      sequence.resize(vertices);
      std::iota(sequence.begin() + static_cast<std::ptrdiff_t>(known), sequence.end(),
                static_cast<std::uint32_t>(known));
    }
    mesh.index_count = static_cast<std::int32_t>(vertices);
    mesh.indices = vertices ? sequence.data() : nullptr;
  }
  D5API_AddIndexedTriangle(session, part_name, &mesh);
}

}  // namespace tarnwick
