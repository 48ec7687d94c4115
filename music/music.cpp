// Music start and shutdown over the sound layer: the whole track is read into
// memory and played from there, so playback never waits on the disk.
#include "music/music.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "music/timeline.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/sound.h"

namespace velkor {

namespace {

constexpr float kMinimumSoundVersion = 3.33f;
constexpr int kMixRate = 44100;
// Far above any music track; a larger file is refused as out of memory.
constexpr std::size_t kMaxMusicBytes = std::size_t{512} << 20;

const char* const kErrorTexts[] = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};
constexpr unsigned kErrorTextCount = sizeof kErrorTexts / sizeof kErrorTexts[0];

// Read by the stream until it is closed, so it outlives it.
std::unique_ptr<std::uint8_t[]> musicData;
std::size_t musicSize = 0;

void ShowMusicError(const char* text) {
  ShowMessageBox(text, "ERROR!", MessageBoxButtons::Ok, MessageBoxIcon::None);
}

// Stream first, library next, buffer last: the stream reads the buffer.
void CloseEverything() {
  SoundCloseStream();
  SoundClose();
  musicData.reset();
  musicSize = 0;
}

bool FailWithText(const char* text) {
  ShowMusicError(text);
  CloseEverything();
  return false;
}

bool FailWithSoundError(int code) { return FailWithText(SoundErrorText(code)); }

// Sized from the file's end, allocated once and read in one call: start-up
// pays for the whole file but nothing more. A sound error code, 0 when read.
int ReadMusicFile(FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return kSoundLoadFailed;
  const long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return kSoundLoadFailed;
  if (static_cast<unsigned long>(size) > kMaxMusicBytes) return kSoundOutOfMemory;
  musicSize = static_cast<std::size_t>(size);
  musicData.reset(new (std::nothrow) std::uint8_t[musicSize]);
  if (!musicData) return kSoundOutOfMemory;
  if (std::fread(musicData.get(), 1, musicSize, file) != musicSize) return kSoundLoadFailed;
  return kSoundOk;
}

}  // namespace

bool StartMusic() {
  SetClockSource(ActiveClockSource());  // a fresh start: not paused, not stalled
  if (ActiveClockSource() == ClockSource::Virtual) return true;
  if (ActiveClockSource() == ClockSource::WallClock) {
    StartWallClock();
    return true;
  }
  if (SoundLibraryVersion() < kMinimumSoundVersion) {
    ShowMusicError("You are using the wrong fmod dll!");
    return false;
  }
  // Output type and driver: the layer always takes SDL's default device.
  if (!SoundInit(kMixRate)) {
    FailWithSoundError(SoundLastError());
    LogLine("no sound device could be opened; velkor --silent plays the show without sound");
    return false;
  }
  FILE* file = OpenDataFile(kMusicFileName, "rb");
  if (!file) {
    FailWithText("File Not Found!");
    const std::string& dir = DataDirectory();
    LogLine(std::string("no ") + kMusicFileName + " in " + (dir.empty() ? "the working directory" : dir) +
            "; \"velkor-tools make-data DIR\" writes the stand-in data set into DIR");
    return false;
  }
  const int readError = ReadMusicFile(file);
  std::fclose(file);
  if (readError != kSoundOk) return FailWithSoundError(readError);
  // A stream that does not open is reported like a failed play, with the
  // error of the open.
  if (!SoundOpenMemoryStream(musicData.get(), musicSize) || !SoundPlay())
    return FailWithSoundError(SoundLastError());
  return true;
}

void StopMusic() { CloseEverything(); }

const char* SoundErrorText(int code) {
  const unsigned index = static_cast<unsigned>(code);
  return index < kErrorTextCount ? kErrorTexts[index] : "Unknown error";
}

}  // namespace velkor
