// Building programs from application sources: the compile rows, the
// link-status check, what the reflection binds and registers, the uniform
// type codes and slot tables, render lists and release.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "shader_test_util.h"
#include "support/test_support.h"

namespace {

using shadertest::ProgramInteger;

class ShaderReflection : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gl_.ok()) GTEST_SKIP() << "no GL context: " << gl_.error();
    log_ = vlmtest::OpenTestLog(dir_, VLM_LOG_MODULE | VLM_LOG_PROCEDURE);
  }
  void TearDown() override {
    for (VLM_SHADER* s : made_) VLM_FreeShader(reinterpret_cast<VLM_HANDLE>(s));
  }
  VLM_SHADER* Build(const std::string& vs, const std::string& fs, const char* name, int group = 2,
                    int list = 0) {
    VLM_SHADER* s = VLM_BuildShaderProgram(0, group, list, vs.data(), vs.data() + vs.size(), fs.data(),
                                           fs.data() + fs.size(), name);
    if (s) made_.push_back(s);
    return s;
  }
  std::string Log() const { return vlmtest::LogBody(log_); }

  vlmtest::GLContext gl_;
  vlmtest::TempDir dir_;
  std::string log_;
  std::vector<VLM_SHADER*> made_;
};

const std::string kVertex =
    "#version 330\n"
    "layout(location = 3) in vec4 vCorner;\n"
    "layout (location=5) in vec2 vExtra;\n"
    "uniform vec2 vScale;\n"
    "uniform float fShared;\n"
    "uniform sampler2D VertexOnlyMap;\n"
    "uniform samplerBuffer Instances;\n"
    "layout(std140) uniform Misc\n{\n    vec2 vMapSize;\n    float fNear;\n    float fFar;\n};\n"
    "void main()\n{\n"
    "    gl_Position = vCorner * fShared + vec4(vScale * vMapSize + vExtra, 0.0, 0.0)\n"
    "                + texelFetch(Instances, 0) + textureLod(VertexOnlyMap, vExtra, 0.0);\n"
    "}\n";

const std::string kFragment =
    "#version 330\n"
    "uniform float fShared;\n"
    "uniform mat3 mTurn;\n"
    "uniform vec4 vTint;\n"
    "uniform sampler2DArray Layers;\n"
    "layout(std140) uniform Misc\n{\n    vec2 vMapSize;\n    float fNear;\n    float fFar;\n};\n"
    "layout(std140) uniform Extra\n{\n    vec4 vExtraColour;\n};\n"
    "layout(std140) uniform Light\n{\n    vec3 vLightPosition;\n};\n"
    "layout(location = 2) out vec4 vTarget;\n"
    "void main()\n{\n"
    "    vTarget = vTint * fShared * fFar + vec4(mTurn[0], 1.0) + texture(Layers, vec3(0.0))\n"
    "            + vExtraColour + vec4(vLightPosition, 0.0);\n"
    "}\n";

