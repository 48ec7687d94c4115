// What ffmpeg is asked to do: the containers' codecs and its argument list;
// the child process and its pipes are the system's (render_video_posix.cpp).
#include "tools/render/render_video.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace velkor {

namespace {

// What each container holds, as ffmpeg output options.
struct ContainerCodecs {
  VideoContainer container;
  const char* extension;
  std::vector<std::string> video, audio, muxer;
};
const ContainerCodecs kContainers[] = {
    // The quality (-crf) is added from the settings.
    {VideoContainer::Mp4, ".mp4", {"-c:v", "libx264", "-preset", "medium", "-pix_fmt", "yuv420p"},
     {"-c:a", "aac", "-b:a", "192k"}, {"-movflags", "+faststart"}},
    // Lossless: every frame on its own, RGB kept as it is; checksums per slice.
    {VideoContainer::Mkv, ".mkv", {"-c:v", "ffv1", "-level", "3", "-g", "1", "-slices", "4", "-slicecrc", "1",
                                   "-pix_fmt", "bgr0"},
     {"-c:a", "flac", "-frame_size", "1024"}, {}},
    {VideoContainer::Mov, ".mov", {"-c:v", "prores_ks", "-profile:v", "4444", "-pix_fmt", "yuv444p10le"},
     {"-c:a", "pcm_s16le"}, {}},
};

const ContainerCodecs& CodecsOf(VideoContainer container) {
  for (const ContainerCodecs& c : kContainers)
    if (c.container == container) return c;
  return kContainers[0];
}

// The most sample frames an audio encoder here takes in one block.
constexpr std::int64_t kSoundBlock = 1024;

}  // namespace

bool VideoHasSound(const VideoSettings& s) { return s.music && !s.music->samples.empty(); }

VideoContainer VideoContainerForPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return VideoContainer::None;
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const ContainerCodecs& c : kContainers)
    if (extension == c.extension) return c.container;
  return VideoContainer::None;
}

std::vector<std::string> VideoEncoderArguments(const VideoSettings& s) {
  const std::string rate = std::to_string(s.fpsNum) + "/" + std::to_string(s.fpsDen);
  const ContainerCodecs& codecs = CodecsOf(s.container);
  std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-nostats", "-y"};
  // ffmpeg opens its inputs one after the other and reads from each before
  // it goes on: the sound comes first, with a lead of silence to read, so it
  // never waits on sound that only follows frames it has not taken yet; both
  // are read no further than a packet before the encoding starts. It then
  // takes no frame until the sound's encoder has had its first block (1024
  // samples, hence FLAC's short blocks), so it must queue the frames that
  // carry that much sound, with room to spare: a few at 60 fps, a hundred at
  // 1000 fps.
  if (VideoHasSound(s))
    args.insert(args.end(), {"-probesize", "32", "-analyzeduration", "0", "-f", "s16le", "-ar",
                             std::to_string(s.music->rate), "-ac", "2", "-i",
                             "pipe:" + std::to_string(kVideoSoundDescriptor)});
  const std::int64_t queue =
      VideoHasSound(s) ? 8 + (4 * kSoundBlock * s.fpsNum + s.music->rate * s.fpsDen - 1) / (s.music->rate * s.fpsDen) : 8;
  args.insert(args.end(), {"-thread_queue_size", std::to_string(queue), "-probesize", "32", "-analyzeduration", "0",
                           "-f", "rawvideo", "-pix_fmt", "rgb24",
                           "-video_size", std::to_string(s.width) + "x" + std::to_string(s.height), "-framerate",
                           rate, "-i", "pipe:0"});
  if (VideoHasSound(s)) args.insert(args.end(), {"-map", "1:v:0", "-map", "0:a:0"});
  args.insert(args.end(), codecs.video.begin(), codecs.video.end());
  if (s.container == VideoContainer::Mp4) args.insert(args.end(), {"-crf", std::to_string(s.crf)});
  args.insert(args.end(), {"-r", rate});
  if (VideoHasSound(s)) {
    args.insert(args.end(), {"-af", "atrim=start_sample=" + std::to_string(kVideoSoundLead) + ",asetpts=N/SR/TB"});
    args.insert(args.end(), codecs.audio.begin(), codecs.audio.end());
    if (s.audioRate > 0) args.insert(args.end(), {"-ar", std::to_string(s.audioRate)});
  }
  args.insert(args.end(), codecs.muxer.begin(), codecs.muxer.end());
  args.push_back(s.outputPath);
  return args;
}

}  // namespace velkor
