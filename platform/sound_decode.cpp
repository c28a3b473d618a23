// Ogg Vorbis through libvorbisfile (callbacks over memory) and wave files
// through SDL_LoadWAV_RW, converted to 16-bit samples with SDL_AudioCVT.
#include "platform/sound_decode.h"

#include <SDL.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace vlm::platform {

namespace {

bool StartsWith(const std::vector<uint8_t>& bytes, const char* magic, size_t at = 0) {
  const size_t n = std::strlen(magic);
  return bytes.size() >= at + n && std::memcmp(bytes.data() + at, magic, n) == 0;
}

// ---- Ogg Vorbis -------------------------------------------------------------

struct MemoryCursor {
  std::shared_ptr<const std::vector<uint8_t>> bytes;
  size_t position = 0;
};

size_t OggRead(void* out, size_t size, size_t count, void* source) {
  auto* cursor = static_cast<MemoryCursor*>(source);
  if (size == 0) return 0;
  const size_t left = cursor->bytes->size() - cursor->position;
  const size_t items = std::min(count, left / size);
  std::memcpy(out, cursor->bytes->data() + cursor->position, items * size);
  cursor->position += items * size;
  return items;
}

int OggSeek(void* source, ogg_int64_t offset, int whence) {
  auto* cursor = static_cast<MemoryCursor*>(source);
  const auto size = static_cast<ogg_int64_t>(cursor->bytes->size());
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(cursor->position);
  else if (whence == SEEK_END) base = size;
  else if (whence != SEEK_SET) return -1;
  if (offset > size || offset < -size) return -1;
  const ogg_int64_t target = base + offset;
  if (target < 0 || target > size) return -1;
  cursor->position = static_cast<size_t>(target);
  return 0;
}

long OggTell(void* source) { return static_cast<long>(static_cast<MemoryCursor*>(source)->position); }

class VorbisReader final : public SoundReader {
 public:
  ~VorbisReader() override {
    if (open_) ov_clear(&file_);
  }

  bool Open(std::shared_ptr<const std::vector<uint8_t>> bytes, std::string* why) {
    cursor_.bytes = std::move(bytes);
    cursor_.position = 0;
    const ov_callbacks callbacks{OggRead, OggSeek, nullptr, OggTell};
    if (ov_open_callbacks(&cursor_, &file_, nullptr, 0, callbacks) != 0) {
      *why = "not an Ogg Vorbis stream";
      return false;
    }
    open_ = true;
    const vorbis_info* info = ov_info(&file_, -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0 ||
        info->rate > 384000) {
      *why = "unsupported channel count or rate";
      return false;
    }
    channels_ = info->channels;
    rate_ = static_cast<int>(info->rate);
    link_ = -1;
    return true;
  }

  size_t Read(int16_t* out, size_t maxFrames) override {
    if (!open_ || ended_) return 0;
    size_t frames = 0;
    const size_t frameBytes = 2 * static_cast<size_t>(channels_);
    while (frames < maxFrames) {
      char* dst = reinterpret_cast<char*>(out + frames * static_cast<size_t>(channels_));
      const size_t wanted = std::min<size_t>((maxFrames - frames) * frameBytes, 1 << 20);
      int link = 0;
      const long got = ov_read(&file_, dst, static_cast<int>(wanted), 0, 2, 1, &link);
      if (got == OV_HOLE) continue;  // a gap in the data: decoding goes on after it
      if (got <= 0) {
        ended_ = true;
        break;
      }
      if (link != link_) {
        // A chained stream may switch its layout; a switch ends the sound.
        const vorbis_info* info = ov_info(&file_, link);
        if (!info || info->channels != channels_ || info->rate != rate_) {
          ended_ = true;
          break;
        }
        link_ = link;
      }
      frames += static_cast<size_t>(got) / frameBytes;
    }
    return frames;
  }

  // Seeking back lets libvorbisfile take another path through a damaged or
  // chained stream than the first pass took (other pages dropped, other
  // samples trimmed), so a loop would not repeat itself. Opening the stream
  // afresh replays exactly the first pass.
  bool Rewind() override {
    if (!open_) return false;
    ov_clear(&file_);
    open_ = false;
    ended_ = false;
    std::string why;
    return Open(std::move(cursor_.bytes), &why);
  }

 private:
  MemoryCursor cursor_;
  OggVorbis_File file_{};
  bool open_ = false;
  bool ended_ = false;
  int link_ = -1;
};

// ---- Wave -------------------------------------------------------------------

class PcmReader final : public SoundReader {
 public:
  explicit PcmReader(DecodedSound sound) : sound_(std::move(sound)) {
    channels_ = sound_.channels;
    rate_ = sound_.rate;
  }
  size_t Read(int16_t* out, size_t maxFrames) override {
    const size_t frames = std::min(maxFrames, sound_.Frames() - position_);
    const size_t c = static_cast<size_t>(channels_);
    std::copy_n(sound_.samples.data() + position_ * c, frames * c, out);
    position_ += frames;
    return frames;
  }
  bool Rewind() override {
    position_ = 0;
    return true;
  }

