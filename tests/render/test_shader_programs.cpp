// The built-in programs on a real context: every stage compiles with an
// empty log and every program links, in a compatibility and a core context;
// the start-up log sections; block layouts, attribute and output locations
// and the hand-built slot tables read back from GL itself.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/testing/window_probe.h"
#include "render/shader_builtin.h"
#include "render/shader_record.h"
#include "shader_test_util.h"
#include "support/test_support.h"

namespace {

using shadertest::ProgramInteger;

struct Expected {
  int number;
  const char* name;
  int group;
  int list;    // -1: none
  int shadow;  // 0: none
};

const Expected kTable[] = {
    {1, "GBuffer Depth Linearization", 0, -1, 0}, {2, "GBuffer Bloom Glow Map", 0, -1, 0},
    {3, "GBuffer SSAO", 0, -1, 0},                {4, "Shadow Default", 1, -1, 0},
    {5, "Shadow Instancing", 1, -1, 0},           {6, "Shadow TextureArray", 1, -1, 0},
    {7, "Shadow Grass", 1, -1, 0},                {8, "2D Default", 2, -1, 0},
    {9, "2D Default TA", 2, -1, 0},               {10, "2D Drawing", 2, -1, 0},
    {11, "2D Masked", 2, -1, 0},                  {12, "2D Color Channels", 2, -1, 0},
    {13, "2D Blur", 2, -1, 0},                    {14, "2D Gadget", 2, -1, 0},
    {15, "3D Default", 3, 1, 4},                  {16, "3D Drawing", 3, 1, 0},
    {17, "3D Draw Mesh", 3, 1, 4},                {18, "3D Textures", 3, 1, 4},
    {19, "3D Textures NoDepth", 3, 2, 4},         {20, "3D NormalMap", 3, 0, 4},
    {21, "3D NormalMap TA", 3, 0, 6},             {22, "3D SpecularMap", 3, 0, 4},
    {23, "3D SpecularMap I", 3, 0, 5},            {24, "3D SpecularMap TA", 3, 0, 6},
    {25, "3D Clipped SpecularMap", 3, 0, 4},      {26, "3D ReflectionMap", 3, 0, 4},
    {27, "3D Ultimate", 3, 0, 4},                 {28, "3D Grass", 3, 0, 7},
    {29, "3D Glass", 3, 0, 4},                    {30, "Normal Mapping Silhouette", 3, 1, 0},
    {31, "Parallax Mapping", 3, 0, 0},            {32, "Specular Parallax Mapping", 3, 0, 0},
    {33, "Water", 3, 2, 0},                       {35, "Mask Refraction", 3, 2, 0},
    {36, "Mesh Glow", 3, 2, 0},                   {37, "Skybox", 3, -1, 0},
    {38, "Particle", 3, -1, 0},                   {39, "Soft Particle", 3, -1, 0},
    {40, "3D Perlin", 3, 1, 4},                   {41, "PP Default", 4, -1, 0},
    {42, "PP Default TA", 4, -1, 0},              {43, "PP Gamma", 4, -1, 0},
    {44, "PP Gamma TA", 4, -1, 0},                {45, "PP Blur", 4, -1, 0},
    {46, "PP Blur TA", 4, -1, 0},                 {47, "Billboard", 3, -1, 0},
};

bool InList(int list, const VLM_SHADER* shader) {
  for (const VLM_SHADER* s : vlm::render::Shaders().renderLists[static_cast<size_t>(list)])
    if (s == shader) return true;
  return false;
}

// Every built-in program exists, linked, and is filed as its table row says.
void ExpectEveryProgramBuilt() {
  for (const Expected& e : kTable) {
    SCOPED_TRACE(e.name);
    VLM_SHADER* shader = VLM_GetBuiltInShader(e.number);
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(shader->sName, e.name);
    EXPECT_EQ(shader->iGroup, e.group);
    EXPECT_EQ(shader->iProgramNumber, e.number);
    EXPECT_EQ(ProgramInteger(shader->iProgram, GL_LINK_STATUS), GL_TRUE);
    for (int list = 0; list < 3; ++list) EXPECT_EQ(InList(list, shader), list == e.list) << list;
    EXPECT_EQ(shader->pShadowProgram, e.shadow ? VLM_GetBuiltInShader(e.shadow) : nullptr);
  }
  EXPECT_EQ(VLM_GetBuiltInShader(34), nullptr);
  EXPECT_EQ(VLM_GetBuiltInShader(0), nullptr);
  EXPECT_EQ(VLM_GetBuiltInShader(48), nullptr);
}

// The four sections hold one information row per stage, headline rows of
// "VLM Shader", in table order; nothing failed.
void ExpectShaderSections(const std::string& log) {
  const struct {
    const char* title;
    std::set<int> groups;
  } sections[] = {{"GBuffer Shader", {0}}, {"2D Shader", {2}}, {"3D Shader", {1, 3}}, {"PP Shader", {4}}};
  size_t previous = log.find(">Uniform Buffer</big>");
  ASSERT_NE(previous, std::string::npos);
  for (const auto& section : sections) {
    SCOPED_TRACE(section.title);
    const size_t at = log.find(std::string(">") + section.title + "</big>");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(at, previous);
    previous = at;
    EXPECT_NE(log.find(std::string("<big style='color:#0066D0;font-size:"), at - 60), std::string::npos);
    const std::vector<std::string> rows = shadertest::SectionRows(log, section.title);
    std::vector<std::string> expected;
    for (const Expected& e : kTable) {
      if (section.groups.count(e.group) == 0) continue;
      for (const char* stage : {" [VertexShader]: ", " [FragmentShader]: "})
        expected.push_back(std::string("<i style='color:#404040;'>") + e.name + stage +
                           "Compiling successfull!</i></td></tr>");
    }
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].rfind("<tr><td>\xC2\x95</td><td>VLM Shader</td><td>", 0), 0u) << rows[i];
      EXPECT_NE(rows[i].find("</td><td colspan=2>" + expected[i]), std::string::npos) << rows[i];
    }
  }
}

