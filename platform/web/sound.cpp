// The sound layer of the browser build: the same libmpg123 decoding as the
// desktop (mp3_decoder), played through Web Audio. The track is decoded half
// a second at a time into AudioBuffers scheduled back to back on the audio
// context's clock, a few seconds ahead; the position is that clock, minus the
// output's latency, mapped back to track frames. Sound needs a click on the
// page first, which is when the page starts the show.
#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>

#include <algorithm>
#include <vector>

#include "platform/mp3_decoder.h"
#include "platform/sound.h"

namespace velkor {

namespace {

constexpr double kChunkSeconds = 0.5;
constexpr double kAheadSeconds = 3.0;
constexpr double kLeadSeconds = 0.1;  // from scheduling to the first sample heard
constexpr int kPumpIntervalMs = 250;

struct Stream {
  bool open = false, playing = false, paused = false, decoderEnded = false;
  int trackRate = 0;
  Mp3Decoder decoder;
  double anchorTime = 0.0;          // audio-context time at which track frame 0 is heard
  std::int64_t scheduledFrames = 0;  // track frames handed to the context
  std::int64_t lastReportedFrame = 0;
  std::int64_t chunks = 0;
  std::vector<unsigned char> pcm;
};

bool initialised = false;
int lastError = kSoundOk;
long pumpTimer = 0;
Stream stream;

bool Fail(int code) {
  lastError = code;
  return false;
}

bool Succeed() {
  lastError = kSoundOk;
  return true;
}

// When the audio the context is playing now was written, in context seconds.
double HeardTime() {
  return EM_ASM_DOUBLE({
    const a = Module.velkorAudio;
    return a.currentTime - (a.outputLatency || a.baseLatency || 0);
  });
}

double ContextTime() { return EM_ASM_DOUBLE({ return Module.velkorAudio.currentTime; }); }

void StopScheduled() {
  EM_ASM({
    for (const s of Module.velkorSources) { try { s.stop(); } catch (e) {} }
    Module.velkorSources = [];
  });
}

// Hands one chunk of 16-bit stereo to the context, to start at `when`.
void ScheduleChunk(const unsigned char* pcm, int frames, int rate, double when) {
  EM_ASM({
    const a = Module.velkorAudio;
    const frames = $1;
    const buffer = a.createBuffer(2, frames, $2);
    const left = buffer.getChannelData(0);
    const right = buffer.getChannelData(1);
    const samples = HEAP16.subarray($0 >> 1, ($0 >> 1) + 2 * frames);
    for (let i = 0; i < frames; ++i) {
      left[i] = samples[2 * i] / 32768;
      right[i] = samples[2 * i + 1] / 32768;
    }
    const source = a.createBufferSource();
    source.buffer = buffer;
    source.connect(a.destination);
    source.start($3);
    source.onended = () => {
      const list = Module.velkorSources;
      const at = list.indexOf(source);
      if (at >= 0) list.splice(at, 1);
    };
    Module.velkorSources.push(source);
  }, pcm, frames, rate, when);
}

// Keeps a few seconds decoded and scheduled ahead of what is heard. After a
// gap (the page was throttled) the schedule starts again just ahead of now,
// so sound and position stay together.
void Pump() {
  if (!stream.open || !stream.playing || stream.paused || stream.trackRate <= 0) return;
  const double now = ContextTime();
  const double rate = stream.trackRate;
  if (!stream.decoderEnded && stream.anchorTime + stream.scheduledFrames / rate < now + 0.02)
    stream.anchorTime = now + kLeadSeconds - stream.scheduledFrames / rate;
  const int chunkFrames = static_cast<int>(rate * kChunkSeconds);
  stream.pcm.resize(static_cast<std::size_t>(chunkFrames) * kMp3BytesPerFrame);
  while (!stream.decoderEnded && stream.anchorTime + stream.scheduledFrames / rate < now + kAheadSeconds) {
    std::size_t filled = 0;
    while (filled < stream.pcm.size() && !stream.decoderEnded) {
      bool ended = false;
      filled += DecodeMp3Next(stream.decoder, stream.pcm.data() + filled, stream.pcm.size() - filled, &ended);
      stream.decoderEnded = ended;
    }
    const int frames = static_cast<int>(filled / kMp3BytesPerFrame);
    if (frames == 0) break;
    ScheduleChunk(stream.pcm.data(), frames, stream.trackRate, stream.anchorTime + stream.scheduledFrames / rate);
    stream.scheduledFrames += frames;
    ++stream.chunks;
  }
}

void PumpTimer(void*) { Pump(); }

}  // namespace

float SoundLibraryVersion() {
  const int api = std::min(MPG123_API_VERSION, 99);
  return 3.0f + static_cast<float>(api) / 100.0f;
}

bool SoundInit(int mixRate) {
  if (initialised) return Fail(kSoundAlreadyInitialised);
  if (mixRate <= 0) return Fail(kSoundInvalidParameter);
  if (mpg123_init() != MPG123_OK) return Fail(kSoundOutOfMemory);
  const int ok = EM_ASM_INT({
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    Module.velkorAudio = new Context();
    Module.velkorSources = [];
    Module.velkorAudio.resume();
    return 1;
  });
  if (!ok) return Fail(kSoundOutputInitFailed);
  initialised = true;
  pumpTimer = emscripten_set_interval(PumpTimer, kPumpIntervalMs, nullptr);
  return Succeed();
}

bool SoundOpenMemoryStream(const std::uint8_t* data, std::size_t size) {
  if (!initialised) return Fail(kSoundNotInitialised);
  if (stream.open) return Fail(kSoundInvalidParameter);
  if (size == 0) return Fail(kSoundUnknownFormat);
  if (!data) return Fail(kSoundInvalidParameter);
  stream = Stream{};
  const int code = OpenMp3Decoder(stream.decoder, data, size, &stream.trackRate);
  if (code != kSoundOk) {
    CloseMp3Decoder(stream.decoder);
    stream = Stream{};
    return Fail(code);
  }
  stream.open = true;
  return Succeed();
}

SoundDecodeResult SoundDecodeMemory(const std::uint8_t* data, std::size_t size, std::int64_t maxFrames) {
  const SoundDecodeResult result = DecodeMp3Memory(data, size, maxFrames);
  lastError = result.error;
  return result;
}

bool SoundPlay() {
  if (!initialised) return Fail(kSoundNotInitialised);
  if (!stream.open) return Fail(kSoundInvalidParameter);
  if (stream.playing) return Fail(kSoundPlayFailed);
  stream.playing = true;
  stream.anchorTime = ContextTime() + kLeadSeconds;
  Pump();
  return Succeed();
}

int SoundPositionMs() {
  if (!stream.open || stream.trackRate <= 0) return 0;
  if (stream.playing && !stream.paused) {
    Pump();
    const double heard = (HeardTime() - stream.anchorTime) * stream.trackRate;
    const std::int64_t frame =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(heard), 0, stream.scheduledFrames);
    stream.lastReportedFrame = std::max(stream.lastReportedFrame, frame);
  }
  return static_cast<int>(stream.lastReportedFrame * 1000 / stream.trackRate);
}