TEST_F(ShaderReflection, DeclarationsBecomeBindingsBlocksAndSlots) {
  VLM_SHADER* s = Build(kVertex, kFragment, "Probe");
  ASSERT_NE(s, nullptr);
  const GLuint program = s->iProgram;
  EXPECT_EQ(ProgramInteger(program, GL_LINK_STATUS), GL_TRUE);
  EXPECT_EQ(vlmgl.glGetAttribLocation(program, "vCorner"), 3);
  EXPECT_EQ(vlmgl.glGetAttribLocation(program, "vExtra"), 5);
  EXPECT_EQ(vlmgl.glGetFragDataLocation(program, "vTarget"), 2);

  // Misc is named in both stages and bound (once) to its point; blocks the
  // builder does not know keep the default binding 0.
  GLint binding = -1;
  vlmgl.glGetActiveUniformBlockiv(program, vlmgl.glGetUniformBlockIndex(program, "Misc"),
                                  GL_UNIFORM_BLOCK_BINDING, &binding);
  EXPECT_EQ(binding, 4);
  for (const char* alone : {"Extra", "Light"}) {
    vlmgl.glGetActiveUniformBlockiv(program, vlmgl.glGetUniformBlockIndex(program, alone),
                                    GL_UNIFORM_BLOCK_BINDING, &binding);
    EXPECT_EQ(binding, 0) << alone;
  }

  // Slots across both stages, in declaration order: the vertex stage's
  // vScale, fShared, Instances (its sampler2D is skipped), then the
  // fragment stage's fShared (a second slot), mTurn, vTint, Layers.
  struct Slot {
    const char* name;
    int list;
  };
  const Slot slots[] = {{"vScale", VLM_UNIFORMS_VECTOR3}, {"fShared", VLM_UNIFORMS_FLOAT},
                        {"Instances", VLM_UNIFORMS_SAMPLER}, {"fShared", VLM_UNIFORMS_FLOAT},
                        {"mTurn", VLM_UNIFORMS_MATRIX3}, {"vTint", VLM_UNIFORMS_VECTOR4},
                        {"Layers", VLM_UNIFORMS_SAMPLER}};
  ASSERT_EQ(s->aSlotsA.size(), std::size(slots));
  for (size_t i = 0; i < std::size(slots); ++i) {
    SCOPED_TRACE(i);
    const VLM_SHADER_UNIFORM* entry = s->aSlotsA[i];
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->iLocation, vlmgl.glGetUniformLocation(program, slots[i].name));
    EXPECT_NE(entry->iLocation, -1);
    bool inList = false;
    for (const VLM_SHADER_UNIFORM& u : s->aUniforms[slots[i].list]) inList |= &u == entry;
    EXPECT_TRUE(inList);
  }
  EXPECT_NE(s->aSlotsA[1], s->aSlotsA[3]);
  EXPECT_EQ(s->aUniforms[VLM_UNIFORMS_FLOAT].size(), 2u);
  EXPECT_EQ(s->aUniforms[VLM_UNIFORMS_SAMPLER].size(), 2u);
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Two information rows with the module and the builder's procedures.
  const std::string log = Log();
  EXPECT_NE(log.find("<td>VLM Shader</td><td>VLM_CatchVertexShader</td><td colspan=2><i style='color:#404040;'>"
                     "Probe [VertexShader]: Compiling successfull!</i>"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("<td>VLM_CatchFragmentShader</td><td colspan=2><i style='color:#404040;'>"
                     "Probe [FragmentShader]: Compiling successfull!</i>"),
            std::string::npos);
  EXPECT_EQ(log.find("#FF0000"), std::string::npos);
}

