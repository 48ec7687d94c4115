// The stand-in music track: deterministic synthesis, an MP3 that gapless
// decoders play back on the same timeline as the synthesised samples, beats on
// the 130 BPM grid anchored at 106,866 ms, a tonal piece with audible sections,
// and peaks below full scale.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/standin.h"
#include "tools/synth.h"

namespace velkor {
namespace {

constexpr int kRate = 44100;
constexpr double kBeat = 60.0 / 130.0;
constexpr double kAnchor = 106.866;

struct Decoded {
  long rate = 0;
  int channels = 0;
  std::vector<std::int16_t> samples;  // interleaved
};

Decoded DecodeMp3(const std::vector<std::uint8_t>& bytes) {
  Decoded d;
  mpg123_init();
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (!mh) return d;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(mh);
  mpg123_format(mh, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open_feed(mh);
  mpg123_feed(mh, bytes.data(), bytes.size());
  std::vector<unsigned char> buffer(1 << 16);
  for (;;) {
    size_t done = 0;
    const int r = mpg123_read(mh, buffer.data(), buffer.size(), &done);
    const auto* s = reinterpret_cast<const std::int16_t*>(buffer.data());
    d.samples.insert(d.samples.end(), s, s + done / 2);
    if (r == MPG123_NEW_FORMAT) {
      int encoding = 0;
      mpg123_getformat(mh, &d.rate, &d.channels, &encoding);
    } else if (r != MPG123_OK) {
      break;
    }
  }
  mpg123_delete(mh);
  return d;
}

// Left + right, as doubles.
std::vector<double> Mono(const std::vector<std::int16_t>& stereo) {
  std::vector<double> m(stereo.size() / 2);
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = (stereo[2 * i] + stereo[2 * i + 1]) / 65536.0;
  return m;
}

// Low band (below roughly 150 Hz), where the kick lives.
std::vector<double> LowBand(const std::vector<double>& x) {
  std::vector<double> y(x.size());
  const double a = 1.0 - std::exp(-2.0 * M_PI * 150.0 / kRate);
  double s1 = 0.0, s2 = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    s1 += a * (x[i] - s1);
    s2 += a * (s1 - s2);
    y[i] = s2;
  }
  return y;
}

double Energy(const std::vector<double>& x, long from, long count) {
  double e = 0.0;
  for (long i = std::max(0L, from); i < from + count && i < static_cast<long>(x.size()); ++i) e += x[i] * x[i];
  return e;
}

double RmsDb(const std::vector<double>& x, double fromSeconds, double seconds) {
  const long n = static_cast<long>(seconds * kRate);
  return 10.0 * std::log10(Energy(x, static_cast<long>(fromSeconds * kRate), n) / n + 1e-30);
}

long Frame(double seconds) { return std::lround(seconds * kRate); }

// Where the kick drum sits near `expected`: the lag of the best match of the
// kick's own waveform (a matched filter) within ±radius frames.
long KickNear(const std::vector<double>& x, const std::vector<float>& kick, long expected, long radius) {
  const long length = std::min<long>(2048, static_cast<long>(kick.size()));
  long best = expected;
  double bestScore = -1e30;
  for (long f = expected - radius; f <= expected + radius; ++f) {
    double c = 0.0;
    for (long i = 0; i < length; ++i) c += kick[i] * x[f + i];
    if (c > bestScore) {
      bestScore = c;
      best = f;
    }
  }
  return best;
}

// Beat times (seconds) on the grid anchored at 106.866 s inside [from, to).
std::vector<double> GridBeats(double from, double to) {
  std::vector<double> beats;
  for (long k = std::lround(std::ceil((from - kAnchor) / kBeat)); kAnchor + k * kBeat < to; ++k)
    beats.push_back(kAnchor + k * kBeat);
  return beats;
}

class StandinMusicTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pcm_ = new std::vector<std::int16_t>(SynthesizeStandinPcm());
    mp3_ = new std::vector<std::uint8_t>(EncodeStereoMp3(*pcm_, 128));
    mono_ = new std::vector<double>(Mono(*pcm_));
  }
  static void TearDownTestSuite() {
    delete pcm_;
    delete mp3_;
    delete mono_;
  }
  static std::vector<std::int16_t>* pcm_;
  static std::vector<std::uint8_t>* mp3_;
  static std::vector<double>* mono_;
};
std::vector<std::int16_t>* StandinMusicTest::pcm_ = nullptr;
std::vector<std::uint8_t>* StandinMusicTest::mp3_ = nullptr;
std::vector<double>* StandinMusicTest::mono_ = nullptr;

