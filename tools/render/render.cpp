// velkor-tools render: runs the show headless against a virtual music clock,
// one drawn frame per pass at a fixed frame rate, and writes the selected
// frames as PNG files and/or a video with the music.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
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
#include "tools/render/draw_target.h"
#include "tools/render/frame_pixels.h"
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

// The headless context and where the show will draw in it: the limits of
// this GL are known here, before any output file is made.
bool OpenContext(const RenderOptions& o, std::string* error) {
  if (!PlatformOpenHeadless(o.width, o.height)) {
    *error = "no headless GL context of " + std::to_string(o.width) + "x" + std::to_string(o.height);
    return false;
  }
  int w = 0, h = 0;
  PlatformDrawableSize(&w, &h);
  if (w != o.width || h != o.height) {
    *error = "the headless GL context is " + std::to_string(w) + "x" + std::to_string(h) + ", not " +
             std::to_string(o.width) + "x" + std::to_string(o.height);
    return false;
  }
  return OpenDrawTarget(DrawTargetSize{o.width, o.height, o.ssaa, o.msaa}, error);
}

// The show as the player starts it, on the drawn size.
bool StartShow() {
  SetKeepPictureAspect(true);
  ResizeViewport(DrawWidth(), DrawHeight());
  AlignDrawTargetViewport();
  UseVirtualClock(true);
  SetVirtualClockMs(0);
  return InitRenderer();
}

void StopShow() {
  StopMusic();
  CloseDrawTarget();
  CloseDisplayWindow();
}

// The drawn frame as output pixels, top row first.
void ReadFrame(const RenderOptions& o, std::vector<std::uint8_t>* drawn, std::vector<std::uint8_t>* topDown) {
  drawn->resize(static_cast<size_t>(DrawWidth()) * DrawHeight() * 3);
  topDown->resize(static_cast<size_t>(o.width) * o.height * 3);
  ReadDrawTarget(drawn->data());
  ReduceFrame(drawn->data(), DrawTargetTopRowFirst(), o.width, o.height, o.ssaa, topDown->data());
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
  AlignDrawTargetScissor();
  RenderFrame();
  glFinish();
  r.drawMicros =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  return r;
}

struct RenderRun {
  const RenderOptions* options;
  std::string ffmpegPath;
  MusicPcm music;  // the video's sound; empty: none
  FILE* stats = nullptr;
  bool videoOpen = false;
  std::int64_t written = 0;
  std::vector<std::uint8_t> bottomUp, topDown;
};

bool WriteSelectedFrame(RenderRun* run, const FrameRecord& frame) {
  const RenderOptions& o = *run->options;
  if (o.outDir.empty() && o.videoPath.empty()) return true;
  ReadFrame(o, &run->bottomUp, &run->topDown);
  if (!o.outDir.empty() &&
      !WritePngRgb(o.outDir + "/" + FrameFileName(frame.pass), o.width, o.height, run->topDown.data()))
    return false;
  if (!o.videoPath.empty()) {
    if (!run->videoOpen) {
      VideoSettings v;
      v.ffmpegPath = run->ffmpegPath;
      v.outputPath = o.videoPath;
      v.container = VideoContainerForPath(o.videoPath);
      v.width = o.width;
      v.height = o.height;
      v.fpsNum = o.fpsNum;
      v.fpsDen = o.fpsDen;
      if (o.crf >= 0) v.crf = o.crf;
      v.audioRate = o.audioRate;
      v.music = &run->music;
      v.musicOffsetMs = frame.ms;
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

// An interrupt (SIGINT) or a termination request (SIGTERM) ends the render
// after the frame in hand, with the outputs closed properly; a second one
// ends the program at once.
volatile std::sig_atomic_t stopSignal = 0;

void NoteStopSignal(int signal) { stopSignal = signal; }

void CatchStopSignals(bool on) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = on ? NoteStopSignal : SIG_DFL;
  action.sa_flags = on ? SA_RESETHAND | SA_RESTART : 0;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
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
    if (done || PastSelection(o, pass, demoTicks) || stopSignal != 0) break;
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

// Everything about the arguments and the data that can be found wrong before the first frame.
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
  const std::string musicPath = CheckDataDirectory(!o->videoPath.empty());
  std::string error;
  if (!o->videoPath.empty() && !musicPath.empty() && !DecodeMusicFile(musicPath, &run->music, &error))
    return Fail(error);
  return 0;
}

// The output files, once the context has shown that it can draw the frames.
int OpenOutputs(RenderOptions* o, RenderRun* run) {
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

// The render proper, once the options are known to be well formed.
int Render(RenderOptions* options, RenderRun* run) {
  if (const int status = PrepareRun(options, run)) return status;
  std::string error;
  if (!OpenContext(*options, &error)) {
    StopShow();
    return Fail(error);
  }
  if (const int status = OpenOutputs(options, run)) {
    FinishOutputs(run, false);
    StopShow();
    return status;
  }
  dataWarnings = 0;
  SetLogSink(NoteDataWarning);
  if (!StartShow()) {
    SetLogSink(nullptr);
    FinishOutputs(run, false);
    StopShow();
    return Fail("the show could not start");
  }
  BeginProgress();
  bool ok = RunPasses(run);
  ok = FinishOutputs(run, ok);
  StopShow();
  SetLogSink(nullptr);
  const bool wantedFrames = !options->outDir.empty() || !options->videoPath.empty();
  if (ok && wantedFrames && run->written == 0 && stopSignal == 0) return Fail("no frame lies in the selected range");
  if (dataWarnings > 0)
    std::fprintf(stderr, "velkor-tools render: %d data warning%s\n", dataWarnings, dataWarnings == 1 ? "" : "s");
  if (ok && options->strict && dataWarnings > 0) return Fail("--strict: the data set has damaged or missing files");
  return ok ? 0 : 1;
}

// After a stop signal: what was written is complete and closed, and the last
// line says how much.
void ReportStop(const RenderOptions& o, const RenderRun& run) {
  EndProgress();
  const bool both = !o.videoPath.empty() && !o.outDir.empty();
  const std::string held = both ? o.videoPath + " and " + o.outDir + " each hold" : o.videoPath + o.outDir + " holds";
  const char* cause = stopSignal == SIGINT ? "an interrupt" : "a termination request";
  if (o.videoPath.empty() && o.outDir.empty())
    std::fprintf(stderr, "velkor-tools render: stopped by %s\n", cause);
  else
    std::fprintf(stderr, "velkor-tools render: stopped by %s: %s %lld frames\n", cause, held.c_str(),
                 static_cast<long long>(run.written));
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
  // Before the video system starts: SDL takes these signals only where nobody has.
  stopSignal = 0;
  CatchStopSignals(true);
  const int status = Render(&options, &run);
  CatchStopSignals(false);
  if (stopSignal == 0) return status;
  ReportStop(options, run);
  return status == 0 ? 128 + stopSignal : status;
}

}  // namespace velkor
