// A program without a window that uses only the installed engine: a ball
// dropped onto a box ground with a fixed step of 1/60 s comes to rest, and a
// second run with the same inputs ends at bit-identical positions.
#include <velmora.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct Rest {
  float x, y, z;
  float energy;  // kinetic, translation and rotation
};

Rest Drop() {
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_SetPhysicsTimeStep(1.0f / 60.0f, 4);
  VLM_CreateBoxCage(1, 20.0f, 2.0f, 20.0f, "");
  VLM_CreateSphereCage(2, 1.0f, "");  // radius 0.5
  VLM_CreateBody(1, 1, -1, "");
  const v4f below{0.0f, -1.0f, 0.0f, 1.0f};  // top face at y = 0
  VLM_BodyPosition(1, &below, 0);
  VLM_OBJECT* ball = VLM_CreateBody(2, 2, -1, "");
  const v4f start{0.3f, 4.0f, -0.2f, 1.0f};
  VLM_BodyPosition(2, &start, 0);
  VLM_SetBodyMass(2, 1.0f);
  for (int i = 0; i < 600; ++i) VLM_UpdatePhysics(0);
  m4f world;
  VLM_EntityWorldMatrix(&world, ball, 1);  // row 3 is the position
  const Rest rest{world.e[12], world.e[13], world.e[14],
                  VLM_GetPhysicsEnergy(VLM_ENERGY_TRANSLATION | VLM_ENERGY_ROTATION)};
  VLM_FreeBody(2);
  VLM_FreeBody(1);
  VLM_FreeCage(2);
  VLM_FreeCage(1);
  return rest;
}

}  // namespace

int main() {
  VLM_Init();
  const Rest first = Drop();
  const Rest second = Drop();
  const bool resting = std::fabs(first.y - 0.5f) < 0.02f && first.energy < 0.01f;
  const bool same = std::memcmp(&first, &second, sizeof(Rest)) == 0;
  unsigned bits[3];
  std::memcpy(bits, &first, sizeof(bits));
  // The bits go to the output, so that two processes can be compared too.
  std::printf("ball %08x %08x %08x y=%.4f energy=%.6f\n", bits[0], bits[1], bits[2], first.y, first.energy);
  std::puts(resting && same ? "drop ok" : resting ? "drop differs between runs" : "drop not at rest");
  return resting && same ? 0 : 1;
}
