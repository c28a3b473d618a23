// Sounds: loading, playing channels, placing them relative to the listener
// once per frame, and freeing templates and channels.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "core/engine_state.h"
#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "core/trig.h"
#include "definition/definition_internal.h"
#include "definition/definition_state.h"
#include "physics/world.h"
#include "physics/world_state.h"
#include "platform/sound_output.h"
#include "sound/collision_sounds.h"
#include "sound/listener.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "velmora/core.h"
#include "velmora/math.h"
#include "velmora/registry.h"
#include "velmora/scene.h"
#include "velmora/sound.h"

namespace vlm::sound {

namespace {

constexpr float kSpeedOfSound = 340.0f;  // units per second
// Sources approaching at nearly the speed of sound would divide by zero:
// the Doppler factor stops at 10.
constexpr float kMinDopplerDivisor = 0.1f;
constexpr float kNotMeasured = -1.0f;  // lastDistance before the first placement

struct FlagName {
  const char* name;
  int32_t value;
};
constexpr FlagName kFlagNames[] = {
    {"DEFAULT", VLM_SOUND_DEFAULT},     {"PLAY", VLM_SOUND_PLAY},
    {"LOOP", VLM_SOUND_LOOP},           {"BACKGROUND", VLM_SOUND_BACKGROUND},
    {"CHANNEL", VLM_SOUND_CHANNEL},     {"AUTORELEASE", VLM_SOUND_AUTORELEASE},
    {"DOPPLEREFFECT", VLM_SOUND_DOPPLEREFFECT}, {"STREAM", VLM_SOUND_STREAM},
};

m4f InverseListener() {
  m4f listener = ListenerWorldMatrix();
  VLM_m4fInvert(&listener);
  return listener;
}

// round() of a finite value into [lo, hi]; anything else gives `otherwise`.
int RoundInto(float value, int lo, int hi, int otherwise) {
  if (!std::isfinite(value)) return otherwise;
  return static_cast<int>(std::lround(std::clamp(value, static_cast<float>(lo), static_cast<float>(hi))));
}

// (1 - t)^2 falling from 1 at `inner` to 0 at `outer`, 0 beyond.
float Falloff(float x, float inner, float outer) {
  if (!(x > inner)) return 1.0f;
  if (!(x <= outer)) return 0.0f;
  const float t = (x - inner) / (outer - inner);
  return (t - 1.0f) * (t - 1.0f);
}

void DeleteChannelLocked(SoundMasterState& state, VLM_SOUND* channel) {
  if (channel->runtimeChannel) platform::StopChannel(channel->runtimeChannel);
  auto it = state.channelIndex.find(channel);
  if (it == state.channelIndex.end()) return;
  state.channels.erase(it->second);
  state.channelIndex.erase(it);
  state.channelPool.Release(channel);
}

void PlayCollisionSound(VLM_SOUND* sound, float volumeFactor, const v4f* position) {
  // A contact of bodies whose numbers broke makes no sound (and no row in
  // the middle of a frame).
  if (!AllFinite({position->x, position->y, position->z, volumeFactor})) return;
  PlayCopy(sound->iHandle, VLM_SOUND_CHANNEL | VLM_SOUND_AUTORELEASE, position, volumeFactor);
}

// Template or channel of a handle; the caller holds the channel lock.
VLM_SOUND* FindSoundLocked(VLM_HANDLE handle) {
  if (VLM_SOUND* channel = FindChannelLocked(handle)) return channel;
  return SoundRegistry().Resolve(handle);
}

}  // namespace

VLM_SOUND* FindChannelLocked(VLM_HANDLE handle) {
  if (IsIdHandle(handle)) return nullptr;
  SoundMasterState& state = SoundMaster();
  auto it = state.channelIndex.find(reinterpret_cast<const VLM_SOUND*>(handle));
  return it == state.channelIndex.end() ? nullptr : *it->second;
}

size_t ChannelCount() {
  SoundMasterState& state = SoundMaster();
  std::lock_guard<std::mutex> guard(state.channelLock);
  return state.channels.size();
}

void RebuildSoundMatrix(VLM_SOUND* sound) {
  VLM_m4fFromQuaternion(&sound->q4fOrientation, &sound->mLocal);
  sound->mLocal.e[12] = sound->v4fPosition.x;
  sound->mLocal.e[13] = sound->v4fPosition.y;
  sound->mLocal.e[14] = sound->v4fPosition.z;
  sound->mLocal.e[15] = 1.0f;
}

Placement PlaceChannel(VLM_SOUND* channel, const m4f& listener, float frameTime, bool doppler) {
  const SoundMasterState& state = SoundMaster();
  float v = 0.0f, f = 0.0f, p = 0.0f, d = 0.0f;
  if (channel->iFlags & VLM_SOUND_BACKGROUND) {
    v = channel->fVolume * state.masterVolume;
    f = channel->fFrequencyFactor * state.masterFrequency;
  } else {
    m4f world;
    VLM_EntityWorldMatrix(&world, channel, 1);
    v4f r{0.0f, 0.0f, 0.0f, 1.0f};
    VLM_v4fTransform(&r, &world);
    VLM_v4fTransform(&r, &listener);
    d = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    if (d > 0.0f) {
      r.x /= d, r.y /= d, r.z /= d;
    } else {
      r = v4f{};  // at the listener: centred, inside any cone
    }
    // The direction is compared with r in the listener's frame.
    v4f direction = channel->v4fDirection;
    direction.w = 0.0f;
    VLM_v4fTransform(&direction, &world);
    VLM_v4fTransform(&direction, &listener);
    direction.w = 0.0f;
    VLM_v4fNormalize(&direction);
    const float facing = -(r.x * direction.x + r.y * direction.y + r.z * direction.z);
    const float angle = d > 0.0f ? vlm::Acos(std::clamp(facing, -1.0f, 1.0f)) : 0.0f;
    p = r.x;
    f = state.masterFrequency * channel->fFrequencyFactor;
    if (doppler && (channel->iFlags & VLM_SOUND_DOPPLEREFFECT) && channel->fLastDistance != kNotMeasured &&
        frameTime > 0.0f) {
      const float approach = (channel->fLastDistance - d) / frameTime / kSpeedOfSound;
      f = f / std::max(1.0f - approach, kMinDopplerDivisor);
    }
    channel->fLastDistance = d;
    v = channel->fVolume * state.masterVolume * (p * p * 0.2f + 0.8f);
    if (channel->fRangeMax != -1.0f) v *= Falloff(d, channel->fRangeMin, channel->fRangeMax);
    if (channel->fConeOuter != -1.0f) v *= Falloff(angle, channel->fConeInner, channel->fConeOuter);
  }
  Placement placement;
  placement.volume = RoundInto(v * 100.0f, 0, 100, 0);
  placement.pan = RoundInto(p * 100.0f, -100, 100, 0);
  const int native = RoundInto(channel->fBaseFrequency, 0, std::numeric_limits<int>::max() / 2, 0);
  placement.frequency = RoundInto(f * channel->fBaseFrequency, 0, 1 << 24, native);
  placement.distance = d;
  return placement;
}

VLM_HANDLE PlayCopy(VLM_HANDLE handle, int32_t flags, const v4f* position, float volumeFactor) {
  SoundMasterState& state = SoundMaster();
  if (!state.outputAvailable) return 0;
  const char* failure = nullptr;
  VLM_HANDLE result = 0;
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    VLM_SOUND* source = FindSoundLocked(handle);
    const m4f listener = InverseListener();
    if (!source) {
      failure = "Fail: Sound not found!";
    } else if (position && source->fRangeMax != -1.0f) {
      v4f at{position->x, position->y, position->z, 1.0f};
      VLM_v4fTransform(&at, &listener);
      // Out of range is not an error: nothing plays.
      if (std::sqrt(at.x * at.x + at.y * at.y + at.z * at.z) > source->fRangeMax) return 0;
    }
    if (source) {
      if (flags == VLM_SOUND_OWN_FLAGS) flags = source->iFlags;
      VLM_SOUND* channel = state.channelPool.Acquire();
      channel->CopyFieldsFrom(*source);
      channel->iHandle = reinterpret_cast<VLM_HANDLE>(channel);
      channel->iFlags = flags;
      channel->runtimeChannel = 0;
      channel->fVolume *= volumeFactor;
      channel->fLastDistance = kNotMeasured;
      if (position) {
        channel->v4fPosition = v4f{position->x, position->y, position->z, 1.0f};
        RebuildSoundMatrix(channel);
      }
      // Placed before it starts, so that the first moments already sound
      // where the channel is.
      const Placement start = PlaceChannel(channel, listener, 0.0f, false);
      channel->runtimeChannel = platform::PlaySoundChannel(
          source->runtimeSound, (flags & VLM_SOUND_LOOP) != 0, (flags & VLM_SOUND_CHANNEL) != 0,
          platform::ChannelSettings{start.volume, start.pan, start.frequency});
      if (!channel->runtimeChannel) {
        state.channelPool.Release(channel);
        failure = "Fail: The sound could not be played!";
      } else {
        channel->iPlaying = 1;
        state.channels.push_back(channel);
        state.channelIndex[channel] = std::prev(state.channels.end());
        result = channel->iHandle;
      }
    }
  }
  if (failure) Fail(failure, "VLM_PlaySound");
  return result;
}

