// Materials: the definition keys with their exact rows and values, the
// program table (and the program-less "REFRACTION"), texture slots by name,
// inline blocks and substitutes, the programs' material lists, release,
// the built-in resources and a folder of definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/registries.h"
#include "definition/definition_state.h"
#include "definition/texture_material_records.h"
#include "render/render_state.h"
#include "render/shader_record.h"
#include "scene/object_record.h"
#include "support/gl_context.h"
#include "texture/texture_test_util.h"
#include "velmora.h"

namespace {

using texturetest::Count;

class Materials : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL(gl_);
    log_ = vlmtest::OpenTestLog(dir_, VLM_LOG_PROCEDURE);
  }
  void TearDown() override {
    for (VLM_MATERIAL* m : vlm::MaterialRegistry().Records())
      if (!m->sName.empty()) VLM_FreeMaterial(m->iHandle);
    for (VLM_TEXTURE* t : vlm::TextureRegistry().Records())
      if (!t->sName.empty()) VLM_FreeTexture(t->iHandle);
    if (root_) VLM_FreeDefinitionNode(root_, 1);
  }
  std::string Log() const { return vlmtest::LogBody(log_); }
  VLM_MATERIAL* Load(const std::string& text, const char* name) {
    if (root_) VLM_FreeDefinitionNode(root_, 1);
    root_ = VLM_ParseDefinitionText(text.c_str(), (dir_.Path().string() + "/").c_str());
    return VLM_LoadMaterialDefinition(-1, root_, name);
  }
  static int Occurrences(const VLM_MATERIAL* material) {
    if (!material->pShader) return 0;
    const auto& list = material->pShader->materials;
    return static_cast<int>(std::count(list.begin(), list.end(), material));
  }

  vlmtest::GLContext gl_;
  vlmtest::TempDir dir_;
  std::string log_;
  VLM_DEFINITION_NODE* root_ = nullptr;
};

TEST_F(Materials, DefinitionValuesAndDefaults) {
  VLM_MATERIAL* m = Load(
      "Material: Stone {\nShader: #3d_textured#\nBlendingMode: ONE, ONE\nRefraction: 20\n"
      "Color: 255, 0, 0, 128\nShine: 2.5\nHardness: 4\nDepthMask: false\nWireframe: true\n}\n",
      "Stone");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->pShader, VLM_GetBuiltInShader(18));
  EXPECT_EQ(m->iBlendSource, static_cast<uint32_t>(GL_ONE));
  EXPECT_EQ(m->iBlendDestination, static_cast<uint32_t>(GL_ONE));
  EXPECT_FLOAT_EQ(m->fRefraction, 0.2f);
  EXPECT_FLOAT_EQ(m->v4fColor.x, 1.0f);
  EXPECT_FLOAT_EQ(m->v4fColor.y, 0.0f);
  EXPECT_NEAR(m->v4fColor.w, 128.0f / 255.0f, 1e-6f);
  EXPECT_FLOAT_EQ(m->fShine, 2.5f);
  EXPECT_FLOAT_EQ(m->fHardness, 4.0f);
  EXPECT_EQ(m->iDepthMask, 0);
  EXPECT_EQ(m->iWireframe, 1);
  EXPECT_EQ(m->iBackFaceCulling, 1);
  EXPECT_EQ(m->apTextures[VLM_SLOT_CUBE], VLM_ResolveTexture(VLM_GetDefaultResource(VLM_RESOURCE_CUBEMAP)));
  EXPECT_EQ(Occurrences(m), 1);
  EXPECT_EQ(VLM_AddMaterialToShader(m->iHandle), 0);  // there already
  EXPECT_NE(Log().find("Material: Stone"), std::string::npos);
  EXPECT_EQ(Count(Log(), ">OK<"), 1);

  // No keys: program 15, default blending, refraction 0.05, opaque white,
  // shine 1, depth writes on and no wire frame.
  m = Load("Material: Plain {\n}\n", "Plain");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->pShader, VLM_GetBuiltInShader(15));
  EXPECT_EQ(m->iBlendSource, static_cast<uint32_t>(GL_SRC_ALPHA));
  EXPECT_EQ(m->iBlendDestination, static_cast<uint32_t>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_FLOAT_EQ(m->fRefraction, 0.05f);
  EXPECT_FLOAT_EQ(m->v4fColor.w, 1.0f);
  EXPECT_FLOAT_EQ(m->fHardness, 1.0f);
  EXPECT_FLOAT_EQ(m->fShine, 1.0f);
  EXPECT_EQ(m->iDepthMask, 1);
  EXPECT_EQ(m->iWireframe, 0);

  // A single blend value has no children: both factors read "SRC_ALPHA".
  m = Load("Material: Single {\nBlendingMode: ONE\n}\n", "Single");
  EXPECT_EQ(m->iBlendSource, static_cast<uint32_t>(GL_SRC_ALPHA));
  EXPECT_EQ(m->iBlendDestination, static_cast<uint32_t>(GL_SRC_ALPHA));

  // Soft particles keep their blend distance in the hardness field.
  m = Load("Material: Soft {\nShader: SOFTPARTICLE\nHardness: 4\n}\n", "Soft");
  EXPECT_EQ(m->pShader, VLM_GetBuiltInShader(39));
  EXPECT_FLOAT_EQ(m->fHardness, 300.0f);
  EXPECT_EQ(Occurrences(m), 0);  // program 39 is in no render list
}

