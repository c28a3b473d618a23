// The entity header: world matrices through the parent chain, attaching,
// and the transform modes shared by every placed kind.
#include "scene/entity.h"

#include <unordered_set>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "scene/entity_records.h"
#include "scene/object_record.h"
#include "scene/scene_state.h"
#include "velmora/core.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// Far beyond any real hierarchy; stops the walk on a chain that a caller
// built by hand into a loop.
constexpr int kMaxChainLength = 4096;

m4f Identity() {
  m4f m;
  VLM_m4fSetDiagonal(&m, 1.0f);
  return m;
}

bool PassesRotation(int linkType) { return linkType == VLM_LINK_FULL || linkType == VLM_LINK_SECOND; }

// Entities that something was attached to since they were last released.
// Only these need the walk over every placed record when they go, so that
// releasing the many records nothing hangs on stays constant-time.
std::unordered_set<const VLM_ENTITY*>& Parents() {
  static std::unordered_set<const VLM_ENTITY*> parents;
  return parents;
}

}  // namespace

void RebuildMatrices(const v4f& orientation, const v4f& position, const v4f& scale, m4f* scaled,
                     m4f* unscaled) {
  VLM_m4fFromQuaternion(&orientation, unscaled);
  unscaled->e[12] = position.x;
  unscaled->e[13] = position.y;
  unscaled->e[14] = position.z;
  unscaled->e[15] = 1.0f;
  *scaled = *unscaled;
  const float factors[3] = {scale.x, scale.y, scale.z};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) scaled->e[4 * row + col] *= factors[row];
  }
}

void RebuildObjectMatrices(VLM_OBJECT* object) {
  RebuildMatrices(object->q4fOrientation, object->v4fPosition, object->v4fScale, &object->mWorld,
                  &object->mWorldUnscaled);
}

bool SoundPlacement(const v4f& position, const v4f& orientation, const v4f& scale) {
  return AllFinite({position.x, position.y, position.z, orientation.x, orientation.y, orientation.z,
                    orientation.w, scale.x, scale.y, scale.z}) &&
         scale.x != 0.0f && scale.y != 0.0f && scale.z != 0.0f;
}

v4f ParentChainOrientation(const VLM_ENTITY* entity) {
  v4f acc{0.0f, 0.0f, 0.0f, 1.0f};
  int steps = 0;
  for (const VLM_ENTITY* e = entity; e && e->pParent && steps < kMaxChainLength; e = e->pParent, ++steps) {
    const VLM_ENTITY* parent = e->pParent;
    if (PassesRotation(e->iLinkType) && parent->pOrientation) {
      v4f q;
      VLM_q4fMultiplyInto(&q, parent->pOrientation, &acc);
      acc = q;
    }
  }
  return acc;
}

void ApplyPositionMode(VLM_ENTITY* entity, v4f* position, const v4f& value, int mode) {
  const bool relative = (mode & VLM_TRANSFORM_RELATIVE) != 0;
  const bool local = (mode & VLM_TRANSFORM_LOCAL) != 0;
  const bool parentSpace = (mode & VLM_TRANSFORM_PARENT) != 0;
  if (local) {
    v4f d{value.x, value.y, value.z, 0.0f};
    if (entity->pMatrix) VLM_v4fTransform(&d, entity->pMatrix);
    if (relative) {
      VLM_v4fAdd(position, &d);
    } else {
      *position = d;
      position->w = 1.0f;
    }
    return;
  }
  if (parentSpace) {
    m4f chain;
    VLM_EntityWorldMatrix(&chain, entity, 0);
    VLM_m4fInvert(&chain);
    v4f d{value.x, value.y, value.z, relative ? 0.0f : 1.0f};
    VLM_v4fTransform(&d, &chain);
    if (relative) {
      d.w = 0.0f;
      VLM_v4fAdd(position, &d);
    } else {
      *position = d;
    }
    return;
  }
  if (relative) {
    const v4f d{value.x, value.y, value.z, 0.0f};
    VLM_v4fAdd(position, &d);
  } else {
    *position = v4f{value.x, value.y, value.z, 1.0f};
  }
}

