// Entity helpers shared by the scene and the physics: matrix rebuilding and
// the transform modes for positions and rotations.
#pragma once

#include "velmora/scene.h"
#include "velmora/types.h"

struct VLM_OBJECT;

namespace vlm {

inline VLM_ENTITY* EntityOf(void* record) { return static_cast<VLM_ENTITY*>(record); }
inline const VLM_ENTITY* EntityOf(const void* record) { return static_cast<const VLM_ENTITY*>(record); }

// World matrix without scale = rotation of the orientation with the position
// in row 3; the world matrix has rows 0..2 scaled by scale x, y and z.
void RebuildObjectMatrices(VLM_OBJECT* object);

// The transform modes (VLM_TRANSFORM_*) applied to an entity's position or
// orientation. The caller rebuilds the entity's matrices afterwards.
void ApplyPositionMode(VLM_ENTITY* entity, v4f* position, const v4f& value, int mode);
void ApplyRotationMode(VLM_ENTITY* entity, v4f* orientation, float ax, float ay, float az, int mode);

// Accumulated orientation of the parent chain (each parent that passes its
// rotation on), identity without a parent.
v4f ParentChainOrientation(const VLM_ENTITY* entity);

// Every object and body hanging on this entity is let go (parent cleared),
// so that no child keeps a reference to a released record.
void DetachChildren(const void* parent);

// Releases every object of kind Object (bodies belong to the physics): a
// fresh start for tests.
void ResetObjects();

}  // namespace vlm
