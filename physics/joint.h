// Joint helpers shared by the physics modules.
#pragma once

#include "physics/surface_joint_records.h"

namespace vlm {

// Takes the joint out of the ID table, the active joints and its bodies'
// joint lists, then deletes it. The caller holds the physics lock.
void FreeJointRecord(VLM_JOINT* joint);

// One joint of the joint phase: corrections, shared velocities or spring
// forces, then the bodies' matrices and the joint's stretch.
void SolveJoint(VLM_JOINT* joint);

// World positions of the two anchors.
void JointAnchors(const VLM_JOINT* joint, v4f* anchorA, v4f* anchorB);

}  // namespace vlm
