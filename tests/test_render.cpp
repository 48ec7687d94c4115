// velkor-tools render: option handling and frame timing, and the built tool
// driven end to end (frame selection, reproducible PNGs, frame statistics,
// the kept 4:3 picture, video with music, and its failures).
#include <gtest/gtest.h>
#include <lame/lame.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "music/sequencer.h"
#include "support/test_files.h"
#include "tools/png_writer.h"
#include "tools/render_options.h"
#include "tools/render_video.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::ProgramPath;
using test::ReadFileBytes;
using test::RunCommand;
using test::TempDir;

// ---------------------------------------------------------------- pure parts

bool Parse(std::vector<std::string> args, RenderOptions* o, std::string* error) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

TEST(RenderOptionsTest, AcceptsEveryOptionInBothSpellings) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--fps", "30000/1001", "--from", "13", "--to=26.5", "--size", "1280x720", "--data", "d",
                     "--out", "o", "--video=v.mp4", "--frame-stats", "s.csv", "--frames", "9,3,3"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.fpsNum, 30000);
  EXPECT_EQ(o.fpsDen, 1001);
  EXPECT_TRUE(o.haveFrom && o.haveTo);
  EXPECT_EQ(o.fromTicks, 13.0);
  EXPECT_EQ(o.toTicks, 26.5);
  EXPECT_EQ(o.width, 1280);
  EXPECT_EQ(o.height, 720);
  EXPECT_EQ(o.dataDir, "d");
  EXPECT_EQ(o.outDir, "o");
  EXPECT_EQ(o.videoPath, "v.mp4");
  EXPECT_EQ(o.statsPath, "s.csv");
  EXPECT_EQ(o.passes, (std::vector<std::int64_t>{3, 9}));

  ASSERT_TRUE(Parse({}, &o, &error));
  EXPECT_EQ(o.fpsNum, 60);
  EXPECT_EQ(o.fpsDen, 1);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 480);
  EXPECT_FALSE(o.haveFrom || o.haveTo);
}

TEST(RenderOptionsTest, RefusesBadValuesNamingTheOption) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{"--fps", "0"}, "--fps"},           {{"--fps", "1001"}, "--fps"},        {{"--fps", "29.97"}, "--fps"},
      {{"--fps", "60/0"}, "--fps"},        {{"--fps", "-5"}, "--fps"},          {{"--from", "abc"}, "--from"},
      {{"--from", "-1"}, "--from"},        {{"--to", "nan"}, "--to"},           {{"--size", "640"}, "--size"},
      {{"--size", "640x"}, "--size"},      {{"--size", "8x8"}, "--size"},       {{"--size", "99999x480"}, "--size"},
      {{"--frames", "1,,2"}, "--frames"},  {{"--frames", "x"}, "--frames"},     {{"--out"}, "--out"},
      {{"--bogus"}, "--bogus"},            {{"--data", ""}, "--data"},          {{"--from", "20", "--to", "10"}, "--to"},
      {{"--video", "v.mp4", "--size", "641x480"}, "--video"},
  };
  for (const Case& c : cases) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, &o, &error)) << c.args[0];
    EXPECT_NE(error.find(c.named), std::string::npos) << c.args[0] << ": " << error;
  }
}

TEST(RenderTimingTest, PassTimesNeverDriftFromTheFrameRate) {
  const std::int64_t rates[][2] = {{1, 1}, {7, 1}, {24, 1}, {25, 1}, {30, 1}, {60, 1}, {144, 1}, {1000, 1},
                                   {30000, 1001}, {24000, 1001}};
  for (const auto& r : rates) {
    const std::int64_t num = r[0], den = r[1];
    // Every whole cycle of the rate lands exactly on its music time.
    for (std::int64_t k = 0; k <= 300; ++k) EXPECT_EQ(PassMusicMs(num * k, num, den), 1000 * den * k) << num << "/" << den;
    // In between, steps are the frame period rounded down or up, and the time
    // never runs ahead of n / fps.
    const std::int64_t shortStep = 1000 * den / num;
    for (std::int64_t n = 1; n < 20000; ++n) {
      const std::int64_t step = PassMusicMs(n, num, den) - PassMusicMs(n - 1, num, den);
      EXPECT_TRUE(step == shortStep || step == shortStep + 1) << n;
      EXPECT_LE(PassMusicMs(n, num, den) * num, n * 1000 * den);
      EXPECT_GT((PassMusicMs(n, num, den) + 1) * num, n * 1000 * den);
    }
  }
  EXPECT_EQ(PassMusicMs(1, 60, 1), 16);
  EXPECT_EQ(PassMusicMs(2, 60, 1), 33);
  EXPECT_EQ(PassMusicMs(3, 60, 1), 50);
}

