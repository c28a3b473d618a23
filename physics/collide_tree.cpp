// Tree shapes (BOX and POLYHEDRON cages): node-box tests prune the walk, and
// the leaves' convex outlines meet a moving point, a sphere or another
// outline.
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

// Far deeper than any tree a cage holds; ends the walk on a broken tree.
constexpr int kMaxTreeDepth = 64;
// The iterative separation of two outlines gives up after this many passes.
constexpr int kMaxSeparationPasses = 200;

inline v4f Sub3(const v4f& a, const v4f& b) { return v4f{a.x - b.x, a.y - b.y, a.z - b.z, 0.0f}; }

inline v4f Along(const v4f& start, const v4f& direction, float t) {
  return v4f{start.x + direction.x * t, start.y + direction.y * t, start.z + direction.z * t, 1.0f};
}

inline bool HasChildren(const VLM_CAGE_NODE* node) { return node->pFirstChild && node->pSecondChild; }

// q on the triangle's side of each edge (the face normal decides the side).
bool InsideTriangle(const v4f& v0, const v4f& v1, const v4f& v2, const v4f& normal, const v4f& q) {
  return Dot3(Cross3(Sub3(v1, v0), Sub3(q, v0)), normal) >= 0.0f &&
         Dot3(Cross3(Sub3(v2, v1), Sub3(q, v1)), normal) >= 0.0f &&
         Dot3(Cross3(Sub3(v0, v2), Sub3(q, v2)), normal) >= 0.0f;
}

// ---- Moving point ---------------------------------------------------------

struct PointPath {
  v4f start;      // body frame: one and a half steps back
  v4f direction;  // body frame: one step of movement
};

bool PathHitsBox(const PointPath& path, const VLM_CAGE_NODE* node) {
  const float s[3] = {path.start.x, path.start.y, path.start.z};
  const float m[3] = {path.direction.x, path.direction.y, path.direction.z};
  const float c[3] = {node->v4fCentre.x, node->v4fCentre.y, node->v4fCentre.z};
  const float h[3] = {std::fabs(node->v4fHalfExtents.x), std::fabs(node->v4fHalfExtents.y),
                      std::fabs(node->v4fHalfExtents.z)};
  float enter = -std::numeric_limits<float>::infinity();
  float exit = std::numeric_limits<float>::infinity();
  for (int k = 0; k < 3; ++k) {
    const float lo = c[k] - h[k], hi = c[k] + h[k];
    if (m[k] == 0.0f) {
      if (!(s[k] >= lo && s[k] <= hi)) return false;  // parallel and outside the slab
      continue;
    }
    float t1 = (lo - s[k]) / m[k];
    float t2 = (hi - s[k]) / m[k];
    if (t1 > t2) std::swap(t1, t2);
    if (t1 > enter) enter = t1;
    if (t2 < exit) exit = t2;
  }
  return exit >= 0.0f && enter <= exit && enter <= 2.0f;
}

int OutlinePoint(VLM_OBJECT* tree, VLM_OBJECT* point, const VLM_CAGE_OUTLINE& outline, const PointPath& path) {
  float best = 2.0f;
  const VLM_CAGE_FACE* hit = nullptr;
  for (const VLM_CAGE_FACE& face : outline.aFaces) {
    const v4f& n = face.v4fNormal;
    const float toward = Dot3(path.direction, n);
    if (!(toward < 0.0f)) continue;  // only entering through the front
    const v4f& v0 = outline.aVertices[static_cast<size_t>(face.iVertex[0])];
    const float t = Dot3(Sub3(v0, path.start), n) / toward;
    if (!(t >= 0.0f && t < best)) continue;
    const v4f q = Along(path.start, path.direction, t);
    const v4f& v1 = outline.aVertices[static_cast<size_t>(face.iVertex[1])];
    const v4f& v2 = outline.aVertices[static_cast<size_t>(face.iVertex[2])];
    if (!InsideTriangle(v0, v1, v2, n, q)) continue;
    best = t;
    hit = &face;
  }
  if (!hit) return 0;
  const v4f contact = Along(point->v4fPosition, point->Body.v4fMovement, best - 1.5f);
  v4f n = hit->v4fNormal;
  n.w = 0.0f;
  VLM_v4fTransform(&n, &tree->mWorld);
  n.w = 0.0f;
  VLM_v4fNormalize(&n);
  StoreContact(contact, n);
  if (InCollisionPhase()) {
    if (!IsFixed(point)) PlaceBody(point, contact);
    ResolveContact(tree, point);
  }
  return 1;
}

