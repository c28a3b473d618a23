// Sound decoding for the sound layer: Ogg Vorbis through libvorbisfile and
// wave files through SDL's loader, to interleaved signed 16-bit samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vlm::platform {

// Mono or stereo; files with more channels are refused.
struct DecodedSound {
  int channels = 0;
  int rate = 0;                  // frames per second
  std::vector<int16_t> samples;  // interleaved, channels per frame
  size_t Frames() const { return channels ? samples.size() / static_cast<size_t>(channels) : 0; }
};

// Reads a sound piece by piece: an Ogg Vorbis stream decoded as it goes, or
// a wave file decoded at once (SDL reads wave files whole).
class SoundReader {
 public:
  virtual ~SoundReader() = default;
  int Channels() const { return channels_; }
  int Rate() const { return rate_; }
  // Up to maxFrames interleaved frames into out; 0 at the end or on an error.
  virtual size_t Read(int16_t* out, size_t maxFrames) = 0;
  // Back to the first frame (for looping); false when that is impossible.
  virtual bool Rewind() = 0;

 protected:
  int channels_ = 0;
  int rate_ = 0;
};

// A reader over the encoded bytes (which it shares, so a stream may outlive
// the caller's copy). Null with the reason in *why when the bytes are no
// sound this layer can read.
std::unique_ptr<SoundReader> OpenSoundReader(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                             std::string* why);

// The whole sound. False with the reason in *why.
bool DecodeSound(std::shared_ptr<const std::vector<uint8_t>> bytes, DecodedSound* out, std::string* why);

// Largest decoded size accepted (bytes of 16-bit samples): a guard against
// files that claim absurd lengths.
constexpr size_t kMaxDecodedBytes = size_t{1} << 30;

}  // namespace vlm::platform