// "REFRACTION" names program 34, which is never built: the material is
// drawn with program 15 and a failure row says so.
TEST_F(Materials, ProgramlessShaderFallsBackToTheDefaultProgram) {
  VLM_MATERIAL* m = Load("Material: Glassy {\nShader: Refraction\n}\n", "Glassy");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->pShader, VLM_GetBuiltInShader(15));
  EXPECT_EQ(Occurrences(m), 1);
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadMaterialDefinition",
                                        "Fail: Program 34 does not exist, 3D_DEFAULT used!")),
            std::string::npos);
  VLM_MATERIAL* coded = VLM_CreateMaterial(-1, -1, 99, "Coded");
  ASSERT_NE(coded, nullptr);
  EXPECT_EQ(coded->pShader, VLM_GetBuiltInShader(15));
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_CreateMaterial", "Fail: Program 99 does not exist, 3D_DEFAULT used!")),
            std::string::npos);
}

// Keys that cannot be meant give their defaults with an Info row naming the
// key; a texture handle that names no texture leaves slot 0 empty and says so.
TEST_F(Materials, UnusableKeysGiveTheirDefaultsAndAMissingTextureARow) {
  VLM_MATERIAL* m = Load(
      "Material: Broken {\nColor: 1.e39, 0.5, 0.5\nShine: NaN\nShineColor: 0.5, -1.e39, 0.5\n"
      "Hardness: +Infinity\nReflection: -Infinity\nRefraction: NaN\nSurfaceScattering: NaN\n}\n",
      "Broken");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->v4fColor.y, 1.0f);
  EXPECT_EQ(m->v4fShineColor.x, 1.0f);
  EXPECT_EQ(m->fShine, 1.0f);
  EXPECT_EQ(m->fHardness, 1.0f);
  EXPECT_EQ(m->fReflection, 0.0f);
  EXPECT_EQ(m->fRefraction, 5.0f * 0.01f);
  EXPECT_EQ(m->fSurfaceScattering, 0.0f);
  VLM_MATERIAL* soft = Load("Material: Soft {\nShader: SOFTPARTICLE\nBlend: -Infinity\n}\n", "Soft");
  EXPECT_EQ(soft->fHardness, 300.0f);
  VLM_MATERIAL* coded = VLM_CreateMaterial(-1, 4321, 15, "Coded");
  ASSERT_NE(coded, nullptr);
  EXPECT_EQ(coded->apTextures[VLM_SLOT_COLOUR], nullptr);

  std::string rows;
  for (const char* key : {"Color", "Shine", "ShineColor", "Hardness", "Reflection", "Refraction",
                          "SurfaceScattering"})
    rows += vlmtest::NoticeRow("VLM_LoadMaterialDefinition",
                               std::string("Info: ") + key + " is not a usable value, the default is used!");
  EXPECT_NE(Log().find(rows), std::string::npos);
  EXPECT_NE(Log().find(vlmtest::NoticeRow("VLM_LoadMaterialDefinition",
                                          "Info: Blend is not a usable value, the default is used!")),
            std::string::npos);
  EXPECT_NE(Log().find(vlmtest::NoticeRow("VLM_CreateMaterial",
                                          "Info: Texture not found, the material has no texture!")),
            std::string::npos);
}

