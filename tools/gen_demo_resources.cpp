// Build-time generator of the demo's meshes and pictures. Every shape and
// every picture is computed here from the few numbers below, so the
// repository holds no opaque files; the hand-written definition files
// (materials, the plate's cage) stay in demo/Resources.
//
//   vlm-gen-demo-resources <output folder>
//
// Units: one mesh unit is one metre before the scene scales it (the plate
// by 10, the wheel by 2).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/image.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- Meshes -----------------------------------------------------------------

struct Vertex {
  double p[3];
  double n[3];
  double uv[2];
};

struct Mesh {
  std::vector<Vertex> vertices;
  std::vector<int> indices;  // triangles, counter-clockwise seen from outside
  std::string group;         // OBJ group of the triangles added next
  std::vector<std::pair<size_t, std::string>> groups;  // first index -> group

  void Group(const std::string& name) { groups.emplace_back(indices.size(), name); }
  int Add(double x, double y, double z, double nx, double ny, double nz, double u, double v) {
    vertices.push_back({{x, y, z}, {nx, ny, nz}, {u, v}});
    return static_cast<int>(vertices.size()) - 1;
  }
  void Quad(int a, int b, int c, int d) { indices.insert(indices.end(), {a, b, c, a, c, d}); }
};

// An axis-aligned box from lo to hi with outward normals; each face maps
// the texture uvRepeat times.
void AddBox(Mesh& m, const double lo[3], const double hi[3], double uvRepeat) {
  // Per face: normal axis and sign; the two other axes span it.
  for (int axis = 0; axis < 3; ++axis) {
    for (int sign = -1; sign <= 1; sign += 2) {
      const int a = (axis + 1) % 3, b = (axis + 2) % 3;
      double n[3] = {0, 0, 0};
      n[axis] = sign;
      const double fixed = sign > 0 ? hi[axis] : lo[axis];
      int corner[4];
      const double sa[4] = {0, 1, 1, 0}, sb[4] = {0, 0, 1, 1};
      for (int k = 0; k < 4; ++k) {
        double p[3];
        p[axis] = fixed;
        p[a] = sa[k] ? hi[a] : lo[a];
        p[b] = sb[k] ? hi[b] : lo[b];
        corner[k] = m.Add(p[0], p[1], p[2], n[0], n[1], n[2], sa[k] * uvRepeat, sb[k] * uvRepeat);
      }
      // (a, b, axis) is right-handed, so a->b runs counter-clockwise seen
      // from +axis; the negative face turns the other way.
      if (sign > 0) {
        m.Quad(corner[0], corner[1], corner[2], corner[3]);
      } else {
        m.Quad(corner[0], corner[3], corner[2], corner[1]);
      }
    }
  }
}

// A surface of revolution around the x axis: profile(t) gives (x, r) and
// the outward normal (nx, nr) for t in [0, 1]; u runs from u0 to u1 along
// the profile, v once around.
void AddRevolution(Mesh& m, int rings, int segments, double u0, double u1,
                   const std::function<void(double, double*, double*)>& profile) {
  const int first = static_cast<int>(m.vertices.size());
  for (int i = 0; i <= rings; ++i) {
    const double t = static_cast<double>(i) / rings;
    double xr[2], nxr[2];
    profile(t, xr, nxr);
    for (int j = 0; j <= segments; ++j) {
      const double phi = 2.0 * kPi * j / segments;
      const double c = std::cos(phi), s = std::sin(phi);
      m.Add(xr[0], xr[1] * c, xr[1] * s, nxr[0], nxr[1] * c, nxr[1] * s, u0 + (u1 - u0) * t,
            static_cast<double>(j) / segments);
    }
  }
  const int row = segments + 1;
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      const int a = first + i * row + j, b = a + row;
      // Profile running towards +x with r > 0: (a, a+1, b+1, b) faces outward.
      m.Quad(a, a + 1, b + 1, b);
    }
}

