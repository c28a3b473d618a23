// Comparing a presented frame with its reference picture: a pixel matches
// when no colour channel differs by more than 3/255, and a frame matches
// when at least 99.5 % of its pixels do. llvmpipe rounds slightly
// differently between optimised and sanitizer builds; that is what the
// tolerance absorbs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace reftest {

constexpr int kChannelTolerance = 3;        // of 255
constexpr double kRequiredMatch = 0.995;    // share of matching pixels

// An opaque picture, RGB, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const {
    return &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
  }
};

struct Comparison {
  bool sameSize = false;
  int64_t pixels = 0;
  int64_t mismatched = 0;  // pixels with a channel beyond the tolerance
  int largest = 0;         // largest channel difference seen
  bool Passed() const {
    return sameSize && static_cast<double>(pixels - mismatched) >=
                           kRequiredMatch * static_cast<double>(pixels);
  }
};

// The comparison, and in *difference (when given and the sizes agree) a
// picture of it: pixels beyond the tolerance red, pixels that differ
// within it yellow, equal pixels a dim grey copy of the reference so that
// the scene stays recognisable.
inline Comparison Compare(const Picture& actual, const Picture& reference,
                          Picture* difference = nullptr) {
  Comparison result;
  result.sameSize = actual.width == reference.width && actual.height == reference.height &&
                    actual.width > 0 && actual.height > 0;
  if (!result.sameSize) return result;
  result.pixels = static_cast<int64_t>(actual.width) * actual.height;
  if (difference) *difference = Picture{actual.width, actual.height, std::vector<uint8_t>(actual.rgb.size())};
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      const uint8_t* a = actual.At(x, y);
      const uint8_t* r = reference.At(x, y);
      int worst = 0;
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int{a[c]} - int{r[c]}));
      result.largest = std::max(result.largest, worst);
      if (worst > kChannelTolerance) ++result.mismatched;
      if (!difference) continue;
      uint8_t* d = &difference->rgb[(static_cast<size_t>(y) * static_cast<size_t>(actual.width) +
                                     static_cast<size_t>(x)) * 3];
      if (worst > kChannelTolerance) {
        d[0] = 255, d[1] = 0, d[2] = 0;
      } else if (worst > 0) {
        d[0] = 255, d[1] = 255, d[2] = 0;
      } else {
        const uint8_t grey = static_cast<uint8_t>((int{r[0]} + r[1] + r[2]) / 12);
        d[0] = d[1] = d[2] = grey;
      }
    }
  }
  return result;
}

}  // namespace reftest
