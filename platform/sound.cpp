// The sound layer over SDL audio output and libmpg123: one MP3 stream read
// straight from memory, decoded a buffer at a time inside the audio callback
// and converted to the device rate, and a playback position derived from the
// audio the device has been handed.
#include "platform/sound.h"

#include <SDL2/SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velkor {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kOutputChannels = 2;
constexpr int kBytesPerFrame = kOutputChannels * 2;  // 16-bit stereo
constexpr int kDeviceBufferFrames = 1024;
// A stream that keeps answering without audio is treated as ended.
constexpr int kMaxEmptyReads = 64;

// The decoder's view of the music block: a read position over borrowed bytes.
struct MemoryReader {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t offset = 0;
};

// Written by the audio callback under the device lock; read by the main
// thread under the same lock.
struct PlaybackAnchor {
  bool valid = false;
  std::int64_t firstFrame = 0;   // track frames handed before the latest refill
  int frames = 0;                // track frames in the latest refill
  SteadyClock::time_point time;  // when the latest refill began
};

// One MP3 decoder over a music block, as the stream and SoundDecodeMemory use it.
struct Decoder {
  mpg123_handle* handle = nullptr;
  MemoryReader reader;
  int emptyReads = 0;
};

struct Stream {
  bool open = false;
  bool playing = false;
  bool paused = false;
  int trackRate = 0;
  bool decoderEnded = false;
  Decoder decoder;
  SDL_AudioStream* converter = nullptr;
  std::int64_t framesHanded = 0;
  PlaybackAnchor anchor;
  std::int64_t lastReportedFrame = 0;  // main thread only
  std::int64_t callbackNanoseconds = 0;
  int callbacks = 0;
  unsigned char scratch[16384];
};

struct Output {
  bool initialised = false;
  SDL_AudioDeviceID device = 0;
  int rate = 0;
  int bufferFrames = 0;
  int lastError = kSoundOk;
};

Output output;
Stream stream;

bool Fail(int code) {
  output.lastError = code;
  return false;
}

bool Succeed() {
  output.lastError = kSoundOk;
  return true;
}

mpg123_ssize_t ReadMemory(void* handle, void* buffer, std::size_t count) {
  MemoryReader* r = static_cast<MemoryReader*>(handle);
  const std::size_t n = std::min(count, r->size - r->offset);
  std::memcpy(buffer, r->data + r->offset, n);
  r->offset += n;
  return static_cast<mpg123_ssize_t>(n);
}

off_t SeekMemory(void* handle, off_t offset, int whence) {
  MemoryReader* r = static_cast<MemoryReader*>(handle);
  off_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<off_t>(r->offset);
  if (whence == SEEK_END) base = static_cast<off_t>(r->size);
  const off_t target = base + offset;
  if (target < 0 || target > static_cast<off_t>(r->size)) return -1;
  r->offset = static_cast<std::size_t>(target);
  return target;
}

// Decodes the next piece of the track into buffer: the bytes decoded, and
// *ended once the decoder can give no more (the end, an error it cannot pass,
// or a stream that keeps answering without audio).
std::size_t DecodeNext(Decoder& decoder, unsigned char* buffer, std::size_t capacity, bool* ended) {
  std::size_t got = 0;
  const int rc = mpg123_read(decoder.handle, buffer, capacity, &got);
  decoder.emptyReads = got > 0 ? 0 : decoder.emptyReads + 1;
  *ended = rc == MPG123_DONE || (rc == MPG123_ERR && got == 0) || decoder.emptyReads > kMaxEmptyReads;
  return got;
}

