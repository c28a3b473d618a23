// Contact passes beyond the first. The pair loop resolves every contact once,
// as it finds it (but leaves the resting contacts of bodies on rigid rods to
// the passes, which then run in every world); with more passes each contact
// is also kept, and after the pair loop sequential impulses run over the
// kept contacts in the order they were found: a normal impulse that never
// pulls (its running sum stays at or above 0), Coulomb friction bounded by
// it on two fixed tangent axes, and a separate push (split impulse) that
// moves the bodies out of penetration deeper than a slop without giving them
// any velocity (straight up across a face that lies level, so that it never
// steps a resting body sideways). A contact point that persists from the
// last step (same bodies, same direction, same place) starts from the
// impulses it ended with (warm starting).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "velmora/types.h"

struct VLM_OBJECT;

namespace vlm {

struct PhysicsWorld;

// One point of a contact as the passes see it. Directions: 0 the normal,
// 1 and 2 the tangent axes.
struct PassContact {
  // Made without setting anything: KeepContact sets every field of each
  // contact it keeps, and zeroing the whole record first showed in the step.
  PassContact() {}
  VLM_OBJECT* a;                         // fixed when either body is (then aFixed)
  VLM_OBJECT* b;
  bool aFixed;
  bool rodsA, rodsB;                     // rods follow every impulse
  uint32_t pushA, pushB;                 // entries in ContactPasses::pushes
  float inverseMassA, inverseMassB;
  float pushShareA, pushShareB;          // inverse masses as the push sees them
  v4f centreA, centreB;                  // compound centres when found
  v4f rA, rB;                            // contact point from the centres
  v4f n;                                 // unit, from a to b
  v4f direction[3];                      // n, then the tangent axes
  v4f armA[3], armB[3];                  // r x direction (armA 0 when a is fixed)
  v4f turnA[3], turnB[3];                // angular change per unit impulse
  float mass[3];                         // 1 / effective inverse mass
  float pushMass;                        // the same for a push, which only moves
  v4f pushDirection[3];                  // the push's: direction, or straight up and across
  float pushNormalMass;                  // 1 / the depth it removes per unit
  v4f startA, startB;                    // positions when found
  float separation;                      // along n then: 0 touching, negative inside
  float bounce;                          // separating speed the contact asks for
  float friction;                        // sum of the two frictions
  float normalImpulse;                   // running sums, impulse on b
  float tangentImpulse[2];
  float push;                            // running sums of the push
  float pushTangent[2];
};

// A body that pushes move, and how far (units) this step.
struct PushBody {
  VLM_OBJECT* body = nullptr;
  v4f linear{};
};

// A point of a face contact that a shape test hands on: where it is and how
// deep it lies (negative: standing off).
struct ManifoldPoint {
  v4f point;
  float depth;
};

// Keys to indices by open addressing. Emptied every step without giving its
// memory back, so that a step of the passes allocates nothing once the
// tables have grown.
class KeyIndex {
 public:
  void Clear();
  // The index filed under key, or UINT32_MAX.
  uint32_t Find(uint64_t key) const;
  // Files value under key unless the key is there; returns the filed index.
  uint32_t Insert(uint64_t key, uint32_t value);
  // Files value under key, replacing what was there.
  void Set(uint64_t key, uint32_t value);

 private:
  struct Slot {
    uint64_t key = 0;
    uint32_t value = 0;
    uint32_t stamp = 0;  // the slot is used when it equals stamp_
  };
  size_t Place(uint64_t key) const;
  void Grow();
  std::vector<Slot> slots_;
  size_t used_ = 0;
  uint32_t stamp_ = 1;
};

struct ContactPasses {
  int32_t count = 1;                     // 1: the pair loop's resolution only
  std::vector<PassContact> contacts;     // this step's, in the order found
  std::vector<PassContact> previous;     // the last step's, compared by key only
  // First index in previous of each pair of bodies (a pair's points follow
  // one another).
  KeyIndex previousPairs;
  std::vector<ManifoldPoint> manifold;   // points of the contact being stored, if several
  std::vector<PushBody> pushes;          // this step's non-fixed contact bodies
  KeyIndex pushIndex;
  uint32_t recentPush[2] = {UINT32_MAX, UINT32_MAX};  // last entries found for A and B
  v4f up{};                              // unit, against gravity; 0 without gravity
  v4f levelAxes[2][2]{};                 // TangentAxes of up, then of -up
  // The last contacts of sleeping groups (the group's number beside each),
  // which no step finds: handed back to `previous` when the group wakes, so
  // that it starts from the impulses it held.
  std::vector<PassContact> dormant;
  std::vector<int32_t> dormantGroup;
  std::vector<int32_t> woken;            // groups woken since the last hand-back
};

// Keeps the contacts found in this step whose bodies fell asleep in it.
void KeepDormant(ContactPasses& passes, size_t found);
// Hands the dormant contacts of the woken groups (or all) back to `previous`.
void ReviveDormant(ContactPasses& passes, bool all = false);

// Below this penetration depth (units) the passes move nothing, so resting
// bodies are not pushed about by rounding.
inline constexpr float kPenetrationSlop = 0.005f;
// A contact whose normal lies within this cosine of the up direction (against
// gravity), about 2.6 degrees, is pushed straight up: a box resting slightly
// tilted would otherwise be stepped sideways by the push that lifts it back
// out of each step's sink under gravity, and a tower would creep.
inline constexpr float kLevelCosine = 0.999f;
// Contacts of bodies joined by rigid rods are always solved by the passes,
// at least this many, whatever the world's count (see ResolveContact).
inline constexpr int32_t kRodContactPasses = 10;
// Approach speeds (units per second) below this do not bounce: resting
// contacts come to rest instead of hopping on every step's gravity.
inline constexpr float kBounceThreshold = 1.0f;

// Called by contact resolution after its impulses: keeps the contact (and the
// extra manifold points a shape test left) for the passes.
struct Compound;
void KeepContact(PhysicsWorld& world, VLM_OBJECT* a, VLM_OBJECT* b, bool aFixed, const Compound& ca,
                 const Compound& cb, const v4f& point, const v4f& n, float approach, float elasticity,
                 float friction, float normalImpulse, const v4f& tangentImpulse);

// Before the pair loop: what the passes need of the world's settings.
void PrepareContactPasses(PhysicsWorld& world);

// After the pair loop: the passes 2 to count over the kept contacts, then
// the bodies at rest fall asleep (see physics/sleep.h).
void RunContactPasses(PhysicsWorld& world);

// Drops every kept contact, this step's and the last one's: a body they
// name is going away.
void ForgetContacts(PhysicsWorld& world);

// Files each pair's first entry in `previous` (after it changed).
void IndexPrevious(ContactPasses& passes);

}  // namespace vlm
