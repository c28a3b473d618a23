// Drawing text: line by line from the measured breaks, one quad per glyph,
// 256 quads to a draw of the quad batch.
#include <array>
#include <cmath>
#include <numbers>
#include <string_view>

#include "core/finite.h"
#include "core/registries.h"
#include "core/text.h"
#include "core/trig.h"
#include "definition/texture_material_records.h"
#include "render/draw2d.h"
#include "render/render_state.h"
#include "text/text_internal.h"
#include "velmora/math.h"
#include "velmora/text.h"

namespace vlm::text {

namespace {

using render::Vertex2D;

constexpr double kDegrees = std::numbers::pi / 180.0;

// Collects quads and draws them 256 at a time.
class GlyphBatch {
 public:
  void Add(const float corners[4][2], const float uv[4][2]) {
    if (count_ == QuadBatch::kQuads) Flush();
    Vertex2D* v = &vertices_[static_cast<size_t>(count_) * 4];
    for (int i = 0; i < 4; ++i) v[i] = {{corners[i][0], corners[i][1], 0.0f, 1.0f}, {uv[i][0], uv[i][1]}};
    ++count_;
    ++drawn_;
  }
  void Flush() {
    render::DrawQuadBatch(vertices_.data(), count_);
    count_ = 0;
  }
  int Drawn() const { return drawn_; }

 private:
  std::array<Vertex2D, QuadBatch::kQuads * 4> vertices_;
  int count_ = 0;
  int drawn_ = 0;
};

}  // namespace

}  // namespace vlm::text

extern "C" {

int VLM_DrawText(VLM_HANDLE handle, float x, float y, const char* text, int64_t colour, float size,
                 float italicAngle) {
  constexpr const char* kProc = "VLM_DrawText";
  VLM_FONT* font = vlm::text::FindFont(handle, kProc);
  if (!font || !font->pData || !text) return 0;
  if (!vlm::RefuseUnless(vlm::AllFinite({x, y}), kProc) || !vlm::text::SizeUsable(size, kProc) ||
      !vlm::text::SlantUsable(italicAngle, kProc))
    return 0;
  const VLM_TEXT_SETTINGS& settings = font->settings;
  const vlm::font::FontData& data = font->pData->data;
  const vlm::font::TextStyle style = vlm::text::StyleOf(settings);
  const float s = size == VLM_DEFAULTF ? settings.size : size;
  const float italic = italicAngle == VLM_DEFAULTF ? settings.italicAngle : italicAngle;
  const uint32_t rgba = colour == VLM_DEFAULT ? settings.colour : static_cast<uint32_t>(colour);
  const std::string_view all(text);

  VLM_MATERIAL* material = vlm::MaterialRegistry().Resolve(font->pData->material);
  if (!material) return 0;
  VLM_v4fFromColor(&material->v4fColor, rgba);

  float left = x, top = y;
  if (settings.alignX != 0.0f || settings.alignY != 0.0f) {
    const vlm::font::BlockMeasure block = vlm::font::MeasureBlock(data, style, all, s);
    left -= std::round(settings.alignX * block.width);
    top -= std::round(settings.alignY * block.height);
  }
  const float t = static_cast<float>(vlm::Tan(italic * vlm::text::kDegrees));
  const bool rotated = settings.rotation != 0.0f;
  const float rc = static_cast<float>(vlm::Cos(settings.rotation * vlm::text::kDegrees));
  const float rs = static_cast<float>(vlm::Sin(settings.rotation * vlm::text::kDegrees));
  const float atlasW = static_cast<float>(font->pData->atlasWidth);
  const float atlasH = static_cast<float>(font->pData->atlasHeight);

  m4f identity;
  VLM_m4fSetDiagonal(&identity, 1.0f);
  if (!vlm::render::Begin2D(*material, identity)) return 0;
  vlm::text::GlyphBatch batch;
  float py = top;
  size_t lineStart = 0;
  for (;;) {
    const vlm::font::LineMeasure line = vlm::font::MeasureLine(data, style, all.substr(lineStart), s);
    if (line.length == 0) break;
    const size_t lineEnd = lineStart + line.length;
    float px = left;
    size_t at = lineStart;
    uint32_t c = vlm::DecodeUtf8(all, at);
    for (;;) {
      size_t after = at;
      const uint32_t next = after < all.size() ? vlm::DecodeUtf8(all, after) : 0;
      const vlm::font::Glyph* g = c == '\n' ? nullptr : data.Find(c);
      if (g) {
        const float w = s * g->width, h = s * g->height;
        const float tlX = px + s * (g->offsetX + (g->lineHeight - g->offsetY) * t * settings.alignY);
        const float tlY = py + s * g->offsetY;
        float corners[4][2] = {{tlX, tlY}, {tlX + w, tlY}, {tlX + w - h * t, tlY + h}, {tlX - h * t, tlY + h}};
        if (rotated) {
          // About the drawing position, clockwise on screen like elements.
          for (auto& p : corners) {
            const float dx = p[0] - x, dy = p[1] - y;
            p[0] = x + dx * rc - dy * rs;
            p[1] = y + dx * rs + dy * rc;
          }
        }
        const float u0 = atlasW > 0 ? g->atlasX / atlasW : 0.0f;
        const float u1 = atlasW > 0 ? (g->atlasX + g->width) / atlasW : 0.0f;
        const float v0 = atlasH > 0 ? g->atlasY / atlasH : 0.0f;
        const float v1 = atlasH > 0 ? (g->atlasY + g->height) / atlasH : 0.0f;
        const float uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
        batch.Add(corners, uv);
        px += s * (g->advance + settings.letterSpacing);
        if (settings.kerning && next != 0) px += s * data.Kerning(c, next);
      }
      if (at >= lineEnd) break;
      at = after;
      c = next;
    }
    batch.Flush();
    py += line.lineHeight;
    lineStart = lineEnd;
  }
  vlm::render::End2D();
  return batch.Drawn();
}

}  // extern "C"
