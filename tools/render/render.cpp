// velkor-tools render: runs the show headless against a virtual music clock,
// one drawn frame per pass at a fixed frame rate, and writes the selected
// frames as PNG files and/or a video with the music.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/shell.h"
#include "assets/prepare.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "music/timeline.h"
#include "platform/gl.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "scenes/scenes.h"
#include "tools/render/draw_target.h"
#include "tools/render/frame_output.h"
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

// Data files the show could not use: each reported as it happens, and counted.
int dataWarnings = 0;

void NoteDataWarning(const char* line) {
  ++dataWarnings;
  std::fprintf(stderr, "velkor-tools render: warning: %s\n", line);
}

// Missing data is the scenes' business; only say what will be missing. Both
// count as data warnings, so --strict refuses a set without its music too.
std::string CheckDataDirectory(bool video) {
  const std::string music = ResolveDataPath(kMusicFileName);
  if (!IsFile(music))
    NoteDataWarning((std::string("no ") + kMusicFileName + " here" + (video ? "; the video will be silent" : "")).c_str());
  if (!IsDirectory(ResolveDataPath("data"))) NoteDataWarning("no data directory here; the scenes will be mostly empty");
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
  // Every setup waits for its prepared files, so each run takes the same path.
  SetPreparationWaits(true);
  PrepareSceneAhead(0);
  return InitRenderer();
}

void StopShow() {
  StopPreparation();
  StopMusic();
  CloseDrawTarget();
  CloseDisplayWindow();
}

struct FrameRecord {
  std::int64_t pass;
  std::int64_t ms;
  int sceneIndex;
  float sceneTicks;
  long long drawMicros;
  long long setupMicros;  // in this pass's clock step
};

using SteadyClock = std::chrono::steady_clock;

double SecondsSince(SteadyClock::time_point start) {
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// Draws one frame as the main loop does. Timed to completion when asked;
// otherwise only handed to the rasterizer, which finishes it while this
// thread goes on with the next pass (a frame read back is waited for there).
FrameRecord DrawPass(std::int64_t pass, std::int64_t ms, bool toCompletion) {
  FrameRecord r{pass, ms, sceneIndex, sceneTicks, 0, 0};
  const auto start = SteadyClock::now();
  ClearOutsidePicture();
  AlignDrawTargetScissor();
  RenderFrame();
  if (toCompletion) glFinish();
  else glFlush();
  r.drawMicros = std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start).count();
  return r;
}

struct RenderRun {
  const RenderOptions* options;
  std::string ffmpegPath;
  MusicPcm music;  // the video's sound; empty: none
  FILE* stats = nullptr;
  bool outputStarted = false, videoOpen = false;
  std::deque<std::int64_t> reading;  // passes being read back, oldest first
  std::int64_t drawn = 0, written = 0;
  double drawSeconds = 0.0, readSeconds = 0.0;  // on this thread
};

bool OpenVideoAt(RenderRun* run, std::int64_t firstMs) {
  const RenderOptions& o = *run->options;
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
  v.musicOffsetMs = firstMs;
  run->videoOpen = OpenVideo(v);
  return run->videoOpen;
}

// The oldest frame being read back, to the writers.
bool HandOverOldestFrame(RenderRun* run) {
  std::vector<std::uint8_t>* buffer = TakeFrameBuffer();
  const auto start = SteadyClock::now();
  const bool ok = FinishReadback(buffer->data());
  run->readSeconds += SecondsSince(start);
  if (ok) SubmitFrame(buffer, run->reading.front());
  else GiveBackFrameBuffer(buffer);
  if (!ok) std::fprintf(stderr, "velkor-tools render: the frame of pass %lld could not be read back\n",
                        static_cast<long long>(run->reading.front()));
  run->reading.pop_front();
  return ok;
}

// A selected frame starts on its way out: read back while the next frame is
// drawn, then reduced and written by the workers.
bool QueueSelectedFrame(RenderRun* run, const FrameRecord& frame) {
  if (!run->options->videoPath.empty() && !run->videoOpen && !OpenVideoAt(run, frame.ms)) return false;
  const auto start = SteadyClock::now();
  StartReadback();
  run->readSeconds += SecondsSince(start);
  run->reading.push_back(frame.pass);
  return ReadbacksPending() < kReadbacksInFlight || HandOverOldestFrame(run);
}

