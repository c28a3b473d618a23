// What the engine does with each cage kind, one row per kind. Each kind's
// operations live in a file of their own (cage_point.cpp, cage_sphere.cpp,
// cage_box.cpp, cage_polyhedron.cpp; NONE and STICK, which have almost
// none, in cage_kinds.cpp) and are reached through this table, so that a
// new kind is one file, one row here and its rows of the physics' pair
// table (physics/pair_tests.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "mesh/cage_record.h"
#include "velmora/types.h"

struct VLM_DEFINITION_NODE;
struct VLM_MESH;

namespace vlm {

// Where a kind hands its debug-view lines: points in the body frame, the
// colour as 0xBBGGRR for VLM_v4fFromColor.
struct CageLineSink {
  void* context;
  void (*add)(void* context, const v4f& from, const v4f& to, uint32_t colour);
  void Add(const v4f& from, const v4f& to, uint32_t colour) const { add(context, from, to, colour); }
};

struct CageKindOps {
  int32_t kind;      // VLM_CAGE_NONE .. VLM_CAGE_POLYHEDRON
  const char* name;  // as cage files and VLM_GetCageKindName spell it

  // Cage files: reads the kind's shape from the document's "Cage" node
  // (sizes, root box, outline). Returns the outline the file listed, whose
  // counts the loader logs, or null (nothing read, or an outline made from
  // sizes). Null: nothing to read.
  const VLM_CAGE_OUTLINE* (*readFile)(VLM_DEFINITION_NODE* cageNode, VLM_CAGE& cage);

  // Fits the shape to a mesh whose positions are finite and, scaled by the
  // factor (not negative), far inside the float range. Null: a mesh gives
  // no cage of this kind.
  void (*fitMesh)(const VLM_MESH& mesh, float factor, VLM_CAGE& cage);

  // Inertia of a body of this mass (units of mass) and scale, in the body
  // frame: identity but for the 3 x 3 block. Null, or false returned: the
  // body keeps the inertia it has.
  bool (*inertia)(const VLM_CAGE& cage, float mass, const v4f& scale, m4f* inertia);

  // Largest distance (units) from the body's origin that a shape test may
  // touch, for a body with this world matrix (scale included), scale and
  // movement in this step. Negative: the shape never touches anything;
  // null: the kind never does.
  float (*reach)(const VLM_CAGE& cage, const m4f& world, const v4f& scale, const v4f& movement);

  // The debug view's lines of the shape in the body frame (the leaf boxes of
  // a node tree are drawn for every kind). Null: none.
  void (*debugLines)(const VLM_CAGE& cage, const CageLineSink& lines);
};

// The row of a kind; NONE's row for a code that names no kind.
const CageKindOps& CageKindOf(int32_t kind);

// Every row, NONE to POLYHEDRON.
std::span<const CageKindOps* const> CageKinds();

// The rows, one per kind file.
extern const CageKindOps kPointKind;
extern const CageKindOps kSphereKind;
extern const CageKindOps kBoxKind;
extern const CageKindOps kPolyhedronKind;

// ---- What the kind files share --------------------------------------------

// "\Primitive\Size" of a cage document as one number (1.0 when missing).
float ReadCageSize(VLM_DEFINITION_NODE* cageNode);
// Reads "\Vertices", "\Edges" and "\Faces" into the outline and finishes it.
// Edges and faces that name no vertex are left out, with a failure row.
void ReadCageOutline(VLM_DEFINITION_NODE* cageNode, VLM_CAGE_OUTLINE& outline);

// The mesh's positions (never more than its arrays hold) and whole triangles.
std::vector<v4f> MeshPositions(const VLM_MESH& mesh);
size_t MeshTriangleCount(const VLM_MESH& mesh);
const int32_t* MeshIndices(const VLM_MESH& mesh);

// Gives a root node the outline of its own box: corner i = centre +
// (+-hx, +-hy, +-hz), bit 0 of i selecting +x, bit 1 +y and bit 2 +z, with
// 12 edges and 12 outward triangles.
void AddBoxOutline(VLM_CAGE& cage, VLM_CAGE_NODE& root);

// Node-tree kinds (BOX, POLYHEDRON): inertia of the root box and reach of
// the root box about the body origin and about its centre.
bool RootBoxInertia(const VLM_CAGE& cage, float mass, const v4f& scale, m4f* inertia);
float RootBoxReach(const VLM_CAGE& cage, const m4f& world, const v4f& scale, const v4f& movement);

}  // namespace vlm
