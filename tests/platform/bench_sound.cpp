// Music start-up and decoding cost with a 5 MB track, played through SDL's
// dummy audio driver unless SDL_AUDIODRIVER says otherwise: time from the start
// call to the first sample handed to the device, and the audio thread's share
// of one core while playing.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "music/music.h"
#include "music/test_music_tone.h"
#include "platform/sound.h"
#include "support/test_files.h"

namespace velkor {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Some 220 s of a noisy tone at 192 kbit/s, about 5 MB, made of copies of one
// 10 s piece: mirok6.mp3 in a directory of its own.
struct Track {
  test::TempDir dir;
  Track() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::vector<std::uint8_t> piece = test::EncodeToneMp3(10.0, 44100, 2, 192, 440.0, 3000);
    std::vector<std::uint8_t> track;
    while (!piece.empty() && track.size() < 5u * 1000 * 1000) track.insert(track.end(), piece.begin(), piece.end());
    dir.Write("mirok6.mp3", track);
  }
};

void BM_StartToFirstSample(benchmark::State& state) {
  static const Track track;
  test::ScopedWorkingDirectory cwd(track.dir.path());
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    if (!StartMusic()) {
      state.SkipWithError("music did not start");
      break;
    }
    while (SoundStreamStats().framesHanded == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    state.SetIterationTime(SecondsSince(t0));
    StopMusic();
  }
}
BENCHMARK(BM_StartToFirstSample)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The main thread sleeps; the time spent in the sound callback is the decoding.
void BM_DecodeCostWhilePlaying(benchmark::State& state) {
  static const Track track;
  test::ScopedWorkingDirectory cwd(track.dir.path());
  for (auto _ : state) {
    if (!StartMusic()) {
      state.SkipWithError("music did not start");
      break;
    }
    const Clock::time_point t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const double wall = SecondsSince(t0);
    const SoundStats stats = SoundStreamStats();
    StopMusic();
    state.SetIterationTime(wall);
    state.counters["callback_core_pct"] = static_cast<double>(stats.callbackNanoseconds) * 1e-9 / wall * 100.0;
  }
}
BENCHMARK(BM_DecodeCostWhilePlaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace velkor

BENCHMARK_MAIN();