int WalkPoint(VLM_OBJECT* tree, VLM_OBJECT* point, const VLM_CAGE_NODE* node, const PointPath& path, int depth) {
  if (depth > kMaxTreeDepth || !PathHitsBox(path, node)) return 0;
  if (HasChildren(node)) {
    const int first = WalkPoint(tree, point, node->pFirstChild, path, depth + 1);
    const int second = WalkPoint(tree, point, node->pSecondChild, path, depth + 1);
    return first | second;
  }
  if (node->pOutline) return OutlinePoint(tree, point, *node->pOutline, path);
  return 0;
}

// ---- Sphere -----------------------------------------------------------------

bool SphereTouchesBox(const VLM_OBJECT* tree, const VLM_CAGE_NODE* node, const v4f& centreInBody, float r) {
  const v4f& c = node->v4fCentre;
  const v4f& h = node->v4fHalfExtents;
  const v4f& s = tree->v4fScale;
  auto gap = [](float value, float centre, float half, float scale) {
    const float g = std::fabs(value - centre) - std::fabs(half);
    return (g > 0.0f ? g : 0.0f) * std::fabs(scale);
  };
  const float gx = gap(centreInBody.x, c.x, h.x, s.x);
  const float gy = gap(centreInBody.y, c.y, h.y, s.y);
  const float gz = gap(centreInBody.z, c.z, h.z, s.z);
  return gx * gx + gy * gy + gz * gz < r * r;
}

// Scratch for world vertices, kept per thread so that no test allocates once
// the largest outline has been seen.
std::vector<v4f>& ScratchA() {
  thread_local std::vector<v4f> scratch;
  return scratch;
}
std::vector<v4f>& ScratchB() {
  thread_local std::vector<v4f> scratch;
  return scratch;
}

void OutlineVertices(const VLM_CAGE_OUTLINE& outline, const m4f& m, std::vector<v4f>& out) {
  out.resize(outline.aVertices.size() + 1);
  for (size_t k = 0; k < outline.aVertices.size(); ++k) {
    VLM_v4fTransformInto(&out[k], &m, &outline.aVertices[k]);
  }
}

int OutlineSphere(VLM_OBJECT* tree, VLM_OBJECT* sphere, const VLM_CAGE_OUTLINE& outline) {
  std::vector<v4f>& world = ScratchA();
  OutlineVertices(outline, tree->mWorld, world);
  const v4f c = sphere->v4fPosition;
  const float r = SphereRadius(sphere);
  float best = r;
  bool planeNear = false;
  bool found = false;
  v4f n{}, contact{};
  for (const VLM_CAGE_FACE& face : outline.aFaces) {
    const v4f& w0 = world[static_cast<size_t>(face.iVertex[0])];
    const v4f& w1 = world[static_cast<size_t>(face.iVertex[1])];
    const v4f& w2 = world[static_cast<size_t>(face.iVertex[2])];
    v4f normal = Cross3(Sub3(w1, w0), Sub3(w2, w0));
    const float length = std::sqrt(Dot3(normal, normal));
    if (!(length > 0.0f)) continue;
    normal = v4f{normal.x / length, normal.y / length, normal.z / length, 0.0f};
    const float distance = Dot3(Sub3(c, w0), normal);
    const float away = std::fabs(distance);
    if (away < r) planeNear = true;
    if (!(away < best)) continue;
    const v4f q = Along(c, normal, -distance);
    if (!InsideTriangle(w0, w1, w2, normal, q)) continue;
    best = away;
    n = distance >= 0.0f ? normal : v4f{-normal.x, -normal.y, -normal.z, 0.0f};
    contact = q;
    found = true;
  }
  if (planeNear) {
    auto take = [&](const v4f& q) {
      const v4f toCentre = Sub3(c, q);
      const float distance = std::sqrt(Dot3(toCentre, toCentre));
      if (!(distance < best) || !(distance > 0.0f)) return;
      best = distance;
      n = v4f{toCentre.x / distance, toCentre.y / distance, toCentre.z / distance, 0.0f};
      contact = q;
      contact.w = 1.0f;
      found = true;
    };
    for (const VLM_CAGE_EDGE& edge : outline.aEdges) {
      const v4f& e0 = world[static_cast<size_t>(edge.iVertex[0])];
      const v4f& e1 = world[static_cast<size_t>(edge.iVertex[1])];
      const v4f e = Sub3(e1, e0);
      const float ee = Dot3(e, e);
      if (!(ee > 0.0f)) continue;
      const float t = Dot3(Sub3(c, e0), e) / ee;
      if (!(t > 0.0f && t < 1.0f)) continue;
      take(Along(e0, e, t));
    }
    for (size_t k = 0; k < outline.aVertices.size(); ++k) take(world[k]);
  }
  if (!found || !(best < r)) return 0;
  StoreContact(contact, n);
  if (InCollisionPhase()) {
    const float o = r - best;
    const bool treeFixed = IsFixed(tree);
    const bool sphereFixed = IsFixed(sphere);
    if (!treeFixed && !sphereFixed) {
      MoveBody(tree, n, -o / 2.0f);
      MoveBody(sphere, n, o / 2.0f);
      ResolveContact(tree, sphere);
    } else if (!treeFixed) {
      MoveBody(tree, n, -o);
      ResolveContact(tree, sphere);  // the fixed sphere plays A
    } else if (!sphereFixed) {
      MoveBody(sphere, n, o);
      ResolveContact(tree, sphere);
    }
  }
  return 1;
}

