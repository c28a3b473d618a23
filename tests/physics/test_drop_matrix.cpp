// Every kind of body dropped on every kind of fixed ground: a point, a
// sphere, boxes made from sizes, from a file and from a mesh, polyhedra from
// a file and from a mesh, each 1 unit across and dropped from y = 3 onto a
// ground 10 units across whose top is y = 0. With ten contact passes every
// pair comes to rest within 5 s of its first contact and then stays put for
// 10 s; with one pass nothing sinks into the ground. A fixed point is no
// ground: its test sweeps the point's own movement, and a fixed point has
// none. VLM_PRINT_DROPS=1 prints the table when all is well too.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "physics_fixture.h"
#include "support/test_support.h"

namespace {

using namespace phystest;

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kGravity = 9.81f;
constexpr int kRestSteps = 300;  // 5 s from the first contact
constexpr int kHoldSteps = 600;  // then 10 s

enum Shape { kPoint, kSphere, kBox, kBoxFile, kBoxMesh, kPolyFile, kPolyMesh };
constexpr const char* kNames[] = {"point", "sphere", "box", "box file", "box mesh", "poly file", "poly mesh"};

class DropMatrix : public PhysicsTest {
 protected:
  // Cage `id` of the shape with sides (sx, sy, sz); the sphere's diameter is
  // sx. Returns the handle bodies take.
  VLM_HANDLE Make(Shape shape, VLM_HANDLE id, float sx, float sy, float sz) {
    const std::string file = dir_.File(std::to_string(id) + ".vlb");
    switch (shape) {
      case kPoint:
        return -2;
      case kSphere:
        VLM_CreateSphereCage(id, sx, "");
        break;
      case kBox:
        VLM_CreateBoxCage(id, sx, sy, sz, "");
        break;
      case kBoxFile:
      case kPolyFile:
        vlmtest::WriteFile(file, CageFile(shape == kPolyFile, sx, sy, sz));
        VLM_LoadCageFile(id, file.c_str(), "");
        break;
      case kBoxMesh:
      case kPolyMesh: {
        const VLM_HANDLE mesh = reinterpret_cast<VLM_HANDLE>(VLM_CreateCubeMesh(-1, 1.0f, 1.0f, 0, ""));
        VLM_ScaleMesh(mesh, sx, sy, sz);
        VLM_CreateCageFromMesh(id, mesh, shape == kBoxMesh ? VLM_CAGE_BOX : VLM_CAGE_POLYHEDRON, 1.0f, "");
        break;
      }
    }
    return id;
  }
  static std::string CageFile(bool polyhedron, float sx, float sy, float sz) {
    char text[160];
    if (!polyhedron) {
      std::snprintf(text, sizeof text, "Cage: Block {\n Primitive: BOX {\n  Size: %g, %g, %g\n }\n}\n", sx, sy, sz);
      return text;
    }
    std::string doc = "Cage: Block {\n Primitive: Polyhedron\n Vertices: 8 {\n";
    for (int i = 0; i < 8; ++i) {
      std::snprintf(text, sizeof text, "  %g, %g, %g\n", (i & 1 ? 0.5f : -0.5f) * sx, (i & 2 ? 0.5f : -0.5f) * sy,
                    (i & 4 ? 0.5f : -0.5f) * sz);
      doc += text;
    }
    return doc +
           " }\n Edges: 12 { 0, 1\n 2, 3\n 4, 5\n 6, 7\n 4, 6\n 5, 7\n 0, 2\n 1, 3\n 0, 4\n 1, 5\n 2, 6\n 3, 7 }\n"
           " Faces: 12 { 1, 2, 3\n 1, 0, 2\n 4, 7, 6\n 4, 5, 7\n 0, 6, 2\n 0, 4, 6\n 5, 3, 7\n 5, 1, 3\n"
           " 0, 5, 4\n 0, 1, 5\n 6, 3, 2\n 6, 7, 3 }\n}\n";
  }
  vlmtest::TempDir dir_;
};

// Where one drop ended, and how it got there.
struct Drop {
  int contact = -1;        // step of the first contact
  float sunk = 0.0f;       // deepest the centre went below its resting place on the ground
  float restSpeed = 1e9f;  // speed 5 s after the first contact
  float drift = 1e9f;      // farthest from there over the next 10 s
  v4f end{};
};

TEST_F(DropMatrix, EveryKindRestsOnEveryGround) {
  std::string table;
  bool failed = false;
  for (int passes : {1, 10}) {
    char text[96];
    std::snprintf(text, sizeof text, "\n%d pass%s: y at the end, speed 5 s after the first contact, drift in 10 s\n%-9s",
                  passes, passes == 1 ? "" : "es", "on");
    table += text;
    for (int ground = kSphere; ground <= kPolyMesh; ++ground) {
      std::snprintf(text, sizeof text, " | %-20s", kNames[ground]);
      table += text;
    }
    for (int shape = kPoint; shape <= kPolyMesh; ++shape) {
      std::snprintf(text, sizeof text, "\n%-9s", kNames[shape]);
      table += text;
      for (int ground = kSphere; ground <= kPolyMesh; ++ground) {
        ResetWorld();
        VLM_SetGravity(0.0f, -kGravity, 0.0f);
        VLM_SetPhysicsTimeStep(kFrame, 1);
        VLM_SetPhysicsContactPasses(passes);
        const bool round = ground == kSphere;
        Body(-1, Make(Shape(ground), 1, 10.0f, round ? 10.0f : 1.0f, 10.0f), 0.0f, P(0, round ? -5.0f : -0.5f, 0));
        const float rest = shape == kPoint ? 0.0f : 0.5f;  // resting height of the centre
        VLM_OBJECT* body = Body(-1, Make(Shape(shape), 2, 1.0f, 1.0f, 1.0f), 1.0f, P(0, 3, 0));
        Drop drop;
        v4f restAt{};
        for (int step = 1; step <= 120 + kRestSteps + kHoldSteps; ++step) {
          VLM_UpdatePhysics(0);
          const v4f& v = body->Body.v4fVelocity;
          const v4f& at = body->v4fPosition;
          if (drop.contact < 0 && std::fabs(v.y + kGravity * kFrame * step) > 1e-3f) drop.contact = step;
          if (drop.contact < 0) continue;
          // Below the resting place: on the ball along its radius, on the
          // flat grounds straight down while above them.
          const float above = round ? std::sqrt(at.x * at.x + (at.y + 5) * (at.y + 5) + at.z * at.z) - 5.0f
                                    : (std::fabs(at.x) < 5 && std::fabs(at.z) < 5 ? at.y : rest);
          drop.sunk = std::max(drop.sunk, rest - above);
          if (step == drop.contact + kRestSteps) {
            drop.restSpeed = VLM_v4fLength(&v);
            restAt = at;
            drop.drift = 0.0f;
          } else if (step > drop.contact + kRestSteps) {
            drop.drift = std::max(drop.drift, VLM_v4fDistance(&at, &restAt));
          }
          drop.end = at;
          if (step == drop.contact + kRestSteps + kHoldSteps) break;
        }
        bool ok = drop.contact >= 0 && drop.sunk < 0.25f && std::isfinite(drop.end.y);
        if (passes > 1) {
          ok = ok && drop.restSpeed < 0.05f && drop.drift <= 0.05f && std::fabs(drop.end.y - rest) < 0.05f;
        }
        failed = failed || !ok;
        if (drop.contact < 0) {
          std::snprintf(text, sizeof text, " | X no contact %7.4g", body->v4fPosition.y);
        } else {
          std::snprintf(text, sizeof text, " | %s%6.2f %5.3f %5.3f", ok ? "  " : "X ", drop.end.y, drop.restSpeed,
                        drop.drift);
        }
        table += text;
      }
    }
    table += "\n";
  }
  EXPECT_FALSE(failed) << table;
  if (std::getenv("VLM_PRINT_DROPS")) std::printf("%s", table.c_str());
}

}  // namespace