void WriteStatsLine(FILE* stats, const FrameRecord& f) {
  std::fprintf(stats, "%lld,%lld,%d,%.6f,%lld,%lld\n", static_cast<long long>(f.pass), static_cast<long long>(f.ms),
               f.sceneIndex, static_cast<double>(f.sceneTicks), f.drawMicros, f.setupMicros);
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

ProgressSample SampleProgress(const RenderRun& run, const FrameRecord& f) {
  const RenderOptions& o = *run.options;
  ProgressSample sample{f.pass, f.ms, f.sceneIndex, 0.0, -1.0, 0.0, 0.0, 0.0};
  const double seconds = ProgressSeconds();
  if (seconds <= 0.0) return sample;
  sample.framesPerSecond = static_cast<double>(f.pass + 1) / seconds;
  const double passesLeft = (ExpectedEndMs(o) - static_cast<double>(f.ms)) * o.fpsNum / (1000.0 * o.fpsDen);
  sample.secondsLeft = (passesLeft > 0.0 ? passesLeft : 0.0) / sample.framesPerSecond;
  sample.drawShare = run.drawSeconds / seconds;
  sample.readShare = run.readSeconds / seconds;
  sample.writeShare = run.outputStarted ? FrameOutputWaitSeconds() / seconds : 0.0;
  return sample;
}

// An interrupt (SIGINT) or a termination request (SIGTERM) ends the render
// after the frame in hand, with the outputs closed properly; a second one
// ends the program at once.
volatile std::sig_atomic_t stopSignal = 0;

// (The handler puts the default back itself, as SA_RESETHAND would, so the
// same code serves where sigaction is missing.)
void NoteStopSignal(int signal) {
  stopSignal = signal;
  std::signal(signal, SIG_DFL);
}

void CatchStopSignals(bool on) {
  std::signal(SIGINT, on ? NoteStopSignal : SIG_DFL);
  std::signal(SIGTERM, on ? NoteStopSignal : SIG_DFL);
}

// The main loop with the virtual clock: step, draw, write when selected.
bool RunPasses(RenderRun* run) {
  const RenderOptions& o = *run->options;
  FrameRecord last{};
  bool ok = true;
  TakeSetupMicros();
  for (std::int64_t pass = 0; ok; ++pass) {
    const std::int64_t ms = PassMusicMs(pass, o.fpsNum, o.fpsDen);
    SetVirtualClockMs(static_cast<int>(ms));
    const bool done = StepClock(MusicPositionMs());
    const bool selected = PassSelected(o, pass, demoTicks) && run->outputStarted;
    last = DrawPass(pass, ms, selected || run->stats);
    last.setupMicros = TakeSetupMicros();
    run->drawSeconds += static_cast<double>(last.drawMicros) * 1e-6;
    run->drawn = pass + 1;
    if (run->stats) WriteStatsLine(run->stats, last);
    if (selected) ok = QueueSelectedFrame(run, last);
    ok = ok && !(run->outputStarted && FrameOutputFailed());
    ReportProgress(SampleProgress(*run, last), false);
    if (done || PastSelection(o, pass, demoTicks) || stopSignal != 0) break;
  }
  while (!run->reading.empty()) ok = HandOverOldestFrame(run) && ok;
  ReportProgress(SampleProgress(*run, last), true);
  EndProgress();
  return ok;
}

bool FinishOutputs(RenderRun* run, bool ok) {
  if (run->outputStarted) ok = FinishFrameOutput() && ok;
  run->outputStarted = false;
  if (run->videoOpen) ok = CloseVideo() && ok;
  run->videoOpen = false;
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
    std::fprintf(run->stats, "frame,ms,sceneIndex,sceneTicks,drawMicros,setupMicros\n");
  }
  if (!o->outDir.empty() || !o->videoPath.empty()) {
    FrameOutputSettings f;
    f.width = o->width;
    f.height = o->height;
    f.factor = o->ssaa;
    f.topRowFirst = DrawTargetTopRowFirst();
    f.pngDir = o->outDir;
    f.video = !o->videoPath.empty();
    StartFrameOutput(f);
    run->outputStarted = true;
  }
  return 0;
}

// "... 12690 frames drawn, 12690 written, 250.1 s, 50.7 fps; drawing 71%, reading back 2%, waiting for
// the writers 24%; writers busy 180.2 s": the shares are of this thread's wall-clock time, the
// writers' own time is summed over the workers.
void ReportSummary(const RenderRun& run) {
  const double seconds = ProgressSeconds();
  const double share = seconds > 0.0 ? 100.0 / seconds : 0.0;
  const bool frames = !run.options->outDir.empty() || !run.options->videoPath.empty();
  const double wait = frames ? FrameOutputWaitSeconds() : 0.0, busy = frames ? FrameOutputBusySeconds() : 0.0;
  std::fprintf(stderr,
               "velkor-tools render: %lld frames drawn, %lld written, %.1f s, %.1f fps; drawing %.0f%%, reading "
               "back %.0f%%, waiting for the writers %.0f%%; writers busy %.1f s\n",
               static_cast<long long>(run.drawn), static_cast<long long>(run.written), seconds,
               seconds > 0.0 ? static_cast<double>(run.drawn) / seconds : 0.0, run.drawSeconds * share,
               run.readSeconds * share, wait * share, busy);
}

// The render proper, once the options are known to be well formed.
int Render(RenderOptions* options, RenderRun* run) {
  dataWarnings = 0;
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
  run->written = FramesWritten();
  ReportSummary(*run);
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
