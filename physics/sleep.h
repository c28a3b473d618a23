// Bodies at rest fall asleep in worlds of more than one contact pass: a
// group of bodies that touch or are joined, all slower than a small speed
// for the world's sleep time, stops moving and leaves the step's work until
// something awake touches one of them or the program changes the world.
// The single pass keeps every body moving exactly as it always has.
#pragma once

#include <span>

struct VLM_OBJECT;

namespace vlm {

struct PhysicsWorld;
struct PassContact;

// Below these speeds a body counts as resting: units per second and
// radians per second.
inline constexpr float kRestSpeed = 0.02f;
inline constexpr float kRestTurn = 0.05f;

// After the contact passes of a step, with the contacts found in it: wakes
// the sleeping bodies that something touched, times how long each group of
// bodies has rested, and puts to sleep the groups that rested long enough.
void UpdateSleep(PhysicsWorld& world, std::span<const PassContact> found);

// Wakes a body and every body joined to it.
void WakeBody(VLM_OBJECT* body);

// Wakes every body: after a change that may concern any of them (a fixed
// body moved or freed, the gravity changed).
void WakeAll(PhysicsWorld& world);

// True when a body neither moves nor turns by its own velocity.
bool Still(const VLM_OBJECT* body);

// True when the pair loop may leave the pair out: P sleeps, and Q sleeps too
// or is a fixed body that does not move.
bool Resting(const VLM_OBJECT* p, const VLM_OBJECT* q);

}  // namespace vlm
