// Reading G-buffer layers back: the whole layer and its refusals.
#include <cstdint>
#include <limits>

#include "frame/frame_fixture.h"

namespace {

using frametest::FrameTest;

TEST_F(FrameTest, ReadGBufferLayerRefusesWhatLiesOutside) {
  const int w = vlm::render::Targets().width;
  const int h = vlm::render::Targets().height;
  ASSERT_GT(w, 0);
  float pixel[4] = {};
  EXPECT_EQ(VLM_ReadGBufferLayer(-1, 0, 0, 1, 1, pixel), 0);
  EXPECT_EQ(VLM_ReadGBufferLayer(8, 0, 0, 1, 1, pixel), 0);
  EXPECT_EQ(VLM_ReadGBufferLayer(0, w - 1, h - 1, 2, 1, pixel), 0);
  EXPECT_EQ(VLM_ReadGBufferLayer(0, 1, 0, std::numeric_limits<int>::max(), 1, pixel), 0);
  EXPECT_EQ(VLM_ReadGBufferLayer(0, 0, 0, 0, 1, pixel), 0);
  EXPECT_EQ(VLM_ReadGBufferLayer(0, 0, 0, 1, 1, nullptr), 0);
  EXPECT_EQ(VLM_ReadGBufferLayer(7, w - 1, h - 1, 1, 1, pixel), 1);
}

}  // namespace