TEST(ShaderPrograms, StartUpBuildsEveryProgramWithCleanLogs) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  ExpectEveryProgramBuilt();
  const std::string log = vlmtest::ReadFile(gl.LogPath());
  ExpectShaderSections(log);
  const size_t from = log.find(">Uniform Buffer</big>");
  const size_t to = log.find(">Program</big>");
  ASSERT_NE(to, std::string::npos);
  EXPECT_EQ(log.substr(from, to - from).find("#FF0000"), std::string::npos);

  // The uniform-buffer sections: the limits, then one row and an "OK" per buffer.
  const std::vector<std::string> limits = shadertest::SectionRows(log, "Uniform Buffer");
  ASSERT_EQ(limits.size(), 7u);
  EXPECT_NE(limits[2].find("'>Maximum FRAGMENT UNIFORM components: "), std::string::npos);
  EXPECT_NE(limits[6].find(" Bytes</i>"), std::string::npos);
  const std::vector<std::string> buffers = shadertest::SectionRows(log, "");
  ASSERT_EQ(buffers.size(), 10u);
  const char* names[] = {"Projection", "Model", "Material", "Light", "Misc"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(buffers[2 * i].find(std::string("#404040;'>[Buffer] ") + names[i] + ":</i>"), std::string::npos);
    EXPECT_NE(buffers[2 * i + 1].find("#11FF00;'>OK</i>"), std::string::npos);
  }
}

TEST(ShaderPrograms, EveryProgramBuildsInACoreContext) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  shadertest::ReleaseShaders();
  vlmtest::TempDir dir;
  std::string log;
  const auto run = vlm::testing::RunInCoreContext(3, 3, [&] {
    GLint mask = 0;
    vlmgl.glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    EXPECT_NE(mask & GL_CONTEXT_CORE_PROFILE_BIT, 0);
    const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_MODULE | VLM_LOG_LINE);
    shadertest::BuildShaders();
    ExpectEveryProgramBuilt();
    EXPECT_EQ(vlmgl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    log = vlmtest::ReadFile(path);
    shadertest::ReleaseShaders();
  });
  // Back in the engine's own context: the set is built there again.
  shadertest::BuildShaders();
  ASSERT_NE(run, vlm::testing::ContextRun::kNoWindow) << vlm::testing::LastError();
  if (run == vlm::testing::ContextRun::kNoContext)
    GTEST_SKIP() << "no core context: " << vlm::testing::LastError();
  ExpectShaderSections(log);
  EXPECT_EQ(log.find("#FF0000"), std::string::npos) << log;
  ExpectEveryProgramBuilt();
}

