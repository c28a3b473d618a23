/* Velmora Engine: the renderer's targets, created once at start-up.
 *
 * The renderer is deferred: geometry goes into an 8-layer G-buffer, lights
 * are summed from it into a scene-colour layer, and post-processing works on
 * further layers and a half-size buffer. */
#ifndef VELMORA_RENDER_H
#define VELMORA_RENDER_H

#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The G-buffer array, the depth texture, the half-size array, the three
 * framebuffers and the screen quad, for the screen's size (log section
 * "FrameBuffer"). Targets of an earlier call are deleted first. Returns 0. */
int VLM_InitFrameBuffer(void);
/* The direct, point, shadowed point and spot light programs, the light
 * volumes and the point-light instance buffer (log section "G-Buffer").
 * Returns 0. */
int VLM_InitGBuffer(void);
/* The directional shadow map (size x size) and the point-light shadow cube
 * (cubeSize per face) with their framebuffers. Returns 0. */
int VLM_InitShadowMaps(int size, int cubeSize);

/* Draws one frame of the 3D world: geometry into the G-buffer, shadows,
 * lights, forward passes, effects and glow. `target` -1 is the screen: the
 * frame then waits in G-buffer layer 7, where 2D drawing lands, until
 * VLM_FlipBuffers presents it. Any other value is a GL framebuffer that
 * receives the lit scene. Returns 0. */
int VLM_RenderWorld(intptr_t target);
/* Makes the program current and points its samplers at their texture
 * units. Returns 1, or 0 for a handle that names no live program. */
int VLM_UseShaderProgram(VLM_HANDLE shader);
/* Binds the material's textures to the units its program reads them from
 * and uploads its Material-block values. Returns 1, or 0 for a bad handle. */
int VLM_ApplyMaterial(VLM_HANDLE material);
/* Frustum culling of instances and lights, on (1) at start-up. Returns 0. */
int VLM_FrustumCulling(int on);
/* Copies a width x height rectangle at (x, y) (pixels, y up from the
 * bottom) of G-buffer layer `layer` (0..7) into rgba as 4 floats per pixel,
 * bottom row first. Returns 1, or 0 (with a failure row) without render
 * targets or for a layer or rectangle outside them. */
int VLM_ReadGBufferLayer(int layer, int x, int y, int width, int height, float* rgba);

/* The sky drawn behind the scene: a cube texture, or 0 for none (the
 * default). Returns 1, or 0 (with a failure row) for a handle that names
 * no cube texture, which leaves the sky as it was. */
int VLM_SkyBox(VLM_HANDLE cubeTexture);
/* Queues a line in world space for the next frame's 3D line pass, which
 * draws it with the physics debug view and then drops it. `colour` as
 * VLM_v4fFromColor reads it. Returns 1, or 0 (with a failure row) for a
 * coordinate that is not finite. */
int VLM_DrawLine3D(float x0, float y0, float z0, float x1, float y1, float z1, uint32_t colour);

/* Counters of the last rendered frame, for statistics. */
#define VLM_RENDERED_OBJECTS 0        /* objects drawn by the geometry pass (not instanced) */
#define VLM_RENDERED_LIGHTS 1         /* point lights drawn */
#define VLM_RENDERED_SHADOW_OBJECTS 2 /* objects drawn into shadow maps */
/* The counter `which`, or 0 for an unknown one. */
int VLM_RenderedCount(int which);

#ifdef __cplusplus
}
#endif

#endif
