// The sound layer's part of the engine context.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "core/registry.h"
#include "sound/sound_record.h"

namespace vlm {

struct SoundMasterState {
  float masterVolume = 1.0f;
  float masterFrequency = 1.0f;
  bool outputAvailable = false;
  // Guards the channel list and the channels' fields: play, the per-frame
  // update and free take it for their whole work on the list.
  std::mutex channelLock;
  std::list<VLM_SOUND*> channels;
  std::unordered_map<const VLM_SOUND*, std::list<VLM_SOUND*>::iterator> channelIndex;
  RecordPool<VLM_SOUND> channelPool;  // channel addresses are handles: never reused at once
  std::unordered_map<std::string, int32_t> flagNames;
};

SoundMasterState& SoundMaster();

}  // namespace vlm