int WalkSphere(VLM_OBJECT* tree, VLM_OBJECT* sphere, const VLM_CAGE_NODE* node, const v4f& centreInBody,
               float r, int depth) {
  if (depth > kMaxTreeDepth || !SphereTouchesBox(tree, node, centreInBody, r)) return 0;
  if (HasChildren(node)) {
    const int first = WalkSphere(tree, sphere, node->pFirstChild, centreInBody, r, depth + 1);
    const int second = WalkSphere(tree, sphere, node->pSecondChild, centreInBody, r, depth + 1);
    return first | second;
  }
  if (node->pOutline) return OutlineSphere(tree, sphere, *node->pOutline);
  return 0;
}

// ---- Outline against outline -----------------------------------------------

struct Crossing {
  float depth = std::numeric_limits<float>::infinity();  // world units
  v4f normal{};   // world, unit length
  v4f point{};    // frame of the face's body
};

// Every edge of one outline (vertices already in the other's frame) against
// every face of the other, whose body has the world matrix faceWorld. Depths
// are measured in world units, so that scaled bodies and the two directions
// of the test compare alike.
void CrossEdgesWithFaces(const VLM_CAGE_OUTLINE& faces, const m4f& faceWorld, const VLM_CAGE_OUTLINE& edges,
                         const std::vector<v4f>& edgeVertices, Crossing& best, bool& taken) {
  taken = false;
  for (const VLM_CAGE_FACE& face : faces.aFaces) {
    const v4f& nf = face.v4fNormal;
    const v4f& v0 = faces.aVertices[static_cast<size_t>(face.iVertex[0])];
    const v4f& v1 = faces.aVertices[static_cast<size_t>(face.iVertex[1])];
    const v4f& v2 = faces.aVertices[static_cast<size_t>(face.iVertex[2])];
    v4f worldNormal{};
    bool haveNormal = false;
    for (const VLM_CAGE_EDGE& edge : edges.aEdges) {
      const v4f& e0 = edgeVertices[static_cast<size_t>(edge.iVertex[0])];
      const v4f& e1 = edgeVertices[static_cast<size_t>(edge.iVertex[1])];
      const v4f e = Sub3(e1, e0);
      const float en = Dot3(e, nf);
      if (en == 0.0f) continue;  // parallel to the face (or a face without normal)
      const float t = Dot3(Sub3(v0, e0), nf) / en;
      if (!(t >= 0.0f && t <= 1.0f)) continue;
      const v4f q = Along(e0, e, t);
      if (!InsideTriangle(v0, v1, v2, nf, q)) continue;
      if (!haveNormal) {
        worldNormal = v4f{nf.x, nf.y, nf.z, 0.0f};
        VLM_v4fTransform(&worldNormal, &faceWorld);
        worldNormal.w = 0.0f;
        VLM_v4fNormalize(&worldNormal);
        haveNormal = true;
      }
      // The part of the edge behind the face, taken to world space.
      v4f inside;
      VLM_v4fScaleInto(&inside, &e, en < 0.0f ? 1.0f - t : t);
      VLM_v4fTransform(&inside, &faceWorld);
      const float depth = std::fabs(Dot3(inside, worldNormal));
      if (depth < best.depth) {
        best.depth = depth;
        best.normal = worldNormal;
        best.point = q;
        taken = true;
      }
    }
  }
}

void IntoFrameOf(const VLM_CAGE_OUTLINE& outline, const VLM_OBJECT* from, const m4f& toInverse,
                 std::vector<v4f>& out) {
  m4f m;
  VLM_m4fMultiply(&m, &toInverse, &from->mWorld);  // from's frame to world, then into the other frame
  OutlineVertices(outline, m, out);
}

