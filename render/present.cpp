// Presenting the frame: the logo, gamma onto the screen, frame timing, then
// the swap.
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/fail.h"
#include "gpu/gl_state.h"
#include "gpu/gl_table.h"
#include "platform/image.h"
#include "platform/screen.h"
#include "render/element_record.h"
#include "render/frame_state.h"
#include "render/render_state.h"
#include "render/screen_size.h"
#include "render/shader_record.h"
#include "render/targets.h"
#include "velmora/core.h"
#include "velmora/platform.h"
#include "velmora/render.h"
#include "velmora/shader.h"

namespace {


// The last presented frame for screenshots (automation only, so it is not
// part of the engine context): RGBA rows as GL reads them, bottom row first.
struct KeptFrame {
  bool on = false;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

KeptFrame& Kept() {
  static KeptFrame* frame = new KeptFrame();
  return *frame;
}

void MeasureFrame(vlm::TimingState& timing) {
  const int64_t now = vlm::platform::PerformanceCounter();
  const double frequency = timing.counterFrequency > 0
                               ? static_cast<double>(timing.counterFrequency)
                               : static_cast<double>(vlm::platform::kCounterFrequency);
  timing.elapsedSeconds = static_cast<double>(now) / frequency;
  if (timing.lastFrameCounter == 0) {
    // First frame: it took no time, and the rate is measured from here.
    timing.lastFrameSeconds = 0.0f;
    timing.lastFrameCounter = now;
    timing.rateCounter = now;
    timing.rateFrames = 0;
    return;
  }
  timing.lastFrameSeconds = static_cast<float>(static_cast<double>(now - timing.lastFrameCounter) /
                                              frequency);
  timing.lastFrameCounter = now;
  ++timing.rateFrames;
  const double interval = static_cast<double>(now - timing.rateCounter) / frequency;
  if (interval >= 0.5) {
    timing.renderFrequency = static_cast<float>(timing.rateFrames / interval);
    timing.rateFrames = 0;
    timing.rateCounter = now;
  }
}

// The screen layer straight onto the window's single-sampled back buffer;
// false where a blit cannot do it (a multisampled window, no entry point).
bool BlitPresentedLayer(const vlm::render::RenderTargets& targets) {
  using namespace vlm::render;
  if (!vlmgl.glBlitFramebuffer) return false;
  GLint samples = 0;
  vlmgl.glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
  if (samples != 0) return false;
  vlmgl.glBindFramebuffer(GL_READ_FRAMEBUFFER, targets.framebuffers[kForwardFramebuffer].framebuffer);
  vlmgl.glReadBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(ForwardAttachment(kLayerScreen)));
  vlmgl.glBlitFramebuffer(0, 0, targets.width, targets.height, 0, 0, targets.width, targets.height,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
  vlm::gl::BindFramebuffer(0);
  return true;
}

void KeepFrame() {
  KeptFrame& kept = Kept();
  if (!kept.on || !vlmgl.glReadPixels) return;
  int width = 0, height = 0;
  vlm::platform::DrawableSize(&width, &height);
  if (width <= 0 || height <= 0) return;
  kept.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  if (vlmgl.glReadBuffer) vlmgl.glReadBuffer(GL_BACK);
  if (vlmgl.glPixelStorei) vlmgl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  vlmgl.glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, kept.pixels.data());
  kept.width = width;
  kept.height = height;
}

}  // namespace