TEST(RenderTimingTest, SelectionByTicksAndPasses) {
  RenderOptions o;
  o.haveFrom = o.haveTo = true;
  o.fromTicks = 13.0;
  o.toTicks = 26.0;
  EXPECT_FALSE(PassSelected(o, 0, 12.999f));
  EXPECT_TRUE(PassSelected(o, 0, 13.0f));
  EXPECT_TRUE(PassSelected(o, 0, 26.0f));
  EXPECT_FALSE(PassSelected(o, 0, 26.001f));
  EXPECT_FALSE(PastSelection(o, 5, 25.9f));
  EXPECT_TRUE(PastSelection(o, 5, 26.0f));
  o.passes = {4, 8};
  EXPECT_FALSE(PassSelected(o, 5, 20.0f));
  EXPECT_TRUE(PassSelected(o, 8, 20.0f));
  EXPECT_FALSE(PassSelected(o, 8, 27.0f));
  EXPECT_FALSE(PastSelection(o, 7, 20.0f));
  EXPECT_TRUE(PastSelection(o, 8, 20.0f));
  EXPECT_EQ(FrameFileName(42), "frame-000042.png");
  EXPECT_EQ(FrameFileName(1234567), "frame-1234567.png");
}

TEST(RenderVideoTest, EncoderSeeksTheMusicToTheFirstFrame) {
  VideoSettings s{"/usr/bin/ffmpeg", "/tmp/v.mp4", "/d/mirok6.mp3", 320, 240, 30000, 1001, 12345};
  const std::vector<std::string> args = VideoEncoderArguments(s);
  const auto at = [&](const std::string& a) { return std::find(args.begin(), args.end(), a) - args.begin(); };
  const auto ss = at("-ss");
  ASSERT_LT(ss + 2, static_cast<long>(args.size()));
  EXPECT_EQ(args[ss + 1], "12.345");
  // The seek applies to the music input, which follows it.
  EXPECT_EQ(args[ss + 2], "-i");
  EXPECT_EQ(args[ss + 3], "/d/mirok6.mp3");
  EXPECT_EQ(args[at("-framerate") + 1], "30000/1001");
  EXPECT_EQ(args[at("-video_size") + 1], "320x240");
  EXPECT_EQ(args.back(), "/tmp/v.mp4");
  s.musicPath.clear();
  const std::vector<std::string> silent = VideoEncoderArguments(s);
  EXPECT_EQ(std::find(silent.begin(), silent.end(), "-ss"), silent.end());
  EXPECT_EQ(std::find(silent.begin(), silent.end(), "aac"), silent.end());
}

// ---------------------------------------------------------------- the tool

std::string Tool() { return ProgramPath("VELKOR_TOOLS"); }

#define REQUIRE_TOOL() \
  if (Tool().empty()) GTEST_SKIP() << "VELKOR_TOOLS is not set: run through ctest"

