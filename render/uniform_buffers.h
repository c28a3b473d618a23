// The five std140 uniform blocks shared by every program, their GL buffers
// at fixed binding points, and the CPU copies the renderer fills and
// uploads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/types.h"

namespace vlm::render {

enum class Block : int { kProjection = 0, kModel = 1, kMaterial = 2, kLight = 3, kMisc = 4 };
constexpr int kBlockCount = 5;

// std140 layouts, byte for byte as the shaders declare them. Matrices are
// the engine's row-major m4f: GLSL reads them column-major, which turns
// v * M into M^T * v, the same transformation.
struct ProjectionBlock {
  m4f mProjectionMatrix;     // 0: perspective projection of the camera
  m4f mInvProjectionMatrix;  // 64
  m4f mScreenMatrix;         // 128: pixels, y down from the top edge, z -512..512
};
static_assert(sizeof(ProjectionBlock) == 192);
static_assert(offsetof(ProjectionBlock, mInvProjectionMatrix) == 64);
static_assert(offsetof(ProjectionBlock, mScreenMatrix) == 128);

struct ModelBlock {
  m4f mModelViewMatrix;      // 0
  float mNormalMatrix[12];   // 64: three columns of a mat3, 16 bytes each
};
static_assert(sizeof(ModelBlock) == 112);
static_assert(offsetof(ModelBlock, mNormalMatrix) == 64);

struct MaterialBlock {
  v4f vColor;                // 0
  float fIntensity;          // 16
  float fHardness;           // 20
  float fSurfaceScattering;  // 24 (fRefraction in refracting programs)
  float fEmission;           // 28 (fReflection in reflecting programs)
  v4f vSpecularColor;        // 32
};
static_assert(sizeof(MaterialBlock) == 48);
static_assert(offsetof(MaterialBlock, fIntensity) == 16);
static_assert(offsetof(MaterialBlock, fEmission) == 28);
static_assert(offsetof(MaterialBlock, vSpecularColor) == 32);

struct LightBlock {
  float vLightPosition[3];   // 0
  float fLightRange;         // 12
  float vLightColor[3];      // 16
  float fLightIntensity;     // 28
  float vLightDirection[3];  // 32
  float fLightConeAngle;     // 44
  int32_t iStatic;           // 48
};
static_assert(sizeof(LightBlock) == 52);
static_assert(offsetof(LightBlock, fLightIntensity) == 28);
static_assert(offsetof(LightBlock, fLightConeAngle) == 44);
static_assert(offsetof(LightBlock, iStatic) == 48);

struct MiscBlock {
  float vMapSize[2];         // 0: render-target width and height in pixels
  float fNear;               // 8
  float fFar;                // 12
};
static_assert(sizeof(MiscBlock) == 16);
static_assert(offsetof(MiscBlock, fNear) == 8);

// The record of one uniform buffer; the CPU copy of the block follows it.
struct UniformBufferHeader {
  int32_t iBinding;
  const char* sName;
  uint32_t iBuffer;          // GL buffer; 0 while not created
  int32_t iSize;
  int32_t iReserved[2];      // always 0
  int32_t iSizeAgain;
};

template <class Contents>
struct UniformBuffer {
  UniformBufferHeader header{};
  Contents data{};
};

struct UniformBuffers {
  UniformBuffer<ProjectionBlock> projection;
  UniformBuffer<ModelBlock> model;
  UniformBuffer<MaterialBlock> material;
  UniformBuffer<LightBlock> light;
  UniformBuffer<MiscBlock> misc;
  int32_t maxFragmentUniformComponents = 0;
};

// Fills the three projection matrices for a render target of width x height
// pixels (perspective of the vertical field of view in degrees, near and
// far), in the CPU copy only.
void SetProjectionMatrices(ProjectionBlock& block, int width, int height, float fieldOfView,
                           float nearPlane, float farPlane);

// The header of a block, and the bytes of its CPU copy.
UniformBufferHeader& Header(Block block);
void* BlockData(Block block);
// GL buffer of a block (0 when not created).
uint32_t BlockBuffer(Block block);
// Binding point of a block named `name` among the four the program builder
// binds ("Projection", "Model", "Material", "Misc"), or -1.
int BuilderBlockBinding(const char* name);

// Uploads `bytes` bytes of the CPU copy from byte `offset` with
// glBufferSubData. False (and a failure row) when the range leaves the
// block or the buffer does not exist.
bool UploadBlockRange(Block block, size_t offset, size_t bytes);
inline bool UploadBlock(Block block) {
  return UploadBlockRange(block, 0, static_cast<size_t>(Header(block).iSize));
}

// Deletes the five buffers (shutdown).
void DeleteUniformBuffers();

}  // namespace vlm::render
