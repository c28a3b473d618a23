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

  // k: uniform over [0, 2^31 - 1] (xorshift64*, top 31 bits).
  uint32_t Next31() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 33);
  }

  // b + (a - b) k / 2^31: from b up to a (a itself when k rounds up).
  float Between(float a, float b) {
    return b + (a - b) * (static_cast<float>(Next31()) * (1.0f / 2147483648.0f));
  }

 private:
  uint64_t state_ = 1;
};

}  // namespace vlm
