// The render targets, light programs and shadow maps on a real context:
// sizes and formats queried from GL at 1600 x 900 and at odd sizes, each
// framebuffer complete with the attachments of its table, the icosphere,
// the location tables, the cube faces and the start-up log rows in order.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gpu/gl_context.h"
#include "platform/screen_state.h"
#include "render/targets.h"
#include "shader_test_util.h"
#include "support/test_support.h"
#include "velmora/math.h"

namespace {

using vlm::render::RenderTargets;
using vlm::render::Targets;

// Puts the screen at width x height and builds the targets for it; the
// context's own size comes back afterwards.
class ScreenSize {
 public:
  ScreenSize(int width, int height) {
    vlm::Screen().width = width;
    vlm::Screen().height = height;
    VLM_InitFrameBuffer();
  }
  ~ScreenSize() {
    vlm::Screen().width = vlmtest::GLContext::kWidth;
    vlm::Screen().height = vlmtest::GLContext::kHeight;
    VLM_InitFrameBuffer();
  }
};

GLint Level(GLenum target, GLuint texture, GLenum name) {
  GLint value = -1;
  vlmgl.glBindTexture(target, texture);
  vlmgl.glGetTexLevelParameteriv(target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : target,
                                 0, name, &value);
  vlmgl.glBindTexture(target, 0);
  return value;
}

GLint Attachment(GLenum attachment, GLenum name) {
  GLint value = -1;
  vlmgl.glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, name, &value);
  return value;
}

// Attachment -> (texture, layer) of a framebuffer, its draw buffers and status.
struct Bound {
  std::map<GLenum, std::pair<GLint, GLint>> colour;
  GLint depth = 0;
  std::vector<GLint> drawBuffers;
  GLenum status = 0;
};

