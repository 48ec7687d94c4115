// The ffmpeg child process, its frame pipe and its sound pipe.
#include "tools/render/render_video.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The sound goes to ffmpeg on this descriptor ("pipe:3"), after a lead of
// this many silent sample frames that ffmpeg cuts off again.
constexpr int kSoundDescriptor = 3;
constexpr int kSoundLead = 4096;
// The most sample frames an audio encoder here takes in one block.
constexpr std::int64_t kSoundBlock = 1024;

struct VideoPipe {
  pid_t child = -1;
  int videoFd = -1, soundFd = -1;
  size_t frameBytes = 0;
  std::string outputPath;
  VideoSettings settings;
  std::int64_t frames = 0;
  std::int64_t firstSample = 0;  // of the music, at the first frame
};
VideoPipe video;

bool WriteAll(int fd, const void* data, size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (count > 0) {
    const ssize_t n = write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

// Sample frames of the sound after n video frames: n frame durations, rounded down.
std::int64_t SoundLength(std::int64_t frames) {
  const VideoSettings& s = video.settings;
  return frames * s.music->rate * s.fpsDen / s.fpsNum;
}

// The music from where the sound has got to up to the end of the frames
// written, silence where the track has ended.
bool WriteSoundUpTo(std::int64_t frames) {
  const MusicPcm& music = *video.settings.music;
  const std::int64_t from = video.firstSample + SoundLength(frames - 1), to = video.firstSample + SoundLength(frames);
  std::vector<std::int16_t> chunk(static_cast<size_t>(to - from) * 2, 0);
  const std::int64_t have = static_cast<std::int64_t>(music.samples.size() / 2);
  if (from < have)
    std::copy(music.samples.begin() + from * 2, music.samples.begin() + std::min(to, have) * 2, chunk.begin());
  return WriteAll(video.soundFd, chunk.data(), chunk.size() * sizeof(std::int16_t));
}

bool HasSound(const VideoSettings& s) { return s.music && !s.music->samples.empty(); }

void CloseIfOpen(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

std::string FindProgramOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0 ? program : "";
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    if (colon == std::string::npos) colon = dirs.size();
    std::string dir = dirs.substr(start, colon - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = colon + 1;
  }
  return "";
}

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
  if (HasSound(s))
    args.insert(args.end(), {"-probesize", "32", "-analyzeduration", "0", "-f", "s16le", "-ar",
                             std::to_string(s.music->rate), "-ac", "2", "-i",
                             "pipe:" + std::to_string(kSoundDescriptor)});
  const std::int64_t queue =
      HasSound(s) ? 8 + (4 * kSoundBlock * s.fpsNum + s.music->rate * s.fpsDen - 1) / (s.music->rate * s.fpsDen) : 8;
  args.insert(args.end(), {"-thread_queue_size", std::to_string(queue), "-probesize", "32", "-analyzeduration", "0",
                           "-f", "rawvideo", "-pix_fmt", "rgb24",
                           "-video_size", std::to_string(s.width) + "x" + std::to_string(s.height), "-framerate",
                           rate, "-i", "pipe:0"});
  if (HasSound(s)) args.insert(args.end(), {"-map", "1:v:0", "-map", "0:a:0"});
  args.insert(args.end(), codecs.video.begin(), codecs.video.end());
  if (s.container == VideoContainer::Mp4) args.insert(args.end(), {"-crf", std::to_string(s.crf)});
  args.insert(args.end(), {"-r", rate});
  if (HasSound(s)) {
    args.insert(args.end(), {"-af", "atrim=start_sample=" + std::to_string(kSoundLead) + ",asetpts=N/SR/TB"});
    args.insert(args.end(), codecs.audio.begin(), codecs.audio.end());
    if (s.audioRate > 0) args.insert(args.end(), {"-ar", std::to_string(s.audioRate)});
  }
  args.insert(args.end(), codecs.muxer.begin(), codecs.muxer.end());
  args.push_back(s.outputPath);
  return args;
}

bool OpenVideo(const VideoSettings& s) {
  int frames[2] = {-1, -1}, sound[2] = {-1, -1};
  if (pipe(frames) != 0 || (HasSound(s) && pipe(sound) != 0)) {
    for (int fd : {frames[0], frames[1], sound[0], sound[1]})
      if (fd >= 0) close(fd);
    std::fprintf(stderr, "cannot create a pipe to ffmpeg\n");
    return false;
  }
  const std::vector<std::string> args = VideoEncoderArguments(s);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(s.ffmpegPath.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    dup2(frames[0], STDIN_FILENO);
    if (sound[0] >= 0) dup2(sound[0], kSoundDescriptor);
    // Standard error stays the renderer's, for ffmpeg's own messages.
    for (int fd : {frames[0], frames[1], sound[0], sound[1]})
      if (fd > kSoundDescriptor) close(fd);
    execv(s.ffmpegPath.c_str(), argv.data());
    _exit(127);
  }
  for (int fd : {frames[0], sound[0]})
    if (fd >= 0) close(fd);
  if (child < 0) {
    for (int fd : {frames[1], sound[1]})
      if (fd >= 0) close(fd);
    std::fprintf(stderr, "cannot start %s\n", s.ffmpegPath.c_str());
    return false;
  }
  // A dead encoder shows as a failed write, not as a killed renderer.
  signal(SIGPIPE, SIG_IGN);
  for (int fd : {frames[1], sound[1]})
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
  // Room for the sound's lead and for a few seconds of sound while ffmpeg
  // takes the first frame; fewer, larger hand-overs of frames. Linux's
  // unprivileged limit; the default size is kept where refused.
  for (int fd : {frames[1], sound[1]})
    if (fd >= 0) fcntl(fd, F_SETPIPE_SZ, 1 << 20);
  video = VideoPipe();
  video.child = child;
  video.videoFd = frames[1];
  video.soundFd = sound[1];
  video.frameBytes = static_cast<size_t>(s.width) * s.height * 3;
  video.outputPath = s.outputPath;
  video.settings = s;
  if (HasSound(s)) {
    video.firstSample = s.musicOffsetMs * s.music->rate / 1000;
    const std::vector<std::int16_t> lead(kSoundLead * 2, 0);
    if (!WriteAll(video.soundFd, lead.data(), lead.size() * sizeof(std::int16_t))) {
      std::fprintf(stderr, "ffmpeg did not take the sound for %s\n", s.outputPath.c_str());
      CloseVideo();
      return false;
    }
  }
  return true;
}

bool WriteVideoFrame(const std::uint8_t* pixels) {
  if (video.videoFd < 0) return false;
  bool ok = WriteAll(video.videoFd, pixels, video.frameBytes);
  if (ok) ++video.frames;
  if (ok && video.soundFd >= 0) ok = WriteSoundUpTo(video.frames);
  if (!ok) std::fprintf(stderr, "ffmpeg stopped taking frames for %s\n", video.outputPath.c_str());
  return ok;
}

bool CloseVideo() {
  if (video.child < 0) return false;
  CloseIfOpen(&video.videoFd);
  CloseIfOpen(&video.soundFd);
  int status = 0;
  while (waitpid(video.child, &status, 0) < 0 && errno == EINTR) {
  }
  video = VideoPipe();
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok) std::fprintf(stderr, "ffmpeg failed to write the video\n");
  return ok;
}

}  // namespace velkor
