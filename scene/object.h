// Objects inside the engine: the default material they fall back to and
// their place in the render queue.
#pragma once

#include "definition/records.h"
#include "scene/object_record.h"

namespace vlm {

// The engine's default material, or null while there is none. Defined by
// the engine, which keeps its handle with the renderer's built-in resources.
VLM_MATERIAL* DefaultObjectMaterial();

// The render queue entry of an object is {object, mesh} in its material's
// instance list; an object without a mesh or a material has none.
void QueueObject(VLM_OBJECT* object);
void UnqueueObject(VLM_OBJECT* object);

// For a material about to be released: its queue entries move to `to` as
// they are, and every object naming `from` names `to` (null: none) instead.
void MoveObjectsToMaterial(VLM_MATERIAL* from, VLM_MATERIAL* to);

}  // namespace vlm