 private:
  DecodedSound sound_;
  size_t position_ = 0;
};

// Chunk sizes cut to the bytes that are really there: SDL allocates what a
// chunk header claims before it reads, so a small file claiming gigabytes
// would take that much memory.
std::vector<uint8_t> WithHonestChunkSizes(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> copy = bytes;
  auto sizeAt = [&copy](size_t at) {
    uint32_t size;
    std::memcpy(&size, copy.data() + at, 4);
    return SDL_SwapLE32(size);
  };
  auto setSize = [&copy](size_t at, uint32_t size) {
    size = SDL_SwapLE32(size);
    std::memcpy(copy.data() + at, &size, 4);
  };
  if (copy.size() >= 8 && sizeAt(4) > copy.size() - 8) setSize(4, static_cast<uint32_t>(copy.size() - 8));
  size_t at = 12;
  while (at + 8 <= copy.size()) {
    const size_t available = copy.size() - at - 8;
    uint32_t size = sizeAt(at + 4);
    if (size > available) {
      size = static_cast<uint32_t>(available);
      setSize(at + 4, size);
    }
    at += 8 + size + (size & 1);
  }
  return copy;
}

bool DecodeWave(const std::vector<uint8_t>& original, DecodedSound* out, std::string* why) {
  if (original.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    *why = "file too large";
    return false;
  }
  const std::vector<uint8_t> bytes = WithHonestChunkSizes(original);
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!rw) {
    *why = SDL_GetError();
    return false;
  }
  SDL_AudioSpec wav{};
  Uint8* data = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV_RW(rw, 1, &wav, &data, &length)) {
    *why = std::string("wave file refused: ") + SDL_GetError();
    return false;
  }
  std::unique_ptr<Uint8, void (*)(Uint8*)> owned(data, SDL_FreeWAV);
  if (wav.channels < 1 || wav.channels > 2 || wav.freq <= 0 || wav.freq > 384000) {
    *why = "unsupported channel count or rate";
    return false;
  }
  SDL_AudioCVT cvt{};
  if (SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS, wav.channels,
                        wav.freq) < 0) {
    *why = std::string("sample format refused: ") + SDL_GetError();
    return false;
  }
  const size_t sampleBytes = SDL_AUDIO_BITSIZE(wav.format) / 8;
  const size_t frameBytes = sampleBytes * wav.channels;
  if (frameBytes == 0) {
    *why = "unsupported sample format";
    return false;
  }
  length -= static_cast<Uint32>(length % frameBytes);  // whole frames only
  const size_t frames = length / frameBytes;
  if (frames == 0) {
    *why = "no samples";
    return false;
  }
  if (frames * wav.channels * 2 > kMaxDecodedBytes) {
    *why = "file too large";
    return false;
  }
  std::vector<uint8_t> work(static_cast<size_t>(length) * static_cast<size_t>(std::max(cvt.len_mult, 1)));
  std::memcpy(work.data(), data, length);
  cvt.buf = work.data();
  cvt.len = static_cast<int>(length);
  if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) {
    *why = std::string("conversion failed: ") + SDL_GetError();
    return false;
  }
  out->channels = wav.channels;
  out->rate = wav.freq;
  out->samples.resize(frames * wav.channels);
  std::memcpy(out->samples.data(), work.data(), out->samples.size() * sizeof(int16_t));
  return true;
}

}  // namespace

std::unique_ptr<SoundReader> OpenSoundReader(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                             std::string* why) {
  std::string ignored;
  if (!why) why = &ignored;
  if (!bytes) {
    *why = "no data";
    return nullptr;
  }
  if (StartsWith(*bytes, "OggS")) {
    auto reader = std::make_unique<VorbisReader>();
    if (!reader->Open(std::move(bytes), why)) return nullptr;
    return reader;
  }
  if (StartsWith(*bytes, "RIFF")) {
    DecodedSound sound;
    if (!DecodeWave(*bytes, &sound, why)) return nullptr;
    return std::make_unique<PcmReader>(std::move(sound));
  }
  *why = "neither an Ogg Vorbis nor a wave file";
  return nullptr;
}

bool DecodeSound(std::shared_ptr<const std::vector<uint8_t>> bytes, DecodedSound* out, std::string* why) {
  std::string ignored;
  if (!why) why = &ignored;
  std::unique_ptr<SoundReader> reader = OpenSoundReader(std::move(bytes), why);
  if (!reader) return false;
  out->channels = reader->Channels();
  out->rate = reader->Rate();
  out->samples.clear();
  const size_t c = static_cast<size_t>(out->channels);
  constexpr size_t kPiece = 16384;
  for (;;) {
    const size_t at = out->samples.size();
    if ((at + kPiece * c) * sizeof(int16_t) > kMaxDecodedBytes) {
      *why = "decoded sound too large";
      return false;
    }
    out->samples.resize(at + kPiece * c);
    const size_t got = reader->Read(out->samples.data() + at, kPiece);
    out->samples.resize(at + got * c);
    if (got == 0) break;
  }
  if (out->samples.empty()) {
    *why = "no samples";
    return false;
  }
  return true;
}

}  // namespace vlm::platform
