// Contact resolution for the world's stored contact: normal impulse with
// elasticity, friction, rolling resistance, then the rigid rods follow.
#include "physics/contact.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "physics/body.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// Fast normalisation that refuses vectors too short for it (their squared
// length underflows and the result would be infinite or not a number).
inline bool Direction(v4f* v) {
  if (!(Dot3(*v, *v) >= std::numeric_limits<float>::min())) return false;
  VLM_v4fNormalizeFast(v);
  return std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z);
}

// (n x v) x n: the part of v along the contact plane.
inline v4f Tangential(const v4f& v, const v4f& n) { return Cross3(Cross3(n, v), n); }

bool HasRods(const VLM_OBJECT* body) {
  for (const VLM_JOINT* joint : body->Body.joints) {
    if (joint->iKind == VLM_JOINT_ROD) return true;
  }
  return false;
}

// Parallel-axis term m * P(r) added to an inertia.
void AddParallelAxis(m4f& inertia, float m, const v4f& r) {
  const float x = r.x, y = r.y, z = r.z;
  inertia.e[0] += m * (y * y + z * z);
  inertia.e[5] += m * (x * x + z * z);
  inertia.e[10] += m * (x * x + y * y);
  inertia.e[1] -= m * x * y;
  inertia.e[4] -= m * x * y;
  inertia.e[2] -= m * x * z;
  inertia.e[8] -= m * x * z;
  inertia.e[6] -= m * y * z;
  inertia.e[9] -= m * y * z;
}

}  // namespace

Compound MakeCompound(const VLM_OBJECT* body, bool needInertia) {
  Compound compound;
  if (!HasRods(body)) {
    compound.mass = body->Body.fMass;
    compound.centre = body->v4fPosition;
    if (needInertia) WorldInverseInertia(body, &compound.inverseInertia);
    return compound;
  }
  // Each rod counts both of its bodies, the body itself once per rod.
  float mass = 0.0f;
  v4f weighted{0.0f, 0.0f, 0.0f, 0.0f};
  auto eachMember = [&](auto&& visit) {
    for (const VLM_JOINT* joint : body->Body.joints) {
      if (joint->iKind != VLM_JOINT_ROD) continue;
      visit(joint->pBodyA);
      visit(joint->pBodyB);
    }
  };
  eachMember([&](const VLM_OBJECT* member) {
    mass += member->Body.fMass;
    VLM_v4fAddScaled(&weighted, &member->v4fPosition, member->Body.fMass);
  });
  compound.mass = mass;
  if (mass > 0.0f) {
    VLM_v4fScaleInto(&compound.centre, &weighted, 1.0f / mass);
  } else {
    // Rods between fixed bodies only: no centre of mass, the body's own origin.
    compound.centre = body->v4fPosition;
    compound.centre.w = 0.0f;
  }
  if (!needInertia) return compound;
  m4f inertia;
  VLM_m4fSetDiagonal(&inertia, 0.0f);
  eachMember([&](const VLM_OBJECT* member) {
    m4f part;
    WorldInertia(member, &part);
    VLM_m4fAdd(&inertia, &part);
    v4f r;
    VLM_v4fSubInto(&r, &member->v4fPosition, &compound.centre);
    AddParallelAxis(inertia, member->Body.fMass, r);
  });
  compound.inverseInertia = inertia;
  InvertInertia(&compound.inverseInertia);
  return compound;
}

void ToCentreVelocity(VLM_OBJECT* body, const v4f& centre) {
  v4f arm;
  VLM_v4fSubInto(&arm, &body->v4fPosition, &centre);
  arm.w = 0.0f;
  const v4f spin = Cross3(body->Body.v4fAngularVelocity, arm);
  VLM_v4fSub(&body->Body.v4fVelocity, &spin);
  body->Body.v4fVelocity.w = 0.0f;
}

void Propagate(VLM_OBJECT* body, const v4f& centre) {
  for (VLM_JOINT* joint : body->Body.joints) {
    if (joint->iKind != VLM_JOINT_ROD) continue;
    joint->v4fSharedVelocity = body->Body.v4fVelocity;
    joint->v4fSharedAngularVelocity = body->Body.v4fAngularVelocity;
    const v4f w = joint->v4fSharedAngularVelocity;
    for (VLM_OBJECT* member : {joint->pBodyA, joint->pBodyB}) {
      // A fixed body stays where it is: it moves only by its own velocity.
      if (IsFixed(member)) continue;
      member->Body.v4fAngularVelocity = w;
      v4f arm;
      VLM_v4fSubInto(&arm, &member->v4fPosition, &centre);
      arm.w = 0.0f;
      const v4f spin = Cross3(w, arm);
      VLM_v4fAddInto(&member->Body.v4fVelocity, &joint->v4fSharedVelocity, &spin);
      member->Body.v4fVelocity.w = 0.0f;
    }
  }
}

