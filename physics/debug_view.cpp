// The debug view of the physics: cage outlines, sphere rings, point markers,
// leaf boxes and joints as coloured lines for the renderer.
#include "core/trig.h"
#include "physics/debug_view.h"

#include <algorithm>
#include <cmath>

#include "mesh/cage_record.h"
#include "physics/body.h"
#include "physics/joint.h"
#include "velmora/cage.h"
#include "velmora/math.h"

namespace vlm {

namespace {

constexpr uint32_t kFaceColour = 0x40FFC0;
constexpr uint32_t kNormalColour = 0xFFFFFF;
constexpr uint32_t kEdgeColour = 0x40FF40;
constexpr uint32_t kShapeColour = 0xC000;
constexpr uint32_t kLeafBoxColour = 0xFFFF00;
constexpr int kRingSegments = 24;

class LineList {
 public:
  explicit LineList(std::vector<DebugLineVertex>& out) : out_(out) { out_.clear(); }

  // A line in a body frame, taken to world space by m.
  void Add(const v4f& from, const v4f& to, const m4f& m, const v4f& colour) {
    v4f a{from.x, from.y, from.z, 1.0f}, b{to.x, to.y, to.z, 1.0f};
    VLM_v4fTransform(&a, &m);
    VLM_v4fTransform(&b, &m);
    AddWorld(a, b, colour);
  }
  // The buffer holds a fixed number of vertices; lines past it are dropped.
  void AddWorld(const v4f& a, const v4f& b, const v4f& colour) {
    if (out_.size() + 2 > kDebugLineCapacity) return;
    out_.push_back({a, colour});
    out_.push_back({b, colour});
  }

 private:
  std::vector<DebugLineVertex>& out_;
};

v4f Colour(uint32_t colour) {
  v4f c;
  VLM_v4fFromColor(&c, colour);
  return c;
}

v4f Mid(const v4f& a, const v4f& b) { return v4f{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2, 1.0f}; }

void DrawOutline(LineList& lines, const VLM_CAGE_OUTLINE& outline, const m4f& m) {
  const v4f faceColour = Colour(kFaceColour);
  const v4f normalColour = Colour(kNormalColour);
  const auto& v = outline.aVertices;
  for (const VLM_CAGE_FACE& face : outline.aFaces) {
    const v4f& a = v[static_cast<size_t>(face.iVertex[0])];
    const v4f& b = v[static_cast<size_t>(face.iVertex[1])];
    const v4f& c = v[static_cast<size_t>(face.iVertex[2])];
    lines.Add(a, Mid(b, c), m, faceColour);
    lines.Add(b, Mid(a, c), m, faceColour);
    lines.Add(c, Mid(a, b), m, faceColour);
    v4f tip = a;
    VLM_v4fAdd(&tip, &face.v4fNormal);
    lines.Add(a, tip, m, normalColour);
  }
  const v4f edgeColour = Colour(kEdgeColour);
  for (const VLM_CAGE_EDGE& edge : outline.aEdges) {
    lines.Add(v[static_cast<size_t>(edge.iVertex[0])], v[static_cast<size_t>(edge.iVertex[1])], m, edgeColour);
  }
}

// Three rings of the radius in the body's coordinate planes.
void DrawSphere(LineList& lines, float r, const m4f& m) {
  const v4f colour = Colour(kShapeColour);
  constexpr float kStep = 6.28318530718f / kRingSegments;
  for (int axis = 0; axis < 3; ++axis) {
    for (int i = 0; i < kRingSegments; ++i) {
      const float a0 = kStep * i, a1 = kStep * (i + 1);
      auto ring = [&](float angle) {
        const float c = r * vlm::Cos(angle), s = r * vlm::Sin(angle);
        if (axis == 0) return v4f{0.0f, c, s, 1.0f};
        if (axis == 1) return v4f{c, 0.0f, s, 1.0f};
        return v4f{c, s, 0.0f, 1.0f};
      };
      lines.Add(ring(a0), ring(a1), m, colour);
    }
  }
}

// A cross of three lines of length 2 through the origin.
void DrawPoint(LineList& lines, const m4f& m) {
  const v4f colour = Colour(kShapeColour);
  lines.Add(v4f{-1, 0, 0, 1}, v4f{1, 0, 0, 1}, m, colour);
  lines.Add(v4f{0, -1, 0, 1}, v4f{0, 1, 0, 1}, m, colour);
  lines.Add(v4f{0, 0, -1, 1}, v4f{0, 0, 1, 1}, m, colour);
}

void DrawBox(LineList& lines, const VLM_CAGE_NODE& node, const m4f& m) {
  const v4f colour = Colour(kLeafBoxColour);
  const v4f& c = node.v4fCentre;
  const v4f& h = node.v4fHalfExtents;
  auto corner = [&](int i) {
    return v4f{c.x + ((i & 1) ? h.x : -h.x), c.y + ((i & 2) ? h.y : -h.y), c.z + ((i & 4) ? h.z : -h.z), 1.0f};
  };
  static constexpr int kEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                        {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  for (const auto& e : kEdges) lines.Add(corner(e[0]), corner(e[1]), m, colour);
}

void DrawLeaves(LineList& lines, const VLM_CAGE_NODE* node, const m4f& m, int depth) {
  if (!node || depth > 64) return;
  if (node->pFirstChild && node->pSecondChild) {
    DrawLeaves(lines, node->pFirstChild, m, depth + 1);
    DrawLeaves(lines, node->pSecondChild, m, depth + 1);
    return;
  }
  DrawBox(lines, *node, m);
}

}  // namespace

void BuildDebugView(PhysicsWorld& world) {
  LineList lines(world.debugLines);
  const auto bodies = BodyRegistry().Records();
  for (const VLM_OBJECT* body : bodies) {
    const VLM_CAGE* cage = body->Body.pCage;
    if (!cage) continue;
    const m4f& m = body->mWorld;
    switch (cage->iKind) {
      case VLM_CAGE_POLYHEDRON:
        if (cage->pRoot && cage->pRoot->pOutline) DrawOutline(lines, *cage->pRoot->pOutline, m);
        break;
      case VLM_CAGE_SPHERE:
        DrawSphere(lines, cage->fSize, m);
        break;
      case VLM_CAGE_POINT:
        DrawPoint(lines, m);
        break;
      default:
        break;
    }
  }
  for (const VLM_OBJECT* body : bodies) {
    const VLM_CAGE* cage = body->Body.pCage;
    if (cage && cage->pRoot) DrawLeaves(lines, cage->pRoot, body->mWorld, 0);
  }
  for (const VLM_JOINT* joint : world.activeJoints) {
    v4f a, b;
    JointAnchors(joint, &a, &b);
    const float s = VLM_v4fDistance(&a, &b) - joint->fLength;
    // Without a rest length any stretch shows at full colour.
    float t = joint->fLength != 0.0f ? std::fabs(s) / joint->fLength * 5.0f : (s != 0.0f ? 1.0f : 0.0f);
    t = std::clamp(t, 0.0f, 1.0f);
    if (!std::isfinite(t)) t = 1.0f;
    const float fade = 1.0f - t;
    const v4f colour = s >= 0.0f ? v4f{1.0f, fade, fade, 1.0f} : v4f{fade, fade, 1.0f, 1.0f};
    lines.AddWorld(a, b, colour);
  }
}

}  // namespace vlm
