// Bodies: creation, release, mass and inertia, velocities and transforms.
#include "physics/body.h"

#include <algorithm>
#include <cmath>

#include "core/finite.h"
#include "mesh/cage.h"
#include "mesh/cage_kinds.h"
#include "mesh/cage_record.h"
#include "physics/joint.h"
#include "physics/sleep.h"
#include "physics/world.h"
#include "scene/entity.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// k on the first three diagonal elements, 1 on the last, 0 elsewhere. Set
// here rather than through the math library: every contact asks for one.
void Diagonal(m4f* out, float k) {
  *out = m4f{};
  out->e[0] = out->e[5] = out->e[10] = k;
  out->e[15] = 1.0f;
}

// Shared by the linear and the angular velocity setter.
int SetVelocity(VLM_HANDLE handle, const v4f* vector, float x, float y, float z, int flags, bool angular) {
  VLM_OBJECT* body = BodyOf(handle);
  if (!body) return 0;
  v4f value = vector ? *vector : v4f{x, y, z, 0.0f};
  if (flags & VLM_VELOCITY_BODY_FRAME) VLM_v4fTransform(&value, &body->mWorldUnscaled);
  value.w = 0.0f;
  v4f& target = angular ? body->Body.v4fAngularVelocity : body->Body.v4fVelocity;
  if (flags & VLM_VELOCITY_ADD) VLM_v4fAdd(&value, &target);
  value.w = 0.0f;
  if (const char* fault = WorldNumberFault({value.x, value.y, value.z})) {
    return RefuseNumber(angular ? "VLM_SetBodyAngularVelocity" : "VLM_SetBodyVelocity", fault);
  }
  target = value;
  if (body->Body.iAsleep) {
    PhysicsLock guard(World().lock);
    WakeBody(body);
  }
  return 1;
}

bool FiniteTransform(const VLM_OBJECT* body) {
  const v4f& p = body->v4fPosition;
  const v4f& q = body->q4fOrientation;
  const v4f& s = body->v4fScale;
  // A zero scale would flatten the shape and leave no inverse world matrix.
  return AllFinite({p.x, p.y, p.z, q.x, q.y, q.z, q.w, s.x, s.y, s.z}) && s.x != 0.0f && s.y != 0.0f &&
         s.z != 0.0f;
}

// A change of position, rotation or scale: made under the lock, then the
// matrices follow and a running collision phase learns that a body moved. A
// change that would leave a number that is not finite (or a zero scale) is
// undone and refused.
template <class Change>
int ChangeTransform(VLM_HANDLE handle, const char* procedure, Change&& change) {
  VLM_OBJECT* body = BodyOf(handle);
  if (!body) return 0;
  PhysicsWorld& world = World();
  PhysicsLock guard(world.lock);
  const v4f position = body->v4fPosition, orientation = body->q4fOrientation, scale = body->v4fScale;
  change(body);
  const v4f& p = body->v4fPosition;
  const v4f& s = body->v4fScale;
  // Two negative axes turn the shape half round (the demo's wheels); one or
  // three mirror it, which no rigid body can be: its faces would turn inside out.
  const bool mirrored = (s.x < 0.0f) != ((s.y < 0.0f) != (s.z < 0.0f));
  const char* fault = !FiniteTransform(body) ? "Fail: Numbers must be finite, and a scale must not be 0!"
                      : mirrored             ? "Fail: A body's scale must not mirror it (one or three negative axes)!"
                                             : WorldNumberFault({p.x, p.y, p.z});
  if (fault) {
    body->v4fPosition = position;
    body->q4fOrientation = orientation;
    body->v4fScale = scale;
    return RefuseNumber(procedure, fault);
  }
  RebuildObjectMatrices(body);
  ++world.listGeneration;
  // What rested on the body, or under it, has to find out.
  WakeAll(world);
  return 1;
}

}  // namespace

