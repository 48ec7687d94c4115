// Golden frames: a few frames of every scene, rendered by velkor-tools render
// from the stand-in data and compared, as 40 x 30 box averages, with the ones
// stored in tests/golden/frames.txt. With VELKOR_UPDATE_GOLDEN=1 the file is
// rewritten from what renders now (scripts/update-golden.sh).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/tool_support.h"
#include "tools/render/render_options.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using namespace velkor::test;

constexpr int kThumbWidth = 40, kThumbHeight = 30, kFramesPerScene = 3;

struct GoldenFrame {
  long long pass = 0;
  int scene = 0;
  std::vector<double> thumb;  // box averages, top row first
};

struct GoldenSet {
  std::string options = "--fps 5";
  std::string data = "standin";  // "standin": make-data output; "empty": an empty directory
  int tolerance = 6;
  std::vector<GoldenFrame> frames;
};

std::string FormatGoldenSet(const GoldenSet& set) {
  std::ostringstream out;
  out << "# Golden frames: velkor-tools render output as " << kThumbWidth << "x" << kThumbHeight
      << " box-averaged RGB, hex, top row first.\n"
      << "# Checked by tests/tools/render/test_golden.cpp; regenerate with scripts/update-golden.sh after an "
         "intended change.\n"
      << "options " << set.options << "\ndata " << set.data << "\ntolerance " << set.tolerance << "\n";
  for (const GoldenFrame& f : set.frames) {
    out << "frame " << f.pass << " scene " << f.scene << " ";
    char hex[3];
    for (double v : f.thumb) out << (std::snprintf(hex, sizeof hex, "%02x", static_cast<int>(std::lround(v))), hex);
    out << "\n";
  }
  return out.str();
}

// Adds a failure naming the line for anything malformed.
GoldenSet ReadGoldenSet(const std::string& path) {
  GoldenSet set;
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << path;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string key, sceneWord, hex;
    words >> key;
    GoldenFrame f;
    bool ok = true;
    if (key == "options") std::getline(words >> std::ws, set.options);
    else if (key == "data") ok = (words >> set.data) && (set.data == "standin" || set.data == "empty");
    else if (key == "tolerance") ok = static_cast<bool>(words >> set.tolerance);
    else if (key == "frame") {
      ok = (words >> f.pass >> sceneWord >> f.scene >> hex) && hex.size() == kThumbWidth * kThumbHeight * 6;
      for (size_t i = 0; ok && i < hex.size(); i += 2) f.thumb.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
      set.frames.push_back(f);
    } else ok = key.empty() || key[0] == '#';
    EXPECT_TRUE(ok) << path << " line " << number << " is malformed";
  }
  return set;
}

// Renders the listed passes (all of them, without writing frames, when empty)
// into dir with their statistics.
void RenderPasses(const GoldenSet& set, const std::string& data, const std::vector<GoldenFrame>& frames,
                  const std::string& dir) {
  std::string command = "render --data " + Quote(data) + " " + set.options + " --frame-stats " + Quote(dir + "/s.csv");
  for (size_t k = 0; k < frames.size(); ++k)
    command += (k ? "," : " --out " + Quote(dir) + " --frames ") + std::to_string(frames[k].pass);
  const CommandResult r = RunTool(command);
  ASSERT_EQ(r.status, 0) << command << "\n" << r.output;
  // The stand-in set holds every file the scenes open: no load is refused (and logged).
  if (set.data == "standin") {
    EXPECT_EQ(r.output.find("velkor: "), std::string::npos) << r.output;
  }
}

std::vector<double> Thumbnail(const std::string& dir, long long pass) {
  const Image im = LoadPng(dir + "/" + FrameFileName(pass));
  return BoxAverage(im, 0, 0, im.width, im.height, kThumbWidth, kThumbHeight);
}

// kFramesPerScene passes spread over the inside of each scene's run.
void UpdateGoldenFile(GoldenSet set, const std::string& data, const std::string& dir, const std::string& path) {
  ASSERT_NO_FATAL_FAILURE(RenderPasses(set, data, {}, dir));
  const std::vector<StatsRow> rows = ReadFrameStats(dir + "/s.csv");
  set.frames.clear();
  for (size_t start = 0, end = 0; start < rows.size(); start = end) {
    while (end < rows.size() && rows[end].scene == rows[start].scene) ++end;
    for (int k = 0; k < kFramesPerScene; ++k) {
      const StatsRow& row = rows[start + (end - start) * (2 * k + 1) / (2 * kFramesPerScene)];
      if (set.frames.empty() || set.frames.back().pass != row.pass) set.frames.push_back({row.pass, row.scene, {}});
    }
  }
  ASSERT_NO_FATAL_FAILURE(RenderPasses(set, data, set.frames, dir));
  for (GoldenFrame& f : set.frames) f.thumb = Thumbnail(dir, f.pass);
  std::ofstream(path) << FormatGoldenSet(set);
  std::printf("wrote %zu golden frames (%s data) to %s\n", set.frames.size(), set.data.c_str(), path.c_str());
}

TEST(GoldenFramesTest, EveryStoredFrameStillRendersTheSame) {
  const std::string path = ProgramPath("VELKOR_SOURCE_DIR") + "/tests/golden/frames.txt";
  GoldenSet set = ReadGoldenSet(path);
  ASSERT_FALSE(HasFailure());
  if (const char* kind = std::getenv("VELKOR_GOLDEN_DATA")) set.data = kind;
  TempDir scratch;
  fs::create_directories(scratch.path() + "/empty-data");
  const std::string data = set.data == "empty" ? scratch.path() + "/empty-data" : StandinDataDir();
  ASSERT_FALSE(data.empty()) << "velkor-tools make-data did not produce the stand-in data set";
  if (const char* update = std::getenv("VELKOR_UPDATE_GOLDEN"); update && std::string(update) == "1")
    return UpdateGoldenFile(set, data, scratch.path(), path);
  ASSERT_FALSE(set.frames.empty()) << path << " holds no frames: run scripts/update-golden.sh";

  ASSERT_NO_FATAL_FAILURE(RenderPasses(set, data, set.frames, scratch.path()));
  std::vector<int> sceneOfPass;
  for (const StatsRow& r : ReadFrameStats(scratch.path() + "/s.csv")) sceneOfPass.push_back(r.scene);
  // Frames that differ are kept beside the test for a look.
  const fs::path failures = fs::current_path() / "golden-failures";
  for (const GoldenFrame& f : set.frames) {
    ASSERT_LT(f.pass, static_cast<long long>(sceneOfPass.size()));
    EXPECT_EQ(sceneOfPass[f.pass], f.scene) << "pass " << f.pass << " is drawn in another scene than when stored";
    const double worst = MaxDifference(Thumbnail(scratch.path(), f.pass), f.thumb);
    if (worst <= set.tolerance + 0.5) continue;
    std::error_code ec;
    fs::create_directories(failures, ec);
    fs::copy_file(scratch.path() + "/" + FrameFileName(f.pass), failures / FrameFileName(f.pass),
                  fs::copy_options::overwrite_existing, ec);
    ADD_FAILURE() << "pass " << f.pass << " (scene " << f.scene << ") differs by " << worst << ", tolerance "
                  << set.tolerance << "; frame kept in " << (failures / FrameFileName(f.pass)).string();
  }
}

}  // namespace
}  // namespace velkor
