// Start-up cost of the built-in programs on the current driver (llvmpipe
// under Xvfb when there is no display): VLM_InitShaders as a whole, and its
// parts, compiling the 92 stages, linking the 46 programs, and one
// reflection pass (reading the declarations and binding them) alone.
// Each is timed once per repetition; the medians are the figures.
//
// The driver's shader cache changes the figures a lot: run once as is and
// once with MESA_SHADER_CACHE_DISABLE=true for a cold start.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gpu/gl_table.h"
#include "render/shader_build.h"
#include "render/shader_builtin.h"
#include "render/shader_state.h"
#include "render/uniform_buffers.h"
#include "support/gl_context.h"
#include "support/test_support.h"
#include "velmora.h"

namespace {

std::vector<int> Numbers() {
  std::vector<int> numbers;
  for (int n = 1; n <= 47; ++n)
    if (n != 34) numbers.push_back(n);
  return numbers;
}

void ReleaseShaders() {
  for (VLM_SHADER* shader : vlm::render::ShaderRegistry().Records())
    VLM_FreeShader(reinterpret_cast<VLM_HANDLE>(shader));
  vlm::render::DeleteUniformBuffers();
}

GLuint CompileStage(GLenum type, std::string_view source) {
  const GLuint stage = vlmgl.glCreateShader(type);
  const GLchar* text = source.data();
  const GLint length = static_cast<GLint>(source.size());
  vlmgl.glShaderSource(stage, 1, &text, &length);
  vlmgl.glCompileShader(stage);
  return stage;
}

void BM_InitShaders(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ReleaseShaders();
    VLM_InitCamera(vlmtest::GLContext::kWidth, vlmtest::GLContext::kHeight);
    vlmgl.glFinish();
    state.ResumeTiming();
    VLM_InitShaders();
    vlmgl.glFinish();
  }
}

void BM_CompileStages(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<GLuint> stages;
    for (int n : Numbers()) {
      const vlm::render::BuiltInProgram* p = vlm::render::FindBuiltInProgram(n);
      stages.push_back(CompileStage(GL_VERTEX_SHADER, p->vertexSource));
      stages.push_back(CompileStage(GL_FRAGMENT_SHADER, p->fragmentSource));
    }
    vlmgl.glFinish();
    state.PauseTiming();
    for (GLuint s : stages) vlmgl.glDeleteShader(s);
    state.ResumeTiming();
  }
}

void BM_CompileAndLink(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<GLuint> programs;
    for (int n : Numbers()) {
      const vlm::render::BuiltInProgram* p = vlm::render::FindBuiltInProgram(n);
      const GLuint program = vlmgl.glCreateProgram();
      for (GLuint stage : {CompileStage(GL_VERTEX_SHADER, p->vertexSource),
                           CompileStage(GL_FRAGMENT_SHADER, p->fragmentSource)}) {
        vlmgl.glAttachShader(program, stage);
        vlmgl.glDeleteShader(stage);
      }
      vlmgl.glLinkProgram(program);
      programs.push_back(program);
    }
    vlmgl.glFinish();
    state.PauseTiming();
    for (GLuint p : programs) vlmgl.glDeleteProgram(p);
    state.ResumeTiming();
  }
}

// Reads the declarations of the 36 programs built by reflection and binds
// what they declare, on the programs already linked at start-up.
void BM_ReflectionPass(benchmark::State& state) {
  vlm::render::PrepareShaderPatterns();
  std::vector<std::pair<VLM_SHADER*, const vlm::render::BuiltInProgram*>> programs;
  for (int n : Numbers()) {
    const vlm::render::BuiltInProgram* p = vlm::render::FindBuiltInProgram(n);
    if (!p->handBuilt) programs.emplace_back(VLM_GetBuiltInShader(n), p);
  }
  for (auto _ : state) {
    state.PauseTiming();
    for (auto& [shader, p] : programs) {
      shader->aSlotsA.clear();
      for (auto& list : shader->aUniforms) list.clear();
    }
    state.ResumeTiming();
    for (auto& [shader, p] : programs) {
      vlm::render::BindDeclaredInputs(*shader, p->vertexSource, p->fragmentSource);
      vlm::render::ReflectLinkedProgram(*shader, p->vertexSource, p->fragmentSource);
    }
  }
  state.counters["programs"] = static_cast<double>(programs.size());
}

}  // namespace

BENCHMARK(BM_InitShaders)->Iterations(1)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompileStages)->Iterations(1)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompileAndLink)->Iterations(1)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReflectionPass)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  // VLM_Init writes its log into a temporary folder.
  vlmtest::TempDir dir;
  dir.Enter();
  vlmtest::GLContext gl;
  if (!gl.ok()) {
    std::fprintf(stderr, "bench_shaders: %s\n", gl.error().c_str());
    return 0;
  }
  std::printf("GL renderer: %s\n", reinterpret_cast<const char*>(vlmgl.glGetString(GL_RENDERER)));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  VLM_Shutdown();
  return 0;
}