extern "C" {

int VLM_FlipBuffers(void) {
  if (!vlm::Engine().hasGL) {
    MeasureFrame(vlm::Timing());
    return 0;
  }
  using namespace vlm::render;
  int width = 0, height = 0;
  vlm::platform::DrawableSize(&width, &height);
  vlm::gl::SetCapability(GL_BLEND, true);
  SetAlphaTest(true);
  SetBlendFactors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  vlm::RenderState& render = vlm::Render();
  if (render.screenFrameReady) {
    // The frame and the 2D drawing after it wait in the screen layer; the
    // logo goes there too, then gamma puts the layer on the screen.
    render.screenFrameReady = 0;
    const RenderTargets& targets = Targets();
    DrawLogo(targets.width, targets.height);
    vlm::gl::BindFramebuffer(0);
    vlm::gl::SetViewport(targets.width, targets.height);
    // A gamma of 0 or below has no inverse: such a frame goes out as it is.
    const float value = vlm::Timing().gamma;
    if ((value == 1.0f || !(value > 0.0f)) && BlitPresentedLayer(targets)) {
      // Gamma 1 is the identity: the layer is copied as it is, exactly and
      // with no program run per pixel.
    } else if (const VLM_SHADER* gamma = UseBuiltIn(VLM_PROGRAM_PP_GAMMA_TA)) {
      SetUniform(*gamma, slot::kGammaValue, "fGamma", value > 0.0f ? value : 1.0f);
      // A copy, not a blend: the back buffer's old contents must not show
      // through where the frame is transparent.
      DrawLayerQuad(*gamma, vlm::render::kLayerScreen);
      vlm::gl::SetCapability(GL_BLEND, true);
    }
  } else {
    // No frame of the pipeline since the last present: what the
    // application drew went straight to the screen.
    vlm::gl::BindFramebuffer(0);
    DrawLogo(width, height);
  }
  MeasureFrame(vlm::Timing());
  KeepFrame();
  vlm::platform::SwapBuffers();
  // The next frame, 3D and 2D alike, is drawn at the window's new size.
  vlm::render::FollowWindowSize("VLM_FlipBuffers");
  return 0;
}

int VLM_RenderedCount(int which) {
  const vlm::RenderedCounts& rendered = vlm::Render().rendered;
  switch (which) {
    case VLM_RENDERED_OBJECTS: return rendered.objects;
    case VLM_RENDERED_LIGHTS: return rendered.lights;
    case VLM_RENDERED_SHADOW_OBJECTS: return rendered.shadowObjects;
    default: return 0;
  }
}

float VLM_FrameTime(void) { return vlm::Timing().lastFrameSeconds; }
float VLM_RenderFrequency(void) { return vlm::Timing().renderFrequency; }
double VLM_ElapsedTime(void) { return vlm::Timing().elapsedSeconds; }

int VLM_KeepPresentedFrames(int on) {
  KeptFrame& kept = Kept();
  kept.on = on != 0;
  if (!kept.on) {
    kept.pixels.clear();
    kept.pixels.shrink_to_fit();
    kept.width = kept.height = 0;
  }
  return 1;
}

int VLM_SavePresentedFrame(const char* fileName) {
  constexpr const char* kProc = "VLM_SavePresentedFrame";
  const KeptFrame& kept = Kept();
  if (kept.width <= 0 || kept.height <= 0) {
    vlm::Fail("Fail: No presented frame has been kept!", kProc);
    return 0;
  }
  // GL reads bottom row first; PNG starts at the top. A screenshot is opaque.
  const size_t stride = static_cast<size_t>(kept.width) * 4;
  std::vector<uint8_t> image(kept.pixels.size());
  for (int row = 0; row < kept.height; ++row) {
    const uint8_t* from = kept.pixels.data() + stride * static_cast<size_t>(kept.height - 1 - row);
    uint8_t* to = image.data() + stride * static_cast<size_t>(row);
    for (size_t i = 0; i < stride; i += 4) {
      to[i] = from[i];
      to[i + 1] = from[i + 1];
      to[i + 2] = from[i + 2];
      to[i + 3] = 0xFF;
    }
  }
  if (!vlm::platform::WritePng(fileName, kept.width, kept.height, image.data())) {
    const std::string text =
        std::string("Fail: The screenshot \"") + (fileName ? fileName : "") + "\" cannot be written!";
    vlm::Fail(text.c_str(), kProc);
    return 0;
  }
  return 1;
}

}  // extern "C"
