// Uses the installed header and library: a vector sum, a log row, a physics
// result and handle look-ups by address. Built at every -O level, with and
// without -flto: the answers must not depend on the program's flags.
#include <velmora.h>

#include <cmath>
#include <cstdio>

int main() {
  v4f point{1, 2, 3, 1};
  const v4f step{1, 1, 1, 0};
  VLM_v4fAdd(&point, &step);
  VLM_OpenLogFile("consumer-log.html", 0, 1);
  VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", "main");
  bool ok = point.x == 2 && point.y == 3 && point.z == 4 && point.w == 1;

  VLM_Init();
  // A sphere of diameter 2 and mass 2 spinning at 3: 1/2 * (2/5 * 2 * 1) * 9.
  VLM_CAGE* cage = VLM_CreateSphereCage(-1, 2.0f, "");
  VLM_OBJECT* body = VLM_CreateBody(-1, (VLM_HANDLE)cage, -1, "");
  ok = ok && cage && body && VLM_IsCage((VLM_HANDLE)cage) == cage && VLM_IsBody((VLM_HANDLE)body) == body;
  VLM_SetBodyMass((VLM_HANDLE)body, 2);
  VLM_SetBodyAngularVelocity((VLM_HANDLE)body, nullptr, 0, 3, 0, 0);
  const float energy = VLM_GetPhysicsEnergy(2);
  ok = ok && std::fabs(energy - 3.6f) < 1e-5f;

  // A freed address is not the next record's.
  VLM_HANDLE first = -1;
  VLM_CreateSurfaceListEntry(&first, "");
  VLM_FreeSurface(first);
  VLM_HANDLE second = -1;
  VLM_SURFACE* surface = VLM_CreateSurfaceListEntry(&second, "");
  ok = ok && VLM_IsSurface(first) == nullptr && VLM_IsSurface(second) == surface && VLM_IsCage(second) == nullptr;

  std::printf("energy %f\n", energy);
  std::puts(ok ? "consumer ok" : "consumer wrong");
  return ok ? 0 : 1;
}
