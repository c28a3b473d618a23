// Ribbons: trail meshes that follow an entity, drawn by their own object.
#include "scene/ribbon.h"

#include <cmath>

#include "core/fail.h"
#include "core/registries.h"
#include "scene/entity.h"
#include "scene/entity_records.h"
#include "velmora/effects.h"
#include "velmora/math.h"
#include "velmora/mesh.h"
#include "velmora/scene.h"

namespace vlm {
namespace {

constexpr const char* kCreateProc = "VLM_CreateRibbon";
constexpr int kMaxSegments = 65535;

// Pair 0 at the ribbon's world position, across its world x axis; with
// `all` every pair (the first step of a new trail).
void LayHead(VLM_RIBBON& ribbon, VLM_HANDLE mesh, bool all) {
  m4f world;
  VLM_EntityWorldMatrix(&world, &ribbon, 1);
  const v4f p{world.e[12], world.e[13], world.e[14], 1.0f};
  v4f w{1.0f, 0.0f, 0.0f, 0.0f};
  VLM_v4fTransform(&w, &world);
  const float half = ribbon.fWidth * 0.5f;
  const v4f left{p.x - w.x * half, p.y - w.y * half, p.z - w.z * half, 1.0f};
  const v4f right{p.x + w.x * half, p.y + w.y * half, p.z + w.z * half, 1.0f};
  const int32_t pairs = all ? ribbon.iSegments + 1 : 1;
  for (int32_t pair = 0; pair < pairs; ++pair) {
    VLM_GetMeshVertex(mesh, 2 * pair)->v4fPosition = left;
    VLM_GetMeshVertex(mesh, 2 * pair + 1)->v4fPosition = right;
  }
}

void Advance(VLM_RIBBON& ribbon, double elapsed) {
  const VLM_HANDLE mesh = ribbon.hMesh;
  if (!MeshRegistry().Resolve(mesh) || VLM_GetMeshVertexCount(mesh) != 2 * ribbon.iSegments + 2) return;
  if (ribbon.bLaid &&
      !(ribbon.dLastUpdate + static_cast<double>(ribbon.fDuration) / ribbon.iSegments < elapsed))
    return;
  if (ribbon.bLaid) {
    // Tail first, so that every pair moves before it is overwritten.
    for (int32_t pair = ribbon.iSegments; pair >= 1; --pair) {
      VLM_GetMeshVertex(mesh, 2 * pair)->v4fPosition = VLM_GetMeshVertex(mesh, 2 * pair - 2)->v4fPosition;
      VLM_GetMeshVertex(mesh, 2 * pair + 1)->v4fPosition =
          VLM_GetMeshVertex(mesh, 2 * pair - 1)->v4fPosition;
    }
  }
  LayHead(ribbon, mesh, !ribbon.bLaid);
  ribbon.bLaid = true;
  VLM_UpdateMesh(mesh);
  ribbon.dLastUpdate = elapsed;
}

// The trail mesh: texture u = pair / segments, v = 1 on odd vertices;
// triangles (2s-2, 2s-1, 2s) and (2s-1, 2s+1, 2s) for s = 1 .. segments.
VLM_HANDLE BuildMesh(int32_t segments) {
  const auto mesh = reinterpret_cast<VLM_HANDLE>(VLM_CreateMesh(-1, ""));
  if (!mesh) return 0;
  const int32_t vertices = 2 * segments + 2;
  VLM_SetMeshVertexCount(mesh, vertices);
  VLM_SetMeshTriangleCount(mesh, 2 * segments);
  for (int32_t i = 0; i < vertices; ++i) {
    VLM_SetMeshVertexPosition(mesh, i, 0.0f, 0.0f, 0.0f, 1.0f);
    VLM_SetMeshVertexNormal(mesh, i, 0.0f, 1.0f, 0.0f);
    VLM_SetMeshVertexTexCoord(mesh, i, static_cast<float>(i / 2) / static_cast<float>(segments),
                              (i % 2) ? 1.0f : 0.0f);
  }
  for (int32_t s = 1; s <= segments; ++s) {
    VLM_SetMeshTriangle(mesh, 2 * s - 2, 2 * s - 2, 2 * s - 1, 2 * s);
    VLM_SetMeshTriangle(mesh, 2 * s - 1, 2 * s - 1, 2 * s + 1, 2 * s);
  }
  VLM_FinishMesh(mesh);
  return mesh;
}

}  // namespace

void AdvanceRibbons(double elapsedSeconds) {
  RibbonRegistry().ForEach([elapsedSeconds](VLM_RIBBON* ribbon) { Advance(*ribbon, elapsedSeconds); });
}

}  // namespace vlm