namespace {

// One impulse of the given size along the unit direction d at the contact,
// shared by the two compounds by their masses and inverse inertias; a fixed
// A takes no part. Returns the impulse on B.
float ApplyImpulse(VLM_OBJECT* a, VLM_OBJECT* b, bool aFixed, const Compound& ca, const Compound& cb,
                  const v4f& rA, const v4f& rB, const v4f& d, float amount) {
  const v4f kA = Cross3(rA, d);
  const v4f kB = Cross3(rB, d);
  const float mB = cb.mass;
  const float formB = Form(kB, cb.inverseInertia);
  const float j = amount / (aFixed ? 1.0f / mB + formB
                                   : 1.0f / ca.mass + 1.0f / mB + Form(kA, ca.inverseInertia) + formB);
  if (!aFixed) {
    AddScaled3(a->Body.v4fVelocity, d, -j / ca.mass);
    AddScaled3(a->Body.v4fAngularVelocity, Times(kA, ca.inverseInertia), -j);
  }
  AddScaled3(b->Body.v4fVelocity, d, j / mB);
  AddScaled3(b->Body.v4fAngularVelocity, Times(kB, cb.inverseInertia), j);
  return j;
}

// Slows the turn of B against A by at most 0.1 f (f: friction times the
// approach speed), never past turning alike.
void RollingResistance(VLM_OBJECT* a, VLM_OBJECT* b, bool aFixed, const m4f& JA, const m4f& JB, float f) {
  auto& A = a->Body;
  auto& B = b->Body;
  v4f w;
  VLM_v4fSubInto(&w, &A.v4fAngularVelocity, &B.v4fAngularVelocity);
  w.w = 0.0f;
  const float spin = std::sqrt(Dot3(w, w));
  if (!(spin > 0.001f)) return;
  VLM_v4fNormalizeFast(&w);
  const float jr = std::clamp(0.1f * f, 0.0f, spin);
  // A shape without rotational inertia has nothing to slow down.
  const float resistance = aFixed ? Form(w, JB) : Form(w, JA) + Form(w, JB);
  if (!(resistance > 0.0f && std::isfinite(resistance))) return;
  const float share = jr / resistance;
  v4f impulse;
  VLM_v4fScaleInto(&impulse, &w, share);
  const v4f turnB = Times(impulse, JB);
  if (!aFixed) {
    const v4f turnA = Times(impulse, JA);
    VLM_v4fAddScaled(&A.v4fAngularVelocity, &turnA, -1.0f);
  }
  VLM_v4fAdd(&B.v4fAngularVelocity, &turnB);
}

// How fast the contact point of A moves towards that of B along n, each
// body with its own velocity and its turn about its own origin.
float PointApproach(const VLM_OBJECT* a, const VLM_OBJECT* b, const v4f& p, const v4f& n) {
  const auto& A = a->Body;
  const auto& B = b->Body;
  const v4f armA = Sub4(p, a->v4fPosition);
  const v4f armB = Sub4(p, b->v4fPosition);
  return Dot3(A.v4fVelocity, n) - Dot3(B.v4fVelocity, n) + Dot3(A.v4fAngularVelocity, Cross3(armA, n)) -
         Dot3(B.v4fAngularVelocity, Cross3(armB, n));
}

}  // namespace

