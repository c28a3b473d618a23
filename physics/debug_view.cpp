// The debug view of the physics: each cage kind's lines (outlines, sphere
// rings, point markers), leaf boxes and joints as coloured lines for the
// renderer.
#include "physics/debug_view.h"

#include <algorithm>
#include <cmath>

#include "mesh/cage_kinds.h"
#include "mesh/cage_record.h"
#include "physics/body.h"
#include "physics/joint.h"
#include "velmora/cage.h"
#include "velmora/math.h"

namespace vlm {

namespace {

constexpr uint32_t kLeafBoxColour = 0xFFFF00;

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
    const CageKindOps& kind = CageKindOf(cage->iKind);
    if (!kind.debugLines) continue;
    struct Target {
      LineList* lines;
      const m4f* world;
    } target{&lines, &body->mWorld};
    const CageLineSink sink{&target, [](void* context, const v4f& from, const v4f& to, uint32_t colour) {
                              const auto* t = static_cast<const Target*>(context);
                              t->lines->Add(from, to, *t->world, Colour(colour));
                            }};
    kind.debugLines(*cage, sink);
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
