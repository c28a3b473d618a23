// Contact passes beyond the first. The pair loop resolves every contact once,
// as it finds it; with more passes each contact is also kept, and after the
// pair loop sequential impulses run over the kept contacts in the order they
// were found: a normal impulse that never pulls (its running sum stays at or
// above 0), Coulomb friction bounded by it, and a position correction that
// leaves penetration below a slop alone. A contact point that persists from
// the last step (same bodies, same direction, same place) starts from the
// impulse it ended with (warm starting).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "velmora/types.h"

struct VLM_OBJECT;

namespace vlm {

struct PhysicsWorld;

// One point of a contact as the passes see it.
struct PassContact {
  VLM_OBJECT* a = nullptr;  // fixed when either body is (then aFixed)
  VLM_OBJECT* b = nullptr;
  bool aFixed = false;
  float inverseMassA = 0.0f, inverseMassB = 0.0f;
  m4f inverseInertiaA{}, inverseInertiaB{};  // compounds, world axes
  v4f centreA{}, centreB{};                  // compound centres when found
  v4f rA{}, rB{};                            // contact point from the centres
  v4f n{};                                   // unit, from a to b
  v4f startA{}, startB{};                    // positions when found
  float separation = 0.0f;                   // along n then: 0 touching, negative inside
  float normalMass = 0.0f;                   // 1 / (effective inverse mass along n)
  float bounce = 0.0f;                       // separating speed the contact asks for
  float friction = 0.0f;                     // sum of the two frictions
  float normalImpulse = 0.0f;                // running sums, impulse on b
  v4f tangentImpulse{};
};

struct ContactPasses {
  int32_t count = 1;                     // 1: the pair loop's resolution only
  std::vector<PassContact> contacts;     // this step's, in the order found
  std::vector<PassContact> previous;     // the last step's, compared by key only
  // First index in previous of each pair of bodies (a pair's points follow
  // one another).
  std::unordered_map<uint64_t, uint32_t> previousPairs;
  std::vector<v4f> manifold;             // points of the contact being stored, if several
  float depth = 0.0f;                    // their penetration, left to the passes
};

// Below this penetration depth (units) the passes move nothing, so resting
// bodies are not pushed about by rounding.
inline constexpr float kPenetrationSlop = 0.005f;
// Approach speeds (units per second) below this do not bounce: resting
// contacts come to rest instead of hopping on every step's gravity.
inline constexpr float kBounceThreshold = 1.0f;

// Called by contact resolution after its impulses: keeps the contact (and the
// extra manifold points a shape test left) for the passes.
struct Compound;
void KeepContact(PhysicsWorld& world, VLM_OBJECT* a, VLM_OBJECT* b, bool aFixed, const Compound& ca,
                 const Compound& cb, const v4f& point, const v4f& n, float approach, float elasticity,
                 float friction, float normalImpulse, const v4f& tangentImpulse);

// After the pair loop: the passes 2 to count over the kept contacts.
void RunContactPasses(PhysicsWorld& world);

}  // namespace vlm