// ---- Block layouts ---------------------------------------------------------

struct Member {
  const char* block;
  int offset;
};

const std::map<std::string, Member>& Members() {
  static const std::map<std::string, Member> members = {
      {"mProjectionMatrix", {"Projection", 0}}, {"mInvProjectionMatrix", {"Projection", 64}},
      {"mScreenMatrix", {"Projection", 128}},   {"mModelViewMatrix", {"Model", 0}},
      {"mViewMatrix", {"Model", 0}},            {"mNormalMatrix", {"Model", 64}},
      {"vColor", {"Material", 0}},              {"vWaterColor", {"Material", 0}},
      {"vRefractionColor", {"Material", 0}},    {"fIntensity", {"Material", 16}},
      {"fHardness", {"Material", 20}},          {"fSurfaceScattering", {"Material", 24}},
      {"fRefraction", {"Material", 24}},        {"fEmission", {"Material", 28}},
      {"fReflection", {"Material", 28}},        {"vSpecularColor", {"Material", 32}},
      {"vMapSize", {"Misc", 0}},                {"fNear", {"Misc", 8}},
      {"fFar", {"Misc", 12}},
  };
  return members;
}

// Block name -> number of members declared, read from the two sources.
std::map<std::string, int> DeclaredBlocks(const vlm::render::BuiltInProgram& p) {
  std::map<std::string, int> blocks;
  for (std::string_view source : {p.vertexSource, p.fragmentSource}) {
    size_t at = 0;
    while ((at = source.find("layout(std140) uniform ", at)) != std::string_view::npos) {
      at += 23;
      const size_t nameEnd = source.find('\n', at);
      const std::string name(source.substr(at, nameEnd - at));
      const size_t close = source.find("};", nameEnd);
      const std::string_view body = source.substr(nameEnd, close - nameEnd);
      int members = 0;
      for (char c : body) members += c == ';';
      blocks[name] = members;
    }
  }
  return blocks;
}

TEST(ShaderPrograms, BlockMembersHaveTheStd140OffsetsOfTheEngine) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  const std::map<std::string, int> sizes = {{"Projection", 192}, {"Model", 112}, {"Material", 48}, {"Misc", 16}};
  const std::map<std::string, int> bindings = {{"Projection", 0}, {"Model", 1}, {"Material", 2}, {"Misc", 4}};
  int checkedMembers = 0;
  for (int number : shadertest::ProgramNumbers()) {
    const vlm::render::BuiltInProgram* p = vlm::render::FindBuiltInProgram(number);
    ASSERT_NE(p, nullptr);
    SCOPED_TRACE(p->name);
    const GLuint program = VLM_GetBuiltInShader(number)->iProgram;
    const std::map<std::string, int> declared = DeclaredBlocks(*p);
    EXPECT_EQ(ProgramInteger(program, GL_ACTIVE_UNIFORM_BLOCKS), static_cast<GLint>(declared.size()));
    for (const auto& [block, members] : declared) {
      SCOPED_TRACE(block);
      const GLuint index = vlmgl.glGetUniformBlockIndex(program, block.c_str());
      ASSERT_NE(index, GL_INVALID_INDEX);
      GLint value = -1;
      vlmgl.glGetActiveUniformBlockiv(program, index, GL_UNIFORM_BLOCK_ACTIVE_UNIFORMS, &value);
      EXPECT_EQ(value, members);
      vlmgl.glGetActiveUniformBlockiv(program, index, GL_UNIFORM_BLOCK_DATA_SIZE, &value);
      EXPECT_EQ(value, sizes.at(block));
      vlmgl.glGetActiveUniformBlockiv(program, index, GL_UNIFORM_BLOCK_BINDING, &value);
      EXPECT_EQ(value, bindings.at(block));
    }
    const GLint active = ProgramInteger(program, GL_ACTIVE_UNIFORMS);
    for (GLuint i = 0; i < static_cast<GLuint>(active); ++i) {
      GLint blockIndex = -1, offset = -1;
      vlmgl.glGetActiveUniformsiv(program, 1, &i, GL_UNIFORM_BLOCK_INDEX, &blockIndex);
      if (blockIndex < 0) continue;
      vlmgl.glGetActiveUniformsiv(program, 1, &i, GL_UNIFORM_OFFSET, &offset);
      char name[64] = {};
      vlmgl.glGetActiveUniformName(program, i, sizeof name, nullptr, name);
      const auto member = Members().find(name);
      ASSERT_NE(member, Members().end()) << name;
      EXPECT_EQ(offset, member->second.offset) << name;
      EXPECT_EQ(static_cast<GLuint>(blockIndex), vlmgl.glGetUniformBlockIndex(program, member->second.block))
          << name;
      if (std::string(name) == "mNormalMatrix") {
        GLint stride = 0;
        vlmgl.glGetActiveUniformsiv(program, 1, &i, GL_UNIFORM_MATRIX_STRIDE, &stride);
        EXPECT_EQ(stride, 16);  // three columns of 16 bytes
      }
      ++checkedMembers;
    }
  }
  EXPECT_GT(checkedMembers, 300);
}

