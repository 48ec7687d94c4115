// The ffmpeg child process, its frame pipe and its sound pipe.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tools/render/render_video.h"

namespace velkor {

namespace {

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

bool OpenVideo(const VideoSettings& s) {
  int frames[2] = {-1, -1}, sound[2] = {-1, -1};
  if (pipe(frames) != 0 || (VideoHasSound(s) && pipe(sound) != 0)) {
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
    if (sound[0] >= 0) dup2(sound[0], kVideoSoundDescriptor);
    // Standard error stays the renderer's, for ffmpeg's own messages.
    for (int fd : {frames[0], frames[1], sound[0], sound[1]})
      if (fd > kVideoSoundDescriptor) close(fd);
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
  if (VideoHasSound(s)) {
    video.firstSample = s.musicOffsetMs * s.music->rate / 1000;
    const std::vector<std::int16_t> lead(kVideoSoundLead * 2, 0);
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
