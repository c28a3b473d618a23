// Font objects: loading font files into shared font data with an atlas
// texture and material, the font registry, settings and measurement.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "text/builtin_font.h"
#include "text/font_record.h"
#include "text/text_internal.h"
#include "text/text_layout.h"
#include "text/text_state.h"
#include "velmora/registry.h"
#include "velmora/shader.h"
#include "velmora/text.h"
#include "velmora/texture.h"

namespace vlm::text {

namespace {

constexpr int kGLLinear = 0x2601;
constexpr intptr_t kNoTexture = -2;  // a handle that resolves to no texture
constexpr long kMaxFontFileBytes = 256L << 20;

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes) {
  std::string path(fileName);
  for (char& c : path)
    if (c == '\\') c = '/';
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long length = std::ftell(file.get());
  if (length < 0 || length > kMaxFontFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  bytes.resize(static_cast<size_t>(length));
  return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

// Font data for this content: the shared one when a live font has it, else
// read anew with its atlas texture and material.
std::shared_ptr<FontFace> FaceFor(std::span<const uint8_t> bytes) {
  std::string key = std::to_string(bytes.size()) + ':' +
                    std::to_string(std::hash<std::string_view>{}(
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
  auto& faces = Text().faces;
  if (auto it = faces.find(key); it != faces.end()) {
    if (std::shared_ptr<FontFace> face = it->second.lock()) return face;
  }
  auto face = std::make_shared<FontFace>();
  font::ReadFontFile(bytes, face->data);
  if (!face->data.atlasImage.empty()) {
    VLM_TEXTURE* texture = VLM_CatchTexture(-1, face->data.atlasImage.data(), face->data.atlasImage.size(),
                                            kGLLinear, "");
    if (texture) {
      face->texture = texture->iHandle;
      face->atlasWidth = texture->iWidth;
      face->atlasHeight = texture->iHeight;
    }
  }
  face->data.atlasImage.clear();
  face->data.atlasImage.shrink_to_fit();
  // Without an atlas every glyph keeps its advance but draws nothing.
  face->data.ClipToAtlas(face->atlasWidth, face->atlasHeight);
  VLM_MATERIAL* material =
      VLM_CreateMaterial(-1, face->texture ? face->texture : kNoTexture, VLM_PROGRAM_2D_DEFAULT, "");
  face->material = material ? material->iHandle : 0;
  face->key = key;
  faces[key] = face;
  return face;
}

VLM_HANDLE CreateFont(VLM_HANDLE id, std::span<const uint8_t> bytes, const char* procedure,
                      const std::string& what) {
  if (bytes.size() < font::kSignature.size() ||
      !std::equal(font::kSignature.begin(), font::kSignature.end(), bytes.begin())) {
    Fail("Fail: \"" + what + "\" is not a font file!", procedure);
    return 0;
  }
  VLM_HANDLE handle = id;
  VLM_FONT* font = FontRegistry().CreateEntry(&handle, "");
  if (!font) return 0;
  font->pData = FaceFor(bytes);
  font->settings = Text().defaults;
  return handle;
}

}  // namespace

VLM_FONT* ResolveFont(VLM_HANDLE handle) {
  return FontRegistry().Resolve(handle == -1 ? Text().defaultFont : handle);
}

VLM_FONT* FindFont(VLM_HANDLE handle, const char* procedure) {
  VLM_FONT* font = ResolveFont(handle);
  if (!font) Fail("Fail: Font not found!", procedure);
  return font;
}

bool SizeUsable(float size, const char* procedure) {
  if (size == VLM_DEFAULTF) return true;
  if (!RefuseUnless(std::isfinite(size), procedure)) return false;
  return RefuseUnless(size > 0.0f, procedure, kSizeRefused);
}

bool SlantUsable(float degrees, const char* procedure) {
  if (degrees == VLM_DEFAULTF) return true;
  if (!RefuseUnless(std::isfinite(degrees), procedure)) return false;
  return RefuseUnless(degrees > -90.0f && degrees < 90.0f, procedure, kSlantRefused);
}

bool SettingsUsable(const VLM_TEXT_SETTINGS& s, const char* procedure) {
  if (!RefuseUnless(AllFinite({s.size, s.rotation, s.alignX, s.alignY, s.italicAngle, s.letterSpacing, s.wrapWidth}),
                    procedure))
    return false;
  return RefuseUnless(s.size > 0.0f, procedure, kSizeRefused) && SlantUsable(s.italicAngle, procedure) &&
         RefuseUnless(s.wrapWidth >= 0.0f, procedure, "Fail: A wrap width must not be negative!");
}

void FreeAllFonts() {
  Text().defaultFont = 0;  // now it may go
  FontRegistry().ReleaseAll();
}

void CreateDefaultFont() {
  const std::span<const uint8_t> file = BuiltinFontFile();
  Text().defaultFont = CreateFont(-1, file, "VLM_Init", "built-in font");
}

}  // namespace vlm::text

extern "C" {

VLM_HANDLE VLM_LoadFont(VLM_HANDLE id, const char* fileName) {
  constexpr const char* kProc = "VLM_LoadFont";
  const std::string name = fileName ? fileName : "";
  std::vector<uint8_t> bytes;
  if (name.empty() || !vlm::text::ReadWholeFile(fileName, bytes)) {
    vlm::Fail("Fail: Font file \"" + name + "\" cannot be read!", kProc);
    return 0;
  }
  return vlm::text::CreateFont(id, bytes, kProc, name);
}

VLM_HANDLE VLM_CatchFont(VLM_HANDLE id, const void* memory, size_t size) {
  if (!memory) size = 0;
  return vlm::text::CreateFont(id, {static_cast<const uint8_t*>(memory), size}, "VLM_CatchFont", "memory");
}

int VLM_FreeFont(VLM_HANDLE handle) {
  VLM_FONT* font = vlm::text::ResolveFont(handle);
  if (!font) return 0;
  // Text drawn with -1 needs it until the engine shuts down (FreeAllFonts).
  if (font->iHandle == vlm::Text().defaultFont) {
    vlm::Fail("Fail: The built-in font cannot be freed!", "VLM_FreeFont");
    return 0;
  }
  std::shared_ptr<vlm::text::FontFace> face = std::move(font->pData);
  if (face && face.use_count() == 1) {
    // The last font of this data: its atlas texture and material go too.
    if (face->material && vlm::MaterialRegistry().Resolve(face->material)) VLM_FreeMaterial(face->material);
    if (face->texture && vlm::TextureRegistry().Resolve(face->texture)) VLM_FreeTexture(face->texture);
    vlm::Text().faces.erase(face->key);
  }
  vlm::FontRegistry().Remove(font);
  return 1;
}

VLM_FONT* VLM_IsFont(VLM_HANDLE handle) { return vlm::FontRegistry().Find(handle); }

int VLM_GetFontSettings(VLM_HANDLE handle, VLM_TEXT_SETTINGS* settings) {
  VLM_FONT* font = vlm::text::FindFont(handle, "VLM_GetFontSettings");
  if (!font || !settings) return 0;
  *settings = font->settings;
  return 1;
}

int VLM_SetFontSettings(VLM_HANDLE handle, const VLM_TEXT_SETTINGS* settings) {
  VLM_FONT* font = vlm::text::FindFont(handle, "VLM_SetFontSettings");
  if (!font || !settings || !vlm::text::SettingsUsable(*settings, "VLM_SetFontSettings")) return 0;
  font->settings = *settings;
  return 1;
}

int VLM_GetDefaultTextSettings(VLM_TEXT_SETTINGS* settings) {
  if (!settings) return 0;
  *settings = vlm::Text().defaults;
  return 1;
}

int VLM_SetDefaultTextSettings(const VLM_TEXT_SETTINGS* settings) {
  if (!settings || !vlm::text::SettingsUsable(*settings, "VLM_SetDefaultTextSettings")) return 0;
  vlm::Text().defaults = *settings;
  return 1;
}

int VLM_TextLine(VLM_HANDLE handle, const char* text, float size, float* width, float* lineHeight) {
  if (width) *width = 0.0f;
  if (lineHeight) *lineHeight = 0.0f;
  VLM_FONT* font = vlm::text::FindFont(handle, "VLM_TextLine");
  if (!font || !font->pData || !text || !vlm::text::SizeUsable(size, "VLM_TextLine")) return 0;
  if (size == VLM_DEFAULTF) size = font->settings.size;
  const vlm::font::LineMeasure line =
      vlm::font::MeasureLine(font->pData->data, vlm::text::StyleOf(font->settings), text, size);
  if (width) *width = line.width;
  if (lineHeight) *lineHeight = line.lineHeight;
  return static_cast<int>(line.length);
}

int VLM_TextSize(VLM_HANDLE handle, const char* text, float* width, float* height, float size) {
  if (width) *width = 0.0f;
  if (height) *height = 0.0f;
  VLM_FONT* font = vlm::text::FindFont(handle, "VLM_TextSize");
  if (!font || !font->pData || !text || !vlm::text::SizeUsable(size, "VLM_TextSize")) return 0;
  if (size == VLM_DEFAULTF) size = font->settings.size;
  const vlm::font::BlockMeasure block =
      vlm::font::MeasureBlock(font->pData->data, vlm::text::StyleOf(font->settings), text, size);
  if (width) *width = block.width;
  if (height) *height = block.height;
  return block.lines;
}

}  // extern "C"