bool FiniteMotion(const VLM_OBJECT* body) {
  const v4f& p = body->v4fPosition;
  const v4f& v = body->Body.v4fVelocity;
  const v4f& w = body->Body.v4fAngularVelocity;
  // 0 * x is a zero for every finite x and not a number for an infinity or
  // a not-a-number, so the sum is zero exactly when all nine are finite:
  // one test instead of nine, on every pair the collision phase tries.
  const float zero = ((0.0f * p.x + 0.0f * p.y) + (0.0f * p.z + 0.0f * v.x)) +
                     ((0.0f * v.y + 0.0f * v.z) + (0.0f * w.x + 0.0f * w.y)) + 0.0f * w.z;
  return zero == 0.0f;
}

void FileBody(VLM_OBJECT* body) {
  PhysicsWorld& world = World();
  const bool fixed = body->Body.fMass == 0.0f;
  auto& list = fixed ? world.staticBodies : world.dynamicBodies;
  world.bodySlots[body] = PhysicsWorld::BodySlot{list.size(), fixed};
  list.push_back(body);
  ++world.listGeneration;
}

void UnfileBody(VLM_OBJECT* body) {
  PhysicsWorld& world = World();
  auto it = world.bodySlots.find(body);
  if (it != world.bodySlots.end()) {
    auto& list = it->second.fixed ? world.staticBodies : world.dynamicBodies;
    list[it->second.index] = nullptr;
    world.bodySlots.erase(it);
    ++world.emptySlots;
  }
  ++world.listGeneration;
}

void CompactBodyLists(PhysicsWorld& world) {
  if (world.emptySlots == 0) return;
  for (auto* list : {&world.dynamicBodies, &world.staticBodies}) {
    size_t kept = 0;
    for (VLM_OBJECT* body : *list) {
      if (!body) continue;
      world.bodySlots[body].index = kept;
      (*list)[kept++] = body;
    }
    list->resize(kept);
  }
  world.emptySlots = 0;
}

const std::vector<VLM_OBJECT*>& DynamicBodies() {
  PhysicsWorld& world = World();
  PhysicsLock guard(world.lock);
  CompactBodyLists(world);
  return world.dynamicBodies;
}

const std::vector<VLM_OBJECT*>& StaticBodies() {
  PhysicsWorld& world = World();
  PhysicsLock guard(world.lock);
  CompactBodyLists(world);
  return world.staticBodies;
}

void ComputeInertia(VLM_OBJECT* body) {
  const VLM_CAGE* cage = body->Body.pCage;
  if (!cage) return;
  const CageKindOps& kind = CageKindOf(cage->iKind);
  if (kind.inertia) kind.inertia(*cage, body->Body.fMass, body->v4fScale, &body->Body.mInertia);
}

void InvertInertia(m4f* m) {
  // The inertia of a body alone is diagonal: its inverse is exact.
  const float* e = m->e;
  if (e[1] == 0.0f && e[2] == 0.0f && e[3] == 0.0f && e[4] == 0.0f && e[6] == 0.0f && e[7] == 0.0f &&
      e[8] == 0.0f && e[9] == 0.0f && e[11] == 0.0f && e[12] == 0.0f && e[13] == 0.0f && e[14] == 0.0f &&
      e[15] == 1.0f) {
    for (int k : {0, 5, 10}) m->e[k] = (m->e[k] != 0.0f && std::isfinite(1.0f / m->e[k])) ? 1.0f / m->e[k] : 0.0f;
    return;
  }
  VLM_m4fInvert(m);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      if (!std::isfinite(m->e[4 * row + col])) {
        Diagonal(m, 0.0f);
        return;
      }
    }
  }
}

namespace {

// An inertia equal about every axis (a sphere, a point, a cube) looks the
// same from every frame: W^-1 * (k I) * W is k I whatever W is.
bool Isotropic(const m4f& m) {
  const float* e = m.e;
  return e[0] == e[5] && e[0] == e[10] && e[1] == 0.0f && e[2] == 0.0f && e[4] == 0.0f && e[6] == 0.0f &&
         e[8] == 0.0f && e[9] == 0.0f;
}

// W^-1 * local * W: a body-frame inertia-like matrix in world axes.
void ToWorldAxes(const VLM_OBJECT* body, const m4f& local, m4f* out) {
  m4f inverseWorld;
  VLM_m4fInverse(&inverseWorld, &body->mWorld);
  m4f tmp;
  VLM_m4fMultiply(&tmp, &local, &inverseWorld);  // W^-1, then local
  VLM_m4fMultiply(out, &body->mWorld, &tmp);     // then W
}

}  // namespace

