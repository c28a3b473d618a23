// Contact passes beyond the first: sequential impulses over the contacts the
// pair loop found in this step, in the order it found them, so that the
// results stay deterministic and independent of the broad phase.
#include "physics/solver_passes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "physics/body.h"
#include "physics/collide.h"
#include "physics/contact.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// Warm starting trusts last step's impulse only while the contact keeps its
// direction and stays in place.
constexpr float kSameNormal = 0.95f;
constexpr float kSamePlace = 0.1f;  // units
// A pass that changes no contact's relative normal speed by more than this
// (units per second) ends the passes: none is still approaching, and none
// is pushed apart harder than it asks for.
constexpr float kSpeedTolerance = 1e-4f;

v4f Minus(const v4f& a, const v4f& b) { return v4f{a.x - b.x, a.y - b.y, a.z - b.z, 0.0f}; }

// Inverse of the effective mass of the pair along direction d at the contact.
float Resistance(const PassContact& c, const v4f& d) {
  const float r = c.inverseMassB + Form(Cross3(c.rB, d), c.inverseInertiaB);
  if (c.aFixed) return r;
  return r + c.inverseMassA + Form(Cross3(c.rA, d), c.inverseInertiaA);
}

// Velocity of A's contact point relative to B's. A fixed A counts too: it
// still moves by its own velocity.
v4f Relative(const PassContact& c) {
  const auto& A = c.a->Body;
  const auto& B = c.b->Body;
  const v4f spinA = Cross3(A.v4fAngularVelocity, c.rA);
  const v4f spinB = Cross3(B.v4fAngularVelocity, c.rB);
  return v4f{A.v4fVelocity.x + spinA.x - B.v4fVelocity.x - spinB.x,
             A.v4fVelocity.y + spinA.y - B.v4fVelocity.y - spinB.y,
             A.v4fVelocity.z + spinA.z - B.v4fVelocity.z - spinB.z, 0.0f};
}

// Impulse P on B at the contact, -P on A.
void Apply(const PassContact& c, const v4f& impulse) {
  auto& B = c.b->Body;
  VLM_v4fAddScaled(&B.v4fVelocity, &impulse, c.inverseMassB);
  const v4f turnB = Times(Cross3(c.rB, impulse), c.inverseInertiaB);
  VLM_v4fAdd(&B.v4fAngularVelocity, &turnB);
  if (!c.aFixed) {
    auto& A = c.a->Body;
    VLM_v4fAddScaled(&A.v4fVelocity, &impulse, -c.inverseMassA);
    const v4f turnA = Times(Cross3(c.rA, impulse), c.inverseInertiaA);
    VLM_v4fAddScaled(&A.v4fAngularVelocity, &turnA, -1.0f);
    Propagate(c.a, c.centreA);
  }
  Propagate(c.b, c.centreB);
}

bool Finite(const v4f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Sets the friction sum to total, held within the friction cone (mu times
// the normal sum), and applies the change.
void SetFriction(PassContact& c, v4f total) {
  const float limit = c.friction * c.normalImpulse;
  const float length = std::sqrt(Dot3(total, total));
  if (length > limit) VLM_v4fScale(&total, length > 0.0f ? limit / length : 0.0f);
  total.w = 0.0f;
  const v4f change = Minus(total, c.tangentImpulse);
  if (!Finite(change)) return;
  c.tangentImpulse = total;
  Apply(c, change);
}

// Normal impulse towards the separating speed the contact asks for, never
// pulling; then friction up to mu times the normal impulse. Returns whether
// the normal speed still had to change.
bool SolveVelocity(PassContact& c) {
  const v4f u = Relative(c);
  const float approach = Dot3(u, c.n) + c.bounce;
  const float total = std::max(c.normalImpulse + approach * c.normalMass, 0.0f);
  const float dj = total - c.normalImpulse;
  c.normalImpulse = total;
  if (dj != 0.0f) {
    v4f impulse;
    VLM_v4fScaleInto(&impulse, &c.n, dj);
    Apply(c, impulse);
  }
  // Sliding of A over B along the contact plane, after the normal impulse.
  v4f slide = Relative(c);
  VLM_v4fAddScaled(&slide, &c.n, -Dot3(slide, c.n));
  slide.w = 0.0f;
  const float speed = std::sqrt(Dot3(slide, slide));
  if (speed > kSpeedTolerance && std::isfinite(speed)) {  // slower sliding is rest
    v4f t;
    VLM_v4fScaleInto(&t, &slide, 1.0f / speed);
    const float k = Resistance(c, t);
    if (k > 0.0f && std::isfinite(k)) {
      v4f total = c.tangentImpulse;
      VLM_v4fAddScaled(&total, &t, speed / k);
      SetFriction(c, total);
    }
  }
  return std::fabs(dj) > kSpeedTolerance * c.normalMass;
}

// Pushes the bodies apart along n when later contacts of this step drove them
// deeper than the slop into each other. Returns whether anything moved.
bool SolvePosition(const PassContact& c) {
  const v4f movedA = Minus(c.a->v4fPosition, c.startA);
  const v4f movedB = Minus(c.b->v4fPosition, c.startB);
  const float separation = c.separation + Dot3(Minus(movedB, movedA), c.n);
  if (!(separation < -kPenetrationSlop)) return false;
  const float depth = -separation - kPenetrationSlop;
  const float weightA = c.aFixed ? 0.0f : c.inverseMassA;
  const float sum = weightA + c.inverseMassB;
  if (!(sum > 0.0f)) return false;
  if (weightA > 0.0f) MoveBody(c.a, c.n, -depth * weightA / sum);
  MoveBody(c.b, c.n, depth * c.inverseMassB / sum);
  return true;
}

uint64_t PairKey(const VLM_OBJECT* a, const VLM_OBJECT* b) {
  const auto x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(a));
  const auto y = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(b));
  return x * 0x9E3779B97F4A7C15ull ^ (y + (x << 6) + (x >> 2));
}

