/* Velmora Engine: images, textures and materials.
 *
 * Textures are GL texture objects made from PNG or JPEG files, from images
 * held in memory, or from the engine's raw "vlt" files (int32 width, height
 * and one ignored int32, little endian, then width * height RGB bytes, top
 * row first). Texture row 0 is the top row of the picture (v = 0).
 *
 * A material names a built-in shader program, up to four textures (0 colour,
 * 1 normal, 2 specular, 3 mask) and a cube map, and the values and GL state
 * it is drawn with. Every material is entered into its program's list of
 * materials, so the renderer draws all meshes of one material together.
 *
 * Failures write a red row to the log and return 0. */
#ifndef VELMORA_TEXTURE_H
#define VELMORA_TEXTURE_H

#include <stddef.h>

#include "definition.h"
#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Images ------------------------------------------------------------- */

typedef struct VLM_IMAGE VLM_IMAGE;

/* Layout flags of an image's rows. */
#define VLM_IMAGE_BLUEFIRST 1 /* B, G, R (, A) instead of R, G, B (, A) */
#define VLM_IMAGE_BOTTOMUP 2  /* the bottom row of the picture is stored first */

/* Decodes a PNG or JPEG file or memory block; 0 when it cannot. */
VLM_IMAGE* VLM_LoadImage(const char* fileName);
VLM_IMAGE* VLM_CatchImage(const void* memory, size_t size);
/* A zero-filled image of 3 or 4 bytes per pixel with the given flags; 0 when
 * the size or layout is not possible. */
VLM_IMAGE* VLM_CreateImage(int width, int height, int bytesPerPixel, int flags);
int VLM_ImageWidth(const VLM_IMAGE* image);
int VLM_ImageHeight(const VLM_IMAGE* image);
int VLM_ImageBytesPerPixel(const VLM_IMAGE* image);
int VLM_ImageFlags(const VLM_IMAGE* image);
/* The rows as stored, packed without padding. */
uint8_t* VLM_ImagePixels(VLM_IMAGE* image);
int VLM_FreeImage(VLM_IMAGE* image);

/* ---- Textures ------------------------------------------------------------ */

/* Texture filters by the names definition files use: the GL values. */
#define VLM_TEXTUREFILTER_NOFILTERING 0x2600     /* GL_NEAREST */
#define VLM_TEXTUREFILTER_LINEARFILTERING 0x2601 /* GL_LINEAR */

/* `texture` is the wanted ID or -1; `filter` a GL filter (GL_NEAREST,
 * GL_LINEAR, or the names above) or VLM_DEFAULT for the default texture filter; `mipmaps` the
 * highest mipmap level or 0; an empty name means the file-name part of the
 * file. 2D textures repeat, cube maps clamp to the edge; file, definition
 * and cube-map textures ask for anisotropy 8 where the driver offers it. */
VLM_TEXTURE* VLM_LoadTextureFile(VLM_HANDLE texture, const char* fileName, int filter, int mipmaps,
                                 const char* name);
/* The first "Texture" block of value `name` below `node` (or `node` itself):
 * keys File (relative to the definition file; ".vlt" is a raw file),
 * Filter (VLM_TEXTUREFILTER_NOFILTERING, VLM_TEXTUREFILTER_LINEARFILTERING,
 * NONE, LINEAR; any case, "#" around ignored; default nearest), Mipmaps. */
VLM_TEXTURE* VLM_LoadTextureDefinition(VLM_HANDLE texture, VLM_DEFINITION_NODE* node,
                                       const char* name);
/* Six files joined to `directory`, faces +X, -X, +Y, -Y, +Z, -Z. */
VLM_TEXTURE* VLM_LoadCubeMapTexture(VLM_HANDLE texture, const char* directory, const char* posX,
                                    const char* negX, const char* posY, const char* negY,
                                    const char* posZ, const char* negZ, int filter, int mipmaps,
                                    const char* name);
/* The same from six encoded images in memory (faces in the order above),
 * without log rows. */
VLM_TEXTURE* VLM_CatchCubeMapTexture(VLM_HANDLE texture, const void* const images[6],
                                     const size_t sizes[6], int filter, int mipmaps,
                                     const char* name);
