/* Velmora Engine: particle emitters.
 *
 * An emitter spawns camera-facing textured quads from a point, a box or a
 * ring into a cone of directions, advances them once per frame on the CPU
 * (VLM_UpdateParticles) and draws all its particles with one instanced call.
 * Emitters are registry objects of the kind "ParticleEmitter"; the setters
 * below are what a definition loader or a program uses to shape them.
 * Units: lengths in world units, times in milliseconds, speeds per second,
 * angles in radians unless a name says degrees. */
#ifndef VELMORA_PARTICLES_H
#define VELMORA_PARTICLES_H

#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Emission shapes. */
#define VLM_EMISSION_POINT 0
#define VLM_EMISSION_BOX 1
#define VLM_EMISSION_RING 2

/* Coordinate modes. Any other value: particles live in world space and are
 * emitted at the point given (the update emits at the emitter's world
 * position). */
#define VLM_PARTICLES_LOCAL 2 /* in the emitter's space, drawn with its world matrix */
#define VLM_PARTICLES_WORLD 4 /* emitted at the emitter's world position, live in world space */

/* The value ranges a new particle draws from, uniformly between min and max. */
#define VLM_PARTICLE_RING_RADIUS 0    /* ring inner (min) and outer (max) radius */
#define VLM_PARTICLE_FORCE 1          /* initial speed, units per second */
#define VLM_PARTICLE_FADE_OUT 2       /* intensity lost per second after death time */
#define VLM_PARTICLE_FADE_IN 3        /* intensity gained per second up to the target */
#define VLM_PARTICLE_LIFETIME 4       /* milliseconds */
#define VLM_PARTICLE_INTENSITY 5      /* target intensity */
#define VLM_PARTICLE_SIZE 6           /* edge length of the quad */
#define VLM_PARTICLE_GROWTH 7         /* size added per second */
#define VLM_PARTICLE_ROTATION 8       /* initial rotation, radians */
#define VLM_PARTICLE_ROTATION_SPEED 9 /* radians per second */
#define VLM_PARTICLE_RANGE_COUNT 10

/* A new emitter: identity world matrix, emitting, 256 particles drawn at
 * most, one particle per second of one second's life, the engine's particle
 * material for material -1 (or a handle that names no material, with a log
 * row). id is an ID or -1; a name in use replaces its emitter. 0 on failure. */
VLM_PARTICLE_EMITTER* VLM_CreateParticleEmitter(VLM_HANDLE id, VLM_HANDLE material, const char* name);

typedef struct VLM_DEFINITION_NODE VLM_DEFINITION_NODE;
/* The emitter of the first "ParticleEmitter" block at or below `node` (the
 * block's value names it), its "Emission\..." and "Particle\..." keys read
 * into the setters below; missing keys take their defaults. A
 * "Particle\Material" name that no material has writes "Material not found:
 * <name>" and keeps the engine's particle material; a "Material" block there
 * is loaded as an inline material. Returns the emitter, or 0. */
VLM_PARTICLE_EMITTER* VLM_LoadParticleEmitterDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node);

/* Spawns count particles at (x, y, z): emitter space in the local mode,
 * else world space (the world mode moves the point by the emitter's world
 * matrix). Returns the number spawned. */
int32_t VLM_EmitParticles(VLM_HANDLE emitter, int32_t count, float x, float y, float z);

/* Advances every emitter by the last frame's time, emits by their rates,
 * sorts each emitter's particles back to front and uploads what is drawn.
 * Call once per frame. Returns 0. */
int VLM_UpdateParticles(void);

/* Live particles of an emitter (0 when the handle names none), or of all
 * emitters for -1. */
int64_t VLM_CountParticles(VLM_HANDLE emitter);

/* Setters: 1 when the handle names an emitter, else 0. Values that are not
 * finite are refused with a log row. */
int VLM_SetParticleEmissionShape(VLM_HANDLE emitter, int32_t shape);
/* Box edge lengths, or the ring's ellipse scale (x, y) and height (z). */
int VLM_SetParticleEmissionSize(VLM_HANDLE emitter, float x, float y, float z);
/* The direction the cone opens along; the emitter's rotation follows from it. */
int VLM_SetParticleEmissionDirection(VLM_HANDLE emitter, float x, float y, float z);
/* The cone's angle in degrees: a new particle leaves at the polar angle
 * acos((90 - t) / 90) off the direction, t drawn between 0 and the angle, so
 * 30 reaches 48.2 degrees, 90 the hemisphere and 180 (or more) the sphere. */
int VLM_SetParticleEmissionAngle(VLM_HANDLE emitter, float degrees);
/* Particles per second; 0 stops emission by rate. */
int VLM_SetParticleEmissionRate(VLM_HANDLE emitter, float perSecond);
int VLM_SetParticleEmitting(VLM_HANDLE emitter, int32_t on);
int VLM_SetParticleCoordinateMode(VLM_HANDLE emitter, int32_t mode);
/* Random velocity change per second on each axis, times the value. */
int VLM_SetParticleTurbulence(VLM_HANDLE emitter, float turbulence);
/* Most particles drawn (0 .. 1048576): the first live ones in the list,
 * which keeps them in the order they were emitted, drawn back to front; the
 * instance buffer follows. */
int VLM_SetParticleMaxDrawn(VLM_HANDLE emitter, int32_t count);
int VLM_SetParticleRange(VLM_HANDLE emitter, int32_t which, float min, float max);
/* Added to the velocity of every new particle (gravity, drift). */
int VLM_SetParticleVelocity(VLM_HANDLE emitter, float x, float y, float z);
/* Colour of new particles, components 0..1. */
int VLM_SetParticleColor(VLM_HANDLE emitter, float r, float g, float b, float a);
/* -1: the engine's particle material. */
int VLM_SetParticleMaterial(VLM_HANDLE emitter, VLM_HANDLE material);
/* The emitter's position (row 3 of its world matrix). */
int VLM_SetParticleEmitterPosition(VLM_HANDLE emitter, float x, float y, float z);
/* The whole world matrix (row-major, row 3 the translation). */
int VLM_SetParticleEmitterMatrix(VLM_HANDLE emitter, const m4f* world);
/* Restarts the emitter's random sequence; equal seeds give equal particles. */
int VLM_SetParticleSeed(VLM_HANDLE emitter, uint32_t seed);

#ifdef __cplusplus
}
#endif

#endif
