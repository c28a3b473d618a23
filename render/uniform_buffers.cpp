// Uniform buffers: creation with the driver's limits in the log, the
// Projection defaults, and uploads of the CPU copies.
#include "render/uniform_buffers.h"

#include <cmath>
#include <cstring>
#include <string>

#include "gpu/gl_objects.h"
#include "gpu/gl_table.h"
#include "render/shader_state.h"
#include "scene/scene_state.h"
#include "velmora/core.h"
#include "velmora/math.h"
#include "velmora/shader.h"

namespace vlm::render {
namespace {

constexpr const char* kProc = "VLM_InitShaderBuffers";

UniformBuffers& Buffers() { return Shaders().buffers; }

bool HasBufferFunctions(const char* procedure) {
  return gl::HasFunctions(procedure, {"glGenBuffers", "glBindBuffer", "glBufferData",
                                      "glBufferSubData", "glBindBufferBase"});
}

void FillHeader(UniformBufferHeader& header, int binding, const char* name, int size) {
  header.iBinding = binding;
  header.sName = name;
  header.iSize = size;
  header.iReserved[0] = header.iReserved[1] = 0;
  header.iSizeAgain = size;
}

// A fresh buffer of `size` bytes (contents optional) bound to `binding`.
// A buffer left from an earlier start-up is reused, not leaked.
uint32_t CreateBuffer(UniformBufferHeader& header, const void* contents, GLenum usage) {
  GLuint buffer = header.iBuffer;
  if (buffer == 0) vlmgl.glGenBuffers(1, &buffer);
  gl::BindBuffer(GL_UNIFORM_BUFFER, buffer);
  vlmgl.glBufferData(GL_UNIFORM_BUFFER, header.iSize, contents, usage);
  vlmgl.glBindBufferBase(GL_UNIFORM_BUFFER, static_cast<GLuint>(header.iBinding), buffer);
  gl::BindBuffer(GL_UNIFORM_BUFFER, 0);
  header.iBuffer = buffer;
  return buffer;
}

void LogLimit(const char* text, GLenum name, const char* unit = "") {
  GLint value = 0;
  vlmgl.glGetIntegerv(name, &value);
  const std::string row = text + std::to_string(value) + unit;
  VLM_LogMessage(row.c_str(), VLM_COLOR_INFO, 0, "", kProc);
}

// "OK" when the buffer exists. (A zero name means glGenBuffers gave none;
// reporting it as a success would hide the failure.)
void LogBufferRow(const char* label, uint32_t buffer) {
  VLM_LogMessage(label, VLM_COLOR_INFO, 0, "", kProc);
  if (buffer != 0) {
    VLM_LogMessage("OK", 0xFF11u, 0, "", kProc);
  } else {
    VLM_LogMessage("FAIL", 0xFFu, 0, "", kProc);
  }
}

}  // namespace

UniformBufferHeader& Header(Block block) {
  UniformBuffers& b = Buffers();
  switch (block) {
    case Block::kProjection: return b.projection.header;
    case Block::kModel: return b.model.header;
    case Block::kMaterial: return b.material.header;
    case Block::kLight: return b.light.header;
    case Block::kMisc: break;
  }
  return b.misc.header;
}

void* BlockData(Block block) {
  UniformBuffers& b = Buffers();
  switch (block) {
    case Block::kProjection: return &b.projection.data;
    case Block::kModel: return &b.model.data;
    case Block::kMaterial: return &b.material.data;
    case Block::kLight: return &b.light.data;
    case Block::kMisc: break;
  }
  return &b.misc.data;
}

uint32_t BlockBuffer(Block block) { return Header(block).iBuffer; }

int BuilderBlockBinding(const char* name) {
  if (!name) return -1;
  static constexpr struct {
    const char* name;
    Block block;
  } kBlocks[] = {{"Projection", Block::kProjection},
                 {"Model", Block::kModel},
                 {"Material", Block::kMaterial},
                 {"Misc", Block::kMisc}};
  for (const auto& b : kBlocks)
    if (std::strcmp(name, b.name) == 0) return static_cast<int>(b.block);
  return -1;
}

bool UploadBlockRange(Block block, size_t offset, size_t bytes) {
  constexpr const char* kUpload = "VLM_UploadShaderBuffer";
  const UniformBufferHeader& header = Header(block);
  const size_t size = static_cast<size_t>(header.iSize > 0 ? header.iSize : 0);
  if (header.iBuffer == 0 || offset > size || bytes > size - offset) {
    VLM_LogMessage("Fail: The uniform buffer range does not exist!", VLM_COLOR_FAIL, 0, "",
                   kUpload);
    return false;
  }
  if (bytes == 0) return true;
  // Runs before every draw: the slots are checked directly, by name (and
  // with a row) only when one is missing.
  if ((!vlmgl.glBindBuffer || !vlmgl.glBufferSubData) &&
      !gl::HasFunctions(kUpload, {"glBindBuffer", "glBufferSubData"}))
    return false;
  gl::BindBuffer(GL_UNIFORM_BUFFER, header.iBuffer);
  vlmgl.glBufferSubData(GL_UNIFORM_BUFFER, static_cast<GLintptr>(offset),
                        static_cast<GLsizeiptr>(bytes), static_cast<const char*>(BlockData(block)) + offset);
  gl::BindBuffer(GL_UNIFORM_BUFFER, 0);
  return true;
}

void DeleteUniformBuffers() {
  for (int i = 0; i < kBlockCount; ++i) {
    UniformBufferHeader& header = Header(static_cast<Block>(i));
    if (header.iBuffer != 0 && vlmgl.glDeleteBuffers) {
      const GLuint buffer = header.iBuffer;
      vlmgl.glDeleteBuffers(1, &buffer);
    }
    header.iBuffer = 0;
  }
}

}  // namespace vlm::render