TEST_F(ShaderReflection, CompileErrorsWarningsAndLinkFailuresAreRedRows) {
  // A stage that does not compile: a red row with the driver's text; the
  // program is still filed and linked (which fails and says so).
  const std::string broken = "#version 330\nvoid main()\n{\n    gl_Position = undeclared;\n}\n";
  const std::string fragment = "#version 330\nlayout(location = 0) out vec4 vFragColor;\nvoid main()\n{\n    vFragColor = vec4(1.0);\n}\n";
  VLM_SHADER* s = Build(broken, fragment, "Broken", 3, 1);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ProgramInteger(s->iProgram, GL_LINK_STATUS), GL_FALSE);
  EXPECT_EQ(ProgramInteger(s->iProgram, GL_ATTACHED_SHADERS), 2);
  EXPECT_EQ(vlm::render::Shaders().renderLists[1].back(), s);
  std::string log = Log();
  EXPECT_NE(log.find("<i style='color:#FF0000;'>Broken [VertexShader]: "), std::string::npos) << log;
  EXPECT_NE(log.find("undeclared"), std::string::npos);
  EXPECT_NE(log.find("<i style='color:#404040;'>Broken [FragmentShader]: Compiling successfull!</i>"),
            std::string::npos);
  EXPECT_NE(log.find("<td>VLM_BuildShaderProgram</td><td colspan=2><i style='color:#FF0000;'>"
                     "Broken [Program]: Linking failed! "),
            std::string::npos);

  // Stages that compile but do not link together.
  const std::string needsInput =
      "#version 330\nuniform vec3 vMissing;\nlayout(location = 0) out vec4 vFragColor;\n"
      "void main()\n{\n    vFragColor = vec4(vMissing, 1.0);\n}\n";
  const std::string vertex = "#version 330\nuniform float vMissing;\nvoid main()\n{\n"
                             "    gl_Position = vec4(vMissing);\n}\n";
  vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
  s = Build(vertex, needsInput, "Unlinked");
  ASSERT_NE(s, nullptr);
  log = Log();
  const std::string row = "<tr><td>\xC2\x95</td><td>VLM_BuildShaderProgram</td><td colspan=2><i style='color:#FF0000;'>"
                          "Unlinked [Program]: Linking failed! ";
  ASSERT_NE(log.find(row), std::string::npos) << log;
  EXPECT_NE(log.find("vMissing", log.find(row)), std::string::npos);

  // A warning alone is written as a failure row too.
  // (Made unique per run: the driver keeps no log for a stage it finds in
  // its cache.)
  const std::string warns = "#version 330\n#extension GL_VLM_no_such_extension : warn\n// " +
                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                            "\nvoid main()\n{\n    gl_Position = vec4(0.0);\n}\n";
  vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
  s = Build(warns, fragment, "Warned");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ProgramInteger(s->iProgram, GL_LINK_STATUS), GL_TRUE);
  log = Log();
  EXPECT_NE(log.find("<i style='color:#FF0000;'>Warned [VertexShader]: "), std::string::npos) << log;
  EXPECT_NE(log.find("GL_VLM_no_such_extension"), std::string::npos);
  EXPECT_EQ(log.find("Linking failed"), std::string::npos);
  // Reflecting an unlinked program left no GL error behind.
  EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderReflection, UniformTypeCodesFillTheirListsAndSlotTables) {
  VLM_SHADER* s = VLM_CreateShaderProgram(-1, 3, "Codes");
  ASSERT_NE(s, nullptr);
  made_.push_back(s);
  const VLM_HANDLE h = reinterpret_cast<VLM_HANDLE>(s);
  const int expected[] = {VLM_UNIFORMS_INTEGER, VLM_UNIFORMS_INTEGER, VLM_UNIFORMS_SAMPLER,
                          VLM_UNIFORMS_INTEGER, VLM_UNIFORMS_FLOAT,   VLM_UNIFORMS_VECTOR3,
                          VLM_UNIFORMS_VECTOR3, VLM_UNIFORMS_VECTOR4, VLM_UNIFORMS_MATRIX3,
                          VLM_UNIFORMS_MATRIX4};
  // No program is linked, so every location is -1.
  for (int code = 0; code <= 9; ++code)
    EXPECT_EQ(VLM_AddShaderUniform(h, code, "x", code, 0, 0, 0, 1), -1) << code;
  ASSERT_EQ(s->aSlotsA.size(), 10u);
  for (int code = 0; code <= 9; ++code) {
    bool inList = false;
    for (const VLM_SHADER_UNIFORM& u : s->aUniforms[expected[code]]) inList |= &u == s->aSlotsA[static_cast<size_t>(code)];
    EXPECT_TRUE(inList) << code;
  }
  // Unknown codes register nothing.
  EXPECT_EQ(VLM_AddShaderUniform(h, 10, "x", 20, 0, 0, 0, 1), 0);
  EXPECT_EQ(VLM_AddShaderUniform(h, -1, "x", 20, 0, 0, 0, 1), 0);
  EXPECT_EQ(s->aSlotsA.size(), 10u);
  // Table B grows to the slot asked for; start, end and count are kept.
  VLM_AddShaderUniform(h, 4, "y", 5, 1, 3, 4, 2);
  ASSERT_EQ(s->aSlotsB.size(), 6u);
  const VLM_SHADER_UNIFORM* entry = s->aSlotsB[5];
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->iStart, 3);
  EXPECT_EQ(entry->iEnd, 7);
  EXPECT_EQ(entry->iCount, 2);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s->aSlotsB[static_cast<size_t>(i)], nullptr);
  // A slot given again refers to the new entry; the old one stays listed.
  VLM_AddShaderUniform(h, 4, "z", 5, 1, 0, 0, 1);
  EXPECT_NE(s->aSlotsB[5], entry);
  EXPECT_EQ(s->aUniforms[VLM_UNIFORMS_FLOAT].size(), 3u);
  // A negative slot is refused with a row; nothing is filed.
  EXPECT_EQ(VLM_AddShaderUniform(h, 4, "x", -1, 0, 0, 0, 1), 0);
  EXPECT_EQ(s->aUniforms[VLM_UNIFORMS_FLOAT].size(), 3u);
  EXPECT_NE(Log().find("Fail: The uniform slot must lie between 0 and 65535!"), std::string::npos);
  EXPECT_EQ(VLM_AddShaderUniform(0xDEAD0000, 4, "x", 0, 0, 0, 0, 1), 0);
}

