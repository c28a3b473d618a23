/* Velmora Engine: positional sound.
 *
 * A loaded sound is a template; playing it makes a channel, a copy of the
 * template placed in the world, which VLM_UpdateSounds turns into volume,
 * pan and frequency relative to the listener (the camera) once per frame.
 * Distances are in world units, angles in radians, frequencies in Hz. */
#ifndef VELMORA_SOUND_H
#define VELMORA_SOUND_H

#include "types.h"

typedef struct VLM_DEFINITION_NODE VLM_DEFINITION_NODE;

#ifdef __cplusplus
extern "C" {
#endif

/* Sound flags; their names ("LOOP", "STREAM" ...) are the words of sound
 * definitions. */
#define VLM_SOUND_DEFAULT 0
#define VLM_SOUND_PLAY 1           /* play as soon as loaded */
#define VLM_SOUND_LOOP 2
#define VLM_SOUND_BACKGROUND 4     /* not positional */
#define VLM_SOUND_CHANNEL 8        /* a channel of its own */
#define VLM_SOUND_AUTORELEASE 16   /* the channel is freed when it stops */
#define VLM_SOUND_DOPPLEREFFECT 32
#define VLM_SOUND_STREAM 64        /* decoded while playing */
/* VLM_PlaySound: use the sound's own flags. */
#define VLM_SOUND_OWN_FLAGS (-65535)
/* VLM_SetSoundVolume / VLM_SetSoundFrequency: the master value. */
#define VLM_SOUND_MASTER (-2)

/* Starts the sound output (engine start-up calls it). Without an audio
 * device the engine keeps running silently. Returns 0. */
int VLM_InitSound(void);
/* Loads a wave or Ogg Vorbis file as sound `id` (or -1). Returns the handle,
 * or 0 with a message on the debugger channel. */
VLM_HANDLE VLM_LoadSoundFile(VLM_HANDLE id, const char* file, int32_t flags, const char* name);
/* Plays a copy of the sound, at `position` when given. flags
 * VLM_SOUND_OWN_FLAGS uses the sound's. Returns the channel, or 0 (also
 * when the position lies beyond the sound's range). */
VLM_HANDLE VLM_PlaySound(VLM_HANDLE sound, int32_t flags, const v4f* position);
/* Volume (1.0 = full) and frequency factor of a sound or channel, or with
 * VLM_SOUND_MASTER of everything. Return 0. */
int VLM_SetSoundVolume(VLM_HANDLE sound, float volume);
int VLM_SetSoundFrequency(VLM_HANDLE sound, float factor);
/* Places every playing channel relative to the listener; once per frame. */
int VLM_UpdateSounds(void);
/* VLM_FreeSound (velmora/registry.h) frees a template, with its channels,
 * or a channel. */

/* Collision sounds between physical materials: with materialB -1 the sound
 * of any contact of materialA. Returns 0. */
int VLM_SetCollisionSound(VLM_HANDLE sound, float referenceSpeed, VLM_HANDLE materialA,
                          VLM_HANDLE materialB);
/* materialA -1: all; materialB -1: the single entries of materialA. */
int VLM_RemoveCollisionSound(VLM_HANDLE materialA, VLM_HANDLE materialB);
/* The sound of the pair (or with materialB -1 of materialA alone), 0 when
 * none; its reference speed goes to *speedOut when given. */
VLM_HANDLE VLM_FindCollisionSound(VLM_HANDLE materialA, VLM_HANDLE materialB, float* speedOut);

/* The "Sound" block below `node`: loads its file (relative to `directory`,
 * or with an empty one to the definition file's directory) and sets the
 * placement, cone, range, volume and frequency. Returns the sound or 0. */
VLM_HANDLE VLM_LoadSoundDefinition(VLM_HANDLE sound, VLM_DEFINITION_NODE* node, const char* directory);

#ifdef __cplusplus
}
#endif

#endif
