// Objects inside the engine: their place in the render queue.
#pragma once

#include "definition/texture_material_records.h"
#include "scene/object_record.h"

namespace vlm {

// The render queue entry of an object is {object, mesh} in its material's
// instance list; an object without a mesh or a material has none.
void QueueObject(VLM_OBJECT* object);
void UnqueueObject(VLM_OBJECT* object);

// For a material about to be released: its queue entries move to `to` as
// they are, and every object naming `from` names `to` (null: none) instead.
void MoveObjectsToMaterial(VLM_MATERIAL* from, VLM_MATERIAL* to);

}  // namespace vlm
