// velkor-tools render's capture options end to end: supersampling against a
// box reduction done here from a frame drawn at twice the size, multisampling,
// the three video containers as ffprobe reads them back, and interruption.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tool_support.h"
#include "tools/render/render_options.h"

namespace velkor {
namespace {

using namespace velkor::test;

// Passes at 1 fps in scenes 0, 1, 2, 3, 4 and 5.
const std::string kOnePerScene = "--fps 1 --frames 5,40,60,100,115,170";

CommandResult Render(const std::string& args) {
  return RunTool("render --data " + Quote(StandinDataDir()) + " " + args);
}

// Each factor x factor block averaged, rounded to nearest with halves up.
Image BoxReduce(const Image& big, int factor) {
  Image small{big.width / factor, big.height / factor, {}};
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < factor; ++dy)
          for (int dx = 0; dx < factor; ++dx)
            sum += big.rgb[((static_cast<size_t>(y) * factor + dy) * big.width + x * factor + dx) * 3 + c];
        small.rgb.push_back(static_cast<std::uint8_t>((2 * sum + factor * factor) / (2 * factor * factor)));
      }
  return small;
}

size_t DifferingBytes(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return static_cast<size_t>(-1);
  size_t n = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) n += a.rgb[i] != b.rgb[i];
  return n;
}

TEST(CaptureTest, SupersampledFramesAreBoxReducedDoubleSizeFramesAtTheSameClock) {
  ASSERT_FALSE(StandinDataDir().empty()) << "velkor-tools make-data failed";
  TempDir t;
  const struct {
    std::string name, args;
  } runs[] = {
      // One row more than a 4:3 picture needs at twice the size: a bar of one
      // row, on the side where the context's own framebuffer puts it.
      {"double", "--size 644x484"},
      {"ssaa", "--size 322x242 --ssaa 2"},
      {"plain", "--size 322x242"},
      {"msaa", "--size 322x242 --msaa 4"},
  };
  for (const auto& run : runs) {
    const std::string dir = t.path() + "/" + run.name;
    const CommandResult r = Render(kOnePerScene + " " + run.args + " --out " + Quote(dir) + " --frame-stats " +
                                   Quote(dir + ".csv"));
    ASSERT_EQ(r.status, 0) << run.args << "\n" << r.output;
  }
  const std::vector<StatsRow> plain = ReadFrameStats(t.path() + "/plain.csv");
  ASSERT_EQ(plain.size(), 171u);
  for (const char* name : {"double", "ssaa", "msaa"}) {
    const std::vector<StatsRow> rows = ReadFrameStats(t.path() + "/" + name + ".csv");
    ASSERT_EQ(rows.size(), plain.size()) << name;
    for (size_t n = 0; n < rows.size(); ++n) {
      EXPECT_EQ(rows[n].pass, plain[n].pass) << name << " " << n;
      EXPECT_EQ(rows[n].ms, plain[n].ms) << name << " " << n;
      EXPECT_EQ(rows[n].scene, plain[n].scene) << name << " " << n;
      EXPECT_EQ(rows[n].sceneTicks, plain[n].sceneTicks) << name << " " << n;
    }
  }
  size_t edgesSmoothed = 0;
  for (const std::string& file : FileNames(t.path() + "/ssaa")) {
    const Image reduced = BoxReduce(LoadPng(t.path() + "/double/" + file), 2);
    EXPECT_EQ(DifferingBytes(LoadPng(t.path() + "/ssaa/" + file), reduced), 0u) << file;
    // Multisampling only blends along edges: the picture as a whole stays.
    const Image plainFrame = LoadPng(t.path() + "/plain/" + file), msaaFrame = LoadPng(t.path() + "/msaa/" + file);
    EXPECT_LT(MaxDifference(BoxAverage(msaaFrame, 0, 0, 322, 242, 14, 11),
                            BoxAverage(plainFrame, 0, 0, 322, 242, 14, 11)), 8.0) << file;
    edgesSmoothed += DifferingBytes(msaaFrame, plainFrame);
  }
  EXPECT_EQ(FileNames(t.path() + "/ssaa").size(), 6u);
  EXPECT_GT(edgesSmoothed, 1000u) << "--msaa 4 changed next to nothing";
}

}  // namespace
}  // namespace velkor