// ---- Attribute and output locations ---------------------------------------

const char* InputName(int number, int location) {
  const bool particle = number == 38 || number == 39;
  switch (location) {
    case 0: return "vVertex";
    case 1: return "vNormal";
    case 2: return "vTexCoord0";
    case 3: return "vTexCoord1";
    case 4: return "vColor";
    case 6: return "vTangent";
    case 7: return particle ? "vPosition" : "iGroup";
    case 8: return "fSize";
    case 9: return "fRotation";
  }
  return "";
}

std::vector<int> Inputs(int number) {
  switch (number) {
    case 6: case 7: return {0, 2, 7};
    case 10: case 17: case 37: return {0};
    case 11: return {0, 2, 3};
    case 14: return {0, 2, 4};
    case 15: case 36: return {0, 1};
    case 16: return {0, 4};
    case 21: case 24: case 28: return {0, 1, 2, 6, 7};
    case 38: case 39: return {0, 2, 4, 7, 8, 9};
  }
  if ((number >= 20 && number <= 35) || number == 47) return {0, 1, 2, 6};
  return {0, 2};
}

std::vector<std::string> Outputs(int number) {
  if ((number >= 20 && number <= 29) || number == 31 || number == 32)
    return {"vFragPosition", "vFragNormal", "vFragDiffuse", "vFragSpecular", "vFragMisc"};
  if (number == 1 || number == 3) return {"vFragMisc"};
  if (number == 2) return {"vFragGlow"};
  if (number >= 4 && number <= 7) return {};
  return {"vFragColor"};
}

TEST(ShaderPrograms, AttributeAndOutputLocationsFollowTheTable) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  // Bound but unused by the program, so GL does not report them: the grass
  // has no tangent frame, and a billboard quad needs no normal or tangent.
  const std::set<std::pair<int, std::string>> unused = {{28, "vTangent"}, {47, "vNormal"}, {47, "vTangent"}};
  for (int number : shadertest::ProgramNumbers()) {
    const VLM_SHADER* shader = VLM_GetBuiltInShader(number);
    SCOPED_TRACE(shader->sName);
    const std::vector<int> inputs = Inputs(number);
    // The driver counts gl_InstanceID among the active attributes.
    const bool instanced =
        vlm::render::FindBuiltInProgram(number)->vertexSource.find("gl_InstanceID") != std::string_view::npos;
    EXPECT_EQ(ProgramInteger(shader->iProgram, GL_ACTIVE_ATTRIBUTES),
              static_cast<GLint>(inputs.size()) - (number == 28 ? 1 : number == 47 ? 2 : 0) + instanced);
    for (int location : inputs) {
      const char* name = InputName(number, location);
      if (unused.count({number, name}) != 0) continue;
      EXPECT_EQ(vlmgl.glGetAttribLocation(shader->iProgram, name), location) << name;
    }
    const std::vector<std::string> outputs = Outputs(number);
    for (size_t i = 0; i < outputs.size(); ++i)
      EXPECT_EQ(vlmgl.glGetFragDataLocation(shader->iProgram, outputs[i].c_str()), static_cast<GLint>(i))
          << outputs[i];
  }
}

