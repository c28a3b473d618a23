// The unit icosphere of the light volumes: an icosahedron with its poles on
// the y axis, each face split once into four, 42 vertices on the sphere.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

#include "core/trig.h"
#include "render/targets.h"

namespace vlm::render {
namespace {

struct Vec3 {
  double x, y, z;
};

Vec3 Normalised(Vec3 v) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / length, v.y / length, v.z / length};
}

// Counter-clockwise seen from outside: the face normal points away from
// the centre.
bool Outwards(const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
  const Vec3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  return n.x * (a.x + b.x + c.x) + n.y * (a.y + b.y + c.y) + n.z * (a.z + b.z + c.z) > 0.0;
}

}  // namespace

void BuildIcosphere(std::vector<float>* vertices, std::vector<uint32_t>* indices) {
  constexpr double kPi = 3.14159265358979323846;
  // The icosahedron: the poles and two rings of five at y = +-1/sqrt(5).
  std::vector<Vec3> points = {{0, -1, 0}, {0, 1, 0}};
  const double ringY = 1.0 / std::sqrt(5.0), ringR = 2.0 / std::sqrt(5.0);
  for (int k = 0; k < 5; ++k) {
    const double up = 2.0 * kPi * k / 5.0;
    points.push_back({ringR * vlm::Cos(up), ringY, ringR * vlm::Sin(up)});
  }
  for (int k = 0; k < 5; ++k) {
    const double down = 2.0 * kPi * k / 5.0 + kPi / 5.0;
    points.push_back({ringR * vlm::Cos(down), -ringY, ringR * vlm::Sin(down)});
  }
  std::vector<std::array<uint32_t, 3>> faces;
  for (uint32_t k = 0; k < 5; ++k) {
    const uint32_t u0 = 2 + k, u1 = 2 + (k + 1) % 5, l0 = 7 + k, l1 = 7 + (k + 1) % 5;
    faces.push_back({1, u0, u1});
    faces.push_back({u0, l0, u1});
    faces.push_back({u1, l0, l1});
    faces.push_back({0, l1, l0});
  }
  for (auto& f : faces)
    if (!Outwards(points[f[0]], points[f[1]], points[f[2]])) std::swap(f[1], f[2]);

  // One split: each edge's midpoint, pushed out onto the sphere, is shared
  // by the two faces of that edge.
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> midpoints;
  auto midpoint = [&](uint32_t a, uint32_t b) {
    const auto key = std::minmax(a, b);
    auto it = midpoints.find(key);
    if (it != midpoints.end()) return it->second;
    const Vec3 &p = points[a], &q = points[b];
    points.push_back(Normalised({(p.x + q.x) * 0.5, (p.y + q.y) * 0.5, (p.z + q.z) * 0.5}));
    const auto index = static_cast<uint32_t>(points.size() - 1);
    midpoints.emplace(key, index);
    return index;
  };
  std::vector<std::array<uint32_t, 3>> split;
  for (const auto& f : faces) {
    const uint32_t ab = midpoint(f[0], f[1]), bc = midpoint(f[1], f[2]), ca = midpoint(f[2], f[0]);
    split.push_back({f[0], ab, ca});
    split.push_back({ab, f[1], bc});
    split.push_back({ca, bc, f[2]});
    split.push_back({ab, bc, ca});
  }

  vertices->assign({0.0f, 0.0f, 0.0f, 1.0f});  // the centre
  for (const Vec3& p : points) {
    vertices->insert(vertices->end(), {static_cast<float>(p.x), static_cast<float>(p.y),
                                       static_cast<float>(p.z), 1.0f});
  }
  indices->clear();
  for (const auto& f : split)
    for (uint32_t i : f) indices->push_back(i + 1);  // past the centre
}

}  // namespace vlm::render
