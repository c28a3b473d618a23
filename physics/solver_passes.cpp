// Contact passes beyond the first: sequential impulses over the contacts the
// pair loop found in this step, in the order it found them, so that the
// results stay deterministic and independent of the broad phase.
#include "physics/solver_passes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "physics/body.h"
#include "physics/collide.h"
#include "physics/contact.h"
#include "physics/sleep.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// Warm starting trusts last step's impulse only while the contact keeps its
// direction and stays in place.
constexpr float kSameNormal = 0.95f;
constexpr float kSamePlace = 0.1f;  // units
// A pass that changes no contact's relative speed by more than this (units
// per second) ends the impulse passes: none is still approaching or
// sliding, and none is pushed apart harder than it asks for.
constexpr float kSpeedTolerance = 1e-4f;
// A pass that moves no push by more than this (units) ends the pushes. A
// stack hands each push down to the ground and back, which removes only
// about half of what is left per pass, so a tolerance on the push's speed
// as tight as the one above kept a column of three running every pass; a
// twenty-fifth of the slop left over is pushed out on the next step.
constexpr float kPushTolerance = kPenetrationSlop / 25.0f;
// Share of the penetration beyond the slop that one step's push removes.
// Below 1 so that a push never overshoots into the next body of a stack.
constexpr float kPushShare = 0.8f;
constexpr uint32_t kNoPush = UINT32_MAX;

v4f Minus(const v4f& a, const v4f& b) { return v4f{a.x - b.x, a.y - b.y, a.z - b.z, 0.0f}; }

