// Telling the users of a mesh that it goes away.
#pragma once

#include "mesh/mesh_record.h"

namespace vlm {

// Called with a mesh record just before it is released, so that whatever
// draws it lets go of it. The scene installs it (objects forget the mesh and
// leave the render queue); null calls nothing.
using MeshReleaseHook = void (*)(const VLM_MESH* mesh);
void SetMeshReleaseHook(MeshReleaseHook hook);

}  // namespace vlm
