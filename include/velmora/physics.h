/* Velmora Engine: physics interface.
 *
 * Rigid bodies move under gravity, joints keep pairs of bodies together and
 * every pair that may touch goes to the shape tests, which push the bodies
 * apart and resolve the contact. Bodies are objects (VLM_OBJECT) of entity
 * kind 9 with a physical part; handles are IDs or record addresses. */
#ifndef VELMORA_PHYSICS_H
#define VELMORA_PHYSICS_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VLM_OBJECT VLM_OBJECT;
typedef struct VLM_SURFACE VLM_SURFACE;
typedef struct VLM_JOINT VLM_JOINT;

/* Called after each contact of a body: procedure(own handle, other handle).
 * Its result is kept in the body. */
typedef int (*VLM_COLLISION_PROCEDURE)(VLM_HANDLE self, VLM_HANDLE other);

/* Joint kinds. */
#define VLM_JOINT_SPRING 2
#define VLM_JOINT_ROD 3

/* Flags of VLM_SetBodyVelocity and VLM_SetBodyAngularVelocity. */
#define VLM_VELOCITY_ADD 1        /* add to the current value */
#define VLM_VELOCITY_BODY_FRAME 2 /* given in the body frame */

/* Flags of VLM_GetPhysicsEnergy. */
#define VLM_ENERGY_TRANSLATION 1
#define VLM_ENERGY_ROTATION 2
#define VLM_ENERGY_POSITION 4
#define VLM_ENERGY_TENSION 8

/* ---- Bodies ------------------------------------------------------------- */

/* A body with the given cage (-2: the built-in point cage, -1: none) and
 * physical material (-1: the default material). Mass 0, at the origin,
 * unrotated, scale 1. Returns the body record, or 0. */
VLM_OBJECT* VLM_CreateBody(VLM_HANDLE id, VLM_HANDLE cage, VLM_HANDLE material, const char* name);
/* Sets the mass (0: non-dynamic, moves only by its own velocity) and
 * recomputes the inertia from the cage and the scale. A negative or
 * non-finite mass is refused. Returns 1, or 0. */
int VLM_SetBodyMass(VLM_HANDLE body, float mass);
/* value = *vector, or (x, y, z, 0) when vector is null. Flag 2: value is in
 * the body frame. Flag 1: added, otherwise it replaces. A result that is
 * not finite or beyond +-1e12 is refused (so are such positions, gravity
 * and joint lengths: squares of them stay inside the float range).
 * Returns 1, or 0. */
int VLM_SetBodyVelocity(VLM_HANDLE body, const v4f* vector, float x, float y, float z, int flags);
int VLM_SetBodyAngularVelocity(VLM_HANDLE body, const v4f* vector, float x, float y, float z, int flags);
int VLM_SetBodyCollisionProcedure(VLM_HANDLE body, VLM_COLLISION_PROCEDURE procedure);
/* 1: the body takes part in collision tests (the default), 0: it does not. */
int VLM_SetBodyCollision(VLM_HANDLE body, int flag);
/* Copies the body's velocity (units per second) and angular velocity
 * (radians per second about x, y, z); either pointer may be null.
 * Returns 1, or 0. */
int VLM_GetBodyVelocity(VLM_HANDLE body, v4f* velocity, v4f* angularVelocity);
/* Position from *vector (x, y, z) with the transform modes of
 * VLM_TRANSFORM_RELATIVE, _LOCAL and _PARENT. Returns 1, or 0. */
int VLM_BodyPosition(VLM_HANDLE body, const v4f* vector, int mode);
/* Rotation by Euler angles in degrees with the transform modes. */
int VLM_BodyRotation(VLM_HANDLE body, float ax, float ay, float az, int mode);
/* Scale (x, y, z); with VLM_TRANSFORM_RELATIVE the current scale is
 * multiplied. The inertia follows at the next VLM_SetBodyMass. A zero axis
 * is refused, and so is a mirroring scale (one or three negative axes);
 * two negative axes turn the body half round. */
int VLM_BodyScale(VLM_HANDLE body, float x, float y, float z, int mode);

/* ---- World -------------------------------------------------------------- */

/* Gravity in m/s^2, each part finite and within +-1e12. */
int VLM_SetGravity(float x, float y, float z);
/* 0 stops the simulation without touching its state; 1 runs it. */
int VLM_EnablePhysics(int flag);
/* Engine setting: 0 drops the pauses that a step makes between its phases
 * for other threads (benchmarks); 1 (the default) keeps them. */
int VLM_SetPhysicsWaits(int flag);
/* Engine setting: 0 hands every pair to the shape tests; 1 (the default)
 * skips pairs whose bounds cannot touch. Results are the same. */