int OutlineOutline(VLM_OBJECT* a, VLM_OBJECT* b, const VLM_CAGE_OUTLINE& outlineA,
                   const VLM_CAGE_OUTLINE& outlineB) {
  const bool phase = InCollisionPhase();
  float side = 1.0f;
  int passes = 0;
  bool found = false;
  v4f n{}, contact{};
  std::vector<v4f>& bInA = ScratchA();
  std::vector<v4f>& aInB = ScratchB();
  for (;;) {
    m4f inverseA, inverseB;
    VLM_m4fInverse(&inverseA, &a->mWorld);
    VLM_m4fInverse(&inverseB, &b->mWorld);
    IntoFrameOf(outlineB, b, inverseA, bInA);
    IntoFrameOf(outlineA, a, inverseB, aInB);
    Crossing best;
    bool taken = false;
    CrossEdgesWithFaces(outlineA, a->mWorld, outlineB, bInA, best, taken);
    if (taken) {
      side = 1.0f;
      n = best.normal;
      VLM_v4fTransformInto(&contact, &a->mWorld, &best.point);
    }
    CrossEdgesWithFaces(outlineB, b->mWorld, outlineA, aInB, best, taken);
    if (taken) {
      side = -1.0f;
      n = best.normal;
      VLM_v4fTransformInto(&contact, &b->mWorld, &best.point);
    }
    if (!(best.depth < std::numeric_limits<float>::infinity())) break;
    contact.w = 1.0f;
    found = true;
    if (!phase) break;
    const bool aMoves = !IsFixed(a);
    const bool bMoves = !IsFixed(b);
    if (aMoves && bMoves) {
      MoveBody(a, n, -side * best.depth);
      MoveBody(b, n, side * best.depth);
    } else if (aMoves) {
      MoveBody(a, n, -2.0f * side * best.depth);
    } else if (bMoves) {
      MoveBody(b, n, 2.0f * side * best.depth);
    }
    if (++passes >= kMaxSeparationPasses) break;
  }
  if (!found) return 0;
  StoreContact(contact, n);
  if (phase) ResolveContact(a, b);
  return 1;
}

int WalkTrees(VLM_OBJECT* a, VLM_OBJECT* b, const VLM_CAGE_NODE* nodeA, const VLM_CAGE_NODE* nodeB, int depth) {
  if (depth > kMaxTreeDepth) return 0;
  if (!BoxesOverlap(MakeOrientedBox(a, nodeA), MakeOrientedBox(b, nodeB))) return 0;
  if (HasChildren(nodeA)) {
    const int first = WalkTrees(a, b, nodeA->pFirstChild, nodeB, depth + 1);
    const int second = WalkTrees(a, b, nodeA->pSecondChild, nodeB, depth + 1);
    return first | second;
  }
  if (HasChildren(nodeB)) {
    const int first = WalkTrees(a, b, nodeA, nodeB->pFirstChild, depth + 1);
    const int second = WalkTrees(a, b, nodeA, nodeB->pSecondChild, depth + 1);
    return first | second;
  }
  if (!nodeA->pOutline || !nodeB->pOutline) return 0;
  // With contact passes two outlines meet on a face of several points.
  if (InCollisionPhase() && World().passes.count > 1) return HullContact(a, b, *nodeA->pOutline, *nodeB->pOutline);
  return OutlineOutline(a, b, *nodeA->pOutline, *nodeB->pOutline);
  return 0;
}

}  // namespace

int TreePoint(VLM_OBJECT* tree, VLM_OBJECT* point) {
  const VLM_CAGE_NODE* root = tree->Body.pCage->pRoot;
  if (!root) return 0;
  const m4f& inverseWorld = InverseWorld(tree);
  PointPath path;
  v4f p = point->v4fPosition;
  p.w = 1.0f;
  VLM_v4fTransformInto(&path.direction, &inverseWorld, &point->Body.v4fMovement);
  path.direction.w = 0.0f;
  VLM_v4fTransform(&p, &inverseWorld);
  path.start = Along(p, path.direction, -1.5f);
  return WalkPoint(tree, point, root, path, 0);
}

int TreeSphere(VLM_OBJECT* tree, VLM_OBJECT* sphere) {
  const VLM_CAGE_NODE* root = tree->Body.pCage->pRoot;
  if (!root) return 0;
  const m4f& inverseWorld = InverseWorld(tree);
  v4f c;
  VLM_v4fTransformInto(&c, &inverseWorld, &sphere->v4fPosition);
  return WalkSphere(tree, sphere, root, c, SphereRadius(sphere), 0);
}

int TreeTree(VLM_OBJECT* a, VLM_OBJECT* b) {
  const VLM_CAGE_NODE* rootA = a->Body.pCage->pRoot;
  const VLM_CAGE_NODE* rootB = b->Body.pCage->pRoot;
  if (!rootA || !rootB) return 0;
  return WalkTrees(a, b, rootA, rootB, 0);
}

}  // namespace vlm
