// The emitter's own random sequence: seeded, so that a run can be repeated.
#pragma once

#include <cstdint>

namespace vlm {

class ParticleRandom {
 public:
  static constexpr uint32_t kDefaultSeed = 0x2545F491u;

  explicit ParticleRandom(uint32_t seed = kDefaultSeed) { Seed(seed); }

  void Seed(uint32_t seed) {
    // splitmix64 of the seed: any seed, 0 included, starts a full-period state.
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    state_ = (z ^ (z >> 31)) | 1u;
  }

  // 64 random bits (xorshift64*).
  uint64_t Next64() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }

  // k: uniform over [0, 2^31 - 1].
  uint32_t Next31() { return static_cast<uint32_t>(Next64() >> 33); }

  // b + (a - b) k / 2^31: from b up to a (a itself when k rounds up).
  float Between(float a, float b) {
    return b + (a - b) * (static_cast<float>(Next31()) * (1.0f / 2147483648.0f));
  }

  // Three values from -1 up to 1 out of one draw, 21 bits each: the
  // per-frame jitter of every particle needs speed more than resolution.
  void Signed3(float out[3]) {
    const uint64_t bits = Next64();
    for (int i = 0; i < 3; ++i) {
      const auto k = static_cast<int32_t>((bits >> (1 + 21 * i)) & 0x1FFFFF);
      out[i] = static_cast<float>(k) * (1.0f / 1048576.0f) - 1.0f;
    }
  }

 private:
  uint64_t state_ = 1;
};

}  // namespace vlm
