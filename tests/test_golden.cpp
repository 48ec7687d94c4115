// Golden frames: a few frames of every scene, rendered by velkor-tools render
// from the stand-in data and compared, as 40 x 30 box averages, with the ones
// stored in tests/golden/frames.txt. With VELKOR_UPDATE_GOLDEN=1 the file is
// rewritten from what renders now (scripts/update-golden.sh).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "tools/png_writer.h"
#include "tools/render_options.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::ProgramPath;
using test::RunCommand;
using test::TempDir;

constexpr int kThumbWidth = 40;
constexpr int kThumbHeight = 30;
constexpr size_t kThumbBytes = static_cast<size_t>(kThumbWidth) * kThumbHeight * 3;
constexpr int kFramesPerScene = 3;
constexpr const char* kDefaultOptions = "--fps 5";
constexpr int kDefaultTolerance = 6;

struct GoldenFrame {
  std::int64_t pass = 0;
  int scene = 0;
  std::vector<std::uint8_t> thumb;  // kThumbBytes, top row first
};

struct GoldenSet {
  std::string options = kDefaultOptions;
  std::string data = "standin";  // "standin": make-data output; "empty": an empty directory
  int tolerance = kDefaultTolerance;
  std::vector<GoldenFrame> frames;
};

// ---------------------------------------------------------------- file format

