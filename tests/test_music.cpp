// Music start, failure reporting and the playback position, played through
// SDL's dummy audio driver with MP3 tones encoded on the spot.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "music/music.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "support/test_files.h"
#include "test_music_tone.h"

namespace velkor {
namespace {

using test::EncodeToneMp3;
using test::ScopedWorkingDirectory;
using test::TempDir;
using Clock = std::chrono::steady_clock;

struct RecordedBox {
  std::string text;
  std::string caption;
  MessageBoxButtons buttons;
};
std::vector<RecordedBox> boxes;

MessageBoxAnswer RecordBox(const char* text, const char* caption, MessageBoxButtons buttons, MessageBoxIcon) {
  boxes.push_back({text, caption, buttons});
  return MessageBoxAnswer::Ok;
}

class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    boxes.clear();
    SetMessageBoxSink(RecordBox);
    UseVirtualClock(false);
  }
  void TearDown() override {
    StopMusic();
    SetMessageBoxSink(nullptr);
    UseVirtualClock(false);
  }
  void ExpectOneErrorBox(const char* text) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, "ERROR!");
    EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::Ok);
    boxes.clear();
  }
  // After a failure nothing may stay open: a real start must now succeed.
  void ExpectCleanStartWith(const TempDir& dir) {
    dir.Write("mirok6.mp3", EncodeToneMp3(0.5, 44100, 2));
    EXPECT_TRUE(StartMusic());
    EXPECT_TRUE(boxes.empty());
    StopMusic();
  }
};

struct Sample {
  double seconds;  // since play began
  int positionMs;
  std::int64_t handedMs;
};

