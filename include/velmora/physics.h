/* Velmora Engine: physics interface. */
#ifndef VELMORA_PHYSICS_H
#define VELMORA_PHYSICS_H

#include "types.h"

#endif
