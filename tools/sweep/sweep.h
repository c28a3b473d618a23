// The bad-argument sweep: every public procedure is called with one bad
// argument at a time (stale, forged and foreign handles, 0, -1, 65536,
// NaN, infinities, 1e30, huge counts, NULL and over-long strings), then with
// all of them bad, each call in a world of live objects rebuilt for it.
// After the call one frame runs (physics, particles, sounds, the 3D frame)
// and the records are read back: a number that is not finite, or a value
// that cannot make sense, counts against the procedure's subsystem. Each
// case runs in a forked worker, so an abort or a hang costs one case only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "velmora.h"

namespace sweep {

// The objects a case starts from (rebuilt before every case) and a few
// things the worker keeps for its whole life.
struct Fixture {
  bool gl = false;
  std::string dir;                       // the worker's folder, also the current directory
  std::string soundFile, imageFile, meshFile, objFile, cageFile, fontFile, shaderFile, definitionFile;
  VLM_HANDLE texture = 1, cubeTexture = 0, arrayTexture = 2;
  VLM_HANDLE material = 1, material2D = 2, billboardMaterial = 3;
  VLM_HANDLE mesh = 1, groupMesh = 2, object = 1, instanced = 2, node = 1;
  VLM_HANDLE cage = 1, surface = 1, surface2 = 2, body = 1, body2 = 2, joint = 1;
  VLM_HANDLE light = 1, spot = 2, sound = 1, channel = 0, emitter = 1, font = 1, element = 1;
  VLM_HANDLE ribbon = 1, billboards = 1, shader = 1;
  VLM_HANDLE foreign = 0;  // the address of a node: a live record of the wrong kind
  void* nodeRecord = nullptr;
  void* objectRecord = nullptr;
  VLM_DEFINITION_NODE* tree = nullptr;
  VLM_DEFINITION_WRITER* writer = nullptr;
  VLM_IMAGE* image = nullptr;
  int window = 1;          // an application window of the worker's own
  uint32_t glProgram = 0;  // the GL program of built-in program 15
};

// Handles no live record has: freed before every case (ID 900 of every
// kind) and an address nothing was ever made at.
constexpr VLM_HANDLE kStale = 900;
constexpr VLM_HANDLE kForged = 0x7F00DEADBEE0;

struct Case {
  std::string subsystem;
  std::string procedure;
  std::string label;
  std::function<void(Fixture&)> run;
  bool fresh = false;  // runs first in a worker of its own, which ends after it
};

std::vector<Case>& Cases();

// ---- Bad values by argument type ----------------------------------------

template <class T>
struct Bad {
  std::string label;
  T value;
};

std::vector<Bad<float>> BadValues(const Fixture&, float*);
std::vector<Bad<int>> BadValues(const Fixture&, int*);
std::vector<Bad<long>> BadValues(const Fixture& f, long*);  // handles, int64_t
std::vector<Bad<uint32_t>> BadValues(const Fixture&, uint32_t*);
std::vector<Bad<size_t>> BadValues(const Fixture&, size_t*);
std::vector<Bad<const char*>> BadValues(const Fixture&, const char**);
std::vector<Bad<const v4f*>> BadValues(const Fixture&, const v4f**);
std::vector<Bad<const m4f*>> BadValues(const Fixture&, const m4f**);
std::vector<Bad<const VLM_TEXT_SETTINGS*>> BadValues(const Fixture&, const VLM_TEXT_SETTINGS**);
std::vector<Bad<VLM_HANDLE*>> BadValues(const Fixture&, VLM_HANDLE**);
// Any other pointer: NULL only (a forged pointer is the caller's fault).
template <class T>
std::vector<Bad<T*>> BadValues(const Fixture&, T**) {
  return {{"NULL", nullptr}};
}

// ---- Registering a procedure ----------------------------------------------

struct Options {
  std::vector<size_t> keep;  // arguments that stay good (memory ranges, raw pointers)
  bool fresh = false;
  bool noNull = false;       // pointers stay non-null (value routines that read them as given)
};

namespace detail {

// The bad values an argument of type T takes: (index into BadValues, label).
template <class T>
std::vector<std::pair<size_t, std::string>> Choices(bool noNull) {
  static const Fixture none;
  std::vector<std::pair<size_t, std::string>> out;
  const auto values = BadValues(none, static_cast<T*>(nullptr));
  for (size_t k = 0; k < values.size(); ++k)
    if (!(noNull && values[k].label == "NULL")) out.emplace_back(k, values[k].label);
  return out;
}

// The good arguments with argument i replaced by its bad value pick[i]
// (kGood: stays good).
constexpr size_t kGood = std::numeric_limits<size_t>::max();

template <class Args, size_t... I>
void Spoil(Args& args, const Fixture& f, const std::vector<size_t>& pick, std::index_sequence<I...>) {
  auto one = [&](auto& arg, size_t i) {
    using T = std::remove_reference_t<decltype(arg)>;
    if (pick[i] == kGood) return;
    arg = BadValues(f, static_cast<T*>(nullptr))[pick[i]].value;
  };
  (one(std::get<I>(args), I), ...);
  (void)one;  // a procedure without arguments
}

}  // namespace detail

// Adds the cases of one procedure: fn(good(f)...) with each argument made
// bad in turn, every bad value of its type, then all arguments bad at once.
template <class R, class... A, class Good>
void Add(const char* subsystem, const char* name, R (*fn)(A...), Good good, Options options = {}) {
  using Args = std::tuple<std::remove_cv_t<A>...>;
  constexpr size_t n = sizeof...(A);
  std::vector<std::vector<std::pair<size_t, std::string>>> choices = {
      detail::Choices<std::remove_cv_t<A>>(options.noNull)...};
  for (size_t i : options.keep) choices[i].clear();
  auto make = [=](std::vector<size_t> pick) {
    return [=](Fixture& f) {
      Args args = good(f);
      detail::Spoil(args, f, pick, std::make_index_sequence<n>{});
      std::apply(fn, args);
    };
  };
  const std::vector<size_t> allGood(n, detail::kGood);
  size_t most = 0;
  for (size_t i = 0; i < n; ++i) {
    most = std::max(most, choices[i].size());
    for (const auto& [k, label] : choices[i]) {
      std::vector<size_t> pick = allGood;
      pick[i] = k;
      Cases().push_back({subsystem, name, "arg " + std::to_string(i + 1) + " = " + label, make(pick),
                         options.fresh});
    }
  }
  // One good call (the fixture itself must be clean), then all bad at once.
  Cases().push_back({subsystem, name, "good", make(allGood), options.fresh});
  if (n > 1) {
    for (size_t k = 0; k < most; ++k) {
      std::vector<size_t> pick = allGood;
      for (size_t i = 0; i < n; ++i)
        if (!choices[i].empty()) pick[i] = choices[i][k % choices[i].size()].first;
      Cases().push_back({subsystem, name, "all bad #" + std::to_string(k + 1), make(pick), options.fresh});
    }
  }
}

// A case of its own (definition keys, cross-argument cases).
inline void AddCase(const char* subsystem, const char* procedure, std::string label,
                    std::function<void(Fixture&)> run) {
  Cases().push_back({subsystem, procedure, std::move(label), std::move(run), false});
}

// The case tables, one per group of headers.
void AddCoreCases();
void AddAssetCases();
void AddSceneCases();
void AddDefinitionKeyCases();

// ---- The world of a case ----------------------------------------------------

// Opens the engine (with a GL surface when gl is set) in a fresh folder
// below `base` and remembers what start-up made. False when it cannot.
bool StartEngine(Fixture& f, bool gl, const std::string& base);
// Builds the fixture (on an engine as start-up left it).
void BuildFixture(Fixture& f);
// Frees everything a case may have made and puts back what it may have
// changed, so that the engine is as start-up left it.
void ClearFixture(Fixture& f);
// One frame after the call: physics, particles, sounds and, with GL, the
// 3D frame presented.
void RunFrame(Fixture& f);
// False when the case broke what start-up made (the worker then ends).
bool EngineIntact(const Fixture& f);

// ---- Reading the records back -------------------------------------------------

struct Findings {
  int nonFinite = 0;   // numbers stored that are not finite
  int impossible = 0;  // values stored that cannot make sense
  std::string first;   // where the first one was found
};
Findings Probe(const Fixture& f);

}  // namespace sweep