void ResolveContact(VLM_OBJECT* a, VLM_OBJECT* b) {
  if (!a || !b) return;
  const bool swapped = IsFixed(b);
  if (swapped) std::swap(a, b);
  PhysicsWorld& world = World();
  if (IsFixed(b)) {  // two fixed bodies: no impulse can act
    world.passes.manifold.clear();
    return;
  }
  const v4f p = world.lastImpact.v4fPoint;
  const v4f n = world.lastImpact.v4fNormal;
  const bool aFixed = IsFixed(a);
  // The single impulses below use n twice and care not which way it runs;
  // the passes keep the contact with its normal from A towards B, which the
  // swap turned round.
  const float side = swapped ? -1.0f : 1.0f;
  const v4f towardB = swapped ? v4f{-n.x, -n.y, -n.z, 0.0f} : n;

  const Compound ca = MakeCompound(a, !aFixed);
  const Compound cb = MakeCompound(b, true);
  const m4f& JA = ca.inverseInertia;
  const m4f& JB = cb.inverseInertia;

  const v4f rA{p.x - ca.centre.x, p.y - ca.centre.y, p.z - ca.centre.z, 0.0f};
  const v4f rB{p.x - cb.centre.x, p.y - cb.centre.y, p.z - cb.centre.z, 0.0f};
  auto& A = a->Body;
  auto& B = b->Body;
  const float vn = Dot3(A.v4fVelocity, n) - Dot3(B.v4fVelocity, n) + Dot3(A.v4fAngularVelocity, Cross3(rA, n)) -
                   Dot3(B.v4fAngularVelocity, Cross3(rB, n));
  world.lastImpact.fSpeed = vn;

  const float e = A.pMaterial->fElasticity * B.pMaterial->fElasticity;
  const float mu = A.pMaterial->fFriction + B.pMaterial->fFriction;

  // A contact on several points (a box resting on a face) is left to the
  // contact passes: one impulse at a single corner would tip it over.
  if (world.passes.count > 1 && !world.passes.manifold.empty()) {
    KeepContact(world, a, b, aFixed, ca, cb, p, towardB, side * vn, e, mu, 0.0f, v4f{});
    return;
  }

  // The bodies of a compound rest on several contacts at once (two wheels on
  // an axle): one impulse at one of them rocks the compound, the next one
  // rocks it back, and the friction of each turns the rocking into a creep
  // along the ground that never ends. Within a step, a compound's contact
  // that only rests (its point approaches slower than a bounce) is left to
  // the contact passes after the pair loop, which share the impulses out
  // among all the contacts; an impact is resolved here as it comes.
  // The rolling resistance still acts here; the turn it takes is handed
  // to the rods about the compound's centre.
  const bool rodsA = !aFixed && HasRods(a), rodsB = HasRods(b);
  if (world.collisionPhase && (rodsA || rodsB)) {
    const float approach = PointApproach(a, b, p, towardB);
    if (approach < kBounceThreshold) {
      if (rodsA) ToCentreVelocity(a, ca.centre);
      if (rodsB) ToCentreVelocity(b, cb.centre);
      RollingResistance(a, b, aFixed, JA, JB, mu * vn);
      if (rodsA) Propagate(a, ca.centre);
      if (rodsB) Propagate(b, cb.centre);
      KeepContact(world, a, b, aFixed, ca, cb, p, towardB, approach, e, mu, 0.0f, v4f{});
      return;
    }
  }

  const float normalImpulse = ApplyImpulse(a, b, aFixed, ca, cb, rA, rB, n, (1.0f + e) * vn);
  v4f tangentImpulse{};

  // Friction: at most the sliding speed, so the sliding never turns round.
  const float f = mu * vn;
  {
    v4f uA = Tangential(A.v4fVelocity, n);
    const v4f spinA = Tangential(Cross3(A.v4fAngularVelocity, rA), n);
    uA = Add4(uA, spinA);
    v4f uB = Tangential(B.v4fVelocity, n);
    const v4f spinB = Tangential(Cross3(B.v4fAngularVelocity, rB), n);
    uB = Add4(uB, spinB);
    const v4f u = Sub4(uA, uB);  // w = 0: tangential parts are cross products
    const float sliding = std::sqrt(Dot3(u, u));  // as VLM_v4fLength rounds it
    // A sliding speed too small to give a direction counts as none.
    v4f t = u;
    if (sliding > 0.0f && Direction(&t)) {
      const float jt = ApplyImpulse(a, b, aFixed, ca, cb, rA, rB, t, std::clamp(f, 0.0f, sliding));
      VLM_v4fScaleInto(&tangentImpulse, &t, jt);
    }
  }

  RollingResistance(a, b, aFixed, JA, JB, f);

  if (!aFixed) Propagate(a, ca.centre);
  Propagate(b, cb.centre);
  // An impact on a compound is resolved above in every world; kept for the
  // passes as well, its first impulse, shared out about the compound's
  // centre, would be solved again about each body and set the pair spinning.
  if (world.passes.count > 1 && !rodsA && !rodsB) {
    KeepContact(world, a, b, aFixed, ca, cb, p, towardB, side * vn, e, mu, side * normalImpulse, tangentImpulse);
  }
}

}  // namespace vlm

extern "C" {

int VLM_ResolveContact(VLM_HANDLE a, VLM_HANDLE b) {
  vlm::PhysicsLock guard(vlm::World().lock);
  VLM_OBJECT* bodyA = vlm::BodyOf(a);
  VLM_OBJECT* bodyB = vlm::BodyOf(b);
  if (!bodyA || !bodyB || bodyA == bodyB) return 0;
  vlm::ResolveContact(bodyA, bodyB);
  return 1;
}

}  // extern "C"