Bound Inspect(GLuint framebuffer) {
  Bound b;
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  b.status = vlmgl.glCheckFramebufferStatus(GL_FRAMEBUFFER);
  for (GLenum a = GL_COLOR_ATTACHMENT0; a < GL_COLOR_ATTACHMENT0 + 8; ++a) {
    if (Attachment(a, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE) != GL_TEXTURE) continue;
    b.colour[a] = {Attachment(a, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
                   Attachment(a, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LAYER)};
  }
  if (Attachment(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE) == GL_TEXTURE)
    b.depth = Attachment(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME);
  for (int i = 0; i < 8; ++i) {
    GLint value = GL_NONE;
    vlmgl.glGetIntegerv(GL_DRAW_BUFFER0 + i, &value);
    if (value != GL_NONE) b.drawBuffers.push_back(value);
  }
  vlmgl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return b;
}

void ExpectTargets(int width, int height, int halfWidth, int halfHeight) {
  const RenderTargets& t = Targets();
  EXPECT_EQ(t.halfWidth, halfWidth);
  EXPECT_EQ(t.halfHeight, halfHeight);
  const GLuint g = t.gbufferArray, half = t.halfArray;
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, g, GL_TEXTURE_WIDTH), width);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, g, GL_TEXTURE_HEIGHT), height);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, g, GL_TEXTURE_DEPTH), 8);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, g, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
  EXPECT_EQ(Level(GL_TEXTURE_2D, t.depthTexture, GL_TEXTURE_WIDTH), width);
  EXPECT_EQ(Level(GL_TEXTURE_2D, t.depthTexture, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, half, GL_TEXTURE_WIDTH), halfWidth);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, half, GL_TEXTURE_HEIGHT), halfHeight);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, half, GL_TEXTURE_DEPTH), 2);
  EXPECT_EQ(Level(GL_TEXTURE_2D_ARRAY, half, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);

  const auto C = [](int i) { return static_cast<GLenum>(GL_COLOR_ATTACHMENT0 + i); };
  const auto L = [](GLuint texture, int layer) { return std::make_pair(static_cast<GLint>(texture), layer); };
  const Bound gbuffer = Inspect(t.framebuffers[0].framebuffer);
  EXPECT_EQ(gbuffer.status, static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  EXPECT_EQ(gbuffer.colour, (std::map<GLenum, std::pair<GLint, GLint>>{
                                {C(0), L(g, 0)}, {C(1), L(g, 1)}, {C(2), L(g, 2)},
                                {C(3), L(g, 3)}, {C(4), L(g, 4)}, {C(5), L(g, 5)}}));
  EXPECT_EQ(gbuffer.depth, static_cast<GLint>(t.depthTexture));
  EXPECT_EQ(gbuffer.drawBuffers, (std::vector<GLint>{GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1,
                                                      GL_COLOR_ATTACHMENT2, GL_COLOR_ATTACHMENT3,
                                                      GL_COLOR_ATTACHMENT4}));
  const Bound forward = Inspect(t.framebuffers[1].framebuffer);
  EXPECT_EQ(forward.status, static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  EXPECT_EQ(forward.colour, (std::map<GLenum, std::pair<GLint, GLint>>{
                                {C(0), L(g, 6)}, {C(1), L(g, 7)}, {C(2), L(g, 4)}, {C(3), L(g, 5)}}));
  EXPECT_EQ(forward.depth, static_cast<GLint>(t.depthTexture));
  EXPECT_EQ(forward.drawBuffers, (std::vector<GLint>{GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT3}));
  const Bound small = Inspect(t.framebuffers[2].framebuffer);
  EXPECT_EQ(small.status, static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  EXPECT_EQ(small.colour, (std::map<GLenum, std::pair<GLint, GLint>>{{C(0), L(half, 0)}, {C(1), L(half, 1)}}));
  EXPECT_EQ(small.depth, 0);
  EXPECT_EQ(small.drawBuffers, (std::vector<GLint>{GL_COLOR_ATTACHMENT0}));

  // The screen quad spans the whole target in pixels.
  std::vector<float> quad(24);
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, t.screenQuadBuffer);
  vlmgl.glGetBufferSubData(GL_ARRAY_BUFFER, 0, 96, quad.data());
  vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  EXPECT_EQ(quad, (std::vector<float>{0, 0, 0, 1, 0, 1, 0, static_cast<float>(height), 0, 1, 0, 0,
                                      static_cast<float>(width), 0, 0, 1, 1, 1,
                                      static_cast<float>(width), static_cast<float>(height), 0, 1, 1, 0}));
}

TEST(RenderTargets, SizesFormatsAndAttachmentsAsQueriedFromGL) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  {
    ScreenSize screen(1600, 900);
    SCOPED_TRACE("1600 x 900");
    ExpectTargets(1600, 900, 800, 450);
  }
  {
    // 500.5 and 301.5: the halves round to the even neighbour.
    ScreenSize screen(1001, 603);
    SCOPED_TRACE("1001 x 603");
    ExpectTargets(1001, 603, 500, 302);
  }
  // The targets of the earlier sizes are gone, not leaked.
  const GLuint current = Targets().gbufferArray;
  {
    ScreenSize screen(33, 17);
    EXPECT_FALSE(vlmgl.glIsTexture(current));
    ExpectTargets(33, 17, 16, 8);
  }
  ExpectTargets(vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight, 320, 240);
}

TEST(RenderTargets, SizesTheDriverCannotMakeAreRefusedAndTheTargetsKept) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const int limit = vlm::gl::Limits().texture;  // llvmpipe: 16384, so limit^2 * 24 or 128 bytes pass 4 GiB
  const RenderTargets before = Targets();
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  for (auto [a, b] : {std::pair{INT_MAX, 128}, {128, limit + 1}, {128, limit}}) VLM_InitShadowMaps(a, b);
  for (auto [a, b] : {std::pair{INT_MAX, 128}, {128, limit + 1}, {limit, limit}}) {
    vlm::Screen().width = a;
    vlm::Screen().height = b;
    VLM_InitFrameBuffer();
  }
  const std::string body = vlmtest::LogBody(path);
  size_t rows = 0;
  for (const char* text : {"sizes are beyond what the graphics driver can make!", "larger than the graphics"})
    for (size_t at = body.find(text); at != std::string::npos; at = body.find(text, at + 1)) ++rows;
  EXPECT_EQ(rows, 6u);
  vlm::Screen().width = vlmtest::GLContext::kWidth;
  vlm::Screen().height = vlmtest::GLContext::kHeight;
  EXPECT_TRUE(Targets().shadowSize == before.shadowSize && Targets().shadowMap == before.shadowMap);
  ExpectTargets(vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight, 320, 240);
}

