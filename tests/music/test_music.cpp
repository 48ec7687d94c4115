// Music start, failure reporting and the playback position, played in real
// time through SDL's dummy audio driver with MP3 tones encoded on the spot.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "music/music.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "support/test_files.h"
#include "music/test_music_tone.h"

namespace velkor {
namespace {

using test::EncodeToneMp3;
using Clock = std::chrono::steady_clock;

std::vector<std::string> boxes;  // "caption|text|buttons" of every message box shown

MessageBoxAnswer RecordBox(const char* text, const char* caption, MessageBoxButtons buttons, MessageBoxIcon) {
  boxes.push_back(std::string(caption) + "|" + text + (buttons == MessageBoxButtons::Ok ? "|ok" : "|other"));
  return MessageBoxAnswer::Ok;
}

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    boxes.clear();
    SetMessageBoxSink(RecordBox);
  }
  void TearDown() override {
    StopMusic();
    SetMessageBoxSink(nullptr);
  }
  test::TempDir dir_;
  test::ScopedWorkingDirectory cwd_{dir_.path()};
};

struct Sample {
  double seconds;  // since play began
  int positionMs;
  std::int64_t handedMs;  // audio given to the device so far
};

// Polls the position about every millisecond for `seconds`.
std::vector<Sample> PollPosition(double seconds) {
  std::vector<Sample> samples;
  const Clock::time_point start = Clock::now();
  for (double t = 0; t <= seconds; t = std::chrono::duration<double>(Clock::now() - start).count()) {
    const int ms = SoundPositionMs();  // the sound itself, which stops with the track
    const SoundStats stats = SoundStreamStats();
    samples.push_back({t, ms, stats.outputRate ? stats.framesHanded * 1000 / stats.outputRate : 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return samples;
}

const Sample& SampleNear(const std::vector<Sample>& samples, double seconds) {
  return *std::find_if(samples.begin(), samples.end() - 1, [&](const Sample& s) { return s.seconds >= seconds; });
}

TEST_F(MusicTest, PlaysTheTrackOnceWithASmoothMonotonicPosition) {
  dir_.Write("MIROK6.MP3", EncodeToneMp3(1.5, 44100, 2));  // found regardless of case
  ASSERT_TRUE(StartMusic());
  EXPECT_TRUE(boxes.empty());
  const std::vector<Sample> samples = PollPosition(2.6);
  ASSERT_GT(samples.size(), 200u);
  EXPECT_LT(samples.front().positionMs, 60);
  int midSteps = 0, distinctSteps = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    ASSERT_GE(samples[i].positionMs, samples[i - 1].positionMs) << "at " << samples[i].seconds << " s";
    EXPECT_LE(samples[i - 1].positionMs, samples[i].handedMs);  // nothing heard before the device has it
    if (samples[i - 1].seconds > 0.3 && samples[i].seconds < 1.2)
      ++midSteps, distinctSteps += samples[i].positionMs > samples[i - 1].positionMs;
  }
  // Between refills the position keeps moving: polls a millisecond apart almost always differ.
  ASSERT_GT(midSteps, 100);
  EXPECT_GT(distinctSteps, midSteps * 8 / 10);
  // Roughly real time (a wrong rate or channel count is off by half or more).
  const Sample &a = SampleNear(samples, 0.3), &b = SampleNear(samples, 1.2);
  const double realMs = (b.seconds - a.seconds) * 1000.0;
  EXPECT_NEAR(b.positionMs - a.positionMs, realMs, realMs * 0.25);
  // Stops at the end of all the audio (the encoder pads up to ~55 ms) and stays there.
  const int endMs = samples.back().positionMs;
  EXPECT_TRUE(endMs >= 1500 && endMs <= 1600) << endMs;
  EXPECT_EQ(SampleNear(samples, 2.3).positionMs, endMs);
  EXPECT_EQ(endMs, samples.back().handedMs);
}

// Each failure shows one error box with the library's text, and leaves nothing
// open: a start with a good file and the dummy driver then succeeds.
TEST_F(MusicTest, FailuresShowTheirTextAndLeaveNothingOpen) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "this is not an mp3 file, only text\n";
  const std::vector<std::uint8_t> tone = EncodeToneMp3(0.5, 44100, 2);
  const struct {
    const char* file;
    std::vector<std::uint8_t> bytes;
    const char* driver;
    const char* text;
  } cases[] = {
      {"data/mirok6.mp3", tone, "dummy", "File Not Found!"},
      {"mirok6.mp3", {text.begin(), text.end()}, "dummy", "Unknown file format"},
      {"mirok6.mp3", {}, "dummy", "Unknown file format"},
      {"mirok6.mp3", tone, "no-such-driver", "Error initializing output device."},
  };
  for (const auto& c : cases) {
    std::remove("mirok6.mp3");
    dir_.Write(c.file, c.bytes);
    setenv("SDL_AUDIODRIVER", c.driver, 1);
    EXPECT_FALSE(StartMusic()) << c.text;
    EXPECT_EQ(boxes, std::vector<std::string>{std::string("ERROR!|") + c.text + "|ok"});
    boxes.clear();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    dir_.Write("mirok6.mp3", tone);
    EXPECT_TRUE(StartMusic()) << c.text;
    EXPECT_TRUE(boxes.empty()) << c.text;
    StopMusic();
  }
}

}  // namespace
}  // namespace velkor
