// The global lighting parameters that the frame pipeline reads: ambient and
// background colours, the direct light and shadow switches, glow and bloom.
#include <cmath>

#include "core/fail.h"
#include "core/finite.h"
#include "gpu/gl_table.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "velmora/light.h"
#include "velmora/math.h"

namespace {
constexpr const char* kStrength = "Fail: A strength must be finite and not negative!";
}  // namespace

extern "C" {

int VLM_AmbientColour(uint32_t colour) {
  v4f& ambient = vlm::Render().lighting.ambientColour;
  VLM_v4fFromColor(&ambient, colour);
  ambient.w = 1.0f;  // the ambient term is added, never blended
  return 0;
}

int VLM_BackgroundColour(uint32_t colour) {
  v4f& background = vlm::Render().lighting.backgroundColour;
  VLM_v4fFromColor(&background, colour);
  if (vlm::render::HasGL() && vlmgl.glClearColor)
    vlmgl.glClearColor(background.x, background.y, background.z, background.w);
  return 0;
}

int VLM_DirectLight(int on) {
  vlm::Render().lighting.directLightOn = on;
  return 0;
}

int VLM_DirectLightDirection(float x, float y, float z) {
  constexpr const char* kProc = "VLM_DirectLightDirection";
  if (!vlm::AllFinite({x, y, z})) return vlm::RefuseNumber(kProc);
  // The length in double: the squares of very small or very large floats
  // neither vanish nor overflow there.
  const double dx = x, dy = y, dz = z;
  const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (!(length > 0.0)) {
    vlm::Fail("Fail: The light direction must not be zero!", kProc);
    return 0;
  }
  vlm::Render().lighting.directLightDirection = {static_cast<float>(dx / length), static_cast<float>(dy / length),
                                                 static_cast<float>(dz / length), 0.0f};
  return 1;
}

int VLM_DirectLightColour(uint32_t colour) {
  VLM_v4fFromColor(&vlm::Render().lighting.directLightColour, colour);
  return 1;
}

int VLM_DirectLightIntensity(float intensity) {
  if (!vlm::AllFinite({intensity})) return vlm::RefuseNumber("VLM_DirectLightIntensity");
  vlm::Render().lighting.directLightIntensity = intensity;
  return 1;
}

int VLM_DirectLightShadow(int castsShadow) {
  vlm::Render().lighting.directLightShadows = castsShadow != 0;
  return 1;
}

int VLM_Shadows(int on) {
  vlm::Render().lighting.shadowsOn = on;
  return 0;
}

int VLM_Glow(float strength) {
  if (!vlm::RefuseUnless(vlm::NotNegative(strength), "VLM_Glow", kStrength)) return 0;
  vlm::Render().effects.glowStrength = strength;
  return 0;
}

int VLM_Bloom(float strength) {
  if (!vlm::RefuseUnless(vlm::NotNegative(strength), "VLM_Bloom", kStrength)) return 0;
  vlm::Render().effects.bloomStrength = strength;
  return 0;
}

}  // extern "C"
