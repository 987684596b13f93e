// Simple meshes for the host simulator's demonstration model: a terrain, boxes,
// cylinders and spheres, turned into container parts with positions, normals
// (the part's second attribute array) and texture coordinates (its first).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"

namespace tarnwick::host_sim {

// An indexed triangle mesh in host coordinates (z up, metres).
struct Mesh {
  std::vector<float> positions;  // x y z per vertex
  std::vector<float> normals;    // x y z per vertex
  std::vector<float> uvs;        // u v per vertex
  std::vector<std::uint32_t> indices;
};

// A rolling terrain of cells x cells squares, size metres wide, centred on the origin.
Mesh Terrain(int cells, float size);

// An axis-aligned box between two corners.
Mesh Box(float x0, float y0, float z0, float x1, float y1, float z1);

// An upright open cylinder around (x, y) from z0 to z1.
Mesh Cylinder(float x, float y, float z0, float z1, float radius, int segments);

// A sphere of rings x segments quads.
Mesh Sphere(float x, float y, float z, float radius, int rings, int segments);

// A gable roof over the rectangle (x0, y0)-(x1, y1), eaves at z0 and ridge at z1.
Mesh GableRoof(float x0, float y0, float x1, float y1, float z0, float z1);

// The mesh as one part; with_indices false writes the triangles out vertex by
// vertex and leaves the index list empty (the bridge then numbers the vertices).
container_writer::Part ToPart(const std::u16string& name, const Mesh& mesh,
                              bool with_indices = true);

// Triangles of a part as the bridge will send them.
std::size_t TriangleCount(const container_writer::Part& part);

}  // namespace tarnwick::host_sim