// Last step's impulse for this contact, when it is the same contact.
const PassContact* Previous(const ContactPasses& passes, const PassContact& c) {
  auto it = passes.previousPairs.find(PairKey(c.a, c.b));
  if (it == passes.previousPairs.end()) return nullptr;
  for (size_t i = it->second; i < passes.previous.size(); ++i) {
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
      v4f impulse;
      VLM_v4fScaleInto(&impulse, &c.n, dj);
      Apply(c, impulse);
    }
    // Last step's friction, in this step's contact plane and within the cone.
    v4f t = p->tangentImpulse;
    VLM_v4fAddScaled(&t, &c.n, -Dot3(t, c.n));
    SetFriction(c, t);
  }
}

}  // namespace

void KeepContact(PhysicsWorld& world, VLM_OBJECT* a, VLM_OBJECT* b, bool aFixed, const Compound& ca,
                 const Compound& cb, const v4f& point, const v4f& n, float approach, float elasticity,
                 float friction, float normalImpulse, const v4f& tangentImpulse) {
  ContactPasses& passes = world.passes;
  PassContact c;
  c.a = a;
  c.b = b;
  c.aFixed = aFixed;
  c.inverseMassA = aFixed || !(ca.mass > 0.0f) ? 0.0f : 1.0f / ca.mass;
  c.inverseMassB = cb.mass > 0.0f ? 1.0f / cb.mass : 0.0f;
  if (!aFixed) c.inverseInertiaA = ca.inverseInertia;
  c.inverseInertiaB = cb.inverseInertia;
  c.centreA = ca.centre;
  c.centreB = cb.centre;
  c.n = n;
  c.n.w = 0.0f;
  c.startA = a->v4fPosition;
  c.startB = b->v4fPosition;
  c.bounce = approach > kBounceThreshold ? elasticity * approach : 0.0f;
  c.friction = friction;
  auto place = [&](const v4f& at) {
    c.rA = Minus(at, ca.centre);
    c.rB = Minus(at, cb.centre);
    const float k = Resistance(c, c.n);
    c.normalMass = k > 0.0f && std::isfinite(k) ? 1.0f / k : 0.0f;
  };
  // A contact whose numbers went bad is not kept: it would hand them on.
  if (!Finite(point) || !Finite(n) || !Finite(a->v4fPosition) || !Finite(b->v4fPosition)) {
    passes.manifold.clear();
    return;
  }
  if (passes.manifold.empty()) {
    place(point);
    c.normalImpulse = normalImpulse;
    c.tangentImpulse = tangentImpulse;
    passes.contacts.push_back(c);
    return;
  }
  // Several points: the first resolution's impulse acted at the single
  // contact point, which is one of them (the nearest): it starts from that
  // impulse, so that the passes may take it back; the others from nothing.
  size_t nearest = 0;
  float best = std::numeric_limits<float>::infinity();
  for (size_t i = 0; i < passes.manifold.size(); ++i) {
    const v4f d = Minus(passes.manifold[i], point);
    if (Dot3(d, d) < best) {
      best = Dot3(d, d);
      nearest = i;
    }
  }
  c.separation = -passes.depth;
  for (size_t i = 0; i < passes.manifold.size(); ++i) {
    place(passes.manifold[i]);
    c.normalImpulse = i == nearest ? normalImpulse : 0.0f;
    c.tangentImpulse = i == nearest ? tangentImpulse : v4f{};
    passes.contacts.push_back(c);
  }
  passes.manifold.clear();
  passes.depth = 0.0f;
}

void RunContactPasses(PhysicsWorld& world) {
  ContactPasses& passes = world.passes;
  passes.manifold.clear();
  if (passes.count > 1 && !passes.contacts.empty()) {
    WarmStart(passes);
    for (int32_t pass = 2; pass <= passes.count; ++pass) {
      bool changed = false;
      for (PassContact& c : passes.contacts) changed |= SolveVelocity(c);
      for (const PassContact& c : passes.contacts) SolvePosition(c);
      if (!changed) break;
    }
  }
  std::swap(passes.previous, passes.contacts);
  passes.contacts.clear();
  passes.previousPairs.clear();
  for (size_t i = passes.previous.size(); i-- > 0;) {
    const PassContact& p = passes.previous[i];
    passes.previousPairs[PairKey(p.a, p.b)] = static_cast<uint32_t>(i);
  }
}

}  // namespace vlm
