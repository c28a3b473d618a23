// The global lighting parameters that the frame pipeline reads: ambient and
// background colours, the direct light and shadow switches, glow and bloom.
#include "gpu/gl_table.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "velmora/light.h"
#include "velmora/math.h"

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

int VLM_Shadows(int on) {
  vlm::Render().lighting.shadowsOn = on;
  return 0;
}

int VLM_Glow(float strength) {
  vlm::Render().effects.glowStrength = strength;
  return 0;
}

int VLM_Bloom(float strength) {
  vlm::Render().effects.bloomStrength = strength;
  return 0;
}

}  // extern "C"
