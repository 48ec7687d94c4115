// Video capture through the ffmpeg program: raw RGB frames go down one pipe
// and the music, as 16-bit samples cut to the frames written, down another;
// ffmpeg encodes and muxes them into the container the file name asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/music_pcm.h"

namespace velkor {

// Full path of an executable named program on PATH; empty when there is none.
std::string FindProgramOnPath(const std::string& program);

// By the file's extension: .mp4 H.264 and AAC; .mkv lossless FFV1 in RGB and
// FLAC; .mov ProRes 4444 and 16-bit PCM. None for any other name.
enum class VideoContainer { None, Mp4, Mkv, Mov };
VideoContainer VideoContainerForPath(const std::string& path);

struct VideoSettings {
  std::string ffmpegPath;
  std::string outputPath;
  VideoContainer container = VideoContainer::Mp4;
  int width = 640, height = 480;
  std::int64_t fpsNum = 60, fpsDen = 1;
  int crf = 18;                       // H.264 quality (.mp4 only)
  int audioRate = 0;                  // the sound track's rate; 0: the music's own
  const MusicPcm* music = nullptr;    // null or empty: a video without sound
  std::int64_t musicOffsetMs = 0;     // music time of the first frame
};

// The sound goes to ffmpeg on this descriptor ("pipe:3"), after a lead of
// this many silent sample frames that ffmpeg cuts off again.
constexpr int kVideoSoundDescriptor = 3;
constexpr int kVideoSoundLead = 4096;

// Whether the video gets a sound track: music given and not empty.
bool VideoHasSound(const VideoSettings& settings);

// ffmpeg's argument list (without the program name) for these settings.
std::vector<std::string> VideoEncoderArguments(const VideoSettings& settings);

// Starts ffmpeg; false with a message when it cannot be started. ffmpeg runs
// in a process group of its own, so that an interrupt from the terminal
// reaches the renderer alone, which then closes the video properly.
bool OpenVideo(const VideoSettings& settings);
// One frame of width x height RGB pixels, top row first, followed by the
// music that plays during it: after n frames the sound is exactly as long as
// n frames at the frame rate (to the sample).
bool WriteVideoFrame(const std::uint8_t* pixels);
// Closes the pipes and waits; true when ffmpeg finished successfully.
bool CloseVideo();

}  // namespace velkor
