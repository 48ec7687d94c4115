// velkor-tools render driven end to end: reproducible PNGs, frame selection by
// ticks and passes, exact music times in the frame statistics, the kept 4:3
// picture at other sizes, video with the music, and its failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "music/sequencer.h"
#include "support/tool_support.h"
#include "tools/render/render_options.h"
#include "tools/render/render_video.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using namespace velkor::test;

CommandResult Render(const std::string& data, const std::string& args) {
  return RunTool("render --data " + Quote(data) + " " + args);
}

// Mean RGB of an area.
std::vector<double> Mean(const Image& im, int x0, int y0, int w, int h) { return BoxAverage(im, x0, y0, w, h, 1, 1); }

TEST(RenderToolTest, FramesSelectedByPassesAndTicksAreRepeatableAndPillarboxedWhenWide) {
  const std::string data = StandinDataDir();
  ASSERT_FALSE(data.empty()) << "velkor-tools make-data failed";
  TempDir t;
  // At 1 fps pass n is at n s, demoTicks 13 n + 0.001: passes 3 and 200 lie
  // outside ticks [50, 2250], passes 16 to 61 inside [200, 800].
  std::vector<int> inside;
  for (int n = 16; n <= 61; ++n) inside.push_back(n);
  const struct { std::string name, args; std::vector<int> written; } runs[] = {
      {"a", "--frames 3,4,17,60,100,170,200 --from 50 --to=2250", {4, 17, 60, 100, 170}},
      {"b", "--from 200 --to 800", inside},
      {"wide", "--frames 4,17,60,100,170 --size 1280x720", {4, 17, 60, 100, 170}},
      {"none", "--from 13.1 --to 13.2", {}},
  };
  for (const auto& run : runs) {
    const CommandResult r = Render(data, "--fps 1 " + run.args + " --out " + Quote(t.path() + "/" + run.name));
    EXPECT_EQ(r.status != 0, run.written.empty()) << run.args << "\n" << r.output;
    if (run.written.empty()) {
      EXPECT_NE(r.output.find("no frame"), std::string::npos) << r.output;
    }
    std::vector<std::string> names;
    for (int n : run.written) names.push_back(FrameFileName(n));
    EXPECT_EQ(FileNames(t.path() + "/" + run.name), names) << run.args;
  }
  for (int pass : {17, 60}) {
    const std::string name = "/" + FrameFileName(pass);
    EXPECT_TRUE(ReadFileBytes(t.path() + "/a" + name) == ReadFileBytes(t.path() + "/b" + name)) << name;
  }
  for (const std::string& name : FileNames(t.path() + "/wide")) {
    const Image small = LoadPng(t.path() + "/a/" + name), wide = LoadPng(t.path() + "/wide/" + name);
    ASSERT_EQ(small.width * 1000 + small.height, 640480) << name;
    ASSERT_EQ(wide.width * 1000 + wide.height, 1280720) << name;
    // The 4:3 picture fills the middle 960 x 720 with black bars beside it.
    EXPECT_LT(MaxDifference(BoxAverage(wide, 160, 0, 960, 720, 40, 30), BoxAverage(small, 0, 0, 640, 480, 40, 30)),
              24.0) << name;
    EXPECT_EQ(Mean(wide, 0, 0, 160, 720), std::vector<double>(3, 0.0)) << name;
    EXPECT_EQ(Mean(wide, 1120, 0, 160, 720), std::vector<double>(3, 0.0)) << name;
    EXPECT_NE(Mean(small, 0, 0, 160, 480), std::vector<double>(3, 0.0)) << name << ": bars and picture must differ";
  }
}

TEST(RenderToolTest, FrameStatsFollowAFractionalRateAndEndAtTheLastTick) {
  TempDir t;
  const std::string csv = t.path() + "/stats.csv";
  const CommandResult r = Render(t.path(), "--fps 30000/1001 --to 60 --frame-stats " + Quote(csv));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::vector<StatsRow> rows = ReadFrameStats(csv);
  ASSERT_GT(rows.size(), 100u);
  // 29.97 frames a second: 3 frames take 100.1 ms and 30 frames 1001 ms, with no drift.
  EXPECT_EQ((std::vector<long long>{rows[3].ms, rows[30].ms, rows[90].ms}), (std::vector<long long>{100, 1001, 3003}));
  for (size_t n = 0; n < rows.size(); ++n) {
    EXPECT_EQ(rows[n].pass, static_cast<long long>(n));
    EXPECT_NEAR(rows[n].sceneTicks, DemoTicksFromMs(static_cast<int>(rows[n].ms)), 2e-6) << n;
    EXPECT_GT(rows[n].drawMicros, 0);
    EXPECT_EQ(rows[n].setupMicros, 0) << n << ": scene 0 is set up before the first pass";
  }
  // Drawing stops with the first pass at or past tick 60.
  EXPECT_GE(DemoTicksFromMs(static_cast<int>(rows.back().ms)), 60.0f);
  EXPECT_LT(DemoTicksFromMs(static_cast<int>(rows[rows.size() - 2].ms)), 60.0f);
}

TEST(RenderToolTest, FrameStatsGiveTheSetupTimeOnThePassThatSwitchesScene) {
  TempDir t;
  const std::string csv = t.path() + "/stats.csv";
  const std::string to = std::to_string(NominalSceneStartTicks(2) + 5);
  const CommandResult r = Render(t.path(), "--fps 4 --to " + to + " --frame-stats " + Quote(csv));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::vector<StatsRow> rows = ReadFrameStats(csv);
  ASSERT_GT(rows.size(), 2u);
  int switches = 0;
  for (size_t n = 1; n < rows.size(); ++n) {
    const bool switched = rows[n].scene != rows[n - 1].scene;
    switches += switched;
    if (switched)
      EXPECT_GT(rows[n].setupMicros, 0) << n;
    else
      EXPECT_EQ(rows[n].setupMicros, 0) << n;
  }
  EXPECT_EQ(switches, 2);
}

