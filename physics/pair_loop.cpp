// The collision phase. Every dynamic body P, in list order, is tested
// against every later dynamic body and then against every non-dynamic body.
// A broad phase leaves out the pairs whose bounding spheres cannot touch;
// the pairs it keeps run in exactly the order of the full loop, and a pair
// it leaves out could not have found a contact, so the results are those of
// the full loop.
#include "physics/pair_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "mesh/cage_kinds.h"
#include "mesh/cage_record.h"
#include "physics/collide.h"
#include "physics/sleep.h"
#include "velmora/cage.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// Bounds grow by this share and this distance, so that rounding in the shape
// tests can never reach past them.
constexpr float kBoundShare = 1.01f;
constexpr float kBoundSlack = 1e-4f;

// What rounding may add to a distance between points of this magnitude.
inline float Rounding(float span) { return kBoundSlack + span * 1e-5f; }

float Length3(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

bool FinitePosition(const v4f& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

float BoundRadius(const VLM_OBJECT* body) {
  const VLM_CAGE* cage = body->Body.pCage;
  if (!cage) return -1.0f;
  const CageKindOps& kind = CageKindOf(cage->iKind);
  if (!kind.reach) return -1.0f;
  const float reach = kind.reach(*cage, body->mWorld, body->v4fScale, body->Body.v4fMovement);
  if (reach < 0.0f) return -1.0f;
  if (!(reach >= 0.0f)) return std::numeric_limits<float>::infinity();  // not a number: always test
  return reach * kBoundShare + kBoundSlack;
}

namespace {

// One side of the pair loop (the dynamic or the non-dynamic list): compact
// copies of what the broad phase reads, a grid of cells holding the bodies of
// ordinary size, and the bodies that are always considered (too large for the
// cells, or somewhere no cell can hold). The dynamic side also lists for each
// body the later bodies near it, which a query reads instead of the cells
// while no body has left its cell's drift. All of it is kept from step to
// step, so that bodies at rest are neither filed nor looked up again.
class Side {
  struct Bound {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float r = -1.0f;     // negative: never collides
    float span = 0.0f;   // largest coordinate plus r
  };
  static constexpr uint32_t kNone = UINT32_MAX;

 public:
  // neighbours: keep the neighbour lists (the dynamic side).
  explicit Side(bool neighbours) : neighbours_(neighbours) {}

  // At the start of a step. The filing of the last step is kept while the
  // list and every bounding radius are the same: the bodies that moved
  // further than the drift are filed again, and everything else stays.
  // Resting bodies then cost one radius and one distance each.
  void Refresh(const std::vector<VLM_OBJECT*>& list) {
    const size_t n = list.size();
    calm_ = refiled_ == 0;  // in the step that ended
    refiled_ = 0;
    fresh_.resize(n);
    bool same = built_ && list == bodies_;
    for (size_t i = 0; i < n; ++i) {
      const VLM_OBJECT* body = list[i];
      // A sleeping body keeps its bound: nothing about it has changed.
      if (!body->Body.iCollision) {
        fresh_[i] = -1.0f;
      } else {
        fresh_[i] = same && body->Body.iAsleep ? bound_[i].r : BoundRadius(body);
      }
      same = same && fresh_[i] == bound_[i].r;
    }
    if (!same) {
      Build(list);
      return;
    }
    for (uint32_t i = 0; i < n; ++i) {
      if (!gridded_[i] && Griddable(bound_[i].r, list[i]->v4fPosition)) {
        Build(list);  // was somewhere no cell could hold, and is back
        return;
      }
    }
    uint32_t outside = 0, gridded = 0;
    for (uint32_t i = 0; i < n; ++i) {
      Moved(i);
      if (!gridded_[i]) continue;
      ++gridded;
      outside += Outside(origin_[i]) ? 1 : 0;
    }
    // Bodies beyond the block crowd its border cells: once they are many,
    // a new block is laid over where the bodies are now.
    if (outside > gridded / 16) Build(list);
  }

  // Neighbour lists for the bodies as filed now, when something was filed
  // again since they were made.
  void Prepare() {
    // While bodies were filed again within the last step they would most
    // likely spoil new lists in this one too: the cells serve alone.
    if (neighbours_ && listsStale_ && calm_) BuildNeighbours();
    refiled_ = 0;
  }

  size_t Size() const { return bodies_.size(); }
  VLM_OBJECT* Body(uint32_t i) const { return bodies_[i]; }
  float Radius(uint32_t i) const { return bound_[i].r; }
  float Drift() const { return drift_; }
  // False once a body was filed again since the neighbour lists were made:
  // they no longer hold.
  bool ListsHold() const { return !listsStale_; }

 private:
  // True when a body filed at b lies beyond the block of cells.
  bool Outside(const Bound& b) const {
    const float c[3] = {b.x, b.y, b.z};
    for (int k = 0; k < 3; ++k) {
      const float t = (c[k] - lo_[k]) * inverseCell_;
      if (!(t >= 0.0f) || !(t < static_cast<float>(dims_[k]))) return true;
    }
    return false;
  }

  bool Griddable(float r, const v4f& p) const {
    return r >= 0.0f && std::isfinite(r) && r <= limit_ && FinitePosition(p);
  }

  void Build(const std::vector<VLM_OBJECT*>& list) {
    const size_t n = list.size();
    bodies_ = list;
    bound_.assign(n, Bound{});
    origin_.assign(n, Bound{});
    gridded_.assign(n, 0);
    loose_.clear();
    radii_.clear();
    for (size_t i = 0; i < n; ++i) {
      const VLM_OBJECT* body = list[i];
      const v4f& p = body->v4fPosition;
      const float r = fresh_[i];  // found by Refresh
      bound_[i] = Bound{p.x, p.y, p.z, r, Span(p, std::max(r, 0.0f))};
      origin_[i] = bound_[i];
      if (r >= 0.0f && std::isfinite(r) && FinitePosition(p)) radii_.push_back(r);
    }
    // Bodies far larger than the typical one would blow up the cells: they
    // are always considered instead.
    float limit = 0.0f;
    if (!radii_.empty()) {
      auto middle = radii_.begin() + static_cast<std::ptrdiff_t>(radii_.size() / 2);
      std::nth_element(radii_.begin(), middle, radii_.end());
      limit = std::max(*middle * 4.0f, 1e-3f);
    }
    limit_ = limit;
    reach_ = 0.0f;
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool any = false;
    for (size_t i = 0; i < n; ++i) {
      const Bound& b = bound_[i];
      if (b.r < 0.0f) continue;
      if (std::isfinite(b.r) && b.r <= limit && FinitePosition(v4f{b.x, b.y, b.z, 1.0f})) {
        gridded_[i] = 1;
        reach_ = std::max(reach_, b.r);
        const float c[3] = {b.x, b.y, b.z};
        for (int k = 0; k < 3; ++k) {
          lo[k] = any ? std::min(lo[k], c[k]) : c[k];
          hi[k] = any ? std::max(hi[k], c[k]) : c[k];
        }
        any = true;
      } else {
        loose_.push_back(static_cast<uint32_t>(i));
      }
    }
    // Within a step bodies move only by their contacts, mostly by far less
    // than a tenth of their size; a smaller drift makes smaller cells, and
    // each query visits fewer bodies (a quarter of the size visited a third
    // more in a field of resting spheres).
    drift_ = 0.1f * reach_ + kBoundSlack;
    BuildCells(any, lo, hi);
    built_ = true;
    listsStale_ = true;
  }

 public:
  // True when body i's bounding sphere, where it is now, may touch a sphere
  // of radius r at p, whose coordinates and radius stay within span. Not-a-
  // number anywhere keeps the pair.
  bool MayTouch(uint32_t i, const v4f& p, float r, float span) const {
    const Bound& b = bound_[i];
    const float dx = b.x - p.x, dy = b.y - p.y, dz = b.z - p.z;
    const float reach = b.r + r + Rounding(std::max(span, b.span));
    return !(dx * dx + dy * dy + dz * dz > reach * reach);
  }

  // Largest coordinate of p plus r: what rounding of its distances scales with.
  static float Span(const v4f& p, float r) { return std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}) + r; }

  // After a shape test moved body i: the copy follows, and a body that moved
  // further than the drift from where it was filed is filed again.
  void Moved(uint32_t i) {
    const v4f& p = bodies_[i]->v4fPosition;
    Bound& b = bound_[i];
    b.x = p.x;
    b.y = p.y;
    b.z = p.z;
    b.span = Span(p, std::max(b.r, 0.0f));
    if (!gridded_[i]) return;
    const Bound& o = origin_[i];
    const float dx = p.x - o.x, dy = p.y - o.y, dz = p.z - o.z;
    if (FinitePosition(p) && dx * dx + dy * dy + dz * dz <= drift_ * drift_) return;
    Unlink(i);
    listsStale_ = true;
    ++refiled_;
    if (!FinitePosition(p)) {
      gridded_[i] = 0;
      loose_.insert(std::upper_bound(loose_.begin(), loose_.end(), i), i);
      return;
    }
    origin_[i] = b;
    Link(i, CellIndex(Coord(b.x, 0), Coord(b.y, 1), Coord(b.z, 2)));
  }

  // Candidates from index `first` on for a sphere of radius r at p, in
  // ascending order: the bodies that may touch it while it stays within
  // slack of p. For body `owner` of this side, p and r its own, the
  // neighbour list stands in for the cells while it holds; returns true
  // when it did.
  bool Candidates(const v4f& p, float r, float slack, uint32_t first, std::vector<uint32_t>& out,
                  uint32_t owner = kNone) const {
    out.clear();
    float reach = r + reach_ + drift_ + slack;
    const float span = Span(p, r + slack);
    reach += Rounding(Span(p, reach));
    auto keep = [&](uint32_t i) {
      if (i >= first && bound_[i].r >= 0.0f && MayTouch(i, p, r + slack, span)) out.push_back(i);
    };
    if (owner != kNone && neighbours_ && !listsStale_ && gridded_[owner]) {
      const uint32_t* it = listBody_.data() + listStart_[owner];
      const uint32_t* end = listBody_.data() + listStart_[owner + 1];
      for (; it != end; ++it) keep(*it);
      if (!loose_.empty()) {
        for (uint32_t i : loose_) keep(i);
        std::sort(out.begin(), out.end());
      }
      return true;
    }
    // A few bodies (the ground, or the end of the list) cost less to test
    // one by one than to look up in the cells.
    constexpr uint32_t kScanBelow = 8;
    if (first >= bound_.size() || bound_.size() - first <= kScanBelow || !Query(p, reach, first, keep)) {
      out.clear();
      for (uint32_t i = first; i < bound_.size(); ++i) keep(i);
      return false;
    }
    for (uint32_t i : loose_) keep(i);
    std::sort(out.begin(), out.end());
    return false;
  }

 private:

  // For each gridded body the later gridded bodies whose bounds may touch
  // its own while neither is further than the drift from where it was
  // filed, ascending. The distances, their rounding and the drift of both
  // are all allowed for, so the lists hold every pair that MayTouch keeps
  // until a body is filed again.
  void BuildNeighbours() {
    const auto n = static_cast<uint32_t>(bound_.size());
    listStart_.assign(n + 1, 0);
    listBody_.clear();
    for (uint32_t i = 0; i < n; ++i) {
      listStart_[i] = static_cast<uint32_t>(listBody_.size());
      if (!gridded_[i]) continue;
      const Bound& o = origin_[i];
      const v4f at{o.x, o.y, o.z, 1.0f};
      // Every body in reach has a span of at most o.span + 2 reach.
      const float wide = o.r + reach_ + 2.0f * drift_;
      const float reach = wide + 2.0f * Rounding(o.span + 2.0f * wide);
      const size_t start = listBody_.size();
      auto near = [&](uint32_t j) {
        const Bound& q = origin_[j];
        if (j <= i || !gridded_[j]) return;
        const float dx = q.x - o.x, dy = q.y - o.y, dz = q.z - o.z;
        const float most = o.r + q.r + 2.0f * drift_ + 2.0f * Rounding(std::max(o.span, q.span) + 2.0f * drift_);
        if (!(dx * dx + dy * dy + dz * dz > most * most)) listBody_.push_back(j);
      };
      if (!Query(at, reach, i + 1, near)) {
        listBody_.resize(start);
        for (uint32_t j = i + 1; j < n; ++j) near(j);
      }
      std::sort(listBody_.begin() + static_cast<std::ptrdiff_t>(start), listBody_.end());
    }
    listStart_[n] = static_cast<uint32_t>(listBody_.size());
    listsStale_ = false;
  }

  // A dense block of cells over the gridded bodies, each cell a chain of
  // bodies. Bodies that later move outside the block land in its border cells.
  void BuildCells(bool any, const float lo[3], const float hi[3]) {
    head_.clear();
    next_.assign(bound_.size(), kNone);
    cellOf_.assign(bound_.size(), kNone);
    if (!any) return;
    const size_t gridded = bound_.size() - loose_.size();
    const size_t budget = std::max<size_t>(4096, 8 * gridded);
    cell_ = std::max(2.0f * reach_ + 2.0f * drift_, 1e-6f);
    for (;;) {
      size_t total = 1;
      bool fits = true;
      for (int k = 0; k < 3 && fits; ++k) {
        const double span = (static_cast<double>(hi[k]) - lo[k]) / cell_;
        if (!(span < static_cast<double>(budget))) {
          fits = false;
          break;
        }
        dims_[k] = static_cast<int64_t>(span) + 1;
        total *= static_cast<size_t>(dims_[k]);
        if (total > budget) fits = false;
      }
      if (fits) break;
      cell_ *= 2.0f;  // bodies spread far apart: coarser cells
    }
    for (int k = 0; k < 3; ++k) lo_[k] = lo[k];
    inverseCell_ = 1.0f / cell_;
    head_.assign(static_cast<size_t>(dims_[0] * dims_[1] * dims_[2]), kNone);
    for (size_t i = 0; i < bound_.size(); ++i) {
      if (!gridded_[i]) continue;
      const Bound& b = bound_[i];
      Link(static_cast<uint32_t>(i), CellIndex(Coord(b.x, 0), Coord(b.y, 1), Coord(b.z, 2)));
    }
  }

  // Each cell's chain runs from the highest index down, so that a query
  // for the bodies from some index on stops at the first one below it.
  void Link(uint32_t i, size_t cell) {
    cellOf_[i] = static_cast<uint32_t>(cell);
    uint32_t* link = &head_[cell];
    while (*link != kNone && *link > i) link = &next_[*link];
    next_[i] = *link;
    *link = i;
  }
  void Unlink(uint32_t i) {
    uint32_t* link = &head_[cellOf_[i]];
    while (*link != kNone && *link != i) link = &next_[*link];
    if (*link == i) *link = next_[i];
    next_[i] = kNone;
  }

  // Monotonic in v, so a cube of cells found from its corners holds every
  // body filed inside it; clamped to the block before any conversion.
  int64_t Coord(float v, int axis) const {
    const float c = (v - lo_[axis]) * inverseCell_;
    if (!(c > 0.0f)) return 0;
    if (!(c < static_cast<float>(dims_[axis] - 1))) return dims_[axis] - 1;
    return static_cast<int64_t>(c);  // positive: truncation is the floor
  }
  size_t CellIndex(int64_t x, int64_t y, int64_t z) const {
    return static_cast<size_t>((z * dims_[1] + y) * dims_[0] + x);
  }

  // Hands every gridded body from index first on in the cells that the
  // cube around p with half-width reach touches to visit. Border cells also
  // hold whatever lies beyond the block, so clamping the cube to the block
  // loses nothing. False when the cube spans so many cells that a plain scan
  // is cheaper.
  template <class Visit>
  bool Query(const v4f& p, float reach, uint32_t first, Visit&& visit) const {
    if (head_.empty()) return true;
    if (!FinitePosition(p) || !std::isfinite(reach)) return false;
    const int64_t x0 = Coord(p.x - reach, 0), x1 = Coord(p.x + reach, 0);
    const int64_t y0 = Coord(p.y - reach, 1), y1 = Coord(p.y + reach, 1);
    const int64_t z0 = Coord(p.z - reach, 2), z1 = Coord(p.z + reach, 2);
    if ((x1 - x0 + 1) * (y1 - y0 + 1) * (z1 - z0 + 1) > 64) return false;
    for (int64_t z = z0; z <= z1; ++z) {
      for (int64_t y = y0; y <= y1; ++y) {
        for (int64_t x = x0; x <= x1; ++x) {
          for (uint32_t k = head_[CellIndex(x, y, z)]; k != kNone && k >= first; k = next_[k]) visit(k);
        }
      }
    }
    return true;
  }

  std::vector<VLM_OBJECT*> bodies_;
  std::vector<Bound> bound_;      // current positions and bounding radii
  std::vector<Bound> origin_;     // positions when the bodies were filed
  std::vector<uint8_t> gridded_;  // 1: in a cell, 0: always considered
  std::vector<uint32_t> loose_;   // ascending
  std::vector<float> radii_;
  float reach_ = 0.0f;  // largest radius of a gridded body
  float drift_ = 0.0f;  // how far a body may move before it is filed again
  float cell_ = 1.0f;
  float lo_[3] = {0, 0, 0};
  float inverseCell_ = 1.0f;
  int64_t dims_[3] = {1, 1, 1};
  std::vector<uint32_t> head_;    // first body of each cell
  std::vector<uint32_t> next_;    // next body in the same cell
  std::vector<uint32_t> cellOf_;
  std::vector<float> fresh_;  // bounding radii found at the start of the step
  float limit_ = 0.0f;        // largest radius that a cell holds
  bool built_ = false;
  const bool neighbours_;
  bool listsStale_ = true;
  bool calm_ = true;       // no body was filed again in the last step
  uint32_t refiled_ = 0;   // bodies filed again since Prepare
  std::vector<uint32_t> listStart_;  // body i's neighbours: listBody_[listStart_[i]] on
  std::vector<uint32_t> listBody_;
};

// The full loop from P's turn on: from the dynamic body at startQ (or, with
// inStatics, the non-dynamic body at startQ) on. Used without a broad phase
// and after a collision procedure changed the world.
void FullLoop(PhysicsWorld& world, size_t startP, size_t startQ, bool inStatics) {
  auto& dynamic = world.dynamicBodies;
  auto& statics = world.staticBodies;
  for (size_t i = startP; i < dynamic.size(); ++i) {
    VLM_OBJECT* p = dynamic[i];
    const size_t firstQ = startQ;
    const bool firstInStatics = inStatics;
    startQ = 0;
    inStatics = false;
    if (!p->Body.iCollision) continue;
    bool lost = false;
    // After a collision procedure changed the lists, find P again; when it is
    // gone or no longer dynamic, its turn ends.
    auto stillThere = [&](uint64_t generation) {
      if (world.listGeneration == generation) return true;
      CompactBodyLists(world);
      auto it = std::find(dynamic.begin(), dynamic.end(), p);
      if (it == dynamic.end()) {
        lost = true;
        return false;
      }
      i = static_cast<size_t>(it - dynamic.begin());
      return p->Body.iCollision != 0;
    };
    bool going = true;
    if (!firstInStatics) {
      for (size_t j = std::max(firstQ, i + 1); going && j < dynamic.size(); ++j) {
        VLM_OBJECT* q = dynamic[j];
        if (!q->Body.iCollision || Resting(p, q)) continue;
        const uint64_t generation = world.listGeneration;
        CollideBodies(q, p);
        going = stillThere(generation);
      }
    }
    for (size_t j = firstInStatics ? firstQ : 0; going && j < statics.size(); ++j) {
      VLM_OBJECT* q = statics[j];
      if (!q->Body.iCollision || Resting(p, q)) continue;
      const uint64_t generation = world.listGeneration;
      CollideBodies(q, p);
      going = stillThere(generation);
    }
    if (lost) --i;  // the body now at this index has not had its turn yet (unsigned: ++i undoes it)
  }
}

// Where the full loop picks up after the pair (p, q) when the lists may have
// changed: q's place when it is still listed, else its old place.
void ContinueFullLoop(PhysicsWorld& world, VLM_OBJECT* p, size_t oldP, VLM_OBJECT* q, size_t oldQ,
                      bool inStatics) {
  CompactBodyLists(world);
  auto& dynamic = world.dynamicBodies;
  auto itP = std::find(dynamic.begin(), dynamic.end(), p);
  if (itP == dynamic.end()) {
    FullLoop(world, std::min(oldP, dynamic.size()), 0, false);
    return;
  }
  const size_t i = static_cast<size_t>(itP - dynamic.begin());
  auto& list = inStatics ? world.staticBodies : dynamic;
  auto itQ = std::find(list.begin(), list.end(), q);
  const size_t next = itQ != list.end() ? static_cast<size_t>(itQ - list.begin()) + 1 : std::min(oldQ, list.size());
  FullLoop(world, i, next, inStatics);
}

}  // namespace

