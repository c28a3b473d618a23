// Cases of images, textures, materials, meshes, cages, shaders and text.
#include <string>
#include <tuple>

#include "core/builtin_images.h"
#include "sweep.h"
#include "text/builtin_font.h"
#include "sweep_cases.h"

namespace sweep {

namespace {

const char* Path(const Fixture& f, const char* name) {
  static std::string path;
  path = f.dir + "/" + name;
  return path.c_str();
}

const vlm::builtin::BuiltinImage& Png() { return vlm::builtin::kDefaultTextureImage; }

void Textures() {
  ADD("texture", VLM_LoadImage, ARGS(f.imageFile.c_str()));
  ADD("texture", VLM_CatchImage, ARGS(static_cast<const void*>(Png().bytes), Png().size), Options{{1}});
  ADD("texture", VLM_CreateImage, ARGS(8, 8, 4, 0));
  ADD("texture", VLM_ImageWidth, ARGS(f.image));
  ADD("texture", VLM_ImageHeight, ARGS(f.image));
  ADD("texture", VLM_ImageBytesPerPixel, ARGS(f.image));
  ADD("texture", VLM_ImageFlags, ARGS(f.image));
  ADD("texture", VLM_ImagePixels, ARGS(f.image));
  ADD("texture", VLM_FreeImage, ARGS(VLM_CreateImage(2, 2, 3, 0)));
  ADD("texture", VLM_LoadTextureFile, ARGS(5L, f.imageFile.c_str(), VLM_DEFAULT, 2, "Loaded"));
  ADD("texture", VLM_LoadTextureDefinition, ARGS(5L, f.tree, "SweepTexture"));
  ADD("texture", VLM_LoadCubeMapTexture,
      ARGS(5L, f.dir.c_str(), "image.png", "image.png", "image.png", "image.png", "image.png", "image.png",
           VLM_DEFAULT, 0, "Cube"));
  static const void* images[6];
  static size_t sizes[6];
  for (int i = 0; i < 6; ++i) images[i] = vlm::builtin::kSkyImages[i].bytes, sizes[i] = vlm::builtin::kSkyImages[i].size;
  ADD("texture", VLM_CatchCubeMapTexture, ARGS(5L, images, sizes, VLM_DEFAULT, 0, "Sky"));
  ADD("texture", VLM_CatchTexture, ARGS(5L, static_cast<const void*>(Png().bytes), Png().size, VLM_DEFAULT, "Caught"),
      Options{{2}});
  ADD("texture", VLM_CreateTextureArray, ARGS(5L, 16, 16, 2, VLM_DEFAULT, "Array"));
  ADD("texture", VLM_AddTextureToTextureArray, ARGS(f.arrayTexture, f.imageFile.c_str(), 1));
  ADD("texture", VLM_UploadTextureImage, ARGS(static_cast<const VLM_IMAGE*>(f.image), 0u, VLM_DEFAULT));
  ADD("texture", VLM_SetTextureRegion, ARGS(f.texture, 4, 4, 16, 16));
  ADD("texture", VLM_SetTextureFilter, ARGS(0x2600));
  ADD("texture", VLM_GetTextureFilter, ARGS());
  ADD("texture", VLM_GetTextureWidth, ARGS(f.texture));
  ADD("texture", VLM_GetTextureHeight, ARGS(f.texture));
  ADD("texture", VLM_GetTextureName, ARGS(f.texture));
  ADD("texture", VLM_GrabTextureImage, ARGS(f.texture));
  ADD("texture", VLM_ReadTexturePixels, ARGS(f.texture));
}

void Materials() {
  ADD("material", VLM_LoadMaterialDefinition, ARGS(5L, f.tree, "SweepMaterial"));
  ADD("material", VLM_CreateMaterial, ARGS(5L, f.texture, 18, "Made"));
  ADD("material", VLM_AddMaterialToShader, ARGS(f.material));
  ADD("material", VLM_GetMaterialByName, ARGS("SweepMaterial"));
  ADD("material", VLM_GetDefaultResource, ARGS(VLM_RESOURCE_MATERIAL));
}

void Meshes() {
  ADD("mesh", VLM_SetMeshVertexCount, ARGS(f.groupMesh, 8));
  ADD("mesh", VLM_SetMeshTriangleCount, ARGS(f.groupMesh, 4));
  ADD("mesh", VLM_SetMeshIndexCount, ARGS(f.groupMesh, 12));
  ADD("mesh", VLM_SetMeshVertexPosition, ARGS(f.mesh, 1, 0.5f, 0.5f, 0.5f, 1.0f));
  ADD("mesh", VLM_SetMeshVertexNormal, ARGS(f.mesh, 1, 0.0f, 1.0f, 0.0f));
  ADD("mesh", VLM_SetMeshVertexTexCoord, ARGS(f.mesh, 1, 0.5f, 0.5f));
  ADD("mesh", VLM_SetMeshVertexGroup, ARGS(f.groupMesh, 1, 1));
  ADD("mesh", VLM_SetMeshTriangle, ARGS(f.mesh, 1, 0, 1, 2));
  ADD("mesh", VLM_GetMeshVertexCount, ARGS(f.mesh));
  ADD("mesh", VLM_GetMeshIndexCount, ARGS(f.mesh));
  ADD("mesh", VLM_GetMeshTriangleCount, ARGS(f.mesh));
  ADD("mesh", VLM_GetMeshVertex, ARGS(f.mesh, 1));
  ADD("mesh", VLM_GetMeshVertexNormal, ARGS(f.mesh, 1));
  ADD("mesh", VLM_GetMeshVertexTexCoord, ARGS(f.mesh, 1));
  ADD("mesh", VLM_GetMeshVertexGroup, ARGS(f.mesh, 1));
  ADD("mesh", VLM_GetMeshIndices, ARGS(f.mesh));
  static v4f centre, extents;
  ADD("mesh", VLM_GetMeshBox, ARGS(f.mesh, &centre, &extents));
  ADD("mesh", VLM_GetMeshName, ARGS(f.mesh));
  ADD("mesh", VLM_GetMeshGroupIndex, ARGS(f.groupMesh, "Dynamic"));
  ADD("mesh", VLM_AddMeshGroup, ARGS(f.groupMesh, "Added"));
  ADD("mesh", VLM_GetMeshGroupCount, ARGS(f.groupMesh));
  ADD("mesh", VLM_GetMeshGroupName, ARGS(f.groupMesh, 1));
  ADD("mesh", VLM_FinishMesh, ARGS(f.groupMesh));
  ADD("mesh", VLM_UpdateMesh, ARGS(f.mesh));
  ADD("mesh", VLM_ScaleMesh, ARGS(f.mesh, 2.0f, 1.0f, 0.5f));
  ADD("mesh", VLM_LoadMesh, ARGS(5L, f.meshFile.c_str(), "Loaded"));
  ADD("mesh", VLM_SaveMesh, ARGS(f.mesh, Path(f, "saved.vlm"), "Saved"));
  ADD("mesh", VLM_LoadOBJMesh, ARGS(5L, f.objFile.c_str(), "Obj"));
  ADD("mesh", VLM_CreateTriangleMesh, ARGS(5L, 2.0f, 1.0f, "Triangle"));
  ADD("mesh", VLM_CreatePlaneMesh, ARGS(5L, 2.0f, 1.0f, "Plane"));
  ADD("mesh", VLM_CreateRectangleMesh, ARGS(5L, 2.0f, 3.0f, 1.0f, 1.0f, 0, "Rectangle"));
  ADD("mesh", VLM_CreateMesh, ARGS(5L, "Empty"));
  ADD("mesh", VLM_AddMeshToMesh,
      ARGS(f.groupMesh, f.mesh, 1.0f, 0.0f, 0.0f, 0.0f, 45.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1));
  ADD("mesh", VLM_CreateCubeMesh, ARGS(5L, 2.0f, 1.0f, 1, "Cube"));
}

void Cages() {
  ADD("cage", VLM_LoadCageFile, ARGS(5L, f.cageFile.c_str(), "Loaded"));
  ADD("cage", VLM_CreateSphereCage, ARGS(5L, 2.0f, "Sphere"));
  ADD("cage", VLM_CreateBoxCage, ARGS(5L, 1.0f, 2.0f, 3.0f, "Box"));
  ADD("cage", VLM_CreateCageFromMesh, ARGS(5L, f.mesh, VLM_CAGE_BOX, 1.0f, "FromMesh"));
  ADD("cage", VLM_GetCageKindByName, ARGS("#box"));
  ADD("cage", VLM_GetCageKindName, ARGS(VLM_CAGE_BOX));
}

void Shaders() {
  static const std::string vertex = "#version 330\nlayout(location = 0) in vec4 vVertex;\n"
                                    "void main() { gl_Position = vVertex; }\n";
  static const std::string fragment = "#version 330\nout vec4 vFragColor;\nvoid main() { vFragColor = vec4(1.0); }\n";
  const char* vs = vertex.c_str();
  const char* vsEnd = vs + vertex.size();
  const char* fs = fragment.c_str();
  const char* fsEnd = fs + fragment.size();
  // Start and end pointers are one range each: a bad one is the caller's fault.
  ADD("shader", VLM_CreateShaderProgram, ARGS(5L, VLM_SHADERGROUP_3D, "Made"));
  Add("shader", "VLM_CatchVertexShader", VLM_CatchVertexShader,
      [vs, vsEnd](Fixture& f) { return std::make_tuple(f.shader, vs, vsEnd); }, Options{{1, 2}});
  Add("shader", "VLM_CatchFragmentShader", VLM_CatchFragmentShader,
      [fs, fsEnd](Fixture& f) { return std::make_tuple(f.shader, fs, fsEnd); }, Options{{1, 2}});
  ADD("shader", VLM_LoadVertexShader, ARGS(f.shader, f.shaderFile.c_str()));
  ADD("shader", VLM_LoadFragmentShader, ARGS(f.shader, f.shaderFile.c_str()));
  ADD("shader", VLM_GetShaderCompileLog, ARGS(1u));
  ADD("shader", VLM_BindShaderAttribute, ARGS(f.glProgram, 0, "vVertex"));
  ADD("shader", VLM_BindShaderOutput, ARGS(f.glProgram, 0, "vFragColor"));
  ADD("shader", VLM_GetShaderBlockIndex, ARGS(f.glProgram, "Material"));
  ADD("shader", VLM_GetShaderUniformLocation, ARGS(f.glProgram, "ColorMap"));
  ADD("shader", VLM_AddShaderUniform, ARGS(f.shader, VLM_UNIFORM_FLOAT, "fValue", 1, 0, 0, 1, 1));
  ADD("shader", VLM_SetShaderProgramIndex, ARGS(f.shader, 0));
  ADD("shader", VLM_SetShaderShadowProgram, ARGS(f.shader, f.shader));
  ADD("shader", VLM_GetBuiltInShader, ARGS(15));
  ADD("shader", VLM_AddShaderToRenderList, ARGS(0, f.shader));
  Add("shader", "VLM_BuildShaderProgram", VLM_BuildShaderProgram,
      [vs, vsEnd, fs, fsEnd](Fixture&) {
        return std::make_tuple(0, VLM_SHADERGROUP_3D, 0, vs, vsEnd, fs, fsEnd, "Built");
      },
      Options{{3, 4, 5, 6}});
  ADD("shader", VLM_InitShaders, ARGS(), Options{{}, true});
  ADD("shader", VLM_InitShaderBuffers, ARGS());
}

void Text() {
  ADD("text", VLM_LoadFont, ARGS(5L, f.fontFile.c_str()));
  ADD("text", VLM_CatchFont,
      ARGS(5L, static_cast<const void*>(vlm::kBuiltinFontFile), vlm::kBuiltinFontFileSize),
      Options{{2}});
  ADD("text", VLM_FreeFont, ARGS(f.font));
  ADD("text", VLM_IsFont, ARGS(f.font));
  static VLM_TEXT_SETTINGS out;
  ADD("text", VLM_GetFontSettings, ARGS(f.font, &out));
  static const VLM_TEXT_SETTINGS settings{2.0f, 0xFF00FFFFu, 10.0f, 0.5f, 0.5f, 10.0f, 1.0f, 100.0f, 1};
  ADD("text", VLM_SetFontSettings, ARGS(f.font, &settings));
  ADD("text", VLM_GetDefaultTextSettings, ARGS(&out));
  ADD("text", VLM_SetDefaultTextSettings, ARGS(&settings));
  static float width, height;
  ADD("text", VLM_TextLine, ARGS(f.font, "Sweep text\nline two", 1.5f, &width, &height));
  ADD("text", VLM_TextSize, ARGS(f.font, "Sweep text\nline two", &width, &height, 1.5f));
  ADD("text", VLM_DrawText, ARGS(f.font, 10.0f, 10.0f, "Sweep", 0xFFFFFFFFL, 1.5f, 10.0f));
}

}  // namespace

void AddAssetCases() {
  Textures();
  Materials();
  Meshes();
  Cages();
  Shaders();
  Text();
}

}  // namespace sweep
