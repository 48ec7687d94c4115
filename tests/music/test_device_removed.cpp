// A sound device that goes away while the music plays, for real: a private
// PulseAudio server with one null sink is started, SDL plays into it, and the
// sink is unloaded (as when headphones are pulled) or the server dies. SDL
// then stops the device on its own; the clock must carry on without stepping back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "music/music.h"
#include "music/test_music_tone.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "support/pulse_server.h"
#include "support/test_files.h"

namespace velkor {
namespace {

using test::PulseServer;

// Polls the clock for a while: it must never step back. Returns the last position.
int WatchClock(int untilMs, int& last) {
  const auto start = std::chrono::steady_clock::now();
  while (last < untilMs && std::chrono::steady_clock::now() - start < std::chrono::seconds(6)) {
    const int ms = MusicPositionMs();
    EXPECT_GE(ms, last) << "the position stepped back";
    last = ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return last;
}

TEST(DeviceRemovedTest, TheClockCarriesOnWhenTheSinkOrTheServerGoes) {
  if (std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") != 0)
    GTEST_SKIP() << "needs pulseaudio and pactl (scripts/install-deps.sh installs them)";
  SetMessageBoxSink([](const char*, const char*, MessageBoxButtons, MessageBoxIcon) { return MessageBoxAnswer::Ok; });
  static int lines;
  SetLogSink([](const char*) { ++lines; });
  const std::vector<std::uint8_t> track = test::EncodeToneMp3(10.0, 44100, 2);
  for (const bool killServer : {false, true}) {
    test::TempDir dir;
    chmod(dir.path().c_str(), 0700);
    const test::ScopedWorkingDirectory cwd(dir.path());
    dir.Write("mirok6.mp3", track);
    PulseServer server(dir.path());
    ASSERT_TRUE(server.ready()) << "the PulseAudio server did not start";
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    setenv("PULSE_SERVER", server.address().c_str(), 1);
    lines = 0;
    ASSERT_TRUE(StartMusic()) << "no playback on the test's own server";
    int last = 0;
    WatchClock(800, last);
    ASSERT_GE(last, 800) << "the music did not play";
    if (killServer)
      server.Kill();
    else
      ASSERT_TRUE(server.UnloadSink());
    const int removedAt = last;
    WatchClock(removedAt + 2500, last);
    StopMusic();
    EXPECT_GE(last, removedAt + 2500) << (killServer ? "server killed" : "sink unloaded") << ": the clock stalled";
    EXPECT_EQ(lines, 1) << "one line when the sound stops";
  }
  unsetenv("PULSE_SERVER");
  SetLogSink(nullptr);
  SetMessageBoxSink(nullptr);
}

}  // namespace
}  // namespace velkor
