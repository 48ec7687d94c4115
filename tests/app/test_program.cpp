// The show program run as a child process without a display: start-up failures
// are reported in order and end it with a failing status; a played show's
// --frame-times file lists every presented frame and the setups before them.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/tool_support.h"

namespace velkor {
namespace {

TEST(ProgramTest, StartUpFailuresAreReportedAndEndTheProgram) {
  const std::string show = test::ProgramPath("VELKOR_SHOW");
  ASSERT_FALSE(show.empty()) << "VELKOR_SHOW not set";
  const struct {
    const char* name;
    const char* file;  // written into the working directory, when set
    const char* environment;
    const char* arguments;
    int status;
    std::vector<std::string> messages;  // in this order
  } cases[] = {
      {"no video system", nullptr, "SDL_VIDEODRIVER=nonexistent", "", 1,
       {"ERROR: Failed To Register The Window Class."}},
      {"a data directory but no music", "data/readme.txt", "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy",
       "--windowed --data data", 1,
       {"ERROR!: File Not Found!", "no mirok6.mp3 in data;", "velkor-tools make-data", "ERROR: Initialization Failed."}},
      {"no audio device", "mirok6.mp3", "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=nonexistent", "--windowed", 1,
       {"ERROR!: Error initializing output device.", "--silent plays the show without sound",
        "ERROR: Initialization Failed."}},
      {"an unknown argument", nullptr, "", "--bogus", 2, {"unknown argument '--bogus'", "usage"}},
      {"a value out of range", nullptr, "", "--msaa 3", 2, {"bad value '3' for --msaa", "usage"}},
      {"a data directory that is not there", nullptr, "", "--data nowhere", 2, {"--data nowhere: no such directory"}},
      {"help", nullptr, "", "--help", 0, {"--silent", "--loop", "Alt+Enter", "Page Down"}},
  };
  for (const auto& c : cases) {
    test::TempDir dir;  // a name with a space and a quote must not matter
    const std::string work = dir.path() + "/it's here";
    dir.Write(std::string("it's here/") + (c.file ? c.file : ".keep"), std::string("not looked at"));
    const test::CommandResult r =
        test::RunCommand("cd " + test::Quote(work) + " && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY " +
                         c.environment + " " + test::Quote(show) + " " + c.arguments);
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.output;
    std::size_t from = 0;
    for (const std::string& m : c.messages) {
      const std::size_t at = r.output.find(m, from);
      EXPECT_NE(at, std::string::npos) << c.name << ": no \"" << m << "\" in order in\n" << r.output;
      from = at == std::string::npos ? from : at + m.size();
    }
  }
}

TEST(ProgramTest, FrameTimesListEveryFrameWithTheSetupThatCameBeforeIt) {
  const std::string data = test::StandinDataDir();
  ASSERT_FALSE(data.empty());
  test::TempDir dir;
  const std::string csv = dir.path() + "/frames.csv";
  const test::CommandResult r = test::RunCommand(
      "timeout 120 env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy " +
      test::Quote(test::ProgramPath("VELKOR_SHOW")) + " --windowed --step-ms 2000 --data " + test::Quote(data) +
      " --frame-times " + test::Quote(csv) + " 2>&1");
  ASSERT_EQ(r.status, 0) << r.output;
  std::ifstream in(csv);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, "wallMicros,musicMs,scene,setupMicros,shownMs,readMicros,predictedSwapMicros");
  struct Row {
    long long wall, music;
    int scene;
    long long setup, shown, read, predicted;
  };
  std::vector<Row> rows;
  for (Row row{}; std::getline(in, line);) {
    ASSERT_EQ(std::sscanf(line.c_str(), "%lld,%lld,%d,%lld,%lld,%lld,%lld", &row.wall, &row.music, &row.scene,
                          &row.setup, &row.shown, &row.read, &row.predicted),
              7)
        << line;
    rows.push_back(row);
  }
  // 211.5 s of music at 2 s a frame, the music time one step per frame; each
  // scene starts where its switch fell, up to a step past its nominal start.
  ASSERT_GE(rows.size(), 106u);
  ASSERT_LE(rows.size(), 112u);
  std::vector<int> entered;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool first = i == 0 || rows[i].scene != rows[i - 1].scene;
    if (i > 0) {
      EXPECT_GE(rows[i].wall, rows[i - 1].wall) << i;
      EXPECT_EQ(rows[i].music - rows[i - 1].music, 2000) << i;
    }
    if (first) entered.push_back(rows[i].scene);
    // The virtual clock's frames are drawn for its own time, not led on: the
    // frame shows the step before the one read after its swap.
    EXPECT_EQ(rows[i].shown, rows[i].music - 2000) << i;
    EXPECT_EQ(rows[i].predicted, rows[i].read) << i;
    EXPECT_LE(rows[i].read, rows[i].wall) << i;
    // Scene 0 is set up at start-up, before the first frame; each later scene
    // in the pass that switches to it.
    if (first)
      EXPECT_GT(rows[i].setup, 0) << "frame " << i << ", scene " << rows[i].scene;
    else
      EXPECT_EQ(rows[i].setup, 0) << "frame " << i << ", scene " << rows[i].scene;
  }
  EXPECT_EQ(entered, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace velkor