void CollisionPhase(PhysicsWorld& world) {
  // A step run from inside a collision procedure reuses the scratch below:
  // the phase around it then sees a change and continues with the full loop.
  ++world.listGeneration;
  CompactBodyLists(world);
  if (!world.broadPhase) {
    FullLoop(world, 0, 0, false);
    return;
  }
  // Kept from step to step: bodies at rest keep their cells and neighbours.
  thread_local Side dynamicSide(true);
  thread_local Side staticSide(false);
  thread_local std::vector<uint32_t> candidates;
  thread_local std::vector<uint32_t> rest;
  dynamicSide.Refresh(world.dynamicBodies);
  staticSide.Refresh(world.staticBodies);
  dynamicSide.Prepare();
  staticSide.Prepare();
  const uint64_t generation = world.listGeneration;

  // A sleeping P meets only what moves: awake bodies, and fixed bodies that
  // move by their own velocity.
  const bool anyAwake = world.sleeping < world.dynamicBodies.size();
  bool anyMoving = false;
  for (const VLM_OBJECT* q : world.staticBodies) anyMoving = anyMoving || !Still(q);
  for (uint32_t i = 0; i < dynamicSide.Size(); ++i) {
    const float rp = dynamicSide.Radius(i);
    if (rp < 0.0f) continue;  // no shape or no part in collisions
    VLM_OBJECT* p = dynamicSide.Body(i);
    for (int sideIndex = 0; sideIndex < 2; ++sideIndex) {
      const bool statics = sideIndex == 1;
      if (p->Body.iAsleep && !(statics ? anyMoving : anyAwake)) continue;
      Side& other = statics ? staticSide : dynamicSide;
      const uint32_t first = statics ? 0 : i + 1;
      // P moves with its contacts; a move past the slack asks again.
      const float slack = dynamicSide.Drift() + kBoundSlack;
      v4f asked = p->v4fPosition;
      v4f at = asked;
      float span = Side::Span(at, rp);
      const uint32_t owner = statics ? UINT32_MAX : i;
      bool listed = other.Candidates(asked, rp, slack, first, candidates, owner);
      for (size_t c = 0; c < candidates.size(); ++c) {
        const uint32_t j = candidates[c];
        if (!other.MayTouch(j, at, rp, span)) continue;
        VLM_OBJECT* q = other.Body(j);
        if (Resting(p, q) || !CollideBodies(q, p)) continue;
        if (world.listGeneration != generation) {
          // A collision procedure changed the world: the full loop takes
          // over right after this pair.
          ContinueFullLoop(world, p, i, q, j + 1, statics);
          return;
        }
        other.Moved(j);
        dynamicSide.Moved(i);
        at = p->v4fPosition;
        span = Side::Span(at, rp);
        // A list read before a body was filed again may miss what P now
        // reaches: the cells are asked instead.
        if (!(Length3(at.x - asked.x, at.y - asked.y, at.z - asked.z) <= slack) || (listed && !dynamicSide.ListsHold())) {
          asked = at;
          listed = other.Candidates(asked, rp, slack, j + 1, rest, owner);
          candidates.resize(c + 1);
          candidates.insert(candidates.end(), rest.begin(), rest.end());
        }
      }
    }
  }
}

}  // namespace vlm
