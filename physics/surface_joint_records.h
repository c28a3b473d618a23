// Physical materials (registry kind Surface) and joints.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/types.h"

struct VLM_OBJECT;

struct VLM_SURFACE {
  intptr_t iHandle = 0;
  std::string sName;
  float fElasticity = 0.0f;  // contacts multiply the two elasticities
  float fFriction = 0.0f;    // contacts add the two frictions
};

// A joint between two bodies: kind 2 spring, kind 3 rigid rod.
struct VLM_JOINT {
  intptr_t iHandle = 0;  // the ID, or the record's address for ID -1
  int32_t iKind = 0;
  VLM_OBJECT* pBodyA = nullptr;
  v4f v4fAnchorA{};      // body-A frame
  v4f v4fExtraA{};
  VLM_OBJECT* pBodyB = nullptr;
  v4f v4fAnchorB{};      // body-B frame
  v4f v4fExtraB{};
  float fLength = 0.0f;     // rest length
  float fStiffness = 0.0f;
  float fDamping = 0.0f;
  float fStretch = 0.0f;    // current length minus rest length, per step
  // A rigid rod moves its two bodies as one compound with these velocities.
  v4f v4fSharedVelocity{};
  v4f v4fSharedAngularVelocity{};
  std::string sName;  // the registry's; joints are never named
};