TEST(RenderTargets, IcosphereIsClosedWoundOutwardsOnTheUnitSphere) {
  std::vector<float> v;
  std::vector<uint32_t> indices;
  vlm::render::BuildIcosphere(&v, &indices);
  ASSERT_EQ(v.size(), 43u * 4);
  ASSERT_EQ(indices.size(), 240u);
  EXPECT_EQ((std::vector<float>(v.begin(), v.begin() + 8)), (std::vector<float>{0, 0, 0, 1, 0, -1, 0, 1}));
  for (size_t i = 1; i < 43; ++i) {
    const float* p = &v[4 * i];
    EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0f, 1e-6f) << i;
    EXPECT_EQ(p[3], 1.0f);
  }
  // Every directed edge once, and its reverse once: each edge is shared by
  // exactly two triangles that agree on the winding.
  std::set<std::pair<uint32_t, uint32_t>> edges;
  std::set<uint32_t> used;
  for (size_t t = 0; t < 80; ++t) {
    const uint32_t* tri = &indices[3 * t];
    const float* a = &v[4 * tri[0]];
    const float* b = &v[4 * tri[1]];
    const float* c = &v[4 * tri[2]];
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    EXPECT_GT(n[0] * (a[0] + b[0] + c[0]) + n[1] * (a[1] + b[1] + c[1]) + n[2] * (a[2] + b[2] + c[2]), 0.0f)
        << "triangle " << t << " faces inwards";
    // A camera nearer the centre than kIcosphereInradius is inside every face.
    EXPECT_GE((n[0] * a[0] + n[1] * a[1] + n[2] * a[2]) / std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]),
              vlm::render::kIcosphereInradius)
        << "triangle " << t;
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(tri[k], 1u);  // never the centre
      used.insert(tri[k]);
      EXPECT_TRUE(edges.insert({tri[k], tri[(k + 1) % 3]}).second) << "edge used twice the same way";
    }
  }
  EXPECT_EQ(edges.size(), 240u);
  for (const auto& [from, to] : edges) EXPECT_TRUE(edges.count({to, from})) << from << "-" << to;
  EXPECT_EQ(used.size(), 42u);
}

