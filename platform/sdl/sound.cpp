// The sound layer over SDL audio output and libmpg123: one MP3 stream read
// straight from memory, decoded a buffer at a time inside the audio callback
// and converted to the device rate, and a playback position derived from the
// audio the device has been handed.
#include "platform/sound.h"

#include <SDL2/SDL.h>

#include "platform/heard_position.h"
#include "platform/mp3_decoder.h"
#include "platform/output_latency.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace velkor {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kOutputChannels = 2;
constexpr int kBytesPerFrame = kMp3BytesPerFrame;
constexpr int kDeviceBufferFrames = 1024;

// Written by the audio callback under the device lock; read by the main
// thread under the same lock.
struct PlaybackAnchor {
  bool valid = false;
  std::int64_t firstFrame = 0;   // track frames handed before the latest refill
  int frames = 0;                // track frames in the latest refill
  SteadyClock::time_point time;  // when the latest refill began
};

struct Stream {
  bool open = false;
  bool playing = false;
  bool paused = false;
  int trackRate = 0;
  bool decoderEnded = false;
  Mp3Decoder decoder;
  SDL_AudioStream* converter = nullptr;
  std::int64_t framesHanded = 0;
  PlaybackAnchor anchor;
  std::int64_t lastReportedFrame = 0;  // main thread only
  std::int64_t callbackNanoseconds = 0;
  int callbacks = 0;
  unsigned char scratch[16384];
};

// Until the sound system reports, the speaker is taken to trail each refill
// by the device's own buffer; once it does, the heard position comes from its
// reports alone. Written by the latency watcher and read by the main thread,
// under the device lock.
constexpr double kSteadyRefillSeconds = 0.5;  // refills come more often while the sound plays on
struct OutputDelay {
  HeardPosition heard;
  SteadyClock::time_point epoch;  // the reports' clock seconds count from here
  bool reported = false;
};

