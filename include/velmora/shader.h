/* Velmora Engine: shader programs and uniform buffers.
 *
 * The engine builds 47 programs at start-up (numbers 1-47; 34 is not
 * defined) from GLSL 3.30 sources compiled into the library, and files them
 * in the shader registry and in a table by program number. Compile results
 * go to the log under the module "VLM Shader". Applications may build their
 * own programs from memory or from files. */
#ifndef VELMORA_SHADER_H
#define VELMORA_SHADER_H

#include "registry.h"
#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Shader groups. */
#define VLM_SHADERGROUP_GBUFFER 0
#define VLM_SHADERGROUP_SHADOW 1
#define VLM_SHADERGROUP_2D 2
#define VLM_SHADERGROUP_3D 3
#define VLM_SHADERGROUP_PP 4

/* The built-in programs by number (VLM_GetBuiltInShader, the program
 * number of a shader). Each draws what its name says; 34 is not defined. */
enum VLM_BUILTIN_PROGRAM {
  VLM_PROGRAM_GBUFFER_DEPTH_LINEARIZATION = 1, /* G-buffer layer 4 red = linear depth */
  VLM_PROGRAM_GBUFFER_BLOOM_GLOW_MAP = 2,      /* layer 5 = glow and bloom sources */
  VLM_PROGRAM_GBUFFER_SSAO = 3,
  VLM_PROGRAM_SHADOW_DEFAULT = 4,              /* depth of a mesh into a shadow map */
  VLM_PROGRAM_SHADOW_INSTANCING = 5,
  VLM_PROGRAM_SHADOW_TEXTUREARRAY = 6,
  VLM_PROGRAM_SHADOW_GRASS = 7,
  VLM_PROGRAM_2D_DEFAULT = 8,
  VLM_PROGRAM_2D_DEFAULT_TA = 9,
  VLM_PROGRAM_2D_DRAWING = 10,
  VLM_PROGRAM_2D_MASKED = 11,
  VLM_PROGRAM_2D_COLOR_CHANNELS = 12,
  VLM_PROGRAM_2D_BLUR = 13,
  VLM_PROGRAM_2D_GADGET = 14,
  VLM_PROGRAM_3D_DEFAULT = 15,
  VLM_PROGRAM_3D_DRAWING = 16,                 /* 3D lines with a colour per vertex */
  VLM_PROGRAM_3D_DRAW_MESH = 17,
  VLM_PROGRAM_3D_TEXTURES = 18,
  VLM_PROGRAM_3D_TEXTURES_NODEPTH = 19,
  VLM_PROGRAM_3D_NORMALMAP = 20,
  VLM_PROGRAM_3D_NORMALMAP_TA = 21,
  VLM_PROGRAM_3D_SPECULARMAP = 22,
  VLM_PROGRAM_3D_SPECULARMAP_I = 23,
  VLM_PROGRAM_3D_SPECULARMAP_TA = 24,
  VLM_PROGRAM_3D_CLIPPED_SPECULARMAP = 25,
  VLM_PROGRAM_3D_REFLECTIONMAP = 26,
  VLM_PROGRAM_3D_ULTIMATE = 27,
  VLM_PROGRAM_3D_GRASS = 28,
  VLM_PROGRAM_3D_GLASS = 29,
  VLM_PROGRAM_NORMAL_MAPPING_SILHOUETTE = 30,
  VLM_PROGRAM_PARALLAX_MAPPING = 31,
  VLM_PROGRAM_SPECULAR_PARALLAX_MAPPING = 32,
  VLM_PROGRAM_WATER = 33,
  VLM_PROGRAM_MASK_REFRACTION = 35,
  VLM_PROGRAM_MESH_GLOW = 36,
  VLM_PROGRAM_SKYBOX = 37,
  VLM_PROGRAM_PARTICLE = 38,
  VLM_PROGRAM_SOFT_PARTICLE = 39,
  VLM_PROGRAM_3D_PERLIN = 40,
  VLM_PROGRAM_PP_DEFAULT = 41,
  VLM_PROGRAM_PP_DEFAULT_TA = 42,              /* copies one layer of a texture array */
  VLM_PROGRAM_PP_GAMMA = 43,
  VLM_PROGRAM_PP_GAMMA_TA = 44,
  VLM_PROGRAM_PP_BLUR = 45,
  VLM_PROGRAM_PP_BLUR_TA = 46,
  VLM_PROGRAM_BILLBOARD = 47,
  VLM_PROGRAM_LAST = VLM_PROGRAM_BILLBOARD
};

