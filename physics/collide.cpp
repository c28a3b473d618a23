// Collision dispatch by the pair table, and what follows a contact: collision
// sounds and the bodies' collision procedures.
#include "physics/collide.h"

#include <cstring>

#include "mesh/cage_record.h"
#include "physics/collision_sound.h"
#include "physics/pair_tests.h"
#include "physics/vec3.h"
#include "velmora/cage.h"
#include "velmora/math.h"

namespace vlm {

namespace {

int Dispatch(VLM_OBJECT* p, VLM_OBJECT* q) {
  const PairTest& cell = PairTestFor(p->Body.pCage->iKind, q->Body.pCage->iKind);
  if (!cell.test) return 0;
  return cell.swapped ? cell.test(q, p) : cell.test(p, q);
}

bool StillBody(VLM_OBJECT* body) { return BodyRegistry().Find(reinterpret_cast<VLM_HANDLE>(body)); }

}  // namespace

void StoreContact(const v4f& point, const v4f& normal) {
  LastImpact& impact = World().lastImpact;
  // The shape tests mostly hand a point with w = 1 and a normal with w = 0
  // already; w is stored on its own only where it differs, since contact
  // resolution reads both back whole, which waits for split stores to drain.
  impact.v4fPoint = point;
  if (std::bit_cast<uint32_t>(point.w) != std::bit_cast<uint32_t>(1.0f)) impact.v4fPoint.w = 1.0f;
  impact.v4fNormal = normal;
  if (std::bit_cast<uint32_t>(normal.w) != 0u) impact.v4fNormal.w = 0.0f;
}

void MatricesFollowPosition(VLM_OBJECT* body) {
  // Row 3 of both world matrices is the position, unscaled; the rows above
  // depend on the orientation and scale alone, which a move leaves as the
  // last rebuild found them.
  const v4f& p = body->v4fPosition;
  for (m4f* m : {&body->mWorld, &body->mWorldUnscaled}) {
    m->e[12] = p.x;
    m->e[13] = p.y;
    m->e[14] = p.z;
  }
}

void MoveBody(VLM_OBJECT* body, const v4f& direction, float distance) {
  AddScaled3(body->v4fPosition, direction, distance);  // as VLM_v4fAddScaled rounds it
  MatricesFollowPosition(body);
}

void PlaceBody(VLM_OBJECT* body, const v4f& position) {
  body->v4fPosition = position;
  MatricesFollowPosition(body);
}

const m4f& InverseWorld(const VLM_OBJECT* body) {
  struct Entry {
    m4f world;
    m4f inverse;
    bool used = false;
  };
  thread_local Entry cache[4];
  thread_local unsigned next = 0;
  // The same matrix always gives the same inverse, so a hit is exact.
  for (Entry& e : cache) {
    if (e.used && std::memcmp(&e.world, &body->mWorld, sizeof(m4f)) == 0) return e.inverse;
  }
  Entry& e = cache[next++ % 4];
  e.world = body->mWorld;
  VLM_m4fInverse(&e.inverse, &body->mWorld);
  e.used = true;
  return e.inverse;
}

int CollideBodies(VLM_OBJECT* p, VLM_OBJECT* q) {
  if (!p || !q || p == q || !p->Body.pCage || !q->Body.pCage) return 0;
  if (!FiniteMotion(p) || !FiniteMotion(q)) return 0;
  if (!Dispatch(p, q)) return 0;
  PhysicsWorld& world = World();
  if (world.collisionPhase) {
    PlayCollisionSounds(p->Body.pMaterial, q->Body.pMaterial, world.lastImpact.v4fPoint,
                        world.lastImpact.fSpeed);
  }
  // A collision procedure may change the world, even free a body: the other
  // body is only called while it still exists.
  const VLM_HANDLE idP = p->iHandle;
  const VLM_HANDLE idQ = q->iHandle;
  if (p->Body.pCollisionProcedure) {
    const uint64_t generation = world.listGeneration;
    const int result = p->Body.pCollisionProcedure(idP, idQ);
    const bool changed = world.listGeneration != generation;
    if (!changed || StillBody(p)) p->Body.iCollisionResult = result;
    if (changed && !StillBody(q)) return 1;
  }
  if (q->Body.pCollisionProcedure) {
    const uint64_t generation = world.listGeneration;
    const int result = q->Body.pCollisionProcedure(idQ, idP);
    if (world.listGeneration == generation || StillBody(q)) q->Body.iCollisionResult = result;
  }
  return 1;
}

}  // namespace vlm

extern "C" {

int VLM_CollideBodies(VLM_HANDLE p, VLM_HANDLE q) {
  vlm::PhysicsLock guard(vlm::World().lock);
  return vlm::CollideBodies(vlm::BodyOf(p), vlm::BodyOf(q));
}

}  // extern "C"