bool SoundSetPaused(bool paused) {
  if (!stream.open || !stream.playing) return Fail(kSoundInvalidParameter);
  if (paused == stream.paused) return Succeed();
  if (paused) {
    SoundPositionMs();
    EM_ASM({ Module.velkorAudio.suspend(); });
  } else {
    // The schedule resumes where the context's clock stopped; the position
    // is held until it has caught up with where it stood.
    EM_ASM({ Module.velkorAudio.resume(); });
  }
  stream.paused = paused;
  return Succeed();
}

bool SoundPaused() { return stream.paused; }

bool SoundSeekMs(int ms) {
  if (!stream.open || stream.trackRate <= 0) return Fail(kSoundInvalidParameter);
  if (ms < 0) ms = 0;
  const std::int64_t frame = static_cast<std::int64_t>(ms) * stream.trackRate / 1000;
  StopScheduled();
  const off_t reached = mpg123_seek(stream.decoder.handle, static_cast<off_t>(frame), SEEK_SET);
  stream.decoderEnded = reached < 0;  // past the end: silence from here
  stream.decoder.emptyReads = 0;
  stream.scheduledFrames = frame;
  stream.lastReportedFrame = frame;
  stream.anchorTime = ContextTime() + kLeadSeconds - static_cast<double>(frame) / stream.trackRate;
  Pump();
  return Succeed();
}

bool SoundStalled() {
  if (!stream.open || !stream.playing || stream.paused) return false;
  const bool closed = EM_ASM_INT({ return Module.velkorAudio.state === "closed" ? 1 : 0; });
  return closed || (stream.decoderEnded && stream.lastReportedFrame >= stream.scheduledFrames);
}

int SoundLastError() { return lastError; }

void SoundCloseStream() {
  if (!stream.open) return;
  StopScheduled();
  CloseMp3Decoder(stream.decoder);
  stream = Stream{};
}

void SoundClose() {
  SoundCloseStream();
  if (!initialised) return;
  emscripten_clear_interval(pumpTimer);
  EM_ASM({
    Module.velkorAudio.close();
    Module.velkorAudio = null;
  });
  initialised = false;
}

SoundStats SoundStreamStats() {
  SoundStats stats{};
  stats.framesHanded = stream.scheduledFrames;
  stats.callbacks = static_cast<int>(stream.chunks);
  stats.outputRate = stream.trackRate;
  return stats;
}

}  // namespace velkor
