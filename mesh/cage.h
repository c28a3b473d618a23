// Cage internals shared with the physics start-up and the cage tests.
#pragma once

#include <string_view>
#include <vector>

#include "mesh/cage_record.h"

namespace vlm {

// Creates (once) the built-in point cage, handle -2, kind POINT. It is a
// static record outside the registry: it cannot be released or replaced.
// Called by the physics start-up (VLM_ResolveCage(-2) also makes it on
// first use); returns the record.
VLM_CAGE* CreatePointCage();

// The kind code for a name as written in a cage file (leading '#' removed,
// upper case); 0 when unknown.
int CageKindByName(std::string_view name);

// Adds a node (and, if wanted, an outline for it) to a cage's storage.
VLM_CAGE_NODE* AddCageNode(VLM_CAGE& cage);
VLM_CAGE_OUTLINE* AddCageOutline(VLM_CAGE& cage, VLM_CAGE_NODE& node);

// Face normals and 1/|N|^2 of every face; degenerate faces get zeros.
// Face indices must be inside the vertex array.
void ComputeCageFaceNormals(VLM_CAGE_OUTLINE& outline);

// Completes a filled outline: the last indices from the array sizes, then
// the face normals.
void FinishCageOutline(VLM_CAGE_OUTLINE& outline);

// Centre and half-extents of the box around the points and the origin.
void SetNodeBoxWithOrigin(VLM_CAGE_NODE& node, const std::vector<v4f>& points);

// Called with a cage record just before it is released, so that whatever
// uses the shape lets go of it. The physics installs it (bodies forget the
// cage); null calls nothing.
using CageReleaseHook = void (*)(const VLM_CAGE* cage);
void SetCageReleaseHook(CageReleaseHook hook);

// Releases every cage of the registry (the point cage stays): a fresh start
// for tests.
void ResetCages();

}  // namespace vlm
