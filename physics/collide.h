// Shape tests by cage kind. Each returns 1 for a contact, stores the contact
// point and normal in the world, and during the collision phase pushes the
// bodies apart and resolves the contact.
#pragma once

#include "physics/body.h"
#include "physics/world.h"
#include "velmora/cage.h"

namespace vlm {

// Chooses the test by the two cage kinds; after a contact plays the
// collision sounds and calls the bodies' collision procedures.
int CollideBodies(VLM_OBJECT* p, VLM_OBJECT* q);

int SphereSphere(VLM_OBJECT* a, VLM_OBJECT* b);
int SpherePoint(VLM_OBJECT* sphere, VLM_OBJECT* point);
int BoxSphere(VLM_OBJECT* box, VLM_OBJECT* sphere);
int BoxBox(VLM_OBJECT* a, VLM_OBJECT* b);
int TreePoint(VLM_OBJECT* tree, VLM_OBJECT* point);
int TreeSphere(VLM_OBJECT* tree, VLM_OBJECT* sphere);
int TreeTree(VLM_OBJECT* a, VLM_OBJECT* b);
// Two leaf outlines in the collision phase of a world with contact passes:
// the contact on the axis of least penetration, with its points for the
// passes (collide_hull.cpp).
int HullContact(VLM_OBJECT* a, VLM_OBJECT* b, const VLM_CAGE_OUTLINE& outlineA, const VLM_CAGE_OUTLINE& outlineB);

// The separating-axis test of two oriented boxes. Each box is a node of a
// body: half-extents scaled by the body's scale, axes from the unscaled world
// matrix, centre through the scaled one.
struct OrientedBox {
  v4f centre;   // world
  v4f axis[3];  // world, rows of the unscaled world matrix
  float half[3];
};
OrientedBox MakeOrientedBox(const VLM_OBJECT* body, const VLM_CAGE_NODE* node);
// True when no axis separates the boxes (touching counts as overlapping).
bool BoxesOverlap(const OrientedBox& a, const OrientedBox& b);

// Shared by the tests.
inline bool InCollisionPhase() { return World().collisionPhase != 0; }
void StoreContact(const v4f& point, const v4f& normal);
// After a change of position alone: the world matrices take the new
// position, which is all a rebuild would change.
void MatricesFollowPosition(VLM_OBJECT* body);
void MoveBody(VLM_OBJECT* body, const v4f& direction, float distance);
void PlaceBody(VLM_OBJECT* body, const v4f& position);
// The inverse of the body's world matrix. Kept for the last few matrices, as
// a fixed body meets every other body with the same matrix in a step.
const m4f& InverseWorld(const VLM_OBJECT* body);

}  // namespace vlm

