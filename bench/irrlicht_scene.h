// The box scene of bench_render drawn by Irrlicht. Irrlicht's headers are
// not valid C++20, so its side lives in a file of its own compiled as
// C++17, and this header carries only plain data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vlmbench {

struct IrrlichtBoxes {
  int width = 0;
  int height = 0;
  float boxSize = 1.0f;
  struct Spot {
    float x, z;  // in our right-handed frame; Irrlicht's z is mirrored
  };
  std::vector<Spot> boxes;    // each box stands on y = 0
  float cameraHeight = 0.0f;  // the camera looks at the origin from (0, height, back)
  float cameraBack = 0.0f;
  float fovDegrees = 60.0f;   // vertical
  float nearPlane = 0.1f;
  float farPlane = 100.0f;
  float lightHeight = 0.0f;   // one white point light over the origin
  float lightRange = 0.0f;
  float ambient = 0.0f;       // grey level 0..1
  int checkerSide = 0;
  std::vector<uint32_t> checker;  // 0xAARRGGBB texels, top row first
  int warmupFrames = 0;
  int frames = 0;
  std::string screenshot;     // a PNG of the last frame when not empty
};

// Opens Irrlicht's OpenGL device at the scene's size (vertical sync off),
// builds the scene and times `frames` frames after the warm-up, each from
// beginScene to glFinish after endScene. False with the reason when the
// device cannot be opened.
bool TimeIrrlichtFrames(const IrrlichtBoxes& scene, std::vector<double>& milliseconds,
                        std::string& error);

}  // namespace vlmbench
