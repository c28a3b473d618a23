// Frame tests: a fresh engine per test on the shared GL context (VLM_Init
// ran when it opened), shut down at the end so the next test starts empty,
// and read-back of the G-buffer layers a frame fills.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/targets.h"
#include "support/gl_context.h"
#include "velmora.h"

namespace frametest {

// One G-buffer layer: RGBA floats, y = 0 at the bottom.
struct Layer {
  int width = 0;
  int height = 0;
  std::vector<float> rgba;
  const float* At(int x, int y) const {
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
  }
};

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gl_ = std::make_unique<vlmtest::GLContext>();
    if (!gl_->ok()) GTEST_SKIP() << "no GL context: " << gl_->error();
  }
  void TearDown() override {
    if (gl_ && gl_->ok()) VLM_Shutdown();
  }

  static Layer ReadLayer(int layer) {
    Layer out;
    out.width = vlm::render::Targets().width;
    out.height = vlm::render::Targets().height;
    out.rgba.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4);
    EXPECT_EQ(VLM_ReadGBufferLayer(layer, 0, 0, out.width, out.height, out.rgba.data()), 1);
    return out;
  }

  std::unique_ptr<vlmtest::GLContext> gl_;
};

}  // namespace frametest
