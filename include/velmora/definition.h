/* Velmora Engine: definition interface. */
#ifndef VELMORA_DEFINITION_H
#define VELMORA_DEFINITION_H

#include "types.h"

#endif
