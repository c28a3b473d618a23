/* Velmora Engine: collision cages. */
#ifndef VELMORA_CAGE_H
#define VELMORA_CAGE_H

#include "types.h"

#endif
