/* Velmora Engine: engine start-up, HTML log and debugger channel. */
#ifndef VELMORA_CORE_H
#define VELMORA_CORE_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Engine start-up and shutdown ------------------------------------- */

/* Brings the engine up; called once by the screen-opening procedure. With
 * no current GL context the GL steps are skipped (tools and tests). */
int VLM_Init(void);
/* Releases the renderable kinds, the global GL objects, the sounds and the
 * physics world (bodies, joints, physical materials, cages): a later
 * VLM_Init starts an empty world. */
int VLM_Shutdown(void);
/* Version row written at start-up. */
#define VLM_VERSION_TEXT "0.3.2.b (2016-03-30)"

/* ---- HTML log ----------------------------------------------------------- */

#define VLM_LOG_TIME 1
#define VLM_LOG_MODULE 2
#define VLM_LOG_PROCEDURE 4
#define VLM_LOG_LINE 8

#define VLM_COLOR_FAIL 0xFF0000FFu
#define VLM_COLOR_OK 0xFF00FF11u
#define VLM_COLOR_NOTICE 0xFFFF0000u
#define VLM_COLOR_INFO 0x404040u
#define VLM_COLOR_COUNT 0xFF545454u
#define VLM_COLOR_PLAIN 0u
#define VLM_COLOR_TITLE 0xFF31BC51u
#define VLM_COLOR_PROGRAM 0xBEFBu
#define VLM_COLOR_SUBSYSTEM 0xD06600u

/* Opens (mode 1: creates or truncates; mode 0: writes from the start of an
 * existing file) the log. Writes the UTF-8 BOM and, unless noHeader, the
 * HTML header. A file that cannot be created makes every later log
 * operation a silent no-op. Returns 0. */
int VLM_OpenLogFile(const char* fileName, int noHeader, int mode);
int VLM_SetLogColumns(int mask);
int VLM_BeginLogSection(const char* title, uint32_t colour);
int VLM_EndLogSection(void);
/* One table row: text is written unchanged (it may hold markup). */
int VLM_LogMessage(const char* text, uint32_t colour, int line, const char* module,
                   const char* procedure);
int VLM_LogBreak(void);
/* "#RRGGBB" of a colour (red in bits 0-7); writes into out (8 bytes) and
 * returns it. */
char* VLM_ColourToHtml(uint32_t colour, char out[8]);

/* Rows with module and line (the start of a load or set-up step). */
#define VLM_LOG_HEADLINE(text, module, procedure) \
  VLM_LogMessage((text), VLM_COLOR_INFO, __LINE__, (module), (procedure))

/* ---- Debugger channel --------------------------------------------------- */

#define VLM_DEBUG_ERROR 1
#define VLM_DEBUG_WARNING 2
#define VLM_DEBUG_TEXT 3
#define VLM_DEBUG_VECTOR 4
#define VLM_DEBUG_MATRIX 5

/* Name of the shared memory and its size. */
#define VLM_DEBUGGER_MAPPING_NAME "VLM_DebuggerApplication"
#define VLM_DEBUGGER_MAPPING_SIZE 0xA00000u

/* Writes one record to the debugger channel. Types 1-3 take a zero-ended
 * text, 4 a v4f, 5 an m4f, others nothing. Returns 0. */
int VLM_DebugMessage(int type, const void* data);
int VLM_DebugError(const char* text);
int VLM_DebugWarning(const char* text);
int VLM_DebugText(const char* text);

#ifdef __cplusplus
}
#endif

#endif
