// Video capture through the ffmpeg program: raw RGB frames go down a pipe,
// ffmpeg encodes H.264 and muxes the music as AAC into an MP4.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkor {

// Full path of an executable named program on PATH; empty when there is none.
std::string FindProgramOnPath(const std::string& program);

struct VideoSettings {
  std::string ffmpegPath;
  std::string outputPath;
  std::string musicPath;  // empty: a video without sound
  int width = 640, height = 480;
  std::int64_t fpsNum = 60, fpsDen = 1;
  std::int64_t musicOffsetMs = 0;  // music time of the first frame
};

// ffmpeg's argument list (without the program name) for these settings.
std::vector<std::string> VideoEncoderArguments(const VideoSettings& settings);

// Starts ffmpeg; false with a message when it cannot be started.
bool OpenVideo(const VideoSettings& settings);
// One frame of width x height RGB pixels, top row first.
bool WriteVideoFrame(const std::uint8_t* pixels);
// Closes the pipe and waits; true when ffmpeg finished successfully.
bool CloseVideo();

}  // namespace velkor
