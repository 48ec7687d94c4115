// velkor-tools render: runs the show headless against a virtual music clock,
// one drawn frame per pass at a fixed frame rate, and writes the selected
// frames as PNG files and/or a video with the music.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/shell.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "music/timeline.h"
#include "platform/gl.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "tools/render/png_files.h"
#include "tools/render/render_options.h"
#include "tools/render/render_progress.h"
#include "tools/render/render_video.h"
#include "tools/render/render.h"

namespace velkor {

namespace {

namespace fs = std::filesystem;

int Fail(const std::string& message) {
  EndProgress();
  std::fprintf(stderr, "velkor-tools render: %s\n", message.c_str());
  return 1;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  return path.empty() ? path : fs::absolute(path, error).string();
}

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool MakeDirectories(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  return IsDirectory(path);
}

// Output paths are taken relative to where the command was started, before --data moves.
void MakeOutputPathsAbsolute(RenderOptions* o) {
  o->outDir = AbsolutePath(o->outDir);
  o->videoPath = AbsolutePath(o->videoPath);
  o->statsPath = AbsolutePath(o->statsPath);
}

// Missing data is the scenes' business; only say what will be missing.
std::string CheckDataDirectory(bool video) {
  const std::string music = ResolveDataPath(kMusicFileName);
  if (!IsFile(music))
    std::fprintf(stderr, "velkor-tools render: warning: no %s here%s\n", kMusicFileName,
                 video ? "; the video will be silent" : "");
  if (!IsDirectory(ResolveDataPath("data")))
    std::fprintf(stderr, "velkor-tools render: warning: no data directory here; the scenes will be mostly empty\n");
  return IsFile(music) ? AbsolutePath(music) : "";
}

bool StartShow(int width, int height) {
  if (!PlatformOpenHeadless(width, height)) return false;
  int w = 0, h = 0;
  PlatformDrawableSize(&w, &h);
  if (w != width || h != height) return false;
  SetKeepPictureAspect(true);
  ResizeViewport(width, height);
  UseVirtualClock(true);
  SetVirtualClockMs(0);
  if (!InitRenderer()) return false;
  // The offscreen context may be single-buffered: read where the show draws.
  GLint drawBuffer = GL_BACK;
  glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
  glReadBuffer(static_cast<GLenum>(drawBuffer));
  return true;
}

void StopShow() {
  StopMusic();
  CloseDisplayWindow();
}

// The drawn frame as RGB rows, top row first.
void ReadFrame(int width, int height, std::vector<std::uint8_t>* bottomUp, std::vector<std::uint8_t>* topDown) {
  const size_t stride = static_cast<size_t>(width) * 3;
  bottomUp->resize(stride * height);
  topDown->resize(stride * height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp->data());
  for (int row = 0; row < height; ++row)
    std::memcpy(topDown->data() + stride * row, bottomUp->data() + stride * (height - 1 - row), stride);
}

struct FrameRecord {
  std::int64_t pass;
  std::int64_t ms;
  int sceneIndex;
  float sceneTicks;
  long long drawMicros;
};

// Draws one frame as the main loop does and times it to completion.
FrameRecord DrawPass(std::int64_t pass, std::int64_t ms) {
  FrameRecord r{pass, ms, sceneIndex, sceneTicks, 0};
  const auto start = std::chrono::steady_clock::now();
  ClearOutsidePicture();
  RenderFrame();
  glFinish();
  r.drawMicros =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  return r;
}

struct RenderRun {
  const RenderOptions* options;
  std::string ffmpegPath, musicPath;
  FILE* stats = nullptr;
  bool videoOpen = false;
  std::int64_t written = 0;
  std::vector<std::uint8_t> bottomUp, topDown;
};

bool WriteSelectedFrame(RenderRun* run, const FrameRecord& frame) {
  const RenderOptions& o = *run->options;
  if (o.outDir.empty() && o.videoPath.empty()) return true;
  ReadFrame(o.width, o.height, &run->bottomUp, &run->topDown);
  if (!o.outDir.empty() &&
      !WritePngRgb(o.outDir + "/" + FrameFileName(frame.pass), o.width, o.height, run->topDown.data()))
    return false;
  if (!o.videoPath.empty()) {
    if (!run->videoOpen) {
      VideoSettings v{run->ffmpegPath, o.videoPath, run->musicPath, o.width, o.height, o.fpsNum, o.fpsDen, frame.ms};
      if (!OpenVideo(v)) return false;
      run->videoOpen = true;
    }
    if (!WriteVideoFrame(run->topDown.data())) return false;
  }
  ++run->written;
  return true;
}

void WriteStatsLine(FILE* stats, const FrameRecord& f) {
  std::fprintf(stats, "%lld,%lld,%d,%.6f,%lld\n", static_cast<long long>(f.pass), static_cast<long long>(f.ms),
               f.sceneIndex, static_cast<double>(f.sceneTicks), f.drawMicros);
}

// Music time at which the render is expected to stop, for the time-left estimate.
double ExpectedEndMs(const RenderOptions& o) {
  double endMs = NominalMsFromTicks(kShowLengthTicks);
  if (o.haveTo && NominalMsFromTicks(o.toTicks) < endMs) endMs = NominalMsFromTicks(o.toTicks);
  if (!o.passes.empty()) {
    const double lastMs = static_cast<double>(PassMusicMs(o.passes.back(), o.fpsNum, o.fpsDen));
    if (lastMs < endMs) endMs = lastMs;
  }
  return endMs;
}

ProgressSample SampleProgress(const RenderOptions& o, const FrameRecord& f) {
  const double seconds = ProgressSeconds();
  const double fps = seconds > 0.0 ? static_cast<double>(f.pass + 1) / seconds : 0.0;
  const double passesLeft = (ExpectedEndMs(o) - static_cast<double>(f.ms)) * o.fpsNum / (1000.0 * o.fpsDen);
  const double left = fps > 0.0 ? (passesLeft > 0.0 ? passesLeft : 0.0) / fps : -1.0;
  return ProgressSample{f.pass, f.ms, f.sceneIndex, fps, left};
}

// The main loop with the virtual clock: step, draw, write when selected.
bool RunPasses(RenderRun* run) {
  const RenderOptions& o = *run->options;
  FrameRecord last{};
  for (std::int64_t pass = 0;; ++pass) {
    const std::int64_t ms = PassMusicMs(pass, o.fpsNum, o.fpsDen);
    SetVirtualClockMs(static_cast<int>(ms));
    const bool done = StepClock(MusicPositionMs());
    last = DrawPass(pass, ms);
    if (run->stats) WriteStatsLine(run->stats, last);
    if (PassSelected(o, pass, demoTicks) && !WriteSelectedFrame(run, last)) {
      EndProgress();
      return false;
    }
    ReportProgress(SampleProgress(o, last), false);
    if (done || PastSelection(o, pass, demoTicks)) break;
  }
  ReportProgress(SampleProgress(o, last), true);
  EndProgress();
  std::fprintf(stderr, "velkor-tools render: %lld frames drawn, %lld written, %.1f s\n",
               static_cast<long long>(last.pass + 1), static_cast<long long>(run->written), ProgressSeconds());
  return true;
}

bool FinishOutputs(RenderRun* run, bool ok) {
  if (run->videoOpen) ok = CloseVideo() && ok;
  if (run->stats && std::fclose(run->stats) != 0) {
    std::fprintf(stderr, "velkor-tools render: cannot write %s\n", run->options->statsPath.c_str());
    ok = false;
  }
  run->stats = nullptr;
  return ok;
}

// Everything that can be found wrong before the first frame.
int PrepareRun(RenderOptions* o, RenderRun* run) {
  MakeOutputPathsAbsolute(o);
  if (!o->videoPath.empty()) {
    run->ffmpegPath = FindProgramOnPath("ffmpeg");
    if (run->ffmpegPath.empty()) return Fail("--video needs the ffmpeg program, and none is on PATH");
    const std::string parent = o->videoPath.substr(0, o->videoPath.rfind('/'));
    if (!IsDirectory(parent.empty() ? "/" : parent))
      return Fail("cannot write " + o->videoPath + ": no such directory");
  }
  if (!o->dataDir.empty() && (!IsDirectory(o->dataDir) || chdir(o->dataDir.c_str()) != 0))
    return Fail("data directory '" + o->dataDir + "' does not exist");
  run->musicPath = CheckDataDirectory(!o->videoPath.empty());
  if (!o->outDir.empty() && !MakeDirectories(o->outDir)) return Fail("cannot create " + o->outDir);
  if (!o->statsPath.empty()) {
    run->stats = std::fopen(o->statsPath.c_str(), "w");
    if (!run->stats) return Fail("cannot write " + o->statsPath);
    std::fprintf(run->stats, "frame,ms,sceneIndex,sceneTicks,drawMicros\n");
  }
  return 0;
}

// Data files the show could not use: each reported as it happens, and counted.
int dataWarnings = 0;

void NoteDataWarning(const char* line) {
  ++dataWarnings;
  std::fprintf(stderr, "velkor-tools render: warning: %s\n", line);
}

}  // namespace

int RenderCommand(int argc, char** argv) {
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "velkor-tools render: %s\n%s", error.c_str(), RenderUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(RenderUsage(), stdout);
    return 0;
  }
  RenderRun run;
  run.options = &options;
  if (const int status = PrepareRun(&options, &run)) {
    FinishOutputs(&run, false);
    return status;
  }
  dataWarnings = 0;
  SetLogSink(NoteDataWarning);
  if (!StartShow(options.width, options.height)) {
    SetLogSink(nullptr);
    FinishOutputs(&run, false);
    StopShow();
    return Fail("no headless GL context of " + std::to_string(options.width) + "x" + std::to_string(options.height));
  }
  BeginProgress();
  bool ok = RunPasses(&run);
  ok = FinishOutputs(&run, ok);
  StopShow();
  SetLogSink(nullptr);
  const bool wantedFrames = !options.outDir.empty() || !options.videoPath.empty();
  if (ok && wantedFrames && run.written == 0) return Fail("no frame lies in the selected range");
  if (dataWarnings > 0)
    std::fprintf(stderr, "velkor-tools render: %d data warning%s\n", dataWarnings, dataWarnings == 1 ? "" : "s");
  if (ok && options.strict && dataWarnings > 0) return Fail("--strict: the data set has damaged or missing files");
  return ok ? 0 : 1;
}

}  // namespace velkor
