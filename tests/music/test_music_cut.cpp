// A music file cut short, played for real on SDL's dummy audio driver: the
// sound ends early, the clock carries on past it without stepping back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "music/music.h"
#include "music/test_music_tone.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "support/test_files.h"

namespace velkor {
namespace {

TEST(MusicCutTest, TheClockRunsOnPastTheEndOfATruncatedTrack) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  SetMessageBoxSink([](const char*, const char*, MessageBoxButtons, MessageBoxIcon) { return MessageBoxAnswer::Ok; });
  static int lines;
  SetLogSink([](const char*) { ++lines; });
  // 1,000 bytes at 128 kbit/s hold two frames (about 50 ms); 100,000 bytes at
  // 320 kbit/s about 2.5 s.
  const struct { std::size_t cut; int kbps; } cases[] = {{1000, 128}, {100000, 320}};
  for (const auto& c : cases) {
    const std::size_t cut = c.cut;
    const std::vector<std::uint8_t> track = test::EncodeToneMp3(10.0, 44100, 2, c.kbps);
    test::TempDir dir;
    const test::ScopedWorkingDirectory cwd(dir.path());
    dir.Write("mirok6.mp3", std::vector<std::uint8_t>(track.begin(), track.begin() + cut));
    lines = 0;
    ASSERT_TRUE(StartMusic()) << cut;
    const auto start = std::chrono::steady_clock::now();
    int last = 0;
    while (last < 3500 && std::chrono::steady_clock::now() - start < std::chrono::seconds(6)) {
      const int ms = MusicPositionMs();
      ASSERT_GE(ms, last) << cut << ": the position stepped back";
      last = ms;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    StopMusic();
    EXPECT_GE(last, 3500) << cut << ": the clock stalled";
    EXPECT_EQ(lines, 1) << cut << ": one line when the sound stops";
  }
  SetLogSink(nullptr);
  SetMessageBoxSink(nullptr);
}

}  // namespace
}  // namespace velkor
