// make-data: the stand-in data set is exactly the table of files, comes out
// byte for byte the same on every run, loads through the show's own loaders
// in the sizes and depths the scenes need, and has camera tracks over each
// scene's time span. (That the scenes find every file they open, and which
// meshes and materials they index into, shows in the golden frames.) Its music
// track is an MP3 that libmpg123 decodes, gaplessly, to the synthesised
// samples' timeline, with kicks on the 130 BPM grid anchored at 106,866 ms and
// peaks below full scale.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "assets/model.h"
#include "assets/texture.h"
#include "platform/jpeg.h"
#include "support/tool_support.h"
#include "tools/standin/standin.h"
#include "tools/standin/standin_files.h"
#include "tools/standin/synth/instruments.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using namespace velkor::test;

std::vector<StandinFile> Table() {
  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  return std::vector<StandinFile>(files, files + count);
}

// Every file below dir by its relative path, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> Contents(const std::string& dir) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files[fs::relative(e.path(), dir).generic_string()] = ReadFileBytes(e.path().string());
  return files;
}

class MakeDataTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()) << "velkor-tools make-data failed"; }
  const std::string dir_ = StandinDataDir();
};

// The second run of make-data for this tool build; the first made the cached set.
TEST_F(MakeDataTest, WritesTheSameBytesEveryRun) {
  TempDir second;
  const CommandResult run = RunTool("make-data " + Quote(second.path()));
  ASSERT_EQ(run.status, 0) << run.output;
  const auto first = Contents(dir_);
  EXPECT_EQ(first.size(), Table().size());
  EXPECT_TRUE(first == Contents(second.path())) << "the data set differs between runs";
  std::size_t total = 0;
  for (const auto& file : first) total += file.second.size();
  EXPECT_LT(total, 25u << 20);
  EXPECT_NE(RunTool("make-data").status, 0);
  EXPECT_NE(RunTool("make-data a b").status, 0);
}

TEST_F(MakeDataTest, EveryImageLoadsWithTheSizeAndDepthTheScenesNeed) {
  ScopedWorkingDirectory cwd(dir_);
  for (const StandinFile& f : Table()) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(f.path);
    if (f.kind == StandinKind::Tga) {
      // Every TGA can join the scenes' compositions: 256 x 256, 24 bits.
      TextureRecord record{};
      const char* error = DecodeTga(bytes.data(), bytes.size(), record);
      ASSERT_EQ(error, nullptr) << f.path << ": " << error;
      EXPECT_TRUE(IsComposableImage(record)) << f.path;
    } else if (f.kind == StandinKind::Jpeg) {
      // GL 1.1 textures: power-of-two sides.
      JpegImage image;
      ASSERT_EQ(DecodeJpegRgb(bytes.data(), bytes.size(), image), kJpegOk) << f.path;
      EXPECT_EQ(image.width & (image.width - 1), 0) << f.path;
      EXPECT_EQ(image.height & (image.height - 1), 0) << f.path;
      EXPECT_EQ(image.channels, 3) << f.path;
    }
  }
}

// The camera times each scene evaluates lie strictly inside its keys. (That every mesh file
// loads with its textures shows in the golden frames, which log no refused load.)
TEST_F(MakeDataTest, CamerasSpanTheirScenes) {
  const struct { const char* file; float first, last; } spans[] = {
      {"data/part01_max.bin", -4.2f, 250.0f * 0.75f}, {"data/part03_max.bin", 0.0f, 300.0f},
      {"data/part04_max.bin", 0.0f, 450.0f * 0.2f}, {"data/part06_max.bin", 0.0f, 300.0f}};
  for (const auto& span : spans) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(dir_ + "/" + span.file);
    SceneModel model = ParseSceneModel(bytes.data(), bytes.size(), "data\\", nullptr);
    const Camera* camera = FirstCamera(model);
    ASSERT_NE(camera, nullptr) << span.file;
    for (const auto* keys : {&camera->positionKeys, &camera->targetKeys}) {
      ASSERT_GE(keys->size(), 4u) << span.file;
      EXPECT_LT(keys->front().time, span.first) << span.file;
      EXPECT_GT(keys->back().time, span.last) << span.file;
      for (std::size_t k = 1; k < keys->size(); ++k) EXPECT_LT((*keys)[k - 1].time, (*keys)[k].time) << span.file;
    }
  }
}

