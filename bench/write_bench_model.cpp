// Writes the benchmark's model file: a host-sized model of the requested size
// (4,087 solids of 3 to 5 indexed triangle grids per GiB, 300 materials, 40
// lights), with its arrays aligned or placed wherever the part names leave
// them. Beside it, the account of what a complete export sends: one line per
// part with the fields the stand-in's journal records for it.
//
//   write_bench_model MODEL_PATH EXPECTED_PATH MIB aligned|host
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "container_writer/container_writer.h"
#include "standin/journal_line.h"

namespace {

namespace cw = tarnwick::container_writer;

constexpr std::size_t kSolidsPerGiB = 4087;
constexpr std::size_t kMaterials = 300;
constexpr std::size_t kLights = 40;
constexpr std::size_t kBaseVertices = 960;
constexpr std::size_t kVertexStep = 64;
constexpr std::size_t kVertexSteps = 9;
constexpr std::uint32_t kFirstSolidId = 1000;

// Part j of solid i: a grid of about 1,200 vertices and two triangles per vertex.
void MakePart(std::size_t i, std::size_t j, cw::Part& part) {
  const std::size_t vertices = kBaseVertices + ((i * 7 + j * 13) % kVertexSteps) * kVertexStep;
  // Names of varying length move the arrays of unaligned files off 4-byte offsets.
  part.name = cw::Widen("Part" + std::to_string(i % 10 + j));
  part.positions.resize(3 * vertices);
  for (std::size_t k = 0; k < part.positions.size(); ++k) {
    part.positions[k] = 0.001f * static_cast<float>(k + i);
  }
  part.attributes1.assign(3 * vertices, 0x3F800000);
  part.attributes2.assign(2 * vertices, static_cast<std::uint32_t>(i));
  part.indices.resize(6 * vertices);
  for (std::size_t k = 0; k < part.indices.size(); ++k) {
    part.indices[k] = static_cast<std::uint32_t>((k * 2654435761u + i) % vertices);
  }
}

struct Account {
  std::FILE* out = nullptr;
  std::size_t parts = 0;
};

cw::ModelBody MakeBody(std::size_t solids, Account& account) {
  cw::ModelBody body;
  for (std::size_t m = 0; m < kMaterials; ++m) {
    body.materials.push_back(cw::Widen("MaterialID_Name [M" + std::to_string(m) +
                                       "]\nDiffuse 0.6 0.4 0.2"));
  }
  for (std::size_t l = 0; l < kLights; ++l) {
    body.lights.push_back(cw::Widen("LightSource [point]\nLightSolidID [" +
                                    std::to_string(l + 1) + "]"));
  }
  body.generated_solids = solids;
  body.generate_solid = [&account](std::size_t i, cw::Solid& solid) {
    solid.id = static_cast<std::uint32_t>(kFirstSolidId + i);
    solid.time_stamp = static_cast<std::uint32_t>(i);
    solid.label = u"Solid";
    solid.parts.resize(3 + i % 3);
    for (std::size_t j = 0; j < solid.parts.size(); ++j) {
      cw::Part& part = solid.parts[j];
      MakePart(i, j, part);
      std::fprintf(account.out, "%zu %zu %s %s\n", part.positions.size() / 3, part.indices.size(),
                   standin::Fnv1a64Hex(part.positions.data(), part.positions.size() * 4).c_str(),
                   standin::Fnv1a64Hex(part.indices.data(), part.indices.size() * 4).c_str());
      ++account.parts;
    }
  };
  body.cameras = u"Cameras_Start\nCameras_End";
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: write_bench_model MODEL EXPECTED MIB aligned|host\n");
    return 2;
  }
  const std::size_t mib = std::strtoull(argv[3], nullptr, 10);
  const std::size_t solids = (kSolidsPerGiB * mib + 1023) / 1024;
  Account account;
  account.out = std::fopen(argv[2], "w");
  std::FILE* model = std::fopen(argv[1], "wb");
  if (!account.out || !model) return 1;
  cw::Container container = cw::ModelFile(u"C:\\Bench\\Model.pro", MakeBody(solids, account));
  container.align_arrays = std::strcmp(argv[4], "aligned") == 0;
  const bool written = cw::WriteContainer(container, model);
  std::fclose(model);
  std::fclose(account.out);
  if (!written) return 1;
  std::printf("%zu solids, %zu parts\n", solids, account.parts);
  return 0;
}