void FreeAllSounds() {
  SoundMasterState& state = SoundMaster();
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    while (!state.channels.empty()) DeleteChannelLocked(state, state.channels.front());
  }
  SoundRegistry().ReleaseAll();
}

void ShutdownSound() {
  FreeAllSounds();
  platform::StopSoundOutput();
  SoundMaster().outputAvailable = false;
}

}  // namespace vlm::sound

extern "C" {

int VLM_InitSound(void) {
  vlm::SoundMasterState& state = vlm::SoundMaster();
  state.masterVolume = 1.0f;
  state.masterFrequency = 1.0f;
  state.flagNames.clear();
  for (const auto& flag : vlm::sound::kFlagNames) state.flagNames[flag.name] = flag.value;
  std::string why;
  state.outputAvailable = vlm::platform::StartSoundOutput(&why);
  if (!state.outputAvailable) {
    // Not a failure of the program: it runs on, silently.
    const std::string row = "Info: No sound output (" + why + "); sounds stay silent.";
    VLM_LogMessage(row.c_str(), VLM_COLOR_NOTICE, 0, "", "VLM_InitSound");
  }
  vlm::World().playCollisionSound = vlm::sound::PlayCollisionSound;
  vlm::Definitions().loaders.sound = VLM_LoadSoundDefinition;
  return 0;
}

VLM_HANDLE VLM_LoadSoundFile(VLM_HANDLE id, const char* file, int32_t flags, const char* name) {
  if (!vlm::SoundMaster().outputAvailable) return 0;  // start-up said why
  const std::string fileName = file ? file : "";
  const std::string path = vlm::SystemPath(fileName);
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
    VLM_DebugWarning(("Sound : VLM_LoadSoundFile() : File does not exist ('" + fileName + "')").c_str());
    return 0;
  }
  std::string why;
  const intptr_t runtimeSound = vlm::platform::LoadSoundFile(path, (flags & VLM_SOUND_STREAM) != 0, &why);
  if (!runtimeSound) {
    VLM_DebugWarning(("Sound : VLM_LoadSoundFile() : Sound loading has failed ('" + fileName + "')").c_str());
    return 0;
  }
  VLM_SOUND* sound = vlm::SoundRegistry().CreateEntry(&id, name);
  if (!sound) {
    vlm::platform::FreeSound(runtimeSound);
    return 0;
  }
  sound->iFlags = flags;
  sound->runtimeSound = runtimeSound;
  sound->fBaseFrequency = static_cast<float>(vlm::platform::SoundFrequency(runtimeSound));
  vlm::sound::RebuildSoundMatrix(sound);
  if (flags & VLM_SOUND_PLAY) VLM_PlaySound(id, flags, nullptr);
  return id;
}

