// The ffmpeg child process and its frame pipe.
#include "tools/render/render_video.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace velkor {

namespace {

struct VideoPipe {
  pid_t child = -1;
  int fd = -1;
  size_t frameBytes = 0;
  std::string outputPath;
};
VideoPipe video;

std::string SecondsText(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  return text;
}

bool WriteAll(int fd, const std::uint8_t* bytes, size_t count) {
  while (count > 0) {
    const ssize_t n = write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<size_t>(n);
  }
  return true;
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

std::vector<std::string> VideoEncoderArguments(const VideoSettings& s) {
  const std::string rate = std::to_string(s.fpsNum) + "/" + std::to_string(s.fpsDen);
  std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-nostats", "-y",
                                   "-f", "rawvideo", "-pix_fmt", "rgb24",
                                   "-video_size", std::to_string(s.width) + "x" + std::to_string(s.height),
                                   "-framerate", rate, "-i", "pipe:0"};
  if (!s.musicPath.empty()) {
    // Seeking the input makes the sound start at the first frame's music time.
    if (s.musicOffsetMs > 0) args.insert(args.end(), {"-ss", SecondsText(s.musicOffsetMs)});
    args.insert(args.end(), {"-i", s.musicPath, "-map", "0:v:0", "-map", "1:a:0"});
  }
  args.insert(args.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
                           "-r", rate});
  if (!s.musicPath.empty()) {
    // Silence pads music that ends early; the picture decides the length.
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-af", "apad", "-shortest"});
  }
  args.insert(args.end(), {"-movflags", "+faststart", s.outputPath});
  return args;
}

bool OpenVideo(const VideoSettings& s) {
  int fds[2];
  if (pipe(fds) != 0) {
    std::fprintf(stderr, "cannot create a pipe to ffmpeg\n");
    return false;
  }
  const std::vector<std::string> args = VideoEncoderArguments(s);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(s.ffmpegPath.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    std::fprintf(stderr, "cannot start %s\n", s.ffmpegPath.c_str());
    return false;
  }
  if (child == 0) {
    dup2(fds[0], STDIN_FILENO);
    close(fds[0]);
    close(fds[1]);
    execv(s.ffmpegPath.c_str(), argv.data());
    _exit(127);
  }
  close(fds[0]);
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  // A dead encoder shows as a failed write, not as a killed renderer.
  signal(SIGPIPE, SIG_IGN);
  video.child = child;
  video.fd = fds[1];
  video.frameBytes = static_cast<size_t>(s.width) * s.height * 3;
  video.outputPath = s.outputPath;
  return true;
}

bool WriteVideoFrame(const std::uint8_t* pixels) {
  if (video.fd < 0) return false;
  if (WriteAll(video.fd, pixels, video.frameBytes)) return true;
  std::fprintf(stderr, "ffmpeg stopped taking frames for %s\n", video.outputPath.c_str());
  return false;
}

bool CloseVideo() {
  if (video.child < 0) return false;
  close(video.fd);
  int status = 0;
  while (waitpid(video.child, &status, 0) < 0 && errno == EINTR) {
  }
  video = VideoPipe();
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok) std::fprintf(stderr, "ffmpeg failed to write the video\n");
  return ok;
}

}  // namespace velkor
