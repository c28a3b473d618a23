// Sound internals shared by the sound sources, start-up and tests.
#pragma once

#include "sound/sound_record.h"
#include "velmora/types.h"

namespace vlm::sound {

// What a volume and a frequency factor may be: a volume of 0 or more, a
// factor above 0 (a frequency of 0 would stop time for the sound).
inline constexpr const char* kVolumeRefused = "Fail: A volume must be finite and not negative!";
inline constexpr const char* kFrequencyRefused = "Fail: A frequency factor must be finite and above 0!";

// What the output gets for one channel: listener-relative volume, pan and
// frequency.
struct Placement {
  int volume = 0;     // 0..100
  int pan = 0;        // -100..100
  int frequency = 0;  // Hz
  float distance = 0.0f;
};

// Plays a copy of a sound (template or channel) with its volume scaled by
// volumeFactor. The channel or 0.
VLM_HANDLE PlayCopy(VLM_HANDLE sound, int32_t flags, const v4f* position, float volumeFactor);

// The placement of a channel seen from the listener (inverse camera matrix
// `listener`); with `doppler` the frequency follows the change of distance
// since the last update over frameTime seconds. Updates lastDistance.
Placement PlaceChannel(VLM_SOUND* channel, const m4f& listener, float frameTime, bool doppler);

// Orientation and position to the local matrix.
void RebuildSoundMatrix(VLM_SOUND* sound);

// Frees every channel and every sound (the output keeps running).
void FreeAllSounds();
// Frees everything and closes the output: engine shutdown.
void ShutdownSound();

// Channel of this handle, or null. The caller holds the channel lock.
VLM_SOUND* FindChannelLocked(VLM_HANDLE handle);
// Number of channels in the list (playing or stopped).
size_t ChannelCount();

}  // namespace vlm::sound
