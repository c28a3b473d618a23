// Entity helpers shared by the scene and the physics: matrix rebuilding and
// the transform modes for positions and rotations.
#pragma once

#include "core/fail.h"
#include "core/finite.h"
#include "velmora/scene.h"
#include "velmora/types.h"

struct VLM_OBJECT;

namespace vlm {

inline VLM_ENTITY* EntityOf(void* record) { return static_cast<VLM_ENTITY*>(record); }
inline const VLM_ENTITY* EntityOf(const void* record) { return static_cast<const VLM_ENTITY*>(record); }

// Matrix without scale = rotation of the orientation with the position in
// row 3; the matrix with scale has rows 0..2 scaled by scale x, y and z.
void RebuildMatrices(const v4f& orientation, const v4f& position, const v4f& scale, m4f* scaled,
                     m4f* unscaled);
// The same for an object's (or body's) world and unscaled world matrices.
void RebuildObjectMatrices(VLM_OBJECT* object);

// True when position, orientation and scale are finite and no scale
// component is 0 (a zero scale leaves no inverse for the children's
// parent-space modes).
bool SoundPlacement(const v4f& position, const v4f& orientation, const v4f& scale);

// The transform modes (VLM_TRANSFORM_*) applied to an entity's position or
// orientation. The caller rebuilds the entity's matrices afterwards.
void ApplyPositionMode(VLM_ENTITY* entity, v4f* position, const v4f& value, int mode);
void ApplyRotationMode(VLM_ENTITY* entity, v4f* orientation, float ax, float ay, float az, int mode);

// Scale: with VLM_TRANSFORM_RELATIVE multiplied component by component,
// otherwise replaced; w stays 0.
void ApplyScaleMode(v4f* scale, float x, float y, float z, int mode);

// A change of position, rotation or scale of a node or object (any record
// with the header and v4fPosition, q4fOrientation, v4fScale): made, then
// the header's two matrices are rebuilt. A change that leaves a number that
// is not finite or a zero scale is undone and refused with a failure row.
template <class Record, class Change>
int ChangePlacement(Record* record, const char* procedure, Change&& change) {
  if (!record) return 0;
  const v4f position = record->v4fPosition, orientation = record->q4fOrientation, scale = record->v4fScale;
  change(record);
  if (!SoundPlacement(record->v4fPosition, record->q4fOrientation, record->v4fScale)) {
    record->v4fPosition = position;
    record->q4fOrientation = orientation;
    record->v4fScale = scale;
    return RefuseNumber(procedure, "Fail: Numbers must be finite, and a scale must not be 0!");
  }
  RebuildMatrices(record->q4fOrientation, record->v4fPosition, record->v4fScale, record->header.pMatrix,
                  record->header.pSecondMatrix);
  return 1;
}

// The position, rotation and scale procedures of nodes and objects: record
// null (unknown handle) does nothing; 1 on success, else 0.
template <class Record>
int PlacePosition(Record* record, const v4f* vector, int mode, const char* procedure) {
  if (!record) return 0;
  if (!vector) {
    Fail("Fail: No position given!", procedure);
    return 0;
  }
  return ChangePlacement(record, procedure, [&](Record* r) {
    ApplyPositionMode(&r->header, &r->v4fPosition, *vector, mode);
  });
}
template <class Record>
int PlaceRotation(Record* record, float ax, float ay, float az, int mode, const char* procedure) {
  return ChangePlacement(record, procedure, [&](Record* r) {
    ApplyRotationMode(&r->header, &r->q4fOrientation, ax, ay, az, mode);
  });
}
template <class Record>
int PlaceScale(Record* record, float x, float y, float z, int mode, const char* procedure) {
  return ChangePlacement(record, procedure, [&](Record* r) { ApplyScaleMode(&r->v4fScale, x, y, z, mode); });
}

// Accumulated orientation of the parent chain (each parent that passes its
// rotation on), identity without a parent.
v4f ParentChainOrientation(const VLM_ENTITY* entity);

// Every object, body and node hanging on this entity is let go (parent
// cleared), so that no child keeps a reference to a released record.
void DetachChildren(const void* parent);

// Releases every object of kind Object (bodies belong to the physics): a
// fresh start for tests.
void ResetObjects();

}  // namespace vlm
