// The same steps give the same bits on every CPU: a mixed scene of spheres,
// boxes made from sizes, a rod-joined pair and a spring, hashed every 100
// steps and compared with hashes committed here. A hash that differs on one
// machine only means some result depends on the CPU (an estimate
// instruction, a fused multiply-add, a library routine chosen at run time).
// After an intended change of the physics, take the new table from the
// failure message.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "core/registries.h"
#include "physics_fixture.h"

namespace {

using namespace phystest;

// Hashes at steps 100, 200, ..., 600; one row for 1 pass, one for 10.
constexpr uint64_t kExpected[2][6] = {
    {0xccbe4411eb1ddaacu, 0x477cc34f53a0454cu, 0x78766920ff20b5ddu, 0xe68de92488f139e4u, 0x1d366babd59e1741u, 0x6cf802428aa44926u},
    {0xaae3a432e4f3b820u, 0x74a7264e8e93198au, 0x1537b8e7539565fdu, 0xc9062d6e68d3e7edu, 0xc4ff36c2758e0b64u, 0x382306945fe1a24du},
};

// A small linear congruential generator: the scene is the same everywhere.
struct Lcg {
  uint32_t state = 2024u;
  float Next(float lo, float hi) {
    state = state * 1664525u + 1013904223u;
    return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
  }
};

void BuildMixedScene() {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_CreateBoxCage(1, 200.0f, 2.0f, 200.0f, "");
  Body(-1, 1, 0.0f, P(0, -1, 0));
  VLM_CreateSphereCage(2, 1.0f, "");
  VLM_CreateBoxCage(3, 1.0f, 0.6f, 1.4f, "");
  Lcg random;
  // Spheres and boxes dropped over one another with some spin and drift,
  // so that they meet the ground, each other and the joined pairs.
  for (int i = 0; i < 24; ++i) {
    const VLM_HANDLE cage = i % 3 == 0 ? 3 : 2;
    VLM_OBJECT* body = Body(-1, cage, 1.0f + random.Next(0, 2), P(random.Next(-3, 3), 1 + 0.8f * i, random.Next(-3, 3)));
    VLM_BodyRotation(H(body), random.Next(0, 90), random.Next(0, 90), random.Next(0, 90), 0);
    VLM_SetBodyVelocity(H(body), nullptr, random.Next(-2, 2), 0, random.Next(-2, 2), 0);
    VLM_SetBodyAngularVelocity(H(body), nullptr, random.Next(-3, 3), random.Next(-3, 3), random.Next(-3, 3), 0);
  }
  VLM_OBJECT* rodA = Body(-1, 2, 1.0f, P(-2, 4, 5));
  VLM_OBJECT* rodB = Body(-1, 2, 1.0f, P(2, 4, 5));
  VLM_CreateJoint(-1, VLM_JOINT_ROD, H(rodA), H(rodB), 0, 0, 0, 0, 0, 0);
  VLM_SetBodyVelocity(H(rodA), nullptr, 0, 0, -3, 0);
  VLM_OBJECT* springA = Body(-1, 3, 1.0f, P(-1, 6, -5));
  VLM_OBJECT* springB = Body(-1, 3, 1.0f, P(1, 8, -5));
  VLM_JOINT* spring = VLM_CreateJoint(-1, VLM_JOINT_SPRING, H(springA), H(springB), 0, 0, 0, 0, 0, 0);
  VLM_SetJointStiffness(spring->iHandle, 20.0f);
  VLM_SetJointDamping(spring->iHandle, 1.0f);
  VLM_SetBodyVelocity(H(springB), nullptr, 2, 0, 1, 0);
}

TEST_F(PhysicsTest, MixedSceneGivesTheSameBitsOnEveryCpu) {
  uint64_t got[2][6] = {};
  for (int row = 0; row < 2; ++row) {
    ResetWorld();
    BuildMixedScene();
    VLM_SetPhysicsTimeStep(1.0f / 60.0f, 1);
    VLM_SetPhysicsContactPasses(row == 0 ? 1 : 10);
    for (int step = 1; step <= 600; ++step) {
      VLM_UpdatePhysics(0);
      if (step % 100 == 0) got[row][step / 100 - 1] = VLM_GetPhysicsStateHash();
    }
    // Every number finite and every dynamic body still on the ground (its
    // top is y = 0; the lowest resting centre is 0.3): a hash of bodies
    // that blew up or fell through would prove little.
    vlm::BodyRegistry().ForEach([&](const VLM_OBJECT* body) {
      EXPECT_TRUE(std::isfinite(body->v4fPosition.x + body->v4fPosition.y + body->v4fPosition.z +
                                body->Body.v4fVelocity.x + body->q4fOrientation.w)) << row;
      EXPECT_TRUE(body->Body.fMass == 0.0f || body->v4fPosition.y > 0.2f) << row << " y " << body->v4fPosition.y;
    });
  }
  std::string table;
  char cell[32];
  for (const auto& row : got) {
    table += "    {";
    for (int i = 0; i < 6; ++i) {
      std::snprintf(cell, sizeof cell, "%s0x%016" PRIx64 "u", i ? ", " : "", row[i]);
      table += cell;
    }
    table += "},\n";
  }
  for (int row = 0; row < 2; ++row) {
    for (int i = 0; i < 6; ++i) {
      ASSERT_EQ(got[row][i], kExpected[row][i])
          << (row ? 10 : 1) << " passes, step " << 100 * (i + 1) << "; this machine's table:\n" << table;
    }
  }
}

}  // namespace
