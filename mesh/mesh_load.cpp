// Reading engine mesh files (".vlm"): a definition tree with one "Mesh"
// block holding "Vertices", "Normals", "TextureCoords" and "Faces". The
// counts written after the block names are ignored; the children count.
#include <string>
#include <vector>

#include "core/fail.h"
#include "mesh/mesh_internal.h"
#include "velmora/core.h"
#include "velmora/definition.h"
#include "velmora/mesh.h"

namespace vlm::mesh {

namespace {

constexpr const char* kProc = "VLM_LoadMesh";

// The children of a block, first to last.
template <class Fn>
void ForEachChild(VLM_DEFINITION_NODE* block, Fn&& fn) {
  int32_t i = 0;
  for (VLM_DEFINITION_NODE* child = VLM_GetDefinitionChild(block, 0); child;
       child = VLM_NextDefinitionNode(child)) {
    if (!fn(i++, child)) return;
  }
}

struct MeshArrays {
  std::vector<VLM_MESH_VERTEX> vertices;
  std::vector<int32_t> indices;  // 3 per triangle plus the spare element
};

// Reads one vector per vertex from the children of `block` and stores it
// with `store`; entries beyond the vertex count are ignored.
template <class Store>
void ReadPerVertex(VLM_DEFINITION_NODE* block, MeshArrays& out, Store&& store) {
  const size_t vertexCount = out.vertices.size();
  ForEachChild(block, [&](int32_t i, VLM_DEFINITION_NODE* child) {
    if (static_cast<size_t>(i) >= vertexCount) return false;
    v4f value{};
    VLM_ReadDefinitionVector(child, &value, 0.0f, 0.0f, 0.0f, VLM_DEFAULTF);
    store(out.vertices[static_cast<size_t>(i)], value);
    return true;
  });
}

// Reads the four blocks. False (with a failure row) when a face names a
// vertex the file does not hold: such an index would make the tangent
// pass and the GPU read past the vertex array.
bool ReadArrays(VLM_DEFINITION_NODE* meshNode, MeshArrays& out) {
  VLM_DEFINITION_NODE* block = VLM_FindDefinitionNode(meshNode, "\\Vertices", "", 0);
  const int32_t vertexCount = VLM_CountDefinitionChildren(block, "");
  out.vertices.assign(static_cast<size_t>(vertexCount), VLM_MESH_VERTEX{});
  ReadPerVertex(block, out, [](VLM_MESH_VERTEX& vertex, const v4f& p) {
    vertex.v4fPosition = v4f{p.x, p.y, p.z, 1.0f};
  });
  block = VLM_FindDefinitionNode(meshNode, "\\Normals", "", 0);
  ReadPerVertex(block, out, [](VLM_MESH_VERTEX& vertex, const v4f& n) {
    vertex.v3fNormal[0] = n.x;
    vertex.v3fNormal[1] = n.y;
    vertex.v3fNormal[2] = n.z;
  });
  block = VLM_FindDefinitionNode(meshNode, "\\TextureCoords", "", 0);
  ReadPerVertex(block, out, [](VLM_MESH_VERTEX& vertex, const v4f& uv) {
    vertex.v2fTexCoord[0] = uv.x;
    vertex.v2fTexCoord[1] = uv.y;
  });

  block = VLM_FindDefinitionNode(meshNode, "\\Faces", "", 0);
  const int32_t triangleCount = VLM_CountDefinitionChildren(block, "");
  if (int64_t{triangleCount} * 3 > kMaxCount) {
    vlm::Fail("Fail: Mesh too large!", kProc);
    return false;
  }
  out.indices.assign(static_cast<size_t>(triangleCount) * 3 + 1, 0);
  bool inRange = true;
  ForEachChild(block, [&](int32_t t, VLM_DEFINITION_NODE* child) {
    for (int32_t k = 0; k < 3; ++k) {
      const int64_t index = VLM_ReadDefinitionInteger(VLM_GetDefinitionChild(child, k), 0);
      if (index < 0 || index >= vertexCount) {
        vlm::Fail("Fail: Face index out of range! Face " + std::to_string(t) + " names vertex " +
             std::to_string(index) + ", the mesh has " + std::to_string(vertexCount) + " vertices.", kProc);
        inRange = false;
        return false;
      }
      out.indices[static_cast<size_t>(t) * 3 + static_cast<size_t>(k)] = static_cast<int32_t>(index);
    }
    return t + 1 < triangleCount;
  });
  return inRange;
}

}  // namespace

VLM_MESH* BuildMeshFromTree(VLM_HANDLE id, VLM_DEFINITION_NODE* root, std::string_view fileName,
                            const char* name) {
  VLM_DEFINITION_NODE* meshNode = VLM_FindDefinitionNode(root, "Mesh", "", 0);
  if (!meshNode) {
    vlm::Fail("Fail: File not found!", kProc);
    if (root) VLM_FreeDefinitionNode(root, 1);
    return nullptr;
  }
  // Everything is read before the registry entry is made, so a refused
  // file leaves an existing mesh of the same ID or name in place.
  MeshArrays arrays;
  bool ok;
  try {
    ok = ReadArrays(meshNode, arrays);
  } catch (const std::bad_alloc&) {
    vlm::Fail("Fail: Out of memory!", kProc);
    ok = false;
  }
  VLM_MESH* mesh = nullptr;
  if (ok) {
    const std::string meshName = NameOrFilePart(name, fileName);
    VLM_HANDLE handle = id;
    mesh = VLM_CreateMeshListEntry(&handle, meshName.c_str());
    if (mesh) {
      mesh->aVertices.swap(arrays.vertices);
      mesh->iVertexCount = static_cast<int32_t>(mesh->aVertices.size());
      mesh->aiIndices.swap(arrays.indices);
      mesh->iIndexCount = static_cast<int32_t>(mesh->aiIndices.size() - 1);
      VLM_FinishMesh(handle);
    }
  }
  VLM_FreeDefinitionNode(meshNode, 1);
  if (mesh) VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", kProc);
  return mesh;
}

}  // namespace vlm::mesh

extern "C" VLM_MESH* VLM_LoadMesh(VLM_HANDLE mesh, const char* fileName, const char* name) {
  const std::string file = fileName ? fileName : "";
  const std::string headline = "Load Mesh: " + file;
  VLM_LogMessage(headline.c_str(), VLM_COLOR_INFO, __LINE__, vlm::mesh::kModule, "VLM_LoadMesh");
  VLM_DEFINITION_NODE* root = VLM_LoadDefinitionFile(file.c_str());
  return vlm::mesh::BuildMeshFromTree(mesh, root, file, name);
}
