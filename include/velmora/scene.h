/* Velmora Engine: scene interface. */
#ifndef VELMORA_SCENE_H
#define VELMORA_SCENE_H

#include "types.h"

#endif