struct Output {
  bool initialised = false;
  SDL_AudioDeviceID device = 0;
  int rate = 0;
  int bufferFrames = 0;
  int lastError = kSoundOk;
  OutputDelay delay;
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

// Decodes into the converter until it holds `bytes` of device audio or the
// track has ended, then hands out what it has. Runs on the audio thread.
// The converter keeps the first frame's rate: a track that changes rate
// midway plays its later part at the wrong speed rather than stopping.
int PullTrackAudio(Uint8* out, int bytes) {
  while (!stream.decoderEnded && SDL_AudioStreamAvailable(stream.converter) < bytes) {
    bool ended = false;
    const std::size_t got = DecodeMp3Next(stream.decoder, stream.scratch, sizeof stream.scratch, &ended);
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

double SecondsSince(SteadyClock::time_point epoch, SteadyClock::time_point at) {
  return std::chrono::duration<double>(at - epoch).count();
}

// Starts the heard position afresh: a new stream, a seek, a pause ended.
// Called under the device lock.
void ForgetReports() { ClearHeardPosition(&output.delay.heard, output.rate); }

// A report of the sound system: audio handed to it waits delayMicros before
// it is heard. Runs on the latency watcher's thread.
void NoteReportedDelay(std::int64_t delayMicros, SteadyClock::time_point askedAt, SteadyClock::time_point answeredAt) {
  if (!output.initialised) return;
  SDL_LockAudioDevice(output.device);
  // While the server fills its buffer before it starts playing, or the
  // stream stands still for another reason, refills stop and what it holds
  // says nothing of the sound moving on: only steady playback gives reports.
  const double sinceRefillSeconds = SecondsSince(stream.anchor.time, answeredAt);
  if (stream.open && stream.playing && !stream.paused && stream.anchor.valid && !stream.decoderEnded &&
      sinceRefillSeconds < kSteadyRefillSeconds) {
    // Everything handed before a refill began has gone on to the sound
    // system by then; a refill begun since the question leaves that unknown.
    const double written = stream.anchor.time <= askedAt ? static_cast<double>(stream.anchor.firstFrame) : -1;
    const double held = static_cast<double>(delayMicros) * output.rate / 1e6;
    if (NoteHeardReport(&output.delay.heard, SecondsSince(output.delay.epoch, askedAt),
                        SecondsSince(output.delay.epoch, answeredAt), static_cast<double>(stream.framesHanded),
                        written, held))
      output.delay.reported = true;
  }
  SDL_UnlockAudioDevice(output.device);
}

void ReleaseDecoder() {
  CloseMp3Decoder(stream.decoder);
  if (stream.converter) SDL_FreeAudioStream(stream.converter);
  stream.converter = nullptr;
}

}  // namespace

float SoundLibraryVersion() {
  const int api = std::min(MPG123_API_VERSION, 99);
  return 3.0f + static_cast<float>(api) / 100.0f;
}

bool SoundSyncAidsWanted() {
  const char* setting = std::getenv("VELKOR_SYNC");
  return !setting || std::strcmp(setting, "off") != 0;
}

bool SoundInit(int mixRate) {
  if (output.initialised) return Fail(kSoundAlreadyInitialised);
  if (mixRate <= 0) return Fail(kSoundInvalidParameter);
  if (mpg123_init() != MPG123_OK) return Fail(kSoundOutOfMemory);
  // The programs have their own main(), not SDL's (on Windows SDL refuses to
  // start until told so).
  SDL_SetMainReady();
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
  output.delay = OutputDelay{};
  output.delay.epoch = SteadyClock::now();
  ForgetReports();
  if (SoundSyncAidsWanted()) StartOutputLatencyWatch(NoteReportedDelay);
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
  const int code = OpenMp3Decoder(stream.decoder, data, size, &trackRate);
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
  ForgetReports();
  stream.lastReportedFrame = 0;
  stream.callbackNanoseconds = 0;
  stream.callbacks = 0;
  SDL_UnlockAudioDevice(output.device);
  return Succeed();
}

SoundDecodeResult SoundDecodeMemory(const std::uint8_t* data, std::size_t size, std::int64_t maxFrames) {
  const SoundDecodeResult result = DecodeMp3Memory(data, size, maxFrames);
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

// The frame being heard now, before the guard against stepping back; under
// the device lock.
double HeardFrameNow(SteadyClock::time_point now) {
  const PlaybackAnchor& anchor = stream.anchor;
  if (!anchor.valid) return 0;
  const double handed = static_cast<double>(anchor.firstFrame + anchor.frames);
  double heard = 0;
  if (!HeardFrameAt(output.delay.heard, SecondsSince(output.delay.epoch, now), &heard)) {
    // No word from the sound system: at a refill the speaker trails it by
    // the device's buffer, and from there the sound moves on in real time.
    heard = static_cast<double>(anchor.firstFrame) - output.bufferFrames +
            SecondsSince(anchor.time, now) * output.rate;
  }
  // Never past the end of what the device has been given.
  return std::max(0.0, std::min(heard, handed));
}

int SoundPositionMs() {
  if (!stream.open || output.rate <= 0) return 0;
  if (stream.paused) return static_cast<int>(stream.lastReportedFrame * 1000 / output.rate);
  SDL_LockAudioDevice(output.device);
  std::int64_t frame = static_cast<std::int64_t>(HeardFrameNow(SteadyClock::now()));
  SDL_UnlockAudioDevice(output.device);
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
  ForgetReports();
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
  ForgetReports();
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
  StopOutputLatencyWatch();
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
  // The latency watcher writes the reports under the same lock.
  stats.delayFrames = static_cast<double>(stream.framesHanded) - HeardFrameNow(SteadyClock::now());
  stats.delayReported = output.delay.reported;
  SDL_UnlockAudioDevice(output.device);
  stats.outputRate = output.rate;
  return stats;
}

}  // namespace velkor
