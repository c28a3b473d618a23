// The object record; bodies are objects with a physical part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/layout_check.h"
#include "velmora/physics.h"
#include "velmora/registry.h"
#include "velmora/scene.h"
#include "velmora/types.h"

struct VLM_JOINT;

// One instance of an instanced object as the engine keeps it: its placement
// relative to the object, its colour and the matrices built from them.
struct VLM_OBJECT_INSTANCE {
  v4f q4fOrientation;   // (0, 0, 0, 1) at creation
  v4f v4fPosition;      // (0, 0, 0, 1)
  v4f v4fScale;         // (1, 1, 1, 0)
  v4f v4fColour;        // (1, 1, 1, 1), multiplied into the diffuse colour
  m4f mMatrix;          // with scale
  m4f mMatrixUnscaled;  // without scale
  v4f aReserved[3];
};
static_assert(sizeof(VLM_OBJECT_INSTANCE) == 240);

// What the instancing programs read per instance from the buffer texture:
// five RGBA32F texels, the model matrix rows (texels 5i .. 5i+3) and the
// instance colour (texel 5i+4).
struct VLM_INSTANCE_TEXELS {
  m4f mMatrix;
  v4f v4fColour;
};
static_assert(sizeof(VLM_INSTANCE_TEXELS) == 80);

// The physical part of an object; used when the object is a body (kind 9).
struct VLM_BODY_PART {
  VLM_CAGE* pCage = nullptr;        // collision shape, shared with other bodies
  VLM_SURFACE* pMaterial = nullptr; // physical material
  float fMass = 0.0f;               // 0: non-dynamic
  m4f mInertia{};                   // body frame; element 15 stays 1
  v4f v4fVelocity{};                // units per second, w = 0
  v4f v4fAngularVelocity{};         // radians per second about x, y, z
  v4f v4fAcceleration{};            // rebuilt every step
  v4f v4fAngularAcceleration{};     // rebuilt every step
  v4f v4fMovement{};                // displacement of this step
  v4f q4fStepRotation{};            // rotation applied in this step
  VLM_COLLISION_PROCEDURE pCollisionProcedure = nullptr;
  int32_t iCollisionResult = 0;     // what the collision procedure last returned
  int32_t iFilter = 0;              // 0xFFFF at creation; nothing reads it
  int32_t iCollision = 0;           // 0: takes no part in collision tests
  std::vector<VLM_JOINT*> joints;   // the joints that name this body
  v4f v4fStepStart{};               // position before this step's movement
  // Sleep (worlds of more than one contact pass): how long the body has been
  // resting (seconds), whether it sleeps (then the group it fell asleep
  // with, which wakes as one), and its group in the last step.
  float fRestTime = 0.0f;
  int32_t iAsleep = 0;
  uint32_t iIsland = 0;
};

struct VLM_OBJECT {
  VLM_OBJECT() {
    header.pMatrix = &mWorld;
    header.pSecondMatrix = &mWorldUnscaled;
    header.pOrientation = &q4fOrientation;
    header.pScale = &v4fScale;
  }
  // The header refers into the record itself, so a record never moves.
  VLM_OBJECT(const VLM_OBJECT&) = delete;
  VLM_OBJECT& operator=(const VLM_OBJECT&) = delete;

  VLM_ENTITY header{};
  intptr_t iHandle = 0;
  std::string sName;
  VLM_MESH* pMesh = nullptr;
  VLM_MATERIAL* pMaterial = nullptr;
  // [0] visible, [1] casts shadows; both 1 at creation.
  int32_t aiRenderSwitch[2] = {0, 0};
  int32_t iInstanceCount = 0;  // 1: a single object; more: drawn instanced
  // Both arrays hold iInstanceCount elements when the object is instanced,
  // else none.
  std::unique_ptr<VLM_OBJECT_INSTANCE[]> pInstanceMatrices;
  std::unique_ptr<VLM_INSTANCE_TEXELS[]> pInstanceData;
  uint32_t iInstanceBuffer = 0;   // GL buffer of iInstanceCount x 80 bytes
  uint32_t iInstanceTexture = 0;  // RGBA32F buffer texture over it
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fPosition{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fScale{1.0f, 1.0f, 1.0f, 0.0f};
  m4f mWorld{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  m4f mWorldUnscaled{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  VLM_BODY_PART Body;
  // Where the object's entry sits in its material's instance list, so that
  // leaving the queue takes constant time.
  size_t iQueueSlot = 0;
};

namespace vlm {

// Where this build lays out the two fields that the vector routines address
// directly. A build that moves them reports it at start-up.
constexpr size_t kObjectPositionOffset = 160;
constexpr size_t kObjectMovementOffset = 468;

// Offsets of the object fields that the physics routines address directly,
// as this build lays them out.
inline std::vector<LayoutFact> ObjectLayoutFacts() {
  return {
      {offsetof(VLM_OBJECT, v4fPosition), kObjectPositionOffset,
       "Offset of VLM_OBJECT\\v4fPosition was changed! Update ASM code to " +
           std::to_string(kObjectPositionOffset)},
      {offsetof(VLM_OBJECT, Body) + offsetof(VLM_BODY_PART, v4fMovement), kObjectMovementOffset,
       "Offset of VLM_OBJECT\\Body\\v4fMovement was changed! Update ASM code " +
           std::to_string(kObjectMovementOffset)},
  };
}

}  // namespace vlm
