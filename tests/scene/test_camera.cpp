// The camera: projection matrices worked out by hand at 1600 x 900, the
// pick ray, the position modes under a rotated, translated parent, and what
// reaches the Projection and Misc buffers in each projection mode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gpu/gl_table.h"
#include "render/uniform_buffers.h"
#include "scene/scene_state.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

// The fast normalisation's reciprocal square root is good to 1.5 x 2^-12.
constexpr float kRsqrtTolerance = 1.5f / 4096.0f + 1e-6f;

void ExpectMatrix(const m4f& m, std::initializer_list<std::pair<int, float>> nonZero) {
  for (int i = 0; i < 16; ++i) {
    float expected = 0.0f;
    for (const auto& [index, value] : nonZero)
      if (index == i) expected = value;
    EXPECT_NEAR(m.e[i], expected, 2e-6f * std::max(1.0f, std::fabs(expected))) << "element " << i;
  }
}

std::vector<float> BufferFloats(GLuint buffer, int offset, int bytes) {
  std::vector<float> values(static_cast<size_t>(bytes) / 4);
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, buffer);
  vlmgl.glGetBufferSubData(GL_UNIFORM_BUFFER, offset, bytes, values.data());
  vlmgl.glBindBuffer(GL_UNIFORM_BUFFER, 0);
  return values;
}

std::vector<float> Floats(const m4f& m) { return std::vector<float>(m.e, m.e + 16); }

// A parent that is only an entity header and its matrix.
struct Frame {
  Frame() {
    header.pMatrix = &matrix;
    header.pSecondMatrix = &matrix;
    header.pOrientation = &orientation;
  }
  VLM_ENTITY header{};
  m4f matrix{};
  v4f orientation{0, 0, 0, 1};
};

class Camera : public ::testing::Test {
 protected:
  void SetUp() override { VLM_InitCamera(1600, 900); }
  void TearDown() override {
    VLM_AttachEntity(nullptr, VLM_GetCamera(0), 0);
    VLM_InitCamera(vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight);
  }
  static const vlm::ProjectionState& Projection() { return vlm::Scene().projection; }
};

TEST_F(Camera, DefaultAndChangedProjectionsMatchTheHandWorkedMatrices) {
  // 45 degrees: tan 22.5 = 0.41421356, aspect 16/9; near 0.1, far 128.
  ExpectMatrix(Projection().perspective, {{0, 1.35799513f}, {5, 2.41421356f}, {10, -1.00156372f},
                                          {11, -1.0f}, {14, -0.20015637f}});
  // (0, 1600, -900, 0) from 0.1 to 128.
  ExpectMatrix(Projection().orthographic, {{0, 0.00125f}, {12, -1.0f}, {5, 0.00222222f}, {13, 1.0f},
                                           {10, -0.01563722f}, {14, -1.00156372f}, {15, 1.0f}});
  // Pixels: x 0..1600 to -1..1, y 0..900 to 1..-1.
  ExpectMatrix(Projection().screen, {{0, 0.00125f}, {12, -1.0f}, {5, -0.00222222f}, {13, 1.0f},
                                     {10, -0.00195313f}, {15, 1.0f}});
  m4f product;
  VLM_m4fMultiply(&product, &Projection().perspective, &Projection().inversePerspective);
  ExpectMatrix(product, {{0, 1}, {5, 1}, {10, 1}, {15, 1}});

  VLM_CameraFOV(60.0f);
  VLM_CameraFar(2000.0f);
  VLM_CameraNear(0.1f);
  // tan 30 = 0.57735027.
  ExpectMatrix(Projection().perspective, {{0, 0.97427858f}, {5, 1.73205081f}, {10, -1.00010001f},
                                          {11, -1.0f}, {14, -0.20001000f}});
  // The near-plane change shrinks the box tenfold: (0, 160, -90, 0).
  ExpectMatrix(Projection().orthographic, {{0, 0.0125f}, {12, -1.0f}, {5, 0.02222222f}, {13, 1.0f},
                                           {10, -0.00100005f}, {14, -1.00010001f}, {15, 1.0f}});
}

