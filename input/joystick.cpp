// Joysticks; filled in by the input work.
#include "velmora/input.h"

extern "C" int VLM_InitJoysticks(void) { return 0; }
