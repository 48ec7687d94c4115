// The music clock when the sound stops for good before the show ends: the
// wall clock carries on from the last position, the position never steps
// back, pausing and seeking keep working, and a seek gives the sound another
// chance. The sound device is stood in for through the clock's seam.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "music/music.h"
#include "platform/log.h"

namespace velkor {
namespace {

struct FakeDevice {
  int positionMs = 0;
  bool stalled = false;
  int seeks = 0;
};
FakeDevice device;
std::vector<std::string> logged;

const SoundDeviceClock kFake = {
    [] { return device.positionMs; }, [] { return device.stalled; }, [](bool) { return true; },
    [](int ms) {
      ++device.seeks;
      device.positionMs = ms;
      return true;
    }};

void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class ClockFallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = FakeDevice();
    logged.clear();
    SetLogSink([](const char* line) { logged.emplace_back(line); });
    SetClockSource(ClockSource::SoundDevice);
    SetSoundDeviceClock(&kFake);
  }
  void TearDown() override {
    SetSoundDeviceClock(nullptr);
    SetLogSink(nullptr);
  }
};

TEST_F(ClockFallbackTest, StalledSoundHandsOverToTheWallClockOnce) {
  device.positionMs = 6192;
  EXPECT_EQ(MusicPositionMs(), 6192);
  Wait(30);
  EXPECT_EQ(MusicPositionMs(), 6192) << "a sound that still plays is the clock";
  device.stalled = true;
  EXPECT_EQ(MusicPositionMs(), 6192);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("6192 ms"), std::string::npos) << logged[0];
  int last = 6192;
  for (int i = 0; i < 10; ++i) {
    Wait(10);
    const int ms = MusicPositionMs();
    EXPECT_GE(ms, last);
    last = ms;
  }
  EXPECT_GE(last, 6192 + 90);
  EXPECT_LT(last, 6192 + 1000);
  EXPECT_EQ(logged.size(), 1u) << "one line, however long it runs on";
}

TEST_F(ClockFallbackTest, PauseHoldsTheStandInClockAndASeekRetriesTheSound) {
  device.positionMs = 1000;
  device.stalled = true;
  MusicPositionMs();
  PauseMusic(true);
  const int held = MusicPositionMs();
  Wait(50);
  EXPECT_EQ(MusicPositionMs(), held);
  PauseMusic(false);
  Wait(30);
  EXPECT_GT(MusicPositionMs(), held);
  // The sound plays again after the seek; should it stall there too, the wall clock runs on from the seek.
  device.stalled = false;
  SeekMusicMs(50000);
  EXPECT_EQ(device.seeks, 1);
  EXPECT_EQ(MusicPositionMs(), 50000);
  device.stalled = true;
  EXPECT_EQ(MusicPositionMs(), 50000);
  Wait(30);
  EXPECT_GE(MusicPositionMs(), 50020);
}

}  // namespace
}  // namespace velkor
