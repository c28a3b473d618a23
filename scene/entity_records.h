// Records of nodes, skeletons and animations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/named_record.h"
#include "velmora/scene.h"
#include "velmora/types.h"

// A node: a placed point without anything to draw, for hanging other
// entities on. The header refers into the record itself, so a record never
// moves.
struct VLM_NODE {
  VLM_NODE() {
    header.iKind = VLM_ENTITY_NODE;
    header.pMatrix = &mMatrix;
    header.pSecondMatrix = &mMatrixUnscaled;
    header.pOrientation = &q4fOrientation;
    header.pScale = &v4fScale;
  }
  VLM_NODE(const VLM_NODE&) = delete;
  VLM_NODE& operator=(const VLM_NODE&) = delete;

  VLM_ENTITY header{};
  intptr_t iHandle = 0;
  std::string sName;
  v4f v4fPosition{0.0f, 0.0f, 0.0f, 1.0f};
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fScale{1.0f, 1.0f, 1.0f, 0.0f};
  m4f mMatrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};          // own transform with scale
  m4f mMatrixUnscaled{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};  // and without
};

struct VLM_SKELETON : vlm::NamedRecord {};
struct VLM_ANIMATION : vlm::NamedRecord {};

// A ribbon: a trail mesh drawn through the render lists by its own object.
// The ribbon is an entity without a shape of its own: hung on a node
// (VLM_AttachEntity), it follows that node, and its vertex pairs are laid
// in world space across the node's x axis.
struct VLM_RIBBON {
  VLM_RIBBON() {
    header.iKind = VLM_ENTITY_RIBBON;
    header.pMatrix = &mMatrix;
    header.pSecondMatrix = &mMatrix;
    header.pOrientation = &q4fOrientation;
  }
  VLM_RIBBON(const VLM_RIBBON&) = delete;
  VLM_RIBBON& operator=(const VLM_RIBBON&) = delete;

  VLM_ENTITY header{};
  intptr_t iHandle = 0;
  std::string sName;
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  m4f mMatrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  intptr_t hMesh = 0;        // 2 x segments + 2 vertices, owned by the ribbon
  intptr_t hObject = 0;      // draws the mesh, owned by the ribbon
  float fWidth = 1.0f;       // world units across the trail
  int32_t iSegments = 0;
  float fDuration = 1.0f;    // seconds the whole trail spans
  double dLastUpdate = 0.0;  // elapsed seconds at the last advance
  bool bLaid = false;        // false until the first advance lays the pairs
};

// A billboard group: one quad drawn instanced, once per billboard, each
// placed by its own 4 x 4 matrix in the group's space. The group is an
// entity: hung on a node it moves with it.
struct VLM_BILLBOARD {
  VLM_BILLBOARD() {
    header.iKind = VLM_ENTITY_BILLBOARD;
    header.pMatrix = &mMatrix;
    header.pSecondMatrix = &mMatrix;
    header.pOrientation = &q4fOrientation;
  }
  VLM_BILLBOARD(const VLM_BILLBOARD&) = delete;
  VLM_BILLBOARD& operator=(const VLM_BILLBOARD&) = delete;

  VLM_ENTITY header{};
  intptr_t iHandle = 0;
  std::string sName;
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  m4f mMatrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  intptr_t hMaterial = 0;         // resolved at every draw: a freed material draws nothing
  int32_t iProjectionMode = 0;    // VLM_BILLBOARD_PLACED, _UPRIGHT, _FACING
  int32_t iHidden = 0;
  float fWidth = 1.0f;            // quad size in the billboard's space
  float fHeight = 1.0f;
  std::vector<m4f> aMatrices;     // one per billboard
  bool bChanged = false;          // the buffer texture is behind aMatrices
  // GL objects (0 without a context).
  uint32_t iQuadArray = 0;
  uint32_t iQuadBuffer = 0;
  uint32_t iInstanceBuffer = 0;   // 64 bytes per billboard
  uint32_t iInstanceTexture = 0;  // RGBA32F buffer texture over it
  int32_t iCapacity = 0;          // billboards the buffer holds
};