/* Uniform type codes of VLM_AddShaderUniform and the list each fills:
 * 0, 1, 3 integers; 2 samplers; 4 floats; 5, 6 3-vectors (vec2 and vec3);
 * 7 4-vectors; 8 3x3 matrices; 9 4x4 matrices. */
#define VLM_UNIFORM_INTEGER 3
#define VLM_UNIFORM_SAMPLER 2
#define VLM_UNIFORM_FLOAT 4
#define VLM_UNIFORM_VECTOR2 5
#define VLM_UNIFORM_VECTOR3 6
#define VLM_UNIFORM_VECTOR4 7
#define VLM_UNIFORM_MATRIX3 8
#define VLM_UNIFORM_MATRIX4 9

/* Creates a shader (ID 0-65535, or -1 for a dynamic one) with its GL
 * program. Returns it, or 0 when the registry refused the ID. */
VLM_SHADER* VLM_CreateShaderProgram(VLM_HANDLE id, int group, const char* name);
/* Compile one stage from the bytes [start, end) (no terminator needed),
 * log the result and attach it. Linking is left to the caller. Return 0. */
int VLM_CatchVertexShader(VLM_HANDLE shader, const char* start, const char* end);
int VLM_CatchFragmentShader(VLM_HANDLE shader, const char* start, const char* end);
/* The same from a file read whole. 1, or 0 when the file cannot be read. */
int VLM_LoadVertexShader(VLM_HANDLE shader, const char* path);
int VLM_LoadFragmentShader(VLM_HANDLE shader, const char* path);
/* The info log of a GL shader object: "Compiling successfull!" when the
 * driver reports a log of length 1, else the log (at most 16384 bytes; ""
 * when empty). The text stays valid until the next call. */
const char* VLM_GetShaderCompileLog(uint32_t glShader);

/* Thin wrappers of glBindAttribLocation, glBindFragDataLocation,
 * glGetUniformBlockIndex and glGetUniformLocation. */
int VLM_BindShaderAttribute(uint32_t glProgram, int location, const char* name);
int VLM_BindShaderOutput(uint32_t glProgram, int location, const char* name);
uint32_t VLM_GetShaderBlockIndex(uint32_t glProgram, const char* name);
int VLM_GetShaderUniformLocation(uint32_t glProgram, const char* name);

/* Registers a uniform of a type code (above) in slot `slot` of slot table
 * A (or B when useTableB is not 0). Returns its location; 0 for an unknown
 * type code or shader. */
int VLM_AddShaderUniform(VLM_HANDLE shader, int type, const char* name, int slot, int useTableB,
                         int start, int length, int count);
int VLM_SetShaderProgramIndex(VLM_HANDLE shader, int number);
int VLM_SetShaderShadowProgram(VLM_HANDLE shader, VLM_HANDLE shadowShader);
/* Built-in program `number` (1-47), or 0. */
VLM_SHADER* VLM_GetBuiltInShader(int number);
/* Puts a program into render list 0, 1 or 2: 1 when appended, 0 when it
 * was there already (or the list or shader does not exist). */
int VLM_AddShaderToRenderList(int list, VLM_HANDLE shader);
/* Builds a program from two stages, binding its inputs, outputs, blocks
 * and uniforms as its sources declare them (one declaration per line), and
 * files it as built-in program `number` (0: not in the table). */
VLM_SHADER* VLM_BuildShaderProgram(int number, int group, int renderList, const char* vsStart,
                                   const char* vsEnd, const char* fsStart, const char* fsEnd,
                                   const char* name);
/* Uniform buffers, then every built-in program, each group in a log
 * section. Called by VLM_Init. Returns 1, or 0 when the uniform buffers
 * could not be made. */
int VLM_InitShaders(void);
/* The uniform buffers "Projection" (0), "Model" (1), "Material" (2),
 * "Light" (3) and "Misc" (4). 1, or 0 when the driver offers no fragment
 * uniform components. */
int VLM_InitShaderBuffers(void);

#ifdef __cplusplus
}
#endif

#endif
