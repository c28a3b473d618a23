// The mesh record: the arrays in main memory, their GL copies and the
// named vertex groups.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "velmora/mesh.h"
#include "velmora/types.h"

// A named vertex group; its index is its position in the mesh's group list.
struct VLM_MESH_GROUP {
  int32_t iIndex = 0;
  std::string sName;
};

struct VLM_MESH {
  intptr_t iHandle = 0;
  std::string sName;
  // GL names; -1 while the mesh has not been uploaded.
  int32_t iVertexArray = -1;
  int32_t iVertexBuffer = -1;
  int32_t iIndexBuffer = -1;
  int32_t iVertexCount = 0;
  int32_t iIndexCount = 0;     // 3 x triangle count
  v4f v4fBoxCentre{};          // w = 1 once finished
  v4f v4fBoxHalfExtents{};     // w = 0
  // iIndexCount elements plus one spare; never shorter than iIndexCount.
  std::vector<int32_t> aiIndices;
  // iVertexCount elements.
  std::vector<VLM_MESH_VERTEX> aVertices;
  // A list keeps the groups' addresses stable for the table and the map.
  std::list<VLM_MESH_GROUP> lGroups;
  std::vector<VLM_MESH_GROUP*> apGroupTable;  // by group index, rebuilt by finishing
  std::unordered_map<std::string, VLM_MESH_GROUP*> mGroupNames;
};
