// The whole show from start to end: the stand-in data set run through the
// offline renderer at a low frame rate; the run must pass through all six
// scenes in order and end by itself after scene 5 has run 1100 ticks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tool_support.h"

namespace velkor {
namespace {

using namespace velkor::test;

TEST(WholeShowTest, RendersAllSixScenesInOrderAndEndsAfterScene5) {
  const std::string data = StandinDataDir();
  ASSERT_FALSE(data.empty()) << "velkor-tools make-data did not produce the stand-in data set";
  TempDir out;
  const std::string stats = out.path() + "/stats.csv";
  // Every pass is drawn, none written: a pass selection would end the run after its last pass.
  const CommandResult run = RunTool("render --data " + Quote(data) + " --fps 4 --size 160x120 --frame-stats " +
                                    Quote(stats));
  ASSERT_EQ(run.status, 0) << run.output;

  const std::vector<StatsRow> rows = ReadFrameStats(stats);
  ASSERT_GT(rows.size(), 800u);
  std::vector<int> order = {rows[0].scene};
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].ms, static_cast<long long>(i) * 250);
    const int from = rows[i - 1].scene, to = rows[i].scene;
    ASSERT_TRUE(to == from || to == from + 1) << "pass " << i << ": scene " << from << " -> " << to;
    if (to == from) continue;
    // Each scene is entered at its very start.
    order.push_back(to);
    EXPECT_NEAR(rows[i].sceneTicks, 0.000001, 1e-7) << "first frame of scene " << to;
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // The run ends on its own in the pass where scene 5 has run 1100 ticks, near
  // the nominal 2750 ticks (211.5 s) of music; 3.25 ticks pass between frames.
  EXPECT_EQ(rows.back().scene, 5);
  EXPECT_GT(rows.back().sceneTicks, 1100.0);
  EXPECT_LE(rows.back().sceneTicks, 1100.0 + 3.26);
  EXPECT_LE(rows[rows.size() - 2].sceneTicks, 1100.0);
  EXPECT_NEAR(static_cast<double>(rows.back().ms), 211500.0, 1000.0);
}

}  // namespace
}  // namespace velkor
