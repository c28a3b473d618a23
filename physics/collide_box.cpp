// Oriented boxes: the separating-axis test on 15 axes, and box-box contacts
// on the axis of least overlap.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "mesh/cage_record.h"
#include "physics/collide.h"
#include "physics/contact.h"
#include "physics/vec3.h"
#include "velmora/math.h"

namespace vlm {

namespace {

inline float Projected(const OrientedBox& box, const v4f& axis) {
  return box.half[0] * std::fabs(Dot3(box.axis[0], axis)) + box.half[1] * std::fabs(Dot3(box.axis[1], axis)) +
         box.half[2] * std::fabs(Dot3(box.axis[2], axis));
}

// The corner of a box lying farthest along a direction.
v4f SupportCorner(const OrientedBox& box, const v4f& direction) {
  v4f corner = box.centre;
  for (int k = 0; k < 3; ++k) {
    const float side = Dot3(box.axis[k], direction) >= 0.0f ? box.half[k] : -box.half[k];
    VLM_v4fAddScaled(&corner, &box.axis[k], side);
  }
  corner.w = 1.0f;
  return corner;
}

// Cross-product axes of nearly parallel edges carry no direction: they are
// left out instead of becoming a zero normal.
constexpr float kParallelLimit = 1e-6f;
// Cosine above which a face counts as square to the contact normal.
constexpr float kSquare = 0.99f;
// An edge axis replaces the best face axis only when its overlap is below
// this share of the face's, less this distance (units).
constexpr float kFaceFavour = 1.0f / 0.95f;
constexpr float kFaceSlack = 1e-3f;

// Points where the face of the incident box that looks most against the
// reference face's normal m (pointing from the reference box towards the
// incident one) lies on the reference face: its corners, each held within the
// face's rectangle, that are inside the reference box or nearly so. Each
// point lies halfway between the face and the corner, as the single contact
// point does. For the contact passes: a box resting on a face bears on
// several points, not on one corner.
void FaceManifold(const OrientedBox& reference, int axis, const OrientedBox& incident, const v4f& m,
                  std::vector<ManifoldPoint>& out) {
  out.clear();
  constexpr float kMargin = 0.02f;  // units a corner may stand off and still count
  int k = 0;
  float most = -1.0f;
  for (int i = 0; i < 3; ++i) {
    const float along = std::fabs(Dot3(incident.axis[i], m));
    if (along > most) {
      most = along;
      k = i;
    }
  }
  const float side = Dot3(incident.axis[k], m) > 0.0f ? -1.0f : 1.0f;
  const int u = (k + 1) % 3, w = (k + 2) % 3;
  const int ru = (axis + 1) % 3, rw = (axis + 2) % 3;
  // The reference face: centre + m * half along the reference axis.
  const float face = Dot3(reference.centre, m) + reference.half[axis];
  for (int corner = 0; corner < 4; ++corner) {
    v4f p = incident.centre;
    VLM_v4fAddScaled(&p, &incident.axis[k], side * incident.half[k]);
    VLM_v4fAddScaled(&p, &incident.axis[u], (corner & 1) ? incident.half[u] : -incident.half[u]);
    VLM_v4fAddScaled(&p, &incident.axis[w], (corner & 2) ? incident.half[w] : -incident.half[w]);
    const float depth = face - Dot3(p, m);
    if (!(depth > -kMargin)) continue;
    // Held within the reference face's rectangle along its two face axes.
    v4f offset;
    VLM_v4fSubInto(&offset, &p, &reference.centre);
    for (int r : {ru, rw}) {
      const float along = Dot3(offset, reference.axis[r]);
      const float held = std::clamp(along, -reference.half[r], reference.half[r]);
      VLM_v4fAddScaled(&p, &reference.axis[r], held - along);
    }
    VLM_v4fAddScaled(&p, &m, depth / 2.0f);
    p.w = 1.0f;
    out.push_back(ManifoldPoint{p, depth});
  }
}

// Moves two boxes apart by their overlap o along n (from A to B).
void MoveApart(VLM_OBJECT* bodyA, VLM_OBJECT* bodyB, const v4f& n, float o, bool passes) {
  if (IsFixed(bodyA)) {
    // Twice the overlap lifts a box resting on a fixed one off it on every
    // other step; with contact passes it is set down touching instead.
    MoveBody(bodyB, n, passes ? o : 2.0f * o);
  } else if (IsFixed(bodyB)) {
    MoveBody(bodyA, n, -o);
  } else {
    MoveBody(bodyA, n, -o / 2.0f);
    MoveBody(bodyB, n, o / 2.0f);
  }
}

}  // namespace

OrientedBox MakeOrientedBox(const VLM_OBJECT* body, const VLM_CAGE_NODE* node) {
  OrientedBox box;
  VLM_v4fTransformInto(&box.centre, &body->mWorld, &node->v4fCentre);
  box.centre.w = 1.0f;
  const float* m = body->mWorldUnscaled.e;
  for (int k = 0; k < 3; ++k) box.axis[k] = v4f{m[4 * k], m[4 * k + 1], m[4 * k + 2], 0.0f};
  const v4f& s = body->v4fScale;
  const v4f& h = node->v4fHalfExtents;
  box.half[0] = std::fabs(h.x * s.x);
  box.half[1] = std::fabs(h.y * s.y);
  box.half[2] = std::fabs(h.z * s.z);
  return box;
}

bool BoxesOverlap(const OrientedBox& a, const OrientedBox& b) {
  v4f d;
  VLM_v4fSubInto(&d, &b.centre, &a.centre);
  auto separated = [&](const v4f& axis) {
    return std::fabs(Dot3(d, axis)) > Projected(a, axis) + Projected(b, axis);
  };
  for (int i = 0; i < 3; ++i) {
    if (separated(a.axis[i]) || separated(b.axis[i])) return false;
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (separated(Cross3(a.axis[i], b.axis[j]))) return false;
    }
  }
  return true;
}

