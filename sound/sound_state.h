// The sound layer's part of the engine context.
#pragma once

namespace vlm {

// Master values (the output itself comes with the sound layer).
struct SoundMasterState {
  float masterVolume = 1.0f;
  float masterFrequency = 1.0f;
};

SoundMasterState& SoundMaster();

}  // namespace vlm