TEST_F(Materials, TextureSlotsByNameInlineAndSubstitute) {
  texturetest::WriteBytes(dir_.File("n.png"), texturetest::SolidPng(2, 2, 128, 128, 255));
  VLM_TEXTURE* colour = VLM_CatchTexture(-1, texturetest::SolidPng(2, 2, 1, 2, 3).data(),
                                         texturetest::SolidPng(2, 2, 1, 2, 3).size(), VLM_DEFAULT,
                                         "StoneColour");
  ASSERT_NE(colour, nullptr);
  const size_t texturesBefore = vlm::TextureRegistry().Count();
  VLM_MATERIAL* m = Load(
      "Material: Stone {\nShader: 3D_SPECULARMAP\nTexture[0]: StoneColour\n"
      "Texture[1]: {\nFile: 'n.png'\n}\nTexture[2]: {\nFile: 'gone.png'\n}\n"
      "Texture[3]: {\nFile: 'gone.png'\n}\n}\n",
      "Stone");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->pShader, VLM_GetBuiltInShader(22));
  EXPECT_EQ(m->apTextures[0], colour);
  ASSERT_NE(m->apTextures[1], nullptr);
  EXPECT_EQ(m->apTextures[1]->iWidth, 2);
  // The failed block of slot 2 gets a new 4 x 4 substitute; slot 3 none.
  ASSERT_NE(m->apTextures[2], nullptr);
  EXPECT_EQ(m->apTextures[2]->iWidth, 4);
  EXPECT_NE(m->apTextures[2], VLM_ResolveTexture(VLM_GetDefaultResource(VLM_RESOURCE_SUBSTITUTE_SPECULAR)));
  EXPECT_EQ(m->apTextures[3], nullptr);
  EXPECT_EQ(vlm::TextureRegistry().Count(), texturesBefore + 2);
  EXPECT_EQ(Count(Log(), "Fail: Image not found!"), 2);

  m = Load("Material: Lost {\nTexture[0]: Missing\n}\n", "Lost");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->apTextures[0], nullptr);
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadMaterialDefinition", "Texture[0] not found: Missing")),
            std::string::npos);

  // Releasing a texture empties every slot that names it.
  VLM_MATERIAL* other = VLM_CreateMaterial(-1, colour->iHandle, 18, "Other");
  ASSERT_EQ(other->apTextures[0], colour);
  VLM_FreeTexture(colour->iHandle);
  EXPECT_EQ(other->apTextures[0], nullptr);
  EXPECT_EQ(vlm::MaterialRegistry().FindByName("Stone")->apTextures[0], nullptr);
}

// An inline block written without its colon, "Texture[1] {", fills its
// slot as "Texture[1]: {" would. Where such a statement cannot be a slot
// (the slot has a key already, or a name lacks its colon) a row names it
// with its line, and the slot keeps what its key gave.
TEST_F(Materials, InlineBlockWithoutColonFillsItsSlotOrNamesItsLine) {
  texturetest::WriteBytes(dir_.File("n.png"), texturetest::SolidPng(2, 2, 128, 128, 255));
  texturetest::WriteBytes(dir_.File("c.png"), texturetest::SolidPng(8, 8, 200, 100, 50));
  VLM_MATERIAL* m = Load(
      "Material: Stone {\nShader: 3D_NORMALMAP\n"
      "Texture[1] {\nFile: 'n.png'\n}\n"          // lines 3-5
      "Texture[0]: {\nFile: 'c.png'\n}\n"         // lines 6-8
      "Texture[0] {\nFile: 'n.png'\n}\n"          // lines 9-11: slot 0 has its key
      "Texture[2] stone_s\n}\n",                   // line 12: no colon, no block
      "Stone");
  ASSERT_NE(m, nullptr);
  ASSERT_NE(m->apTextures[1], nullptr);
  EXPECT_EQ(m->apTextures[1]->iWidth, 2);
  ASSERT_NE(m->apTextures[0], nullptr);
  EXPECT_EQ(m->apTextures[0]->iWidth, 8);
  EXPECT_EQ(m->apTextures[2], nullptr);
  const char* kHint = " is not a texture slot (write Texture[k]: name or Texture[k]: { ... })!";
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadMaterialDefinition",
                                        std::string("Fail: 'Texture[0]' on line 9") + kHint)),
            std::string::npos);
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadMaterialDefinition",
                                        std::string("Fail: 'Texture[2] stone_s' on line 12") + kHint)),
            std::string::npos);
  EXPECT_EQ(Count(Log(), "is not a texture slot"), 2);
}