int VLM_SetPhysicsBroadPhase(int flag);
/* Physics time step in seconds. 0 (the default): every VLM_UpdatePhysics
 * runs one step of the last frame's duration. seconds > 0: every
 * VLM_UpdatePhysics adds the last frame's duration to the time not yet
 * stepped and runs as many steps of exactly that length as it holds, at
 * most maxSteps; the rest carries over (time beyond maxSteps steps is
 * dropped). Without a frame time (no window presents frames) every call runs
 * exactly one step. Call VLM_UpdatePhysics once per frame. Negative or
 * non-finite seconds, or maxSteps below 1, are refused, and so are steps
 * shorter than 0.0001 s (other than 0) or longer than 60 s, and maxSteps
 * above 1000: one update then runs in bounded time, and the shortest step
 * still covers a 0.1 s frame. Returns 1, or 0. */
int VLM_SetPhysicsTimeStep(float seconds, int maxSteps);
/* Contact passes per step. 1 (the default): each contact is resolved once,
 * as it is found. n > 1: after all contacts of the step are found, they are
 * resolved again in the same order, up to n passes in all or until none is
 * still approaching, with position correction beyond a small slop; stacks
 * hold. Below 1 is refused. Returns 1, or 0. */
int VLM_SetPhysicsContactPasses(int passes);
/* Sleep in worlds of more than one contact pass: a group of bodies that
 * touch or are joined and all stay slower than 0.02 units and 0.05 radians
 * per second for this many seconds (0.5 by default) stops moving and costs
 * the step almost nothing, until something awake touches one of them or the
 * program changes a body, a joint or the gravity. 0: no body sleeps. With
 * one pass no body ever sleeps. Negative or non-finite seconds are refused.
 * Returns 1, or 0. */
int VLM_SetPhysicsSleep(float seconds);
/* A physical material: contacts multiply the elasticities and add the
 * frictions. Returns the record, or 0. */
VLM_SURFACE* VLM_CreatePhysicalMaterial(VLM_HANDLE id, float elasticity, float friction, const char* name);
/* Counts for statistics: dynamic != 0 counts bodies with mass, else those
 * without. */
int VLM_CountBodies(int dynamic);
int VLM_CountJoints(void);

/* ---- Joints ------------------------------------------------------------- */

/* A joint of kind 2 (spring) or 3 (rigid rod) between two different
 * bodies, anchored at their origins, with the current distance as rest
 * length. ID -1 gives a dynamic joint; an ID of 0x10000 or more gives 0.
 * The six trailing numbers are accepted and ignored. */
VLM_JOINT* VLM_CreateJoint(VLM_HANDLE id, int kind, VLM_HANDLE bodyA, VLM_HANDLE bodyB, float p1, float p2,
                           float p3, float p4, float p5, float p6);
VLM_JOINT* VLM_ResolveJoint(VLM_HANDLE joint);
/* Frees the joint and takes it out of its bodies' joint lists. */
int VLM_FreeJoint(VLM_HANDLE joint);
int VLM_SetJointLength(VLM_HANDLE joint, float length);
/* A spring's stiffness k (N/m) and damping c (N s/m). With h the fixed
 * time step (1/60 s without one) and m the mass the spring moves (the two
 * bodies' reduced mass, or the free body's), values with
 * (|k| h^2 + 2 |c| h) / m >= 4 are refused: the step could not keep the
 * spring from running away. Should a later step or mass cross that line,
 * each step scales k and c down onto 3.9 instead. */
int VLM_SetJointStiffness(VLM_HANDLE joint, float stiffness);
int VLM_SetJointDamping(VLM_HANDLE joint, float damping);

/* ---- Step --------------------------------------------------------------- */

/* One simulation step with the engine's last frame time; with debug != 0
 * the debug view's line list is rebuilt afterwards. Returns 0. */
int VLM_UpdatePhysics(int debug);
/* Sum of the energies selected by the flags over all bodies and joints. */
float VLM_GetPhysicsEnergy(int flags);
/* The physics frequency: the measured frame rate (rounded) that the last
 * VLM_UpdatePhysics copied, in steps of the world per second. */
float VLM_PhysicsFrequency(void);
/* A 64-bit hash (FNV-1a) of the bits of every body's position, orientation,
 * velocity and angular velocity, in creation order. The same build gives the
 * same steps bit for bit on every x86-64 CPU, so two runs of the same input
 * (a replay, or lockstep peers) agree exactly when their hashes do. */
uint64_t VLM_GetPhysicsStateHash(void);
/* Runs the shape test for two bodies. Outside a step it only reports:
 * 1 for a contact (stored as the world's contact), else 0. */
int VLM_CollideBodies(VLM_HANDLE p, VLM_HANDLE q);
/* Applies the contact impulses for the world's stored contact (point and
 * normal pointing from a to b). Needs at least one body with mass. */
int VLM_ResolveContact(VLM_HANDLE a, VLM_HANDLE b);

#ifdef __cplusplus
}
#endif

#endif