TEST_F(StandinMusicTest, SynthesisAndEncodingAreRepeatable) {
  EXPECT_TRUE(SynthesizeStandinPcm() == *pcm_);
  const std::vector<std::int16_t> slice(pcm_->begin() + 2 * Frame(100.0), pcm_->begin() + 2 * Frame(110.0));
  const std::vector<std::uint8_t> first = EncodeStereoMp3(slice, 128);
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(EncodeStereoMp3(slice, 128) == first);
  // The track as shipped is the encoding of exactly these samples.
  EXPECT_TRUE(MakeStandinMusic() == *mp3_);
}

TEST_F(StandinMusicTest, DecodesToTheWholeTrackAtCdRate) {
  ASSERT_GE(mp3_->size(), 4u);
  EXPECT_EQ((*mp3_)[0], 0xFF);  // starts with a frame, no tag in front
  EXPECT_LT(mp3_->size(), 5u * 1000 * 1000);
  const Decoded d = DecodeMp3(*mp3_);
  EXPECT_EQ(d.rate, kRate);
  EXPECT_EQ(d.channels, 2);
  EXPECT_GE(d.samples.size() / 2, static_cast<std::size_t>(216 * kRate));
  // Gapless decoding removes the encoder's delay and padding exactly.
  EXPECT_EQ(d.samples.size(), pcm_->size());
  // 128 kbit/s for the whole duration, give or take the header frame.
  const double seconds = static_cast<double>(pcm_->size() / 2) / kRate;
  EXPECT_NEAR(mp3_->size() * 8.0 / seconds / 1000.0, 128.0, 1.0);
}

TEST_F(StandinMusicTest, DecodedTimelineMatchesTheSamples) {
  const Decoded d = DecodeMp3(*mp3_);
  ASSERT_GT(d.samples.size(), 2u * Frame(112.0));
  const std::vector<double> decoded = Mono(d.samples);
  // Cross-correlate one second around the anchor bar line over ±10 ms of lag.
  const long from = Frame(kAnchor - 0.5), n = Frame(1.0), maxLag = Frame(0.010);
  long bestLag = 0;
  double best = -1e30;
  for (long lag = -maxLag; lag <= maxLag; ++lag) {
    double c = 0.0;
    for (long i = from; i < from + n; ++i) c += (*mono_)[i] * decoded[i + lag];
    if (c > best) {
      best = c;
      bestLag = lag;
    }
  }
  EXPECT_LE(std::labs(bestLag), Frame(0.002)) << "decoded output is shifted by " << bestLag << " frames";
}

TEST(StandinMusicEncoding, ClickKeepsItsTimeThroughEncoding) {
  std::vector<std::int16_t> pcm(2 * Frame(108.0), 0);
  const long click = Frame(kAnchor);
  for (long i = 0; i < 8; ++i) {
    pcm[2 * (click + i)] = 20000;
    pcm[2 * (click + i) + 1] = 20000;
  }
  const Decoded d = DecodeMp3(EncodeStereoMp3(pcm, 128));
  ASSERT_EQ(d.samples.size(), pcm.size());
  long loudest = 0;
  int peak = 0;
  for (std::size_t f = 0; f < d.samples.size() / 2; ++f) {
    const int a = std::abs(d.samples[2 * f]);
    if (a > peak) {
      peak = a;
      loudest = static_cast<long>(f);
    }
  }
  EXPECT_GT(peak, 2000);
  EXPECT_LE(std::labs(loudest - click), Frame(0.002)) << "click decoded at frame " << loudest;
}

TEST_F(StandinMusicTest, KicksFallOnTheBeatGrid) {
  const std::vector<double> low = LowBand(*mono_);
  const std::vector<float> kick = RenderKick();
  // Sections with four-to-the-floor drums: groove, main theme, finale.
  const double windows[3][2] = {{21.0, 45.0}, {104.0, 126.0}, {128.0, 155.0}};
  int beats = 0, downbeats = 0;
  for (const auto& w : windows) {
    for (double t : GridBeats(w[0], w[1])) {
      // A beat carries far more low end than the offbeat halfway to the next.
      const double onBeat = Energy(low, Frame(t), Frame(0.06));
      const double offBeat = Energy(low, Frame(t + kBeat / 2), Frame(0.06));
      EXPECT_GT(onBeat, 2.0 * offBeat) << "beat at " << t << " s";
      ++beats;
      // On every bar line the kick starts within 2 ms of the grid.
      const double bars = (t - kAnchor) / (4.0 * kBeat);
      if (std::fabs(bars - std::round(bars)) > 1e-6) continue;
      const long expected = Frame(t);
      const long found = KickNear(*mono_, kick, expected, Frame(0.025));
      EXPECT_LE(std::labs(found - expected), Frame(0.002))
          << "bar line at " << t << " s has its kick at " << static_cast<double>(found) / kRate << " s";
      ++downbeats;
    }
  }
  EXPECT_GT(beats, 100);
  EXPECT_GT(downbeats, 25);
}