TEST_F(Materials, MissingBlockAndReplacement) {
  EXPECT_EQ(Load("Material: Wood {\n}\n", "Stone"), nullptr);
  EXPECT_NE(Log().find("Material: Stone"), std::string::npos);
  EXPECT_NE(Log().find(vlmtest::FailRow("VLM_LoadMaterialDefinition", "FAIL: Material Node Not found!")),
            std::string::npos);

  VLM_MATERIAL* first = Load("Material: Wood {\nShader: 3D_TEXTURED\n}\n", "Wood");
  ASSERT_NE(first, nullptr);
  VLM_SHADER* program = first->pShader;
  VLM_MATERIAL* second = VLM_LoadMaterialDefinition(-1, root_, "Wood");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(vlm::MaterialRegistry().FindByName("Wood"), second);
  // Looked up by name: the replacement's address handle; a numbered one
  // gives its ID; unknown, empty and absent names give 0.
  EXPECT_EQ(VLM_GetMaterialByName("Wood"), reinterpret_cast<VLM_HANDLE>(second));
  ASSERT_NE(VLM_CreateMaterial(812, -1, 15, "Numbered"), nullptr);
  EXPECT_EQ(VLM_GetMaterialByName("Numbered"), 812);
  EXPECT_EQ(VLM_GetMaterialByName("wood"), 0);
  EXPECT_EQ(VLM_GetMaterialByName(""), 0);
  EXPECT_EQ(VLM_GetMaterialByName(nullptr), 0);
  EXPECT_EQ(std::count(program->materials.begin(), program->materials.end(), second), 1);
  EXPECT_EQ(program->materials.end(), std::find_if(program->materials.begin(), program->materials.end(),
                                                   [&](VLM_MATERIAL* m) { return m->sName == "Wood" && m != second; }));
}

// A released material leaves its program's list; its objects move to the
// default 3D material, or are left without one when that is gone too.
TEST_F(Materials, ReleaseMovesObjectsToTheDefaultMaterial) {
  VLM_MATERIAL* fallback = VLM_CreateMaterial(-1, -1, 15, "Fallback");
  const intptr_t savedDefault = vlm::Render().defaults.material3D;
  vlm::Render().defaults.material3D = fallback->iHandle;
  VLM_MATERIAL* m = VLM_CreateMaterial(-1, -1, 18, "Doomed");
  ASSERT_EQ(m->apTextures[0], VLM_ResolveTexture(VLM_GetDefaultResource(VLM_RESOURCE_SUBSTITUTE_COLOUR)));
  VLM_SHADER* program = m->pShader;
  VLM_HANDLE id = -1;
  VLM_OBJECT* object = VLM_CreateObjectListEntry(&id, "thing");
  ASSERT_NE(object, nullptr);
  object->pMaterial = m;
  m->instances.push_back({object, nullptr});

  EXPECT_EQ(VLM_FreeMaterial(m->iHandle), 1);
  EXPECT_EQ(std::find(program->materials.begin(), program->materials.end(), m), program->materials.end());
  EXPECT_EQ(object->pMaterial, fallback);
  ASSERT_EQ(fallback->instances.size(), 1u);
  EXPECT_EQ(fallback->instances[0].object, object);

  EXPECT_EQ(VLM_FreeMaterial(fallback->iHandle), 1);
  EXPECT_EQ(object->pMaterial, nullptr);
  vlm::Render().defaults.material3D = savedDefault;
  VLM_FreeObject(id);

  // A released program leaves no material pointing at it, listed or not.
  VLM_SHADER* own = VLM_CreateShaderProgram(-1, VLM_SHADERGROUP_3D, "own");
  VLM_MATERIAL* unlisted = VLM_CreateMaterial(-1, -1, 18, "Unlisted");
  unlisted->pShader = own;
  VLM_FreeShader(own->iHandle);
  EXPECT_EQ(unlisted->pShader, nullptr);
}

