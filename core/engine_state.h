// Engine-wide flags and the frame clock, the part of the engine context that
// belongs to no subsystem.
#pragma once

#include <cstdint>

namespace vlm {

struct EngineState {
  bool initialised = false;  // VLM_Init ran and VLM_Shutdown has not
  bool hasGL = false;        // a drawing surface with a current GL context is open
};

// Frame timing, written when a frame is presented and read by the step.
struct TimingState {
  int64_t counterFrequency = 0;   // ticks per second of the performance counter
  float lastFrameSeconds = 0.0f;  // seconds the last frame took (the step and sound read it)
  float renderFrequency = 0.0f;   // measured frames per second
  double elapsedSeconds = 0.0;
  int64_t lastFrameCounter = 0;
  int64_t rateCounter = 0;        // counter at the last frame-rate measurement
  int32_t rateFrames = 0;         // frames presented since then
  float gamma = 1.0f;
};

EngineState& Engine();
TimingState& Timing();

// Frame timing as at start-up (counter frequency kept): for tests that
// drive the step by hand.
void ResetTiming();

}  // namespace vlm
