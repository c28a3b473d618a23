// Two convex outlines in a world with contact passes. The separating axis
// of least penetration is found among the faces of both outlines and the
// cross products of their edges. On a face, the contact is every point
// where the other outline's most opposed face lies on it (that face clipped
// to the reference face's polygon, at most four points), so that a
// polyhedron resting on a face bears on its whole face and not on one
// corner that tips it; on an edge pair it is the point between the two
// edges. The passes then push the outlines apart and share the impulses
// among the points, as they do for two boxes.
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

constexpr float kMargin = 0.02f;      // units a clipped point may stand off and still count
constexpr float kCoplanar = 0.9999f;  // cosine above which faces lie in one plane
constexpr float kPlaneSlack = 1e-4f;  // units between the planes of faces that still lie in one
// An edge axis replaces the best face only when its penetration is below
// this share of the face's, less this distance (units): resting faces
// whose edges duplicate the face normal keep their face.
constexpr float kFaceFavour = 1.0f / 0.95f;
constexpr float kFaceSlack = 1e-3f;
constexpr size_t kMostPoints = 4;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

inline v4f Minus(const v4f& a, const v4f& b) { return v4f{a.x - b.x, a.y - b.y, a.z - b.z, 0.0f}; }
inline v4f Plus(const v4f& a, const v4f& b) { return v4f{a.x + b.x, a.y + b.y, a.z + b.z, 1.0f}; }
inline v4f Negated(const v4f& v) { return v4f{-v.x, -v.y, -v.z, 0.0f}; }

// An outline in world space: corners, and per face its unit normal out of
// the solid (zero for a face without area) and plane offset.
struct Hull {
  const VLM_CAGE_OUTLINE* outline = nullptr;
  std::vector<v4f> vertices;
  std::vector<v4f> normals;
  std::vector<float> offsets;
  v4f centre{};
};

void BuildHull(Hull& hull, const VLM_CAGE_OUTLINE& outline, const m4f& world) {
  hull.outline = &outline;
  const size_t count = outline.aVertices.size();
  hull.vertices.resize(count);
  v4f sum{};
  for (size_t k = 0; k < count; ++k) {
    VLM_v4fTransformInto(&hull.vertices[k], &world, &outline.aVertices[k]);
    sum = Plus(sum, hull.vertices[k]);
  }
  const float share = count ? 1.0f / static_cast<float>(count) : 0.0f;
  hull.centre = v4f{sum.x * share, sum.y * share, sum.z * share, 1.0f};
  // A mirroring scale turns the corners' order round, and the normals with it.
  const float* e = world.e;
  const float det = e[0] * (e[5] * e[10] - e[6] * e[9]) - e[1] * (e[4] * e[10] - e[6] * e[8]) +
                    e[2] * (e[4] * e[9] - e[5] * e[8]);
  const float sign = det < 0.0f ? -1.0f : 1.0f;
  hull.normals.resize(outline.aFaces.size());
  hull.offsets.resize(outline.aFaces.size());
  for (size_t f = 0; f < outline.aFaces.size(); ++f) {
    const VLM_CAGE_FACE& face = outline.aFaces[f];
    const v4f& v0 = hull.vertices[static_cast<size_t>(face.iVertex[0])];
    const v4f n = Cross3(Minus(v0, hull.vertices[static_cast<size_t>(face.iVertex[1])]),
                         Minus(v0, hull.vertices[static_cast<size_t>(face.iVertex[2])]));
    const float length = std::sqrt(Dot3(n, n));
    if (!(length > 0.0f) || !std::isfinite(length)) {
      hull.normals[f] = v4f{};
      hull.offsets[f] = 0.0f;
      continue;
    }
    hull.normals[f] = Scaled3(n, sign / length);
    hull.offsets[f] = Dot3(hull.normals[f], v0);
  }
}

bool HasNormal(const v4f& n) { return n.x != 0.0f || n.y != 0.0f || n.z != 0.0f; }

struct FaceAxis {
  float separation = -kInfinity;  // units; negative: penetrating
  int face = -1;
};

