// Objects: creation with the default material, instancing, the render
// queue, placement and release.
#include "scene/object.h"

#include <algorithm>
#include <new>

#include "core/engine_state.h"
#include "core/fail.h"
#include "core/registries.h"
#include "gpu/gl_objects.h"
#include "mesh/mesh_release.h"
#include "scene/entity.h"
#include "velmora/core.h"
#include "velmora/math.h"
#include "velmora/registry.h"
#include "velmora/texture.h"

namespace vlm {

namespace {

// 2^20 instances keep 320 MiB of arrays; far beyond what one draw call is
// meant for, and small enough that the byte counts never overflow.
constexpr int kMaxInstances = 1 << 20;
constexpr int kTexelsPerInstance = static_cast<int>(sizeof(VLM_INSTANCE_TEXELS) / 16);

const m4f kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

void DeleteInstanceGL(VLM_OBJECT* object) {
  if (Engine().hasGL) {
    GLuint texture = object->iInstanceTexture;
    GLuint buffer = object->iInstanceBuffer;
    gl::DeleteTexture(texture);
    gl::DeleteBuffer(buffer);
  }
  object->iInstanceTexture = 0;
  object->iInstanceBuffer = 0;
}

// Back to a single object: no arrays, no GL objects.
void DropInstances(VLM_OBJECT* object) {
  DeleteInstanceGL(object);
  object->pInstanceMatrices.reset();
  object->pInstanceData.reset();
  object->iInstanceCount = 1;
}

// Refuses a count the arrays or a buffer texture cannot hold.
bool InstanceCountFits(int instances, const char* procedure) {
  if (instances <= 1) return true;
  bool fits = instances <= kMaxInstances;
  if (fits && Engine().hasGL) {
    const GLint texels = gl::MaxTextureBufferTexels();
    fits = texels > 0 && static_cast<int64_t>(instances) * kTexelsPerInstance <= texels;
  }
  if (!fits) Fail("Fail: Too many instances for one object!", procedure);
  return fits;
}

// Every instance starts where the object is, white, unscaled; the buffer
// texture gets their matrices and colours.
bool MakeInstances(VLM_OBJECT* object, int instances, const char* procedure) {
  DropInstances(object);
  if (instances <= 1) return true;
  const auto count = static_cast<size_t>(instances);
  std::unique_ptr<VLM_OBJECT_INSTANCE[]> matrices(new (std::nothrow) VLM_OBJECT_INSTANCE[count]);
  std::unique_ptr<VLM_INSTANCE_TEXELS[]> texels(new (std::nothrow) VLM_INSTANCE_TEXELS[count]);
  if (!matrices || !texels) {
    Fail("Fail: Out of memory!", procedure);
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    matrices[i] = VLM_OBJECT_INSTANCE{{0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1, 0}, {1, 1, 1, 1},
                                      kIdentity,    kIdentity,    {}};
    texels[i] = VLM_INSTANCE_TEXELS{kIdentity, {1, 1, 1, 1}};
  }
  if (Engine().hasGL) {
    GLuint buffer = 0, texture = 0;
    if (!gl::CreateTextureBuffer(static_cast<GLsizeiptr>(count * sizeof(VLM_INSTANCE_TEXELS)), texels.get(),
                                 GL_STATIC_DRAW, GL_RGBA32F, &buffer, &texture)) {
      Fail("Fail: No texture buffers on this GL context!", procedure);
      return false;
    }
    object->iInstanceBuffer = buffer;
    object->iInstanceTexture = texture;
  }
  object->pInstanceMatrices = std::move(matrices);
  object->pInstanceData = std::move(texels);
  object->iInstanceCount = instances;
  return true;
}

// A released mesh leaves no object pointing at it, and no queue entry
// naming it.
void ForgetMesh(const VLM_MESH* mesh) {
  ObjectRegistry().ForEach([mesh](VLM_OBJECT* object) {
    if (object->pMesh != mesh) return;
    UnqueueObject(object);
    object->pMesh = nullptr;
  });
}

// The engine's default material, or null while there is none.
VLM_MATERIAL* DefaultObjectMaterial() {
  const VLM_HANDLE handle = VLM_GetDefaultResource(VLM_RESOURCE_MATERIAL);
  return handle ? MaterialRegistry().Resolve(handle) : nullptr;
}

// The material an object gets for a handle: -1 the default; a handle that
// names no material falls back to the default too, with a notice.
VLM_MATERIAL* MaterialFor(VLM_HANDLE handle, const char* procedure) {
  if (handle == -1) return DefaultObjectMaterial();
  VLM_MATERIAL* material = MaterialRegistry().Resolve(handle);
  if (material) return material;
  VLM_LogMessage("Info: Material not found, the object uses the default material!", VLM_COLOR_NOTICE, 0, "",
                 procedure);
  return DefaultObjectMaterial();
}

VLM_MESH* MeshFor(VLM_HANDLE handle, const char* procedure) {
  VLM_MESH* mesh = MeshRegistry().Resolve(handle);
  if (!mesh) {
    VLM_LogMessage("Info: Mesh not found, the object has no mesh!", VLM_COLOR_NOTICE, 0, "", procedure);
  }
  return mesh;
}

int SetRenderSwitch(VLM_HANDLE handle, int which, int on) {
  VLM_OBJECT* object = ObjectRegistry().Resolve(handle);
  if (!object) return 0;
  object->aiRenderSwitch[which] = on ? 1 : 0;
  return 1;
}

// A change of mesh or material: the queue entry leaves and comes back
// under the new pair. 1 when the change left the object with what it was
// given, else 0.
template <class Change>
int Requeue(VLM_HANDLE handle, Change&& change) {
  VLM_OBJECT* object = ObjectRegistry().Resolve(handle);
  if (!object) return 0;
  UnqueueObject(object);
  const bool given = change(object);
  QueueObject(object);
  return given ? 1 : 0;
}

}  // namespace

void QueueObject(VLM_OBJECT* object) {
  if (!object->pMaterial || !object->pMesh) return;
  auto& instances = object->pMaterial->instances;
  object->iQueueSlot = instances.size();
  instances.push_back(MeshInstance{object, object->pMesh});
}

void UnqueueObject(VLM_OBJECT* object) {
  if (!object->pMaterial) return;
  auto& instances = object->pMaterial->instances;
  size_t slot = object->iQueueSlot;
  if (slot >= instances.size() || instances[slot].object != object) {
    // Someone else reordered the list: look for the entry.
    auto it = std::find_if(instances.begin(), instances.end(),
                           [object](const MeshInstance& entry) { return entry.object == object; });
    if (it == instances.end()) return;
    slot = static_cast<size_t>(it - instances.begin());
  }
  // The last entry takes the freed place; the order within a material does
  // not matter to the renderer.
  if (slot + 1 != instances.size()) {
    instances[slot] = instances.back();
    if (instances[slot].object) instances[slot].object->iQueueSlot = slot;
  }
  instances.pop_back();
}

void MoveObjectsToMaterial(VLM_MATERIAL* from, VLM_MATERIAL* to) {
  if (!from || from == to) return;
  if (to) {
    for (const MeshInstance& entry : from->instances) {
      if (!entry.object || entry.object->pMaterial != from) continue;
      entry.object->iQueueSlot = to->instances.size();
      to->instances.push_back(entry);
    }
  }
  from->instances.clear();
  // Objects without a mesh have no entry but name the material all the same.
  ObjectRegistry().ForEach([from, to](VLM_OBJECT* object) {
    if (object->pMaterial == from) object->pMaterial = to;
  });
}

void ResetObjects() { ObjectRegistry().ReleaseAll(); }

}  // namespace vlm

