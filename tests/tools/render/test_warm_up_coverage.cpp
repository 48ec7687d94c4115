// The whole show rendered with the GL state of every draw recorded by a
// preloaded library: each state a scene draws with has already been drawn
// before that scene's first frame (by the warm-up in the scene before), and no
// warm-up draw falls on a scene's first frame.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/tool_support.h"

namespace velkor {
namespace {

using test::Quote;

struct RecordedDraw {
  long pass = 0;      // 1 for the first pass
  std::string state;  // without the scissor test
  bool scissored = false;
};

std::vector<RecordedDraw> ReadDraws(const std::string& path) {
  std::vector<RecordedDraw> draws;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    RecordedDraw draw;
    fields >> draw.pass;
    std::string word;
    while (fields >> word) {
      if (word == "scissor") {
        draw.scissored = true;
      } else {
        draw.state += word + " ";
      }
    }
    draws.push_back(draw);
  }
  return draws;
}

TEST(WarmUpCoverageTest, EveryDrawStateIsMetBeforeItsSceneBegins) {
  const std::string data = test::StandinDataDir();
  ASSERT_FALSE(data.empty());
  test::TempDir t;
  const std::string log = t.path() + "/draws.log", stats = t.path() + "/stats.csv";
  const test::CommandResult run = test::RunCommand(
      "VELKOR_GL_DRAW_STATES=" + Quote(log) + " LD_PRELOAD=" + Quote(VELKOR_GL_DRAW_STATES_PATH) + " " +
      Quote(test::ProgramPath("VELKOR_TOOLS")) + " render --data " + Quote(data) +
      " --fps 2 --size 64x48 --frame-stats " + Quote(stats) + " 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;

  // The recorder counts passes by the show's one clear per pass; the statistics name each pass's scene.
  const std::vector<test::StatsRow> rows = test::ReadFrameStats(stats);
  const std::vector<RecordedDraw> draws = ReadDraws(log);
  ASSERT_GT(rows.size(), 400u);
  ASSERT_FALSE(draws.empty());
  ASSERT_EQ(static_cast<std::size_t>(draws.back().pass), rows.size()) << "one clear per pass";
  std::map<int, long> firstPass;  // scene -> its first pass
  for (std::size_t i = 0; i < rows.size(); ++i) firstPass.emplace(rows[i].scene, static_cast<long>(i) + 1);
  ASSERT_EQ(firstPass.size(), 6u);

  std::set<std::string> met;
  std::map<int, std::set<std::string>> unmet;
  int warmUpDraws = 0;
  for (const RecordedDraw& draw : draws) {
    const int scene = rows[draw.pass - 1].scene;
    const bool firstOfScene = firstPass[scene] == draw.pass;
    if (draw.scissored) {
      ++warmUpDraws;
      EXPECT_FALSE(firstOfScene && scene > 0) << "warm-up on the first pass of scene " << scene;
    } else if (scene > 0 && !met.count(draw.state)) {
      unmet[scene].insert(draw.state);
    }
    met.insert(draw.state);
  }
  EXPECT_GE(warmUpDraws, 15);
  for (const auto& [scene, states] : unmet)
    for (const std::string& state : states) ADD_FAILURE() << "scene " << scene << " first draws with: " << state;
}

}  // namespace
}  // namespace velkor