bool Finite(const v4f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool HasRods(const VLM_OBJECT* body) {
  for (const VLM_JOINT* joint : body->Body.joints) {
    if (joint->iKind == VLM_JOINT_ROD) return true;
  }
  return false;
}

// True when the upper 3 x 3 block of an inverse inertia is diagonal, as a
// body's alone is whenever it looks the same about every axis (a sphere).
bool Diagonal3(const m4f& m) {
  const float* e = m.e;
  return e[1] == 0.0f && e[2] == 0.0f && e[4] == 0.0f && e[6] == 0.0f && e[8] == 0.0f && e[9] == 0.0f;
}

// The angular change per unit impulse of an arm (w = 0): arm times the
// inverse inertia, in three products where that is diagonal.
inline v4f Turn(const v4f& arm, const m4f& m, bool diagonal) {
  if (!diagonal) return Times(arm, m);
  return v4f{arm.x * m.e[0], arm.y * m.e[5], arm.z * m.e[10], 0.0f};
}

// Two unit axes across the unit normal n, chosen from n alone so that the
// same normal always gets the same axes.
// Worked out in registers and stored whole: reading back a vector stored
// part by part stalls until the parts drain.
void TangentAxes(const v4f& n, v4f& t1, v4f& t2) {
  const bool acrossX = std::fabs(n.x) >= 0.57735f;
  const float x = acrossX ? n.y : 0.0f;
  const float y = acrossX ? -n.x : n.z;
  const float z = acrossX ? 0.0f : -n.y;
  const float scale = 1.0f / std::sqrt(x * x + y * y + z * z);
  const v4f axis{x * scale, y * scale, z * scale, 0.0f};
  t1 = axis;
  t2 = Cross3(n, axis);
}

// Relative velocity of A's contact point to B's along direction k.
inline float Approach(const PassContact& c, int k) {
  const auto& A = c.a->Body;
  const auto& B = c.b->Body;
  return Dot3(A.v4fVelocity, c.direction[k]) + Dot3(A.v4fAngularVelocity, c.armA[k]) -
         Dot3(B.v4fVelocity, c.direction[k]) - Dot3(B.v4fAngularVelocity, c.armB[k]);
}

// Impulse of size j along direction k on B, -j on A.
void Apply(const PassContact& c, int k, float j) {
  auto& B = c.b->Body;
  if (c.rodsB) ToCentreVelocity(c.b, c.centreB);
  AddScaled3(B.v4fVelocity, c.direction[k], j * c.inverseMassB);
  AddScaled3(B.v4fAngularVelocity, c.turnB[k], j);
  if (!c.aFixed) {
    auto& A = c.a->Body;
    if (c.rodsA) ToCentreVelocity(c.a, c.centreA);
    AddScaled3(A.v4fVelocity, c.direction[k], -j * c.inverseMassA);
    AddScaled3(A.v4fAngularVelocity, c.turnA[k], -j);
    if (c.rodsA) Propagate(c.a, c.centreA);
  }
  if (c.rodsB) Propagate(c.b, c.centreB);
}

// Scales the friction sums (t1, t2) down to at most limit: the friction
// cone, mu times the normal sum.
void HoldInCone(float& t1, float& t2, float limit) {
  const float squared = t1 * t1 + t2 * t2;
  // Well inside the cone (the usual case at rest) the square root could only
  // confirm it: a margin of 2 % on the square covers every rounding. A limit
  // that is not positive, or whose square is too small to be a normal
  // number, takes the exact way.
  const float inside = limit * limit;
  if (limit > 0.0f && inside >= std::numeric_limits<float>::min() && squared < 0.98f * inside) return;
  const float length = std::sqrt(squared);
  if (length > limit) {
    const float scale = length > 0.0f ? limit / length : 0.0f;
    t1 *= scale;
    t2 *= scale;
  }
}

// Sets the friction sums to (t1, t2), held within the friction cone (mu
// times the normal sum), and applies the change. Returns the largest change
// of sliding speed it caused, or 0 unless measure is set: once a pass has
// seen a change above the tolerance, the divisions would decide nothing.
float SetFriction(PassContact& c, float t1, float t2, bool measure) {
  HoldInCone(t1, t2, c.friction * c.normalImpulse);
  const float d1 = t1 - c.tangentImpulse[0];
  const float d2 = t2 - c.tangentImpulse[1];
  if (!std::isfinite(d1) || !std::isfinite(d2)) return 0.0f;
  c.tangentImpulse[0] = t1;
  c.tangentImpulse[1] = t2;
  if (d1 != 0.0f) Apply(c, 1, d1);
  if (d2 != 0.0f) Apply(c, 2, d2);
  if (!measure) return 0.0f;
  return std::max(std::fabs(d1) / c.mass[1], std::fabs(d2) / c.mass[2]);
}

// Friction first, bounded by the normal impulse so far, then the normal
// impulse towards the separating speed the contact asks for, never pulling.
// A point standing off by a gap may still close it within this step.
// Returns the largest change of relative speed (0 unless measure is set).
float SolveVelocity(PassContact& c, float closing, bool measure) {
  float change = 0.0f;
  if (c.friction > 0.0f && c.normalImpulse > 0.0f) {
    const float t1 = c.tangentImpulse[0] + Approach(c, 1) * c.mass[1];
    const float t2 = c.tangentImpulse[1] + Approach(c, 2) * c.mass[2];
    change = SetFriction(c, t1, t2, measure);
  }
  const float approach = Approach(c, 0) + c.bounce - closing;
  const float total = std::max(c.normalImpulse + approach * c.mass[0], 0.0f);
  const float dj = total - c.normalImpulse;
  if (dj != 0.0f && std::isfinite(dj)) {
    c.normalImpulse = total;
    Apply(c, 0, dj);
    if (measure) change = std::max(change, std::fabs(dj) / c.mass[0]);
  }
  return change;
}

// Push of A relative to B along direction k: the normal n for the depth,
// the push's own axes across.
inline float PushApproach(const PassContact& c, const PushBody* A, const PushBody& B, int k) {
  const v4f& d = k == 0 ? c.n : c.pushDirection[k];
  const float apart = Dot3(B.linear, d);
  return A ? Dot3(A->linear, d) - apart : -apart;
}

inline void ApplyPush(const PassContact& c, PushBody* A, PushBody& B, int k, float j) {
  const v4f& d = c.pushDirection[k];
  AddScaled3(B.linear, d, j * c.pushShareB);
  if (A) AddScaled3(A->linear, d, -j * c.pushShareA);
}

// The push: like the normal impulse, but on the push displacements, aiming
// to remove the given depth, with friction of its own so that a push
// passed up a stack along a slightly tilted normal does not slide one body
// over the other. It moves the bodies without turning them: turning a box
// out of one corner's penetration tips it into its neighbours'. Returns the
// largest change of the push (0 unless measure is set).
float SolvePush(PassContact& c, std::vector<PushBody>& pushes, float target, bool measure) {
  PushBody* A = c.pushA == kNoPush ? nullptr : &pushes[c.pushA];
  PushBody& B = pushes[c.pushB];
  float change = 0.0f;
  if (c.friction > 0.0f && c.push > 0.0f) {
    float t1 = c.pushTangent[0] + PushApproach(c, A, B, 1) * c.pushMass;
    float t2 = c.pushTangent[1] + PushApproach(c, A, B, 2) * c.pushMass;
    HoldInCone(t1, t2, c.friction * c.push);
    const float d1 = t1 - c.pushTangent[0];
    const float d2 = t2 - c.pushTangent[1];
    if (std::isfinite(d1) && std::isfinite(d2)) {
      c.pushTangent[0] = t1;
      c.pushTangent[1] = t2;
      ApplyPush(c, A, B, 1, d1);
      ApplyPush(c, A, B, 2, d2);
      if (measure) change = std::max(std::fabs(d1), std::fabs(d2)) / c.pushMass;
    }
  }
  const float total = std::max(c.push + (target + PushApproach(c, A, B, 0)) * c.pushNormalMass, 0.0f);
  const float dj = total - c.push;
  if (dj == 0.0f || !std::isfinite(dj)) return change;
  c.push = total;
  ApplyPush(c, A, B, 0, dj);
  return measure ? std::max(change, std::fabs(dj) / c.pushNormalMass) : 0.0f;
}

uint64_t PairKey(const VLM_OBJECT* a, const VLM_OBJECT* b) {
  const auto x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(a));
  const auto y = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(b));
  return x * 0x9E3779B97F4A7C15ull ^ (y + (x << 6) + (x >> 2));
}