CommandResult Render(const std::string& args) { return RunCommand("\"" + Tool() + "\" render " + args); }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::vector<std::string> FileNames(const std::string& dir) {
  std::vector<std::string> names;
  if (!fs::is_directory(dir)) return names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> FrameNames(int first, int last) {
  std::vector<std::string> names;
  for (int n = first; n <= last; ++n) names.push_back(FrameFileName(n));
  return names;
}

struct StatsLine {
  long long frame, ms;
  int sceneIndex;
  double sceneTicks;
  long long drawMicros;
};

std::vector<StatsLine> ReadStats(const std::string& path, std::string* header) {
  std::ifstream in(path);
  std::vector<StatsLine> lines;
  std::getline(in, *header);
  std::string line;
  while (std::getline(in, line)) {
    StatsLine s{};
    char c1, c2, c3, c4;
    std::istringstream fields(line);
    fields >> s.frame >> c1 >> s.ms >> c2 >> s.sceneIndex >> c3 >> s.sceneTicks >> c4 >> s.drawMicros;
    EXPECT_TRUE(fields && c1 == ',' && c2 == ',' && c3 == ',' && c4 == ',') << line;
    lines.push_back(s);
  }
  return lines;
}

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

Image LoadPng(const std::string& path) {
  Image im;
  EXPECT_TRUE(ReadPngRgb(path, &im.width, &im.height, &im.rgb)) << path;
  return im;
}

// Box average of the area (x0, y0, w, h) of im down to outW x outH.
std::vector<double> Downscale(const Image& im, int x0, int y0, int w, int h, int outW, int outH) {
  std::vector<double> out(static_cast<size_t>(outW) * outH * 3, 0.0);
  for (int oy = 0; oy < outH; ++oy)
    for (int ox = 0; ox < outW; ++ox) {
      const int xa = x0 + ox * w / outW, xb = x0 + (ox + 1) * w / outW;
      const int ya = y0 + oy * h / outH, yb = y0 + (oy + 1) * h / outH;
      double sum[3] = {0, 0, 0};
      for (int y = ya; y < yb; ++y)
        for (int x = xa; x < xb; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += im.rgb[(static_cast<size_t>(y) * im.width + x) * 3 + c];
      const double count = static_cast<double>(xb - xa) * (yb - ya);
      for (int c = 0; c < 3; ++c) out[(static_cast<size_t>(oy) * outW + ox) * 3 + c] = sum[c] / count;
    }
  return out;
}

double MaxDifference(const std::vector<double>& a, const std::vector<double>& b) {
  double worst = 0.0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
  return a.size() == b.size() ? worst : 1e9;
}

bool AreaIsBlack(const Image& im, int x0, int y0, int w, int h) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      for (int c = 0; c < 3; ++c)
        if (im.rgb[(static_cast<size_t>(y) * im.width + x) * 3 + c] != 0) return false;
  return true;
}

// The stand-in data set from make-data, made once per tool build and shared
// by the test processes through the working directory (the build tree).
std::string StandinData() {
  struct stat st;
  if (Tool().empty() || stat(Tool().c_str(), &st) != 0) return "";
  const std::string dir = (fs::current_path() / ("standin-data-" + std::to_string(st.st_size) + "-" +
                                                  std::to_string(static_cast<long long>(st.st_mtime))))
                              .string();
  if (fs::is_directory(dir)) return dir;
  const std::string partial = dir + ".partial-" + std::to_string(getpid());
  const CommandResult made = RunCommand("\"" + Tool() + "\" make-data " + Quote(partial));
  std::error_code ec;
  if (made.status != 0) {
    fs::remove_all(partial, ec);
    return "";
  }
  fs::rename(partial, dir, ec);  // another process may have got there first
  fs::remove_all(partial, ec);
  return fs::is_directory(dir) ? dir : "";
}

#define REQUIRE_STANDIN_DATA(var)                                                                          \
  const std::string var = StandinData();                                                                   \
  if (var.empty()) GTEST_SKIP() << "velkor-tools make-data did not produce the stand-in data set; skipped"

bool HaveProgram(const char* name) { return !FindProgramOnPath(name).empty(); }

#define REQUIRE_FFMPEG()                                               \
  if (!HaveProgram("ffmpeg") || !HaveProgram("ffprobe"))               \
  GTEST_SKIP() << "ffmpeg/ffprobe not installed (scripts/install-deps.sh installs them)"

TEST(RenderToolTest, SameOptionsGiveIdenticalPngFiles) {
  REQUIRE_TOOL();
  TempDir t;
  fs::create_directories(t.path() + "/data");
  for (const char* run : {"a", "b"}) {
    const CommandResult r = Render("--data " + Quote(t.path() + "/data") + " --fps 2 --frames 0,3,34,100 --out " +
                                   Quote(t.path() + "/" + run));
    ASSERT_EQ(r.status, 0) << r.output;
  }
  const std::vector<std::string> names = FileNames(t.path() + "/a");
  EXPECT_EQ(names, (std::vector<std::string>{FrameFileName(0), FrameFileName(3), FrameFileName(34),
                                             FrameFileName(100)}));
  EXPECT_EQ(FileNames(t.path() + "/b"), names);
  for (const std::string& n : names) {
    const auto a = ReadFileBytes(t.path() + "/a/" + n);
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == ReadFileBytes(t.path() + "/b/" + n)) << n;
    const Image im = LoadPng(t.path() + "/a/" + n);
    EXPECT_EQ(im.width, 640);
    EXPECT_EQ(im.height, 480);
  }
}

