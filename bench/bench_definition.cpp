// Definition parsing throughput on a generated 50 MB file: half asset
// blocks (comments, quotes, lists, nesting), half mesh data (number lists).
// "File" reads, decodes and parses the file; "Memory" parses bytes already
// in memory; "Latin1" adds the 8-bit decoding of a file without a mark.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "definition/definition_tree.h"
#include "velmora/definition.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kTargetBytes = size_t(50) << 20;

struct Input {
  fs::path directory;
  std::string file;
  std::string bytes;         // UTF-8 with byte-order mark
  std::string latin1Bytes;   // no mark, some bytes above 0x7F
};

Input& TheInput() {
  static Input input;
  return input;
}

std::string Generate(bool latin1) {
  std::mt19937 rng(2016);
  std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
  std::string text = latin1 ? "" : "\xEF\xBB\xBF";
  text.reserve(kTargetBytes + 4096);
  text += "// Generated asset library\r\n";
  char line[128];
  int block = 0;
  while (text.size() < kTargetBytes) {
    // Asset blocks.
    for (int i = 0; i < 200; ++i, ++block) {
      std::snprintf(line, sizeof line, "// Material %d\r\nMaterial: Stone%d {\r\n", block, block);
      text += line;
      text += "\tShader: 3D_SPECULARMAP\r\n";
      std::snprintf(line, sizeof line, "\tTexture[0]: 'Textures\\stone%d.png'\r\n", block);
      text += line;
      text += "\tTexture[1] {\r\n\t\tFile: 'normals.png'\r\n\t\tMipmaps: 4\r\n\t}\r\n";
      text += latin1 ? "\tNote: caf\xE9\r\n" : "\tNote: caf\xC3\xA9\r\n";
      text += "\tColor: 255, 128, 0\r\n\tShine: 1.5 /* glossy */\r\n\tBlendingMode: ONE, ONE\r\n";
      text += "\tDepthMask: Enable; Wireframe: false\r\n}\r\n\r\n";
    }
    // Mesh data.
    std::snprintf(line, sizeof line, "Mesh: Part%d {\r\n\tVertices: 4000 {\r\n", block);
    text += line;
    for (int i = 0; i < 4000; ++i) {
      const float x = coord(rng), y = coord(rng), z = coord(rng);
      std::snprintf(line, sizeof line, "\t\t%s%f,%s%f,%s%f\r\n", x >= 0 ? " " : "", x, y >= 0 ? " " : "", y,
                    z >= 0 ? " " : "", z);
      text += line;
    }
    text += "\t}\r\n\r\n\tFaces: 2000 {\r\n";
    for (int i = 0; i < 2000; ++i) {
      std::snprintf(line, sizeof line, "\t\t %d,%d,%d\r\n", i, i + 1, i + 2);
      text += line;
    }
    text += "\t}\r\n\r\n}\r\n";
  }
  return text;
}

void BM_ParseDefinitionFile(benchmark::State& state) {
  const Input& input = TheInput();
  for (auto _ : state) {
    VLM_DEFINITION_NODE* root = VLM_LoadDefinitionFile(input.file.c_str());
    if (!root) {
      state.SkipWithError("generated file not readable");
      break;
    }
    benchmark::DoNotOptimize(root);
    VLM_FreeDefinitionFile();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(input.bytes.size()));
}

void BM_ParseDefinitionMemory(benchmark::State& state) {
  const std::string& bytes = state.range(0) ? TheInput().latin1Bytes : TheInput().bytes;
  double treeBytes = 0;
  for (auto _ : state) {
    VLM_DEFINITION_NODE* root = VLM_CatchDefinitionFile(bytes.data(), bytes.size(), "");
    benchmark::DoNotOptimize(root);
    state.PauseTiming();
    treeBytes = double(static_cast<vlm::DefinitionTree*>(root)->arena.Reserved());
    state.ResumeTiming();
    VLM_FreeDefinitionNode(root, 1);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
  // Memory the tree takes besides its text, per byte of text.
  state.counters["tree_per_text_byte"] = treeBytes / double(bytes.size());
}

// Rates are per CPU second: the machines these run on are shared.
BENCHMARK(BM_ParseDefinitionFile)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ParseDefinitionMemory)->ArgName("latin1")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  Input& input = TheInput();
  input.directory = fs::temp_directory_path() / ("vlm-bench-definition-" + std::to_string(getpid()));
  fs::create_directories(input.directory);
  input.file = (input.directory / "Library.vld").string();
  input.bytes = Generate(false);
  input.latin1Bytes = Generate(true);
  {
    std::ofstream out(input.file, std::ios::binary);
    out.write(input.bytes.data(), static_cast<std::streamsize>(input.bytes.size()));
  }
  benchmark::Initialize(&argc, argv);
  int status = 0;
  if (!benchmark::ReportUnrecognizedArguments(argc, argv)) benchmark::RunSpecifiedBenchmarks();
  else status = 1;
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(input.directory, ignored);
  return status;
}
