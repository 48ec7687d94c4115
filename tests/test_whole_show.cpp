// The whole show from start to end: the stand-in data set made by
// `velkor-tools make-data`, run through the offline renderer at a low frame
// rate and a small frame size; the run must end by itself after scene 5, pass
// through all six scenes in order, and draw pictures in its last two scenes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "tools/png_writer.h"
#include "tools/render_options.h"

namespace velkor {
namespace {

using test::CommandResult;
using test::ProgramPath;
using test::RunCommand;
using test::TempDir;

constexpr int kFps = 4;
constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct StatsRow {
  long long pass = 0, ms = 0;
  int scene = -1;
  double sceneTicks = 0.0;
};

std::vector<StatsRow> ReadStats(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  std::vector<StatsRow> rows;
  while (std::getline(in, line)) {
    StatsRow r;
    if (std::sscanf(line.c_str(), "%lld,%lld,%d,%lf,", &r.pass, &r.ms, &r.scene, &r.sceneTicks) == 4) rows.push_back(r);
  }
  return rows;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

double MeanBrightness(const std::vector<std::uint8_t>& rgb) {
  double sum = 0.0;
  for (std::uint8_t v : rgb) sum += v;
  return rgb.empty() ? 0.0 : sum / static_cast<double>(rgb.size());
}

// Passes well inside scenes 4 and 5 on the nominal timeline (music ms at 4 fps:
// 250 per pass): the third picture, the model alone, early and late in scene 5.
const long long kLookPasses[] = {440, 480, 560, 800};
const int kLookScenes[] = {4, 4, 5, 5};

TEST(WholeShowTest, RendersAllSixScenesInOrderAndEndsAfterScene5) {
  const std::string tool = ProgramPath("VELKOR_TOOLS");
  ASSERT_FALSE(tool.empty());
  TempDir data, out;
  const CommandResult made = RunCommand(Quote(tool) + " make-data " + Quote(data.path()));
  ASSERT_EQ(made.status, 0) << made.output;

  const std::string stats = out.path() + "/stats.csv";
  const std::string frames = out.path() + "/frames";
  // Every frame is written: a pass selection would end the run after its last pass.
  const CommandResult run =
      RunCommand(Quote(tool) + " render --data " + Quote(data.path()) + " --fps " + std::to_string(kFps) + " --size " +
                 std::to_string(kWidth) + "x" + std::to_string(kHeight) + " --out " + Quote(frames) +
                 " --frame-stats " + Quote(stats));
  ASSERT_EQ(run.status, 0) << run.output;

  const std::vector<StatsRow> rows = ReadStats(stats);
  ASSERT_GT(rows.size(), 800u);
  // One row per pass, the music advancing 250 ms each time.
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].pass, static_cast<long long>(i));
    ASSERT_EQ(rows[i].ms, static_cast<long long>(i) * 1000 / kFps);
  }
  // Scenes strictly in order, each entered at its very start, none skipped.
  std::vector<int> order = {rows[0].scene};
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const int from = rows[i - 1].scene, to = rows[i].scene;
    ASSERT_TRUE(to == from || to == from + 1) << "pass " << i << ": scene " << from << " -> " << to;
    if (to != from) {
      order.push_back(to);
      EXPECT_NEAR(rows[i].sceneTicks, 0.000001, 1e-7) << "first frame of scene " << to;
    }
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // The run ends on its own in the pass where scene 5 has run 1100 ticks, near
  // the nominal 2750 ticks (211.5 s) of music.
  const StatsRow& last = rows.back();
  EXPECT_EQ(last.scene, 5);
  EXPECT_GT(last.sceneTicks, 1100.0);
  EXPECT_LE(last.sceneTicks, 1100.0 + 13.0 / kFps + 0.01);
  EXPECT_NEAR(static_cast<double>(last.ms), 211500.0, 1000.0);
  EXPECT_LE(rows[rows.size() - 2].sceneTicks, 1100.0);

  // The chosen frames of scenes 4 and 5 hold pictures, each its own.
  std::vector<std::vector<std::uint8_t>> pictures;
  for (int k = 0; k < 4; ++k) {
    const long long pass = kLookPasses[k];
    ASSERT_LT(pass, static_cast<long long>(rows.size()));
    EXPECT_EQ(rows[pass].scene, kLookScenes[k]) << "pass " << pass;
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    ASSERT_TRUE(ReadPngRgb(frames + "/" + FrameFileName(pass), &width, &height, &rgb)) << pass;
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    EXPECT_GT(MeanBrightness(rgb), 20.0) << "pass " << pass << " is nearly black";
    for (const auto& earlier : pictures) EXPECT_NE(rgb, earlier) << "pass " << pass;
    pictures.push_back(std::move(rgb));
  }
}

}  // namespace
}  // namespace velkor
