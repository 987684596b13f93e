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
  // Becomes the name of `solid_id`: the digits counted up by one when it is the id after
  // this one's, as a solid table goes as a rule, formed anew otherwise.
  void Become(std::uint32_t solid_id);
  // The name, NUL-terminated.
  const char16_t* c_str() const { return text_.data(); }
  // The name without its NUL.
  std::u16string_view view() const { return {text_.data(), length_}; }

 private:
  void Format(std::uint32_t solid_id);

  // "Solid_", a sign, ten digits and the NUL.
  std::array<char16_t, 18> text_;
  std::size_t length_ = 0;
  std::uint32_t id_ = 0;
};

// The node matrix of every solid: the 4 x 4 identity.
extern const std::array<float, 16> kNodeMatrix;

// Makes the one D5API_AddIndexedTriangle call of a part, with vertex count C1 / 3 as the
// first count; a part whose index list refers past its vertices is not sent. `sequence`
// holds 0, 1, 2, ... for parts without an index list and is only ever extended.
void SendPartTriangles(D5Session session, const char16_t* part_name, const PartGeometry& part,
                       std::vector<std::uint32_t>& sequence);

}  // namespace tarnwick