// Last step's impulses for this contact, when it is the same contact.
const PassContact* Previous(const ContactPasses& passes, const PassContact& c) {
  const uint32_t first = passes.previousPairs.Find(PairKey(c.a, c.b));
  if (first == UINT32_MAX) return nullptr;
  for (size_t i = first; i < passes.previous.size(); ++i) {
    const PassContact& p = passes.previous[i];
    if (p.a != c.a || p.b != c.b) break;  // past this pair's points
    if (Dot3(p.n, c.n) < kSameNormal) continue;
    const v4f shift = Minus(p.rB, c.rB);
    if (Dot3(shift, shift) > kSamePlace * kSamePlace) continue;
    return &p;
  }
  return nullptr;
}

void WarmStart(ContactPasses& passes) {
  if (passes.previous.empty()) return;
  for (PassContact& c : passes.contacts) {
    const PassContact* p = Previous(passes, c);
    if (!p) continue;
    // Start from the larger of this step's first impulse and last step's sum.
    const float dj = p->normalImpulse - c.normalImpulse;
    if (dj > 0.0f) {
      c.normalImpulse = p->normalImpulse;
      Apply(c, 0, dj);
    }
    // Last step's friction, turned into this step's axes, within the cone.
    v4f last{};
    AddScaled3(last, p->direction[1], p->tangentImpulse[0]);
    AddScaled3(last, p->direction[2], p->tangentImpulse[1]);
    SetFriction(c, c.tangentImpulse[0] + Dot3(last, c.direction[1]), c.tangentImpulse[1] + Dot3(last, c.direction[2]),
                false);
  }
}