extern "C" {

VLM_RIBBON* VLM_CreateRibbon(VLM_HANDLE id, VLM_HANDLE material, float width, int segments,
                             const char* name) {
  if (segments < 1 || segments > vlm::kMaxSegments) {
    vlm::Fail("Fail: A ribbon needs 1 to 65535 segments!", vlm::kCreateProc);
    return nullptr;
  }
  if (!std::isfinite(width)) {
    vlm::Fail("Fail: The ribbon's width must be finite!", vlm::kCreateProc);
    return nullptr;
  }
  VLM_RIBBON* ribbon = VLM_CreateRibbonListEntry(&id, name ? name : "");
  if (!ribbon) return nullptr;
  ribbon->fWidth = width;
  ribbon->iSegments = segments;
  // Mesh and object go unnamed: a ribbon's name must not replace a mesh or
  // an object of the same name.
  const VLM_HANDLE mesh = vlm::BuildMesh(segments);
  VLM_OBJECT* object = mesh ? VLM_CreateObject(-1, mesh, material, 1, "") : nullptr;
  if (!object) {
    if (mesh) VLM_FreeMesh(mesh);
    vlm::RibbonRegistry().Remove(ribbon);
    vlm::Fail("Fail: The ribbon's mesh or object cannot be made!", vlm::kCreateProc);
    return nullptr;
  }
  ribbon->hMesh = mesh;
  ribbon->hObject = reinterpret_cast<VLM_HANDLE>(object);
  VLM_SetObjectShadow(ribbon->hObject, 0);
  return ribbon;
}

int VLM_RibbonDuration(VLM_HANDLE handle, float seconds) {
  VLM_RIBBON* ribbon = vlm::RibbonRegistry().Resolve(handle);
  if (!ribbon) return 0;
  if (!std::isfinite(seconds) || seconds <= 0.0f) {
    vlm::Fail("Fail: A ribbon's duration must be finite and positive!", "VLM_RibbonDuration");
    return 0;
  }
  ribbon->fDuration = seconds;
  return 1;
}

VLM_MESH* VLM_GetRibbonMesh(VLM_HANDLE handle) {
  const VLM_RIBBON* ribbon = vlm::RibbonRegistry().Resolve(handle);
  return ribbon ? vlm::MeshRegistry().Resolve(ribbon->hMesh) : nullptr;
}

VLM_OBJECT* VLM_GetRibbonObject(VLM_HANDLE handle) {
  const VLM_RIBBON* ribbon = vlm::RibbonRegistry().Resolve(handle);
  return ribbon ? vlm::ObjectRegistry().Resolve(ribbon->hObject) : nullptr;
}

int VLM_FreeRibbon(VLM_HANDLE handle) {
  VLM_RIBBON* ribbon = vlm::RibbonRegistry().Resolve(handle);
  if (!ribbon) return 0;
  vlm::DetachChildren(ribbon);
  // Handles, resolved again: the user may have released either already.
  // A bare registry entry has none (0 would name ID 0 of the user's).
  if (ribbon->hObject) VLM_FreeObject(ribbon->hObject);
  if (ribbon->hMesh) VLM_FreeMesh(ribbon->hMesh);
  vlm::RibbonRegistry().Remove(ribbon);
  return 1;
}

}  // extern "C"