TEST(RenderTargets, LightProgramsVolumesAndShadowMapsAsBuiltAtStartUp) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const RenderTargets& t = Targets();
  GLint size = 0;
  const auto BufferSize = [&](GLuint buffer) {
    vlmgl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    vlmgl.glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    vlmgl.glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
  };
  EXPECT_EQ(BufferSize(t.sphereVertices), 43 * 16);
  EXPECT_EQ(BufferSize(t.sphereIndices), 240 * 4);
  EXPECT_EQ(BufferSize(t.instanceBuffer), 768 * 96);
  EXPECT_EQ(BufferSize(t.directQuadBuffer), 4 * 16);
  vlmgl.glBindVertexArray(t.instancedSphereArray);
  for (GLuint location = 7; location <= 14; ++location) {
    GLint divisor = -1;
    vlmgl.glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_DIVISOR, &divisor);
    EXPECT_EQ(divisor, 1) << location;
  }
  vlmgl.glBindVertexArray(0);

  // Linked, blocks at their binding points, the location tables filled in
  // their slots only.
  const struct {
    const vlm::render::LightProgram* light;
    std::set<int> slots;
    std::map<std::string, int> blocks;
    int samplers;  // slots 0.. that are samplers, each on its own unit
  } programs[] = {
      {&t.direct, {0, 1, 6, 7, 8, 9, 10, 11, 12, 13}, {{"Projection", 0}, {"Misc", 4}}, 2},
      {&t.point, {0}, {{"Projection", 0}, {"Misc", 4}}, 1},
      {&t.pointShadow, {0, 1, 2, 7, 8}, {{"Projection", 0}, {"Model", 1}, {"Light", 3}, {"Misc", 4}}, 3},
      {&t.spot, {0, 1, 2, 3, 4}, {{"Projection", 0}, {"Model", 1}, {"Light", 3}, {"Misc", 4}}, 5},
  };
  for (const auto& p : programs) {
    SCOPED_TRACE(p.light->program);
    EXPECT_EQ(shadertest::ProgramInteger(p.light->program, GL_LINK_STATUS), GL_TRUE);
    for (int slot = 0; slot < 14; ++slot) {
      if (p.slots.count(slot)) {
        EXPECT_GE(p.light->locations[static_cast<size_t>(slot)], 0) << slot;
      } else {
        EXPECT_EQ(p.light->locations[static_cast<size_t>(slot)], -1) << slot;
      }
    }
    for (int slot = 0; slot < p.samplers; ++slot) {
      GLint unit = -1;
      vlmgl.glGetUniformiv(p.light->program, p.light->locations[static_cast<size_t>(slot)], &unit);
      EXPECT_EQ(unit, slot);
    }
    EXPECT_EQ(shadertest::ProgramInteger(p.light->program, GL_ACTIVE_UNIFORM_BLOCKS),
              static_cast<GLint>(p.blocks.size()));
    for (const auto& [name, binding] : p.blocks) {
      const GLuint index = vlmgl.glGetUniformBlockIndex(p.light->program, name.c_str());
      ASSERT_NE(index, GL_INVALID_INDEX) << name;
      GLint bound = -1;
      vlmgl.glGetActiveUniformBlockiv(p.light->program, index, GL_UNIFORM_BLOCK_BINDING, &bound);
      EXPECT_EQ(bound, binding) << name;
    }
  }

  // Shadow maps at 2048, complete, drawing depth only.
  EXPECT_EQ(Level(GL_TEXTURE_2D, t.shadowMap, GL_TEXTURE_WIDTH), 2048);
  EXPECT_EQ(Level(GL_TEXTURE_2D, t.shadowMap, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT32F);
  EXPECT_EQ(Level(GL_TEXTURE_CUBE_MAP, t.shadowCube, GL_TEXTURE_WIDTH), 2048);
  EXPECT_EQ(Level(GL_TEXTURE_CUBE_MAP, t.shadowCube, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24);
  for (GLuint framebuffer : {t.shadowFramebuffer, t.cubeFramebuffer}) {
    const Bound b = Inspect(framebuffer);
    EXPECT_EQ(b.status, static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_TRUE(b.colour.empty());
    EXPECT_TRUE(b.drawBuffers.empty());
  }
  EXPECT_EQ(Inspect(t.shadowFramebuffer).depth, static_cast<GLint>(t.shadowMap));

  // Each face looks down its axis (the axis point lands on the view axis
  // one unit ahead) with its up vector as view-space up.
  const v4f axes[6] = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {0, 1, 0, 1}, {0, -1, 0, 1}, {0, 0, 1, 1}, {0, 0, -1, 1}};
  const v4f ups[6] = {{0, -1, 0, 0}, {0, -1, 0, 0}, {0, 0, 1, 0}, {0, 0, -1, 0}, {0, -1, 0, 0}, {0, -1, 0, 0}};
  for (int face = 0; face < 6; ++face) {
    v4f ahead = axes[face], up = ups[face];
    VLM_v4fTransform(&ahead, &t.cubeFaceViews[static_cast<size_t>(face)]);
    VLM_v4fTransform(&up, &t.cubeFaceViews[static_cast<size_t>(face)]);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-6f) << face;
    EXPECT_NEAR(ahead.y, 0.0f, 1e-6f) << face;
    EXPECT_NEAR(ahead.z, -1.0f, 1e-6f) << face;
    EXPECT_NEAR(up.y, 1.0f, 1e-6f) << face;
  }
}