// The face of `faces` that keeps the corners of `corners` farthest out.
// Stops at the first face with all of them outside.
FaceAxis QueryFaces(const Hull& faces, const Hull& corners) {
  FaceAxis best;
  for (size_t f = 0; f < faces.normals.size(); ++f) {
    const v4f& n = faces.normals[f];
    if (!HasNormal(n)) continue;
    float separation = kInfinity;
    for (const v4f& v : corners.vertices) separation = std::min(separation, Dot3(n, v) - faces.offsets[f]);
    if (separation > best.separation) {
      best = FaceAxis{separation, static_cast<int>(f)};
      if (separation > 0.0f) break;
    }
  }
  return best;
}

struct EdgeAxis {
  float separation = -kInfinity;
  v4f axis{};  // unit, out of A
  int edgeA = -1, edgeB = -1;
};

// The cross products of the two outlines' edges, each measured by the
// supports of both outlines along it.
EdgeAxis QueryEdges(const Hull& a, const Hull& b) {
  EdgeAxis best;
  const auto& edgesA = a.outline->aEdges;
  const auto& edgesB = b.outline->aEdges;
  for (size_t i = 0; i < edgesA.size(); ++i) {
    const v4f& a0 = a.vertices[static_cast<size_t>(edgesA[i].iVertex[0])];
    const v4f dA = Minus(a.vertices[static_cast<size_t>(edgesA[i].iVertex[1])], a0);
    for (size_t j = 0; j < edgesB.size(); ++j) {
      const v4f& b0 = b.vertices[static_cast<size_t>(edgesB[j].iVertex[0])];
      const v4f dB = Minus(b.vertices[static_cast<size_t>(edgesB[j].iVertex[1])], b0);
      v4f axis = Cross3(dA, dB);
      const float lengthSq = Dot3(axis, axis);
      // Nearly parallel edges give no direction.
      if (!(lengthSq > 1e-6f * Dot3(dA, dA) * Dot3(dB, dB))) continue;
      axis = Scaled3(axis, 1.0f / std::sqrt(lengthSq));
      if (Dot3(axis, Minus(a0, a.centre)) < 0.0f) axis = Negated(axis);
      float most = -kInfinity, least = kInfinity;
      for (const v4f& v : a.vertices) most = std::max(most, Dot3(axis, v));
      for (const v4f& v : b.vertices) least = std::min(least, Dot3(axis, v));
      const float separation = least - most;
      if (separation > best.separation) {
        best = EdgeAxis{separation, axis, static_cast<int>(i), static_cast<int>(j)};
        if (separation > 0.0f) return best;
      }
    }
  }
  return best;
}

// The middle of the closest points of two segments.
v4f BetweenSegments(const v4f& p0, const v4f& p1, const v4f& q0, const v4f& q1) {
  const v4f d1 = Minus(p1, p0), d2 = Minus(q1, q0), r = Minus(p0, q0);
  const float a = Dot3(d1, d1), e = Dot3(d2, d2), f = Dot3(d2, r), c = Dot3(d1, r), b = Dot3(d1, d2);
  const float denom = a * e - b * b;
  float s = denom > 0.0f ? std::clamp((b * f - c * e) / denom, 0.0f, 1.0f) : 0.0f;
  float t = e > 0.0f ? (b * s + f) / e : 0.0f;
  if (t < 0.0f || t > 1.0f) {
    t = std::clamp(t, 0.0f, 1.0f);
    s = a > 0.0f ? std::clamp((b * t - c) / a, 0.0f, 1.0f) : 0.0f;
  }
  const v4f onP = Plus(p0, Scaled3(d1, s));
  const v4f onQ = Plus(q0, Scaled3(d2, t));
  return v4f{(onP.x + onQ.x) * 0.5f, (onP.y + onQ.y) * 0.5f, (onP.z + onQ.z) * 0.5f, 1.0f};
}

// Two unit axes across n, from n alone.
void Across(const v4f& n, v4f& u, v4f& w) {
  const v4f other = std::fabs(n.x) < 0.57735f ? v4f{1, 0, 0, 0} : v4f{0, 1, 0, 0};
  u = Cross3(n, other);
  u = Scaled3(u, 1.0f / std::sqrt(Dot3(u, u)));
  w = Cross3(n, u);
}

