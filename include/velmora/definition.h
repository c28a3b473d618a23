/* Velmora Engine: definition files, the engine's hierarchical text format.
 *
 * A definition text is a tree of statements: "Name: value" leaves,
 * "Name: a, b, c" lists and "Name: value { ... }" blocks, with line and
 * block comments and 'quoted text'. Any text parses into some tree;
 * nothing here writes to the log. Nodes are looked up by paths of names
 * joined by "\" and read with the typed readers; every procedure accepts a
 * null node and then returns its default.
 *
 * Strings are UTF-8. Files are read as UTF-8 (with byte-order mark),
 * UTF-16 little endian (with byte-order mark) or, without a mark, as 8-bit
 * Latin-1 text. File names accept both "\" and "/" as separators.
 *
 * A node belongs to its tree: it stays valid until the tree, or the node
 * itself, is released. Strings handed out live as long as their node. */
#ifndef VELMORA_DEFINITION_H
#define VELMORA_DEFINITION_H

#include <stddef.h>

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VLM_DEFINITION_NODE VLM_DEFINITION_NODE;
typedef struct VLM_DEFINITION_WRITER VLM_DEFINITION_WRITER;

/* ---- Reading trees ------------------------------------------------------ */

/* Reads a whole file into a new tree and records it as the last file; null
 * when the file cannot be read (the last file name and directory are
 * recorded all the same). */
VLM_DEFINITION_NODE* VLM_LoadDefinitionFile(const char* fileName);
/* Parses UTF-8 text into a new tree whose directory is `directory`. */
VLM_DEFINITION_NODE* VLM_ParseDefinitionText(const char* text, const char* directory);
/* Parses the bytes of a definition file held in memory (the byte-order mark
 * decides the encoding, as for files). Does not touch the last-file record. */
VLM_DEFINITION_NODE* VLM_CatchDefinitionFile(const void* memory, size_t size,
                                             const char* directory);

/* ---- Lookup --------------------------------------------------------------- */

/* "\A\B" names direct children; "A" finds the first node named A anywhere
 * below `node` (depth first, the node itself first); "A\B" the direct child
 * B of the first A. A non-empty `value` accepts only a node of that value at
 * the end of the path. With `fallback` 1 a failed lookup gives `node`. */
VLM_DEFINITION_NODE* VLM_FindDefinitionNode(VLM_DEFINITION_NODE* node, const char* path,
                                            const char* value, int fallback);
/* Child by index; a negative index counts from the end (-1 is the last). */
VLM_DEFINITION_NODE* VLM_GetDefinitionChild(VLM_DEFINITION_NODE* node, int32_t index);
/* Next sibling, or null. */
VLM_DEFINITION_NODE* VLM_NextDefinitionNode(VLM_DEFINITION_NODE* node);
VLM_DEFINITION_NODE* VLM_GetDefinitionParent(VLM_DEFINITION_NODE* node);
/* Number of children, or of children named `name` when it is not empty. */
int32_t VLM_CountDefinitionChildren(VLM_DEFINITION_NODE* node, const char* name);
/* The text before the statement's colon ("" for none). */
const char* VLM_GetDefinitionName(VLM_DEFINITION_NODE* node);
/* Directory of the file the node's tree was read from, with its trailing
 * separator, or "". Loaders prepend it to relative file names. */
const char* VLM_GetDefinitionDirectory(VLM_DEFINITION_NODE* node);

/* ---- Readers ---------------------------------------------------------------- */

/* A list gives x, y, z (and w unless w is VLM_DEFAULTF) from its elements;
 * missing elements leave x, y, z unchanged, a missing fourth gives `w`. A
 * single value v gives (0, 0, -v) with w unchanged. No node: (x, y, z, w),
 * w untouched when it is VLM_DEFAULTF. Returns out. */
v4f* VLM_ReadDefinitionVector(VLM_DEFINITION_NODE* node, v4f* out, float x, float y, float z,
                              float w);
/* "true"/"enable" 1, "false"/"disable"/"none" 0, "default" -1 (any case),
 * otherwise the integer conversion of the value. */
int64_t VLM_ReadDefinitionInteger(VLM_DEFINITION_NODE* node, int64_t defaultValue);
/* Packed colour (red in bits 0-7 ... alpha in 24-31). A list gives r, g, b,
 * a: elements with "." are taken as 0..1, others as 0..255; a single value
 * is a packed colour ("$FF8040"). Fills out (0..1) when given. */