// Start-up made every built-in resource: textures of the compiled-in
// images, the default material (program 8, colour 0x80FFFFFF) and the
// materials of programs 15 and 38 with the substitutes and the cube map.
TEST_F(Materials, BuiltInResources) {
  VLM_TEXTURE* texture = VLM_ResolveTexture(VLM_GetDefaultResource(VLM_RESOURCE_TEXTURE));
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->iWidth, 64);
  VLM_TEXTURE* cube = VLM_ResolveTexture(VLM_GetDefaultResource(VLM_RESOURCE_CUBEMAP));
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->iTarget, static_cast<uint32_t>(GL_TEXTURE_CUBE_MAP));
  VLM_MATERIAL* material = VLM_ResolveMaterial(VLM_GetDefaultResource(VLM_RESOURCE_MATERIAL));
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->pShader, VLM_GetBuiltInShader(8));
  EXPECT_EQ(material->apTextures[0], texture);
  EXPECT_NEAR(material->v4fColor.w, 128.0f / 255.0f, 1e-6f);
  VLM_MATERIAL* logo = VLM_ResolveMaterial(VLM_GetDefaultResource(VLM_RESOURCE_MATERIAL_LOGO));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->apTextures[0]->iWidth, 102);
  const int slots[3] = {VLM_RESOURCE_SUBSTITUTE_COLOUR, VLM_RESOURCE_SUBSTITUTE_NORMAL,
                        VLM_RESOURCE_SUBSTITUTE_SPECULAR};
  for (int resource : {VLM_RESOURCE_MATERIAL_3D, VLM_RESOURCE_MATERIAL_PARTICLE}) {
    VLM_MATERIAL* m = VLM_ResolveMaterial(VLM_GetDefaultResource(resource));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->pShader, VLM_GetBuiltInShader(resource == VLM_RESOURCE_MATERIAL_3D ? 15 : 38));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m->apTextures[k], VLM_ResolveTexture(VLM_GetDefaultResource(slots[k])));
    EXPECT_EQ(m->apTextures[VLM_SLOT_CUBE], cube);
  }
  // The flat normal map reads back as (128, 128, 255).
  uint8_t* normal = VLM_ReadTexturePixels(VLM_GetDefaultResource(VLM_RESOURCE_SUBSTITUTE_NORMAL));
  ASSERT_NE(normal, nullptr);
  EXPECT_EQ(normal[0], 128);
  EXPECT_EQ(normal[2], 255);
  free(normal);
}

// A folder of definition files yields its textures and materials; each
// material stands in its program's list once.
TEST_F(Materials, FolderOfDefinitions) {
  texturetest::WriteBytes(dir_.File("c.png"), texturetest::SolidPng(2, 2, 9, 9, 9));
  vlmtest::WriteFile(dir_.File("a.vld"),
                     "Texture: FolderColour {\nFile: 'c.png'\n}\n"
                     "Material: FolderA {\nShader: 3D_TEXTURED\nTexture[0]: FolderColour\n}\n");
  vlmtest::WriteFile(dir_.File("b.vld"),
                     "Library {\nMaterial: FolderB {\nShader: 3D_TEXTURED\n}\n"
                     "Material: FolderC {\nShader: 3D_NORMALMAP\n}\n}\n");
  VLM_ParseDefinitionFiles(dir_.Path().string().c_str(), VLM_DEFINITION_ALL);
  VLM_TEXTURE* colour = vlm::TextureRegistry().FindByName("FolderColour");
  ASSERT_NE(colour, nullptr);
  for (const char* name : {"FolderA", "FolderB", "FolderC"}) {
    SCOPED_TRACE(name);
    VLM_MATERIAL* m = vlm::MaterialRegistry().FindByName(name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Occurrences(m), 1);
  }
  EXPECT_EQ(vlm::MaterialRegistry().FindByName("FolderA")->apTextures[0], colour);
  EXPECT_EQ(vlm::MaterialRegistry().FindByName("FolderC")->pShader, VLM_GetBuiltInShader(20));
  while (!vlm::Definitions().trees.empty())
    VLM_FreeDefinitionNode(vlm::Definitions().trees.back().get(), 0);
}

}  // namespace
