// OpenAL Soft output. Every channel is a pair of sources playing stereo
// buffers straight to the output channels (AL_SOFT_direct_channels): one
// carries the sound's left side (or its mono signal) in the left channel,
// the other its right side in the right channel. The pan is then the gain
// of each source, exact and independent of OpenAL's own panner. Streamed
// sounds refill a small ring of buffers per source from the layer's thread.
#include "core/trig.h"
#include "platform/sound_output.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/sound_decode.h"

namespace vlm::platform {

namespace {

constexpr int kRing = 4;             // buffers per source of a stream
constexpr size_t kChunkFrames = 8192;  // frames per stream buffer
constexpr auto kStreamPeriod = std::chrono::milliseconds(10);
constexpr float kMinPitch = 1.0f / 1024.0f;
constexpr float kMaxPitch = 64.0f;

struct SoundData {
  int channels = 0;
  int rate = 0;
  bool stream = false;
  std::shared_ptr<const std::vector<uint8_t>> encoded;  // streams decode from here
  std::array<ALuint, 2> buffers{};                      // whole sounds: left, right side
  uint64_t shared = 0;                                  // the shared channel
};

struct Voice {
  uint64_t sound = 0;
  int channels = 0;
  int rate = 0;
  bool loop = false;
  bool finished = false;  // sources released
  std::array<ALuint, 2> sources{};
  // Streams only.
  std::unique_ptr<SoundReader> reader;
  std::array<std::array<ALuint, kRing>, 2> ring{};
  bool readerEnded = false;
  ChannelSettings settings;
};

struct Output {
  std::mutex lock;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool directChannels = false;
  LPALDEFERUPDATESSOFT deferUpdates = nullptr;
  LPALPROCESSUPDATESSOFT processUpdates = nullptr;
  std::unordered_map<uint64_t, SoundData> sounds;
  std::unordered_map<uint64_t, Voice> voices;
  uint64_t nextHandle = 1;
  std::thread streamer;
  std::condition_variable wake;
  bool stopping = false;
};

Output& Out() {
  static Output* output = new Output();  // lives until the process ends
  return *output;
}

// Runs f(output) under the layer's lock.
template <class F>
auto Locked(F f) {
  Output& out = Out();
  std::lock_guard<std::mutex> guard(out.lock);
  return f(out);
}

uint64_t Key(intptr_t handle) { return static_cast<uint64_t>(handle); }

// Left-side and right-side stereo data of `frames` frames: mono goes to both
// sides, stereo splits; the other channel of each side is silent.
void SplitSides(const int16_t* in, size_t frames, int channels, std::vector<int16_t>& left,
                std::vector<int16_t>& right) {
  left.assign(frames * 2, 0);
  right.assign(frames * 2, 0);
  const size_t c = static_cast<size_t>(channels);
  for (size_t i = 0; i < frames; ++i) {
    left[2 * i] = in[i * c];
    right[2 * i + 1] = in[i * c + c - 1];
  }
}

bool Upload(ALuint buffer, const std::vector<int16_t>& data, int rate) {
  alBufferData(buffer, AL_FORMAT_STEREO16, data.data(), static_cast<ALsizei>(data.size() * sizeof(int16_t)),
               rate);
  return alGetError() == AL_NO_ERROR;
}

ChannelSettings Clamped(ChannelSettings s) {
  s.volume = std::clamp(s.volume, 0, 100);
  s.pan = std::clamp(s.pan, -100, 100);
  s.frequency = std::max(s.frequency, 0);
  return s;
}

void ApplySettings(const Voice& voice) {
  if (voice.finished) return;
  const ChannelSettings& s = voice.settings;
  const float gain = static_cast<float>(s.volume) / 100.0f;
  // Equal power: the angle runs from 0 (left) to pi/2 (right).
  const float angle = (static_cast<float>(s.pan) / 100.0f + 1.0f) * 0.25f * 3.14159265f;
  float left = vlm::Cos(angle);
  float right = vlm::Sin(angle);
  if (s.pan >= 100) left = 0.0f;
  if (s.pan <= -100) right = 0.0f;
  if (voice.channels == 2) {
    // Stereo keeps both sides at full level in the centre (a balance).
    left = std::min(1.0f, left * 1.41421356f);
    right = std::min(1.0f, right * 1.41421356f);
  }
  alSourcef(voice.sources[0], AL_GAIN, gain * left);
  alSourcef(voice.sources[1], AL_GAIN, gain * right);
  float pitch = voice.rate > 0 ? static_cast<float>(s.frequency) / static_cast<float>(voice.rate) : 1.0f;
  pitch = std::clamp(pitch, kMinPitch, kMaxPitch);
  alSourcef(voice.sources[0], AL_PITCH, pitch);
  alSourcef(voice.sources[1], AL_PITCH, pitch);
}

// Reads the next piece of a stream into one buffer per side and queues
// them. False when the stream has nothing more.
bool QueueNextPiece(Voice& voice, ALuint left, ALuint right) {
  if (voice.readerEnded) return false;
  std::vector<int16_t> piece(kChunkFrames * static_cast<size_t>(voice.channels));
  size_t got = voice.reader->Read(piece.data(), kChunkFrames);
  if (got == 0 && voice.loop && voice.reader->Rewind()) got = voice.reader->Read(piece.data(), kChunkFrames);
  if (got == 0) {
    voice.readerEnded = true;
    return false;
  }
  std::vector<int16_t> l, r;
  SplitSides(piece.data(), got, voice.channels, l, r);
  if (!Upload(left, l, voice.rate) || !Upload(right, r, voice.rate)) {
    voice.readerEnded = true;
    return false;
  }
  alSourceQueueBuffers(voice.sources[0], 1, &left);
  alSourceQueueBuffers(voice.sources[1], 1, &right);
  return true;
}

void ReleaseVoice(Voice& voice) {
  if (voice.finished) return;
  voice.finished = true;
  alSourceStopv(2, voice.sources.data());
  for (ALuint source : voice.sources) alSourcei(source, AL_BUFFER, 0);
  alDeleteSources(2, voice.sources.data());
  if (voice.reader) {
    for (auto& side : voice.ring) alDeleteBuffers(kRing, side.data());
    voice.reader.reset();
  }
  alGetError();
}

ALint SourceInt(ALuint source, ALenum what) {
  ALint value = 0;
  alGetSourcei(source, what, &value);
  return value;
}

// Whether a voice still sounds; releases the sources of one that ended.
bool VoicePlaying(Voice& voice) {
  if (voice.finished) return false;
  const bool playing = SourceInt(voice.sources[0], AL_SOURCE_STATE) == AL_PLAYING;
  if (playing || (voice.reader && !voice.readerEnded)) return true;
  ReleaseVoice(voice);
  return false;
}

void ServiceStream(Voice& voice) {
  if (voice.finished || !voice.reader) return;
  const ALint done = std::min(SourceInt(voice.sources[0], AL_BUFFERS_PROCESSED),
                              SourceInt(voice.sources[1], AL_BUFFERS_PROCESSED));
  bool queued = false;
  for (ALint i = 0; i < done; ++i) {
    ALuint left = 0, right = 0;
    alSourceUnqueueBuffers(voice.sources[0], 1, &left);
    alSourceUnqueueBuffers(voice.sources[1], 1, &right);
    queued |= QueueNextPiece(voice, left, right);
  }
  // A stream the thread fell behind on stopped early: start it again.
  if (queued && SourceInt(voice.sources[0], AL_SOURCE_STATE) != AL_PLAYING) {
    alSourcePlayv(2, voice.sources.data());
  }
  alGetError();
}

void StreamLoop() {
  Output& out = Out();
  std::unique_lock<std::mutex> guard(out.lock);
  while (!out.stopping) {
    for (auto& [handle, voice] : out.voices) ServiceStream(voice);
    out.wake.wait_for(guard, kStreamPeriod);
  }
}

void FreeVoiceLocked(Output& out, uint64_t handle) {
  auto it = out.voices.find(handle);
  if (it == out.voices.end()) return;
  ReleaseVoice(it->second);
  out.voices.erase(it);
}

void FreeSoundLocked(Output& out, uint64_t handle) {
  auto it = out.sounds.find(handle);
  if (it == out.sounds.end()) return;
  for (auto v = out.voices.begin(); v != out.voices.end();) {
    if (v->second.sound == handle) {
      ReleaseVoice(v->second);
      v = out.voices.erase(v);
    } else {
      ++v;
    }
  }
  if (!it->second.stream) alDeleteBuffers(2, it->second.buffers.data());
  alGetError();
  out.sounds.erase(it);
}

bool ReadFileBytes(const std::string& fileName, std::vector<uint8_t>* bytes) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

bool StartSoundOutput(std::string* why) {
  Output& out = Out();
  std::lock_guard<std::mutex> guard(out.lock);
  if (out.context) return true;
  out.device = alcOpenDevice(nullptr);
  if (!out.device) {
    if (why) *why = "no audio device could be opened";
    return false;
  }
  // Two sources per channel; ask for plenty of them.
  const ALCint attributes[] = {ALC_STEREO_SOURCES, 1024, ALC_MONO_SOURCES, 16, 0};
  out.context = alcCreateContext(out.device, attributes);
  if (!out.context || !alcMakeContextCurrent(out.context)) {
    if (out.context) alcDestroyContext(out.context);
    alcCloseDevice(out.device);
    out.context = nullptr;
    out.device = nullptr;
    if (why) *why = "the audio device refused a context";
    return false;
  }
  out.directChannels = alIsExtensionPresent("AL_SOFT_direct_channels");
  if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
    out.deferUpdates = reinterpret_cast<LPALDEFERUPDATESSOFT>(alGetProcAddress("alDeferUpdatesSOFT"));
    out.processUpdates = reinterpret_cast<LPALPROCESSUPDATESSOFT>(alGetProcAddress("alProcessUpdatesSOFT"));
  }
  alDistanceModel(AL_NONE);  // placement is the engine's work
  alDopplerFactor(0.0f);
  alGetError();
  out.stopping = false;
  out.streamer = std::thread(StreamLoop);
  return true;
}

void StopSoundOutput() {
  Output& out = Out();
  {
    std::lock_guard<std::mutex> guard(out.lock);
    if (!out.context) return;
    out.stopping = true;
  }
  out.wake.notify_all();
  if (out.streamer.joinable()) out.streamer.join();
  std::lock_guard<std::mutex> guard(out.lock);
  for (auto& [handle, voice] : out.voices) ReleaseVoice(voice);
  out.voices.clear();
  for (auto& [handle, sound] : out.sounds) {
    if (!sound.stream) alDeleteBuffers(2, sound.buffers.data());
  }
  out.sounds.clear();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(out.context);
  alcCloseDevice(out.device);
  out.context = nullptr;
  out.device = nullptr;
}

bool SoundOutputAvailable() {
  return Locked([](Output& out) { return out.context != nullptr; });
}

intptr_t LoadSoundFile(const std::string& fileName, bool stream, std::string* why) {
  std::string ignored;
  if (!why) why = &ignored;
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  if (!ReadFileBytes(fileName, bytes.get())) {
    *why = "the file cannot be read";
    return 0;
  }
  // Decoding runs outside the lock: the streaming thread keeps going.
  SoundData sound;
  sound.stream = stream;
  std::vector<int16_t> left, right;
  if (stream) {
    std::unique_ptr<SoundReader> reader = OpenSoundReader(bytes, why);
    if (!reader) return 0;
    sound.channels = reader->Channels();
    sound.rate = reader->Rate();
    sound.encoded = std::move(bytes);
  } else {
    DecodedSound decoded;
    if (!DecodeSound(std::move(bytes), &decoded, why)) return 0;
    sound.channels = decoded.channels;
    sound.rate = decoded.rate;
    SplitSides(decoded.samples.data(), decoded.Frames(), decoded.channels, left, right);
  }
  Output& out = Out();
  std::lock_guard<std::mutex> guard(out.lock);
  if (!out.context) {
    *why = "no audio device";
    return 0;
  }
  if (!stream) {
    alGetError();
    alGenBuffers(2, sound.buffers.data());
    if (alGetError() != AL_NO_ERROR) {
      *why = "no buffers";
      return 0;
    }
    if (!Upload(sound.buffers[0], left, sound.rate) || !Upload(sound.buffers[1], right, sound.rate)) {
      alDeleteBuffers(2, sound.buffers.data());
      alGetError();
      *why = "the output refused the samples";
      return 0;
    }
  }
  const uint64_t handle = out.nextHandle++;
  out.sounds.emplace(handle, std::move(sound));
  return static_cast<intptr_t>(handle);
}

void FreeSound(intptr_t sound) {
  Locked([&](Output& out) { FreeSoundLocked(out, Key(sound)); });
}

int SoundFrequency(intptr_t sound) {
  return Locked([&](Output& out) {
    auto it = out.sounds.find(Key(sound));
    return it == out.sounds.end() ? 0 : it->second.rate;
  });
}

intptr_t PlaySoundChannel(intptr_t soundHandle, bool loop, bool ownChannel, const ChannelSettings& start) {
  Output& out = Out();
  std::lock_guard<std::mutex> guard(out.lock);
  auto found = out.sounds.find(Key(soundHandle));
  if (!out.context || found == out.sounds.end()) return 0;
  SoundData& sound = found->second;
  if (!ownChannel && sound.shared) {
    FreeVoiceLocked(out, sound.shared);
    sound.shared = 0;
  }
  Voice voice;
  voice.sound = Key(soundHandle);
  voice.channels = sound.channels;
  voice.rate = sound.rate;
  voice.loop = loop;
  voice.settings = Clamped(start);
  alGetError();
  alGenSources(2, voice.sources.data());
  if (alGetError() != AL_NO_ERROR) return 0;
  for (ALuint source : voice.sources) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    if (out.directChannels) alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
  }
  if (sound.stream) {
    std::string why;
    voice.reader = OpenSoundReader(sound.encoded, &why);
    bool ok = voice.reader != nullptr;
    for (auto& side : voice.ring) {
      alGenBuffers(kRing, side.data());
      ok = ok && alGetError() == AL_NO_ERROR;
    }
    if (!ok) {
      alDeleteSources(2, voice.sources.data());
      for (auto& side : voice.ring) alDeleteBuffers(kRing, side.data());
      alGetError();
      return 0;
    }
    for (int i = 0; i < kRing; ++i) {
      if (!QueueNextPiece(voice, voice.ring[0][i], voice.ring[1][i])) break;
    }
  } else {
    alSourcei(voice.sources[0], AL_BUFFER, static_cast<ALint>(sound.buffers[0]));
    alSourcei(voice.sources[1], AL_BUFFER, static_cast<ALint>(sound.buffers[1]));
    alSourcei(voice.sources[0], AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcei(voice.sources[1], AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  }
  ApplySettings(voice);
  alSourcePlayv(2, voice.sources.data());
  alGetError();
  const uint64_t handle = out.nextHandle++;
  if (!ownChannel) sound.shared = handle;
  out.voices.emplace(handle, std::move(voice));
  return static_cast<intptr_t>(handle);
}

void StopChannel(intptr_t channel) {
  Locked([&](Output& out) { FreeVoiceLocked(out, Key(channel)); });
}

bool ChannelPlaying(intptr_t channel) {
  return Locked([&](Output& out) {
    auto it = out.voices.find(Key(channel));
    return it != out.voices.end() && VoicePlaying(it->second);
  });
}

namespace {

template <class Change>
void ChangeChannel(intptr_t channel, Change change) {
  Output& out = Out();
  std::lock_guard<std::mutex> guard(out.lock);
  auto it = out.voices.find(Key(channel));
  if (it == out.voices.end()) return;
  ChannelSettings settings = it->second.settings;
  change(settings);
  settings = Clamped(settings);
  // Most channels keep their values from frame to frame: the mixer is
  // only told about changes.
  if (settings == it->second.settings) return;
  it->second.settings = settings;
  ApplySettings(it->second);
}

}  // namespace

void SetChannelVolume(intptr_t channel, int volume) {
  ChangeChannel(channel, [volume](ChannelSettings& s) { s.volume = volume; });
}

void SetChannelPan(intptr_t channel, int pan) {
  ChangeChannel(channel, [pan](ChannelSettings& s) { s.pan = pan; });
}

void SetChannelFrequency(intptr_t channel, int frequency) {
  ChangeChannel(channel, [frequency](ChannelSettings& s) { s.frequency = frequency; });
}

void SetChannelSettings(intptr_t channel, const ChannelSettings& settings) {
  ChangeChannel(channel, [&settings](ChannelSettings& s) { s = settings; });
}

bool GetChannelSettings(intptr_t channel, ChannelSettings* out) {
  Output& output = Out();
  std::lock_guard<std::mutex> guard(output.lock);
  auto it = output.voices.find(Key(channel));
  if (it == output.voices.end() || !out) return false;
  *out = it->second.settings;
  return true;
}

void HoldChannelUpdates() {
  Locked([](Output& out) {
    if (out.context && out.deferUpdates) out.deferUpdates();
  });
}

void ApplyChannelUpdates() {
  Locked([](Output& out) {
    if (out.context && out.processUpdates) out.processUpdates();
  });
}

}  // namespace vlm::platform