// A flat disc at x facing +x (facing > 0) or -x, radius r, hole radius r0.
void AddAnnulus(Mesh& m, double x, double r0, double r, int segments, double facing, double u0,
                double u1) {
  const int first = static_cast<int>(m.vertices.size());
  for (int j = 0; j <= segments; ++j) {
    const double phi = 2.0 * kPi * j / segments;
    const double c = std::cos(phi), s = std::sin(phi);
    const double v = static_cast<double>(j) / segments;
    m.Add(x, r0 * c, r0 * s, facing, 0, 0, u0, v);
    m.Add(x, r * c, r * s, facing, 0, 0, u1, v);
  }
  for (int j = 0; j < segments; ++j) {
    const int a = first + 2 * j;
    // Around +x the angle runs counter-clockwise (y towards z).
    if (facing > 0) {
      m.Quad(a, a + 1, a + 3, a + 2);
    } else {
      m.Quad(a, a + 2, a + 3, a + 1);
    }
  }
}

std::string Fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%.6f", v >= 0 ? " " : "", v == 0 ? 0.0 : v);
  return text;
}

bool WriteText(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && ok;
}

// The engine's own mesh file, in the layout the engine writes itself.
std::string MeshFile(const Mesh& m, const std::string& name) {
  std::string out = "Mesh: " + name + " {\r\n";
  const std::string n = std::to_string(m.vertices.size());
  out += "\tVertices: " + n + " {\r\n";
  for (const Vertex& v : m.vertices)
    out += "\t\t" + Fixed(v.p[0]) + "," + Fixed(v.p[1]) + "," + Fixed(v.p[2]) + "\r\n";
  out += "\t}\r\n\r\n\tNormals: " + n + " {\r\n";
  for (const Vertex& v : m.vertices)
    out += "\t\t" + Fixed(v.n[0]) + "," + Fixed(v.n[1]) + "," + Fixed(v.n[2]) + "\r\n";
  out += "\t}\r\n\r\n\tTextureCoords: " + n + " {\r\n";
  for (const Vertex& v : m.vertices) out += "\t\t" + Fixed(v.uv[0]) + "," + Fixed(v.uv[1]) + "\r\n";
  out += "\t}\r\n\r\n\tFaces: " + std::to_string(m.indices.size() / 3) + " {\r\n";
  for (size_t i = 0; i + 2 < m.indices.size(); i += 3)
    out += "\t\t " + std::to_string(m.indices[i]) + "," + std::to_string(m.indices[i + 1]) + "," +
           std::to_string(m.indices[i + 2]) + "\r\n";
  out += "\t}\r\n\r\n}\r\n";
  return out;
}

// Wavefront OBJ with one v/vt/vn per vertex. The engine negates v on
// loading, so v is written negated to arrive as painted.
std::string ObjFile(const Mesh& m, const std::string& comment) {
  char line[160];
  std::string out = "# " + comment + "\n";
  for (const Vertex& v : m.vertices) {
    std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", v.p[0] + 0.0, v.p[1] + 0.0, v.p[2] + 0.0);
    out += line;
  }
  for (const Vertex& v : m.vertices) {
    std::snprintf(line, sizeof line, "vt %.6f %.6f\n", v.uv[0], -v.uv[1]);
    out += line;
  }
  for (const Vertex& v : m.vertices) {
    std::snprintf(line, sizeof line, "vn %.6f %.6f %.6f\n", v.n[0], v.n[1], v.n[2]);
    out += line;
  }
  size_t nextGroup = 0;
  for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
    while (nextGroup < m.groups.size() && m.groups[nextGroup].first <= i)
      out += "g " + m.groups[nextGroup++].second + "\n";
    out += "f";
    for (size_t k = 0; k < 3; ++k) {
      const int n = m.indices[i + k] + 1;
      out += " " + std::to_string(n) + "/" + std::to_string(n) + "/" + std::to_string(n);
    }
    out += "\n";
  }
  return out;
}