void ApplyRotationMode(VLM_ENTITY* entity, v4f* orientation, float ax, float ay, float az, int mode) {
  v4f q;
  VLM_q4fFromEuler(&q, ax, ay, az, 0);
  const bool relative = (mode & VLM_TRANSFORM_RELATIVE) != 0;
  const bool local = (mode & VLM_TRANSFORM_LOCAL) != 0;
  const bool parentSpace = (mode & VLM_TRANSFORM_PARENT) != 0;
  if (relative && local) {
    VLM_q4fMultiply(orientation, &q);  // about the entity's own axes
    return;
  }
  if (parentSpace) {
    // q is a world rotation: seen from the parent frame it is P* q P.
    const v4f chain = ParentChainOrientation(entity);
    v4f conjugate = chain;
    VLM_v4fNegate(&conjugate);
    v4f inParent;
    VLM_q4fMultiplyInto(&inParent, &conjugate, &q);
    if (relative) {
      VLM_q4fMultiply(&inParent, &chain);
      VLM_q4fMultiplyInto(orientation, &inParent, orientation);
    } else {
      *orientation = inParent;  // world orientation becomes q
    }
    return;
  }
  if (relative) {
    VLM_q4fMultiplyInto(orientation, &q, orientation);  // about the parent's axes
  } else {
    *orientation = q;
  }
}

void ApplyScaleMode(v4f* scale, float x, float y, float z, int mode) {
  if (mode & VLM_TRANSFORM_RELATIVE) {
    scale->x *= x;
    scale->y *= y;
    scale->z *= z;
  } else {
    *scale = v4f{x, y, z, 0.0f};
  }
  scale->w = 0.0f;
}

void DetachChildren(const void* parent) {
  if (!parent) return;
  const VLM_ENTITY* header = EntityOf(parent);
  if (Parents().erase(header) == 0) return;
  auto detach = [header](auto* record) {
    if (record->header.pParent == header) record->header.pParent = nullptr;
  };
  ObjectRegistry().ForEach(detach);
  BodyRegistry().ForEach(detach);
  NodeRegistry().ForEach(detach);
  LightRegistry().ForEach(detach);
  RibbonRegistry().ForEach(detach);
  BillboardRegistry().ForEach(detach);
  detach(&Scene().camera);
}

}  // namespace vlm

extern "C" {

m4f* VLM_EntityWorldMatrix(m4f* out, const void* entity, int includeOwn) {
  if (!out || !entity) return nullptr;
  const VLM_ENTITY* e = vlm::EntityOf(entity);
  m4f result = (includeOwn && e->pMatrix) ? *e->pMatrix : vlm::Identity();
  int steps = 0;
  for (; e->pParent && steps < vlm::kMaxChainLength; e = e->pParent, ++steps) {
    const VLM_ENTITY* parent = e->pParent;
    switch (e->iLinkType) {
      case VLM_LINK_FULL:
        if (parent->pMatrix) VLM_m4fMultiply(&result, parent->pMatrix, &result);
        break;
      case VLM_LINK_POSITION:
        if (parent->pMatrix) {
          // result x translation: each row gains w times the parent's position.
          const float* t = &parent->pMatrix->e[12];
          for (int row = 0; row < 4; ++row) {
            const float w = result.e[4 * row + 3];
            result.e[4 * row + 0] += w * t[0];
            result.e[4 * row + 1] += w * t[1];
            result.e[4 * row + 2] += w * t[2];
          }
        }
        break;
      case VLM_LINK_SECOND:
        if (parent->pSecondMatrix) VLM_m4fMultiply(&result, parent->pSecondMatrix, &result);
        break;
      default:
        break;
    }
  }
  *out = result;
  return out;
}

int VLM_AttachEntity(void* parent, void* child, int linkType) {
  if (!child) return 0;
  VLM_ENTITY* c = vlm::EntityOf(child);
  VLM_ENTITY* p = parent ? vlm::EntityOf(parent) : nullptr;
  // A chain that loops back to the child would never end.
  int steps = 0;
  for (const VLM_ENTITY* e = p; e; e = e->pParent) {
    if (e == c || ++steps > vlm::kMaxChainLength) {
      vlm::Fail("Fail: An entity cannot hang on itself or on one of its children!", "VLM_AttachEntity");
      return 0;
    }
  }
  c->pParent = p;
  c->iLinkType = linkType;
  if (p) vlm::Parents().insert(p);
  return 0;
}

}  // extern "C"