TEST_F(Camera, UnusableProjectionAndPlacementValuesAreRefusedWithARow) {
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  const m4f before = Projection().perspective;
  VLM_CameraFOV(0.0f);
  VLM_CameraFOV(180.0f);
  VLM_CameraFOV(NAN);
  VLM_CameraNear(128.0f);  // equal to far: division by zero
  VLM_CameraNear(-1.0f);
  VLM_CameraFar(INFINITY);
  VLM_CameraNear(1e30f);  // beyond far: everything is clipped
  VLM_CameraFar(0.01f);   // before near
  VLM_CameraProjectionMode(2);
  VLM_CameraPosition(3e38f, 2.0f, 3.0f, 0);
  VLM_CameraRotation(0.0f, 30.0f, 0.0f, 0);
  const m4f view = *VLM_CameraViewMatrix();
  VLM_CameraPosition(NAN, 0.0f, 0.0f, 0);
  VLM_CameraPosition(3e38f, 0.0f, 0.0f, VLM_TRANSFORM_RELATIVE);  // finite, but the sum is not
  VLM_CameraRotation(0.0f, -INFINITY, 0.0f, VLM_TRANSFORM_RELATIVE);
  EXPECT_EQ(std::memcmp(&before, &Projection().perspective, sizeof before), 0);
  EXPECT_EQ(std::memcmp(&view, VLM_CameraViewMatrix(), sizeof view), 0);
  EXPECT_EQ(VLM_GetCamera(0)->fNear, 0.1f);
  EXPECT_EQ(VLM_GetCamera(0)->fFar, 128.0f);
  EXPECT_EQ(VLM_GetCamera(0)->iProjectionMode, VLM_PROJECTION_PERSPECTIVE);
  const std::string log = vlmtest::LogBody(path);
  EXPECT_EQ(log, vlmtest::FailRow("VLM_CameraFOV", "Fail: The field of view must lie between 0 and 180 degrees!") +
                     vlmtest::FailRow("VLM_CameraFOV", "Fail: The field of view must lie between 0 and 180 degrees!") +
                     vlmtest::FailRow("VLM_CameraFOV", "Fail: The field of view must lie between 0 and 180 degrees!") +
                     vlmtest::FailRow("VLM_CameraNear", "Fail: The near plane must be positive and apart from the far plane!") +
                     vlmtest::FailRow("VLM_CameraNear", "Fail: The near plane must be positive and apart from the far plane!") +
                     vlmtest::FailRow("VLM_CameraFar", "Fail: The far plane must be positive and apart from the near plane!") +
                     vlmtest::FailRow("VLM_CameraNear", "Fail: The near plane must lie before the far plane!") +
                     vlmtest::FailRow("VLM_CameraFar", "Fail: The near plane must lie before the far plane!") +
                     vlmtest::FailRow("VLM_CameraProjectionMode", "Fail: Unknown projection mode!") +
                     vlmtest::FailRow("VLM_CameraPosition", "Fail: Numbers must be finite!") +
                     vlmtest::FailRow("VLM_CameraPosition", "Fail: Numbers must be finite!") +
                     vlmtest::FailRow("VLM_CameraRotation", "Fail: Numbers must be finite!"));
}

TEST_F(Camera, PickRayThroughCentreAndCornerFollowsTheCameraRotation) {
  const v4f* ray = VLM_CameraPickRay(VLM_PICK_CENTRE, VLM_PICK_CENTRE);
  EXPECT_EQ(ray, &VLM_GetCamera(0)->v4fPickRay);
  EXPECT_NEAR(ray->z, -1.0f, kRsqrtTolerance);
  EXPECT_NEAR(ray->x, 0.0f, 1e-6f);
  // The centre pixel gives the same ray as the sentinel.
  ray = VLM_CameraPickRay(800.0f, 450.0f);
  EXPECT_NEAR(ray->x, 0.0f, 1e-6f);
  EXPECT_NEAR(ray->y, 0.0f, 1e-6f);
  EXPECT_NEAR(ray->z, -1.0f, kRsqrtTolerance);
  EXPECT_EQ(ray->w, 0.0f);
  // Top-left pixel: (-tan 22.5 x 16/9, tan 22.5, -1) / 1.30913250.
  ray = VLM_CameraPickRay(0.0f, 0.0f);
  EXPECT_NEAR(ray->x, -0.56249434f, kRsqrtTolerance);
  EXPECT_NEAR(ray->y, 0.31640285f, kRsqrtTolerance);
  EXPECT_NEAR(ray->z, -0.76386604f, kRsqrtTolerance);

  // Turned 90 degrees about y and moved: the view direction -z becomes -x,
  // and a position never enters a direction.
  VLM_CameraRotation(0.0f, 90.0f, 0.0f, 0);
  VLM_CameraPosition(5.0f, 6.0f, 7.0f, 0);
  ray = VLM_CameraPickRay(VLM_PICK_CENTRE, VLM_PICK_CENTRE);
  EXPECT_NEAR(ray->x, -1.0f, kRsqrtTolerance);
  EXPECT_NEAR(ray->y, 0.0f, 1e-6f);
  EXPECT_NEAR(ray->z, 0.0f, 1e-6f);
  ray = VLM_CameraPickRay(0.0f, 0.0f);
  EXPECT_NEAR(ray->x, -0.76386604f, kRsqrtTolerance);
  EXPECT_NEAR(ray->y, 0.31640285f, kRsqrtTolerance);
  EXPECT_NEAR(ray->z, 0.56249434f, kRsqrtTolerance);
}