extern "C" {

VLM_OBJECT* VLM_CreateObject(VLM_HANDLE id, VLM_HANDLE mesh, VLM_HANDLE material, int instances,
                             const char* name) {
  constexpr const char* kProc = "VLM_CreateObject";
  if (!vlm::InstanceCountFits(instances, kProc)) return nullptr;
  VLM_OBJECT* object = VLM_CreateObjectListEntry(&id, name ? name : "");
  if (!object) return nullptr;
  // Objects must hear of released meshes from now on.
  vlm::SetMeshReleaseHook(vlm::ForgetMesh);
  object->header.iKind = VLM_ENTITY_OBJECT;
  object->aiRenderSwitch[0] = 1;
  object->aiRenderSwitch[1] = 1;
  object->iInstanceCount = 1;
  object->pMesh = vlm::MeshFor(mesh, kProc);
  object->pMaterial = vlm::MaterialFor(material, kProc);
  if (!vlm::MakeInstances(object, instances, kProc)) {
    VLM_FreeObject(id);
    return nullptr;
  }
  vlm::QueueObject(object);
  return object;
}

int VLM_SetObjectInstances(VLM_HANDLE handle, int instances) {
  constexpr const char* kProc = "VLM_SetObjectInstances";
  VLM_OBJECT* object = vlm::ObjectRegistry().Resolve(handle);
  if (!object || !vlm::InstanceCountFits(instances, kProc)) return 0;
  // On a failure the object is left single rather than half instanced.
  return vlm::MakeInstances(object, instances, kProc) ? object->iInstanceCount : 0;
}

int VLM_SetObjectMaterial(VLM_HANDLE handle, VLM_HANDLE material) {
  return vlm::Requeue(handle, [material](VLM_OBJECT* object) {
    object->pMaterial = vlm::MaterialFor(material, "VLM_SetObjectMaterial");
    return object->pMaterial != nullptr;
  });
}

int VLM_SetObjectMesh(VLM_HANDLE handle, VLM_HANDLE mesh) {
  return vlm::Requeue(handle, [mesh](VLM_OBJECT* object) {
    object->pMesh = vlm::MeshFor(mesh, "VLM_SetObjectMesh");
    return object->pMesh != nullptr;
  });
}

int VLM_CountObjects(void) { return static_cast<int>(vlm::ObjectRegistry().Count()); }

int VLM_SetObjectVisible(VLM_HANDLE handle, int visible) { return vlm::SetRenderSwitch(handle, 0, visible); }

int VLM_SetObjectShadow(VLM_HANDLE handle, int castsShadow) { return vlm::SetRenderSwitch(handle, 1, castsShadow); }

int VLM_ObjectPosition(VLM_HANDLE handle, const v4f* vector, int mode) {
  return vlm::PlacePosition(vlm::ObjectRegistry().Resolve(handle), vector, mode, "VLM_ObjectPosition");
}

int VLM_ObjectRotation(VLM_HANDLE handle, float ax, float ay, float az, int mode) {
  return vlm::PlaceRotation(vlm::ObjectRegistry().Resolve(handle), ax, ay, az, mode, "VLM_ObjectRotation");
}

int VLM_ObjectScale(VLM_HANDLE handle, float x, float y, float z, int mode) {
  return vlm::PlaceScale(vlm::ObjectRegistry().Resolve(handle), x, y, z, mode, "VLM_ObjectScale");
}

int VLM_FreeObject(VLM_HANDLE handle) {
  auto& registry = vlm::ObjectRegistry();
  auto* record = registry.Resolve(handle);
  if (!record) return 0;
  vlm::UnqueueObject(record);
  vlm::DeleteInstanceGL(record);
  // Whatever hangs on the object lets go of it.
  vlm::DetachChildren(record);
  registry.Remove(record);  // the instance arrays go with the record
  return 1;
}

}  // extern "C"
