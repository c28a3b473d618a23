/* Velmora Engine: the camera.
 *
 * One camera looks at the scene. It is an entity (kind 4) like any other
 * placed record, so it can hang on a parent; its own matrix is the rotation
 * of its orientation with its position in row 3. Positions and rotations
 * take the transform-mode bits of velmora/scene.h. */
#ifndef VELMORA_CAMERA_H
#define VELMORA_CAMERA_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Projection modes. */
#define VLM_PROJECTION_ORTHOGRAPHIC 0
#define VLM_PROJECTION_PERSPECTIVE 1

/* Mode bits of VLM_GetCameraPosition. */
#define VLM_CAMERA_OWN_ORIGIN 2 /* the origin of the camera's own frame */
#define VLM_CAMERA_WORLD 4      /* the world position */

/* Sentinel pixel of VLM_CameraPickRay: the ray through the view centre. */
#define VLM_PICK_CENTRE (-65535.0f)

struct VLM_CAMERA;

/* The camera: there is one, whatever number is asked for. */
struct VLM_CAMERA* VLM_GetCamera(int number);

/* Viewport (0, 0, width, height), default projection (45 degrees, near 0.1,
 * far 128, perspective), the camera at the origin, and the Projection
 * uniform buffer created and filled. Called by start-up. Returns 0. */
int VLM_InitCamera(int width, int height);

/* Position and rotation (Euler angles in degrees) by transform mode; the
 * camera's matrices are rebuilt. Return 0. */
int VLM_CameraPosition(float x, float y, float z, int mode);
int VLM_CameraRotation(float ax, float ay, float az, int mode);

/* Mode 0: the stored position (relative to the parent); VLM_CAMERA_OWN_ORIGIN:
 * the origin of the own frame; VLM_CAMERA_WORLD: the world position. With a
 * null out the result goes to a vector inside the camera record. Returns
 * the vector written. */
v4f* VLM_GetCameraPosition(v4f* out, int mode);

/* Projection parameters. The field of view (degrees) changes what the GPU
 * sees only in perspective mode; near and far planes (units) change the
 * matrix of the current mode and the near/far values the shaders read.
 * Values that would make the projection singular are refused with a log
 * row. Return 0. */
int VLM_CameraFOV(float degrees);
int VLM_CameraNear(float distance);
int VLM_CameraFar(float distance);
/* VLM_PROJECTION_PERSPECTIVE or VLM_PROJECTION_ORTHOGRAPHIC; the matrix of
 * the new mode is uploaded. Returns 0. */
int VLM_CameraProjectionMode(int mode);

/* World-space unit direction of the view ray through pixel (x, y) of the
 * drawing area (x = y = VLM_PICK_CENTRE: through the view centre). The
 * result lives in the camera record until the next call. */
v4f* VLM_CameraPickRay(float x, float y);

/* Rebuilds the own, world and view matrices. Returns 0. */
int VLM_UpdateCamera(void);
/* The view matrix (inverse of the world matrix) of the last update. */
m4f* VLM_CameraViewMatrix(void);

#ifdef __cplusplus
}
#endif

#endif
