// GL objects of an emitter: one vertex array reading a static quad in the
// mesh vertex format and the per-particle instance buffer.
#include <cstddef>

#include "core/engine_state.h"
#include "gpu/gl_objects.h"
#include "particles/particle_internal.h"
#include "velmora/mesh.h"

namespace vlm::particles {
namespace {

// A unit quad centred on the origin in triangle-strip order; the shader
// scales its corners by the particle size, so size is the edge length.
// Texture rows run top-down, so the lower corners take v = 1.
constexpr VLM_MESH_VERTEX kQuad[4] = {
    {{-0.5f, -0.5f, 0.0f, 1.0f}, {0, 0, 1}, {1, 0, 0}, {0, 1}, 0},
    {{0.5f, -0.5f, 0.0f, 1.0f}, {0, 0, 1}, {1, 0, 0}, {1, 1}, 0},
    {{-0.5f, 0.5f, 0.0f, 1.0f}, {0, 0, 1}, {1, 0, 0}, {0, 0}, 0},
    {{0.5f, 0.5f, 0.0f, 1.0f}, {0, 0, 1}, {1, 0, 0}, {1, 0}, 0},
};
static_assert(sizeof(kQuad) == 208, "four 52-byte mesh vertices");

bool HasGL() { return Engine().hasGL && gl::HasVertexArrayFunctions(); }

GLsizeiptr InstanceBytes(const VLM_PARTICLE_EMITTER& emitter) {
  return static_cast<GLsizeiptr>(emitter.iMaxDrawn) * static_cast<GLsizeiptr>(sizeof(ParticleInstance));
}

}  // namespace

void CreateEmitterGL(VLM_PARTICLE_EMITTER& emitter) {
  if (!HasGL()) return;
  emitter.iVertexArray = gl::CreateVertexArray();
  emitter.iQuadBuffer = gl::CreateBuffer();
  emitter.iInstanceBuffer = gl::CreateBuffer();
  gl::BindVertexArray(emitter.iVertexArray);
  gl::FillBuffer(GL_ARRAY_BUFFER, emitter.iQuadBuffer, sizeof(kQuad), kQuad, GL_STATIC_DRAW);
  gl::DeclareAttributes(sizeof(VLM_MESH_VERTEX),
                        {{VLM_ATTRIB_VERTEX, 4, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v4fPosition)},
                         {VLM_ATTRIB_NORMAL, 3, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v3fNormal)},
                         {VLM_ATTRIB_TANGENT, 3, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v3fTangent)},
                         {VLM_ATTRIB_TEXCOORD0, 2, GL_FLOAT, offsetof(VLM_MESH_VERTEX, v2fTexCoord)}});
  gl::FillBuffer(GL_ARRAY_BUFFER, emitter.iInstanceBuffer, InstanceBytes(emitter), nullptr, GL_STREAM_DRAW);
  gl::DeclareInstanceAttributes(sizeof(ParticleInstance),
                                {{7, 4, GL_FLOAT, offsetof(ParticleInstance, v4fPosition)},
                                 {4, 4, GL_FLOAT, offsetof(ParticleInstance, v4fColor)},
                                 {8, 1, GL_FLOAT, offsetof(ParticleInstance, fSize)},
                                 {9, 1, GL_FLOAT, offsetof(ParticleInstance, fRotation)}});
  gl::BindVertexArray(0);
}

void ResizeInstanceBuffer(VLM_PARTICLE_EMITTER& emitter) {
  if (!HasGL() || !emitter.iInstanceBuffer) return;
  // The vertex array reads the buffer by name, so new storage needs no
  // new attribute pointers.
  gl::FillBuffer(GL_ARRAY_BUFFER, emitter.iInstanceBuffer, InstanceBytes(emitter), nullptr, GL_STREAM_DRAW);
}

void UploadInstances(VLM_PARTICLE_EMITTER& emitter) {
  if (!HasGL() || !emitter.iInstanceBuffer || emitter.iDrawn <= 0) return;
  gl::UpdateBuffer(GL_ARRAY_BUFFER, emitter.iInstanceBuffer, 0,
                   static_cast<GLsizeiptr>(emitter.iDrawn) * static_cast<GLsizeiptr>(sizeof(ParticleInstance)),
                   emitter.aInstances.data());
}

void DeleteEmitterGL(VLM_PARTICLE_EMITTER& emitter) {
  if (Engine().hasGL) {
    GLuint array = emitter.iVertexArray;
    GLuint quad = emitter.iQuadBuffer;
    GLuint instances = emitter.iInstanceBuffer;
    gl::DeleteVertexArray(array);
    gl::DeleteBuffer(quad);
    gl::DeleteBuffer(instances);
  }
  emitter.iVertexArray = 0;
  emitter.iQuadBuffer = 0;
  emitter.iInstanceBuffer = 0;
}

}  // namespace vlm::particles