// ffprobe's value of one entry of one stream.
std::string Probe(const std::string& file, const std::string& stream, const std::string& entry) {
  std::string out = RunCommand("ffprobe -v error -select_streams " + Quote(stream) + " -count_frames -show_entries " +
                               Quote("stream=" + entry) + " -of default=nw=1:nk=1 " + Quote(file)).output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(RenderToolTest, VideoHasEveryFrameUprightAndTheMusicFromTheFirstFrame) {
  if (FindProgramOnPath("ffmpeg").empty() || FindProgramOnPath("ffprobe").empty())
    GTEST_SKIP() << "ffmpeg/ffprobe not installed (scripts/install-deps.sh installs them)";
  const std::string standin = StandinDataDir();
  ASSERT_FALSE(standin.empty()) << "velkor-tools make-data failed";
  // The stand-in pictures with a track of one silent second, then a loud tone.
  TempDir t;
  fs::create_directory_symlink(standin + "/data", t.path() + "/data");
  const CommandResult music = RunCommand("ffmpeg -v error -f lavfi -i 'sine=frequency=440:duration=3,adelay=1000,"
                                         "volume=4' -ar 44100 -ac 2 -b:a 128k " + Quote(t.path() + "/mirok6.mp3"));
  ASSERT_EQ(music.status, 0) << music.output;
  // Passes 10 to 19 at 10 fps: the video opens at 1 s, so with the tone.
  const std::string video = t.path() + "/v.mp4";
  const CommandResult r = Render(t.path(), "--fps 10 --from 13 --to 26 --out " + Quote(t.path() + "/png") +
                                               " --video " + Quote(video));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Probe(video, "v:0", "nb_read_frames"), "10");
  EXPECT_EQ(Probe(video, "v:0", "codec_name"), "h264");
  EXPECT_EQ(Probe(video, "a:0", "codec_name"), "aac");
  // Root-mean-square level of the first half second of sound.
  const CommandResult sound = RunCommand("ffmpeg -v error -i " + Quote(video) +
                                         " -map 0:a:0 -t 0.5 -ac 1 -ar 8000 -f s16le -");
  std::vector<short> samples(sound.output.size() / 2);
  std::memcpy(samples.data(), sound.output.data(), samples.size() * 2);
  double sum = 0.0;
  for (short v : samples) sum += static_cast<double>(v) * v;
  ASSERT_EQ(sound.status, 0);
  ASSERT_FALSE(samples.empty());
  EXPECT_GT(std::sqrt(sum / static_cast<double>(samples.size())), 4000.0);
  // Frame 7 of the video is pass 17: lossy coding blurs detail, an upside-down
  // or shifted picture differs far more.
  const std::string extracted = t.path() + "/extracted.png";
  const CommandResult x = RunCommand("ffmpeg -v error -i " + Quote(video) + " -vf 'select=eq(n\\,7)' -frames:v 1 " +
                                     "-pix_fmt rgb24 " + Quote(extracted));
  ASSERT_EQ(x.status, 0) << x.output;
  const Image fromVideo = LoadPng(extracted), fromPng = LoadPng(t.path() + "/png/" + FrameFileName(17));
  ASSERT_EQ(fromVideo.width * 1000 + fromVideo.height, 640480);
  EXPECT_LT(MaxDifference(BoxAverage(fromVideo, 0, 0, 640, 480, 20, 15), BoxAverage(fromPng, 0, 0, 640, 480, 20, 15)),
            20.0);
}

TEST(RenderToolTest, BadOptionsAndMissingThingsFailWithAMessage) {
  TempDir t;
  const std::string outputs = " --out " + Quote(t.path() + "/out") + " --frame-stats " + Quote(t.path() + "/s.csv");
  const std::string cases[][2] = {
      {"--fps 0", "--fps"},        {"--fps 29.97", "--fps"},      {"--fps 60/0", "--fps"},
      {"--fps 1001", "--fps"},     {"--from abc", "--from"},      {"--from -1", "--from"},
      {"--to nan", "--to"},        {"--from 30 --to 20", "--to"}, {"--size 640", "--size"},
      {"--size 8x8", "--size"},    {"--size 12x", "--size"},      {"--size 99999x480", "--size"},
      {"--frames 1,,2", "--frames"}, {"--frames x", "--frames"},  {"--whatever", "--whatever"},
      {"--data ''", "--data"},     {"--video v.mp4 --size 641x480", "--video"},
      {"--fps", "--fps needs a value"}, {"--data " + Quote(t.path() + "/nowhere"), "does not exist"},
      {"--video " + Quote(t.path() + "/missing/v.mp4"),
       FindProgramOnPath("ffmpeg").empty() ? "needs the ffmpeg program" : "no such directory"},
  };
  for (const auto& c : cases) {
    const CommandResult r = RunTool("render" + outputs + " " + c[0]);
    EXPECT_NE(r.status, 0) << c[0];
    EXPECT_NE(r.output.find(c[1]), std::string::npos) << c[0] << "\n" << r.output;
  }
  // Without ffmpeg nothing is rendered at all.
  const CommandResult r = RunCommand("PATH=" + Quote(t.path()) + " " + Quote(ProgramPath("VELKOR_TOOLS")) +
                                     " render --data " + Quote(t.path()) + outputs + " --video " +
                                     Quote(t.path() + "/v.mp4"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("ffmpeg"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(t.path() + "/out") || fs::exists(t.path() + "/s.csv") || fs::exists(t.path() + "/v.mp4"));
}

}  // namespace
}  // namespace velkor