// ---- Hand-built slot tables ------------------------------------------------

TEST(ShaderPrograms, HandBuiltProgramsFillTheirSlotTables) {
  vlmtest::GLContext gl;
  REQUIRE_GL(gl);
  struct Slot {
    int slot;
    const char* name;
    int list;
  };
  const int I = VLM_UNIFORMS_INTEGER, F = VLM_UNIFORMS_FLOAT, V3 = VLM_UNIFORMS_VECTOR3,
            V4 = VLM_UNIFORMS_VECTOR4;
  const std::map<int, std::vector<Slot>> tables = {
      {30, {{0, "NormalMap", I}}},
      {31, {{0, "ColorMap", I}, {1, "NormalMap", I}, {2, "fScale", I}, {3, "fBias", I}}},
      {32, {{0, "ColorMap", I}, {1, "NormalMap", I}, {2, "SpecularMap", I}, {3, "fScale", I}, {4, "fBias", I}}},
      {33, {{0, "GBufferMap", I}, {1, "DepthMap", I}, {2, "NormalMapA", I}, {3, "NormalMapB", I},
            {4, "ReflectionCubeMap", I}, {6, "vOffset", V3}, {7, "fFogDepth", F}, {8, "vLightDir", V3}}},
      {35, {{0, "ColorMap", I}, {1, "DepthMap", I}, {2, "NormalMap", I}, {3, "MaskMap", I}, {4, "vOffset", V3}}},
      {36, {{0, "DepthMap", I}, {1, "fScale", F}}},
      {37, {{0, "ColorCubeMap", I}, {1, "MaskMap", I}, {2, "vColor", V4}}},
      {38, {{1, "DepthMap", I}, {2, "ColorMap", I}}},
      {39, {{0, "DepthMap", I}, {2, "ColorMap", I}, {3, "fBlend", F}}},
      {47, {{0, "ColorMap", I}, {1, "DepthMap", I}, {2, "InstancesTextureBuffer", I}, {3, "iProjectionMode", I}}},
  };
  for (const auto& [number, slots] : tables) {
    const VLM_SHADER* shader = VLM_GetBuiltInShader(number);
    SCOPED_TRACE(shader->sName);
    size_t filled = 0;
    for (const VLM_SHADER_UNIFORM* entry : shader->aSlotsA) filled += entry != nullptr;
    EXPECT_EQ(filled, slots.size());
    EXPECT_EQ(shader->aSlotsA.size(), static_cast<size_t>(slots.back().slot + 1));
    EXPECT_TRUE(shader->aSlotsB.empty());
    for (const Slot& s : slots) {
      SCOPED_TRACE(s.name);
      ASSERT_LT(static_cast<size_t>(s.slot), shader->aSlotsA.size());
      const VLM_SHADER_UNIFORM* entry = shader->aSlotsA[static_cast<size_t>(s.slot)];
      ASSERT_NE(entry, nullptr);
      const GLint location = vlmgl.glGetUniformLocation(shader->iProgram, s.name);
      EXPECT_NE(location, -1);
      EXPECT_EQ(entry->iLocation, location);
      EXPECT_EQ(entry->iCount, 1);
      bool inList = false;
      for (const VLM_SHADER_UNIFORM& u : shader->aUniforms[s.list]) inList |= &u == entry;
      EXPECT_TRUE(inList);
    }
  }
}

TEST(ShaderPrograms, CompilingIntoAMissingShaderIsReported) {
  vlmtest::TempDir dir;
  const std::string path = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE);
  EXPECT_EQ(VLM_CatchVertexShader(900, "void main() {}", nullptr), 0);
  EXPECT_EQ(vlmtest::LogBody(path), vlmtest::FailRow("VLM_CatchVertexShader",
                                                     "Fail: This shader does not exist, the stage is not compiled!"));
}

}  // namespace
