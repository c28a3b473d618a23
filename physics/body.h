// Body helpers shared by the physics modules.
#pragma once

#include "core/registries.h"
#include "scene/object_record.h"

namespace vlm {

inline VLM_OBJECT* BodyOf(VLM_HANDLE handle) { return BodyRegistry().Resolve(handle); }
inline bool IsFixed(const VLM_OBJECT* body) { return body->Body.fMass == 0.0f; }

// Position, velocity and angular velocity all finite. A body that has gone
// beyond the float range takes no part in contacts or joints, so that it
// cannot hand its infinities to the bodies it touches.
bool FiniteMotion(const VLM_OBJECT* body);

// Puts a body into the dynamic or the non-dynamic list by its mass, or takes
// it out. The caller holds the physics lock.
void FileBody(VLM_OBJECT* body);
void UnfileBody(VLM_OBJECT* body);

// Inertia from the cage kind, the mass and the scale; unchanged for bodies
// without a cage or with a STICK or NONE cage.
void ComputeInertia(VLM_OBJECT* body);

// Inverse of an inertia-like matrix; a singular one (a shape without extent)
// gives zero rotational response instead of infinities.
void InvertInertia(m4f* m);

// W^-1 * I^-1 * W (applying W^-1 first): the inverse inertia in world axes.
void WorldInverseInertia(const VLM_OBJECT* body, m4f* out);
// W^-1 * I * W.
void WorldInertia(const VLM_OBJECT* body, m4f* out);

// Radius of the body's shape (sphere radius scaled by |scale x|).
float SphereRadius(const VLM_OBJECT* body);

}  // namespace vlm
