// Billboard groups: one quad drawn instanced at many places, each placed by
// its own matrix read from a buffer texture (VLM_PROGRAM_BILLBOARD).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "gpu/gl_state.h"
#include "render/effects.h"
#include "render/frame.h"
#include "render/frame_state.h"
#include "render/material_apply.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "render/targets.h"
#include "scene/entity.h"
#include "scene/entity_records.h"
#include "velmora/effects.h"
#include "velmora/mesh.h"
#include "velmora/scene.h"

namespace vlm::render {
namespace {

constexpr int kMaxBillboards = 65536;
constexpr int kTexelsPerBillboard = 4;

bool ValidMode(int mode) { return mode >= VLM_BILLBOARD_PLACED && mode <= VLM_BILLBOARD_FACING; }

bool FiniteMatrix(const m4f& m) {
  return std::all_of(std::begin(m.e), std::end(m.e), [](float v) { return std::isfinite(v); });
}

// The quad in the engine's 52-byte vertex layout, ordered for a triangle
// strip: bottom left, bottom right, top left, top right, facing +z.
void CreateQuad(VLM_BILLBOARD& group) {
  const float x = group.fWidth * 0.5f, y = group.fHeight * 0.5f;
  VLM_MESH_VERTEX quad[4] = {};
  const float corners[4][4] = {{-x, -y, 0, 1}, {x, -y, 1, 1}, {-x, y, 0, 0}, {x, y, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    quad[i].v4fPosition = v4f{corners[i][0], corners[i][1], 0.0f, 1.0f};
    quad[i].v3fNormal[2] = 1.0f;
    quad[i].v3fTangent[0] = 1.0f;
    quad[i].v2fTexCoord[0] = corners[i][2];
    quad[i].v2fTexCoord[1] = corners[i][3];
  }
  group.iQuadArray = gl::CreateVertexArray();
  gl::BindVertexArray(group.iQuadArray);
  group.iQuadBuffer = gl::CreateBuffer();
  gl::FillBuffer(GL_ARRAY_BUFFER, group.iQuadBuffer, sizeof quad, quad, GL_STATIC_DRAW);
  gl::DeclareAttributes(sizeof(VLM_MESH_VERTEX), {{0, 4, GL_FLOAT, 0},
                                                  {1, 3, GL_FLOAT, 16},
                                                  {6, 3, GL_FLOAT, 28},
                                                  {2, 2, GL_FLOAT, 40}});
  gl::BindVertexArray(0);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

void DeleteInstances(VLM_BILLBOARD& group) {
  gl::DeleteTexture(group.iInstanceTexture);
  gl::DeleteBuffer(group.iInstanceBuffer);
  group.iCapacity = 0;
}

// The matrices into the buffer texture, which grows to twice what it must
// hold when it is too small.
void Upload(VLM_BILLBOARD& group) {
  group.bChanged = false;
  const int count = static_cast<int>(group.aMatrices.size());
  if (count == 0) return;
  const auto bytes = static_cast<GLsizeiptr>(count) * static_cast<GLsizeiptr>(sizeof(m4f));
  if (count > group.iCapacity) {
    DeleteInstances(group);
    const int capacity = std::min(std::max(count, 2 * count), kMaxBillboards);
    GLuint buffer = 0, texture = 0;
    if (!gl::CreateTextureBuffer(static_cast<GLsizeiptr>(capacity) * static_cast<GLsizeiptr>(sizeof(m4f)),
                                 nullptr, GL_DYNAMIC_DRAW, GL_RGBA32F, &buffer, &texture))
      return;
    group.iInstanceBuffer = buffer;
    group.iInstanceTexture = texture;
    group.iCapacity = capacity;
  }
  gl::UpdateBuffer(GL_TEXTURE_BUFFER, group.iInstanceBuffer, 0, bytes, group.aMatrices.data());
  gl::BindBuffer(GL_TEXTURE_BUFFER, 0);
}

void DrawGroup(VLM_BILLBOARD& group, const m4f& view) {
  const VLM_MATERIAL* material = MaterialRegistry().Resolve(group.hMaterial);
  if (!material || !material->pShader || !group.iQuadArray) return;
  const VLM_SHADER& shader = *material->pShader;
  m4f world;
  VLM_EntityWorldMatrix(&world, &group, 1);
  const m4f modelView = Multiply(world, view);
  std::memcpy(&Shaders().buffers.model.data.mModelViewMatrix, &modelView, sizeof(m4f));
  UploadBlockRange(Block::kModel, 0, sizeof(m4f));
  gl::SetBlendFunction(material->iBlendSource, material->iBlendDestination);
  UseProgram(shader);
  if (shader.iProgramNumber == VLM_PROGRAM_BILLBOARD) {
    if (!group.iInstanceTexture) return;
    const VLM_TEXTURE* colour = material->apTextures[VLM_SLOT_COLOUR];
    if (!colour || !colour->iTexture) colour = TextureRegistry().Resolve(Render().defaults.texture);
    gl::BindTextureUnit(0, GL_TEXTURE_2D, colour ? colour->iTexture : 0);
    gl::BindTextureUnit(2, GL_TEXTURE_BUFFER, group.iInstanceTexture);
    gl::ActivateTextureUnit(0);
    SetUniform(shader, slot::kBillboardColorMap, "ColorMap", 0);
    SetUniform(shader, slot::kBillboardDepthMap, "DepthMap", 1);
    SetUniform(shader, slot::kBillboardInstances, "InstancesTextureBuffer", 2);
    SetUniform(shader, slot::kBillboardProjectionMode, "iProjectionMode", group.iProjectionMode);
  } else {
    ApplyMaterial(*material);
  }
  gl::BindVertexArray(group.iQuadArray);
  gl::DrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, static_cast<GLsizei>(group.aMatrices.size()));
  gl::BindVertexArray(0);
}

}  // namespace

void DrawBillboards(const m4f& view) {
  const std::vector<VLM_BILLBOARD*> groups = BillboardRegistry().Records();
  const bool any = std::any_of(groups.begin(), groups.end(),
                               [](const VLM_BILLBOARD* g) { return !g->aMatrices.empty(); });
  if (!any) return;
  gl::SetDepthWrites(false);
  SetAlphaTest(true);
  gl::SetCapability(GL_BLEND, true);
  // A quad is seen from both sides.
  gl::SetCapability(GL_CULL_FACE, false);
  gl::BindTextureUnit(1, GL_TEXTURE_2D, Targets().depthTexture);
  gl::ActivateTextureUnit(0);
  for (VLM_BILLBOARD* group : groups) {
    if (group->aMatrices.empty()) continue;
    if (group->bChanged) Upload(*group);
    if (group->iHidden) continue;
    DrawGroup(*group, view);
  }
  const RenderStateCache& cache = Render().cache;
  if (cache.cullFaces) gl::SetCapability(GL_CULL_FACE, true);
  gl::SetBlendFunction(static_cast<GLenum>(cache.blendSource), static_cast<GLenum>(cache.blendDestination));
  gl::SetDepthWrites(true);
}

}  // namespace vlm::render

namespace {

VLM_BILLBOARD* Group(VLM_HANDLE handle) { return vlm::BillboardRegistry().Resolve(handle); }

int RefuseIndex(const char* procedure) {
  vlm::Fail("Fail: There is no billboard of this index!", procedure);
  return 0;
}

}  // namespace

extern "C" {

VLM_BILLBOARD* VLM_CreateBillboardGroup(VLM_HANDLE id, VLM_HANDLE material, float width,
                                        float height, int projectionMode, const char* name) {
  constexpr const char* kProc = "VLM_CreateBillboardGroup";
  if (!vlm::MaterialRegistry().Resolve(material)) {
    vlm::Fail("Fail: A billboard group needs a material!", kProc);
    return nullptr;
  }
  if (!std::isfinite(width) || !std::isfinite(height) || width <= 0.0f || height <= 0.0f) {
    vlm::Fail("Fail: A billboard's width and height must be finite and positive!", kProc);
    return nullptr;
  }
  if (!vlm::render::ValidMode(projectionMode)) {
    vlm::Fail("Fail: Unknown billboard projection mode!", kProc);
    return nullptr;
  }
  VLM_BILLBOARD* group = VLM_CreateBillboardListEntry(&id, name ? name : "");
  if (!group) return nullptr;
  group->hMaterial = material;
  group->fWidth = width;
  group->fHeight = height;
  group->iProjectionMode = projectionMode;
  if (vlm::render::HasGL()) vlm::render::CreateQuad(*group);
  return group;
}

int VLM_AddBillboard(VLM_HANDLE handle, const m4f* matrix) {
  constexpr const char* kProc = "VLM_AddBillboard";
  VLM_BILLBOARD* group = Group(handle);
  if (!group) return -1;
  if (!matrix || !vlm::render::FiniteMatrix(*matrix)) {
    vlm::Fail("Fail: A billboard needs a finite matrix!", kProc);
    return -1;
  }
  if (static_cast<int>(group->aMatrices.size()) >= vlm::render::kMaxBillboards) {
    vlm::Fail("Fail: The billboard group is full!", kProc);
    return -1;
  }
  group->aMatrices.push_back(*matrix);
  group->bChanged = true;
  return static_cast<int>(group->aMatrices.size()) - 1;
}

int VLM_SetBillboard(VLM_HANDLE handle, int index, const m4f* matrix) {
  constexpr const char* kProc = "VLM_SetBillboard";
  VLM_BILLBOARD* group = Group(handle);
  if (!group) return 0;
  if (index < 0 || index >= static_cast<int>(group->aMatrices.size())) return RefuseIndex(kProc);
  if (!matrix || !vlm::render::FiniteMatrix(*matrix)) {
    vlm::Fail("Fail: A billboard needs a finite matrix!", kProc);
    return 0;
  }
  group->aMatrices[static_cast<size_t>(index)] = *matrix;
  group->bChanged = true;
  return 1;
}

int VLM_RemoveBillboard(VLM_HANDLE handle, int index) {
  VLM_BILLBOARD* group = Group(handle);
  if (!group) return 0;
  if (index < 0 || index >= static_cast<int>(group->aMatrices.size()))
    return RefuseIndex("VLM_RemoveBillboard");
  group->aMatrices.erase(group->aMatrices.begin() + index);
  group->bChanged = true;
  return 1;
}

int VLM_CountBillboards(VLM_HANDLE handle) {
  const VLM_BILLBOARD* group = Group(handle);
  return group ? static_cast<int>(group->aMatrices.size()) : 0;
}

int VLM_ShowBillboards(VLM_HANDLE handle, int shown) {
  VLM_BILLBOARD* group = Group(handle);
  if (!group) return 0;
  group->iHidden = shown ? 0 : 1;
  return 1;
}

int VLM_SetBillboardProjection(VLM_HANDLE handle, int projectionMode) {
  VLM_BILLBOARD* group = Group(handle);
  if (!group) return 0;
  if (!vlm::render::ValidMode(projectionMode)) {
    vlm::Fail("Fail: Unknown billboard projection mode!", "VLM_SetBillboardProjection");
    return 0;
  }
  group->iProjectionMode = projectionMode;
  return 1;
}

int VLM_FreeBillboard(VLM_HANDLE handle) {
  VLM_BILLBOARD* group = Group(handle);
  if (!group) return 0;
  vlm::DetachChildren(group);
  vlm::render::DeleteInstances(*group);
  vlm::gl::DeleteVertexArray(group->iQuadArray);
  vlm::gl::DeleteBuffer(group->iQuadBuffer);
  vlm::BillboardRegistry().Remove(group);
  return 1;
}

}  // extern "C"
