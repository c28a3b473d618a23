// Reading back what 2D drawing put into the default framebuffer, with y
// counted from the top like screen coordinates.
#pragma once

#include <cstdint>
#include <vector>

#include "gpu/gl_table.h"
#include "platform/image.h"
#include "support/gl_context.h"

namespace vlmtest {

struct ScreenPixels {
  static constexpr int kWidth = GLContext::kWidth;
  static constexpr int kHeight = GLContext::kHeight;
  std::vector<uint8_t> rgba;  // bottom row first, as GL reads
  const uint8_t* At(int x, int y) const {
    return &rgba[(static_cast<size_t>(kHeight - 1 - y) * kWidth + static_cast<size_t>(x)) * 4];
  }
  // Drawn: the red channel above half.
  bool Lit(int x, int y) const { return At(x, y)[0] > 127; }
  // The first lit pixel of row y from the left, or -1.
  int FirstLit(int y) const {
    for (int x = 0; x < kWidth; ++x)
      if (Lit(x, y)) return x;
    return -1;
  }
};

// Black, the whole window as viewport, nothing bound.
inline void ClearScreen() {
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  vlmgl.glViewport(0, 0, ScreenPixels::kWidth, ScreenPixels::kHeight);
  vlmgl.glClearColor(0, 0, 0, 1);
  vlmgl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

inline ScreenPixels ReadScreen() {
  ScreenPixels screen;
  screen.rgba.resize(static_cast<size_t>(ScreenPixels::kWidth) * ScreenPixels::kHeight * 4);
  vlmgl.glReadBuffer(GL_BACK);
  vlmgl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  vlmgl.glReadPixels(0, 0, ScreenPixels::kWidth, ScreenPixels::kHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                     screen.rgba.data());
  return screen;
}

// PNG bytes of an opaque white picture.
inline std::vector<uint8_t> WhitePng(int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, 0xFF);
  return vlm::platform::EncodePng(rgb.data(), width, height, 3, static_cast<size_t>(width) * 3);
}

}  // namespace vlmtest
