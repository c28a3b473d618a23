// The sound layer: output through OpenAL Soft, sounds decoded whole or
// streamed from a thread of the layer, and playing channels with volume,
// pan and frequency. Handles are numbers that are never reused, so a stale
// one only ever finds nothing.
#pragma once

#include <cstdint>
#include <string>

namespace vlm::platform {

// Opens the default output device. False with the reason in *why when no
// device can be opened; every other call then does nothing and gives 0.
// Calling it again while the output runs changes nothing.
bool StartSoundOutput(std::string* why);
// Stops every channel, frees every sound and closes the device.
void StopSoundOutput();
bool SoundOutputAvailable();

// A sound from a file: fully decoded, or with `stream` decoded as it plays.
// 0 with the reason in *why.
intptr_t LoadSoundFile(const std::string& fileName, bool stream, std::string* why);
// Stops the sound's channels and frees it.
void FreeSound(intptr_t sound);
// Native frames per second, 0 for an unknown sound.
int SoundFrequency(intptr_t sound);

// Starts the sound with the given settings and gives its channel (0 on
// failure). Without
// `ownChannel` the sound plays on its one shared channel: playing it again
// cuts the previous playback off (the old channel handle then reports
// stopped).
struct ChannelSettings {
  int volume = 100;    // 0..100, linear gain
  int pan = 0;         // -100 (left only) .. 100 (right only), centre at equal power
  int frequency = 0;   // Hz; the sound's native rate plays at its own pitch
  bool operator==(const ChannelSettings&) const = default;
};
intptr_t PlaySoundChannel(intptr_t sound, bool loop, bool ownChannel, const ChannelSettings& start);
void StopChannel(intptr_t channel);
bool ChannelPlaying(intptr_t channel);

// Values beyond the ranges above are clamped.
void SetChannelVolume(intptr_t channel, int volume);
void SetChannelPan(intptr_t channel, int pan);
void SetChannelFrequency(intptr_t channel, int frequency);
void SetChannelSettings(intptr_t channel, const ChannelSettings& settings);
// The values last set on a channel; false for an unknown channel.
bool GetChannelSettings(intptr_t channel, ChannelSettings* out);

// Between these two the changes of all channels are gathered and take
// effect together in the mixer.
void HoldChannelUpdates();
void ApplyChannelUpdates();

}  // namespace vlm::platform
