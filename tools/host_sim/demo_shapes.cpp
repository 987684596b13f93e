#include "host_sim/demo_shapes.h"

#include <bit>
#include <cmath>

namespace tarnwick::host_sim {

namespace {

constexpr float kPi = 3.14159265f;

struct Vec {
  float x, y, z;
};

Vec Cross(Vec a, Vec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec Normalised(Vec v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return length > 0 ? Vec{v.x / length, v.y / length, v.z / length} : Vec{0, 0, 1};
}

std::uint32_t AddVertex(Mesh& mesh, Vec p, Vec n, float u, float v) {
  const auto index = static_cast<std::uint32_t>(mesh.positions.size() / 3);
  mesh.positions.insert(mesh.positions.end(), {p.x, p.y, p.z});
  mesh.normals.insert(mesh.normals.end(), {n.x, n.y, n.z});
  mesh.uvs.insert(mesh.uvs.end(), {u, v});
  return index;
}

// A flat quad a-b-c-d (counter-clockwise seen from outside) with its own vertices.
void AddQuad(Mesh& mesh, Vec a, Vec b, Vec c, Vec d) {
  const Vec n =
      Normalised(Cross({b.x - a.x, b.y - a.y, b.z - a.z}, {d.x - a.x, d.y - a.y, d.z - a.z}));
  const std::uint32_t i = AddVertex(mesh, a, n, 0, 0);
  AddVertex(mesh, b, n, 1, 0);
  AddVertex(mesh, c, n, 1, 1);
  AddVertex(mesh, d, n, 0, 1);
  mesh.indices.insert(mesh.indices.end(), {i, i + 1, i + 2, i, i + 2, i + 3});
}

// Two triangles per cell of a (columns + 1) x (rows + 1) vertex grid that starts at first.
void AddGridIndices(Mesh& mesh, std::uint32_t first, int columns, int rows) {
  const auto stride = static_cast<std::uint32_t>(columns + 1);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const std::uint32_t i =
          first + static_cast<std::uint32_t>(r) * stride + static_cast<std::uint32_t>(c);
      mesh.indices.insert(mesh.indices.end(),
                          {i, i + 1, i + stride + 1, i, i + stride + 1, i + stride});
    }
  }
}

std::vector<std::uint32_t> Bits(const std::vector<float>& values) {
  std::vector<std::uint32_t> bits;
  bits.reserve(values.size());
  for (float value : values) bits.push_back(std::bit_cast<std::uint32_t>(value));
  return bits;
}

}  // namespace

Mesh Terrain(int cells, float size) {
  Mesh mesh;
  const float step = size / static_cast<float>(cells);
  for (int r = 0; r <= cells; ++r) {
    for (int c = 0; c <= cells; ++c) {
      const float x = -size / 2 + step * static_cast<float>(c);
      const float y = -size / 2 + step * static_cast<float>(r);
      // Gentle hills away from the house in the middle.
      const float z = 0.4f * std::sin(x * 0.15f) * std::cos(y * 0.12f) *
                      std::min(1.0f, (x * x + y * y) / 400.0f);
      AddVertex(mesh, {x, y, z},
                Normalised({-0.06f * std::cos(x * 0.15f), 0.05f * std::sin(y * 0.12f), 1}),
                static_cast<float>(c) / 4, static_cast<float>(r) / 4);
    }
  }
  AddGridIndices(mesh, 0, cells, cells);
  return mesh;
}

Mesh Box(float x0, float y0, float z0, float x1, float y1, float z1) {
  Mesh mesh;
  AddQuad(mesh, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0});  // bottom
  AddQuad(mesh, {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1});  // top
  AddQuad(mesh, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1});  // front
  AddQuad(mesh, {x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1});  // back
  AddQuad(mesh, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1});  // left
  AddQuad(mesh, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1});  // right
  return mesh;
}

Mesh Cylinder(float x, float y, float z0, float z1, float radius, int segments) {
  Mesh mesh;
  for (int row = 0; row <= 1; ++row) {
    for (int s = 0; s <= segments; ++s) {
      const float angle = 2 * kPi * static_cast<float>(s) / static_cast<float>(segments);
      const Vec n{std::cos(angle), std::sin(angle), 0};
      AddVertex(mesh, {x + radius * n.x, y + radius * n.y, row == 0 ? z0 : z1}, n,
                static_cast<float>(s) / static_cast<float>(segments), static_cast<float>(row));
    }
  }
  AddGridIndices(mesh, 0, segments, 1);
  return mesh;
}

Mesh Sphere(float x, float y, float z, float radius, int rings, int segments) {
  Mesh mesh;
  for (int r = 0; r <= rings; ++r) {
    const float polar = kPi * static_cast<float>(r) / static_cast<float>(rings);
    for (int s = 0; s <= segments; ++s) {
      const float azimuth = 2 * kPi * static_cast<float>(s) / static_cast<float>(segments);
      const Vec n{std::sin(polar) * std::cos(azimuth), std::sin(polar) * std::sin(azimuth),
                  -std::cos(polar)};
      AddVertex(mesh, {x + radius * n.x, y + radius * n.y, z + radius * n.z}, n,
                static_cast<float>(s) / static_cast<float>(segments),
                static_cast<float>(r) / static_cast<float>(rings));
    }
  }
  AddGridIndices(mesh, 0, segments, rings);
  return mesh;
}

Mesh GableRoof(float x0, float y0, float x1, float y1, float z0, float z1) {
  Mesh mesh;
  const float ym = (y0 + y1) / 2;
  AddQuad(mesh, {x0, y0, z0}, {x1, y0, z0}, {x1, ym, z1}, {x0, ym, z1});
  AddQuad(mesh, {x1, y1, z0}, {x0, y1, z0}, {x0, ym, z1}, {x1, ym, z1});
  // The two gable ends as degenerate quads (a triangle and a repeated corner).
  AddQuad(mesh, {x0, y1, z0}, {x0, y0, z0}, {x0, ym, z1}, {x0, ym, z1});
  AddQuad(mesh, {x1, y0, z0}, {x1, y1, z0}, {x1, ym, z1}, {x1, ym, z1});
  return mesh;
}

container_writer::Part ToPart(const std::u16string& name, const Mesh& mesh, bool with_indices) {
  container_writer::Part part;
  part.name = name;
  if (with_indices) {
    part.positions = mesh.positions;
    part.attributes2 = Bits(mesh.normals);
    part.attributes1 = Bits(mesh.uvs);
    part.indices = mesh.indices;
    return part;
  }
  std::vector<float> normals, uvs;
  for (std::uint32_t i : mesh.indices) {
    part.positions.insert(part.positions.end(), mesh.positions.begin() + 3 * i,
                          mesh.positions.begin() + 3 * i + 3);
    normals.insert(normals.end(), mesh.normals.begin() + 3 * i, mesh.normals.begin() + 3 * i + 3);
    uvs.insert(uvs.end(), mesh.uvs.begin() + 2 * i, mesh.uvs.begin() + 2 * i + 2);
  }
  part.attributes2 = Bits(normals);
  part.attributes1 = Bits(uvs);
  return part;
}

std::size_t TriangleCount(const container_writer::Part& part) {
  return part.indices.empty() ? part.positions.size() / 9 : part.indices.size() / 3;
}

}  // namespace tarnwick::host_sim