VLM_HANDLE VLM_PlaySound(VLM_HANDLE sound, int32_t flags, const v4f* position) {
  if (position && !vlm::AllFinite({position->x, position->y, position->z})) return vlm::RefuseNumber("VLM_PlaySound");
  return vlm::sound::PlayCopy(sound, flags, position, 1.0f);
}

}  // extern "C"

namespace {

// Sets a field of a sound or channel under the channel lock; -2 names the
// master value. A value that is not `usable` is refused with `refusal`.
int SetSoundValue(VLM_HANDLE handle, float value, bool usable, const char* refusal, float VLM_SOUND::*field,
                  float vlm::SoundMasterState::*master, const char* procedure) {
  vlm::SoundMasterState& state = vlm::SoundMaster();
  std::unique_lock<std::mutex> guard(state.channelLock);
  VLM_SOUND* sound = nullptr;
  if (handle != VLM_SOUND_MASTER) {
    sound = vlm::sound::FindChannelLocked(handle);
    if (!sound) sound = vlm::SoundRegistry().Resolve(handle);
    if (!sound) {
      guard.unlock();
      vlm::Fail("Fail: Sound not found!", procedure);
      return 0;
    }
  }
  if (!usable) {
    guard.unlock();
    return vlm::RefuseNumber(procedure, refusal);
  }
  (sound ? sound->*field : state.*master) = value;
  return 0;
}

}  // namespace