// Polls the position about every millisecond until `seconds` have passed.
std::vector<Sample> PollPosition(double seconds) {
  std::vector<Sample> samples;
  const Clock::time_point start = Clock::now();
  for (;;) {
    const double t = std::chrono::duration<double>(Clock::now() - start).count();
    if (t > seconds) break;
    const int ms = MusicPositionMs();
    const SoundStats stats = SoundStreamStats();
    const std::int64_t handed = stats.outputRate ? stats.framesHanded * 1000 / stats.outputRate : 0;
    samples.push_back({t, ms, handed});
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return samples;
}

const Sample& SampleNear(const std::vector<Sample>& samples, double seconds) {
  for (const Sample& s : samples)
    if (s.seconds >= seconds) return s;
  return samples.back();
}

TEST(SoundErrorTextTest, NamesEveryLibraryCodeAndNothingElse) {
  EXPECT_STREQ(SoundErrorText(0), "No errors");
  EXPECT_STREQ(SoundErrorText(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
  EXPECT_STREQ(SoundErrorText(3), "Error initializing output device.");
  EXPECT_STREQ(SoundErrorText(6),
               "Soundcard does not support the features needed for this soundsystem (16bit stereo output)");
  EXPECT_STREQ(SoundErrorText(9), "File not found");
  EXPECT_STREQ(SoundErrorText(10), "Unknown file format");
  EXPECT_STREQ(SoundErrorText(11), "Error loading file");
  EXPECT_STREQ(SoundErrorText(12), "Not enough memory ");
  EXPECT_STREQ(SoundErrorText(16), "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.");
  EXPECT_STREQ(SoundErrorText(19), "Required Mediaplayer codec is not installed");
  EXPECT_STREQ(SoundErrorText(20), "Unknown error");
  EXPECT_STREQ(SoundErrorText(-1), "Unknown error");
  EXPECT_STREQ(SoundErrorText(INT_MIN), "Unknown error");
  EXPECT_STREQ(SoundErrorText(INT_MAX), "Unknown error");
  // Each code has its own text.
  for (int a = 0; a < 20; ++a)
    for (int b = a + 1; b < 20; ++b) EXPECT_STRNE(SoundErrorText(a), SoundErrorText(b)) << a << " " << b;
}

TEST_F(MusicTest, PlaysTheTrackOnceWithASmoothMonotonicPosition) {
  TempDir dir;
  dir.Write("mirok6.mp3", EncodeToneMp3(1.5, 44100, 2));
  ScopedWorkingDirectory cwd(dir.path());
  ASSERT_TRUE(StartMusic());
  EXPECT_TRUE(boxes.empty());
  const std::vector<Sample> samples = PollPosition(2.6);
  ASSERT_GT(samples.size(), 200u);

  EXPECT_LT(samples.front().positionMs, 60);
  int distinctSteps = 0;
  int midSteps = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    ASSERT_GE(samples[i].positionMs, samples[i - 1].positionMs) << "at " << samples[i].seconds << " s";
    // What is heard cannot be ahead of what the device was given.
    EXPECT_LE(samples[i - 1].positionMs, samples[i].handedMs);
    if (samples[i - 1].seconds > 0.3 && samples[i].seconds < 1.2) {
      ++midSteps;
      if (samples[i].positionMs > samples[i - 1].positionMs) ++distinctSteps;
    }
  }
  // Between refills the position keeps moving: polls a millisecond or more
  // apart almost always see different times.
  ASSERT_GT(midSteps, 100);
  EXPECT_GT(distinctSteps, midSteps * 8 / 10);

  // Roughly real time while playing (a wrong rate or channel count is off by half or more).
  const Sample& a = SampleNear(samples, 0.3);
  const Sample& b = SampleNear(samples, 1.2);
  const double realMs = (b.seconds - a.seconds) * 1000.0;
  EXPECT_NEAR(b.positionMs - a.positionMs, realMs, realMs * 0.25);

  // Stops at the end of the track (the encoder adds up to ~55 ms of padding)
  // and stays there.
  const int endMs = samples.back().positionMs;
  EXPECT_GE(endMs, 1500);
  EXPECT_LE(endMs, 1600);
  EXPECT_EQ(SampleNear(samples, 2.3).positionMs, endMs);
  // ...which is the end of all the audio the device was given.
  EXPECT_EQ(endMs, samples.back().handedMs);
}

TEST_F(MusicTest, ResamplesMonoTracksOfOtherRatesToRealTime) {
  TempDir dir;
  dir.Write("mirok6.mp3", EncodeToneMp3(1.0, 22050, 1, 64));
  ScopedWorkingDirectory cwd(dir.path());
  ASSERT_TRUE(StartMusic());
  const std::vector<Sample> samples = PollPosition(1.7);
  const Sample& a = SampleNear(samples, 0.2);
  const Sample& b = SampleNear(samples, 0.8);
  const double realMs = (b.seconds - a.seconds) * 1000.0;
  EXPECT_NEAR(b.positionMs - a.positionMs, realMs, realMs * 0.25);
  EXPECT_GE(samples.back().positionMs, 1000);
  EXPECT_LE(samples.back().positionMs, 1120);
}

TEST_F(MusicTest, StopsAndStartsAgainFromTheBeginning) {
  TempDir dir;
  dir.Write("MIROK6.MP3", EncodeToneMp3(2.0, 44100, 2));  // found regardless of case
  ScopedWorkingDirectory cwd(dir.path());
  ASSERT_TRUE(StartMusic());
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const int before = MusicPositionMs();
  EXPECT_GT(before, 50);
  StopMusic();
  EXPECT_EQ(MusicPositionMs(), 0);
  StopMusic();  // a second stop is harmless
  ASSERT_TRUE(StartMusic());
  EXPECT_LT(MusicPositionMs(), before);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(MusicTest, MissingFileIsReportedEvenWithADataDirectory) {
  TempDir dir;
  dir.Write("data/mirok6.mp3", EncodeToneMp3(0.5, 44100, 2));
  ScopedWorkingDirectory cwd(dir.path());
  EXPECT_FALSE(StartMusic());
  ExpectOneErrorBox("File Not Found!");
  ExpectCleanStartWith(dir);
}

TEST_F(MusicTest, DataThatIsNotMp3IsAnUnknownFormat) {
  TempDir dir;
  ScopedWorkingDirectory cwd(dir.path());
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "this is not an mp3 file, only text\n";
  dir.Write("mirok6.mp3", text);
  EXPECT_FALSE(StartMusic());
  ExpectOneErrorBox("Unknown file format");
  ExpectCleanStartWith(dir);

  dir.Write("mirok6.mp3", std::string());
  EXPECT_FALSE(StartMusic());
  ExpectOneErrorBox("Unknown file format");
  ExpectCleanStartWith(dir);
}

TEST_F(MusicTest, MissingOutputDeviceIsAnOutputError) {
  TempDir dir;
  ScopedWorkingDirectory cwd(dir.path());
  dir.Write("mirok6.mp3", EncodeToneMp3(0.5, 44100, 2));
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(StartMusic());
  ExpectOneErrorBox("Error initializing output device.");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ExpectCleanStartWith(dir);
}

TEST_F(MusicTest, VirtualClockNeedsNoAudioAtAll) {
  TempDir dir;  // no music file, no usable driver
  ScopedWorkingDirectory cwd(dir.path());
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  UseVirtualClock(true);
  EXPECT_TRUE(StartMusic());
  EXPECT_TRUE(boxes.empty());
  SetVirtualClockMs(80000);
  EXPECT_EQ(MusicPositionMs(), 80000);
  StopMusic();
  EXPECT_EQ(MusicPositionMs(), 80000);
}

TEST_F(MusicTest, SoundLayerRefusesCallsOutOfOrder) {
  const std::vector<std::uint8_t> mp3 = EncodeToneMp3(0.5, 44100, 2);
  EXPECT_GE(SoundLibraryVersion(), 3.33f);
  EXPECT_FALSE(SoundOpenMemoryStream(mp3.data(), mp3.size()));
  EXPECT_EQ(SoundLastError(), kSoundNotInitialised);
  EXPECT_FALSE(SoundPlay());
  EXPECT_EQ(SoundLastError(), kSoundNotInitialised);

  ASSERT_TRUE(SoundInit(44100));
  EXPECT_EQ(SoundLastError(), kSoundOk);
  EXPECT_FALSE(SoundInit(44100));
  EXPECT_EQ(SoundLastError(), kSoundAlreadyInitialised);
  EXPECT_FALSE(SoundPlay());
  EXPECT_EQ(SoundLastError(), kSoundInvalidParameter);
  EXPECT_FALSE(SoundOpenMemoryStream(nullptr, 100));
  EXPECT_EQ(SoundLastError(), kSoundInvalidParameter);

  ASSERT_TRUE(SoundOpenMemoryStream(mp3.data(), mp3.size()));
  EXPECT_FALSE(SoundOpenMemoryStream(mp3.data(), mp3.size()));
  EXPECT_EQ(SoundLastError(), kSoundInvalidParameter);
  EXPECT_EQ(SoundPositionMs(), 0);  // not playing yet
  ASSERT_TRUE(SoundPlay());
  EXPECT_FALSE(SoundPlay());
  EXPECT_EQ(SoundLastError(), kSoundPlayFailed);
  SoundCloseStream();
  EXPECT_EQ(SoundPositionMs(), 0);
  SoundClose();
  SoundClose();
  EXPECT_FALSE(SoundPlay());
  EXPECT_EQ(SoundLastError(), kSoundNotInitialised);
}

TEST_F(MusicTest, TruncatedTrackPlaysWhatItHas) {
  // A track cut off mid-frame plays up to the cut and then holds its position.
  std::vector<std::uint8_t> mp3 = EncodeToneMp3(1.0, 44100, 2);
  mp3.resize(mp3.size() / 2 + 77);
  ASSERT_TRUE(SoundInit(44100));
  ASSERT_TRUE(SoundOpenMemoryStream(mp3.data(), mp3.size()));
  ASSERT_TRUE(SoundPlay());
  const std::vector<Sample> samples = PollPosition(1.2);
  const int endMs = samples.back().positionMs;
  EXPECT_GE(endMs, 400);
  EXPECT_LE(endMs, 620);
  EXPECT_EQ(SampleNear(samples, 0.9).positionMs, endMs);
  SoundClose();
}

}  // namespace
}  // namespace velkor