// The ground plate: 20 m square and 0.1 m thick around the origin, as its
// cage (200 m by 1 m in the scene, wide enough that a shot rolls for many
// seconds before it reaches the edge). The tiles repeat 40 times each way.
Mesh Plate() {
  Mesh m;
  const double lo[3] = {-10.0, -0.05, -10.0}, hi[3] = {10.0, 0.05, 10.0};
  AddBox(m, lo, hi, 40.0);
  return m;
}

// The slab and box: a 2 m cube around the origin, as its cage.
Mesh Cube() {
  Mesh m;
  const double lo[3] = {-1, -1, -1}, hi[3] = {1, 1, 1};
  AddBox(m, lo, hi, 1.0);
  return m;
}

// The ball: radius 1 m as its cage, 24 segments around and 16 from pole
// to pole.
Mesh Ball() {
  Mesh m;
  constexpr int kAround = 24, kRings = 16;
  for (int i = 0; i <= kRings; ++i) {
    const double theta = kPi * i / kRings;  // from +y down
    for (int j = 0; j <= kAround; ++j) {
      const double phi = 2.0 * kPi * j / kAround;
      const double x = std::sin(theta) * std::cos(phi), y = std::cos(theta),
                   z = -std::sin(theta) * std::sin(phi);
      m.Add(x, y, z, x, y, z, static_cast<double>(j) / kAround, static_cast<double>(i) / kRings);
    }
  }
  const int row = kAround + 1;
  for (int i = 0; i < kRings; ++i)
    for (int j = 0; j < kAround; ++j) {
      const int a = i * row + j, b = a + row;
      if (i != 0) m.indices.insert(m.indices.end(), {a, b, a + 1});
      if (i != kRings - 1) m.indices.insert(m.indices.end(), {a + 1, b, b + 1});
    }
  return m;
}

// The wheel, its axle along x: a tyre (torus, outer radius 0.5 m, 0.12 m
// round) on a rim (a 0.14 m wide drum with flat faces) with a hub that
// stands out on both sides. The scene scales it by 2. Texture: the tyre
// takes the left half (u 0-0.5), the rim the right half.
Mesh Wheel() {
  Mesh m;
  constexpr int kSegments = 40;
  constexpr double kTyreCentre = 0.38, kTyreRadius = 0.12;
  m.Group("tyre");
  AddRevolution(m, 16, kSegments, 0.0, 0.5, [&](double t, double* xr, double* n) {
    // Around the tyre's cross-section, starting inside at -x, over the tread.
    const double a = kPi + 2.0 * kPi * t;
    const double c = std::cos(a), s = std::sin(a);
    // Cross-section in (x, r): centre (0, kTyreCentre), the angle measured
    // from -r through +x, so r grows first: profile runs -x -> +x on top.
    xr[0] = kTyreRadius * -s;
    xr[1] = kTyreCentre - kTyreRadius * c;
    n[0] = -s;
    n[1] = -c;
  });
  m.Group("rim");
  constexpr double kRimHalf = 0.07, kRimRadius = 0.3, kHubHalf = 0.16, kHubRadius = 0.07;
  AddRevolution(m, 1, kSegments, 0.5, 0.6, [&](double t, double* xr, double* n) {
    xr[0] = -kRimHalf + 2.0 * kRimHalf * t;
    xr[1] = kRimRadius;
    n[0] = 0;
    n[1] = 1;
  });
  AddAnnulus(m, kRimHalf, kHubRadius, kRimRadius, kSegments, 1.0, 0.6, 0.9);
  AddAnnulus(m, -kRimHalf, kHubRadius, kRimRadius, kSegments, -1.0, 0.6, 0.9);
  m.Group("hub");
  AddRevolution(m, 1, kSegments, 0.9, 1.0, [&](double t, double* xr, double* n) {
    xr[0] = -kHubHalf + 2.0 * kHubHalf * t;
    xr[1] = kHubRadius;
    n[0] = 0;
    n[1] = 1;
  });
  AddAnnulus(m, kHubHalf, 0.0, kHubRadius, kSegments, 1.0, 0.9, 1.0);
  AddAnnulus(m, -kHubHalf, 0.0, kHubRadius, kSegments, -1.0, 0.9, 1.0);
  return m;
}