void WorldInertia(const VLM_OBJECT* body, m4f* out) {
  if (Isotropic(body->Body.mInertia)) {
    Diagonal(out, body->Body.mInertia.e[0]);
    return;
  }
  ToWorldAxes(body, body->Body.mInertia, out);
}

void WorldInverseInertia(const VLM_OBJECT* body, m4f* out) {
  const float* e = body->Body.mInertia.e;
  if (Isotropic(body->Body.mInertia) && e[3] == 0.0f && e[7] == 0.0f && e[11] == 0.0f && e[12] == 0.0f &&
      e[13] == 0.0f && e[14] == 0.0f && e[15] == 1.0f) {
    // What InvertInertia makes of it, with one division instead of three.
    Diagonal(out, (e[0] != 0.0f && std::isfinite(1.0f / e[0])) ? 1.0f / e[0] : 0.0f);
    return;
  }
  m4f inverseInertia = body->Body.mInertia;
  InvertInertia(&inverseInertia);
  if (Isotropic(body->Body.mInertia)) {
    Diagonal(out, inverseInertia.e[0]);
    return;
  }
  ToWorldAxes(body, inverseInertia, out);
}

float SphereRadius(const VLM_OBJECT* body) {
  // A mirrored body (negative scale x) keeps its size.
  return body->Body.pCage->fSize * std::fabs(body->v4fScale.x);
}

}  // namespace vlm

