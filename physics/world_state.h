// The physics world: its part of the engine context.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "physics/solver_passes.h"
#include "physics/surface_joint_records.h"
#include "velmora/types.h"

struct VLM_OBJECT;
struct VLM_CAGE;
struct VLM_SOUND;

namespace vlm {

// The contact of the last shape test that found one, and the relative normal
// speed of the last resolved contact.
struct LastImpact {
  v4f v4fPoint{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fNormal{};
  float fSpeed = 0.0f;
};

// A collision sound: a pair entry names two materials, a single entry one
// (materialB null).
struct CollisionSoundEntry {
  VLM_SOUND* pSound = nullptr;
  float fReferenceSpeed = 0.0f;
  VLM_SURFACE* pMaterialA = nullptr;
  VLM_SURFACE* pMaterialB = nullptr;
};

// Plays a collision sound at a position; volumeFactor (0..1] scales the
// sound's own volume. Installed by the sound layer; null plays nothing.
using CollisionSoundPlayer = void (*)(VLM_SOUND* sound, float volumeFactor, const v4f* position);

// Bounds of the fixed time step: the shortest step (seconds) and the most
// steps one update runs, so that an update ends in bounded time while the
// shortest step still covers a frame of 0.1 s; the longest step keeps one
// step of the largest speeds and gravity far inside the float range.
inline constexpr float kMinTimeStep = 1.0e-4f;
inline constexpr float kMaxTimeStep = 60.0f;
inline constexpr int32_t kMaxStepsPerUpdate = 1000;

// One vertex of the debug view: two in a row make a line.
struct DebugLineVertex {
  v4f v4fPosition;
  v4f v4fColour;
};

struct PhysicsWorld {
  // Guards every list and every body field. Recursive, so that a collision
  // procedure called inside the step may still create bodies or set masses.
  std::recursive_mutex lock;
  int32_t enabled = 0;
  int32_t frameRate = 0;
  float timeStep = 0.0f;
  v4f gravity{};
  LastImpact lastImpact;
  int32_t collisionPhase = 0;
  // The body lists, in filing order. Unfiling a body only empties its slot
  // (O(1) through bodySlots); CompactBodyLists closes the gaps, keeping the
  // order, before anything reads the lists.
  std::vector<VLM_OBJECT*> dynamicBodies;
  std::vector<VLM_OBJECT*> staticBodies;          // mass 0
  struct BodySlot {
    size_t index = 0;
    bool fixed = false;  // in staticBodies
  };
  std::unordered_map<const VLM_OBJECT*, BodySlot> bodySlots;
  size_t emptySlots = 0;
  std::vector<VLM_JOINT*> activeJoints;            // in creation order
  // Joint records, objects, cages and physical materials live in their
  // registries (JointRegistry() keeps the joints' own ID table).
  std::vector<CollisionSoundEntry> collisionSoundPairs;
  std::vector<CollisionSoundEntry> collisionSoundSingles;

  VLM_CAGE* pointCage = nullptr;  // the built-in point cage, handle -2
  VLM_SURFACE defaultMaterial;    // handle -1; outside the registry

  // Engine settings.
  int32_t waits = 1;       // 0: no pauses between the phases of a step
  int32_t broadPhase = 1;  // 0: every pair goes to the shape tests
  float fixedStep = 0.0f;    // seconds; 0: one step of the last frame's duration
  int32_t maxSteps = 1;      // steps of fixedStep one update may run
  double carriedTime = 0.0;  // frame time not yet stepped, below fixedStep
  ContactPasses passes;      // contact passes beyond the first
  float sleepTime = 0.5f;    // seconds a group rests before it sleeps; 0: never
  size_t sleeping = 0;       // bodies asleep
  int32_t sleepGroups = 0;   // groups that fell asleep so far: the last group's number
  CollisionSoundPlayer playCollisionSound = nullptr;

  // Lines of the debug view, rebuilt by every step that asks for it.
  std::vector<DebugLineVertex> debugLines;
  // Counts changes of the body lists and body frees, so that a running
  // collision phase notices what a collision procedure did.
  uint64_t listGeneration = 0;
};

PhysicsWorld& World();

// Closes the empty slots that unfiling left in the body lists, keeping the
// order of the bodies. The caller holds the physics lock.
void CompactBodyLists(PhysicsWorld& world);

}  // namespace vlm