uint32_t VLM_ReadDefinitionColour(VLM_DEFINITION_NODE* node, v4f* out, uint32_t defaultColour);
const char* VLM_ReadDefinitionString(VLM_DEFINITION_NODE* node, const char* defaultValue);
float VLM_ReadDefinitionFloat(VLM_DEFINITION_NODE* node, float defaultValue);
/* A pair (min, max): a list gives both (missing elements stay), a single
 * value gives it twice; no node gives (min, max), max VLM_DEFAULTF meaning
 * min. Returns out. */
float* VLM_ReadDefinitionRange(VLM_DEFINITION_NODE* node, float out[2], float min, float max);

/* The number conversions of the readers, on `length` bytes of text.
 * Integers: leading spaces and tabs, a sign, then decimal digits, "$" and
 * hexadecimal or "%" and binary digits, up to the first other character;
 * saturates at the 64-bit range. Floats: "+Infinity", "-Infinity", "NaN"
 * (whole text, any case), else white space, sign, digits, "." and an
 * exponent, up to the first other character. No number gives 0. */
int64_t VLM_ConvertDefinitionInteger(const char* text, size_t length);
float VLM_ConvertDefinitionFloat(const char* text, size_t length);

/* ---- Release -------------------------------------------------------------- */

/* wholeTree 1: releases the tree holding the node. wholeTree 0: a root is
 * released, any other node is taken out of its parent with its sub-tree
 * (whose memory returns when the tree is released). Returns 0. */
int VLM_FreeDefinitionNode(VLM_DEFINITION_NODE* node, int wholeTree);
/* Releases the tree of the last file loaded and forgets that file. */
int VLM_FreeDefinitionFile(void);

/* ---- Discovery and dispatch ------------------------------------------------- */

#define VLM_DEFINITION_TEXTURES 1
#define VLM_DEFINITION_MATERIALS 2
#define VLM_DEFINITION_SOUNDS 8
#define VLM_DEFINITION_ALL 15

/* `path` is a file, a directory, or a directory followed by a file pattern
 * with "*" (the pattern applies to that directory only; subdirectories are
 * entered and every file in them is parsed). Each file gets a headline row,
 * is parsed and dispatched; the trees stay loaded. Returns 0. */
int VLM_ParseDefinitionFiles(const char* path, int kinds);
/* Walks the tree depth first and hands each "Texture", "Material" and
 * "Sound" node (when its kind is in `kinds`) to its loader; the children of
 * such nodes are not walked. Returns 0. */
int VLM_DispatchDefinitions(VLM_DEFINITION_NODE* node, int kinds);

/* ---- Writing ------------------------------------------------------------------ */

/* Files are written as UTF-8 without byte-order mark, lines ended by CR LF,
 * lines inside blocks indented by one tab per level. Names and values are
 * written as given (the format has no escape). Each call returns 1, or 0
 * once a write has failed. */
/* Creates (truncates) the file; null when it cannot be created. */
VLM_DEFINITION_WRITER* VLM_OpenDefinitionWriter(const char* fileName);
/* "name: value {" (an empty value gives "name: {", an empty name "value {"). */
int VLM_BeginDefinitionBlock(VLM_DEFINITION_WRITER* writer, const char* name, const char* value);
/* "}" on its own line, one level out. */
int VLM_EndDefinitionBlock(VLM_DEFINITION_WRITER* writer);
/* "name: value" (an empty name gives the value alone). */
int VLM_WriteDefinitionStatement(VLM_DEFINITION_WRITER* writer, const char* name,
                                 const char* value);
/* One list line of floats with six decimals, each non-negative one preceded
 * by a space so that columns line up: " 1.000000,-0.500000, 0.000000". */
int VLM_WriteDefinitionFloats(VLM_DEFINITION_WRITER* writer, const float* values, int32_t count);
/* One list line of integers after one space: " 0,1,2". */
int VLM_WriteDefinitionIntegers(VLM_DEFINITION_WRITER* writer, const int32_t* values,
                                int32_t count);
/* A line of text as given; an empty text gives an empty line (no indent). */
int VLM_WriteDefinitionLine(VLM_DEFINITION_WRITER* writer, const char* text);
/* Writes what is buffered, closes the file and frees the writer. 1 when every
 * byte reached the file. */
int VLM_CloseDefinitionWriter(VLM_DEFINITION_WRITER* writer);

#ifdef __cplusplus
}
#endif

#endif
