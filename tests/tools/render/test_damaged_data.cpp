// The whole show on damaged copies of the stand-in data set: each file in turn
// missing, cut to half its length, or with bytes overwritten (the same bytes
// on every run), played through by velkor-tools render at 32 x 24, one frame a
// second. Every run ends normally, names the file in a warning, and draws the
// scenes that do not read the file exactly as on the intact set. A copy is the
// intact set hard-linked but for the damaged file. render does not read the
// music, so a damaged music file is played by the show itself.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/tool_support.h"
#include "tools/render/render_options.h"
#include "support/virtual_display.h"

namespace velkor {
namespace {

using namespace velkor::test;
namespace fs = std::filesystem;

enum class Damage { Missing, Truncated, Overwritten };

std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> bytes, Damage damage, unsigned seed) {
  if (damage == Damage::Truncated) bytes.resize(bytes.size() / 2);
  if (damage != Damage::Overwritten) return bytes;
  // The header and 32 bytes anywhere in the file.
  std::mt19937 random(seed);
  for (std::size_t i = 0; i < 64 && i < bytes.size(); ++i)
    bytes[i < 32 ? i : random() % bytes.size()] = static_cast<std::uint8_t>(random());
  return bytes;
}

// relative: a path under set, '/' separators. Returns the copy's root.
std::string DamagedCopy(const std::string& set, const std::string& relative, Damage damage, unsigned seed,
                        const std::string& where) {
  fs::copy(set, where, fs::copy_options::recursive | fs::copy_options::create_hard_links);
  fs::remove(where + "/" + relative);
  if (damage != Damage::Missing) {
    std::ofstream out(where + "/" + relative, std::ios::binary);
    const std::vector<std::uint8_t> bytes = Damaged(ReadFileBytes(set + "/" + relative), damage, seed);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  return where;
}

// The scene that reads a data file, from its folder or name; -1 for the music.
int SceneReading(const std::string& relative) {
  static const struct {
    const char* part;
    int scene;
  } kParts[] = {{"part01", 0}, {"part02", 1}, {"birdie", 1}, {"part03", 2},
                {"part04", 3}, {"part06", 4}, {"part05", 5}};
  for (const auto& p : kParts)
    if (relative.find(p.part) != std::string::npos) return p.scene;
  return -1;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool SanitizerReport(const std::string& output) {
  return output.find("Sanitizer") != std::string::npos || output.find("runtime error:") != std::string::npos;
}

struct Render {
  CommandResult result;
  std::vector<StatsRow> rows;
  std::string frames;  // the folder of PNG frames
};

Render RenderAll(const std::string& data, const std::string& out, const std::string& extra = "") {
  Render r;
  r.frames = out + "/frames";
  r.result = RunTool("render --data " + Quote(data) + " --fps 1 --size 32x24 --out " + Quote(r.frames) +
                     " --frame-stats " + Quote(out + "/stats.csv") + " " + extra);
  r.rows = ReadFrameStats(out + "/stats.csv");
  return r;
}

class DamagedDataTest : public ::testing::TestWithParam<Damage> {
 protected:
  static void SetUpTestSuite() {
    set_ = StandinDataDir();
    if (set_.empty()) return;
    intactDir_ = new TempDir;
    intact_ = RenderAll(set_, intactDir_->path(), "--strict");
  }
  static void TearDownTestSuite() {
    delete intactDir_;
    intactDir_ = nullptr;
  }
  static std::string set_;
  static TempDir* intactDir_;
  static Render intact_;
};
std::string DamagedDataTest::set_;
TempDir* DamagedDataTest::intactDir_ = nullptr;
Render DamagedDataTest::intact_;

TEST_P(DamagedDataTest, EveryFileDamagedPlaysThroughNamesTheFileAndLeavesOtherScenesAlone) {
  ASSERT_FALSE(set_.empty()) << "velkor-tools make-data did not produce the stand-in data set";
  ASSERT_EQ(intact_.result.status, 0) << intact_.result.output;
  ASSERT_EQ(intact_.result.output.find("warning"), std::string::npos) << intact_.result.output;
  ASSERT_GT(intact_.rows.size(), 200u);
  const std::vector<std::string> files = FilesBelow(set_);
  ASSERT_EQ(files.size(), 46u);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& file = files[i];
    TempDir work;
    const std::string copy = DamagedCopy(set_, file, GetParam(), static_cast<unsigned>(i), work.path() + "/set");
    const Render r = RenderAll(copy, work.path());
    SCOPED_TRACE(file);
    ASSERT_EQ(r.result.status, 0) << r.result.output;
    EXPECT_FALSE(SanitizerReport(r.result.output)) << r.result.output;
    // Damage the show reads is named in a warning, by the file's name as the show spells it.
    const int scene = SceneReading(file);
    const std::string name = Lower(fs::path(file).filename().string());
    bool named = false;
    std::istringstream lines(Lower(r.result.output));
    for (std::string line; std::getline(lines, line);)
      named = named || (line.find("warning:") != std::string::npos && line.find(name) != std::string::npos);
    EXPECT_TRUE(named || (scene < 0 && GetParam() != Damage::Missing)) << r.result.output;
    // The same passes, and the same pictures in every scene that does not read the file.
    ASSERT_EQ(r.rows.size(), intact_.rows.size()) << r.result.output;
    int compared = 0;
    for (const StatsRow& row : intact_.rows) {
      if (row.scene == scene) continue;
      const std::string frame = "/" + FrameFileName(row.pass);
      ASSERT_EQ(ReadFileBytes(r.frames + frame), ReadFileBytes(intact_.frames + frame)) << "pass " << row.pass;
      ++compared;
    }
    EXPECT_GT(compared, 0);
  }
}

std::string DamageName(const ::testing::TestParamInfo<Damage>& kind) {
  static const char* const kNames[] = {"Missing", "Truncated", "Overwritten"};
  return kNames[static_cast<int>(kind.param)];
}
INSTANTIATE_TEST_SUITE_P(Kinds, DamagedDataTest,
                         ::testing::Values(Damage::Missing, Damage::Truncated, Damage::Overwritten), DamageName);

// The show's own reader of the music: without the track the show stops with
// the original's message; a damaged track plays, or is refused with a message.
TEST(DamagedMusicTest, TheShowRefusesAMissingTrackAndPlaysOrRefusesADamagedOne) {
  const std::string set = StandinDataDir();
  ASSERT_FALSE(set.empty());
  const std::vector<std::string> files = FilesBelow(set);
  const auto music = std::find(files.begin(), files.end(), "mirok6.mp3");
  ASSERT_NE(music, files.end());
  for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Overwritten}) {
    TempDir work;
    const std::string copy = DamagedCopy(set, *music, damage, static_cast<unsigned>(music - files.begin()),
                                         work.path() + "/set");
    ChildProcess show(ProgramPath("VELKOR_SHOW"), {"--windowed", "--verbose", "--data", copy},
                      {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"},
                      work.path());
    int status = -1;
    for (int i = 0; i < 60 && status == -1; ++i) {
      if (show.ErrorOutput().find("scene 0 begins") != std::string::npos) break;
      status = show.WaitForExit(1);
    }
    const bool playing = status == -1;
    if (playing) {
      show.Signal(SIGTERM);
      status = show.WaitForExit(10);
    }
    const std::string log = show.ErrorOutput();
    SCOPED_TRACE(static_cast<int>(damage));
    EXPECT_FALSE(SanitizerReport(log)) << log;
    EXPECT_EQ(status, playing ? 0 : 1) << log;
    EXPECT_TRUE(playing || log.find("ERROR!: ") != std::string::npos) << log;
    EXPECT_TRUE(damage != Damage::Missing || log.find("ERROR!: File Not Found!") != std::string::npos) << log;
  }
}

TEST(DamagedDataStrictTest, StrictFailsOnADamagedSetOnly) {
  const std::string set = StandinDataDir();
  ASSERT_FALSE(set.empty());
  TempDir work;
  const std::string args = " --fps 1 --size 16x16 --strict --to 10";
  const CommandResult intact = RunTool("render --data " + Quote(set) + args);
  EXPECT_EQ(intact.status, 0) << intact.output;
  // A damaged picture is reported by the scenes, a missing track before they start.
  const std::string copies[] = {
      DamagedCopy(set, "data/texpart01/rock.tga", Damage::Truncated, 0, work.path() + "/picture"),
      DamagedCopy(set, "mirok6.mp3", Damage::Missing, 0, work.path() + "/music")};
  for (const std::string& copy : copies) {
    const CommandResult damaged = RunTool("render --data " + Quote(copy) + args);
    EXPECT_EQ(damaged.status, 1) << damaged.output;
    EXPECT_NE(damaged.output.find("--strict: the data set has damaged or missing files"), std::string::npos)
        << damaged.output;
  }
}

}  // namespace
}  // namespace velkor