// The polygon of the faces of a hull that lie in the plane of face f: the
// convex hull of their corners, counter-clockwise about the face normal.
void FacePolygon(const Hull& hull, int f, std::vector<v4f>& out) {
  const v4f& n = hull.normals[static_cast<size_t>(f)];
  const float offset = hull.offsets[static_cast<size_t>(f)];
  v4f u, w;
  Across(n, u, w);
  struct Flat {
    float x, y;
    v4f at;
  };
  thread_local std::vector<Flat> flat;
  flat.clear();
  const auto& faces = hull.outline->aFaces;
  for (size_t g = 0; g < faces.size(); ++g) {
    const v4f& m = hull.normals[g];
    if (!(Dot3(m, n) > kCoplanar) || !(std::fabs(hull.offsets[g] - offset) <= kPlaneSlack + 1e-5f * std::fabs(offset))) {
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      const v4f& v = hull.vertices[static_cast<size_t>(faces[g].iVertex[k])];
      flat.push_back(Flat{Dot3(v, u), Dot3(v, w), v});
    }
  }
  std::sort(flat.begin(), flat.end(), [](const Flat& p, const Flat& q) { return p.x < q.x || (p.x == q.x && p.y < q.y); });
  // Andrew's monotone chain: the lower and the upper half, each turning left.
  auto turn = [](const Flat& o, const Flat& p, const Flat& q) {
    return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
  };
  thread_local std::vector<Flat> chain;
  chain.clear();
  for (int pass = 0; pass < 2; ++pass) {
    const size_t start = chain.size();
    for (size_t i = 0; i < flat.size(); ++i) {
      const Flat& p = pass == 0 ? flat[i] : flat[flat.size() - 1 - i];
      while (chain.size() >= start + 2 && !(turn(chain[chain.size() - 2], chain.back(), p) > 0.0f)) chain.pop_back();
      chain.push_back(p);
    }
    chain.pop_back();  // the last of each half starts the other
  }
  out.clear();
  for (const Flat& p : chain) out.push_back(p.at);
}

// Keeps the part of the polygon on the inner side of the plane through
// `at` with normal `inward`.
void ClipToPlane(const std::vector<v4f>& in, const v4f& at, const v4f& inward, std::vector<v4f>& out) {
  out.clear();
  const size_t n = in.size();
  for (size_t i = 0; i < n; ++i) {
    const v4f& p = in[i];
    const v4f& q = in[(i + 1) % n];
    const float dp = Dot3(Minus(p, at), inward);
    const float dq = Dot3(Minus(q, at), inward);
    if (dp >= 0.0f) out.push_back(p);
    if ((dp >= 0.0f) != (dq >= 0.0f)) {
      const float t = dp / (dp - dq);
      out.push_back(Plus(p, Scaled3(Minus(q, p), t)));
    }
  }
}

// At most four of the points: the deepest, the one farthest from it, the
// one farthest from the line of the two, and the one farthest from all three.
void KeepFour(std::vector<ManifoldPoint>& points) {
  if (points.size() <= kMostPoints) return;
  auto farthest = [&](size_t from, auto&& score) {
    size_t best = from;
    float most = -1.0f;
    for (size_t i = from; i < points.size(); ++i) {
      const float s = score(points[i].point);
      if (s > most) {
        most = s;
        best = i;
      }
    }
    std::swap(points[from], points[best]);
  };
  size_t deepest = 0;
  for (size_t i = 1; i < points.size(); ++i) {
    if (points[i].depth > points[deepest].depth) deepest = i;
  }
  std::swap(points[0], points[deepest]);
  auto distanceSq = [](const v4f& a, const v4f& b) { return Dot3(Minus(a, b), Minus(a, b)); };
  farthest(1, [&](const v4f& p) { return distanceSq(p, points[0].point); });
  farthest(2, [&](const v4f& p) {
    const v4f c = Cross3(Minus(points[1].point, points[0].point), Minus(p, points[0].point));
    return Dot3(c, c);
  });
  farthest(3, [&](const v4f& p) {
    return std::min({distanceSq(p, points[0].point), distanceSq(p, points[1].point), distanceSq(p, points[2].point)});
  });
  points.resize(kMostPoints);
}

