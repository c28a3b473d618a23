// Fuzz target: Ogg Vorbis and wave decoding from memory. A decoded sound
// must have the layout it claims, and reading it as a stream in small
// pieces, rewound once, must give the same samples as decoding it whole.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/sound_decode.h"

namespace {

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// Enough to pass every decoder path; keeps single runs short.
constexpr size_t kMaxFrames = size_t{1} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  vlm::platform::DecodedSound whole;
  const bool decoded = vlm::platform::DecodeSound(bytes, &whole, nullptr);
  std::unique_ptr<vlm::platform::SoundReader> reader = vlm::platform::OpenSoundReader(bytes, nullptr);
  if (!decoded) return 0;
  Require(reader != nullptr, "decodable but no reader");
  Require(whole.channels == 1 || whole.channels == 2, "bad channel count");
  Require(whole.rate > 0, "bad rate");
  Require(whole.samples.size() % static_cast<size_t>(whole.channels) == 0, "partial frame");
  Require(reader->Channels() == whole.channels && reader->Rate() == whole.rate, "reader disagrees");
  const size_t c = static_cast<size_t>(whole.channels);
  const size_t frames = std::min(whole.Frames(), kMaxFrames);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<int16_t> piece(999 * c);
    size_t at = 0;
    while (at < frames) {
      const size_t got = reader->Read(piece.data(), 999);
      if (got == 0) break;
      Require(got <= 999, "read too much");
      const size_t n = std::min(got, frames - at);
      Require(std::equal(piece.begin(), piece.begin() + static_cast<long>(n * c),
                         whole.samples.begin() + static_cast<long>(at * c)),
              "stream differs from the whole sound");
      at += got;
    }
    Require(at >= frames, "stream ended early");
    Require(reader->Rewind(), "rewind failed");
  }
  return 0;
}