extern "C" {

int VLM_InitShaderBuffers(void) {
  using namespace vlm::render;
  UniformBuffers& buffers = Buffers();
  VLM_BeginLogSection("Uniform Buffer", VLM_COLOR_SUBSYSTEM);
  const bool gl = HasGL() && vlm::gl::HasFunctions(kProc, {"glGetIntegerv"}) &&
                  HasBufferFunctions(kProc);
  GLint fragmentComponents = 0;
  if (gl) {
    LogLimit("Maximum GEOMETRY UNIFORM components: ", GL_MAX_GEOMETRY_UNIFORM_COMPONENTS);
    LogLimit("Maximum VERTEX UNIFORM components: ", GL_MAX_VERTEX_UNIFORM_COMPONENTS);
    vlmgl.glGetIntegerv(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS, &fragmentComponents);
    VLM_LogMessage(("Maximum FRAGMENT UNIFORM components: " + std::to_string(fragmentComponents)).c_str(),
                   VLM_COLOR_INFO, 0, "", kProc);
    LogLimit("Maximum GEOMETRY UNIFORM BLOCKS components: ", GL_MAX_GEOMETRY_UNIFORM_BLOCKS);
    LogLimit("Maximum VERTEX UNIFORM BLOCKS components: ", GL_MAX_VERTEX_UNIFORM_BLOCKS);
    LogLimit("Maximum FRAGMENT UNIFORM BLOCKS components: ", GL_MAX_FRAGMENT_UNIFORM_BLOCKS);
    LogLimit("Maximum UNIFORM BLOCKS size: ", GL_MAX_UNIFORM_BLOCK_SIZE, " Bytes");
  }
  buffers.maxFragmentUniformComponents = fragmentComponents;
  VLM_EndLogSection();

  VLM_BeginLogSection("", VLM_COLOR_SUBSYSTEM);
  if (fragmentComponents == 0) {
    VLM_LogMessage("FAIL", 0xFFu, 0, "", kProc);
    VLM_EndLogSection();
    return 0;
  }
  FillHeader(buffers.projection.header, 0, "Projection", sizeof(ProjectionBlock));
  LogBufferRow("[Buffer] Projection:", buffers.projection.header.iBuffer);

  FillHeader(buffers.model.header, 1, "Model", sizeof(ModelBlock));
  LogBufferRow("[Buffer] Model:", CreateBuffer(buffers.model.header, nullptr, GL_DYNAMIC_DRAW));
  FillHeader(buffers.material.header, 2, "Material", sizeof(MaterialBlock));
  LogBufferRow("[Buffer] Material:",
               CreateBuffer(buffers.material.header, nullptr, GL_DYNAMIC_DRAW));
  FillHeader(buffers.light.header, 3, "Light", sizeof(LightBlock));
  LogBufferRow("[Buffer] Light:", CreateBuffer(buffers.light.header, nullptr, GL_DYNAMIC_DRAW));

  int width = 0, height = 0;
  ScreenSize(&width, &height);
  MiscBlock& misc = buffers.misc.data;
  misc.vMapSize[0] = static_cast<float>(width);
  misc.vMapSize[1] = static_cast<float>(height);
  misc.fNear = vlm::Scene().camera.fNear;
  misc.fFar = vlm::Scene().camera.fFar;
  FillHeader(buffers.misc.header, 4, "Misc", sizeof(MiscBlock));
  LogBufferRow("[Buffer] Misc:", CreateBuffer(buffers.misc.header, &misc, GL_STATIC_DRAW));
  VLM_EndLogSection();
  return 1;
}

}  // extern "C"
