/* Shared value types of the Velmora Engine. */
#ifndef VELMORA_TYPES_H
#define VELMORA_TYPES_H

#include <stdint.h>

/* Four floats: x, y, z, w. w = 1 marks a point, w = 0 a direction. */
typedef struct v4f {
  float x, y, z, w;
} v4f;

/* 4 x 4 matrix, row-major, used with row vectors; row 3 holds the translation. */
typedef struct m4f {
  float e[16];
} m4f;

/* A handle: an ID 0..65535 or the address of a record. -1 asks for a dynamic object. */
typedef intptr_t VLM_HANDLE;

/* The value passed for an optional parameter to select its default. */
#define VLM_DEFAULT (-65535)
#define VLM_DEFAULTF (-65535.0f)

#endif
