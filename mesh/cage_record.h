// The cage (collision shape) record with its node tree and outlines.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "velmora/cage.h"
#include "velmora/types.h"

// A convex outline, the shape of a leaf node. The last indices are the
// counts minus 1 (-1 when empty) and always match the array sizes.
struct VLM_CAGE_OUTLINE {
  int32_t iLastVertex = -1;
  int32_t iLastEdge = -1;
  int32_t iLastFace = -1;
  std::vector<v4f> aVertices;          // body frame, w = 1
  std::vector<VLM_CAGE_EDGE> aEdges;   // vertex index pairs, each in range
  std::vector<VLM_CAGE_FACE> aFaces;   // vertex index triples, each in range
};

// A node of a cage's tree: a box in the body frame. Inner nodes have both
// children set and bound them; a leaf may carry an outline.
struct VLM_CAGE_NODE {
  v4f v4fCentre{0.0f, 0.0f, 0.0f, 1.0f};
  v4f v4fHalfExtents{0.0f, 0.0f, 0.0f, 0.0f};  // w = 0
  VLM_CAGE_NODE* pFirstChild = nullptr;
  VLM_CAGE_NODE* pSecondChild = nullptr;
  intptr_t iReserved = 0;
  VLM_CAGE_OUTLINE* pOutline = nullptr;
};

struct VLM_CAGE {
  intptr_t iHandle = 0;
  std::string sName;
  int32_t iKind = VLM_CAGE_NONE;   // VLM_CAGE_NONE .. VLM_CAGE_POLYHEDRON
  float fSize = 0.0f;              // SPHERE radius, STICK size, BOX largest half-extent
  VLM_CAGE_NODE* pRoot = nullptr;  // BOX and POLYHEDRON; null for the others

  // Storage of the tree: nodes and outlines live as long as the cage.
  std::vector<std::unique_ptr<VLM_CAGE_NODE>> nodes;
  std::vector<std::unique_ptr<VLM_CAGE_OUTLINE>> outlines;
};