constexpr int kRate = 44100;
constexpr double kBeat = 60.0 / 130.0, kAnchor = 106.866;

long Frame(double seconds) { return std::lround(seconds * kRate); }

// The music track decoded gaplessly as interleaved 16-bit samples, with the file's own rate.
std::vector<std::int16_t> DecodeMp3(const std::vector<std::uint8_t>& bytes, long* rate, int* channels) {
  mpg123_init();
  mpg123_handle* mh = mpg123_new(nullptr, nullptr);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(mh);
  mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open_feed(mh);
  mpg123_feed(mh, bytes.data(), bytes.size());
  std::vector<std::int16_t> decoded;
  std::vector<unsigned char> buffer(1 << 16);
  for (int r = MPG123_OK, encoding = 0; r == MPG123_OK || r == MPG123_NEW_FORMAT;) {
    size_t done = 0;
    r = mpg123_read(mh, buffer.data(), buffer.size(), &done);
    const auto* samples = reinterpret_cast<const std::int16_t*>(buffer.data());
    decoded.insert(decoded.end(), samples, samples + done / 2);
    if (r == MPG123_NEW_FORMAT) mpg123_getformat(mh, rate, channels, &encoding);
  }
  mpg123_delete(mh);
  return decoded;
}

// Gapless decoding removes the encoder's delay and padding exactly: the length
// matches the synthesised samples, and the kicks are where the grid puts them.
TEST_F(MakeDataTest, MusicDecodesToTheSynthesisedTimelineWithKicksOnTheBeatGrid) {
  long rate = 0;
  int channels = 0;
  const std::vector<std::int16_t> decoded = DecodeMp3(ReadFileBytes(dir_ + "/mirok6.mp3"), &rate, &channels);
  EXPECT_EQ(rate, kRate);
  EXPECT_EQ(channels, 2);
  const std::vector<std::int16_t> pcm = SynthesizeStandinPcm();
  ASSERT_EQ(decoded.size(), pcm.size());
  EXPECT_GE(pcm.size() / 2, static_cast<std::size_t>(216 * kRate));
  // Normalised to about -1 dBFS, and the lossy coding does not clip.
  int peak = 0;
  for (std::int16_t v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_NEAR(20.0 * std::log10(peak / 32768.0), -1.0, 0.1);
  EXPECT_EQ(std::count_if(decoded.begin(), decoded.end(), [](std::int16_t v) { return v == 32767 || v == -32768; }), 0);

  std::vector<double> mono;  // left + right
  for (std::size_t i = 0; i + 1 < decoded.size(); i += 2) mono.push_back((decoded[i] + decoded[i + 1]) / 65536.0);
  const std::vector<float> kick = RenderKick();
  // The frame within 25 ms of t where the kick's first 2048 samples match best.
  auto kickAt = [&](double t) {
    long best = 0;
    double bestScore = -1e30;
    for (long f = Frame(t - 0.025); f <= Frame(t + 0.025); ++f) {
      double c = 0.0;
      for (std::size_t i = 0; i < 2048 && i < kick.size(); ++i) c += kick[i] * mono[f + i];
      if (c > bestScore) bestScore = c, best = f;
    }
    return best;
  };
  // In the sections with four-to-the-floor drums (groove, main theme, finale)
  // the kick's own waveform matches best within 2 ms of every beat.
  int beats = 0;
  for (const auto& w : {std::make_pair(21.0, 45.0), std::make_pair(104.0, 126.0), std::make_pair(128.0, 155.0)}) {
    for (long k = std::lround(std::ceil((w.first - kAnchor) / kBeat)); kAnchor + k * kBeat < w.second; ++k, ++beats) {
      const double t = kAnchor + k * kBeat;
      EXPECT_LE(std::labs(kickAt(t) - Frame(t)), Frame(0.002)) << "beat at " << t << " s";
    }
  }
  EXPECT_GT(beats, 100);
}

}  // namespace
}  // namespace velkor
