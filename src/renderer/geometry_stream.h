// Solids of a model body become renderer nodes: one node per solid, named
// after its id, with one triangle batch per geometry part. The container
// reader hands the parts over (formats/part_reader.h); this sends them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/model_sink.h"
#include "renderer/d5api.h"

namespace tarnwick {

// "Solid_" followed by a solid id written as a signed 32-bit decimal number, NUL-terminated,
// formed in place where it is needed: no solid's name is stored.
class SolidNodeName {
 public:
  explicit SolidNodeName(std::uint32_t solid_id) { Format(solid_id); }
  // Becomes the name of `solid_id`: the step added to the digits when it is an id above
  // this one's, as a solid table goes as a rule, formed anew otherwise.
  void Become(std::uint32_t solid_id) {
    // The id after this one's whose last digit is not a 9, as a solid table goes as a rule.
    if (solid_id - 1 == id_ && id_ < 0x7FFFFFFFu && text_[length_ - 1] != u'9') {
      id_ = solid_id;
      ++text_[length_ - 1];
      return;
    }
    BecomeElsewhere(solid_id);
  }
  // The name, NUL-terminated.
  const char16_t* c_str() const { return text_.data(); }
  // The name without its NUL.
  std::u16string_view view() const { return {text_.data(), length_}; }

 private:
  static constexpr std::size_t kPrefixLength = 6;

  void BecomeElsewhere(std::uint32_t solid_id);
  void Format(std::uint32_t solid_id);

  // "Solid_", a sign, ten digits and the NUL. The prefix stays: only the digits change.
  std::array<char16_t, 18> text_{u'S', u'o', u'l', u'i', u'd', u'_'};
  std::size_t length_ = 0;
  std::uint32_t id_ = 0;
};

// The node matrix of every solid: the 4 x 4 identity.
extern const std::array<float, 16> kNodeMatrix;

// 0, 1, 2, ... up to `vertices` from `sequence`, which is only ever extended; null for none.
const std::uint32_t* CountingIndices(std::vector<std::uint32_t>& sequence, std::uint32_t vertices);

// Makes the one D5API_AddIndexedTriangle call of a part, with vertex count C1 / 3 as the
// first count; a part whose index list refers past its vertices is not sent. `sequence`
// serves the indices of parts without an index list (see CountingIndices).
inline void SendPartTriangles(D5Session session, const char16_t* part_name,
                              const PartGeometry& part, std::vector<std::uint32_t>& sequence) {
  // The renderer takes its counts as signed, and would read positions outside the array.
  if (part.index_count > 0x7FFFFFFFu || !part.indices_in_range) return;
  const std::uint32_t vertices = part.position_count / 3;
  MeshDescriptor mesh{static_cast<std::int32_t>(vertices),
                      static_cast<std::int32_t>(part.index_count), part.positions,
                      part.attributes1, part.attributes2, part.indices};
  if (part.index_count == 0) {
    mesh.index_count = static_cast<std::int32_t>(vertices);
    mesh.indices = CountingIndices(sequence, vertices);
  }
  D5API_AddIndexedTriangle(session, part_name, &mesh);
}

}  // namespace tarnwick