// Face contact: the incident hull's most opposed face clipped to the
// reference face f of `reference`; points halfway between each clipped
// corner and the reference plane.
void FacePoints(const Hull& reference, int f, const Hull& incident, std::vector<ManifoldPoint>& out) {
  const v4f& n = reference.normals[static_cast<size_t>(f)];
  const float offset = reference.offsets[static_cast<size_t>(f)];
  int opposed = -1;
  float least = kInfinity;
  for (size_t g = 0; g < incident.normals.size(); ++g) {
    if (!HasNormal(incident.normals[g])) continue;
    const float along = Dot3(incident.normals[g], n);
    if (along < least) {
      least = along;
      opposed = static_cast<int>(g);
    }
  }
  out.clear();
  if (opposed < 0) return;
  thread_local std::vector<v4f> sides, polygon, clipped;
  FacePolygon(reference, f, sides);
  FacePolygon(incident, opposed, polygon);
  for (size_t i = 0; i < sides.size() && !polygon.empty(); ++i) {
    const v4f edge = Minus(sides[(i + 1) % sides.size()], sides[i]);
    ClipToPlane(polygon, sides[i], Cross3(n, edge), clipped);
    polygon.swap(clipped);
  }
  auto keep = [&](const v4f& q) {
    const float depth = offset - Dot3(n, q);
    if (!(depth > -kMargin)) return;
    v4f at = Plus(q, Scaled3(n, depth * 0.5f));
    at.w = 1.0f;
    out.push_back(ManifoldPoint{at, depth});
  };
  for (const v4f& q : polygon) keep(q);
  // Clipping that leaves nothing (faces without a usable polygon): the
  // incident outline's deepest corner still holds the contact.
  if (out.empty()) {
    const v4f* deepest = nullptr;
    for (const v4f& v : incident.vertices) {
      if (!deepest || Dot3(n, v) < Dot3(n, *deepest)) deepest = &v;
    }
    if (deepest) keep(*deepest);
  }
  KeepFour(out);
}

}  // namespace

int HullContact(VLM_OBJECT* a, VLM_OBJECT* b, const VLM_CAGE_OUTLINE& outlineA, const VLM_CAGE_OUTLINE& outlineB) {
  thread_local Hull hullA, hullB;
  BuildHull(hullA, outlineA, a->mWorld);
  BuildHull(hullB, outlineB, b->mWorld);
  // An outline without a face that has an area bounds no solid to meet.
  const FaceAxis faceA = QueryFaces(hullA, hullB);
  if (faceA.face < 0 || !(faceA.separation < 0.0f)) return 0;
  const FaceAxis faceB = QueryFaces(hullB, hullA);
  if (faceB.face < 0 || !(faceB.separation < 0.0f)) return 0;
  const EdgeAxis edge = QueryEdges(hullA, hullB);
  if (!(edge.separation < 0.0f) && edge.edgeA >= 0) return 0;

  ContactPasses& passes = World().passes;
  std::vector<ManifoldPoint>& points = passes.manifold;
  const float depthA = -faceA.separation, depthB = -faceB.separation;
  const bool onB = depthB * kFaceFavour + kFaceSlack < depthA;
  const float depthFace = onB ? depthB : depthA;
  v4f n;
  if (edge.edgeA >= 0 && depthFace > -edge.separation * kFaceFavour + kFaceSlack) {
    const VLM_CAGE_EDGE& eA = outlineA.aEdges[static_cast<size_t>(edge.edgeA)];
    const VLM_CAGE_EDGE& eB = outlineB.aEdges[static_cast<size_t>(edge.edgeB)];
    const v4f at = BetweenSegments(hullA.vertices[static_cast<size_t>(eA.iVertex[0])],
                                   hullA.vertices[static_cast<size_t>(eA.iVertex[1])],
                                   hullB.vertices[static_cast<size_t>(eB.iVertex[0])],
                                   hullB.vertices[static_cast<size_t>(eB.iVertex[1])]);
    points.assign(1, ManifoldPoint{at, -edge.separation});
    n = edge.axis;
  } else if (onB) {
    FacePoints(hullB, faceB.face, hullA, points);
    n = Negated(hullB.normals[static_cast<size_t>(faceB.face)]);
  } else {
    FacePoints(hullA, faceA.face, hullB, points);
    n = hullA.normals[static_cast<size_t>(faceA.face)];
  }
  if (points.empty()) return 0;
  size_t deepest = 0;
  for (size_t i = 1; i < points.size(); ++i) {
    if (points[i].depth > points[deepest].depth) deepest = i;
  }
  StoreContact(points[deepest].point, n);
  ResolveContact(a, b);
  return 1;
}

}  // namespace vlm
