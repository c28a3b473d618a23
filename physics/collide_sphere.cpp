// Shape tests with a sphere: sphere-sphere, the swept sphere-point test and
// box-sphere against a box cage's root node.
#include <cmath>
#include <limits>

#include "mesh/cage_record.h"
#include "physics/collide.h"
#include "physics/contact.h"
#include "velmora/math.h"

namespace vlm {

int SphereSphere(VLM_OBJECT* a, VLM_OBJECT* b) {
  const float rA = SphereRadius(a);
  const float rB = SphereRadius(b);
  const float reach = rA + rB;
  // Inline forms of the math library's operations, rounded as it rounds
  // them (its length is the square root of this sum).
  const v4f d = Sub4(b->v4fPosition, a->v4fPosition);
  const float distance = std::sqrt(Dot3(d, d));
  const float gap = distance - reach;
  // Two spheres on one centre have no direction to part in.
  if (!(gap > -reach && gap < 0.0f)) return 0;
  const v4f n = Scaled3(d, 1.0f / distance);
  v4f contact;
  if (InCollisionPhase()) {
    const float mA = a->Body.fMass;
    const float mB = b->Body.fMass;
    if (IsFixed(a)) {
      MoveBody(b, n, -gap);
    } else if (IsFixed(b)) {
      MoveBody(a, n, gap);
    } else {
      MoveBody(a, n, gap * mB / (mA + mB));
      MoveBody(b, n, -gap * mA / (mA + mB));
    }
    contact = a->v4fPosition;
    AddScaled3(contact, n, rA);
    StoreContact(contact, n);
    ResolveContact(a, b);
  } else {
    contact = a->v4fPosition;
    VLM_v4fAddScaled(&contact, &n, rA + gap / 2.0f);
    StoreContact(contact, n);
  }
  return 1;
}

int SpherePoint(VLM_OBJECT* sphere, VLM_OBJECT* point) {
  const float r = SphereRadius(sphere);
  v4f d;
  VLM_v4fSubInto(&d, &point->v4fPosition, &sphere->v4fPosition);
  const v4f& m = point->Body.v4fMovement;
  const float mm = VLM_v4fDot(&m, nullptr, nullptr);
  const float b = VLM_v4fDot(&d, &m, nullptr) / mm;
  const float c = (VLM_v4fDot(&d, nullptr, nullptr) - r * r) / mm;
  // Where the point's path meets the sphere surface, in steps from now. A
  // point that does not move or misses the sphere gives not-a-number, which
  // fails the range test.
  const float t = -(b + std::sqrt(b * b - c));
  if (!(t >= -1.1f && t <= 0.1f)) return 0;
  v4f contact = point->v4fPosition;
  VLM_v4fAddScaled(&contact, &m, t);
  contact.w = 1.0f;
  v4f n;
  VLM_v4fSubInto(&n, &contact, &sphere->v4fPosition);
  n.w = 0.0f;
  VLM_v4fNormalize(&n);
  StoreContact(contact, n);
  if (InCollisionPhase()) {
    if (!IsFixed(point)) PlaceBody(point, contact);
    ResolveContact(sphere, point);
  }
  return 1;
}

int BoxSphere(VLM_OBJECT* box, VLM_OBJECT* sphere) {
  const VLM_CAGE_NODE* root = box->Body.pCage->pRoot;
  if (!root) return 0;
  const float r = SphereRadius(sphere);
  const m4f& inverseWorld = InverseWorld(box);
  const v4f c = Transform4(sphere->v4fPosition, inverseWorld);
  const v4f& h = root->v4fHalfExtents;
  // From the box surface to the centre, in the box frame; zero inside.
  auto outside = [](float value, float half) {
    const float excess = std::fabs(value) - std::fabs(half);
    if (!(excess > 0.0f)) return 0.0f;
    return value < 0.0f ? -excess : excess;
  };
  v4f e{outside(c.x, h.x), outside(c.y, h.y), outside(c.z, h.z), 0.0f};
  e = Transform4(e, box->mWorld);
  e.w = 0.0f;
  const float ee = Dot3(e, e);
  if (!(ee < r * r)) return 0;
  v4f n;
  float pen;
  if (ee > 0.0f) {
    const float length = std::sqrt(ee);
    n = Scaled3(e, 1.0f / length);
    pen = length - r;
  } else {
    // The centre is inside. It leaves through a face it was outside of
    // before this step moved anything, so that pushes from other bodies can
    // never drive a sphere resting on a thin plate out through its far side.
    // Without such a face (it was inside already, or no step is running):
    // the nearest face, so that a sphere sunk into a wide, flat box goes
    // back up rather than sideways into it.
    const float* m = box->mWorld.e;
    const float cc[3] = {c.x, c.y, c.z};
    const float hh[3] = {std::fabs(h.x), std::fabs(h.y), std::fabs(h.z)};
    float cameFrom[3] = {0.0f, 0.0f, 0.0f};  // side of the face it was outside of, or 0
    if (InCollisionPhase()) {
      // Where the sphere was, relative to where the box was.
      v4f before = sphere->Body.v4fStepStart;
      VLM_v4fSub(&before, &box->Body.v4fStepStart);
      VLM_v4fAdd(&before, &box->v4fPosition);
      before.w = 1.0f;
      VLM_v4fTransform(&before, &inverseWorld);
      const float bb[3] = {before.x, before.y, before.z};
      for (int k = 0; k < 3; ++k) {
        if (std::fabs(bb[k]) > hh[k]) cameFrom[k] = bb[k] < 0.0f ? -1.0f : 1.0f;
      }
    }
    const bool entered = cameFrom[0] != 0.0f || cameFrom[1] != 0.0f || cameFrom[2] != 0.0f;
    int nearest = 0;
    float side = 1.0f;
    float depth = std::numeric_limits<float>::infinity();
    for (int k = 0; k < 3; ++k) {
      if (entered && cameFrom[k] == 0.0f) continue;
      const float s = entered ? cameFrom[k] : (cc[k] < 0.0f ? -1.0f : 1.0f);
      const float axis = std::sqrt(m[4 * k] * m[4 * k] + m[4 * k + 1] * m[4 * k + 1] + m[4 * k + 2] * m[4 * k + 2]);
      const float d = (hh[k] - s * cc[k]) * axis;
      if (d < depth) {
        depth = d;
        nearest = k;
        side = s;
      }
    }
    if (!std::isfinite(depth)) return 0;  // a box without a usable frame
    n = v4f{m[4 * nearest] * side, m[4 * nearest + 1] * side, m[4 * nearest + 2] * side, 0.0f};
    VLM_v4fNormalize(&n);
    pen = -(depth + r);
  }
  v4f contact = sphere->v4fPosition;
  AddScaled3(contact, n, -(r + pen / 2.0f));
  StoreContact(contact, n);
  if (InCollisionPhase()) {
    if (IsFixed(box)) {
      MoveBody(sphere, n, -pen);
    } else if (IsFixed(sphere)) {
      MoveBody(box, n, pen);
    } else if (World().passes.count == 1) {
      // With passes the pushes part two moving bodies, together with the
      // contacts below them: parted here as well, a ball resting on a box
      // was lifted off it on every step and fell back.
      MoveBody(box, n, pen / 2.0f);
      MoveBody(sphere, n, -pen / 2.0f);
    }
    ResolveContact(box, sphere);
  }
  return 1;
}

}  // namespace vlm
