#include "renderer/geometry_stream.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace tarnwick {

const std::array<float, 16> kNodeMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void SolidNodeName::Format(std::uint32_t solid_id) {
  id_ = solid_id;
  static constexpr std::u16string_view kPrefix = u"Solid_";
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  const auto id = static_cast<std::int32_t>(solid_id);
  // The digits of the magnitude as an unsigned number (-2^31 has none as a signed one), two
  // at a time from the last: a node is named for every solid sent.
  std::uint32_t magnitude = id < 0 ? 0u - solid_id : solid_id;
  char16_t digits[10];
  char16_t* first = digits + 10;
  while (magnitude >= 100) {
    const std::uint32_t pair = 2 * (magnitude % 100);
    magnitude /= 100;
    *--first = static_cast<char16_t>(kPairs[pair + 1]);
    *--first = static_cast<char16_t>(kPairs[pair]);
  }
  if (magnitude >= 10) {
    *--first = static_cast<char16_t>(kPairs[2 * magnitude + 1]);
    *--first = static_cast<char16_t>(kPairs[2 * magnitude]);
  } else {
    *--first = static_cast<char16_t>(u'0' + magnitude);
  }
  std::size_t n = kPrefix.copy(text_.data(), kPrefix.size());
  if (id < 0) text_[n++] = u'-';
  const auto count = static_cast<std::size_t>(digits + 10 - first);
  std::copy(first, first + count, text_.data() + n);
  n += count;
  text_[n] = u'\0';
  length_ = n;
}

void SolidNodeName::Become(std::uint32_t solid_id) {
  // Counting up works while both ids are non-negative as signed numbers.
  if (solid_id != id_ + 1 || solid_id > 0x7FFFFFFFu) {
    Format(solid_id);
    return;
  }
  id_ = solid_id;
  std::size_t i = length_ - 1;
  while (text_[i] == u'9') text_[i--] = u'0';
  if (text_[i] != u'_') {
    ++text_[i];
    return;
  }
  // All nines: one digit more, a 1 before the zeros.
  text_[i + 1] = u'1';
  text_[length_] = u'0';
  text_[++length_] = u'\0';
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
