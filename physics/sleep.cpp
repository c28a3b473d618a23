// Sleeping bodies: groups found each step by joining the bodies of every
// contact and joint (union by the lower list index, so that the groups are
// the same on every run).
#include "physics/sleep.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "physics/body.h"
#include "physics/vec3.h"
#include "physics/world.h"

namespace vlm {

namespace {

uint32_t Root(std::vector<uint32_t>& parent, uint32_t i) {
  while (parent[i] != i) {
    parent[i] = parent[parent[i]];
    i = parent[i];
  }
  return i;
}

void Join(std::vector<uint32_t>& parent, uint32_t a, uint32_t b) {
  a = Root(parent, a);
  b = Root(parent, b);
  if (a < b) {
    parent[b] = a;
  } else {
    parent[a] = b;
  }
}

bool Slow(const VLM_OBJECT* body) {
  const v4f& v = body->Body.v4fVelocity;
  const v4f& w = body->Body.v4fAngularVelocity;
  return Dot3(v, v) < kRestSpeed * kRestSpeed && Dot3(w, w) < kRestTurn * kRestTurn;
}

// Wakes the group the body fell asleep with: what rested on each other
// wakes together, so that none of them meets the others still asleep.
void Wake(PhysicsWorld& world, VLM_OBJECT* body) {
  const int32_t group = body->Body.iAsleep;
  if (!group) return;
  world.passes.woken.push_back(group);
  for (VLM_OBJECT* member : world.dynamicBodies) {
    if (!member || member->Body.iAsleep != group) continue;
    member->Body.iAsleep = 0;
    member->Body.fRestTime = 0.0f;
    --world.sleeping;
  }
}

}  // namespace

bool Still(const VLM_OBJECT* body) {
  const v4f& v = body->Body.v4fVelocity;
  const v4f& w = body->Body.v4fAngularVelocity;
  return Dot3(v, v) == 0.0f && Dot3(w, w) == 0.0f;
}

bool Resting(const VLM_OBJECT* p, const VLM_OBJECT* q) {
  if (!p->Body.iAsleep) return false;
  return q->Body.iAsleep || (IsFixed(q) && Still(q));
}

void WakeBody(VLM_OBJECT* body) {
  PhysicsWorld& world = World();
  if (!body || !body->Body.iAsleep) return;
  thread_local std::vector<VLM_OBJECT*> pending;
  pending.assign(1, body);
  while (!pending.empty()) {
    VLM_OBJECT* next = pending.back();
    pending.pop_back();
    if (!next->Body.iAsleep) continue;
    Wake(world, next);
    for (const VLM_JOINT* joint : next->Body.joints) pending.insert(pending.end(), {joint->pBodyA, joint->pBodyB});
  }
  ReviveDormant(world.passes);
  IndexPrevious(world.passes);
}

void WakeAll(PhysicsWorld& world) {
  if (world.sleeping == 0) return;
  CompactBodyLists(world);
  for (VLM_OBJECT* body : world.dynamicBodies) {
    body->Body.iAsleep = 0;
    body->Body.fRestTime = 0.0f;
  }
  world.sleeping = 0;
  ReviveDormant(world.passes, true);
  IndexPrevious(world.passes);
}

void UpdateSleep(PhysicsWorld& world, std::span<const PassContact> found) {
  if (world.passes.count <= 1 || !(world.sleepTime > 0.0f)) {
    WakeAll(world);
    return;
  }
  CompactBodyLists(world);
  auto& bodies = world.dynamicBodies;
  const auto n = static_cast<uint32_t>(bodies.size());
  thread_local std::vector<uint32_t> parent;
  parent.resize(n);
  for (uint32_t i = 0; i < n; ++i) {
    parent[i] = i;
    bodies[i]->Body.iIsland = i;
  }
  // A sleeping body in a contact of this step was touched by something that
  // moves (sleeping and still bodies are not tested against each other).
  for (const PassContact& c : found) {
    if (IsFixed(c.b)) continue;
    Wake(world, c.b);
    if (c.aFixed || IsFixed(c.a)) continue;
    Wake(world, c.a);
    Join(parent, c.a->Body.iIsland, c.b->Body.iIsland);
  }
  for (const VLM_JOINT* joint : world.activeJoints) {
    if (IsFixed(joint->pBodyA) || IsFixed(joint->pBodyB)) continue;
    if (joint->pBodyA->Body.iAsleep != joint->pBodyB->Body.iAsleep) {
      Wake(world, joint->pBodyA);
      Wake(world, joint->pBodyB);
    }
    Join(parent, joint->pBodyA->Body.iIsland, joint->pBodyB->Body.iIsland);
  }
  // Each group rests as long as its least rested body.
  thread_local std::vector<float> rested;
  rested.assign(n, world.sleepTime);
  const float dt = world.timeStep;
  for (uint32_t i = 0; i < n; ++i) {
    VLM_OBJECT* body = bodies[i];
    if (body->Body.iAsleep) continue;
    body->Body.fRestTime = Slow(body) && dt > 0.0f ? body->Body.fRestTime + dt : 0.0f;
    const uint32_t root = Root(parent, i);
    rested[root] = std::min(rested[root], body->Body.fRestTime);
  }
  // Each group that falls asleep gets a number of its own (the count of
  // groups so far, not a list index, which may be taken again later).
  thread_local std::vector<int32_t> groupOf;
  groupOf.assign(n, 0);
  for (uint32_t i = 0; i < n; ++i) {
    VLM_OBJECT* body = bodies[i];
    const uint32_t root = Root(parent, i);
    if (body->Body.iAsleep || rested[root] < world.sleepTime) continue;
    if (!groupOf[root]) groupOf[root] = world.sleepGroups = world.sleepGroups % INT32_MAX + 1;
    body->Body.iAsleep = groupOf[root];
    body->Body.v4fVelocity = v4f{};
    body->Body.v4fAngularVelocity = v4f{};
    for (VLM_JOINT* joint : body->Body.joints) {
      joint->v4fSharedVelocity = v4f{};
      joint->v4fSharedAngularVelocity = v4f{};
    }
    ++world.sleeping;
  }
}

}  // namespace vlm
