// The stand-in music track as make-data writes it: an MP3 that libmpg123
// decodes, gaplessly, to the synthesised samples' timeline, with kicks on the
// 130 BPM grid anchored at 106,866 ms and peaks below full scale. That two
// runs give the same bytes is checked with the rest of the data set.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/tool_support.h"
#include "tools/standin/standin.h"
#include "tools/standin/synth/instruments.h"

namespace velkor {
namespace {

constexpr int kRate = 44100;
constexpr double kBeat = 60.0 / 130.0, kAnchor = 106.866;

long Frame(double seconds) { return std::lround(seconds * kRate); }

// Left + right, as doubles.
std::vector<double> Mono(const std::vector<std::int16_t>& stereo) {
  std::vector<double> m(stereo.size() / 2);
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = (stereo[2 * i] + stereo[2 * i + 1]) / 65536.0;
  return m;
}

class StandinMusicTest : public ::testing::Test {
 protected:
  // The track decoded once per test program, as 16-bit samples at the file's own rate.
  static void SetUpTestSuite() {
    const std::string data = test::StandinDataDir();
    if (data.empty()) return;
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(data + "/mirok6.mp3");
    mpg123_init();
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    mpg123_format_none(mh);
    mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(mh);
    mpg123_feed(mh, bytes.data(), bytes.size());
    std::vector<unsigned char> buffer(1 << 16);
    for (int r = MPG123_OK; r == MPG123_OK || r == MPG123_NEW_FORMAT;) {
      size_t done = 0;
      r = mpg123_read(mh, buffer.data(), buffer.size(), &done);
      const auto* s = reinterpret_cast<const std::int16_t*>(buffer.data());
      decoded_.insert(decoded_.end(), s, s + done / 2);
      int encoding = 0;
      if (r == MPG123_NEW_FORMAT) mpg123_getformat(mh, &rate_, &channels_, &encoding);
    }
    mpg123_delete(mh);
    mono_ = Mono(decoded_);
  }
  void SetUp() override { ASSERT_GT(decoded_.size(), 0u) << "no stand-in music decoded"; }
  static inline long rate_ = 0;
  static inline int channels_ = 0;
  static inline std::vector<std::int16_t> decoded_;  // interleaved
  static inline std::vector<double> mono_;
};

TEST_F(StandinMusicTest, DecodesToTheWholeSynthesisedTimelineBelowFullScale) {
  EXPECT_EQ(rate_, kRate);
  EXPECT_EQ(channels_, 2);
  // Gapless decoding removes the encoder's delay and padding exactly (the
  // kicks' timing checks that nothing is shifted).
  const std::vector<std::int16_t> pcm = SynthesizeStandinPcm();
  EXPECT_EQ(decoded_.size(), pcm.size());
  EXPECT_GE(pcm.size() / 2, static_cast<std::size_t>(216 * kRate));
  // Normalised to about -1 dBFS, and the lossy coding does not clip.
  int peak = 0;
  for (std::int16_t s : pcm) peak = std::max(peak, std::abs(static_cast<int>(s)));
  EXPECT_NEAR(20.0 * std::log10(peak / 32768.0), -1.0, 0.1);
  EXPECT_EQ(std::count_if(decoded_.begin(), decoded_.end(), [](std::int16_t s) { return s == 32767 || s == -32768; }),
            0);
}

TEST_F(StandinMusicTest, KicksFallOnTheBeatGrid) {
  // Low band (below roughly 150 Hz), where the kick lives.
  std::vector<double> low(mono_.size());
  const double a = 1.0 - std::exp(-2.0 * M_PI * 150.0 / kRate);
  double y1 = 0.0, y2 = 0.0;
  for (std::size_t i = 0; i < mono_.size(); ++i) {
    y1 += a * (mono_[i] - y1);
    y2 += a * (y1 - y2);
    low[i] = y2;
  }
  auto energy = [&](double t) {
    double e = 0.0;
    for (long i = Frame(t); i < Frame(t) + Frame(0.06); ++i) e += low[i] * low[i];
    return e;
  };
  const std::vector<float> kick = RenderKick();
  // The frame within 25 ms of t where the kick's first 2048 samples match best.
  auto kickAt = [&](double t) {
    long best = 0;
    double bestScore = -1e30;
    for (long f = Frame(t - 0.025); f <= Frame(t + 0.025); ++f) {
      double c = 0.0;
      for (std::size_t i = 0; i < 2048 && i < kick.size(); ++i) c += kick[i] * mono_[f + i];
      if (c > bestScore) bestScore = c, best = f;
    }
    return best;
  };
  // Sections with four-to-the-floor drums: groove, main theme, finale.
  const double windows[3][2] = {{21.0, 45.0}, {104.0, 126.0}, {128.0, 155.0}};
  int beats = 0, bars = 0;
  for (const auto& w : windows) {
    for (long k = std::lround(std::ceil((w[0] - kAnchor) / kBeat)); kAnchor + k * kBeat < w[1]; ++k, ++beats) {
      const double t = kAnchor + k * kBeat;
      // A beat carries far more low end than the offbeat halfway to the next.
      EXPECT_GT(energy(t), 2.0 * energy(t + kBeat / 2)) << t;
      if (k % 4 != 0) continue;
      // On every bar line the kick's own waveform matches best within 2 ms of the grid.
      EXPECT_LE(std::labs(kickAt(t) - Frame(t)), Frame(0.002)) << "bar line at " << t << " s";
      ++bars;
    }
  }
  EXPECT_GT(beats, 100);
  EXPECT_GT(bars, 25);
}

}  // namespace
}  // namespace velkor
