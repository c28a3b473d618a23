// Cage files (".vlb"): definition documents with a "Cage" node.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/fail.h"
#include "mesh/cage.h"
#include "mesh/cage_kinds.h"
#include "mesh/mesh_internal.h"
#include "velmora/cage.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/registry.h"

namespace vlm {

namespace {

constexpr const char* kModule = "VLM Cages";
constexpr const char* kProc = "VLM_LoadCageFile";

using DefNode = VLM_DEFINITION_NODE;

void LogCount(const char* label, size_t count) {
  const std::string text = std::string(label) + std::to_string(count);
  VLM_LogMessage(text.c_str(), VLM_COLOR_COUNT, 0, "", kProc);
}

void LogDropped(const char* what, size_t count) {
  if (count == 0) return;
  const std::string text = std::string("Fail: ") + std::to_string(count) + " " + what +
                           " with a vertex index out of range were dropped!";
  vlm::Fail(text.c_str(), kProc);
}

// Children of a node in document order. A child list longer than an int32
// count cannot be indexed by the outline and is cut there.
template <class F>
void ForEachChild(DefNode* node, F&& visit) {
  size_t index = 0;
  for (DefNode* child = VLM_GetDefinitionChild(node, 0); child && index < size_t(INT32_MAX);
       child = VLM_NextDefinitionNode(child), ++index) {
    visit(child);
  }
}

int32_t ReadIndex(DefNode* item, int which) {
  const int64_t value = VLM_ReadDefinitionInteger(VLM_GetDefinitionChild(item, which), 0);
  if (value < 0 || value > INT32_MAX) return -1;
  return static_cast<int32_t>(value);
}

bool IndexOk(int32_t index, size_t vertexCount) {
  return index >= 0 && static_cast<size_t>(index) < vertexCount;
}

}  // namespace

void ReadCageOutline(DefNode* cageNode, VLM_CAGE_OUTLINE& outline) {
  ForEachChild(VLM_FindDefinitionNode(cageNode, "\\Vertices", "", 0), [&](DefNode* item) {
    v4f position{0.0f, 0.0f, 0.0f, 1.0f};
    VLM_ReadDefinitionVector(item, &position, 0.0f, 0.0f, 0.0f, VLM_DEFAULTF);
    position.w = 1.0f;
    outline.aVertices.push_back(position);
  });
  const size_t vertexCount = outline.aVertices.size();

  // Indices that name no vertex would send collision detection outside the
  // vertex array: such edges and faces are left out and reported.
  size_t droppedEdges = 0;
  ForEachChild(VLM_FindDefinitionNode(cageNode, "\\Edges", "", 0), [&](DefNode* item) {
    VLM_CAGE_EDGE edge{{ReadIndex(item, 0), ReadIndex(item, 1)}};
    if (IndexOk(edge.iVertex[0], vertexCount) && IndexOk(edge.iVertex[1], vertexCount)) {
      outline.aEdges.push_back(edge);
    } else {
      ++droppedEdges;
    }
  });
  size_t droppedFaces = 0;
  ForEachChild(VLM_FindDefinitionNode(cageNode, "\\Faces", "", 0), [&](DefNode* item) {
    VLM_CAGE_FACE face{};
    face.iVertex[0] = ReadIndex(item, 0);
    face.iVertex[1] = ReadIndex(item, 1);
    face.iVertex[2] = ReadIndex(item, 2);
    if (IndexOk(face.iVertex[0], vertexCount) && IndexOk(face.iVertex[1], vertexCount) &&
        IndexOk(face.iVertex[2], vertexCount)) {
      outline.aFaces.push_back(face);
    } else {
      ++droppedFaces;
    }
  });
  LogDropped("edges", droppedEdges);
  LogDropped("faces", droppedFaces);
  FinishCageOutline(outline);
}

}  // namespace vlm

extern "C" VLM_CAGE* VLM_LoadCageFile(VLM_HANDLE id, const char* file, const char* name) {
  using namespace vlm;
  const std::string fileName = file ? file : "";
  DefNode* root = fileName.empty() ? nullptr : VLM_LoadDefinitionFile(fileName.c_str());
  const std::string headline = "Load Cage: " + fileName;
  VLM_LogMessage(headline.c_str(), VLM_COLOR_INFO, __LINE__, kModule, kProc);

  DefNode* cageNode = root ? VLM_FindDefinitionNode(root, "Cage", "", 0) : nullptr;
  if (!cageNode) {
    if (root) VLM_FreeDefinitionNode(root, 1);
    vlm::Fail("Fail: File not found!", kProc);
    return nullptr;
  }

  const std::string cageName = mesh::NameOrFilePart(name, fileName);
  VLM_CAGE* cage = VLM_CreateCageListEntry(&id, cageName.c_str());
  if (!cage) {
    VLM_FreeDefinitionNode(root, 1);
    return nullptr;
  }

  DefNode* primitive = VLM_FindDefinitionNode(cageNode, "\\Primitive", "", 0);
  int kind = primitive ? CageKindByName(VLM_ReadDefinitionString(primitive, "")) : 0;
  if (kind == 0) kind = VLM_CAGE_POLYHEDRON;
  cage->iKind = kind;
  const CageKindOps& ops = CageKindOf(kind);
  const VLM_CAGE_OUTLINE* listed = ops.readFile ? ops.readFile(cageNode, *cage) : nullptr;
  VLM_FreeDefinitionNode(root, 1);

  // Only an outline the file lists has counts to log.
  if (listed) {
    LogCount("Vertices: ", listed->aVertices.size());
    LogCount("Edges: ", listed->aEdges.size());
    LogCount("Faces: ", listed->aFaces.size());
  }
  VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", kProc);
  return cage;
}