TEST_F(StandinMusicTest, SectionsFollowTheScenes) {
  const std::vector<double> low = LowBand(*mono_);
  // Beat strength: on-beat low energy over off-beat, averaged over a window.
  auto beatStrength = [&](double from, double to) {
    double on = 0.0, off = 0.0;
    for (double t : GridBeats(from, to)) {
      on += Energy(low, Frame(t), Frame(0.06));
      off += Energy(low, Frame(t + kBeat / 2), Frame(0.06));
    }
    return on / off;
  };
  EXPECT_LT(beatStrength(2.0, 18.0), 1.5) << "the intro has no drums";
  EXPECT_GT(beatStrength(21.0, 45.0), 2.5) << "the groove has a kick";
  EXPECT_LT(beatStrength(47.0, 68.0), 1.5) << "the breakdown drops the kick";
  EXPECT_GT(beatStrength(71.0, 98.0), 2.5) << "the build brings it back";
  const std::vector<double>& m = *mono_;
  EXPECT_LT(RmsDb(m, 2.0, 15.0) + 6.0, RmsDb(m, 130.0, 20.0)) << "the ambient intro is quieter than the finale";
  EXPECT_GT(RmsDb(m, 205.0, 6.0), -20.0) << "music still plays as the show ends";
  EXPECT_LT(RmsDb(m, 219.5, 0.5), -45.0) << "the track has faded out";
  // The sound starts at once: the clock runs from position zero.
  EXPECT_GT(RmsDb(m, 0.5, 1.0), -60.0);
}

// Energy at the twelve pitch classes from A3 up four octaves, by Goertzel
// filters; lower notes are left out because the kick sweeps through them.
std::vector<double> PitchClassEnergy(const std::vector<double>& x, double from, double to) {
  std::vector<double> chroma(12, 0.0);
  const long block = 8192;
  for (long start = Frame(from); start + block <= Frame(to); start += block) {
    for (int note = 57; note < 105; ++note) {
      const double hz = 440.0 * std::pow(2.0, (note - 69) / 12.0);
      const double coeff = 2.0 * std::cos(2.0 * M_PI * hz / kRate);
      double s1 = 0.0, s2 = 0.0;
      for (long i = 0; i < block; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / block);
        const double s = x[start + i] * window + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
      }
      chroma[note % 12] += s1 * s1 + s2 * s2 - coeff * s1 * s2;
    }
  }
  return chroma;
}

TEST_F(StandinMusicTest, ThePieceIsInAMinor) {
  const std::vector<double> chroma = PitchClassEnergy(*mono_, 104.0, 126.0);
  // Natural minor on A: A B C D E F G; G sharp belongs to the dominant chord.
  const int inKey[8] = {9, 11, 0, 2, 4, 5, 7, 8};
  double total = 0.0, key = 0.0;
  for (double e : chroma) total += e;
  for (int pc : inKey) key += chroma[pc];
  EXPECT_GT(key / total, 0.9);
  // The tonic triad is the strongest: A, C and E each above every note outside the key.
  for (int outside : {1, 3, 6, 10})
    for (int tonic : {9, 0, 4}) EXPECT_GT(chroma[tonic], 4.0 * chroma[outside]) << tonic << " vs " << outside;
}

TEST_F(StandinMusicTest, PeaksStayBelowFullScale) {
  int peak = 0;
  for (std::int16_t s : *pcm_) peak = std::max(peak, std::abs(static_cast<int>(s)));
  const double peakDb = 20.0 * std::log10(peak / 32768.0);
  EXPECT_LT(peakDb, -0.9);
  EXPECT_GT(peakDb, -1.2) << "normalised to about -1 dBFS";
  const Decoded d = DecodeMp3(*mp3_);
  long clipped = 0;
  for (std::int16_t s : d.samples) clipped += (s == 32767 || s == -32768);
  EXPECT_EQ(clipped, 0) << "the decoded MP3 clips";
}

}  // namespace
}  // namespace velkor
