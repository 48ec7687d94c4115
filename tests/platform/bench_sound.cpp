// Music start-up and playback cost with a 5 MB track: time from opening the
// file to the first sample handed to the device (and to the first non-zero
// position), and the decoding cost while playing in percent of one core.
// Plays through SDL's dummy audio driver unless SDL_AUDIODRIVER says otherwise.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "music/music.h"
#include "platform/sound.h"
#include "support/test_files.h"
#include "music/test_music_tone.h"

namespace velkor {
namespace {

using Clock = std::chrono::steady_clock;

// About 5 MB at 192 kbit/s: some 220 s of a noisy tone, built from copies of
// one 10 s piece, written as mirok6.mp3 into a directory of its own.
struct BigTrack {
  test::TempDir dir;
  std::size_t bytes = 0;
  BigTrack() {
    const std::vector<std::uint8_t> piece = test::EncodeToneMp3(10.0, 44100, 2, 192, 440.0, 3000);
    std::vector<std::uint8_t> track;
    while (!piece.empty() && track.size() < 5u * 1000 * 1000) track.insert(track.end(), piece.begin(), piece.end());
    bytes = track.size();
    dir.Write("mirok6.mp3", track);
  }
};

BigTrack& Track() {
  static BigTrack track;
  return track;
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_OpenToFirstSample(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  test::ScopedWorkingDirectory cwd(Track().dir.path());
  double startSum = 0, handedSum = 0, positionSum = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    if (!StartMusic()) {
      state.SkipWithError("music did not start");
      break;
    }
    startSum += Seconds(t0);
    while (SoundStreamStats().framesHanded == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    const double handed = Seconds(t0);
    handedSum += handed;
    while (MusicPositionMs() == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    positionSum += Seconds(t0);
    state.SetIterationTime(handed);
    StopMusic();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["start_ms"] = startSum / n * 1000.0;
  state.counters["first_sample_ms"] = handedSum / n * 1000.0;
  state.counters["first_position_ms"] = positionSum / n * 1000.0;
  state.counters["file_MB"] = static_cast<double>(Track().bytes) / 1e6;
}
BENCHMARK(BM_OpenToFirstSample)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_DecodeCostWhilePlaying(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  test::ScopedWorkingDirectory cwd(Track().dir.path());
  const double playSeconds = 4.0;
  for (auto _ : state) {
    if (!StartMusic()) {
      state.SkipWithError("music did not start");
      break;
    }
    const Clock::time_point t0 = Clock::now();
    const double cpu0 = ProcessCpuSeconds();
    // The main thread mostly sleeps, as a show waiting on vsync would not;
    // what the process spends here is the audio thread's.
    int lastMs = 0;
    for (double t = 0; t < playSeconds; t = Seconds(t0)) {
      lastMs = MusicPositionMs();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double wall = Seconds(t0);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const SoundStats stats = SoundStreamStats();
    StopMusic();
    state.SetIterationTime(wall);
    state.counters["callback_core_pct"] = static_cast<double>(stats.callbackNanoseconds) * 1e-9 / wall * 100.0;
    state.counters["process_core_pct"] = cpu / wall * 100.0;
    state.counters["played_ms"] = lastMs;
    state.counters["wall_ms"] = wall * 1000.0;
  }
}
BENCHMARK(BM_DecodeCostWhilePlaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace velkor

BENCHMARK_MAIN();