// side: 0 for body A of a contact, 1 for body B. The pair loop hands on the
// contacts of one body in a row, so the entry of the last contact's body on
// the same side is tried before the table.
uint32_t PushEntry(ContactPasses& passes, VLM_OBJECT* body, int side) {
  uint32_t& recent = passes.recentPush[side];
  if (recent < passes.pushes.size() && passes.pushes[recent].body == body) return recent;
  const auto next = static_cast<uint32_t>(passes.pushes.size());
  const uint32_t index = passes.pushIndex.Insert(reinterpret_cast<uintptr_t>(body), next);
  if (index == next) passes.pushes.emplace_back().body = body;  // in its place: no copy through the stack
  recent = index;
  return index;
}

// Moves each pushed body by its push.
void ApplyPushes(ContactPasses& passes) {
  for (const PushBody& p : passes.pushes) {
    if (!Finite(p.linear) || (p.linear.x == 0.0f && p.linear.y == 0.0f && p.linear.z == 0.0f)) continue;
    p.body->v4fPosition = Add4(p.body->v4fPosition, p.linear);
    MatricesFollowPosition(p.body);
  }
}

}  // namespace

void KeyIndex::Clear() {
  used_ = 0;
  if (++stamp_ == 0) {  // wrapped: old stamps could match again
    for (Slot& slot : slots_) slot.stamp = 0;
    stamp_ = 1;
  }
}

size_t KeyIndex::Place(uint64_t key) const {
  const size_t mask = slots_.size() - 1;
  size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (slots_[i].stamp == stamp_ && slots_[i].key != key) i = (i + 1) & mask;
  return i;
}

uint32_t KeyIndex::Find(uint64_t key) const {
  if (slots_.empty()) return UINT32_MAX;
  const Slot& slot = slots_[Place(key)];
  return slot.stamp == stamp_ ? slot.value : UINT32_MAX;
}

void KeyIndex::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  const uint32_t oldStamp = stamp_;
  slots_.assign(std::max<size_t>(64, old.size() * 2), Slot{});
  stamp_ = 1;
  used_ = 0;
  for (const Slot& slot : old) {
    if (slot.stamp == oldStamp) Set(slot.key, slot.value);
  }
}

uint32_t KeyIndex::Insert(uint64_t key, uint32_t value) {
  if (2 * (used_ + 1) > slots_.size()) Grow();
  Slot& slot = slots_[Place(key)];
  if (slot.stamp == stamp_) return slot.value;
  slot = Slot{key, value, stamp_};
  ++used_;
  return value;
}

void KeyIndex::Set(uint64_t key, uint32_t value) {
  if (2 * (used_ + 1) > slots_.size()) Grow();
  Slot& slot = slots_[Place(key)];
  if (slot.stamp != stamp_) ++used_;
  slot = Slot{key, value, stamp_};
}

