/* Velmora Engine: platform interface. */
#ifndef VELMORA_PLATFORM_H
#define VELMORA_PLATFORM_H

#include "types.h"

#endif
