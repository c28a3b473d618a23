// A clean physics world for every test, and small builders for cages and
// bodies.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/engine_state.h"
#include "mesh/cage.h"
#include "mesh/cage_record.h"
#include "physics/world.h"
#include "scene/entity.h"
#include "physics/world_state.h"
#include "scene/object_record.h"
#include "velmora.h"

namespace phystest {

inline vlm::PhysicsWorld& World() { return vlm::World(); }

// Empties everything a test may have made and brings the world up again.
inline void ResetWorld() {
  vlm::ResetPhysics();
  vlm::ResetObjects();
  vlm::ResetCages();
  vlm::ResetTiming();
  VLM_SetPhysicsWaits(0);  // the tests need no pauses between the phases
}

class PhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetWorld(); }
  void TearDown() override { ResetWorld(); }
};

inline v4f P(float x, float y, float z) { return v4f{x, y, z, 1.0f}; }
inline v4f D(float x, float y, float z) { return v4f{x, y, z, 0.0f}; }

// One simulation step of dt seconds: without a frame time, a fixed time
// step runs exactly once per update (0 runs one step of no time).
inline void Step(float dt) {
  VLM_SetPhysicsTimeStep(dt, 1);
  VLM_UpdatePhysics(0);
}

inline VLM_OBJECT* Body(VLM_HANDLE id, VLM_HANDLE cage, float mass, v4f position, VLM_HANDLE material = -1) {
  VLM_OBJECT* body = VLM_CreateBody(id, cage, material, "");
  if (!body) return nullptr;
  VLM_BodyPosition(id == -1 ? reinterpret_cast<VLM_HANDLE>(body) : id, &position, 0);
  if (mass != 0.0f) VLM_SetBodyMass(id == -1 ? reinterpret_cast<VLM_HANDLE>(body) : id, mass);
  return body;
}

inline VLM_HANDLE H(const VLM_OBJECT* body) { return reinterpret_cast<VLM_HANDLE>(body); }

// A polyhedron cage from vertices and faces (edges derived), one root node
// boxing the vertices and the origin.
inline VLM_CAGE* PolyhedronCage(VLM_HANDLE id, const std::vector<v4f>& vertices,
                                const std::vector<std::array<int, 3>>& faces, int kind = VLM_CAGE_POLYHEDRON) {
  VLM_CAGE* cage = VLM_CreateCageListEntry(&id, "");
  if (!cage) return nullptr;
  cage->iKind = kind;
  VLM_CAGE_NODE* root = vlm::AddCageNode(*cage);
  cage->pRoot = root;
  VLM_CAGE_OUTLINE* outline = vlm::AddCageOutline(*cage, *root);
  outline->aVertices = vertices;
  for (const auto& f : faces) {
    VLM_CAGE_FACE face{};
    face.iVertex[0] = f[0];
    face.iVertex[1] = f[1];
    face.iVertex[2] = f[2];
    outline->aFaces.push_back(face);
    const int pairs[3][2] = {{f[0], f[1]}, {f[1], f[2]}, {f[2], f[0]}};
    for (const auto& p : pairs) {
      bool known = false;
      for (const VLM_CAGE_EDGE& e : outline->aEdges) {
        if ((e.iVertex[0] == p[0] && e.iVertex[1] == p[1]) || (e.iVertex[0] == p[1] && e.iVertex[1] == p[0])) {
          known = true;
        }
      }
      if (!known) outline->aEdges.push_back(VLM_CAGE_EDGE{{p[0], p[1]}});
    }
  }
  vlm::FinishCageOutline(*outline);
  vlm::SetNodeBoxWithOrigin(*root, vertices);
  return cage;
}

// A flat plate in the x-z plane, |x|, |z| <= half, both faces looking up.
inline VLM_CAGE* PlateCage(VLM_HANDLE id, float half) {
  return PolyhedronCage(id, {P(-half, 0, -half), P(-half, 0, half), P(half, 0, half), P(half, 0, -half)},
                        {{{0, 1, 2}}, {{0, 2, 3}}});
}

// A box with an outline (8 corners, 12 outward faces), like a box cage
// fitted to a mesh.
inline VLM_CAGE* OutlinedBoxCage(VLM_HANDLE id, float hx, float hy, float hz) {
  std::vector<v4f> corners;
  for (int i = 0; i < 8; ++i) corners.push_back(P((i & 1) ? hx : -hx, (i & 2) ? hy : -hy, (i & 4) ? hz : -hz));
  return PolyhedronCage(id, corners,
                        {{{1, 2, 3}}, {{1, 0, 2}}, {{4, 7, 6}}, {{4, 5, 7}}, {{0, 6, 2}}, {{0, 4, 6}},
                         {{5, 3, 7}}, {{5, 1, 3}}, {{0, 5, 4}}, {{0, 1, 5}}, {{6, 3, 2}}, {{6, 7, 3}}},
                        VLM_CAGE_BOX);
}

}  // namespace phystest