TEST(RenderTargets, DeletingLeavesNoGLObjectBehind) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  RenderTargets& t = Targets();
  const std::vector<GLuint> textures = {t.gbufferArray, t.depthTexture, t.halfArray, t.shadowMap, t.shadowCube};
  const std::vector<GLuint> framebuffers = {t.framebuffers[0].framebuffer, t.framebuffers[1].framebuffer,
                                            t.framebuffers[2].framebuffer, t.shadowFramebuffer,
                                            t.cubeFramebuffer};
  const std::vector<GLuint> buffers = {t.screenQuadBuffer, t.directQuadBuffer, t.sphereVertices,
                                       t.sphereIndices, t.instanceBuffer};
  const std::vector<GLuint> programs = {t.direct.program, t.point.program, t.pointShadow.program,
                                        t.spot.program};
  const GLuint renderbuffer = t.framebuffers[0].depthRenderbuffer;
  EXPECT_TRUE(vlmgl.glIsRenderbuffer(renderbuffer));
  vlm::render::DeleteRenderTargets();
  for (GLuint name : textures) EXPECT_FALSE(vlmgl.glIsTexture(name)) << name;
  for (GLuint name : framebuffers) EXPECT_FALSE(vlmgl.glIsFramebuffer(name)) << name;
  for (GLuint name : buffers) EXPECT_FALSE(vlmgl.glIsBuffer(name)) << name;
  for (GLuint name : programs) EXPECT_FALSE(vlmgl.glIsProgram(name)) << name;
  EXPECT_FALSE(vlmgl.glIsRenderbuffer(renderbuffer));
  EXPECT_EQ(t.gbufferArray, 0u);
  EXPECT_EQ(t.direct.program, 0u);
  // Built again for the tests after this one.
  VLM_InitFrameBuffer();
  VLM_InitGBuffer();
  VLM_InitShadowMaps(2048, 2048);
}

// Text and colour of a log row.
std::pair<std::string, std::string> RowText(const std::string& row) {
  const size_t open = row.find("<i style='color:#");
  const size_t text = row.find("'>", open);
  const size_t close = row.find("</i>", text);
  return {row.substr(text + 2, close - text - 2), row.substr(open + 17, 6)};
}

TEST(RenderTargets, StartUpLogsTheSectionsAndRowsInOrder) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const std::string log = vlmtest::ReadFile(gl.LogPath());
  size_t previous = 0;
  for (const char* title : {">Uniform Buffer</big>", ">FrameBuffer</big>", ">G-Buffer</big>", ">Program</big>"}) {
    const size_t at = log.find(title);
    ASSERT_NE(at, std::string::npos) << title;
    EXPECT_GT(at, previous) << title;
    previous = at;
  }
  using Rows = std::vector<std::pair<std::string, std::string>>;
  const auto TextsOf = [&](const char* section) {
    Rows rows;
    for (const std::string& row : shadertest::SectionRows(log, section)) rows.push_back(RowText(row));
    return rows;
  };
  const std::string info = "404040", ok = "11FF00";
  EXPECT_EQ(TextsOf("FrameBuffer"), (Rows{{"Framebuffer(0): GBuffer", info}, {"OK", ok},
                                         {"Framebuffer(1): FBuffer", info}, {"OK", ok},
                                         {"Framebuffer(2): SBuffer", info}, {"OK", ok}}));
  const std::pair<std::string, std::string> vertex{"VertexShader: Compiling successfull!", info},
      fragment{"FragmentShader: Compiling successfull!", info};
  EXPECT_EQ(TextsOf("G-Buffer"), (Rows{{"Buffer initialization:", info},
                                      {"Direct Light initialization:", info}, vertex, fragment,
                                      {"Point Light initialization:", info}, vertex, fragment, vertex, fragment,
                                      {"Spot Light initialization:", info}, vertex, fragment}));
}

}  // namespace
