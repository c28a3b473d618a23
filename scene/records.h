// Records of nodes, skeletons and animations.
#pragma once

#include <cstdint>
#include <string>

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