void KeepContact(PhysicsWorld& world, VLM_OBJECT* a, VLM_OBJECT* b, bool aFixed, const Compound& ca,
                 const Compound& cb, const v4f& point, const v4f& n, float approach, float elasticity,
                 float friction, float normalImpulse, const v4f& tangentImpulse) {
  ContactPasses& passes = world.passes;
  // A contact whose numbers went bad is not kept: it would hand them on.
  if (!Finite(point) || !Finite(n) || !Finite(a->v4fPosition) || !Finite(b->v4fPosition)) {
    passes.manifold.clear();
    return;
  }
  // Built in its place: the record is large, and a copy per contact showed.
  PassContact& c = passes.contacts.emplace_back();
  c.a = a;
  c.b = b;
  c.aFixed = aFixed;
  c.rodsA = !aFixed && HasRods(a);
  c.rodsB = HasRods(b);
  c.pushA = aFixed ? kNoPush : PushEntry(passes, a, 0);
  c.pushB = PushEntry(passes, b, 1);
  c.inverseMassA = aFixed || !(ca.mass > 0.0f) ? 0.0f : 1.0f / ca.mass;
  c.inverseMassB = cb.mass > 0.0f ? 1.0f / cb.mass : 0.0f;
  c.centreA = ca.centre;
  c.centreB = cb.centre;
  // Copied whole (StoreContact has cleared its w): a vector read back right
  // after its w was stored on its own waits for both stores to drain.
  c.n = n;
  c.direction[0] = n;
  TangentAxes(n, c.direction[1], c.direction[2]);
  c.pushShareA = c.inverseMassA;
  c.pushShareB = c.inverseMassB;
  const float along = Dot3(c.n, passes.up);
  if (std::fabs(along) > kLevelCosine) {
    const float sign = along > 0.0f ? 1.0f : -1.0f;
    c.pushDirection[0] = v4f{sign * passes.up.x, sign * passes.up.y, sign * passes.up.z, 0.0f};
    const v4f* axes = passes.levelAxes[sign > 0.0f ? 0 : 1];
    c.pushDirection[1] = axes[0];
    c.pushDirection[2] = axes[1];
    // A single-point contact (spheres stacked in a column) lifts the upper
    // body alone, as if the one below could not give way (shock
    // propagation): shared by the masses, each push handed half of its depth
    // down the column into the ground and back, and a column of three took
    // eight passes to settle, where lifting from the ground up settles it in
    // one. A face contact keeps the shared push: lifting the upper box alone
    // at its face points set a ten-box tower swaying until it fell.
    if (!aFixed && passes.manifold.empty()) (sign > 0.0f ? c.pushShareA : c.pushShareB) = 0.0f;
  } else {
    for (int k = 0; k < 3; ++k) c.pushDirection[k] = c.direction[k];
  }
  c.startA = a->v4fPosition;
  c.startB = b->v4fPosition;
  c.separation = 0.0f;
  c.bounce = approach > kBounceThreshold ? elasticity * approach : 0.0f;
  c.friction = friction;
  c.push = 0.0f;
  c.pushTangent[0] = c.pushTangent[1] = 0.0f;
  if (aFixed) {
    // A fixed body may still turn: its arms must read as nothing.
    for (int k = 0; k < 3; ++k) c.armA[k] = c.turnA[k] = v4f{};
  }
  const bool diagonalA = Diagonal3(ca.inverseInertia), diagonalB = Diagonal3(cb.inverseInertia);
  auto place = [&](PassContact& into, const v4f& at) {
    into.rA = Minus(at, ca.centre);
    into.rB = Minus(at, cb.centre);
    for (int k = 0; k < 3; ++k) {
      const v4f& d = into.direction[k];
      into.armB[k] = Cross3(into.rB, d);
      into.turnB[k] = Turn(into.armB[k], cb.inverseInertia, diagonalB);
      float resistance = into.inverseMassB + Dot3(into.armB[k], into.turnB[k]);
      if (!aFixed) {
        into.armA[k] = Cross3(into.rA, d);
        into.turnA[k] = Turn(into.armA[k], ca.inverseInertia, diagonalA);
        resistance += into.inverseMassA + Dot3(into.armA[k], into.turnA[k]);
      }
      into.mass[k] = resistance > 0.0f && std::isfinite(resistance) ? 1.0f / resistance : 0.0f;
      // A body on rods: its own velocity holds its turn about the compound's
      // centre, so its contact point moves by the turn about its own origin.
      if (into.rodsA) into.armA[k] = Cross3(Minus(at, a->v4fPosition), d);
      if (into.rodsB) into.armB[k] = Cross3(Minus(at, b->v4fPosition), d);
    }
    const float linear = into.pushShareA + into.pushShareB;
    into.pushMass = linear > 0.0f && std::isfinite(linear) ? 1.0f / linear : 0.0f;
    // A push of 1 along the push normal removes its cosine with n of depth.
    into.pushNormalMass = into.pushMass / Dot3(into.pushDirection[0], into.n);
  };
  // The first resolution's impulses, in this contact's axes.
  auto first = [&](PassContact& into, float normal, const v4f& tangent) {
    into.normalImpulse = normal;
    into.tangentImpulse[0] = Dot3(tangent, into.direction[1]);
    into.tangentImpulse[1] = Dot3(tangent, into.direction[2]);
  };
  if (passes.manifold.empty()) {
    place(c, point);
    first(c, normalImpulse, tangentImpulse);
    return;
  }
  // Several points, each with its own depth. The first resolution's impulse,
  // if any, acted at the single contact point, which is one of them (the
  // nearest): it starts from that impulse, so that the passes may take it
  // back; the others from nothing.
  size_t nearest = 0;
  float best = std::numeric_limits<float>::infinity();
  for (size_t i = 0; i < passes.manifold.size(); ++i) {
    const v4f d = Minus(passes.manifold[i].point, point);
    if (Dot3(d, d) < best) {
      best = Dot3(d, d);
      nearest = i;
    }
  }
  // Each further point starts as a copy of the first (c no longer holds once
  // the list grows) and is then placed.
  const size_t base = passes.contacts.size() - 1;
  for (size_t i = 0; i < passes.manifold.size(); ++i) {
    if (i > 0) passes.contacts.push_back(passes.contacts[base]);
    PassContact& at = passes.contacts.back();
    place(at, passes.manifold[i].point);
    at.separation = -passes.manifold[i].depth;
    first(at, i == nearest ? normalImpulse : 0.0f, i == nearest ? tangentImpulse : v4f{});
  }
  passes.manifold.clear();
}

