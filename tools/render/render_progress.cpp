// Progress reporting for "velkor-tools render".
#include "tools/render/render_progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace velkor {

namespace {

struct ProgressState {
  std::chrono::steady_clock::time_point start;
  double lastShown = -1.0;
  bool inPlace = false;
  bool lineOpen = false;
};
ProgressState progress;

}  // namespace

std::string FormatProgress(const ProgressSample& s) {
  const std::int64_t ms = s.musicMs < 0 ? 0 : s.musicMs;
  char left[32] = "";
  if (s.secondsLeft >= 0.0) {
    const long long whole = static_cast<long long>(s.secondsLeft + 0.5);
    std::snprintf(left, sizeof left, "  %lld:%02lld left", whole / 60, whole % 60);
  }
  char text[200];
  std::snprintf(text, sizeof text,
                "frame %lld  music %02lld:%02lld.%03lld  scene %d  %.1f fps  draw %.0f%% read %.0f%% write %.0f%%%s",
                static_cast<long long>(s.pass), static_cast<long long>(ms / 60000),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000), s.sceneIndex,
                s.framesPerSecond, 100.0 * s.drawShare, 100.0 * s.readShare, 100.0 * s.writeShare, left);
  return text;
}

void BeginProgress() {
  progress = ProgressState();
  progress.start = std::chrono::steady_clock::now();
  progress.inPlace = isatty(STDERR_FILENO) == 1;
}

double ProgressSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - progress.start).count();
}

void ReportProgress(const ProgressSample& sample, bool force) {
  const double now = ProgressSeconds();
  const double interval = progress.inPlace ? 0.2 : 1.0;
  if (!force && progress.lastShown >= 0.0 && now - progress.lastShown < interval) return;
  if (!force && progress.lastShown < 0.0 && now < interval) return;
  progress.lastShown = now;
  const std::string line = FormatProgress(sample);
  if (progress.inPlace) {
    std::fprintf(stderr, "\r%-100s", line.c_str());
    progress.lineOpen = true;
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  std::fflush(stderr);
}

void EndProgress() {
  if (progress.lineOpen) std::fputc('\n', stderr);
  progress.lineOpen = false;
}

}  // namespace velkor
