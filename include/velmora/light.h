/* Velmora Engine: point and spot lights and the global lighting parameters.
 *
 * Lights are entities (kind 3) drawn by the deferred renderer as light
 * volumes: a unit sphere scaled by range x 1.01 and placed at the light. */
#ifndef VELMORA_LIGHT_H
#define VELMORA_LIGHT_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VLM_ENTITY_LIGHT 3

/* Light types. */
#define VLM_LIGHT_POINT 1
#define VLM_LIGHT_SPOT 2

struct VLM_LIGHT;

/* A light at (x, y, z): ID 0-65535, or -1 for a dynamic light whose handle
 * is its address. An ID in use frees its light first. Range 128, white,
 * intensity 1, enabled, no shadow. Returns the handle, or 0 (with a log row)
 * for an ID above 65535. */
VLM_HANDLE VLM_CreateLight(VLM_HANDLE id, float x, float y, float z, int lightType);
/* The light of a handle, or 0; any value may be passed. */
struct VLM_LIGHT* VLM_IsLight(VLM_HANDLE handle);

/* Colour 0xAABBGGRR; intensity; range in units (rebuilds the volume
 * matrix). Return 1, or 0 for an unknown light. */
int VLM_LightColour(VLM_HANDLE light, uint32_t colour);
int VLM_LightIntensity(VLM_HANDLE light, float intensity);
int VLM_LightRange(VLM_HANDLE light, float range);
/* While VLM_Shadows is on, a light that casts shadows darkens what it
 * cannot see: a point light through a cube of depth maps around it, a spot
 * light through one depth map of its view along its axis. With both
 * switches on, a point light keeps a shadow cube of its own, rendered once
 * (a spot light keeps none); it is deleted as soon as either switch goes
 * off. Returns 1, or 0. */
int VLM_LightShadow(VLM_HANDLE light, int castsShadow, int staticShadow);

typedef struct VLM_DEFINITION_NODE VLM_DEFINITION_NODE;
/* The light of the first "Light" block at or below `node`: Type ("Point",
 * "Spot", else type 0; compared exactly), Position, Color (default white),
 * Range (128), Intensity (2) and Shadow (cast[, static], default none).
 * `id` as for VLM_CreateLight. Returns the light, or 0 without a block. */
VLM_HANDLE VLM_LoadLightDefinition(VLM_HANDLE id, VLM_DEFINITION_NODE* node);
/* Frees the light and its shadow cube. Returns 1, or 0 for an unknown light. */
int VLM_FreeLight(VLM_HANDLE light);
/* Live lights, for statistics. */
int VLM_CountLights(void);

/* Global parameters read by the renderer. The ambient colour keeps alpha 1;
 * the background colour is also the GL clear colour. Return 0. */
int VLM_AmbientColour(uint32_t colour);
int VLM_BackgroundColour(uint32_t colour);
int VLM_DirectLight(int on);
int VLM_Shadows(int on);
/* Glow and bloom strengths: finite and not negative, else refused. */
int VLM_Glow(float strength);
int VLM_Bloom(float strength);

/* The direct light, a sun infinitely far away: the way its light travels
 * (any length, kept unit length; straight down at start), its colour
 * 0xAABBGGRR (white), its intensity (1) and whether it casts the
 * directional shadow (no), which is drawn while VLM_Shadows is on: a
 * 40 x 40 unit square around the camera. Return 1, or 0 with a log row for
 * a zero or not finite direction and a not finite intensity, which leave
 * the light as it was. */
int VLM_DirectLightDirection(float x, float y, float z);
int VLM_DirectLightColour(uint32_t colour);
int VLM_DirectLightIntensity(float intensity);
int VLM_DirectLightShadow(int castsShadow);

#ifdef __cplusplus
}
#endif

#endif
