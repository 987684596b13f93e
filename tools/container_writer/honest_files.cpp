#include "container_writer/honest_files.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

namespace tarnwick::container_writer {

namespace {

constexpr char16_t kProject[] = u"C:\\Projects\\Honest.pro";

// One small triangle, moved along x by `shift`.
Part Triangle(const char16_t* name, float shift) {
  return Part{name, {shift, 0, 0, shift + 1, 0, 0, shift, 1, 0}, {}, {}, {0, 1, 2}, {}, false};
}

// A model whose solids are all in `body.solids`.
HonestModel Model(std::string name, ModelBody body) {
  HonestModel model;
  model.name = std::move(name);
  model.solids = body.solids.size();
  for (const Solid& solid : body.solids) model.parts += solid.parts.size() + solid.shared.size();
  body.materials = {u"MaterialID_Name [Honest]\n"};
  // The camera block stands where the reading of the last solid ends: only where that
  // solid's last part ends the solid section can the host write one.
  if (body.order == SolidOrder::kInOrder || body.order == SolidOrder::kSolidsThenParts) {
    if (body.shared_parts.empty()) body.cameras = u"";
  }
  model.cameras = body.cameras.has_value();
  model.container = ModelFile(kProject, std::move(body));
  return model;
}

}  // namespace

HonestModel ManySmallSolids(std::size_t solids) {
  ModelBody body;
  body.generated_solids = solids;
  body.generate_solid = [](std::size_t i, Solid& solid) {
    solid.id = static_cast<std::uint32_t>(i + 1);
    solid.time_stamp = 7;
    solid.parts = {Triangle(u"t", static_cast<float>(i % 1000))};
  };
  HonestModel model = Model("many small solids in order", std::move(body));
  model.solids = model.parts = solids;
  return model;
}

Container ManySmallSolidsUpdate(std::size_t solids, std::size_t changed) {
  RemovalList removed{u"Solid", {}};
  ModelBody body;
  body.materials = {u"MaterialID_Name [Honest]\n"};
  const std::size_t step = std::max<std::size_t>(1, solids / std::max<std::size_t>(1, changed));
  for (std::size_t i = 0; i < changed && i * step < solids; ++i) {
    const auto id = static_cast<std::uint32_t>(i * step + 1);
    removed.ids.push_back(id);
    body.solids.push_back(Solid{id, 8, u"", {Triangle(u"t", static_cast<float>(i % 1000))}, false});
  }
  return IncrementalFile(kProject, RemovalSection{{std::move(removed)}}, std::move(body));
}

HonestModel SolidsInOrder(SolidOrder order, std::size_t solids) {
  static constexpr const char* kNames[] = {"solids in order", "a solid table in reverse file order",
                                           "all solid records before all parts",
                                           "parts written before their solid"};
  ModelBody body;
  body.order = order;
  body.solids.resize(solids);
  for (std::size_t i = 0; i < solids; ++i) {
    const float shift = static_cast<float>(i);
    body.solids[i] = Solid{static_cast<std::uint32_t>(i + 1), 7, u"", {Triangle(u"a", shift),
                           Triangle(u"b", shift + 0.5f)}, false};
  }
  return Model(kNames[static_cast<int>(order)], std::move(body));
}

HonestModel SolidsSharingOnePart(std::size_t solids, std::size_t vertices) {
  // A strip closed into a ring: vertex k joins k+1 and the two across, two triangles each.
  Part shared{u"shared", {}, {}, {}, {}, {}, false};
  const std::size_t half = vertices / 2;
  for (std::size_t k = 0; k < 2 * half; ++k) {
    const float x = static_cast<float>(k % half);
    shared.positions.insert(shared.positions.end(), {x, static_cast<float>(k / half), 0});
  }
  for (std::size_t k = 0; k < half; ++k) {
    const auto a = static_cast<std::uint32_t>(k), b = static_cast<std::uint32_t>((k + 1) % half);
    const auto c = static_cast<std::uint32_t>(a + half), d = static_cast<std::uint32_t>(b + half);
    shared.indices.insert(shared.indices.end(), {a, b, c, b, d, c, a, c, b, b, c, d});
  }
  ModelBody body;
  body.shared_parts = {std::move(shared)};
  body.solids.resize(solids);
  for (std::size_t i = 0; i < solids; ++i) {
    body.solids[i].id = static_cast<std::uint32_t>(i + 1);
    body.solids[i].time_stamp = 7;
    body.solids[i].shared = {0};
  }
  return Model("solids sharing one part record", std::move(body));
}

HonestModel ClosedBoxes(std::size_t boxes) {
  // Six faces of four corners each, so that every face has its own normal and texture.
  static constexpr std::array<std::array<float, 3>, 6> kNormals = {
      {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}};
  Part box{u"box", {}, {}, {}, {}, {}, false};
  for (std::uint32_t f = 0; f < 6; ++f) {
    const std::array<float, 3>& n = kNormals[f];
    const int axis = n[0] != 0 ? 0 : n[1] != 0 ? 1 : 2;
    for (int corner = 0; corner < 4; ++corner) {
      std::array<float, 3> p = {0, 0, 0};
      p[axis] = n[axis] > 0 ? 1.0f : 0.0f;
      p[(axis + 1) % 3] = static_cast<float>(corner & 1);
      p[(axis + 2) % 3] = static_cast<float>(corner >> 1);
      box.positions.insert(box.positions.end(), p.begin(), p.end());
      for (const float v : n) box.attributes2.push_back(std::bit_cast<std::uint32_t>(v));
      box.attributes1.push_back(std::bit_cast<std::uint32_t>(static_cast<float>(corner & 1)));
      box.attributes1.push_back(std::bit_cast<std::uint32_t>(static_cast<float>(corner >> 1)));
    }
    const std::uint32_t v = 4 * f;
    box.indices.insert(box.indices.end(), {v, v + 1, v + 3, v, v + 3, v + 2});
  }
  ModelBody body;
  body.generated_solids = boxes;
  body.generate_solid = [box](std::size_t i, Solid& solid) {
    solid.id = static_cast<std::uint32_t>(i + 1);
    solid.time_stamp = 7;
    solid.parts = {box};
  };
  HonestModel model = Model("closed boxes with normals and texture coordinates", std::move(body));
  model.solids = model.parts = boxes;
  return model;
}

std::vector<HonestModel> HonestCorpus() {
  std::vector<HonestModel> corpus;
  corpus.push_back(ManySmallSolids(200000));
  corpus.push_back(SolidsInOrder(SolidOrder::kReversed, 2000));
  corpus.push_back(SolidsInOrder(SolidOrder::kSolidsThenParts, 2000));
  corpus.push_back(SolidsInOrder(SolidOrder::kPartsFirst, 2000));
  corpus.push_back(SolidsSharingOnePart(2000, 100000));
  corpus.push_back(ClosedBoxes(50000));
  return corpus;
}

}  // namespace tarnwick::container_writer