// ---- Pictures ---------------------------------------------------------------

struct Picture {
  int width, height;
  std::vector<uint8_t> rgba;
  uint8_t* At(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// Cheap repeatable value noise in [0, 1).
double Hash(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<double>((h ^ (h >> 16)) & 0xFFFFFF) / 16777216.0;
}

// Paints every pixel from colour(x, y) -> r, g, b, a in 0..255.
Picture Paint(int w, int h, const std::function<void(int, int, double*)>& colour) {
  Picture p{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double c[4] = {0, 0, 0, 255};
      colour(x, y, c);
      uint8_t* px = p.At(x, y);
      for (int k = 0; k < 4; ++k) px[k] = Byte(c[k]);
    }
  return p;
}

// A tangent-space normal map from a height field that wraps at the edges;
// strength scales the slopes.
Picture NormalMap(int w, int h, const std::function<double(int, int)>& height, double strength) {
  return Paint(w, h, [&](int x, int y, double* c) {
    const double dx = height((x + 1) % w, y) - height((x + w - 1) % w, y);
    const double dy = height(x, (y + 1) % h) - height(x, (y + h - 1) % h);
    double n[3] = {-dx * strength, dy * strength, 1.0};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; ++k) c[k] = 127.5 + 127.5 * n[k] / len;
  });
}

// Stone tiles of the plate: 2 x 2 tiles per picture with 4-pixel grout.
constexpr int kTile = 128;
double TileHeight(int x, int y) {
  const int gx = std::min(x % kTile, kTile - 1 - x % kTile);
  const int gy = std::min(y % kTile, kTile - 1 - y % kTile);
  const int edge = std::min(gx, gy);
  return edge < 2 ? 0.0 : edge < 5 ? (edge - 1) / 4.0 : 1.0 - 0.02 * Hash(x / 3, y / 3, 1);
}

// Bricks of the slab: 4 rows of 2 bricks, every other row shifted by half.
constexpr int kBrickW = 128, kBrickH = 64;
int BrickShift(int y) { return (y / kBrickH % 2) * kBrickW / 2; }
// Which brick a pixel belongs to, counted along its row (wraps at 256).
int BrickIndex(int x, int y) { return ((x + BrickShift(y)) % 256) / kBrickW; }
double BrickHeight(int x, int y) {
  constexpr int kMortar = 4;
  const int bx = (x + BrickShift(y)) % kBrickW, by = y % kBrickH;
  const int edge = std::min({bx, kBrickW - 1 - bx, by, kBrickH - 1 - by});
  return edge < kMortar ? 0.0 : 0.95 + 0.05 * Hash(x / 4, y / 4, 7);
}

bool WritePicture(const std::string& path, const Picture& p) {
  return vlm::platform::WritePng(path.c_str(), p.width, p.height, p.rgba.data());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = true;

  ok &= WriteText(dir + "Plane.vlm", MeshFile(Plate(), "Plane"));
  ok &= WriteText(dir + "Cube.vlm", MeshFile(Cube(), "Cube"));
  ok &= WriteText(dir + "Ball.obj", ObjFile(Ball(), "Ball: radius 1, made by vlm-gen-demo-resources"));
  ok &= WriteText(dir + "Wheel.obj",
                  ObjFile(Wheel(), "Wheel: axle along x, made by vlm-gen-demo-resources"));

  // Plate: light grey stone tiles, darker grout, a little speckle.
  ok &= WritePicture(dir + "plane.png", Paint(256, 256, [](int x, int y, double* c) {
                       const double h = TileHeight(x, y);
                       const double tone = 120 + 70 * h + 20 * (Hash(x, y, 2) - 0.5) +
                                           12 * (Hash(x / kTile, y / kTile, 3) - 0.5);
                       c[0] = tone;
                       c[1] = tone * 0.97;
                       c[2] = tone * 0.92;
                     }));
  ok &= WritePicture(dir + "plane_n.png", NormalMap(256, 256, TileHeight, 3.0));
  // Specular: the polished tiles shine, the grout does not.
  ok &= WritePicture(dir + "plane_s.png", Paint(256, 256, [](int x, int y, double* c) {
                       c[0] = c[1] = c[2] = 40 + 160 * TileHeight(x, y);
                     }));

  // Wheel: left half black rubber with tread grooves across the tyre,
  // right half brushed metal for rim and hub.
  const auto tread = [](int x, int y) {
    if (x >= 128) return 1.0;
    const bool onTread = x > 40 && x < 88;
    return onTread && (y % 16) < 4 ? 0.0 : 1.0;
  };
  ok &= WritePicture(dir + "wheel.png", Paint(256, 256, [&](int x, int y, double* c) {
                       if (x < 128) {
                         const double g = 28 + 18 * tread(x, y) + 6 * Hash(x, y, 4);
                         c[0] = c[1] = c[2] = g;
                       } else {
                         const double g = 175 + 40 * Hash(x / 16, y, 5);
                         c[0] = g;
                         c[1] = g;
                         c[2] = g * 1.05;
                       }
                     }));
  ok &= WritePicture(dir + "wheel_n.png",
                     NormalMap(256, 256, [&](int x, int y) { return tread(x, y); }, 2.0));

  // Ball: eight coloured segments around, white caps at the poles.
  ok &= WritePicture(dir + "ball.png", Paint(256, 128, [](int x, int y, double* c) {
                       static const double kColours[4][3] = {
                           {220, 40, 40}, {250, 200, 40}, {40, 110, 220}, {40, 180, 80}};
                       const double v = y / 127.0;
                       if (v < 0.12 || v > 0.88) {
                         c[0] = c[1] = c[2] = 235;
                         return;
                       }
                       const double* k = kColours[(x * 8 / 256) % 4];
                       for (int i = 0; i < 3; ++i) c[i] = k[i];
                     }));

  // Wall: red-brown bricks, grey mortar.
  ok &= WritePicture(dir + "wall.png", Paint(256, 256, [](int x, int y, double* c) {
                       const double h = BrickHeight(x, y);
                       if (h == 0.0) {
                         c[0] = c[1] = c[2] = 150 + 20 * Hash(x, y, 8);
                         return;
                       }
                       const double shade = 0.8 + 0.2 * Hash(BrickIndex(x, y), y / kBrickH, 9) +
                                            0.1 * (Hash(x, y, 10) - 0.5);
                       c[0] = 165 * shade;
                       c[1] = 70 * shade;
                       c[2] = 50 * shade;
                     }));
  ok &= WritePicture(dir + "wall_n.png", NormalMap(256, 256, BrickHeight, 4.0));

  // Cross-hair: a white cross with a dark rim on transparency, a gap in
  // the middle so the target stays visible.
  ok &= WritePicture(dir + "Cross.png", Paint(32, 32, [](int x, int y, double* c) {
                       const auto arm = [](int a, int b, int grow) {
                         const int da = std::abs(2 * a - 31), db = std::abs(2 * b - 31);
                         return da <= 1 + 2 * grow && db >= 7 - 2 * grow && db <= 29 + 2 * grow;
                       };
                       const bool core = arm(x, y, 0) || arm(y, x, 0);
                       const bool rim = arm(x, y, 1) || arm(y, x, 1);
                       c[0] = c[1] = c[2] = core ? 255 : 0;
                       c[3] = core ? 255 : rim ? 160 : 0;
                     }));

  if (!ok) {
    std::fprintf(stderr, "%s: cannot write the demo's resources into %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