// Decodes into the converter until it holds `bytes` of device audio or the
// track has ended, then hands out what it has. Runs on the audio thread.
// The converter keeps the first frame's rate: a track that changes rate
// midway plays its later part at the wrong speed rather than stopping.
int PullTrackAudio(Uint8* out, int bytes) {
  while (!stream.decoderEnded && SDL_AudioStreamAvailable(stream.converter) < bytes) {
    bool ended = false;
    const std::size_t got = DecodeNext(stream.decoder, stream.scratch, sizeof stream.scratch, &ended);
    const bool kept = got == 0 || SDL_AudioStreamPut(stream.converter, stream.scratch, static_cast<int>(got)) == 0;
    if (!kept || ended) {
      SDL_AudioStreamFlush(stream.converter);
      stream.decoderEnded = true;
    }
  }
  const int handed = SDL_AudioStreamGet(stream.converter, out, bytes);
  return std::max(handed, 0) / kBytesPerFrame * kBytesPerFrame;
}

void FillAudio(void*, Uint8* out, int bytes) {
  const SteadyClock::time_point start = SteadyClock::now();
  int trackBytes = 0;
  if (stream.open && stream.playing) trackBytes = PullTrackAudio(out, bytes);
  std::memset(out + trackBytes, 0, static_cast<std::size_t>(bytes - trackBytes));
  if (!stream.playing) return;
  stream.callbackNanoseconds +=
      std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - start).count();
  ++stream.callbacks;
  // After the end of the track the last refill stays the anchor, so the
  // position plays out the tail in real time and settles on the end.
  if (trackBytes == 0 && stream.anchor.valid) return;
  stream.anchor.valid = true;
  stream.anchor.firstFrame = stream.framesHanded;
  stream.anchor.frames = trackBytes / kBytesPerFrame;
  stream.anchor.time = start;
  stream.framesHanded += trackBytes / kBytesPerFrame;
}

// Only 16-bit stereo comes out of the decoder (mono is doubled), at the
// track's own rate; the converter takes it to the device rate.
bool ConfigureDecoderFormats(mpg123_handle* decoder) {
  if (mpg123_format_none(decoder) != MPG123_OK) return false;
  const long* rates = nullptr;
  std::size_t count = 0;
  mpg123_rates(&rates, &count);
  for (std::size_t i = 0; i < count; ++i)
    if (mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
  return true;
}

void CloseDecoder(Decoder& decoder) {
  if (decoder.handle) {
    mpg123_close(decoder.handle);
    mpg123_delete(decoder.handle);
  }
  decoder = Decoder{};
}

void ReleaseDecoder() {
  CloseDecoder(stream.decoder);
  if (stream.converter) SDL_FreeAudioStream(stream.converter);
  stream.converter = nullptr;
}

// Opens a decoder over data[0 .. size) and reads up to the first frame
// header; the error code when that fails, with the decoder left for
// CloseDecoder either way.
int OpenDecoder(Decoder& decoder, const std::uint8_t* data, std::size_t size, int* trackRate) {
  decoder = Decoder{};
  decoder.reader = MemoryReader{data, size, 0};
  int err = MPG123_OK;
  decoder.handle = mpg123_new(nullptr, &err);
  if (!decoder.handle) return kSoundOutOfMemory;
  // Gapless decoding drops the encoder delay named in the stream's tag, so the
  // position follows the timeline the track was written on.
  mpg123_param(decoder.handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  if (!ConfigureDecoderFormats(decoder.handle)) return kSoundOutOfMemory;
  if (mpg123_replace_reader_handle(decoder.handle, ReadMemory, SeekMemory, nullptr) != MPG123_OK)
    return kSoundOutOfMemory;
  if (mpg123_open_handle(decoder.handle, &decoder.reader) != MPG123_OK) return kSoundUnknownFormat;
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(decoder.handle, &rate, &channels, &encoding) != MPG123_OK) {
    return mpg123_errcode(decoder.handle) == MPG123_OUT_OF_MEM ? kSoundOutOfMemory : kSoundUnknownFormat;
  }
  *trackRate = static_cast<int>(rate);
  return kSoundOk;
}

}  // namespace

float SoundLibraryVersion() {
  const int api = std::min(MPG123_API_VERSION, 99);
  return 3.0f + static_cast<float>(api) / 100.0f;
}

