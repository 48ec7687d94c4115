// The sound layer: one in-memory MP3 stream decoded by libmpg123 and played
// once through SDL audio output, with a playback position fit to drive the
// show's clock. Calls are made from one thread; decoding happens on the audio
// thread, a little at a time, so playback starts without decoding the track.
//
// Every call that can fail records an error code 0 .. 19 (0 after success),
// read with SoundLastError; the codes are the ones SoundErrorText names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velkor {

enum SoundError : int {
  kSoundOk = 0,
  kSoundAlreadyInitialised = 1,   // SoundInit twice without SoundClose
  kSoundNotInitialised = 2,       // a stream call before SoundInit
  kSoundOutputInitFailed = 3,     // no audio driver or no output device
  kSoundPlayFailed = 5,           // the stream is already playing
  kSoundUnknownFormat = 10,       // the data holds no decodable MP3 audio
  kSoundLoadFailed = 11,          // the data could not be read whole
  kSoundOutOfMemory = 12,
  kSoundInvalidParameter = 14,    // no data, or no stream where one is needed
};

// The layer's version: 3 + (libmpg123 API version) / 100, e.g. 3.47 for API
// 47. Generation 3 is this call set; the fraction tells the decoder interface
// it was built against, so a build against a decoder older than API 33 (too
// old for the feed-free reader replacement used here) reads below 3.33.
float SoundLibraryVersion();

// False when VELKOR_SYNC=off is in the environment: then the clock keeps
// back one device buffer whatever the sound system says, and the player draws
// each frame for its clock reading, as before either was known; for comparing.
bool SoundSyncAidsWanted();

// Opens the default output device at mixRate Hz, 16-bit stereo (SDL converts
// to whatever the hardware wants). SDL_AUDIODRIVER chooses the driver.
bool SoundInit(int mixRate);

// Opens the MP3 in data[0 .. size) as the stream, reading its first frame
// header. data must stay alive and unchanged until SoundCloseStream.
bool SoundOpenMemoryStream(const std::uint8_t* data, std::size_t size);

// What SoundDecodeMemory made of a music block.
struct SoundDecodeResult {
  int error = kSoundOk;     // the code SoundOpenMemoryStream would record for the block
  int trackRate = 0;        // Hz, from the first frame header
  std::int64_t frames = 0;  // sample frames decoded (16-bit stereo, at trackRate)
  bool ended = false;       // the track ended within them
};

// Opens the MP3 in data[0 .. size) as SoundOpenMemoryStream does and decodes
// it as playback would, up to maxFrames sample frames or its end, with no
// output device and without SoundInit: a check of a music block that needs no
// sound hardware. Records its error code like the other calls.
SoundDecodeResult SoundDecodeMemory(const std::uint8_t* data, std::size_t size, std::int64_t maxFrames);

// Starts the stream from its beginning; it plays once and then falls silent.
bool SoundPlay();

// Milliseconds of the stream heard so far: 0 until play, then following the
// audio leaving the device, interpolated between device refills with a
// monotonic clock, less the output's delay (what the sound system reports
// for the stream, where it does, else the device's buffer), never
// decreasing, never ahead of the audio handed to the device, and still at
// the track's length once it has ended. 0 without a stream.
int SoundPositionMs();

// Pauses or resumes the playing stream; the position stands still while paused.
bool SoundSetPaused(bool paused);
bool SoundPaused();

// Moves the playing stream to ms of the track (past the end: silence, and the
// position still reads ms). The position jumps there at once and runs on from
// it; this is the one way it can go back.
bool SoundSeekMs(int ms);

// True once the playing stream can no longer move on: its track has ended and
// been heard to the last sample, or the output device has gone away.
bool SoundStalled();

int SoundLastError();

// Stops and releases the stream; harmless without one.
void SoundCloseStream();

// Closes the stream if open, the device and the audio subsystem; harmless
// when nothing is open.
void SoundClose();

// Counters for measuring the layer: frames of the track handed to the device,
// time spent in the audio callback (decoding and conversion), and how far the
// heard position trails what was handed (from the device's buffer, or from
// what the sound system reported when delayReported).
struct SoundStats {
  std::int64_t framesHanded;
  std::int64_t callbackNanoseconds;
  int callbacks;
  int outputRate;
  double delayFrames;
  bool delayReported;
};
SoundStats SoundStreamStats();

}  // namespace velkor
