// The sound record: a template made by loading, or a channel, the copy of a
// template that playing makes.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/scene.h"
#include "velmora/types.h"

struct VLM_SOUND {
  VLM_SOUND() { LinkHeader(); }
  // The header refers into the record itself, so a record never moves.
  VLM_SOUND(const VLM_SOUND&) = delete;
  VLM_SOUND& operator=(const VLM_SOUND&) = delete;

  // Takes every field after the name from `other` (the parent link too)
  // and points the header at this record's own transform.
  void CopyFieldsFrom(const VLM_SOUND& other) {
    header = other.header;
    iFlags = other.iFlags;
    iPlaying = other.iPlaying;
    runtimeSound = other.runtimeSound;
    fBaseFrequency = other.fBaseFrequency;
    runtimeChannel = other.runtimeChannel;
    fLastDistance = other.fLastDistance;
    v4fDirection = other.v4fDirection;
    v4fPosition = other.v4fPosition;
    q4fOrientation = other.q4fOrientation;
    mLocal = other.mLocal;
    fRangeMin = other.fRangeMin;
    fRangeMax = other.fRangeMax;
    fConeInner = other.fConeInner;
    fConeOuter = other.fConeOuter;
    fVolume = other.fVolume;
    fFrequencyFactor = other.fFrequencyFactor;
    LinkHeader();
  }

  VLM_ENTITY header{};
  intptr_t iHandle = 0;  // ID or address; a channel's is its own address
  std::string sName;     // empty for channels
  int32_t iFlags = 0;    // VLM_SOUND_* flags
  int32_t iPlaying = 0;  // 1 for a channel that is playing
  intptr_t runtimeSound = 0;
  float fBaseFrequency = 0.0f;  // native frames per second of the sound
  intptr_t runtimeChannel = 0;  // 0 for a template
  float fLastDistance = 0.0f;   // listener distance at the previous update (units)
  v4f v4fDirection{0.0f, 0.0f, -1.0f, 0.0f};
  v4f v4fPosition{0.0f, 0.0f, 0.0f, 1.0f};
  v4f q4fOrientation{0.0f, 0.0f, 0.0f, 1.0f};
  m4f mLocal{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  float fRangeMin = 0.0f;   // units
  float fRangeMax = -1.0f;  // -1: unlimited
  float fConeInner = 0.0f;  // radians, half angles
  float fConeOuter = -1.0f; // -1: no cone
  float fVolume = 1.0f;
  float fFrequencyFactor = 1.0f;

 private:
  void LinkHeader() {
    header.iKind = VLM_ENTITY_SOUND;
    header.pMatrix = &mLocal;
    header.pSecondMatrix = &mLocal;
    header.pOrientation = &q4fOrientation;
    header.pScale = nullptr;
  }
};