/* A 2D texture from an encoded image in memory; no anisotropy, no mipmaps. */
VLM_TEXTURE* VLM_CatchTexture(VLM_HANDLE texture, const void* memory, size_t size, int filter,
                              const char* name);
/* An array texture of `layers` RGBA layers of width x height, uninitialised,
 * repeating, with the given filter; fill its layers with
 * VLM_AddTextureToTextureArray. */
VLM_TEXTURE* VLM_CreateTextureArray(VLM_HANDLE texture, int width, int height, int layers,
                                    int filter, const char* name);
/* Loads an image of the array's size into layer `layer`: 1, or 0. */
int VLM_AddTextureToTextureArray(VLM_HANDLE arrayTexture, const char* fileName, int layer);
/* Level 0 of the bound texture from an image, top row first: target a cube
 * face, or 0 for GL_TEXTURE_2D (layer VLM_DEFAULT) or a layer of the bound
 * GL_TEXTURE_2D_ARRAY. Returns 0. */
int VLM_UploadTextureImage(const VLM_IMAGE* image, uint32_t target, int layer);
/* Part used by 2D drawing; width or height -1 means the texture's own. */
int VLM_SetTextureRegion(VLM_HANDLE texture, int x, int y, int width, int height);
int VLM_SetTextureFilter(int filter);
int VLM_GetTextureFilter(void);
/* The maximum anisotropy of the textures made from now on (from files,
 * definitions and cube faces; textures from memory take none): 1 (none)
 * or more, held within the driver's own limit. Start-up sets 8, or less
 * on a software rasteriser, which writes a log row saying so. Returns 1,
 * or 0 with a failure row for a value below 1 or not finite. */
int VLM_SetTextureAnisotropy(float maximum);
float VLM_GetTextureAnisotropy(void);
int VLM_GetTextureWidth(VLM_HANDLE texture);
int VLM_GetTextureHeight(VLM_HANDLE texture);
const char* VLM_GetTextureName(VLM_HANDLE texture);
/* Level 0 as a new top-down image of 4 bytes per pixel, blue first. */
VLM_IMAGE* VLM_GrabTextureImage(VLM_HANDLE texture);
/* Level 0 as a new block of width * height RGBA bytes (release with free). */
uint8_t* VLM_ReadTexturePixels(VLM_HANDLE texture);

/* ---- Materials ------------------------------------------------------------ */

/* The first "Material" block of value `name` below `node`. */
VLM_MATERIAL* VLM_LoadMaterialDefinition(VLM_HANDLE material, VLM_DEFINITION_NODE* node,
                                         const char* name);
/* A material of built-in program `program` with `texture` on slot 0, or the
 * three substitute maps on slots 0-2 when `texture` is -1. */
VLM_MATERIAL* VLM_CreateMaterial(VLM_HANDLE material, VLM_HANDLE texture, int program,
                                 const char* name);
/* Enters the material into its program's list: 1, or 0 when it was there
 * already or its program is in no render list. */
int VLM_AddMaterialToShader(VLM_HANDLE material);
/* The handle of the material named `name`, or 0 when there is none (a
 * handle that, unless material 0 exists, stands for the default material). */
VLM_HANDLE VLM_GetMaterialByName(const char* name);

/* The engine's built-in resources (handles; 0 before start-up). */
#define VLM_RESOURCE_TEXTURE 0
#define VLM_RESOURCE_SUBSTITUTE_COLOUR 1
#define VLM_RESOURCE_SUBSTITUTE_NORMAL 2
#define VLM_RESOURCE_SUBSTITUTE_SPECULAR 3
#define VLM_RESOURCE_CUBEMAP 4
#define VLM_RESOURCE_MATERIAL 5
#define VLM_RESOURCE_MATERIAL_3D 6
#define VLM_RESOURCE_MATERIAL_PARTICLE 7
#define VLM_RESOURCE_MATERIAL_LOGO 8
VLM_HANDLE VLM_GetDefaultResource(int resource);

#ifdef __cplusplus
}
#endif

#endif
