// velkor-tools render's capture options end to end: supersampling against a
// box reduction done here from a frame drawn at twice the size, multisampling,
// the three video containers as ffprobe reads them back, and interruption.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "music/sequencer.h"
#include "support/tool_support.h"
#include "tools/render/contact_sheet.h"
#include "tools/render/render_options.h"
#include "tools/render/render_video.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
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

TEST(CaptureTest, CaptureOptionsAreCheckedAgainstEachOtherAndTheContainer) {
  const struct {
    std::string args, error;  // error: empty when the options are accepted
  } cases[] = {
      {"--ssaa 4 --msaa 8", ""},       {"--ssaa 0", "--ssaa"},
      {"--ssaa 5", "--ssaa"},          {"--msaa 1", "--msaa"},
      {"--msaa 6", "--msaa"},          {"--video v.avi", ".mp4, .mkv or .mov"},
      {"--video V.MOV --size 161x121", ""},  {"--video v.mp4 --size 161x120", "even"},
      {"--video v.mp4 --crf 0", ""},   {"--video v.mp4 --crf 52", "--crf"},
      {"--video v.mkv --crf 18", ".mp4 video only"},  {"--video v.mov --audio-rate 48000", ""},
      {"--video v.mp4 --audio-rate 22050", "--audio-rate"},  {"--audio-rate 44100", "sound of a --video"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words;
    for (size_t start = 0, end; start < c.args.size(); start = end + 1) {
      end = std::min(c.args.find(' ', start), c.args.size());
      words.push_back(c.args.substr(start, end - start));
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    RenderOptions options;
    std::string error;
    EXPECT_EQ(ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), &options, &error), c.error.empty())
        << c.args << ": " << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.args << ": " << error;
  }
}

TEST(CaptureTest, ContactSheetMomentsFallInEachQuarterOfEveryScene) {
  for (const auto& rate : {std::pair<long long, long long>{60, 1}, {30000, 1001}, {1, 1}}) {
    const std::vector<std::int64_t> passes = ContactSheetPasses(4, rate.first, rate.second);
    ASSERT_EQ(passes.size(), 24u);
    for (size_t k = 0; k < passes.size(); ++k) {
      const int scene = static_cast<int>(k / 4), quarter = static_cast<int>(k % 4);
      const std::int64_t ms = PassMusicMs(passes[k], rate.first, rate.second);
      const std::int64_t start = SceneStartMs(scene), length = SceneStartMs(scene + 1) - start;
      EXPECT_GE(ms * 4, start * 4 + length * quarter) << k << " at " << rate.first;
      EXPECT_LT(ms * 4, start * 4 + length * (quarter + 1)) << k << " at " << rate.first;
      EXPECT_EQ(NominalSceneAt(DemoTicksFromMs(static_cast<int>(ms))), scene) << k << " at " << rate.first;
    }
  }
}

// ffprobe's value of one entry of the first stream of a kind ("v", "a").
std::string Probe(const std::string& file, const std::string& stream, const std::string& entry) {
  std::string out = RunCommand("ffprobe -v error -select_streams " + stream + ":0 -count_frames -show_entries " +
                               "stream=" + entry + " -of default=nw=1:nk=1 " + Quote(file)).output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

bool HaveFfmpeg() { return !FindProgramOnPath("ffmpeg").empty() && !FindProgramOnPath("ffprobe").empty(); }

TEST(CaptureTest, EachContainerHoldsEveryFrameAtItsRateWithTheMusicCutToTheFrames) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg/ffprobe not installed (scripts/install-deps.sh installs them)";
  ASSERT_FALSE(StandinDataDir().empty()) << "velkor-tools make-data failed";
  // Frames larger than a pipe's buffer, and many frames a second, each ask
  // ffmpeg to hold frames until the sound has caught up.
  const struct {
    std::string file, args, video, audio;
    int width;
    long long num, den, audioRate;
    long long sampleSlack;  // AAC decodes in whole blocks of 1024; the others to the sample
  } cases[] = {
      {"v.mp4", "--size 160x120 --fps 60000/1001 --crf 30 --from 100 --to 120", "h264", "aac", 160, 60000, 1001,
       44100, 1024},
      {"v.mkv", "--size 640x480 --fps 60 --to 10", "ffv1", "flac", 640, 60, 1, 44100, 0},
      {"v.mov", "--size 320x240 --fps 500 --to 4 --audio-rate 48000", "prores", "pcm_s16le", 320, 500, 1, 48000, 0},
  };
  for (const auto& c : cases) {
    TempDir t;
    const std::string video = t.path() + "/" + c.file;
    const CommandResult r = Render(c.args + " --out " + Quote(t.path() + "/png") + " --video " + Quote(video));
    ASSERT_EQ(r.status, 0) << c.args << "\n" << r.output;
    const std::vector<std::string> frames = FileNames(t.path() + "/png");
    ASSERT_GT(frames.size(), 30u) << c.file;
    EXPECT_EQ(Probe(video, "v", "codec_name"), c.video);
    EXPECT_EQ(Probe(video, "a", "codec_name"), c.audio);
    EXPECT_EQ(Probe(video, "v", "nb_read_frames"), std::to_string(frames.size())) << c.file;
    EXPECT_EQ(Probe(video, "v", "r_frame_rate"), std::to_string(c.num) + "/" + std::to_string(c.den)) << c.file;
    EXPECT_EQ(Probe(video, "a", "sample_rate"), std::to_string(c.audioRate)) << c.file;
    // The sound lasts as long as the frames.
    const long long samples = static_cast<long long>(
        RunCommand("ffmpeg -v error -i " + Quote(video) + " -map 0:a -f s16le -ac 1 -").output.size() / 2);
    const long long expected = static_cast<long long>(frames.size()) * c.audioRate * c.den / c.num;
    EXPECT_LE(std::llabs(samples - expected), c.sampleSlack) << c.file << ": " << samples << " samples";
    if (c.video != "ffv1") continue;
    // Lossless: every decoded frame is its PNG.
    const std::string decoded =
        RunCommand("ffmpeg -v error -i " + Quote(video) + " -map 0:v -f rawvideo -pix_fmt rgb24 -").output;
    ASSERT_EQ(decoded.size(), frames.size() * c.width * c.width * 3 / 4 * 3);
    for (size_t k = 0; k < frames.size(); ++k) {
      const Image png = LoadPng(t.path() + "/png/" + frames[k]);
      EXPECT_EQ(decoded.compare(k * png.rgb.size(), png.rgb.size(),
                                std::string(png.rgb.begin(), png.rgb.end())), 0) << frames[k];
    }
  }
}