TEST(RenderToolTest, SameOptionsGiveIdenticalPngFilesWithStandinData) {
  REQUIRE_TOOL();
  REQUIRE_STANDIN_DATA(data);
  TempDir t;
  const std::string frames = "0,4,17,30,50,80,100,130,170";
  for (const char* run : {"a", "b"}) {
    const CommandResult r =
        Render("--data " + Quote(data) + " --fps 1 --frames " + frames + " --out " + Quote(t.path() + "/" + run));
    ASSERT_EQ(r.status, 0) << r.output;
  }
  const std::vector<std::string> names = FileNames(t.path() + "/a");
  EXPECT_EQ(names.size(), 9u);
  EXPECT_EQ(FileNames(t.path() + "/b"), names);
  for (const std::string& n : names)
    EXPECT_TRUE(ReadFileBytes(t.path() + "/a/" + n) == ReadFileBytes(t.path() + "/b/" + n)) << n;
}

TEST(RenderToolTest, FromAndToSelectFramesByMusicTicks) {
  REQUIRE_TOOL();
  TempDir t;
  // At 10 fps pass n is at n * 100 ms, demoTicks n * 1.3 + 0.001: passes 10
  // (13.001) to 19 (24.701) lie in [13, 26]; pass 20 is at 26.001.
  CommandResult r = Render("--data " + Quote(t.path()) + " --fps 10 --from 13 --to 26 --out " + Quote(t.path() + "/f"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(FileNames(t.path() + "/f"), FrameNames(10, 19));
  // Passes and ticks together: only listed passes inside the range.
  r = Render("--data " + Quote(t.path()) + " --fps 10 --from 13 --to 26 --frames 5,12,19,25 --out " +
             Quote(t.path() + "/g"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(FileNames(t.path() + "/g"), (std::vector<std::string>{FrameFileName(12), FrameFileName(19)}));
  // A range that holds no frame writes nothing and says so.
  r = Render("--data " + Quote(t.path()) + " --fps 10 --from 13.1 --to 13.2 --out " + Quote(t.path() + "/h"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("no frame"), std::string::npos) << r.output;
  EXPECT_TRUE(FileNames(t.path() + "/h").empty());
}

TEST(RenderToolTest, FrameStatsGiveExactMusicTimesAndTheClock) {
  REQUIRE_TOOL();
  TempDir t;
  const std::string csv = t.path() + "/stats.csv";
  const CommandResult r = Render("--data " + Quote(t.path()) + " --fps 7 --to 60 --frame-stats " + Quote(csv));
  ASSERT_EQ(r.status, 0) << r.output;
  std::string header;
  const std::vector<StatsLine> lines = ReadStats(csv, &header);
  EXPECT_EQ(header, "frame,ms,sceneIndex,sceneTicks,drawMicros");
  ASSERT_FALSE(lines.empty());
  for (size_t n = 0; n < lines.size(); ++n) {
    const StatsLine& s = lines[n];
    EXPECT_EQ(s.frame, static_cast<long long>(n));
    EXPECT_EQ(s.ms, static_cast<long long>(n) * 1000 / 7) << n;
    EXPECT_EQ(s.sceneIndex, 0);
    // Scene 0 starts at tick 0, so its clock is the music clock itself.
    EXPECT_NEAR(s.sceneTicks, DemoTicksFromMs(static_cast<int>(s.ms)), 2e-6) << n;
    EXPECT_GT(s.drawMicros, 0);
  }
  // Drawing stops with the first pass at or past tick 60.
  EXPECT_GE(DemoTicksFromMs(static_cast<int>(lines.back().ms)), 60.0f);
  EXPECT_LT(DemoTicksFromMs(static_cast<int>(lines[lines.size() - 2].ms)), 60.0f);
}

TEST(RenderToolTest, WholeShowRunsThroughEverySceneToTheEnd) {
  REQUIRE_TOOL();
  TempDir t;
  const std::string csv = t.path() + "/stats.csv";
  const CommandResult r = Render("--data " + Quote(t.path()) + " --fps 4 --frame-stats " + Quote(csv));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("warning"), std::string::npos) << "an empty data directory is worth a warning";
  std::string header;
  const std::vector<StatsLine> lines = ReadStats(csv, &header);
  ASSERT_GT(lines.size(), 800u);
  int scene = 0;
  for (size_t n = 1; n < lines.size(); ++n) {
    const StatsLine& s = lines[n];
    if (s.sceneIndex != scene) {
      // A switch goes one scene forward and draws the new scene at its very start.
      EXPECT_EQ(s.sceneIndex, scene + 1) << n;
      EXPECT_NEAR(s.sceneTicks, 1e-6, 1e-6) << n;
      // The previous pass, 3.25 ticks earlier at 4 fps, was still inside the old scene.
      EXPECT_GT(lines[n - 1].sceneTicks, kSceneLengthTicks[scene] - 3.3) << n;
      scene = s.sceneIndex;
    } else if (n + 1 < lines.size()) {
      EXPECT_LE(s.sceneTicks, kSceneLengthTicks[scene]) << n;
    }
  }
  EXPECT_EQ(scene, 5);
  // The pass that ends the show is drawn, and it is the only one past the end.
  EXPECT_GT(lines.back().sceneTicks, 1100.0);
  EXPECT_LE(lines[lines.size() - 2].sceneTicks, 1100.0);
}

void ExpectPillarboxMatches(const std::string& data, const std::string& dir) {
  const std::string common = "--data " + Quote(data) + " --fps 1 --frames 17,60";
  CommandResult r = Render(common + " --out " + Quote(dir + "/small"));
  ASSERT_EQ(r.status, 0) << r.output;
  r = Render(common + " --size 1280x720 --out " + Quote(dir + "/wide"));
  ASSERT_EQ(r.status, 0) << r.output;
  r = Render(common + " --size 640x640 --out " + Quote(dir + "/tall"));
  ASSERT_EQ(r.status, 0) << r.output;
  for (int pass : {17, 60}) {
    const Image small = LoadPng(dir + "/small/" + FrameFileName(pass));
    const Image wide = LoadPng(dir + "/wide/" + FrameFileName(pass));
    const Image tall = LoadPng(dir + "/tall/" + FrameFileName(pass));
    ASSERT_EQ(wide.width, 1280);
    ASSERT_EQ(wide.height, 720);
    ASSERT_EQ(tall.width, 640);
    ASSERT_EQ(tall.height, 640);
    const auto reference = Downscale(small, 0, 0, 640, 480, 40, 30);
    EXPECT_LT(MaxDifference(Downscale(wide, 160, 0, 960, 720, 40, 30), reference), 24.0) << pass;
    EXPECT_LT(MaxDifference(Downscale(tall, 0, 80, 640, 480, 40, 30), reference), 24.0) << pass;
    EXPECT_TRUE(AreaIsBlack(wide, 0, 0, 160, 720)) << pass;
    EXPECT_TRUE(AreaIsBlack(wide, 1120, 0, 160, 720)) << pass;
    EXPECT_TRUE(AreaIsBlack(tall, 0, 0, 640, 80)) << pass;
    EXPECT_TRUE(AreaIsBlack(tall, 0, 560, 640, 80)) << pass;
  }
}

TEST(RenderToolTest, OtherSizesKeepTheCentredFourByThreePicture) {
  REQUIRE_TOOL();
  TempDir t;
  ExpectPillarboxMatches(t.path(), t.path());
  // The scenes' clear colours fill the picture: not black, so the bars are told apart.
  const Image small = LoadPng(t.path() + "/small/" + FrameFileName(17));
  EXPECT_FALSE(AreaIsBlack(small, 300, 220, 40, 40));
}

TEST(RenderToolTest, OtherSizesKeepTheCentredFourByThreePictureWithStandinData) {
  REQUIRE_TOOL();
  REQUIRE_STANDIN_DATA(data);
  TempDir t;
  ExpectPillarboxMatches(data, t.path());
}

// ---------------------------------------------------------------- video

// An MP3 of `silentSeconds` of silence followed by `toneSeconds` of a loud tone.
std::vector<std::uint8_t> EncodeTestMusic(double silentSeconds, double toneSeconds) {
  constexpr int kRate = 44100;
  const int silent = static_cast<int>(silentSeconds * kRate), total = silent + static_cast<int>(toneSeconds * kRate);
  std::vector<short> pcm(static_cast<size_t>(total) * 2, 0);
  for (int i = silent; i < total; ++i)
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<short>(16000.0 * std::sin(2.0 * M_PI * 440.0 * i / kRate));
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, kRate);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, 128);
  lame_init_params(lame);
  std::vector<std::uint8_t> mp3(static_cast<size_t>(total) * 5 / 4 + 7200 + 7200);
  int used = lame_encode_buffer_interleaved(lame, pcm.data(), total, mp3.data(), static_cast<int>(mp3.size()));
  used += lame_encode_flush(lame, mp3.data() + used, static_cast<int>(mp3.size()) - used);
  lame_close(lame);
  mp3.resize(used > 0 ? static_cast<size_t>(used) : 0);
  return mp3;
}

std::string Probe(const std::string& file, const std::string& stream, const std::string& entry) {
  const CommandResult r = RunCommand("ffprobe -v error -select_streams " + stream + " -count_frames -show_entries stream=" +
                                     entry + " -of default=nw=1:nk=1 " + Quote(file));
  std::string out = r.output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// Root-mean-square level of the first `seconds` of the video's sound.
double OpeningLoudness(const std::string& file, double seconds) {
  const CommandResult r = RunCommand("ffmpeg -v error -i " + Quote(file) + " -map 0:a:0 -t " + std::to_string(seconds) +
                                     " -ac 1 -ar 8000 -f s16le -");
  const size_t count = r.output.size() / 2;
  if (r.status != 0 || count == 0) return -1.0;
  double sum = 0.0;
  for (size_t i = 0; i < count; ++i) {
    short v;
    std::memcpy(&v, r.output.data() + 2 * i, 2);
    sum += static_cast<double>(v) * v;
  }
  return std::sqrt(sum / static_cast<double>(count));
}

TEST(RenderVideoToolTest, VideoHasEveryFrameAndTheMusicFromTheFirstFrame) {
  REQUIRE_TOOL();
  REQUIRE_FFMPEG();
  TempDir t;
  const std::vector<std::uint8_t> mp3 = EncodeTestMusic(1.0, 2.0);
  ASSERT_GT(mp3.size(), 1000u);
  t.Write("data/mirok6.mp3", mp3);
  const std::string data = t.path() + "/data";
  // From the start: 25 frames at 25 fps, the sound opens with the silent second.
  CommandResult r = Render("--data " + Quote(data) + " --fps 25 --to 13 --video " + Quote(t.path() + "/start.mp4"));
  ASSERT_EQ(r.status, 0) << r.output;
  // From tick 13 (1 s): the sound opens with the tone.
  r = Render("--data " + Quote(data) + " --fps 25 --from 13 --to 26 --video " + Quote(t.path() + "/later.mp4"));
  ASSERT_EQ(r.status, 0) << r.output;
  for (const char* name : {"/start.mp4", "/later.mp4"}) {
    const std::string file = t.path() + name;
    EXPECT_EQ(Probe(file, "v:0", "nb_read_frames"), "25") << name;
    EXPECT_EQ(Probe(file, "v:0", "codec_name"), "h264") << name;
    EXPECT_EQ(Probe(file, "v:0", "width"), "640") << name;
    EXPECT_EQ(Probe(file, "a:0", "codec_name"), "aac") << name;
  }
  EXPECT_GE(OpeningLoudness(t.path() + "/start.mp4", 0.5), 0.0);
  EXPECT_LT(OpeningLoudness(t.path() + "/start.mp4", 0.5), 500.0);
  EXPECT_GT(OpeningLoudness(t.path() + "/later.mp4", 0.5), 4000.0);
}

TEST(RenderVideoToolTest, VideoFramesMatchThePngFramesWithStandinData) {
  REQUIRE_TOOL();
  REQUIRE_FFMPEG();
  REQUIRE_STANDIN_DATA(data);
  TempDir t;
  // Pass 17 at 10 fps is frame 7 of a video that starts with pass 10.
  const CommandResult r = Render("--data " + Quote(data) + " --fps 10 --from 13 --to 26 --out " + Quote(t.path()) +
                                 " --video " + Quote(t.path() + "/v.mp4"));
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string extracted = t.path() + "/extracted.png";
  const CommandResult x = RunCommand("ffmpeg -v error -i " + Quote(t.path() + "/v.mp4") +
                                     " -vf \"select=eq(n\\,7)\" -frames:v 1 -pix_fmt rgb24 " + Quote(extracted));
  ASSERT_EQ(x.status, 0) << x.output;
  const Image fromVideo = LoadPng(extracted);
  const Image fromPng = LoadPng(t.path() + "/" + FrameFileName(17));
  ASSERT_EQ(fromVideo.width, 640);
  ASSERT_EQ(fromVideo.height, 480);
  // Lossy coding blurs detail; an upside-down or shifted picture differs far more.
  EXPECT_LT(MaxDifference(Downscale(fromVideo, 0, 0, 640, 480, 20, 15), Downscale(fromPng, 0, 0, 640, 480, 20, 15)),
            20.0);
}

// ---------------------------------------------------------------- failures

TEST(RenderToolTest, BadOptionsAndMissingThingsFailWithAMessage) {
  REQUIRE_TOOL();
  TempDir t;
  const std::string out = " --out " + Quote(t.path() + "/out");
  struct Case {
    std::string args, message;
  };
  const Case cases[] = {
      {"--fps 0" + out, "--fps"},
      {"--size 12x" + out, "--size"},
      {"--whatever" + out, "--whatever"},
      {"--from 30 --to 20" + out, "--to"},
      {out + " --fps", "--fps needs a value"},
      {"--data " + Quote(t.path() + "/nowhere") + out, "does not exist"},
  };
  for (const Case& c : cases) {
    const CommandResult r = Render(c.args);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
  }
  EXPECT_FALSE(fs::exists(t.path() + "/out"));
  // Without ffmpeg nothing is rendered at all.
  const CommandResult r = RunCommand("PATH=" + Quote(t.path()) + " \"" + Tool() + "\" render --data " + Quote(t.path()) +
                                     " --frame-stats " + Quote(t.path() + "/s.csv") + " --video " +
                                     Quote(t.path() + "/v.mp4"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("ffmpeg"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(t.path() + "/s.csv"));
  EXPECT_FALSE(fs::exists(t.path() + "/v.mp4"));
  // Nor when the video could not be written where asked.
  if (HaveProgram("ffmpeg")) {
    const CommandResult v = Render("--data " + Quote(t.path()) + " --frame-stats " + Quote(t.path() + "/s.csv") +
                                   " --video " + Quote(t.path() + "/missing/v.mp4"));
    EXPECT_NE(v.status, 0);
    EXPECT_NE(v.output.find("no such directory"), std::string::npos) << v.output;
    EXPECT_FALSE(fs::exists(t.path() + "/s.csv"));
  }
}

}  // namespace
}  // namespace velkor
