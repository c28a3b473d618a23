// A clean emitter list for every test, a log to read failure rows from,
// and the engine clock in the test's hands.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "definition/texture_material_records.h"
#include "particles/particle_internal.h"
#include "particles/particle_record.h"
#include "particles/particle_state.h"
#include "support/test_support.h"
#include "velmora.h"

namespace ptest {

inline m4f Identity() {
  m4f m;
  VLM_m4fSetDiagonal(&m, 1.0f);
  return m;
}

inline VLM_HANDLE H(const VLM_PARTICLE_EMITTER* e) { return reinterpret_cast<VLM_HANDLE>(e); }

class ParticleTest : public ::testing::Test {
 protected:
  ParticleTest() { log = vlmtest::OpenTestLog(dir, VLM_LOG_PROCEDURE); }
  void SetUp() override { vlm::ResetParticles(); }
  void TearDown() override { vlm::ResetParticles(); }

  // An emitter that sheds nothing by itself: rate 0, force 0, long life.
  VLM_PARTICLE_EMITTER* Quiet(VLM_HANDLE id = -1) {
    VLM_PARTICLE_EMITTER* e = VLM_CreateParticleEmitter(id, -1, "");
    const VLM_HANDLE h = id == -1 ? H(e) : id;
    VLM_SetParticleEmissionRate(h, 0.0f);
    VLM_SetParticleRange(h, VLM_PARTICLE_FORCE, 0.0f, 0.0f);
    VLM_SetParticleRange(h, VLM_PARTICLE_LIFETIME, 1e6f, 1e6f);
    return e;
  }

  void Update(int64_t nowMs, float dt, const m4f& view = Identity()) {
    vlm::particles::UpdateEmitters(nowMs, dt, view);
  }

  vlmtest::TempDir dir;
  std::string log;
};

}  // namespace ptest