// Files each pair's first entry in `previous`.
void IndexPrevious(ContactPasses& passes) {
  passes.previousPairs.Clear();
  for (size_t i = passes.previous.size(); i-- > 0;) {
    const PassContact& p = passes.previous[i];
    passes.previousPairs.Set(PairKey(p.a, p.b), static_cast<uint32_t>(i));
  }
}

void ForgetContacts(PhysicsWorld& world) {
  ContactPasses& passes = world.passes;
  passes.contacts.clear();
  passes.previous.clear();
  passes.previousPairs.Clear();
  passes.manifold.clear();
  passes.pushes.clear();
  passes.pushIndex.Clear();
  passes.recentPush[0] = passes.recentPush[1] = kNoPush;
  passes.dormant.clear();
  passes.dormantGroup.clear();
  passes.woken.clear();
}

void PrepareContactPasses(PhysicsWorld& world) {
  ContactPasses& passes = world.passes;
  const v4f& g = world.gravity;
  const float length = std::sqrt(Dot3(g, g));
  passes.up = length > 0.0f && std::isfinite(length) ? v4f{-g.x / length, -g.y / length, -g.z / length, 0.0f} : v4f{};
  // The axes across every level contact's push, found once per step.
  if (!(length > 0.0f && std::isfinite(length))) return;
  for (int k = 0; k < 2; ++k) {
    const float sign = k == 0 ? 1.0f : -1.0f;
    const v4f along{sign * passes.up.x, sign * passes.up.y, sign * passes.up.z, 0.0f};
    TangentAxes(along, passes.levelAxes[k][0], passes.levelAxes[k][1]);
  }
}

