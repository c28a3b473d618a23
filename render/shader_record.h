// The shader record: one GL program with the uniforms found in its sources.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "core/named_record.h"

struct VLM_MATERIAL;

// One registered uniform. Start and length are kept for callers that upload
// part of an array; the engine's own registrations use 0 for both.
struct VLM_SHADER_UNIFORM {
  int32_t iLocation;  // glGetUniformLocation; -1 when the program does not use it
  int32_t iCount;
  int32_t iStart;
  int32_t iEnd;       // start + length
};
static_assert(sizeof(VLM_SHADER_UNIFORM) == 16);

// The seven uniform lists, by the kind of value they take.
enum VLM_SHADER_UNIFORM_LIST {
  VLM_UNIFORMS_SAMPLER,
  VLM_UNIFORMS_INTEGER,
  VLM_UNIFORMS_FLOAT,
  VLM_UNIFORMS_VECTOR3,
  VLM_UNIFORMS_VECTOR4,
  VLM_UNIFORMS_MATRIX3,
  VLM_UNIFORMS_MATRIX4,
  VLM_UNIFORM_LIST_COUNT
};

// The name (e.g. "3D NormalMap") starts every compile row.
struct VLM_SHADER : vlm::NamedRecord {
  int32_t iRenderList = -1;       // the render list the program was last added to
  int32_t iGroup = 0;             // 0 GBuffer, 1 Shadow, 2 2D, 3 3D, 4 PP
  int32_t iProgramNumber = 0;     // index in the built-in table; 0 for others
  uint32_t iProgram = 0;          // GL program
  VLM_SHADER* pShadowProgram = nullptr;  // program of the shadow pass, or none
  // Materials drawn with this program, each once, in the order they came.
  std::vector<VLM_MATERIAL*> materials;
  // Slot tables: slot number -> entry (null for an unused slot).
  std::vector<VLM_SHADER_UNIFORM*> aSlotsA;
  std::vector<VLM_SHADER_UNIFORM*> aSlotsB;
  // Entries live in these lists; std::list keeps their addresses stable.
  std::list<VLM_SHADER_UNIFORM> aUniforms[VLM_UNIFORM_LIST_COUNT];
};