std::string HexFromBytes(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool BytesFromHex(const std::string& hex, std::vector<std::uint8_t>* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes->push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return true;
}

std::string FormatGoldenSet(const GoldenSet& set) {
  std::ostringstream out;
  out << "# Golden frames: velkor-tools render output as " << kThumbWidth << "x" << kThumbHeight
      << " box-averaged RGB, hex, top row first.\n"
      << "# Checked by tests/test_golden.cpp; regenerate with scripts/update-golden.sh after an intended change.\n"
      << "options " << set.options << "\n"
      << "data " << set.data << "\n"
      << "tolerance " << set.tolerance << "\n";
  for (const GoldenFrame& f : set.frames)
    out << "frame " << f.pass << " scene " << f.scene << " " << HexFromBytes(f.thumb) << "\n";
  return out.str();
}

// False with *error naming the line for anything malformed.
bool ParseGoldenSet(const std::string& text, GoldenSet* set, std::string* error) {
  *set = GoldenSet();
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string key;
    words >> key;
    bool ok = true;
    if (key == "options") {
      std::getline(words >> std::ws, set->options);
    } else if (key == "data") {
      ok = static_cast<bool>(words >> set->data) && (set->data == "standin" || set->data == "empty");
    } else if (key == "tolerance") {
      ok = static_cast<bool>(words >> set->tolerance) && set->tolerance >= 0 && set->tolerance < 256;
    } else if (key == "frame") {
      GoldenFrame f;
      std::string sceneWord, hex;
      ok = static_cast<bool>(words >> f.pass >> sceneWord >> f.scene >> hex) && sceneWord == "scene" &&
           f.pass >= 0 && BytesFromHex(hex, &f.thumb) && f.thumb.size() == kThumbBytes;
      set->frames.push_back(f);
    } else {
      ok = false;
    }
    if (!ok) {
      *error = "frames.txt line " + std::to_string(number) + " is malformed";
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- images

// Box average of a top-row-first RGB image down to the thumbnail size.
std::vector<std::uint8_t> Thumbnail(int width, int height, const std::vector<std::uint8_t>& rgb) {
  std::vector<std::uint8_t> thumb(kThumbBytes);
  for (int ty = 0; ty < kThumbHeight; ++ty)
    for (int tx = 0; tx < kThumbWidth; ++tx) {
      const int xa = tx * width / kThumbWidth, xb = std::max(xa + 1, (tx + 1) * width / kThumbWidth);
      const int ya = ty * height / kThumbHeight, yb = std::max(ya + 1, (ty + 1) * height / kThumbHeight);
      long sum[3] = {0, 0, 0};
      for (int y = ya; y < yb; ++y)
        for (int x = xa; x < xb; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += rgb[(static_cast<size_t>(y) * width + x) * 3 + c];
      const long count = static_cast<long>(xb - xa) * (yb - ya);
      for (int c = 0; c < 3; ++c)
        thumb[(static_cast<size_t>(ty) * kThumbWidth + tx) * 3 + c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
    }
  return thumb;
}

struct ThumbDifference {
  int worst = 0;
  int x = 0, y = 0;
};

ThumbDifference CompareThumbs(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  ThumbDifference d;
  for (size_t i = 0; i < kThumbBytes && i < a.size() && i < b.size(); ++i) {
    const int diff = std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
    if (diff > d.worst) {
      d.worst = diff;
      d.x = static_cast<int>(i / 3 % kThumbWidth);
      d.y = static_cast<int>(i / 3 / kThumbWidth);
    }
  }
  return d;
}

// ---------------------------------------------------------------- rendering

std::string Tool() { return ProgramPath("VELKOR_TOOLS"); }
std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string GoldenFilePath() {
  const std::string source = ProgramPath("VELKOR_SOURCE_DIR");
  return source.empty() ? "" : source + "/tests/golden/frames.txt";
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

struct StatsRow {
  std::int64_t pass;
  int scene;
};

std::vector<StatsRow> ReadSceneColumn(const std::string& csv) {
  std::ifstream in(csv);
  std::string line;
  std::getline(in, line);
  std::vector<StatsRow> rows;
  while (std::getline(in, line)) {
    StatsRow r{};
    if (std::sscanf(line.c_str(), "%ld,%*d,%d,", &r.pass, &r.scene) == 2) rows.push_back(r);
  }
  return rows;
}

// Renders the listed passes (all of them when empty) into dir; pixels by pass.
bool RenderPasses(const GoldenSet& set, const std::string& data, const std::vector<std::int64_t>& passes,
                  const std::string& dir, std::string* log) {
  std::string list;
  for (std::int64_t p : passes) list += (list.empty() ? "" : ",") + std::to_string(p);
  std::string command = "\"" + Tool() + "\" render --data " + Quote(data) + " " + set.options +
                        " --frame-stats " + Quote(dir + "/stats.csv");
  if (!passes.empty()) command += " --frames " + list + " --out " + Quote(dir);
  const CommandResult r = RunCommand(command);
  *log = command + "\n" + r.output;
  return r.status == 0;
}

// kFramesPerScene passes spread over the inside of each scene's run.
std::vector<GoldenFrame> ChooseFrames(const std::vector<StatsRow>& rows) {
  std::vector<GoldenFrame> chosen;
  for (size_t start = 0; start < rows.size();) {
    size_t end = start;
    while (end < rows.size() && rows[end].scene == rows[start].scene) ++end;
    const size_t count = end - start;
    for (int k = 0; k < kFramesPerScene; ++k) {
      GoldenFrame f;
      f.pass = rows[start + count * (2 * k + 1) / (2 * kFramesPerScene)].pass;
      f.scene = rows[start].scene;
      if (chosen.empty() || chosen.back().pass != f.pass) chosen.push_back(f);
    }
    start = end;
  }
  return chosen;
}

bool LoadThumb(const std::string& dir, std::int64_t pass, std::vector<std::uint8_t>* thumb) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  if (!ReadPngRgb(dir + "/" + FrameFileName(pass), &width, &height, &rgb)) return false;
  *thumb = Thumbnail(width, height, rgb);
  return true;
}

std::string DataFor(const GoldenSet& set, const TempDir& scratch) {
  if (set.data == "empty") {
    fs::create_directories(scratch.path() + "/empty-data");
    return scratch.path() + "/empty-data";
  }
  return StandinData();
}

// ---------------------------------------------------------------- tests

TEST(GoldenFormatTest, FileRoundTripsAndRejectsDamage) {
  GoldenSet set;
  set.options = "--fps 10 --size 320x240";
  set.data = "empty";
  set.tolerance = 4;
  GoldenFrame f;
  f.pass = 1234;
  f.scene = 3;
  for (size_t i = 0; i < kThumbBytes; ++i) f.thumb.push_back(static_cast<std::uint8_t>(i * 7));
  set.frames = {f, f};
  const std::string text = FormatGoldenSet(set);
  GoldenSet back;
  std::string error;
  ASSERT_TRUE(ParseGoldenSet(text, &back, &error)) << error;
  EXPECT_EQ(back.options, set.options);
  EXPECT_EQ(back.data, "empty");
  EXPECT_EQ(back.tolerance, 4);
  ASSERT_EQ(back.frames.size(), 2u);
  EXPECT_EQ(back.frames[1].pass, 1234);
  EXPECT_EQ(back.frames[1].scene, 3);
  EXPECT_EQ(back.frames[1].thumb, f.thumb);

  const std::string hex = HexFromBytes(f.thumb);
  const std::string damaged[] = {
      "frame 1 scene 0 " + hex.substr(0, hex.size() - 2) + "\n",  // one pixel short
      "frame 1 scene 0 " + hex.substr(0, hex.size() - 1) + "g\n",  // not hex
      "frame -1 scene 0 " + hex + "\n",
      "frame 1 0 " + hex + "\n",
      "data somewhere\n",
      "tolerance 300\n",
      "colour red\n",
  };
  for (const std::string& d : damaged) EXPECT_FALSE(ParseGoldenSet(d, &back, &error)) << d.substr(0, 40);
}

TEST(GoldenFormatTest, ThumbnailAveragesBoxesAndKeepsOrientation) {
  // 80 x 60: top half red, bottom half a 0/255 blue checkerboard.
  const int w = 80, h = 60;
  std::vector<std::uint8_t> rgb(static_cast<size_t>(w) * h * 3, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      if (y < h / 2) p[0] = 200;
      else p[2] = ((x + y) % 2) ? 255 : 0;
    }
  const std::vector<std::uint8_t> t = Thumbnail(w, h, rgb);
  EXPECT_EQ(t[0], 200);
  EXPECT_EQ(t[2], 0);
  const size_t bottom = (static_cast<size_t>(kThumbHeight - 1) * kThumbWidth) * 3;
  EXPECT_EQ(t[bottom], 0);
  EXPECT_EQ(t[bottom + 2], 128);  // 2 x 2 box of 0 and 255, rounded
  std::vector<std::uint8_t> u = t;
  u[bottom + 5] += 9;
  const ThumbDifference d = CompareThumbs(t, u);
  EXPECT_EQ(d.worst, 9);
  EXPECT_EQ(d.x, 1);
  EXPECT_EQ(d.y, kThumbHeight - 1);
}

void UpdateGoldenFile(GoldenSet set, const std::string& path) {
  TempDir scratch;
  if (const char* kind = std::getenv("VELKOR_GOLDEN_DATA")) set.data = kind;
  const std::string data = DataFor(set, scratch);
  ASSERT_FALSE(data.empty()) << "velkor-tools make-data failed: cannot make golden frames from the stand-in data";
  std::string log;
  ASSERT_TRUE(RenderPasses(set, data, {}, scratch.path(), &log)) << log;
  set.frames = ChooseFrames(ReadSceneColumn(scratch.path() + "/stats.csv"));
  ASSERT_FALSE(set.frames.empty());
  std::vector<std::int64_t> passes;
  for (const GoldenFrame& f : set.frames) passes.push_back(f.pass);
  ASSERT_TRUE(RenderPasses(set, data, passes, scratch.path(), &log)) << log;
  for (GoldenFrame& f : set.frames) ASSERT_TRUE(LoadThumb(scratch.path(), f.pass, &f.thumb)) << f.pass;
  std::ofstream(path) << FormatGoldenSet(set);
  std::printf("wrote %zu golden frames (%s data) to %s\n", set.frames.size(), set.data.c_str(), path.c_str());
}

TEST(GoldenFramesTest, EveryStoredFrameStillRendersTheSame) {
  if (Tool().empty()) GTEST_SKIP() << "VELKOR_TOOLS is not set: run through ctest";
  const std::string path = GoldenFilePath();
  ASSERT_FALSE(path.empty()) << "VELKOR_SOURCE_DIR is not set";
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  GoldenSet set;
  std::string error;
  ASSERT_TRUE(ParseGoldenSet(text.str(), &set, &error)) << error;
  const char* update = std::getenv("VELKOR_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    UpdateGoldenFile(set, path);
    return;
  }
  ASSERT_FALSE(set.frames.empty()) << path << " holds no frames: run scripts/update-golden.sh";

  TempDir scratch;
  const std::string data = DataFor(set, scratch);
  if (data.empty()) GTEST_SKIP() << "velkor-tools make-data did not produce the stand-in data set; goldens not checked";
  std::vector<std::int64_t> passes;
  for (const GoldenFrame& f : set.frames) passes.push_back(f.pass);
  std::string log;
  ASSERT_TRUE(RenderPasses(set, data, passes, scratch.path(), &log)) << log;

  std::vector<int> sceneOfPass;
  for (const StatsRow& r : ReadSceneColumn(scratch.path() + "/stats.csv")) {
    if (sceneOfPass.size() <= static_cast<size_t>(r.pass)) sceneOfPass.resize(r.pass + 1, -1);
    sceneOfPass[r.pass] = r.scene;
  }
  const fs::path failures = fs::current_path() / "golden-failures";
  for (const GoldenFrame& f : set.frames) {
    std::vector<std::uint8_t> thumb;
    ASSERT_TRUE(LoadThumb(scratch.path(), f.pass, &thumb)) << "pass " << f.pass;
    const int scene = static_cast<size_t>(f.pass) < sceneOfPass.size() ? sceneOfPass[f.pass] : -1;
    EXPECT_EQ(scene, f.scene) << "pass " << f.pass << " is drawn in another scene than when stored";
    const ThumbDifference d = CompareThumbs(thumb, f.thumb);
    if (d.worst > set.tolerance) {
      std::error_code ec;
      fs::create_directories(failures, ec);
      fs::copy_file(scratch.path() + "/" + FrameFileName(f.pass), failures / FrameFileName(f.pass),
                    fs::copy_options::overwrite_existing, ec);
      ADD_FAILURE() << "pass " << f.pass << " (scene " << f.scene << ") differs by " << d.worst << " at thumbnail ("
                    << d.x << ", " << d.y << "), tolerance " << set.tolerance << "; frame kept in "
                    << (failures / FrameFileName(f.pass)).string();
    }
  }
}

}  // namespace
}  // namespace velkor
