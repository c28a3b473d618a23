// Build-time generator of the engine's built-in images. Paints each picture
// procedurally, encodes it as PNG and writes a C++ source that holds the
// encoded bytes (see core/builtin_images.h).
//
//   vlm-gen-images <output.cpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/image.h"

namespace {

struct Picture {
  std::string symbol;  // C++ name of the BuiltinImage record
  std::string name;    // name the engine knows the image by
  int width;
  int height;
  int bytesPerPixel;
  std::vector<uint8_t> pixels;

  uint8_t* At(int x, int y) {
    return pixels.data() + (static_cast<size_t>(y) * width + x) * bytesPerPixel;
  }
};

Picture Blank(const char* symbol, const char* name, int width, int height, int bytesPerPixel) {
  return {symbol, name, width, height, bytesPerPixel,
          std::vector<uint8_t>(static_cast<size_t>(width) * height * bytesPerPixel)};
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

Picture Solid(const char* symbol, const char* name, uint8_t r, uint8_t g, uint8_t b) {
  Picture p = Blank(symbol, name, 4, 4, 3);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      uint8_t* px = p.At(x, y);
      px[0] = r;
      px[1] = g;
      px[2] = b;
    }
  return p;
}

// A light and a dark grey checker of 8 x 8 squares: plainly a placeholder.
Picture Checker() {
  Picture p = Blank("kDefaultTextureImage", "DefaultTexture", 64, 64, 3);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const uint8_t v = ((x / 8 + y / 8) & 1) ? 96 : 176;
      uint8_t* px = p.At(x, y);
      px[0] = px[1] = px[2] = v;
    }
  return p;
}

// Sky colour for a direction: ground below the horizon, a light horizon
// band, a soft blue towards the zenith. Depends only on the elevation so
// the six faces meet without seams.
void SkyColour(double x, double y, double z, uint8_t* out) {
  const double elevation = y / std::sqrt(x * x + y * y + z * z);
  const double horizon[3] = {200, 208, 216};
  const double zenith[3] = {104, 144, 196};
  const double ground[3] = {92, 92, 96};
  const double* far = elevation >= 0 ? zenith : ground;
  const double t = elevation >= 0 ? std::sqrt(elevation) : std::min(1.0, -elevation * 3.0);
  for (int c = 0; c < 3; ++c) out[c] = Byte(horizon[c] + (far[c] - horizon[c]) * t);
}

// Cube faces in GL order +X, -X, +Y, -Y, +Z, -Z; s and t run across the
// face picture from its top-left corner, as GL samples cube faces.
Picture SkyFace(int face) {
  static const char* const kNames[6] = {"SkyPosX", "SkyNegX", "SkyPosY",
                                        "SkyNegY", "SkyPosZ", "SkyNegZ"};
  Picture p = Blank("", kNames[face], 64, 64, 3);
  p.symbol = "kSkyImages[" + std::to_string(face) + "]";
  for (int row = 0; row < p.height; ++row)
    for (int col = 0; col < p.width; ++col) {
      const double s = 2.0 * (col + 0.5) / p.width - 1.0;
      const double t = 2.0 * (row + 0.5) / p.height - 1.0;
      double d[3];
      switch (face) {
        case 0: d[0] = 1; d[1] = -t; d[2] = -s; break;
        case 1: d[0] = -1; d[1] = -t; d[2] = s; break;
        case 2: d[0] = s; d[1] = 1; d[2] = t; break;
        case 3: d[0] = s; d[1] = -1; d[2] = -t; break;
        case 4: d[0] = s; d[1] = -t; d[2] = 1; break;
        default: d[0] = -s; d[1] = -t; d[2] = -1; break;
      }
      SkyColour(d[0], d[1], d[2], p.At(col, row));
    }
  return p;
}

// Coverage of a shape given by its signed distance (pixels, negative
// inside), smoothed over one pixel.
double Cover(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double h = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(px - ax - dx * h, py - ay - dy * h);
}

// The logo: a blue disc with a light rim and a white "V", transparent
// around the disc.
Picture Logo() {
  Picture p = Blank("kLogoImage", "Logo", 102, 102, 4);
  const double c = 51.0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double r = std::hypot(px - c, py - c);
      const double disc = Cover(r - 48.0);
      const double rim = Cover(std::abs(r - 45.0) - 2.0);
      const double vee = Cover(std::min(SegmentDistance(px, py, 30, 30, 51, 74),
                                        SegmentDistance(px, py, 72, 30, 51, 74)) -
                               6.0);
      const double shade = 0.75 + 0.25 * (1.0 - py / p.height);
      double rgb[3] = {40 * shade, 96 * shade, 200 * shade};
      const double light = std::max(rim, vee);
      for (double& v : rgb) v += (245 - v) * light;
      uint8_t* out = p.At(x, y);
      for (int k = 0; k < 3; ++k) out[k] = Byte(rgb[k]);
      out[3] = Byte(255 * disc);
    }
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vlm-gen-images <output.cpp>\n");
    return 2;
  }
  std::vector<Picture> pictures;
  pictures.push_back(Checker());
  pictures.push_back(Solid("kSubstituteColourImage", "SubstituteColour", 255, 255, 255));
  pictures.push_back(Solid("kSubstituteNormalImage", "SubstituteNormal", 128, 128, 255));
  pictures.push_back(Solid("kSubstituteSpecularImage", "SubstituteSpecular", 255, 255, 255));
  for (int face = 0; face < 6; ++face) pictures.push_back(SkyFace(face));
  pictures.push_back(Logo());

  std::string out =
      "// Generated by vlm-gen-images at build time; do not edit.\n"
      "#include \"core/builtin_images.h\"\n\nnamespace vlm::builtin {\nnamespace {\n";
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    const std::vector<uint8_t> png = vlm::platform::EncodePng(
        p.pixels.data(), p.width, p.height, p.bytesPerPixel,
        static_cast<size_t>(p.width) * p.bytesPerPixel);
    if (png.empty()) {
      std::fprintf(stderr, "vlm-gen-images: cannot encode %s\n", p.name.c_str());
      return 1;
    }
    out += "const uint8_t kPng" + std::to_string(i) + "[] = {";
    for (size_t k = 0; k < png.size(); ++k) {
      if (k % 20 == 0) out += "\n   ";
      out += " " + std::to_string(png[k]) + ",";
    }
    out += "\n};\n";
  }
  out += "}  // namespace\n\n";
  std::string sky = "const BuiltinImage kSkyImages[6] = {\n";
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    const std::string record = "{\"" + p.name + "\", kPng" + std::to_string(i) + ", sizeof kPng" +
                               std::to_string(i) + "}";
    if (p.symbol.rfind("kSkyImages", 0) == 0)
      sky += "    " + record + ",\n";
    else
      out += "const BuiltinImage " + p.symbol + " = " + record + ";\n";
  }
  out += sky + "};\n\n}  // namespace vlm::builtin\n";

  // Written aside and renamed, so an interrupted build leaves no half file.
  const std::string temporary = std::string(argv[1]) + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  bool ok = file && std::fwrite(out.data(), 1, out.size(), file) == out.size();
  if (file) ok = std::fclose(file) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "vlm-gen-images: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
