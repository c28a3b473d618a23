/* Velmora Engine: keyboard, mouse and joysticks. */
#ifndef VELMORA_INPUT_H
#define VELMORA_INPUT_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Enumerates the joysticks; called by the engine start-up. */
int VLM_InitJoysticks(void);

#ifdef __cplusplus
}
#endif

#endif
