// The screen element record: a quad with its own vertex buffer and the
// matrix that sizes, turns and places it.
#pragma once

#include <cstdint>

#include "core/named_record.h"
#include "velmora/types.h"

struct VLM_ELEMENT_VERTEX {
  float position[4];  // attribute 0
  float uv0[2];       // attribute 2
  float uv1[2];       // attribute 3, the same as uv0
};
static_assert(sizeof(VLM_ELEMENT_VERTEX) == 32);

struct VLM_ELEMENT : vlm::NamedRecord {
  uint32_t iVertexArray = 0;
  uint32_t iVertexBuffer = 0;
  VLM_ELEMENT_VERTEX aVertices[4] = {};  // triangle-strip order
  intptr_t iMaterial = 0;                // handle: a freed material draws nothing
  float fAngle = 0.0f;                   // degrees
  float fWidth = 0.0f;                   // pixels
  float fHeight = 0.0f;
  v4f v4fScale{0, 0, 1, 0};              // (width, height, 1, 0)
  m4f m4fMatrix{};                       // rotation and scale, row 3 the last position
};
static_assert(sizeof(VLM_ELEMENT::aVertices) == 128);

namespace vlm::render {

// The matrix of an element from its angle and scale; row 3 is kept.
void BuildElementMatrix(VLM_ELEMENT& element);

// The engine's logo element (start-up), and drawing it when it is switched
// on (each presented frame). Drawing needs the drawing area's size.
void CreateLogoElement(intptr_t material);
void DrawLogo(int screenWidth, int screenHeight);

}  // namespace vlm::render
