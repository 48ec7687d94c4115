// What a scene switch costs the drawing thread: each scene's setup on the
// stand-in data, on the software renderer, with its files prepared ahead and
// without (argument 1 or 0), glFinish included, so the uploads count. Before
// each setup, what the player does while the scene before plays is done too
// (freed memory kept, the reserve touched, the draw states met), so the
// setup meets the memory and drawing code it meets in the show. Mean and
// worst of 20. And the player's start-up, from the moment the process is
// started to its first presented frame (seen in its --frame-times file), in a
// window on a private X server, with preparation on and off.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/shell.h"
#include "assets/prepare.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/memory.h"
#include "proc/noise.h"
#include "scenes/scenes.h"
#include "scenes/warm_up.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "support/tool_support.h"
#include "support/virtual_display.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

void (*const kSetups[kSceneCount])() = {SetupScene0, SetupScene1, SetupScene2, SetupScene3, SetupScene4, SetupScene5};

// A copy of the stand-in data set as the working directory, and a context.
bool EnterDataCopy() {
  static test::TempDir dir;
  static const bool ready = [] {
    const std::string data = test::StandinDataDir();
    if (data.empty() || !test::EnsureHeadlessContext()) return false;
    fs::copy(data, dir.path(), fs::copy_options::recursive);
    KeepFreedMemory();  // as the player's start-up does
    InitNoiseTables();
    SetGlobalGlState();
    return chdir(dir.path().c_str()) == 0;
  }();
  return ready;
}

// Arguments: scene, prepared (1) or not (0).
void BM_SceneSetup(benchmark::State& state) {
  if (!EnterDataCopy()) {
    state.SkipWithError("no stand-in data or no GL context");
    return;
  }
  const int scene = static_cast<int>(state.range(0));
  const bool prepared = state.range(1) != 0;
  SetPreparationEnabled(prepared);
  double worstMs = 0.0;
  for (auto _ : state) {
    if (prepared) {
      PrepareSceneAhead(scene);
      WaitForPreparation();
    }
    // What the player does while the scene before plays: its reserve of
    // memory touched and its draw states met.
    ScheduleWarmUp(scene);
    while (WarmUpStep()) {
    }
    glFinish();
    const auto start = SteadyClock::now();
    sceneIndex = scene;
    kSetups[scene]();
    glFinish();
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    state.SetIterationTime(seconds);
    worstMs = std::max(worstMs, seconds * 1000.0);
  }
  state.counters["worst_ms"] = worstMs;
  DiscardPreparation();
}
BENCHMARK(BM_SceneSetup)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})
    ->ArgNames({"scene", "prepared"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Whether a --frame-times file has its first frame line yet.
bool HasFirstFrame(const std::string& path) {
  std::ifstream in(path);
  std::string header, line;
  return std::getline(in, header) && std::getline(in, line) && !line.empty();
}

// Argument: preparation on (1) or off (0).
void BM_StartupToFirstFrame(benchmark::State& state) {
  const std::string data = test::StandinDataDir();
  if (!test::XvfbInstalled() || data.empty()) {
    state.SkipWithError("needs Xvfb and the stand-in data");
    return;
  }
  test::VirtualDisplay display;
  test::TempDir dir;
  const std::string csv = dir.path() + "/frames.csv";
  for (auto _ : state) {
    std::remove(csv.c_str());
    const auto start = SteadyClock::now();
    test::ChildProcess show(test::ProgramPath("VELKOR_SHOW"),
                            {"--windowed", "--silent", "--data", data, "--frame-times", csv},
                            {"DISPLAY=" + display.name(), std::string("VELKOR_PREPARE=") + (state.range(0) ? "on" : "off")},
                            dir.path());
    bool presented = false;
    for (int wait = 0; wait < 10000 && !(presented = HasFirstFrame(csv)); ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto end = SteadyClock::now();
    show.Signal(15);
    show.WaitForExit(10);
    if (!presented) {
      state.SkipWithError("no frame presented");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_StartupToFirstFrame)->Arg(0)->Arg(1)->ArgName("prepared")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace velkor

BENCHMARK_MAIN();
