/* Velmora Engine: the renderer's targets, created once at start-up.
 *
 * The renderer is deferred: geometry goes into an 8-layer G-buffer, lights
 * are summed from it into a scene-colour layer, and post-processing works on
 * further layers and a half-size buffer. */
#ifndef VELMORA_RENDER_H
#define VELMORA_RENDER_H

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