extern "C" {

int VLM_FreeBody(VLM_HANDLE handle) {
  auto& registry = vlm::BodyRegistry();
  VLM_OBJECT* record = registry.Resolve(handle);
  if (!record) return 0;
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  // Joints never outlive one of their bodies.
  while (!record->Body.joints.empty()) vlm::FreeJointRecord(record->Body.joints.back());
  // Nothing may keep a contact with it, and what rested on it falls.
  vlm::ForgetContacts(world);
  vlm::WakeAll(world);
  vlm::UnfileBody(record);
  vlm::DetachChildren(record);
  registry.Remove(record);
  return 1;
}

VLM_OBJECT* VLM_CreateBody(VLM_HANDLE id, VLM_HANDLE cage, VLM_HANDLE material, const char* name) {
  constexpr const char* kProc = "VLM_CreateBody";
  VLM_OBJECT* body = VLM_CreateBodyListEntry(&id, name ? name : "");
  if (!body) return nullptr;
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  // A body made before the physics start-up must still hear of released cages.
  vlm::SetCageReleaseHook(vlm::ForgetCage);
  body->header.iKind = VLM_ENTITY_BODY;
  body->q4fOrientation = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  body->v4fPosition = v4f{0.0f, 0.0f, 0.0f, 1.0f};
  body->v4fScale = v4f{1.0f, 1.0f, 1.0f, 0.0f};
  VLM_m4fSetDiagonal(&body->mWorld, 1.0f);
  VLM_m4fSetDiagonal(&body->mWorldUnscaled, 1.0f);
  // A body whose cage has no inertia formula keeps a unit inertia, which
  // inverts cleanly.
  VLM_m4fSetDiagonal(&body->Body.mInertia, 1.0f);
  body->Body.iFilter = 0xFFFF;
  body->Body.iCollision = 1;
  body->Body.fMass = 0.0f;
  // A fixed body may land in sleeping ones.
  vlm::WakeAll(world);

  if (cage == VLM_CAGE_HANDLE_POINT) {
    body->Body.pCage = world.pointCage ? world.pointCage : VLM_ResolveCage(cage);
  } else if (cage != VLM_CAGE_HANDLE_NONE) {
    body->Body.pCage = VLM_ResolveCage(cage);
    if (!body->Body.pCage) {
      VLM_LogMessage("Info: Cage not found, the body has no collision shape!", VLM_COLOR_NOTICE, 0, "", kProc);
    }
  }
  if (material == -1) {
    body->Body.pMaterial = &world.defaultMaterial;
  } else {
    body->Body.pMaterial = VLM_ResolveSurface(material);
    if (!body->Body.pMaterial) {
      VLM_LogMessage("Info: Physical material not found, the body uses the default material!", VLM_COLOR_NOTICE,
                     0, "", kProc);
      body->Body.pMaterial = &world.defaultMaterial;
    }
  }
  vlm::FileBody(body);
  return body;
}

int VLM_SetBodyMass(VLM_HANDLE handle, float mass) {
  VLM_OBJECT* body = vlm::BodyOf(handle);
  if (!body) return 0;
  if (!(mass >= 0.0f) || !std::isfinite(mass)) {
    vlm::Fail("Fail: A body's mass must be a finite number of at least 0!", "VLM_SetBodyMass");
    return 0;
  }
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  // Crossing zero moves the body to the other list.
  const bool refile = vlm::IsFixed(body) != (mass == 0.0f);
  vlm::WakeAll(world);
  if (refile) vlm::UnfileBody(body);
  body->Body.fMass = mass;
  vlm::ComputeInertia(body);
  if (refile) vlm::FileBody(body);
  return 1;
}

int VLM_SetBodyVelocity(VLM_HANDLE body, const v4f* vector, float x, float y, float z, int flags) {
  return vlm::SetVelocity(body, vector, x, y, z, flags, false);
}

int VLM_SetBodyAngularVelocity(VLM_HANDLE body, const v4f* vector, float x, float y, float z, int flags) {
  return vlm::SetVelocity(body, vector, x, y, z, flags, true);
}

int VLM_SetBodyCollisionProcedure(VLM_HANDLE handle, VLM_COLLISION_PROCEDURE procedure) {
  VLM_OBJECT* body = vlm::BodyOf(handle);
  if (!body) return 0;
  vlm::PhysicsLock guard(vlm::World().lock);
  body->Body.pCollisionProcedure = procedure;
  return 1;
}

int VLM_SetBodyCollision(VLM_HANDLE handle, int flag) {
  VLM_OBJECT* body = vlm::BodyOf(handle);
  if (!body) return 0;
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  body->Body.iCollision = flag;
  ++world.listGeneration;
  vlm::WakeAll(world);
  return 1;
}

int VLM_BodyPosition(VLM_HANDLE handle, const v4f* vector, int mode) {
  if (!vlm::BodyOf(handle)) return 0;
  if (!vector) {
    vlm::Fail("Fail: No position given!", "VLM_BodyPosition");
    return 0;
  }
  return vlm::ChangeTransform(handle, "VLM_BodyPosition", [&](VLM_OBJECT* body) {
    vlm::ApplyPositionMode(&body->header, &body->v4fPosition, *vector, mode);
  });
}

int VLM_BodyRotation(VLM_HANDLE handle, float ax, float ay, float az, int mode) {
  return vlm::ChangeTransform(handle, "VLM_BodyRotation", [&](VLM_OBJECT* body) {
    vlm::ApplyRotationMode(&body->header, &body->q4fOrientation, ax, ay, az, mode);
  });
}

int VLM_BodyScale(VLM_HANDLE handle, float x, float y, float z, int mode) {
  return vlm::ChangeTransform(handle, "VLM_BodyScale", [&](VLM_OBJECT* body) {
    if (mode & VLM_TRANSFORM_RELATIVE) {
      body->v4fScale.x *= x;
      body->v4fScale.y *= y;
      body->v4fScale.z *= z;
    } else {
      body->v4fScale = v4f{x, y, z, 0.0f};
    }
    body->v4fScale.w = 0.0f;
  });
}

}  // extern "C"
