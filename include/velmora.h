/*
 * Velmora Engine: the public interface.
 *
 * Every engine procedure is declared here (through the subsystem headers
 * below). Procedures report failure by a row in "VLM LogFile.html" and a
 * result of 0; none of them throws or aborts.
 */
#ifndef VELMORA_H
#define VELMORA_H

#include "velmora/types.h"
#include "velmora/core.h"
#include "velmora/math.h"
#include "velmora/registry.h"
#include "velmora/platform.h"
#include "velmora/input.h"
#include "velmora/definition.h"
#include "velmora/mesh.h"
#include "velmora/cage.h"
#include "velmora/physics.h"
#include "velmora/scene.h"
#include "velmora/shader.h"
#include "velmora/sound.h"
#include "velmora/texture.h"
#include "velmora/particles.h"
#include "velmora/text.h"
#include "velmora/element.h"
#include "velmora/camera.h"
#include "velmora/light.h"
#include "velmora/render.h"
#include "velmora/effects.h"

#endif
