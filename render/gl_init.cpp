// The renderer's global GL objects: created at start-up, deleted at shutdown.
#include "render/gl_init.h"

#include <cstdio>
#include <string>
#include <vector>

#include "gpu/gl_context.h"
#include "gpu/gl_objects.h"
#include "render/render_state.h"
#include "velmora/core.h"

namespace vlm::gl {
namespace {

constexpr const char* kProc = "VLM_Init";

}  // namespace

void CreateDepthFramebuffer() {
  if (!HasFunctions(kProc, {"glGenRenderbuffers", "glBindRenderbuffer", "glGenFramebuffers",
                            "glBindFramebuffer", "glFramebufferRenderbuffer"}))
    return;
  RenderState& render = Render();
  const GLuint renderbuffer = CreateRenderbuffer();
  const GLuint framebuffer = CreateFramebuffer();
  AttachRenderbuffer(framebuffer, GL_DEPTH_ATTACHMENT, renderbuffer);
  render.depthRenderbuffer = renderbuffer;
  render.depthFramebuffer = framebuffer;
}

void CreateQuadBatch() {
  if (!HasFunctions(kProc, {"glGenBuffers", "glBindBuffer", "glBufferData"})) return;
  QuadBatch& batch = Render().quadBatch;
  std::vector<GLuint> indices;
  indices.reserve(QuadBatch::kQuads * 6);
  for (GLuint i = 0; i < QuadBatch::kQuads; ++i) {
    const GLuint base = 4 * i;
    for (GLuint corner : {3u, 1u, 0u, 3u, 2u, 1u}) indices.push_back(base + corner);
  }
  const GLuint elements = CreateBuffer();
  const GLuint vertices = CreateBuffer();
  // Uploaded through the array target: binding an element buffer needs a
  // vertex array on a core context, and buffers have no fixed target.
  FillBuffer(GL_ARRAY_BUFFER, elements, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
             indices.data(), GL_STATIC_DRAW);
  FillBuffer(GL_ARRAY_BUFFER, vertices, QuadBatch::kQuads * 4 * QuadBatch::kVertexBytes, nullptr,
             GL_DYNAMIC_DRAW);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
  BindVertexArray(0);
  batch.elementBuffer = elements;
  batch.vertexBuffer = vertices;
}

void CreateQuadGrid() {
  if (!HasFunctions(kProc, {"glGenBuffers", "glBindBuffer", "glBufferData"})) return;
  std::vector<GLuint> indices;
  indices.reserve(QuadGrid::kIndices);
  for (GLuint r = 0; r < 3; ++r) {
    for (GLuint c = 0; c < 3; ++c) {
      for (GLuint index : {4 * (r + 1) + c, 4 * r + c + 1, 4 * r + c, 4 * (r + 1) + c,
                           4 * (r + 1) + c + 1, 4 * r + c + 1})
        indices.push_back(index);
    }
  }
  const GLuint elements = CreateBuffer();
  const GLuint vertices = CreateBuffer();
  FillBuffer(GL_ARRAY_BUFFER, elements, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
             indices.data(), GL_STATIC_DRAW);
  FillBuffer(GL_ARRAY_BUFFER, vertices, QuadGrid::kVertices * QuadBatch::kVertexBytes, nullptr,
             GL_DYNAMIC_DRAW);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
  Render().quadGrid = {elements, vertices};
}

void DeleteGlobalObjects() {
  RenderState& render = Render();
  GLuint gridElements = render.quadGrid.elementBuffer, gridVertices = render.quadGrid.vertexBuffer;
  DeleteBuffer(gridElements);
  DeleteBuffer(gridVertices);
  render.quadGrid = QuadGrid{};
  QuadBatch& batch = render.quadBatch;
  GLuint elements = batch.elementBuffer, vertices = batch.vertexBuffer, array = batch.vertexArray;
  DeleteVertexArray(array);
  DeleteBuffer(elements);
  DeleteBuffer(vertices);
  batch = QuadBatch{};
  GLuint framebuffer = render.depthFramebuffer, renderbuffer = render.depthRenderbuffer;
  DeleteFramebuffer(framebuffer);
  DeleteRenderbuffer(renderbuffer);
  render.depthFramebuffer = 0;
  render.depthRenderbuffer = 0;
}

}  // namespace vlm::gl

namespace vlm::render {

namespace {

// What llvmpipe draws at about the cost of no anisotropic filtering (the
// demo's start view: 8 took most of the frame, a close slab a minute).
constexpr float kSoftwareAnisotropy = 1.0f;

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

}  // namespace

void FitAnisotropyToRenderer() {
  const std::string software = gl::SoftwareRasteriserName(gl::RendererText());
  float& maximum = Render().maxAnisotropy;
  if (software.empty() || maximum <= kSoftwareAnisotropy) return;
  const std::string row = "Info: Software rasteriser (" + software + "): maximum anisotropy lowered from " +
                          Number(maximum) + " to " + Number(kSoftwareAnisotropy);
  VLM_LogMessage(row.c_str(), VLM_COLOR_NOTICE, 0, "", "VLM_Init");
  maximum = kSoftwareAnisotropy;
}

}  // namespace vlm::render