bool SoundInit(int mixRate) {
  if (output.initialised) return Fail(kSoundAlreadyInitialised);
  if (mixRate <= 0) return Fail(kSoundInvalidParameter);
  if (mpg123_init() != MPG123_OK) return Fail(kSoundOutOfMemory);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Fail(kSoundOutputInitFailed);
  SDL_AudioSpec want{};
  want.freq = mixRate;
  want.format = AUDIO_S16SYS;
  want.channels = kOutputChannels;
  want.samples = kDeviceBufferFrames;
  want.callback = FillAudio;
  SDL_AudioSpec have{};
  output.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (output.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return Fail(kSoundOutputInitFailed);
  }
  output.initialised = true;
  output.rate = have.freq;
  output.bufferFrames = have.samples;
  return Succeed();
}

bool SoundOpenMemoryStream(const std::uint8_t* data, std::size_t size) {
  if (!output.initialised) return Fail(kSoundNotInitialised);
  if (stream.open) return Fail(kSoundInvalidParameter);
  if (size == 0) return Fail(kSoundUnknownFormat);  // an empty file holds no audio
  if (!data) return Fail(kSoundInvalidParameter);
  // The callback only touches the stream once it is marked open, so the
  // decoder can be prepared here without the device lock.
  int trackRate = 0;
  const int code = OpenDecoder(stream.decoder, data, size, &trackRate);
  stream.trackRate = trackRate;
  if (code != kSoundOk) {
    ReleaseDecoder();
    return Fail(code);
  }
  stream.converter = SDL_NewAudioStream(AUDIO_S16SYS, kOutputChannels, trackRate, AUDIO_S16SYS, kOutputChannels,
                                        output.rate);
  if (!stream.converter) {
    ReleaseDecoder();
    return Fail(kSoundOutOfMemory);
  }
  SDL_LockAudioDevice(output.device);
  stream.open = true;
  stream.playing = false;
  stream.paused = false;
  stream.decoderEnded = false;
  stream.framesHanded = 0;
  stream.anchor = PlaybackAnchor{};
  stream.lastReportedFrame = 0;
  stream.callbackNanoseconds = 0;
  stream.callbacks = 0;
  SDL_UnlockAudioDevice(output.device);
  return Succeed();
}

SoundDecodeResult SoundDecodeMemory(const std::uint8_t* data, std::size_t size, std::int64_t maxFrames) {
  SoundDecodeResult result;
  if (size == 0) result.error = kSoundUnknownFormat;
  else if (!data) result.error = kSoundInvalidParameter;
  else if (mpg123_init() != MPG123_OK) result.error = kSoundOutOfMemory;
  if (result.error == kSoundOk) {
    Decoder decoder;
    result.error = OpenDecoder(decoder, data, size, &result.trackRate);
    unsigned char buffer[sizeof stream.scratch];
    while (result.error == kSoundOk && !result.ended && result.frames < maxFrames) {
      const std::int64_t room = std::min<std::int64_t>(sizeof buffer / kBytesPerFrame, maxFrames - result.frames);
      const std::size_t capacity = static_cast<std::size_t>(room) * kBytesPerFrame;
      const std::size_t got = DecodeNext(decoder, buffer, capacity, &result.ended);
      result.frames += static_cast<std::int64_t>(got / kBytesPerFrame);
    }
    CloseDecoder(decoder);
  }
  output.lastError = result.error;
  return result;
}

bool SoundPlay() {
  if (!output.initialised) return Fail(kSoundNotInitialised);
  if (!stream.open) return Fail(kSoundInvalidParameter);
  if (stream.playing) return Fail(kSoundPlayFailed);
  SDL_LockAudioDevice(output.device);
  stream.playing = true;
  SDL_UnlockAudioDevice(output.device);
  SDL_PauseAudioDevice(output.device, 0);
  return Succeed();
}