int BoxBox(VLM_OBJECT* bodyA, VLM_OBJECT* bodyB) {
  const VLM_CAGE_NODE* rootA = bodyA->Body.pCage->pRoot;
  const VLM_CAGE_NODE* rootB = bodyB->Body.pCage->pRoot;
  if (!rootA || !rootB) return 0;
  const OrientedBox a = MakeOrientedBox(bodyA, rootA);
  const OrientedBox b = MakeOrientedBox(bodyB, rootB);
  v4f d;
  VLM_v4fSubInto(&d, &b.centre, &a.centre);
  d.w = 0.0f;

  float best = std::numeric_limits<float>::infinity();
  int bestAxis = -1;
  v4f bestDirection{};
  float faceOverlap = std::numeric_limits<float>::infinity();  // the best face axis
  int bestFace = -1;
  v4f faceDirection{};
  // Overlap along a unit-length view of the axis, so that face and edge
  // axes are compared in the same units.
  auto consider = [&](const v4f& axis, float length, int index) {
    const float overlap = (Projected(a, axis) + Projected(b, axis) - std::fabs(Dot3(d, axis))) / length;
    if (overlap < 0.0f) return false;
    if (overlap < best) {
      best = overlap;
      bestAxis = index;
      bestDirection = axis;
    }
    if (index < 6 && overlap < faceOverlap) {
      faceOverlap = overlap;
      bestFace = index;
      faceDirection = axis;
    }
    return true;
  };
  for (int i = 0; i < 3; ++i) {
    if (!consider(a.axis[i], std::sqrt(Dot3(a.axis[i], a.axis[i])), i)) return 0;
  }
  for (int j = 0; j < 3; ++j) {
    if (!consider(b.axis[j], std::sqrt(Dot3(b.axis[j], b.axis[j])), 3 + j)) return 0;
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const v4f axis = Cross3(a.axis[i], b.axis[j]);
      const float lengthSq = Dot3(axis, axis);
      if (!(lengthSq > kParallelLimit)) continue;
      if (!consider(axis, std::sqrt(lengthSq), 6 + 3 * i + j)) return 0;
    }
  }
  if (bestAxis < 0) return 0;
  // With contact passes a face axis is kept unless an edge axis is clearly
  // better: boxes resting nearly square have edge axes that duplicate the
  // face normal, and one of them winning by rounding would put the contact
  // on a single edge point.
  if (bestAxis >= 6 && bestFace >= 0 && World().passes.count > 1 &&
      faceOverlap <= best * kFaceFavour + kFaceSlack) {
    best = faceOverlap;
    bestAxis = bestFace;
    bestDirection = faceDirection;
  }

  v4f n = bestDirection;
  VLM_v4fNormalizeFast(&n);
  if (Dot3(d, n) < 0.0f) VLM_v4fNegate(&n);
  float o = best;
  if (InCollisionPhase()) {
    // When the boxes were apart along this axis before this step moved
    // anything, B goes back to the side it came from, even if pushes or a
    // fast movement carried its centre past A's: otherwise it would be
    // pushed on through a thin plate.
    v4f before = d;
    VLM_v4fAdd(&before, &bodyB->Body.v4fStepStart);
    VLM_v4fSub(&before, &bodyB->v4fPosition);
    VLM_v4fSub(&before, &bodyA->Body.v4fStepStart);
    VLM_v4fAdd(&before, &bodyA->v4fPosition);
    const float along = Dot3(before, n);
    const float reach = Projected(a, n) + Projected(b, n);
    if (along < -reach) {
      o = reach + Dot3(d, n);
      VLM_v4fNegate(&n);
    }
  }
  v4f minusN = n;
  VLM_v4fNegate(&minusN);

  v4f contact;
  if (bestAxis < 3) {
    contact = SupportCorner(b, minusN);
    VLM_v4fAddScaled(&contact, &n, o / 2.0f);
  } else if (bestAxis < 6) {
    contact = SupportCorner(a, n);
    VLM_v4fAddScaled(&contact, &n, -o / 2.0f);
  } else {
    const int i = (bestAxis - 6) / 3;
    const int j = (bestAxis - 6) % 3;
    const v4f pA = SupportCorner(a, n);
    const v4f pB = SupportCorner(b, minusN);
    const v4f& dA = a.axis[i];
    const v4f& dB = b.axis[j];
    v4f between;
    VLM_v4fSubInto(&between, &pB, &pA);
    between.w = 0.0f;
    const v4f c = Cross3(dA, dB);
    const float cc = Dot3(c, c);
    const float tA = Dot3(Cross3(between, dB), c) / cc;
    const float tB = Dot3(Cross3(between, dA), c) / cc;
    v4f onA = pA, onB = pB;
    VLM_v4fAddScaled(&onA, &dA, tA);
    VLM_v4fAddScaled(&onB, &dB, tB);
    contact = v4f{(onA.x + onB.x) * 0.5f, (onA.y + onB.y) * 0.5f, (onA.z + onB.z) * 0.5f, 1.0f};
  }
  contact.w = 1.0f;
  StoreContact(contact, n);
  if (InCollisionPhase()) {
    ContactPasses& passes = World().passes;
    if (passes.count > 1 && bestAxis < 6 && o == best) {
      // A face of A that lies along n is the reference whenever there is
      // one, so that boxes stacked square keep the same points from step to
      // step whichever axis won by rounding.
      int reference = bestAxis < 3 ? bestAxis : -1;
      for (int i = 0; i < 3 && reference < 0; ++i) {
        if (std::fabs(Dot3(a.axis[i], n)) > kSquare * std::sqrt(Dot3(a.axis[i], a.axis[i]))) reference = i;
      }
      // The points are pushed apart along the reference face's own normal,
      // normalised exactly: the estimate's error would tilt a tall stack's
      // pushes a little differently on every machine.
      v4f m = reference >= 0 ? a.axis[reference] : b.axis[bestAxis - 3];
      VLM_v4fScale(&m, 1.0f / std::sqrt(Dot3(m, m)));
      m.w = 0.0f;
      if (Dot3(m, n) < 0.0f) VLM_v4fNegate(&m);
      n = m;
      minusN = m;
      VLM_v4fNegate(&minusN);
      StoreContact(contact, n);
      if (reference >= 0) {
        FaceManifold(a, reference, b, n, passes.manifold);
      } else {
        FaceManifold(b, bestAxis - 3, a, minusN, passes.manifold);
      }
    }
    // A face contact is left to the passes: they push the boxes apart, down
    // to the slop, together with every other contact of the step.
    if (passes.manifold.empty()) MoveApart(bodyA, bodyB, n, o, passes.count > 1);
    ResolveContact(bodyA, bodyB);
  }
  return 1;
}

}  // namespace vlm