void RunContactPasses(PhysicsWorld& world) {
  ContactPasses& passes = world.passes;
  passes.manifold.clear();
  if (!passes.contacts.empty()) {
    // Only contacts of bodies on rods are kept in a world of one pass.
    const int32_t passCount = std::max(passes.count, kRodContactPasses);
    const float dt = world.timeStep;
    const float perStep = dt > 0.0f && std::isfinite(dt) ? 1.0f / dt : 0.0f;
    // Where each contact stands now that the whole pair loop has moved the
    // bodies: what a standing-off point may close this step, and what depth
    // its push must remove.
    thread_local std::vector<float> closing, target;
    closing.assign(passes.contacts.size(), 0.0f);
    target.assign(passes.contacts.size(), 0.0f);
    bool anyDepth = false;
    for (size_t i = 0; i < passes.contacts.size(); ++i) {
      const PassContact& c = passes.contacts[i];
      const v4f movedA = Minus(c.a->v4fPosition, c.startA);
      const v4f movedB = Minus(c.b->v4fPosition, c.startB);
      const float separation = c.separation + Dot3(Minus(movedB, movedA), c.n);
      if (separation > 0.0f) closing[i] = separation * perStep;
      if (separation < -kPenetrationSlop) target[i] = (-separation - kPenetrationSlop) * kPushShare;
      anyDepth = anyDepth || target[i] > 0.0f;
    }
    WarmStart(passes);
    // Sweeps alternate their direction, so that no point of a face contact
    // is always solved first and takes more than its share.
    const size_t count = passes.contacts.size();
    // Impulses and pushes do not touch each other (a push changes no
    // velocity, and its friction is bounded by the push alone), so each
    // stops on its own: the velocities once a pass changes no relative
    // speed by more than the tolerance, the pushes once a pass moves none
    // by more than theirs. A stack's pushes settle in more passes than its
    // impulses, and those passes no longer sweep the impulses too.
    // Without a depth to remove no push can start: the pushes and their
    // friction grow only from a target.
    bool solving = true, pushing = anyDepth;
    for (int32_t pass = 2; pass <= passCount && (solving || pushing); ++pass) {
      if (solving) {
        const bool back = (pass & 1) != 0;
        float change = 0.0f;
        // Once a change above the tolerance is seen, the pass is decided and
        // the changes are not measured.
        for (size_t k = 0; k < count; ++k) {
          const size_t i = back ? count - 1 - k : k;
          change = std::max(change, SolveVelocity(passes.contacts[i], closing[i], !(change > kSpeedTolerance)));
        }
        solving = change > kSpeedTolerance;
      }
      if (pushing) {
        float pushed = 0.0f;
        for (size_t i = 0; i < count; ++i) {
          const bool settled = pushed > kPushTolerance;
          pushed = std::max(pushed, SolvePush(passes.contacts[i], passes.pushes, target[i], !settled));
        }
        pushing = pushed > kPushTolerance;
      }
    }
    ApplyPushes(passes);
  }
  passes.pushes.clear();
  passes.pushIndex.Clear();
  passes.recentPush[0] = passes.recentPush[1] = kNoPush;
  std::swap(passes.previous, passes.contacts);
  passes.contacts.clear();
  const size_t found = passes.previous.size();
  UpdateSleep(world, std::span<const PassContact>(passes.previous.data(), found));
  KeepDormant(passes, found);
  ReviveDormant(passes);
  IndexPrevious(passes);
}

void KeepDormant(ContactPasses& passes, size_t found) {
  for (size_t i = 0; i < found; ++i) {
    const PassContact& c = passes.previous[i];
    if (!c.b->Body.iAsleep) continue;
    passes.dormant.push_back(c);
    passes.dormantGroup.push_back(c.b->Body.iAsleep);
  }
}

void ReviveDormant(ContactPasses& passes, bool all) {
  if (passes.woken.empty() && !all) return;
  size_t kept = 0;
  for (size_t i = 0; i < passes.dormant.size(); ++i) {
    const bool back =
        all || std::find(passes.woken.begin(), passes.woken.end(), passes.dormantGroup[i]) != passes.woken.end();
    if (back) {
      passes.previous.push_back(passes.dormant[i]);
      continue;
    }
    passes.dormant[kept] = passes.dormant[i];
    passes.dormantGroup[kept++] = passes.dormantGroup[i];
  }
  passes.dormant.resize(kept);
  passes.dormantGroup.resize(kept);
  passes.woken.clear();
}

}  // namespace vlm