int SoundPositionMs() {
  if (!stream.open || output.rate <= 0) return 0;
  if (stream.paused) return static_cast<int>(stream.lastReportedFrame * 1000 / output.rate);
  SDL_LockAudioDevice(output.device);
  const PlaybackAnchor anchor = stream.anchor;
  SDL_UnlockAudioDevice(output.device);
  std::int64_t frame = 0;
  if (anchor.valid) {
    // At a refill the device still holds about one buffer ahead of the
    // speaker; from there the sound moves on in real time, but never past
    // the end of what the device has been given.
    const double elapsed = std::chrono::duration<double>(SteadyClock::now() - anchor.time).count();
    const double heard = static_cast<double>(anchor.firstFrame - output.bufferFrames) + elapsed * output.rate;
    const double handed = static_cast<double>(anchor.firstFrame + anchor.frames);
    frame = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::min(heard, handed)));
  }
  // Refills arriving early would otherwise step the estimate back.
  frame = std::max(frame, stream.lastReportedFrame);
  stream.lastReportedFrame = frame;
  return static_cast<int>(frame * 1000 / output.rate);
}

bool SoundSetPaused(bool paused) {
  if (!stream.open || !stream.playing) return Fail(kSoundInvalidParameter);
  if (paused == stream.paused) return Succeed();
  if (paused) {
    SoundPositionMs();  // the position heard now is where it stays
    SDL_PauseAudioDevice(output.device, 1);
    stream.paused = true;
    return Succeed();
  }
  // The old anchor's time lies in the past: wait for a fresh refill, holding
  // the position where it stopped until then.
  SDL_LockAudioDevice(output.device);
  stream.anchor.valid = false;
  SDL_UnlockAudioDevice(output.device);
  stream.paused = false;
  SDL_PauseAudioDevice(output.device, 0);
  return Succeed();
}

bool SoundPaused() { return stream.paused; }

bool SoundSeekMs(int ms) {
  if (!stream.open || stream.trackRate <= 0 || output.rate <= 0) return Fail(kSoundInvalidParameter);
  if (ms < 0) ms = 0;
  const off_t trackFrame = static_cast<off_t>(static_cast<std::int64_t>(ms) * stream.trackRate / 1000);
  SDL_LockAudioDevice(output.device);
  const off_t reached = mpg123_seek(stream.decoder.handle, trackFrame, SEEK_SET);
  SDL_AudioStreamClear(stream.converter);
  stream.decoderEnded = reached < 0;  // past the end of the track: silence from here
  stream.decoder.emptyReads = 0;
  stream.framesHanded = static_cast<std::int64_t>(ms) * output.rate / 1000;
  stream.anchor = PlaybackAnchor{};
  // The position may step back here, and only here.
  stream.lastReportedFrame = stream.framesHanded;
  SDL_UnlockAudioDevice(output.device);
  return Succeed();
}

bool SoundStalled() {
  if (!stream.open || !stream.playing || stream.paused || output.rate <= 0) return false;
  if (SDL_GetAudioDeviceStatus(output.device) == SDL_AUDIO_STOPPED) return true;  // the device is gone
  SDL_LockAudioDevice(output.device);
  const bool ended = stream.decoderEnded;
  const std::int64_t handed = stream.framesHanded;
  SDL_UnlockAudioDevice(output.device);
  return ended && stream.lastReportedFrame >= handed;
}

int SoundLastError() { return output.lastError; }

void SoundCloseStream() {
  if (!stream.open) return;
  SDL_PauseAudioDevice(output.device, 1);
  SDL_LockAudioDevice(output.device);
  stream.open = false;
  stream.playing = false;
  stream.paused = false;
  SDL_UnlockAudioDevice(output.device);
  ReleaseDecoder();
}

void SoundClose() {
  SoundCloseStream();
  if (!output.initialised) return;
  SDL_CloseAudioDevice(output.device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  output.device = 0;
  output.initialised = false;
  output.rate = 0;
  output.bufferFrames = 0;
}

SoundStats SoundStreamStats() {
  SoundStats stats{};
  if (!output.initialised) return stats;
  SDL_LockAudioDevice(output.device);
  stats.framesHanded = stream.framesHanded;
  stats.callbackNanoseconds = stream.callbackNanoseconds;
  stats.callbacks = stream.callbacks;
  SDL_UnlockAudioDevice(output.device);
  stats.outputRate = output.rate;
  return stats;
}

}  // namespace velkor