extern "C" {

int VLM_SetSoundVolume(VLM_HANDLE sound, float volume) {
  return SetSoundValue(sound, volume, vlm::NotNegative(volume), vlm::sound::kVolumeRefused, &VLM_SOUND::fVolume,
                       &vlm::SoundMasterState::masterVolume, "VLM_SetSoundVolume");
}

int VLM_SetSoundFrequency(VLM_HANDLE sound, float factor) {
  return SetSoundValue(sound, factor, vlm::Positive(factor), vlm::sound::kFrequencyRefused,
                       &VLM_SOUND::fFrequencyFactor, &vlm::SoundMasterState::masterFrequency,
                       "VLM_SetSoundFrequency");
}

int VLM_UpdateSounds(void) {
  vlm::SoundMasterState& state = vlm::SoundMaster();
  if (!state.outputAvailable) return 0;
  const m4f listener = vlm::sound::InverseListener();
  const float frameTime = vlm::Timing().lastFrameSeconds;
  vlm::platform::HoldChannelUpdates();
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    for (auto it = state.channels.begin(); it != state.channels.end();) {
      VLM_SOUND* channel = *it++;  // the channel may go below
      if (!channel->iPlaying) continue;
      // Every channel has its own runtime channel (the layer gives one for
      // shared playback too), so the channel is asked, not the sound.
      if (!vlm::platform::ChannelPlaying(channel->runtimeChannel)) {
        channel->iPlaying = 0;
        if (channel->iFlags & VLM_SOUND_AUTORELEASE) vlm::sound::DeleteChannelLocked(state, channel);
        continue;
      }
      const vlm::sound::Placement place = vlm::sound::PlaceChannel(channel, listener, frameTime, true);
      vlm::platform::SetChannelSettings(channel->runtimeChannel,
                                        vlm::platform::ChannelSettings{place.volume, place.pan, place.frequency});
    }
  }
  vlm::platform::ApplyChannelUpdates();
  return 0;
}

int VLM_FreeSound(VLM_HANDLE handle) {
  vlm::SoundMasterState& state = vlm::SoundMaster();
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    if (VLM_SOUND* channel = vlm::sound::FindChannelLocked(handle)) {
      vlm::sound::DeleteChannelLocked(state, channel);
      return 1;
    }
  }
  VLM_SOUND* sound = vlm::SoundRegistry().Resolve(handle);
  if (!sound) return 0;
  // Collision sounds are played under the physics lock: holding it, no
  // contact can start a copy of this sound while it goes.
  vlm::PhysicsLock physics(vlm::World().lock);
  vlm::sound::ForgetCollisionSound(sound);
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    // Every copy goes: a channel left behind would name a freed sound.
    for (auto it = state.channels.begin(); it != state.channels.end();) {
      VLM_SOUND* channel = *it++;
      if (channel->runtimeSound == sound->runtimeSound) vlm::sound::DeleteChannelLocked(state, channel);
    }
  }
  vlm::platform::FreeSound(sound->runtimeSound);
  vlm::SoundRegistry().Remove(sound);
  return 1;
}

}  // extern "C"