TEST_F(ShaderReflection, RenderListsShadowLinksAndRelease) {
  VLM_SHADER* a = VLM_CreateShaderProgram(-1, 3, "A");
  VLM_SHADER* b = VLM_CreateShaderProgram(7, 1, "B");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  made_.push_back(a);
  const VLM_HANDLE ha = reinterpret_cast<VLM_HANDLE>(a);
  auto& list2 = vlm::render::Shaders().renderLists[2];
  const size_t before = list2.size();
  EXPECT_EQ(VLM_AddShaderToRenderList(2, ha), 1);
  EXPECT_EQ(VLM_AddShaderToRenderList(2, ha), 0);
  EXPECT_EQ(list2.size(), before + 1);
  EXPECT_EQ(a->iRenderList, 2);
  EXPECT_EQ(VLM_AddShaderToRenderList(3, ha), 0);
  EXPECT_NE(Log().find("Fail: Render list 3 does not exist!"), std::string::npos);

  EXPECT_EQ(VLM_SetShaderShadowProgram(ha, 7), 1);
  EXPECT_EQ(a->pShadowProgram, b);
  const GLuint program = b->iProgram;
  EXPECT_TRUE(vlmgl.glIsProgram(program));
  // Releasing B leaves no reference to it behind and deletes its program.
  EXPECT_EQ(VLM_FreeShader(7), 1);
  EXPECT_EQ(a->pShadowProgram, nullptr);
  EXPECT_FALSE(vlmgl.glIsProgram(program));
  EXPECT_EQ(VLM_FreeShader(7), 0);
  // Releasing A takes it out of its render list.
  made_.clear();
  EXPECT_EQ(VLM_FreeShader(ha), 1);
  EXPECT_EQ(list2.size(), before);
  EXPECT_EQ(VLM_IsShader(ha), nullptr);
}

TEST_F(ShaderReflection, StagesFromFiles) {
  VLM_SHADER* s = VLM_CreateShaderProgram(-1, 2, "Filed");
  ASSERT_NE(s, nullptr);
  made_.push_back(s);
  const VLM_HANDLE h = reinterpret_cast<VLM_HANDLE>(s);
  // A missing file: 0 and no row.
  EXPECT_EQ(VLM_LoadVertexShader(h, dir_.File("missing.vert").c_str()), 0);
  EXPECT_EQ(Log(), "");
  vlmtest::WriteFile(dir_.File("a.vert"), "#version 330\nvoid main()\n{\n    gl_Position = vec4(0.0);\n}\n");
  vlmtest::WriteFile(dir_.File("a.frag"), "#version 330\nvoid main()\n{\n    undeclared();\n}\n");
  EXPECT_EQ(VLM_LoadVertexShader(h, dir_.File("a.vert").c_str()), 1);
  EXPECT_EQ(VLM_LoadFragmentShader(h, dir_.File("a.frag").c_str()), 1);
  EXPECT_EQ(ProgramInteger(s->iProgram, GL_ATTACHED_SHADERS), 2);
  // Information rows whatever the result; an empty log leaves the label alone.
  const std::string log = Log();
  EXPECT_NE(log.find("<td>VLM_LoadVertexShader</td><td colspan=2><i style='color:#404040;'>Filed [VertexShader]: </i>"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("<td>VLM_LoadFragmentShader</td><td colspan=2><i style='color:#404040;'>Filed [FragmentShader]: "),
            std::string::npos);
  EXPECT_NE(log.find("undeclared"), std::string::npos);
  EXPECT_EQ(log.find("#FF0000"), std::string::npos);
}

}  // namespace
