// Mesh loading on a generated grid of 1,000,000 triangles: the OBJ loader
// against tinyobjloader reading the same file in the same run, and the
// engine mesh file loader. Prints the OBJ time ratios (ours / tinyobj) of
// the medians at the end, for real time and for process CPU time (the
// latter is the steadier figure on a busy machine).
#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_medians.h"
#include "velmora/mesh.h"
#include "velmora/registry.h"

namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 1000;  // quads along x
constexpr int kRows = 500;      // quads along z: 2 x 1000 x 500 = 1,000,000 triangles

struct Files {
  fs::path dir;
  std::string obj;
  std::string vlm;
  ~Files() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

void AppendFloat(std::string& out, float value) {
  char text[32];
  out.append(text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr);
}

void AppendInt(std::string& out, int value) {
  char text[16];
  out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

float Height(int x, int z) { return 0.25f * std::sin(0.05f * static_cast<float>(x)) * std::cos(0.07f * static_cast<float>(z)); }

// A gently waving grid with positions, texture coordinates, normals and
// faces "f a/a/a b/b/b c/c/c", like an exporter writes it.
void WriteObj(const std::string& path) {
  std::string text;
  text.reserve(size_t{96} << 20);
  text += "# generated grid\ng grid\n";
  for (int z = 0; z <= kRows; ++z) {
    for (int x = 0; x <= kColumns; ++x) {
      text += "v ";
      AppendFloat(text, static_cast<float>(x) * 0.1f);
      text += ' ';
      AppendFloat(text, Height(x, z));
      text += ' ';
      AppendFloat(text, static_cast<float>(z) * -0.1f);
      text += '\n';
    }
  }
  for (int z = 0; z <= kRows; ++z) {
    for (int x = 0; x <= kColumns; ++x) {
      text += "vt ";
      AppendFloat(text, static_cast<float>(x) / kColumns);
      text += ' ';
      AppendFloat(text, static_cast<float>(z) / kRows);
      text += '\n';
    }
  }
  for (int z = 0; z <= kRows; ++z) {
    for (int x = 0; x <= kColumns; ++x) {
      const float dx = Height(x + 1, z) - Height(x - 1, z);
      const float dz = Height(x, z + 1) - Height(x, z - 1);
      const float length = std::sqrt(dx * dx + 0.04f + dz * dz);
      text += "vn ";
      AppendFloat(text, -dx / length);
      text += ' ';
      AppendFloat(text, 0.2f / length);
      text += ' ';
      AppendFloat(text, dz / length);
      text += '\n';
    }
  }
  auto corner = [&text](int index) {
    text += ' ';
    AppendInt(text, index);
    text += '/';
    AppendInt(text, index);
    text += '/';
    AppendInt(text, index);
  };
  for (int z = 0; z < kRows; ++z) {
    for (int x = 0; x < kColumns; ++x) {
      const int a = z * (kColumns + 1) + x + 1;  // one-based
      const int b = a + 1, c = a + kColumns + 1, d = c + 1;
      text += 'f';
      corner(a);
      corner(c);
      corner(d);
      text += "\nf";
      corner(a);
      corner(d);
      corner(b);
      text += '\n';
    }
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

// The same grid with shared vertices, saved as an engine mesh file.
void WriteVlm(const std::string& path) {
  VLM_MESH* mesh = VLM_CreateMesh(-1, "");
  const auto h = reinterpret_cast<VLM_HANDLE>(mesh);
  const int vertices = (kColumns + 1) * (kRows + 1);
  VLM_SetMeshVertexCount(h, vertices);
  VLM_SetMeshTriangleCount(h, 2 * kColumns * kRows);
  for (int z = 0; z <= kRows; ++z) {
    for (int x = 0; x <= kColumns; ++x) {
      const int i = z * (kColumns + 1) + x;
      VLM_SetMeshVertexPosition(h, i, static_cast<float>(x) * 0.1f, Height(x, z), static_cast<float>(z) * -0.1f, 1);
      VLM_SetMeshVertexNormal(h, i, 0, 1, 0);
      VLM_SetMeshVertexTexCoord(h, i, static_cast<float>(x) / kColumns, static_cast<float>(z) / kRows);
    }
  }
  int t = 0;
  for (int z = 0; z < kRows; ++z) {
    for (int x = 0; x < kColumns; ++x) {
      const int a = z * (kColumns + 1) + x, b = a + 1, c = a + kColumns + 1, d = c + 1;
      VLM_SetMeshTriangle(h, t++, a, c, d);
      VLM_SetMeshTriangle(h, t++, a, d, b);
    }
  }
  VLM_SaveMesh(h, path.c_str(), "Grid");
  VLM_FreeMesh(h);
}

const Files& TestFiles() {
  static const Files files = [] {
    Files f;
    f.dir = fs::temp_directory_path() / ("vlm_bench_mesh_" + std::to_string(getpid()));
    fs::create_directories(f.dir);
    f.obj = (f.dir / "grid.obj").string();
    f.vlm = (f.dir / "grid.vlm").string();
    WriteObj(f.obj);
    WriteVlm(f.vlm);
    return f;
  }();
  return files;
}

void SetBytes(benchmark::State& state, const std::string& path) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

// One engine loader on one of the files; the release is not timed.
void LoadLoop(benchmark::State& state, VLM_MESH* (*load)(VLM_HANDLE, const char*, const char*),
              const std::string& path) {
  for (auto _ : state) {
    VLM_MESH* mesh = load(-1, path.c_str(), "");
    if (!mesh || VLM_GetMeshTriangleCount(reinterpret_cast<VLM_HANDLE>(mesh)) != 2 * kColumns * kRows) {
      state.SkipWithError("load failed");
      break;
    }
    state.PauseTiming();
    VLM_FreeMesh(reinterpret_cast<VLM_HANDLE>(mesh));
    state.ResumeTiming();
  }
  SetBytes(state, path);
}

void BM_LoadOBJMesh(benchmark::State& state) { LoadLoop(state, VLM_LoadOBJMesh, TestFiles().obj); }

void BM_TinyObjLoader(benchmark::State& state) {
  const std::string& path = TestFiles().obj;
  for (auto _ : state) {
    auto* attrib = new tinyobj::attrib_t;
    auto* shapes = new std::vector<tinyobj::shape_t>;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    const bool ok = tinyobj::LoadObj(attrib, shapes, &materials, &warn, &err, path.c_str());
    if (!ok || shapes->empty() || shapes->front().mesh.indices.size() != size_t{6} * kColumns * kRows) {
      state.SkipWithError("tinyobjloader failed");
      break;
    }
    state.PauseTiming();
    delete attrib;
    delete shapes;
    state.ResumeTiming();
  }
  SetBytes(state, path);
}

void BM_LoadMesh(benchmark::State& state) { LoadLoop(state, VLM_LoadMesh, TestFiles().vlm); }

// The runs of all three interleave (see main) so that load on the shared
// machine hits them alike.
BENCHMARK(BM_LoadOBJMesh)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_TinyObjLoader)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_LoadMesh)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  vlmbench::InitializeInterleaved(argc, argv);
  TestFiles();  // generate outside the timed runs
  vlmbench::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto ours = reporter.medians.find("BM_LoadOBJMesh");
  const auto theirs = reporter.medians.find("BM_TinyObjLoader");
  if (ours != reporter.medians.end() && theirs != reporter.medians.end()) {
    const auto& a = ours->second;
    const auto& b = theirs->second;
    std::printf("OBJ load medians: VLM_LoadOBJMesh %.1f ms (CPU %.1f ms), tinyobjloader %.1f ms (CPU %.1f ms)\n",
                a.real, a.cpu, b.real, b.cpu);
    std::printf("ratio ours / tinyobjloader: real time %.3f, CPU time %.3f (target <= 1)\n", a.real / b.real,
                a.cpu / b.cpu);
  }
  benchmark::Shutdown();
  return 0;
}