TEST_F(Camera, PositionModesAndReadBackUnderARotatedTranslatedParent) {
  // Parent: 90 degrees about z (x -> y, y -> -x) and moved by (10, 0, 0).
  Frame parent;
  parent.matrix = m4f{{0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1}};
  VLM_CAMERA* camera = VLM_GetCamera(7);  // any number: the one camera
  ASSERT_EQ(camera, VLM_GetCamera(0));
  EXPECT_EQ(camera->header.iKind, VLM_ENTITY_CAMERA);
  VLM_AttachEntity(&parent, camera, VLM_LINK_FULL);

  VLM_CameraPosition(1.0f, 2.0f, 3.0f, 0);
  v4f out{};
  EXPECT_EQ(VLM_GetCameraPosition(&out, 0), &out);
  EXPECT_EQ(out.x, 1.0f);
  EXPECT_EQ(out.z, 3.0f);
  VLM_GetCameraPosition(&out, VLM_CAMERA_OWN_ORIGIN);
  EXPECT_EQ(out.y, 2.0f);
  EXPECT_EQ(out.w, 1.0f);
  // (1, 2, 3) rotated: (-2, 1, 3), moved: (8, 1, 3).
  const v4f* world = VLM_GetCameraPosition(nullptr, VLM_CAMERA_WORLD);
  EXPECT_EQ(world, &camera->v4fScratch);
  EXPECT_NEAR(world->x, 8.0f, 1e-5f);
  EXPECT_NEAR(world->y, 1.0f, 1e-5f);
  EXPECT_NEAR(world->z, 3.0f, 1e-5f);

  // A world position given in parent space lands back at (1, 2, 3).
  VLM_CameraPosition(8.0f, 1.0f, 3.0f, VLM_TRANSFORM_PARENT);
  EXPECT_NEAR(camera->v4fPosition.x, 1.0f, 1e-5f);
  EXPECT_NEAR(camera->v4fPosition.y, 2.0f, 1e-5f);
  EXPECT_NEAR(camera->v4fPosition.z, 3.0f, 1e-5f);
  // One world step along +x is one step along -y of the parent's frame.
  VLM_CameraPosition(1.0f, 0.0f, 0.0f, VLM_TRANSFORM_PARENT | VLM_TRANSFORM_RELATIVE);
  EXPECT_NEAR(camera->v4fPosition.x, 1.0f, 1e-5f);
  EXPECT_NEAR(camera->v4fPosition.y, 1.0f, 1e-5f);

  // The view matrix undoes the world matrix: the camera's world position
  // is the view-space origin.
  v4f p = *VLM_GetCameraPosition(nullptr, VLM_CAMERA_WORLD);
  VLM_v4fTransform(&p, VLM_CameraViewMatrix());
  EXPECT_NEAR(p.x, 0.0f, 1e-5f);
  EXPECT_NEAR(p.y, 0.0f, 1e-5f);
  EXPECT_NEAR(p.z, 0.0f, 1e-5f);
}

TEST_F(Camera, EachProjectionModeUploadsOnlyWhatItsRulesSay) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  VLM_InitCamera(1600, 900);  // now with the buffer of this context
  const GLuint projection = vlm::render::BlockBuffer(vlm::render::Block::kProjection);
  const GLuint misc = vlm::render::BlockBuffer(vlm::render::Block::kMisc);
  ASSERT_NE(projection, 0u);
  ASSERT_NE(misc, 0u);
  EXPECT_EQ(BufferFloats(projection, 0, 64), Floats(Projection().perspective));
  EXPECT_EQ(BufferFloats(projection, 64, 64), Floats(Projection().inversePerspective));
  EXPECT_EQ(BufferFloats(projection, 128, 64), Floats(Projection().screen));
  GLint viewport[4] = {};
  vlmgl.glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1600);
  EXPECT_EQ(viewport[3], 900);

  VLM_CameraProjectionMode(VLM_PROJECTION_ORTHOGRAPHIC);
  EXPECT_EQ(BufferFloats(projection, 0, 64), Floats(Projection().orthographic));
  const std::vector<float> inverseBefore = BufferFloats(projection, 64, 64);

  // The field of view does not touch the GPU in this mode...
  VLM_CameraFOV(60.0f);
  EXPECT_EQ(BufferFloats(projection, 0, 64), Floats(Projection().orthographic));
  EXPECT_EQ(BufferFloats(projection, 64, 64), inverseBefore);

  // ...far does: the orthographic matrix at byte 0, and the Misc buffer.
  VLM_CameraFar(2000.0f);
  EXPECT_EQ(BufferFloats(projection, 0, 64), Floats(Projection().orthographic));
  EXPECT_EQ(BufferFloats(projection, 64, 64), inverseBefore);
  EXPECT_EQ(BufferFloats(misc, 0, 16), (std::vector<float>{640.0f, 480.0f, 0.1f, 2000.0f}));
  VLM_CameraNear(0.5f);
  EXPECT_EQ(BufferFloats(misc, 8, 8), (std::vector<float>{0.5f, 2000.0f}));

  // Back in perspective mode the 60 degrees arrive, with the inverse.
  VLM_CameraProjectionMode(VLM_PROJECTION_PERSPECTIVE);
  EXPECT_NEAR(BufferFloats(projection, 0, 64)[5], 1.73205081f, 1e-6f);
  EXPECT_EQ(BufferFloats(projection, 64, 64), Floats(Projection().inversePerspective));
  VLM_CameraNear(0.1f);
  VLM_CameraFar(128.0f);
}

}  // namespace
