// Shorthands of the case tables.
#pragma once

#include <tuple>

#include "sweep.h"

// ADD("sound", VLM_SetSoundVolume, ARGS(f.sound, 0.5f)): the procedure with
// its good arguments, made from the fixture `f`.
#define ADD(subsystem, procedure, ...) ::sweep::Add(subsystem, #procedure, procedure, __VA_ARGS__)
#define ARGS(...)                          \
  [](::sweep::Fixture & f) {               \
    (void)f;                               \
    return std::make_tuple(__VA_ARGS__); \
  }