// velkor-tools in the background, its standard error in errPath.
pid_t StartTool(const std::string& arguments, const std::string& errPath) {
  const std::string command = "exec " + Quote(ProgramPath("VELKOR_TOOLS")) + " " + arguments + " 2>" + Quote(errPath);
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// The exit status, or minus the signal that ended the process.
int WaitFor(pid_t pid) {
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
}

// The frame count of the last line: "... holds N frames" or "... each hold N frames".
long long FramesOnLastLine(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const std::string last = text.substr(text.rfind('\n') + 1);
  const size_t hold = last.find(" hold");
  const size_t number = last.find(' ', hold + 1);
  return hold == std::string::npos || last.find(" frames") == std::string::npos ? -1
                                                                                 : std::atoll(&last[number + 1]);
}

TEST(CaptureTest, AStopSignalLeavesCompleteOutputsOfEveryFrameSoFar) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg/ffprobe not installed (scripts/install-deps.sh installs them)";
  ASSERT_FALSE(StandinDataDir().empty()) << "velkor-tools make-data failed";
  TempDir t;
  const struct {
    int signal, status;
    std::string outputs;
  } cases[] = {
      {SIGINT, 130, "--size 160x120 --video " + Quote(t.path() + "/v.mp4")},
      {SIGTERM, 143, "--size 640x480 --out " + Quote(t.path() + "/png")},
  };
  for (const auto& c : cases) {
    const std::string stats = t.path() + "/stats" + std::to_string(c.signal), errPath = stats + ".err";
    const pid_t pid = StartTool("render --data " + Quote(StandinDataDir()) + " --frame-stats " + Quote(stats) + " " +
                                    c.outputs, errPath);
    // The statistics show up in blocks of a hundred lines or more: the render
    // is well under way. Meanwhile, every PNG under its final name is whole.
    std::set<std::string> checked;
    std::error_code ec;
    for (int wait = 0; wait < 6000 && (!fs::exists(stats) || fs::file_size(stats, ec) == 0); ++wait) {
      for (const std::string& name : FileNames(t.path() + "/png")) {
        if (fs::path(name).extension() == ".png" && checked.insert(name).second) {
          EXPECT_EQ(LoadPng(t.path() + "/png/" + name).width, 640) << name;
        }
      }
      usleep(10000);
    }
    kill(pid, c.signal);
    const int status = WaitFor(pid);
    const std::string err = RunCommand("cat " + Quote(errPath)).output;
    ASSERT_EQ(status, c.status) << err;
    const long long frames = FramesOnLastLine(err);
    EXPECT_GT(frames, 20) << err;
    if (c.signal == SIGTERM) {
      const std::vector<std::string> names = FileNames(t.path() + "/png");
      EXPECT_EQ(static_cast<long long>(names.size()), frames) << "only whole frames, all of them named";
      EXPECT_EQ(names.back(), FrameFileName(frames - 1));
      EXPECT_EQ(LoadPng(t.path() + "/png/" + names.back()).height, 480);
      continue;
    }
    const std::string video = t.path() + "/v.mp4";
    EXPECT_EQ(Probe(video, "v", "nb_read_frames"), std::to_string(frames));
    const long long samples = static_cast<long long>(
        RunCommand("ffmpeg -v error -i " + Quote(video) + " -map 0:a -f s16le -ac 1 -").output.size() / 2);
    EXPECT_LE(std::llabs(samples - frames * 44100 / 60), 1024) << samples << " samples";
  }
}

}  // namespace
}  // namespace velkor
