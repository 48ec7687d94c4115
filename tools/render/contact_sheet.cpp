// velkor-tools contact-sheet: the chosen passes rendered at tile size by the
// render command into a scratch directory, then laid out in a grid with a
// caption under each tile.
#include "tools/render/contact_sheet.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "music/sequencer.h"
#include "music/timeline.h"
#include "tools/render/png_files.h"
#include "tools/render/render.h"
#include "tools/render/render_options.h"

namespace velkor {

namespace {

namespace fs = std::filesystem;

constexpr int kMomentsPerScene = 4;
constexpr std::int64_t kFps = 60;  // the pace the show was made for
constexpr std::uint8_t kBackground = 16, kInk = 224;

int Usage() {
  std::fprintf(stderr, "usage: velkor-tools contact-sheet --data DIR --out FILE.png [--columns N] [--size WxH]\n"
                       "  N: tiles per row, 1 .. 24 (default 4); WxH: the size of each tile (default 320x240)\n");
  return 2;
}

struct SheetOptions {
  std::string data, out;
  int columns = kMomentsPerScene;
  int width = 320, height = 240;
};

bool ParseSheetOptions(int argc, char** argv, SheetOptions* o) {
  for (int i = 0; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--data") o->data = value;
    else if (name == "--out") o->out = value;
    else if (name == "--columns") o->columns = std::atoi(value.c_str());
    else if (name == "--size") {
      if (!ParseFrameSize(value, &o->width, &o->height)) return false;
    } else return false;
  }
  return argc % 2 == 0 && !o->data.empty() && !o->out.empty() && o->columns >= 1 &&
         o->columns <= kSceneCount * kMomentsPerScene;
}

// What a tile shows: its pass as the render's frame statistics recorded it.
struct Moment {
  std::int64_t pass = 0, ms = 0;
  int scene = 0;
};

std::map<std::int64_t, Moment> ReadMoments(const std::string& statsPath) {
  std::map<std::int64_t, Moment> moments;
  std::ifstream in(statsPath);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    Moment m;
    long long pass = 0, ms = 0;
    if (std::sscanf(line.c_str(), "%lld,%lld,%d", &pass, &ms, &m.scene) != 3) continue;
    m.pass = pass;
    m.ms = ms;
    moments[pass] = m;
  }
  return moments;
}

// "SCENE 2  01:23.456", or "S2 01:23.456" where a tile is too narrow for that.
std::string Caption(const Moment& m, int characters) {
  char text[48];
  std::snprintf(text, sizeof text, characters >= 18 ? "SCENE %d  %02lld:%02lld.%03lld" : "S%d %02lld:%02lld.%03lld",
                m.scene, static_cast<long long>(m.ms / 60000), static_cast<long long>(m.ms / 1000 % 60),
                static_cast<long long>(m.ms % 1000));
  return text;
}

struct Sheet {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

void PutText(Sheet* sheet, const CaptionFont& font, const std::string& text, int x0, int y0, int scale, int right) {
  for (size_t i = 0; i < text.size(); ++i) {
    const int left = x0 + static_cast<int>(i) * (font.width + 1) * scale;
    for (int row = 0; row < font.height * scale; ++row)
      for (int column = 0; column < font.width * scale && left + column < right; ++column) {
        if (!font.dot(text[i], column / scale, row / scale)) continue;
        std::uint8_t* p = &sheet->rgb[(static_cast<size_t>(y0 + row) * sheet->width + left + column) * 3];
        p[0] = p[1] = p[2] = kInk;
      }
  }
}

// The tiles in show order, row by row, each with its caption beneath.
bool ComposeSheet(const SheetOptions& o, const CaptionFont& font, const std::vector<Moment>& moments,
                  const std::string& framesDir, Sheet* sheet) {
  const int scale = std::max(1, o.width / 160), gap = 4 * scale;
  const int captionHeight = (font.height + 4) * scale;
  const int rows = (static_cast<int>(moments.size()) + o.columns - 1) / o.columns;
  sheet->width = o.columns * o.width + (o.columns + 1) * gap;
  sheet->height = rows * (o.height + captionHeight) + (rows + 1) * gap;
  sheet->rgb.assign(static_cast<size_t>(sheet->width) * sheet->height * 3, kBackground);
  for (size_t k = 0; k < moments.size(); ++k) {
    const int x0 = gap + static_cast<int>(k % o.columns) * (o.width + gap);
    const int y0 = gap + static_cast<int>(k / o.columns) * (o.height + captionHeight + gap);
    int w = 0, h = 0;
    std::vector<std::uint8_t> tile;
    if (!ReadPngRgb(framesDir + "/" + FrameFileName(moments[k].pass), &w, &h, &tile) || w != o.width ||
        h != o.height)
      return false;
    for (int y = 0; y < h; ++y)
      std::copy_n(&tile[static_cast<size_t>(y) * w * 3], static_cast<size_t>(w) * 3,
                  &sheet->rgb[(static_cast<size_t>(y0 + y) * sheet->width + x0) * 3]);
    const int characters = (w - 2 * scale) / ((font.width + 1) * scale);
    PutText(sheet, font, Caption(moments[k], characters), x0 + scale, y0 + h + 2 * scale, scale, x0 + w);
  }
  return true;
}

}  // namespace

std::vector<std::int64_t> ContactSheetPasses(int perScene, std::int64_t fpsNum, std::int64_t fpsDen) {
  std::vector<std::int64_t> passes;
  for (int scene = 0; scene < kSceneCount; ++scene) {
    const std::int64_t start = SceneStartMs(scene), end = SceneStartMs(scene + 1);
    for (int k = 0; k < perScene; ++k) {
      const std::int64_t ms = start + (end - start) * (2 * k + 1) / (2 * perScene);
      // The first pass whose music time, floor(n * 1000 * den / num), is at
      // least ms: n = ceil(ms * num / (1000 * den)).
      passes.push_back((ms * fpsNum + 1000 * fpsDen - 1) / (1000 * fpsDen));
    }
  }
  return passes;
}

int ContactSheetCommand(int argc, char** argv, const CaptionFont& font) {
  SheetOptions o;
  if (!ParseSheetOptions(argc, argv, &o)) return Usage();
  std::error_code ec;
  // The render moves into the data directory.
  o.out = fs::absolute(o.out, ec).string();
  const fs::path work = fs::temp_directory_path(ec) / ("velkor-sheet-" + std::to_string(::getpid()));
  fs::create_directories(work, ec);
  const std::vector<std::int64_t> passes = ContactSheetPasses(kMomentsPerScene, kFps, 1);
  std::string list;
  for (std::int64_t pass : passes) list += (list.empty() ? "" : ",") + std::to_string(pass);
  const std::string stats = (work / "stats.csv").string();
  std::vector<std::string> args = {"--data", o.data, "--fps", std::to_string(kFps), "--frames", list, "--size",
                                   std::to_string(o.width) + "x" + std::to_string(o.height), "--out", work.string(),
                                   "--frame-stats", stats};
  std::vector<char*> argvRender;
  for (std::string& a : args) argvRender.push_back(a.data());
  int status = RenderCommand(static_cast<int>(argvRender.size()), argvRender.data());
  if (status == 0) {
    const std::map<std::int64_t, Moment> recorded = ReadMoments(stats);
    std::vector<Moment> moments;
    for (std::int64_t pass : passes)
      if (recorded.count(pass)) moments.push_back(recorded.at(pass));
    Sheet sheet;
    if (moments.size() != passes.size() || !ComposeSheet(o, font, moments, work.string(), &sheet) ||
        !WritePngRgb(o.out, sheet.width, sheet.height, sheet.rgb.data(), PngCompression::Small)) {
      std::fprintf(stderr, "velkor-tools contact-sheet: cannot make %s\n", o.out.c_str());
      status = 1;
    }
  }
  fs::remove_all(work, ec);
  return status;
}

}  // namespace velkor
